// Runs a credits script with the engine's meaning: ints of 32 bits that wrap
// (short and char as narrower ints), old-style strings of 200 bytes filled by
// StrCopy, StrCat and StrFormat (a `string` parameter is the caller's own
// buffer, and a plug-in's returned text may be written into),
// Wait(n) as the 3.6 engine waits (0 returns at once, a negative count waits
// for ever, more than 32767 waits 32767 frames), and the plug-in's functions
// called through the environment.
//
// Errors: what the game would hang or stop on (a negative Wait, the engine's
// limits on loops, nested calls and its stack, division by zero, an unknown
// StrFormat specifier), and work past the previewer's own bounds, raise
// ScriptError with the line of the statement.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "credits_script.h"
#include "engine_calls.h"
#include "game_defaults.h"

namespace rollwick_preview {

// The engine's limits (3.6.3): a script past one stops the game, so it stops
// the preview, in the engine's words.
// Backward jumps of loops between two frames, in all the loops of a run
// (not counted inside a `noloopcheck` function and what it calls).
constexpr int64_t ENGINE_LOOP_JUMPS = 150000;
// Script functions running at once, the event function the engine started
// among them. A function that is not an event function (play_credits) is
// counted as called from one, as games call it.
constexpr int ENGINE_NESTED_CALLS = 50;
// The script stack: values (parameters, return addresses, locals) and their bytes.
constexpr int ENGINE_STACK_VALUES = 256;
constexpr int ENGINE_STACK_BYTES = 4096;

// The previewer's own bounds, where no engine limit applies: statements run
// between two frames and in all (calls that fan out without loops; loops in
// `noloopcheck` functions), and blocks, expressions and calls nested at once
// (the interpreter's own stack).
constexpr int64_t MAX_STEPS_BETWEEN_FRAMES = 2000000;
constexpr int64_t MAX_STEPS = 10000000;
constexpr int MAX_RUN_NESTING = 1000;

// The functions the engine calls itself: the global script's and rooms' events.
bool is_event_function(const std::string &name);

// What a running script reaches.
class ScriptEnvironment {
 public:
  virtual ~ScriptEnvironment() = default;
  // Calls the plug-in's function; each text argument is passed as the
  // 200-byte buffer in `buffers` (null for the others). Returns the raw result.
  virtual intptr_t call_plugin(const Call &call, const std::vector<char *> &buffers) = 0;
  // Lets `frames` frames pass (1 or more).
  virtual void show_frames(int64_t frames) = 0;
  // Something the game's author should know about the statement at `line`.
  virtual void warn(int line, const std::string &message) = 0;
  // SetGameSpeed: the frames a second from the next frame on (already clamped).
  virtual void set_game_speed(int /*fps*/) {}
  virtual int game_speed() const { return DEFAULT_GAME_SPEED; }
  // PlayMusic(n), PlaySound(n) (kind music or sound, `clip` empty) or an
  // audio clip's Play ("aMusic1", kind music).
  virtual void play_audio(EngineCallKind /*kind*/, int32_t /*number*/, const std::string & /*clip*/, int /*line*/) {}
  // An engine call that does not change the credits' picture ("StartCutscene",
  // "mouse.Visible").
  virtual void not_previewed(const std::string & /*what*/, int /*line*/) {}
  // SetViewport(x, y) (`locked`) or ReleaseViewport(): where the room's
  // camera looks from the next frame on.
  virtual void set_viewport(bool /*locked*/, int32_t /*x*/, int32_t /*y*/) {}
  // GetViewportX() / GetViewportY(): the room's pixel at the screen's left or top.
  virtual int32_t viewport(bool /*y*/) const { return 0; }
};

// The function a script with no statements outside functions starts from:
// `requested` if given, else its only function, else play_credits.
// ScriptError when there is none to choose.
std::string entry_function(const Script &script, const std::string &requested);

// Runs the statements outside functions, then `entry` (when not empty);
// `functions` are the plug-in's, as the script was parsed against them.
void run_credits_script(const Script &script, const std::map<std::string, FunctionSignature> &functions,
                        const std::string &entry, ScriptEnvironment &environment);

}  // namespace rollwick_preview
