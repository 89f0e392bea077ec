// Plays a credits script through the plug-in, a frame at a time, and hands
// every finished frame to the outputs.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "canvas.h"
#include "credits_script.h"
#include "plugin_session.h"

namespace rollwick_preview {

class FrameSink {
 public:
  virtual ~FrameSink() = default;
  virtual void frame(int64_t index, const rollwick_host::Canvas &canvas) = 0;
};

struct RunOptions {
  int64_t max_frames = 100000;  // a safety cap for scripts that never end
  uint32_t background = 0x000000;
  std::function<void(int64_t frames)> progress;  // after every frame
};

struct RunResult {
  int64_t frames = 0;
  bool capped = false;  // stopped by max_frames before the script ended
};

// Runs the statements: calls go to the plug-in, Wait(n) shows n frames, a
// loop repeats while its condition returns 0. A frame is the screen cleared
// to the background, then the post-screen-draw event, as the engine does it.
RunResult run_script(const Script &script, PluginSession &session, PreviewEngine &engine,
                     const std::vector<FrameSink *> &sinks, const RunOptions &options);

}  // namespace rollwick_preview
