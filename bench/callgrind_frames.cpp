// Runs frames of one case for callgrind, which counts instructions only
// between the start and stop requests (run it with --instr-atstart=no):
//   callgrind-frames CASE FRAMES          the plug-in's frames
//   callgrind-frames floor:CASE FRAMES    the same host calls replayed
#include <valgrind/callgrind.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "frame_cases.h"
#include "host_call_replay.h"
#include "null_host.h"

int main(int argc, char **argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: callgrind-frames [floor:]CASE FRAMES\ncases:");
    for (FrameCase frame_case : all_frame_cases()) std::fprintf(stderr, " %s", frame_case_name(frame_case));
    std::fprintf(stderr, "\n");
    return 2;
  }
  std::string name = argv[1];
  const bool floor = name.rfind("floor:", 0) == 0;
  if (floor) name = name.substr(6);
  const long frames = std::atol(argv[2]);
  for (FrameCase frame_case : all_frame_cases()) {
    if (name != frame_case_name(frame_case)) continue;
    rollwick_host::NullEngine engine;
    if (floor) {
      const std::vector<ReplayCall> calls = record_frame_calls(frame_case);
      CALLGRIND_START_INSTRUMENTATION;
      for (long i = 0; i < frames; ++i) {
        before_frame(frame_case);
        replay_frame_calls(engine, calls);
      }
      CALLGRIND_STOP_INSTRUMENTATION;
    } else {
      set_up_frame_case(frame_case, engine);
      CALLGRIND_START_INSTRUMENTATION;
      for (long i = 0; i < frames; ++i) {
        before_frame(frame_case);
        run_frame();
      }
      CALLGRIND_STOP_INSTRUMENTATION;
    }
    return 0;
  }
  std::fprintf(stderr, "callgrind-frames: no case %s\n", name.c_str());
  return 2;
}
