#include "static_sequence.h"

#include <cstdint>
#include <limits>

#include "credit_store.h"
#include "frame_tick.h"
#include "placement.h"
#include "playback_state.h"
#include "plugin_state.h"
#include "static_drawing.h"

namespace {

int64_t text_length(const StoredText &text) {
  const auto size = text.text.size();
  return size > static_cast<std::size_t>(std::numeric_limits<int32_t>::max()) ? std::numeric_limits<int32_t>::max()
                                                                             : static_cast<int64_t>(size);
}

// Frames an entry is shown after its first: image time, or characters x speed
// computed wide and saturated so a long text never wraps to a negative time.
int32_t display_time(const StaticCredit &entry, int32_t speed) {
  if (entry.is_image) return entry.image_time;
  return clamp_to_int32((text_length(entry.title) + text_length(entry.credit)) * speed);
}

}  // namespace

void static_sequence_step() {
  const int32_t sequence = playback.current_sequence;
  const int32_t id = playback.current_static_id;
  const int32_t last = last_static_id(sequence);

  if (id > last) {
    static_state(sequence).finished = 1;
    stop_playback();
    playback.current_sequence = -1;
    playback.tick_counter = 0;
    playback.current_static_id = 1;
    return;
  }

  const StaticCredit &entry = static_credit(sequence, id);
  if (entry.pause_time > 0) {
    if (playback.tick_counter <= entry.pause_time) {
      count_frame(playback.tick_counter);
    } else {
      playback.tick_counter = 0;
      playback.current_static_id = id + 1;
    }
    return;
  }

  if (playback.tick_counter <= display_time(entry, static_state(sequence).speed)) {
    draw_static_credit(sequence, id);
    count_frame(playback.tick_counter);
    return;
  }

  playback.tick_counter = 0;
  playback.current_static_id = id + 1;
  // The next credit is on the screen on the frame the previous one leaves it.
  if (id + 1 <= last && static_credit(sequence, id + 1).pause_time <= 0) draw_static_credit(sequence, id + 1);
}

void RunStaticCreditSequence(int sequence, int speed) {
  // While anything plays the call stops it, whatever the number; only the
  // finished flag needs a sequence that exists.
  const bool known = sequence_in_range("RunStaticCreditSequence", sequence);
  if (playback.running) {
    stop_playback();
    playback.current_sequence = -1;
    if (known) static_state(sequence).finished = 0;
    playback.current_static_id = 0;
    playback.tick_counter = 0;
    return;
  }
  if (!known || host_links.engine_interface == nullptr) return;  // nothing can play without an engine

  static_state(sequence).finished = 0;
  static_state(sequence).speed = speed;
  playback.current_sequence = sequence;
  playback.static_mode = 1;
  playback.running = 1;
  playback.current_static_id = 1;
  playback.tick_counter = 0;
  frame_tick();
}

int IsStaticSequenceFinished(int sequence) {
  if (!sequence_in_range("IsStaticSequenceFinished", sequence)) return 0;
  StaticSequenceState &state = static_state(sequence);
  const int was_finished = state.finished ? 1 : 0;
  state.finished = 0;
  return was_finished;
}

int GetCurrentStaticCredit(int /*sequence: the id of whichever static sequence plays is returned*/) {
  return playback.running && playback.static_mode ? playback.current_static_id : -1;
}
