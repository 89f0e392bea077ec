// The game script's preprocessor, as the 3.6 editor runs it before the
// compiler: #define (a constant or any text), #undef, #ifdef/#ifndef/#else/
// #endif, #ifver/#ifnver (against the 3.6.3 engine), #error, and the
// #region/#endregion and #sectionstart/#sectionend lines that only mark code.
//
// Directive lines, and the lines a condition leaves out, become empty lines,
// so line numbers stay as the author sees them. A macro applies from the line
// after its #define to its #undef; expand_macros puts its tokens in place of
// each use, at the place of the use.
//
// Errors: an unknown directive, #else or #endif without an #if, an #if left
// open at the end of the file, or an active #error raise ScriptError.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "script_lexer.h"

namespace rollwick_preview {

// What a macro stands for, shared by every table that holds it.
using MacroBody = std::shared_ptr<const std::vector<Token>>;
using Macros = std::map<std::string, MacroBody>;

// A name defined (or undefined) from a line on.
struct MacroChange {
  int line = 0;  // takes effect for tokens after this line
  std::string name;
  bool defined = true;
  MacroBody tokens;  // what the name stands for
};

struct Preprocessed {
  std::string source;                // the source with directive and left-out lines emptied
  std::vector<MacroChange> changes;  // in the order of their lines
};

// The engine version #ifver compares against.
constexpr int PREVIEWED_ENGINE_VERSION[4] = {3, 6, 3, 13};

// Runs the directives of `source`; `defined` holds the names defined before
// it (the headers' and the editor's), and is left holding those defined at
// its end.
Preprocessed preprocess(const std::string &file, const std::string &source, Macros &defined);

// `tokens` with each macro in force replaced by what it stands for; the
// macros of `defined_before` apply from the first line. ScriptError when
// they nest more than 50 deep or expand past MAX_SCRIPT_TOKENS.
std::vector<Token> expand_macros(const std::string &file, const std::vector<Token> &tokens, const Macros &defined_before,
                                 const std::vector<MacroChange> &changes);

}  // namespace rollwick_preview
