#include "playback_state.h"

#include <limits>

PlaybackState playback;

void stop_playback() {
  playback.running = 0;
  playback.paused = 0;
  playback.static_mode = 0;
  playback.single_mode = 0;
}

void count_frame(int32_t &counter) {
  if (counter < std::numeric_limits<int32_t>::max()) counter += 1;
}
