// Credits scripts: the part of AGS script that credits code uses, read into a
// tree that the interpreter runs and --emit-ags prints back. A whole game
// script (a global script, a room script or a module, with its headers) is
// read as the editor compiles it: the preprocessor first, then every
// declaration at the top level, but only the bodies of the functions that
// play the credits and those they call; the rest is skipped whatever it holds.
//
//   string text;                      // old-style strings of 200 bytes, ints
//   function play_credits() {
//     StrCopy(text, "Director<.>Ada Moreno");
//     SetCredit(1, 1, text, 10, 0, 15);
//     RunCreditSequence(1);
//     while (IsSequenceFinished(1) == 0) Wait(1);
//   }
//
// Statements may also stand outside any function, as plain credits files
// have them; a string literal passed straight to a function stands for a
// `string` filled by StrCopy. The plug-in's functions and their parameter
// types come from its own script header.
//
// Errors: a script that cannot be read raises ScriptError naming the file,
// line and column, and what was expected there.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace rollwick_preview {

enum class ValueType { integer, text };

struct FunctionSignature {
  std::string name;
  std::string result;  // "void", "int" or "string"
  std::vector<ValueType> parameters;
  std::vector<std::string> parameter_names;
};

// The functions a header declares ("import <type> <Name> (<type> <name>, ...);").
std::map<std::string, FunctionSignature> parse_script_header(const std::string &header);

// A call as it is made at run time: the function, the values of its
// arguments (texts copied) and where in the script it stands.
struct Value {
  ValueType type = ValueType::integer;
  int32_t number = 0;
  std::string text;
};

struct Call {
  std::string name;
  std::vector<Value> arguments;
  int line = 0;
  int column = 0;
};

struct Expression {
  // A method call on an engine object ("aMusic.Play") is a call whose name
  // holds the dot.
  enum class Kind { number, text, variable, call, unary, binary } kind = Kind::number;
  int32_t number = 0;
  std::string text;  // the literal, the variable or function name, or the operator
  std::vector<Expression> operands;  // a call's arguments, or the operands
  int depth = 1;                     // levels of the tree below and with this one
  int line = 0;
  int column = 0;
};

struct Statement {
  // not_previewed: an engine property set ("mouse.Visible = false;") that
  // does not change the credits' picture; `name` holds it.
  enum class Kind {
    expression, declaration, assignment, block, if_else, while_loop, do_while, for_loop, return_value,
    break_loop, continue_loop, not_previewed
  } kind = Kind::expression;
  Expression expression;  // expression, a declaration's or assignment's value, a condition, return's value
  bool has_expression = false;
  std::string type;  // declaration: "int", "bool", "short", "char" or "string"
  std::string name;  // declaration, assignment: the variable
  std::string op;    // assignment: "=", "+=", "-=", "*=", "/=", "++" or "--"
  std::vector<Statement> body;       // block, the branch taken, the loop's body
  std::vector<Statement> otherwise;  // if_else: the else branch
  std::vector<Statement> init;       // for_loop: before the first test
  std::vector<Statement> step;       // for_loop: after each pass
  int line = 0;
  int column = 0;
};

struct Parameter {
  std::string type;  // "int", "bool", "short", "char", "string" or "const string"
  std::string name;
};

struct ScriptFunction {
  std::string name;
  std::string result = "function";  // "function", "int", "bool", "short", "char" or "void"
  std::vector<Parameter> parameters;
  std::vector<Statement> body;
  bool read = false;        // the body was read: the function runs, or may
  std::string cannot_run;   // why the previewer cannot call it ("an extender function"), if so
  int line = 0;
  bool no_loop_check = false;  // declared `noloopcheck`: its loops (and its callees') are not counted
  bool reaches_plugin = false;  // it calls the plug-in, itself or through the functions it calls
};

struct Script {
  std::string file;
  std::vector<Statement> globals;     // declarations outside functions
  std::vector<ScriptFunction> functions;
  std::vector<Statement> statements;  // statements outside functions, run first
  std::string entry;                  // the function that plays the credits; empty: the statements alone
  std::string entry_problem;          // why none could be chosen, when the script has functions only (hint: choose_function)
};

// How a script is read.
struct ScriptSource {
  std::string file;
  std::string text;
};

// The most a script or header may hold, and a script with its headers
// together: several times the largest game script, and what keeps reading
// one to a bounded memory.
constexpr size_t MAX_SCRIPT_BYTES = size_t(4) << 20;
constexpr size_t MAX_SCRIPTS_BYTES = size_t(8) << 20;

struct ParseOptions {
  std::string entry;                  // the function that plays the credits; empty: see entry_function
  std::vector<ScriptSource> headers;  // the game's .ash headers, in the editor's order
  // A game script (.asc): what the engine's compiler refuses is an error
  // here too; a credits file lets a literal stand for a filled `string`.
  bool game_script = false;
  std::vector<std::string> audio_clips;  // the game's audio clips' script names ("aMusic1")
  bool list_only = false;  // choose no function: read every one that can be read, to list them
  // A function the game runs on an event of its own (a room's "after
  // fade-in"): chosen first when nothing is asked for and it reaches the plug-in.
  std::string event_entry;
};

// What the author can do about a message. Messages name no option or
// control; each front end words the hint for itself (the command line names
// its option, the page its control).
enum class Hint { none, choose_function, give_sprite, give_sound, cap_frames, install_font };

class ScriptError : public std::runtime_error {
 public:
  ScriptError(const std::string &file, int line, int column, const std::string &message, Hint hint = Hint::none,
              int hint_number = 0);
  std::string file;
  int line;
  int column;
  std::string message;
  Hint hint;
  int hint_number;  // the sprite slot or sound number a hint is about
};

// Nesting deeper than this (blocks, loops, parentheses) is an error.
constexpr int MAX_NESTING = 200;

// Parses `source`; every call is checked against `functions`, the string
// functions, Wait, the engine functions the previewer runs and the script's
// own functions.
Script parse_credits_script(const std::string &file, const std::string &source,
                            const std::map<std::string, FunctionSignature> &functions,
                            const ParseOptions &options = {});

// True for a file that is a game script rather than a credits file.
bool is_game_script_file(const std::string &file);

// A text as messages show it: control and non-ASCII bytes escaped, and cut
// to about `limit` characters.
std::string printable(const std::string &text, size_t limit = 60);

}  // namespace rollwick_preview
