// Plays a credits script through the plug-in, a frame at a time, and hands
// every finished frame to the outputs.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
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
  std::string entry;            // the function to run; empty: see entry_function
  const rollwick_host::Canvas *background = nullptr;  // the screen under the credits; black without one
  std::function<void(int64_t frames)> progress;       // after every frame
  std::function<void(const Call &call, int32_t result)> on_call;  // after every call of the plug-in
  std::function<void(int line, const std::string &message)> on_warning;  // once a line and message
};

struct RunResult {
  int64_t frames = 0;
  bool capped = false;  // stopped by max_frames before the script ended
};

// Runs the script: calls go to the plug-in, Wait(n) shows n frames. A frame
// is the screen cleared to the background, then the post-screen-draw event,
// as the engine does it. ScriptError when the script goes wrong as it runs.
RunResult run_script(const Script &script, PluginSession &session, PreviewEngine &engine,
                     const std::vector<FrameSink *> &sinks, const RunOptions &options);

}  // namespace rollwick_preview
