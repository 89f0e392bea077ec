#include "engine_calls.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace rollwick_preview {

namespace {

using K = EngineCallKind;

const EngineFunction functions[] = {
    {"WaitKey", K::waits, 1, 1, true},
    {"WaitMouseKey", K::waits, 1, 1, true},
    {"WaitMouse", K::waits, 1, 1, true},
    {"PlayMusic", K::music, 1, 1, false},
    {"PlaySound", K::sound, 1, 1, true},
    {"SetGameSpeed", K::game_speed, 1, 1, false},
    {"GetGameSpeed", K::get_game_speed, 0, 0, true},
    {"IsKeyPressed", K::answers_zero, 1, 1, true},
    {"IsButtonDown", K::answers_zero, 1, 1, true},
    {"IsGamePaused", K::answers_zero, 0, 0, true},
    {"IsInterfaceEnabled", K::answers_zero, 0, 0, true},
    {"GetGlobalInt", K::answers_zero, 1, 1, true},
    {"QuitGame", K::ends_game, 1, 1, false},
    {"RestartGame", K::ends_game, 0, 0, false},
    {"Display", K::shows_something, 1, 20, false},
    {"DisplayAt", K::shows_something, 4, 20, false},
    {"DisplayAtY", K::shows_something, 2, 20, false},
    {"DisplayMessage", K::shows_something, 1, 1, false},
    {"DisplayTopBar", K::shows_something, 5, 20, false},
    {"DisplaySpeech", K::shows_something, 2, 20, false},
    {"DisplayThought", K::shows_something, 2, 20, false},
    {"FadeIn", K::shows_something, 1, 1, false},
    {"FadeOut", K::shows_something, 1, 1, false},
    {"ShakeScreen", K::shows_something, 1, 1, false},
    {"TintScreen", K::shows_something, 3, 3, false},
    {"SetFadeColor", K::shows_something, 3, 3, false},
    {"FlipScreen", K::shows_something, 1, 1, false},
    {"SetViewport", K::viewport, 2, 2, false},
    {"ReleaseViewport", K::viewport, 0, 0, false},
    {"GetViewportX", K::viewport, 0, 0, true},
    {"GetViewportY", K::viewport, 0, 0, true},
    {"HideMouseCursor", K::not_previewed, 0, 0, false},
    {"ShowMouseCursor", K::not_previewed, 0, 0, false},
    {"SetMouseCursor", K::not_previewed, 1, 1, false},
    {"SetDefaultCursor", K::not_previewed, 0, 0, false},
    {"SetCursorMode", K::not_previewed, 1, 1, false},
    {"DisableCursorMode", K::not_previewed, 1, 1, false},
    {"EnableCursorMode", K::not_previewed, 1, 1, false},
    {"StartCutscene", K::not_previewed, 1, 1, false},
    {"EndCutscene", K::not_previewed, 0, 0, true},
    {"DisableInterface", K::not_previewed, 0, 0, false},
    {"EnableInterface", K::not_previewed, 0, 0, false},
    {"SetGlobalInt", K::not_previewed, 2, 2, false},
    {"SetTimer", K::not_previewed, 2, 2, false},
    {"StopMusic", K::not_previewed, 0, 0, false},
    {"SetMusicVolume", K::not_previewed, 1, 1, false},
    {"SetMusicMasterVolume", K::not_previewed, 1, 1, false},
    {"SetSoundVolume", K::not_previewed, 1, 1, false},
    {"SetDigitalMasterVolume", K::not_previewed, 1, 1, false},
    {"SetMusicRepeat", K::not_previewed, 1, 1, false},
    {"StopAmbientSound", K::not_previewed, 1, 1, false},
    {"SetMultitaskingMode", K::not_previewed, 1, 1, false},
    {"SetSkipSpeech", K::not_previewed, 1, 1, false},
    {"SetSpeechStyle", K::not_previewed, 1, 1, false},
    {"SetRestartPoint", K::not_previewed, 0, 0, false},
    {"ClaimEvent", K::not_previewed, 0, 0, false},
    {"Debug", K::not_previewed, 2, 2, false},
    {"SetGameOption", K::not_previewed, 2, 2, true},
    {"PauseGame", K::not_previewed, 0, 0, false},
    {"UnPauseGame", K::not_previewed, 0, 0, false},
    {"SetTextWindowGUI", K::not_previewed, 1, 1, false},
    {"SetNormalFont", K::not_previewed, 1, 1, false},
    {"SetSpeechFont", K::not_previewed, 1, 1, false},
};

// Methods that put something on the screen the previewer does not draw.
const char *const showing_methods[] = {"Say", "SayAt", "SayBackground", "Think", "Display", "Animate",
                                      "FaceLocation", "Walk", "Move", "ChangeRoom", "SetPosition",
                                      "Tint", "Show", "Shake"};

const char *const playing_methods[] = {"Play", "PlayFrom", "PlayQueued"};

}  // namespace

const EngineFunction *find_engine_function(const std::string &name) {
  for (const EngineFunction &function : functions) {
    if (name == function.name) return &function;
  }
  return nullptr;
}

EngineCallKind engine_method_kind(const std::string &method) {
  for (const char *name : playing_methods) {
    if (method == name) return K::music;
  }
  for (const char *name : showing_methods) {
    if (method == name) return K::shows_something;
  }
  return K::not_previewed;
}

int clamp_game_speed(int64_t speed) { return static_cast<int>(std::min<int64_t>(1000, std::max<int64_t>(10, speed))); }

}  // namespace rollwick_preview
