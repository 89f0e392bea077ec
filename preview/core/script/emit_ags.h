// The credits script as AGS script code to paste into a game.
#pragma once

#include <string>

#include "credits_script.h"

namespace rollwick_preview {

// Statements outside functions go into a function named `function` (by
// default play_credits); `note`, when given, is a comment line at the top.
std::string emit_ags(const Script &script, const std::string &function = "", const std::string &note = "");

}  // namespace rollwick_preview
