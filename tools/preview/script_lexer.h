// The tokens of a credits script: names, numbers, string literals and the
// symbols of AGS script's expressions and statements. Comments, white space
// and a leading UTF-8 byte-order mark are skipped.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace rollwick_preview {

struct Token {
  enum class Kind { identifier, number, text, symbol, end } kind = Kind::end;
  std::string text;    // identifier, symbol, or the decoded string
  int64_t number = 0;  // number
  int line = 1;
  int column = 1;
};

// How a token reads in a message ("'while'", "the number 5", "a string").
std::string describe(const Token &token);

// The tokens of `source`, ending with one of Kind::end; ScriptError when a
// string or comment is not closed, an escape is unknown or a character
// belongs to no token.
std::vector<Token> read_tokens(const std::string &file, const std::string &source);

}  // namespace rollwick_preview
