#include "scroll_control.h"

#include "credit_store.h"
#include "frame_tick.h"
#include "placement.h"
#include "playback_state.h"
#include "plugin_state.h"
#include "scroll_pass.h"

void scrolling_frame() {
  const int32_t sequence = playback.current_sequence;
  ScrollSettings &settings = scroll_settings(sequence);
  const int64_t end = settings.automatic == 1 ? -playback.sequence_height : settings.endpoint;

  if (playback.scroll_y >= end) {
    scroll_pass();
    return;
  }
  if (settings.endwait > 0 && playback.tick_counter <= settings.endwait) {
    playback.paused = 1;
    scroll_pass();
    count_frame(playback.tick_counter);
    return;
  }
  playback.tick_counter = 0;
  stop_playback();
  settings.finished = 1;
}

void scroll_step(int32_t sequence) {
  const int32_t speed = scroll_settings(sequence).speed;
  // A speed lowered below the counter during playback makes the step due at
  // once; a negative speed never moves the column.
  if (speed >= 0 && playback.step_counter >= speed) {
    const int64_t moved = static_cast<int64_t>(playback.scroll_y) - scale_coordinate(1);
    playback.scroll_y = clamp_to_int32(moved);
    playback.step_counter = 0;
  } else {
    count_frame(playback.step_counter);
  }
}

void RunCreditSequence(int sequence) {
  // While anything plays the call stops it, whatever the number; only the
  // finished flag needs a sequence that exists.
  const bool known = sequence_in_range("RunCreditSequence", sequence);
  if (playback.running) {
    stop_playback();
    playback.current_sequence = -1;
    if (known) scroll_settings(sequence).finished = 1;
    return;
  }
  if (!known || host_links.engine_interface == nullptr) return;  // nothing can play without an engine
  ScrollSettings &settings = scroll_settings(sequence);

  settings.finished = 0;
  playback.running = 1;
  playback.current_sequence = sequence;
  const int32_t screen_height = screen_size().height;
  if (settings.automatic == 1) {
    measure_sequence_height(sequence);
    playback.scroll_y = clamp_to_int32(static_cast<int64_t>(screen_height) + 1);
  } else {
    playback.scroll_y = settings.startpoint;
  }
  playback.step_counter = 0;
  playback.tick_counter = 0;
  frame_tick();
}

void PauseScrolling() {
  if (playback.running) playback.paused = playback.paused ? 0 : 1;
}

int IsSequenceFinished(int sequence) {
  if (!sequence_in_range("IsSequenceFinished", sequence)) return 0;
  ScrollSettings &settings = scroll_settings(sequence);
  if (!settings.finished) return 0;
  settings.finished = 0;
  return 1;
}
