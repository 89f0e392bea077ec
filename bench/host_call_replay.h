// The floor of a frame's cost: the host calls one real frame makes, recorded
// once and replayed through a do-nothing host with nothing of the plug-in
// around them.
#pragma once

#include <string>
#include <vector>

#include "frame_cases.h"
#include "host_interface.h"

struct ReplayCall {
  enum class Method {
    get_screen_dimensions,
    get_text_extent,
    draw_text,
    blit_bitmap,
    get_sprite_graphic,
    get_sprite_width,
    get_sprite_height,
    get_bitmap_dimensions,
    print_debug_console,
    play_sound
  } method;
  int32 args[4] = {};
  std::string text;
};

// The calls of one steady-state frame of `frame_case`, against a recording
// host that answers as the do-nothing host does.
std::vector<ReplayCall> record_frame_calls(FrameCase frame_case);

// Makes the same calls on `engine`.
void replay_frame_calls(IAGSEngine &engine, const std::vector<ReplayCall> &calls);
