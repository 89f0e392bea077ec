// The single playback state shared by the scrolling and the static players.
//
// One global record, `playback`, zero at load. Which player owns the playback
// follows from the flags: nothing (running clear), scrolling (running),
// static sequence (running + static_mode), single static credit (running +
// static_mode + single_mode). While `running` is clear the other three flags
// are clear too: every operation that clears it goes through `stop_playback`.
#pragma once

#include <cstdint>

struct PlaybackState {
  uint8_t running = 0;
  uint8_t paused = 0;
  uint8_t static_mode = 0;
  int32_t current_sequence = 0;  // -1 after a stop
  int32_t scroll_y = 0;          // screen y of the top of line 1
  int64_t pass_offset = 0;       // heights laid out so far in this pass; wide so sums stay exact
  int32_t step_counter = 0;      // frames since the scroll last moved
  int64_t sequence_height = 0;   // measured height of an automatic sequence
  int32_t tick_counter = 0;      // frames in the current timed phase
  int32_t current_static_id = 0;
  int32_t typewriter_letters = 0;  // index of the newest revealed letter
  int32_t typewriter_ticks = 0;    // frames the newest letter has been shown
  int32_t single_id = 0;
  int32_t single_time = 0;
  int32_t single_style = 0;
  int32_t single_style_settings1 = 0;
  int32_t single_style_settings2 = 0;
  uint8_t single_mode = 0;
};

extern PlaybackState playback;

// Clears `running` together with `paused`, `static_mode` and `single_mode`.
void stop_playback();

// Adds one to a frame counter, stopping at the largest int32 instead of wrapping.
void count_frame(int32_t &counter);
