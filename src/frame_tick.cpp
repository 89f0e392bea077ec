#include "frame_tick.h"

#include "playback_state.h"
#include "plugin_state.h"
#include "scroll_control.h"
#include "single_credit.h"
#include "static_sequence.h"

void frame_tick() {
  if (!playback.running || host_links.engine_interface == nullptr) return;
  if (playback.static_mode) {
    if (playback.single_mode) {
      single_credit_step();
    } else {
      static_sequence_step();
    }
    return;
  }
  scrolling_frame();
}
