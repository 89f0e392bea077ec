// What game scripts see of the plug-in: the header registered with the
// editor, and the table of the 16 script functions registered with the
// engine. Both list the functions in the same order.
#pragma once

constexpr int SCRIPT_FUNCTION_COUNT = 16;

struct ScriptFunction {
  const char *name;  // exactly as declared in the header
  void *handler;     // a C function taking and returning 32-bit values
};

// 16 import declarations, each line ending in CR LF.
extern const char script_header[];

extern const ScriptFunction script_function_table[SCRIPT_FUNCTION_COUNT];
