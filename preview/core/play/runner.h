// Plays a credits script through the plug-in, a frame at a time, and hands
// every finished frame to the outputs.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "canvas.h"
#include "credits_script.h"
#include "game_defaults.h"
#include "plugin_session.h"

namespace rollwick_preview {

class FrameSink {
 public:
  virtual ~FrameSink() = default;
  virtual void frame(int64_t index, const rollwick_host::Canvas &canvas) = 0;
  // The frame `index` was the last of a wait on the plug-in (a loop on
  // Is...Finished ended after it).
  virtual void wait_ended(int64_t /*index*/) {}
};

// The built-in cap for a script that would play on: 2,500 s at 40 frames a second.
constexpr int64_t FRAME_CAP = 100000;

// The room the credits play in: its background in the game's colours, its
// size (which bounds the camera) and the point the camera follows unless a
// script holds it (where the player character starts).
struct RoomView {
  rollwick_host::Canvas picture;
  int width = 0;
  int height = 0;
  int follow_x = 0;
  int follow_y = 0;
};

// The part of a room the screen shows: the camera is as large as the room,
// at most the screen, and stays inside the room.
struct Camera {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};
Camera camera_on(const RoomView &room, int screen_width, int screen_height, bool locked, int64_t x, int64_t y);

struct RunOptions {
  int64_t max_frames = FRAME_CAP;  // stop here
  std::string entry;               // the function to run; empty: see entry_function
  int fps = DEFAULT_GAME_SPEED;    // the game's speed at the start
  bool fixed_fps = false;          // the speed was given: SetGameSpeed does not change it
  const rollwick_host::Canvas *background = nullptr;  // the screen under the credits; black without one
  const RoomView *room = nullptr;  // the room under the credits, where there is no background
  std::function<void(int64_t frames)> progress;       // after every frame
  // After every call of the plug-in; may throw ScriptError to stop the run.
  std::function<void(const Call &call, int32_t result)> on_call;
  std::function<void(int line, const std::string &message)> on_warning;  // once a line and message
};

// A clip the script started (PlayMusic(n), aClip.Play()).
struct MusicStart {
  int64_t frame = 0;
  std::string clip;  // "aMusic3", or "music 3" for PlayMusic(3)
  int32_t number = -1;
  int line = 0;
};

struct RunResult {
  int64_t frames = 0;
  bool capped = false;  // stopped by max_frames before the script ended
  std::vector<std::pair<int64_t, int>> speeds;  // from this frame on, this many frames a second
  std::map<std::string, int> not_previewed;     // engine calls the preview leaves out, and their first line
  std::vector<MusicStart> music;
  int64_t last_visible_frame = -1;  // the last frame that differs from the empty screen
};

// Runs the script: calls go to the plug-in, Wait(n) shows n frames. A frame
// is the screen cleared to the background, then the post-screen-draw event,
// as the engine does it. ScriptError when the script goes wrong as it runs.
RunResult run_script(const Script &script, PluginSession &session, PreviewEngine &engine,
                     const std::vector<FrameSink *> &sinks, const RunOptions &options);

// Seconds that `frames` frames last from the start, at the speeds given.
double seconds_of(int64_t frames, const std::vector<std::pair<int64_t, int>> &speeds);

}  // namespace rollwick_preview
