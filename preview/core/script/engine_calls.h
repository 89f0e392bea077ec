// The engine's own script functions that credits code calls around the
// plug-in's, and what the previewer does with each. Everything the engine
// has beyond these is refused by name where it would run.
#pragma once

#include <string>

namespace rollwick_preview {

enum class EngineCallKind {
  waits,            // WaitKey(n), WaitMouseKey(n), WaitMouse(n): n frames pass (no input comes)
  not_previewed,    // runs in the game without changing the credits' picture: listed once
  shows_something,  // Display and the like: a warning, as the previewer does not draw it
  music,            // PlayMusic(n): the game's music clip n under a video
  sound,            // PlaySound(n): the game's sound n, at this frame
  game_speed,       // SetGameSpeed(n)
  get_game_speed,   // GetGameSpeed()
  answers_zero,     // IsKeyPressed, IsButtonDown, ...: no input reaches the preview
  ends_game,        // QuitGame, RestartGame: the credits end here
  viewport,         // SetViewport(x, y), ReleaseViewport(), GetViewportX(), GetViewportY(): the room's camera
};

struct EngineFunction {
  const char *name;
  EngineCallKind kind;
  int min_arguments;
  int max_arguments;
  bool returns_int;
};

// The function of that name, or null.
const EngineFunction *find_engine_function(const std::string &name);

// What a method call on an engine object ("cEgo.Say", "aMusic.Play") does.
EngineCallKind engine_method_kind(const std::string &method);

// The engine's clamp of a game speed: 10 to 1000 frames a second.
int clamp_game_speed(int64_t speed);

}  // namespace rollwick_preview
