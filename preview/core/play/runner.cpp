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

  void set_viewport(bool locked, int32_t x, int32_t y) override {
    locked_ = locked;
    locked_x_ = x;
    locked_y_ = y;
  }

  int32_t viewport(bool y) const override {
    if (options_.room == nullptr) return 0;
    const Camera now = camera();
    return y ? now.y : now.x;
  }

 private:
  // Where the camera is now; only with a room.
  Camera camera() const {
    return camera_on(*options_.room, engine_.canvas.width, engine_.canvas.height, locked_, locked_x_, locked_y_);
  }

  // The screen before the plug-in draws: the background, the room seen
  // through its camera, or black.
  const rollwick_host::Canvas *screen_under() {
    if (options_.background != nullptr) return options_.background;
    if (options_.room == nullptr) return nullptr;
    const Camera now = camera();
    if (room_shown_ && now.x == shown_.x && now.y == shown_.y) return &room_screen_;
    room_shown_ = true;
    shown_ = now;
    const rollwick_host::Canvas &picture = options_.room->picture;
    room_screen_ = rollwick_host::Canvas(engine_.canvas.width, engine_.canvas.height);
    for (int y = 0; y < now.height; ++y) {
      const int from_y = now.y + y;
      if (from_y >= picture.height) break;
      for (int x = 0; x < now.width && now.x + x < picture.width; ++x) {
        room_screen_.put(x, y, picture.at(now.x + x, from_y));
      }
    }
    return &room_screen_;
  }

  void show_frame() {
    if (engine_.frame >= options_.max_frames) throw FrameCapReached{};
    const rollwick_host::Canvas *under = screen_under();
    if (under != nullptr) {
      engine_.canvas.pixels = under->pixels;
    } else {
      engine_.canvas.fill(0);
    }
    session_.screen_drawn();
    const std::vector<uint32_t> &pixels = engine_.canvas.pixels;
    if (under != nullptr ? pixels != under->pixels
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
  bool locked_ = false;  // SetViewport holds the camera at (locked_x_, locked_y_)
  int32_t locked_x_ = 0;
  int32_t locked_y_ = 0;
  bool room_shown_ = false;
  Camera shown_;
  rollwick_host::Canvas room_screen_;
};

}  // namespace

Camera camera_on(const RoomView &room, int screen_width, int screen_height, bool locked, int64_t x, int64_t y) {
  Camera camera;
  camera.width = std::max(1, std::min(room.width, screen_width));
  camera.height = std::max(1, std::min(room.height, screen_height));
  if (!locked) {
    x = static_cast<int64_t>(room.follow_x) - camera.width / 2;
    y = static_cast<int64_t>(room.follow_y) - camera.height / 2;
  }
  camera.x = static_cast<int>(std::max<int64_t>(0, std::min<int64_t>(x, room.width - camera.width)));
  camera.y = static_cast<int>(std::max<int64_t>(0, std::min<int64_t>(y, room.height - camera.height)));
  return camera;
}

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
