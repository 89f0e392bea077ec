#include "runner.h"

#include <set>
#include <utility>

#include "script_interpreter.h"

namespace rollwick_preview {

namespace {

struct FrameCapReached {};

class Runner : public ScriptEnvironment {
 public:
  Runner(PluginSession &session, PreviewEngine &engine, const std::vector<FrameSink *> &sinks,
         const RunOptions &options)
      : session_(session), engine_(engine), sinks_(sinks), options_(options) {}

  intptr_t call_plugin(const Call &call, const std::vector<char *> &buffers) override {
    const intptr_t result = session_.call_raw(call, buffers);
    if (options_.on_call) options_.on_call(call, static_cast<int32_t>(result & 0xFFFFFFFF));
    return result;
  }

  void show_frames(int64_t frames) override {
    for (int64_t i = 0; i < frames; ++i) show_frame();
  }

  void warn(int line, const std::string &message) override {
    if (options_.on_warning && warned_.insert({line, message}).second) options_.on_warning(line, message);
  }

 private:
  void show_frame() {
    if (engine_.frame >= options_.max_frames) throw FrameCapReached{};
    if (options_.background != nullptr) {
      engine_.canvas.pixels = options_.background->pixels;
    } else {
      engine_.canvas.fill(0);
    }
    session_.screen_drawn();
    for (FrameSink *sink : sinks_) sink->frame(engine_.frame, engine_.canvas);
    engine_.frame += 1;
    if (options_.progress) options_.progress(engine_.frame);
  }

  PluginSession &session_;
  PreviewEngine &engine_;
  const std::vector<FrameSink *> &sinks_;
  const RunOptions &options_;
  std::set<std::pair<int, std::string>> warned_;
};

}  // namespace

RunResult run_script(const Script &script, PluginSession &session, PreviewEngine &engine,
                     const std::vector<FrameSink *> &sinks, const RunOptions &options) {
  RunResult result;
  Runner runner(session, engine, sinks, options);
  const std::string entry = entry_function(script, options.entry);
  try {
    run_credits_script(script, session.functions(), entry, runner);
  } catch (const FrameCapReached &) {
    result.capped = true;
  }
  result.frames = engine.frame;
  return result;
}

}  // namespace rollwick_preview
