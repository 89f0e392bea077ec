// Runs a credits script with the engine's meaning: ints of 32 bits that wrap
// (short and char as narrower ints), old-style strings of 200 bytes filled by
// StrCopy, StrCat and StrFormat (a `string` parameter is the caller's own
// buffer, and a plug-in's returned text may be written into),
// Wait(n) as the 3.6 engine waits (0 returns at once, a negative count waits
// for ever, more than 32767 waits 32767 frames), and the plug-in's functions
// called through the environment.
//
// Errors: what the game would hang or stop on (a negative Wait, a loop that
// never lets a frame pass, endless recursion, division by zero, an unknown
// StrFormat specifier) raises ScriptError with the line of the statement.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "credits_script.h"
#include "engine_calls.h"

namespace rollwick_preview {

// A loop may pass this many times without a frame passing before the run
// stops as the game would hang.
constexpr int64_t MAX_LOOPS_WITHOUT_A_FRAME = 1000000;

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
  // Before every statement; an environment may stop a run that goes on too
  // long by throwing from here.
  virtual void step() {}
  // Passes a loop may make without a frame passing before the run stops.
  virtual int64_t loop_limit() const { return MAX_LOOPS_WITHOUT_A_FRAME; }
  // SetGameSpeed: the frames a second from the next frame on (already clamped).
  virtual void set_game_speed(int /*fps*/) {}
  virtual int game_speed() const { return 40; }
  // PlayMusic(n), PlaySound(n) (kind music or sound, `clip` empty) or an
  // audio clip's Play ("aMusic1", kind music).
  virtual void play_audio(EngineCallKind /*kind*/, int32_t /*number*/, const std::string & /*clip*/, int /*line*/) {}
  // An engine call that does not change the credits' picture ("StartCutscene",
  // "mouse.Visible").
  virtual void not_previewed(const std::string & /*what*/, int /*line*/) {}
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
