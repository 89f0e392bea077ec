// The tokens of a credits script: names, numbers, string literals and the
// symbols of AGS script's expressions and statements. Comments, white space
// and a leading UTF-8 byte-order mark are skipped.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace rollwick_preview {

struct Token {
  enum class Kind { identifier, number, real, text, symbol, end } kind = Kind::end;
  std::string text;    // identifier, symbol, the decoded string, or a real number as written
  int64_t number = 0;  // number (a character literal is its code)
  int line = 1;
  int column = 1;
};

// How a token reads in a message ("'while'", "the number 5", "a string").
// Every token the engine's compiler knows is read, so that code the
// previewer only skips (structs, new-style objects, floats) never stops it.
std::string describe(const Token &token);

// The most tokens a file gives, its macros expanded: ten times a game
// script of a megabyte, and what keeps a file's tokens to about 100 MB.
constexpr size_t MAX_SCRIPT_TOKENS = 1000000;
// What is said of a file past it.
std::string too_many_tokens();

// The tokens of `source`, ending with one of Kind::end; ScriptError when a
// string or comment is not closed, an escape is unknown, a character
// belongs to no token or there are more than MAX_SCRIPT_TOKENS.
std::vector<Token> read_tokens(const std::string &file, const std::string &source);

}  // namespace rollwick_preview
