// The credits script as AGS script code to paste into a game.
#pragma once

#include <string>

#include "credits_script.h"

namespace rollwick_preview {

std::string emit_ags(const Script &script);

}  // namespace rollwick_preview
