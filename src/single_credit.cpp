#include "single_credit.h"

#include <algorithm>
#include <string_view>

#include "credit_store.h"
#include "engine_functions.h"
#include "frame_tick.h"
#include "placement.h"
#include "playback_state.h"
#include "plugin_state.h"
#include "static_drawing.h"
#include "text_split.h"

namespace {

constexpr int32_t plain_style = 0;
constexpr int32_t typewriter_style = 1;

PieceBuffer shown_buffer;  // the revealed part of a typewriter text, reused every frame

}  // namespace

void ShowStaticCredit(int sequence, int id, int time, int style, int style_settings1, int style_settings2) {
  if (!sequence_and_entry_in_range("ShowStaticCredit", sequence, "id", id)) return;
  if (host_links.engine_interface == nullptr) return;  // nothing can play without an engine
  playback.current_sequence = sequence;
  playback.running = 1;
  playback.static_mode = 1;
  playback.single_id = id;
  playback.single_time = time;
  playback.single_style = style;
  playback.single_style_settings1 = style_settings1;
  playback.single_style_settings2 = style_settings2;
  playback.single_mode = 1;
  static_state(sequence).finished = 0;
  playback.tick_counter = 0;
  playback.typewriter_ticks = 0;
  playback.typewriter_letters = 0;
  frame_tick();
}

void single_credit_step() {
  if (playback.tick_counter > playback.single_time) {
    playback.tick_counter = 0;
    stop_playback();
    static_state(playback.current_sequence).finished = 1;
    playback.current_sequence = -1;
    return;
  }
  if (playback.single_style == plain_style) {
    draw_static_credit(playback.current_sequence, playback.single_id);
  } else if (playback.single_style == typewriter_style) {
    draw_typewriter(playback.current_sequence, playback.single_id);
  }
  count_frame(playback.tick_counter);
}

void draw_typewriter(int32_t sequence, int32_t id) {
  const StaticCredit &entry = static_credit(sequence, id);
  const char *credit = entry.credit.view();
  const int64_t length = static_cast<int64_t>(entry.credit.text.size());
  // A negative pace would never let the tick count fall to it; it means one
  // letter per frame, like 0.
  const int32_t pace = playback.single_style_settings1 < 0 ? 0 : playback.single_style_settings1;
  const int32_t sound = playback.single_style_settings2;

  ScreenSize screen;
  int32 width = 0;
  int32 height = 0;
  for (;;) {
    screen = screen_size();
    engine().GetTextExtent(entry.font, credit, &width, &height);
    if (sound >= 0 && length > playback.typewriter_letters && playback.typewriter_ticks == 0) {
      play_engine_sound(sound);
    }
    if (playback.typewriter_ticks <= pace) break;
    // The index grows past the text's end while the whole text stands, so a
    // text made longer during playback shows as far as the index has come.
    count_frame(playback.typewriter_letters);
    playback.typewriter_ticks = 0;
  }

  const int64_t shown = std::min<int64_t>(static_cast<int64_t>(playback.typewriter_letters) + 1, length);
  // The whole text is drawn from the store; only a part needs a copy.
  const char *shown_text =
      shown == length ? credit : shown_buffer.hold(std::string_view(credit, static_cast<std::size_t>(shown)));
  const int32_t x = place(entry.x_pos, screen.width, width);
  const int32_t y = place(entry.y_pos, screen.height, height);
  engine().DrawText(x, y, entry.font, entry.colour, const_cast<char *>(shown_text));
  count_frame(playback.typewriter_ticks);
}
