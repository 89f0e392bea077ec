#include "frame_cases.h"

#include <limits>

#include "credit_store.h"
#include "engine_functions.h"
#include "playback_state.h"
#include "plugin_entry.h"
#include "plugin_state.h"
#include "scroll_control.h"
#include "single_credit.h"

namespace {

// The column stands so that lines 51 to 70 are on the screen.
constexpr int32_t roll_top = -500;

}  // namespace

const std::vector<FrameCase> &all_frame_cases() {
  static const std::vector<FrameCase> cases = {FrameCase::plain_roll, FrameCase::leader_roll,
                                               FrameCase::multi_line_static, FrameCase::typewriter};
  return cases;
}

const char *frame_case_name(FrameCase frame_case) {
  switch (frame_case) {
    case FrameCase::plain_roll: return "plain_roll_100_lines";
    case FrameCase::leader_roll: return "leader_roll_100_lines";
    case FrameCase::multi_line_static: return "static_title_and_20_lines";
    case FrameCase::typewriter: return "typewriter_200_letters";
  }
  return "?";
}

void set_up_frame_case(FrameCase frame_case, IAGSEngine &engine) {
  reset_plugin_state();
  AGS_EngineStartup(&engine);

  switch (frame_case) {
    case FrameCase::plain_roll:
    case FrameCase::leader_roll:
      for (int line = 1; line <= 100; ++line) {
        const std::string name = "Name number " + std::to_string(line);
        const std::string text = frame_case == FrameCase::plain_roll ? name : "Role " + std::to_string(line) + "<.>" + name;
        SetCredit(1, line, text.c_str(), frame_case == FrameCase::plain_roll ? -1 : 10, 0, 15);
      }
      SequenceSettings(1, roll_top, -100000, 0, 0, 0);
      RunCreditSequence(1);
      break;
    case FrameCase::multi_line_static: {
      std::string text = "Line 1";
      for (int line = 2; line <= 21; ++line) text += " [[ Line " + std::to_string(line);
      SetStaticCreditTitle(1, 1, "Special thanks", -1, 10, 0, 14);
      SetStaticCredit(1, 1, text.c_str(), -1, -1, 0, 15);
      ShowStaticCredit(1, 1, std::numeric_limits<int>::max(), 0, 0, -1);
      break;
    }
    case FrameCase::typewriter:
      SetStaticCredit(1, 1, std::string(200, 'x').c_str(), -1, -1, 0, 15);
      ShowStaticCredit(1, 1, std::numeric_limits<int>::max(), 1, 0, 3);
      for (int frame = 0; frame < 250; ++frame) run_frame();  // every letter revealed
      break;
  }
  before_frame(frame_case);
}

void before_frame(FrameCase frame_case) {
  if (frame_case == FrameCase::plain_roll || frame_case == FrameCase::leader_roll) {
    playback.scroll_y = roll_top;
    playback.step_counter = 0;
  }
}

void run_frame() { AGS_EngineOnEvent(AGSE_POSTSCREENDRAW, 0); }
