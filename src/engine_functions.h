// The engine's own script functions the plug-in looks up at start-up.
//
// Start-up refuses to go on unless all 119 exist. Only PlaySound is ever
// called: a plain C function taking the sound number. A test puts the table
// back with `engine_functions = EngineFunctions{}`.
#pragma once

#include <string>

constexpr int ENGINE_FUNCTION_COUNT = 119;
constexpr int PLAY_SOUND_INDEX = 65;  // the 66th name

extern const char *const engine_function_names[ENGINE_FUNCTION_COUNT];

struct EngineFunctions {
  void *address[ENGINE_FUNCTION_COUNT] = {};
};

extern EngineFunctions engine_functions;

using PlaySoundFunction = void (*)(int sound);

// Calls the engine's PlaySound with `sound`.
void play_engine_sound(int sound);

// Looks up every name in list order and writes every entry. Returns false if
// any is missing, after appending "Missing functions: " and the missing names,
// comma-separated, to `message`; leaves `message` alone otherwise.
bool lookup_engine_functions(std::string &message);
