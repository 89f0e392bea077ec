#include "runner.h"

namespace rollwick_preview {

namespace {

struct FrameCapReached {};

class Runner {
 public:
  Runner(PluginSession &session, PreviewEngine &engine, const std::vector<FrameSink *> &sinks,
         const RunOptions &options)
      : session_(session), engine_(engine), sinks_(sinks), options_(options) {}

  void run(const std::vector<Statement> &statements) {
    for (const Statement &statement : statements) {
      switch (statement.kind) {
        case Statement::Kind::call:
          session_.call(statement.call);
          break;
        case Statement::Kind::wait:
          for (int32_t i = 0; i < statement.frames; ++i) show_frame();
          break;
        case Statement::Kind::loop:
          while (session_.call(statement.call) == 0) run(statement.body);
          break;
      }
    }
  }

 private:
  void show_frame() {
    if (engine_.frame >= options_.max_frames) throw FrameCapReached{};
    engine_.canvas.fill(options_.background);
    session_.screen_drawn();
    for (FrameSink *sink : sinks_) sink->frame(engine_.frame, engine_.canvas);
    engine_.frame += 1;
    if (options_.progress) options_.progress(engine_.frame);
  }

  PluginSession &session_;
  PreviewEngine &engine_;
  const std::vector<FrameSink *> &sinks_;
  const RunOptions &options_;
};

}  // namespace

RunResult run_script(const Script &script, PluginSession &session, PreviewEngine &engine,
                     const std::vector<FrameSink *> &sinks, const RunOptions &options) {
  RunResult result;
  Runner runner(session, engine, sinks, options);
  try {
    runner.run(script.statements);
  } catch (const FrameCapReached &) {
    result.capped = true;
  }
  result.frames = engine.frame;
  return result;
}

}  // namespace rollwick_preview
