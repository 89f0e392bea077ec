// The four frames the plug-in's cost is measured on, set up through the
// script functions on any engine:
//   plain_roll         a scrolling sequence of 100 plain text lines
//   leader_roll        100 lines, all with the dotted-leader marker
//   multi_line_static  a static credit with a title and 20 "[[" lines
//   typewriter         a typewriter credit of 200 letters, fully revealed
// Every measured frame is the same frame: a roll's column is put back before
// each one.
#pragma once

#include <string>
#include <vector>

#include "host_interface.h"

enum class FrameCase { plain_roll, leader_roll, multi_line_static, typewriter };

const std::vector<FrameCase> &all_frame_cases();
const char *frame_case_name(FrameCase frame_case);

// Puts every plug-in record back to its load-time value, starts `engine`,
// fills and starts the case and runs it into its steady state.
void set_up_frame_case(FrameCase frame_case, IAGSEngine &engine);

// Makes the next frame the same as the last; call before each frame.
void before_frame(FrameCase frame_case);

// One post-screen-draw event, as the engine sends it.
void run_frame();
