#include "runner.h"

#include <algorithm>
#include <set>
#include <utility>

#include "script_interpreter.h"

namespace rollwick_preview {

namespace {

struct FrameCapReached {};

class Runner : public ScriptEnvironment {
 public:
  Runner(PluginSession &session, PreviewEngine &engine, const std::vector<FrameSink *> &sinks,
         const RunOptions &options, RunResult &result)
      : session_(session), engine_(engine), sinks_(sinks), options_(options), result_(result) {
    result_.speeds.push_back({0, options.fps});
  }

  intptr_t call_plugin(const Call &call, const std::vector<char *> &buffers) override {
    const intptr_t result = session_.call_raw(call, buffers);
    const int32_t number = static_cast<int32_t>(result & 0xFFFFFFFF);
    // A wait on the plug-in ends when its Is...Finished answers yes.
    if (number != 0 && (call.name == "IsSequenceFinished" || call.name == "IsStaticSequenceFinished") &&
        engine_.frame > 0) {
      for (FrameSink *sink : sinks_) sink->wait_ended(engine_.frame - 1);
    }
    if (options_.on_call) options_.on_call(call, number);
    return result;
  }

  void show_frames(int64_t frames) override {
    for (int64_t i = 0; i < frames; ++i) show_frame();
  }

  void warn(int line, const std::string &message) override {
    if (options_.on_warning && warned_.insert({line, message}).second) options_.on_warning(line, message);
  }

  void set_game_speed(int fps) override {
    if (options_.fixed_fps || fps == result_.speeds.back().second) return;
    if (result_.speeds.back().first == engine_.frame) {
      result_.speeds.back().second = fps;
    } else {
      result_.speeds.push_back({engine_.frame, fps});
    }
  }

  int game_speed() const override { return result_.speeds.back().second; }

  void play_audio(EngineCallKind kind, int32_t number, const std::string &clip, int line) override {
    if (kind == EngineCallKind::sound) {
      engine_.sound_log.push_back({engine_.frame, number});
      return;
    }
    MusicStart start;
    start.frame = engine_.frame;
    start.clip = clip.empty() ? "music " + std::to_string(number) : clip;
    start.number = clip.empty() ? number : -1;
    start.line = line;
    result_.music.push_back(start);
  }

  void not_previewed(const std::string &what, int line) override { result_.not_previewed.insert({what, line}); }

 private:
  void show_frame() {
    if (engine_.frame >= options_.max_frames) throw FrameCapReached{};
    if (options_.background != nullptr) {
      engine_.canvas.pixels = options_.background->pixels;
    } else {
      engine_.canvas.fill(0);
    }
    session_.screen_drawn();
    const std::vector<uint32_t> &pixels = engine_.canvas.pixels;
    if (options_.background != nullptr ? pixels != options_.background->pixels
                                       : std::any_of(pixels.begin(), pixels.end(), [](uint32_t p) { return p != 0; })) {
      result_.last_visible_frame = engine_.frame;
    }
    for (FrameSink *sink : sinks_) sink->frame(engine_.frame, engine_.canvas);
    engine_.frame += 1;
    if (options_.progress) options_.progress(engine_.frame);
  }

  PluginSession &session_;
  PreviewEngine &engine_;
  const std::vector<FrameSink *> &sinks_;
  const RunOptions &options_;
  RunResult &result_;
  std::set<std::pair<int, std::string>> warned_;
};

}  // namespace

RunResult run_script(const Script &script, PluginSession &session, PreviewEngine &engine,
                     const std::vector<FrameSink *> &sinks, const RunOptions &options) {
  RunResult result;
  Runner runner(session, engine, sinks, options, result);
  const std::string entry = entry_function(script, options.entry);
  try {
    run_credits_script(script, session.functions(), entry, runner);
  } catch (const FrameCapReached &) {
    result.capped = true;
  }
  result.frames = engine.frame;
  return result;
}

double seconds_of(int64_t frames, const std::vector<std::pair<int64_t, int>> &speeds) {
  double seconds = 0;
  for (size_t i = 0; i < speeds.size() && speeds[i].first < frames; ++i) {
    const int64_t end = i + 1 < speeds.size() ? std::min(frames, speeds[i + 1].first) : frames;
    seconds += static_cast<double>(end - speeds[i].first) / speeds[i].second;
  }
  return seconds;
}

}  // namespace rollwick_preview
