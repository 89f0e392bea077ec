// Whether a script's bytes are in the game's text encoding. The editor saves
// scripts in the game's encoding (UTF-8, or the ANSI code page of the
// author's Windows); a script in the other one draws its accented letters
// wrongly, with no error anywhere.
#pragma once

#include <string>
#include <vector>

#include "credits_script.h"

namespace rollwick_preview {

// A warning for `text` when it does not decode as the game reads it, or
// empty: in a UTF-8 game, bytes that are not UTF-8; in an ANSI game, a
// script that is valid UTF-8 and holds letters of several bytes. `line` is
// set to the first line affected.
std::string encoding_problem(const std::string &text, bool utf8_game, int &line);

// The same for a script and the game's headers, once a file.
struct EncodingWarning {
  std::string file;
  int line = 0;
  std::string message;
};
std::vector<EncodingWarning> encoding_problems(const ScriptSource &script, const std::vector<ScriptSource> &headers,
                                               bool utf8_game);

}  // namespace rollwick_preview
