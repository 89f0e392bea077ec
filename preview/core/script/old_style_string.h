// A game's old-style `string`: a buffer of 200 bytes that StrCopy fills with
// at most 199 bytes of text and a terminator.
#pragma once

#include <cstddef>
#include <string>

#include "credit_store.h"  // the plug-in's own size of it

namespace rollwick_preview {

using ::OLD_STYLE_STRING_SIZE;

// Fills `buffer` (OLD_STYLE_STRING_SIZE bytes) from `text` as StrCopy does.
void old_style_copy(char *buffer, const std::string &text);

// The warning for a text longer than such a string holds, or empty.
std::string old_style_string_warning(const std::string &text);

}  // namespace rollwick_preview
