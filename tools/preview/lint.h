// Warnings about a credits script, found before it runs: things that will
// not show the way the author most likely meant.
#pragma once

#include <string>
#include <vector>

#include "credits_script.h"
#include "rendering_host.h"

namespace rollwick_preview {

struct Warning {
  int line = 0;
  std::string message;
};

// Checks every call against the plug-in's rules and the fonts, sprites and
// screen of `engine`.
std::vector<Warning> lint_script(const Script &script, const std::map<std::string, FunctionSignature> &functions,
                                 const rollwick_host::RenderingEngine &engine);

}  // namespace rollwick_preview
