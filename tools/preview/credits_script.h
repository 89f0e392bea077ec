// Credits scripts: the part of AGS script that credits code uses, read into a
// tree that the interpreter runs and --emit-ags prints back.
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
  enum class Kind { number, text, variable, call, unary, binary } kind = Kind::number;
  int32_t number = 0;
  std::string text;  // the literal, the variable or function name, or the operator
  std::vector<Expression> operands;  // a call's arguments, or the operands
  int depth = 1;                     // levels of the tree below and with this one
  int line = 0;
  int column = 0;
};

struct Statement {
  enum class Kind { expression, declaration, assignment, block, if_else, while_loop, for_loop, return_value }
      kind = Kind::expression;
  Expression expression;  // expression, a declaration's or assignment's value, a condition, return's value
  bool has_expression = false;
  std::string type;  // declaration: "int" or "string"
  std::string name;  // declaration, assignment: the variable
  std::string op;    // assignment: "=", "+=", "-=", "*=", "/=", "++" or "--"
  std::vector<Statement> body;       // block, the branch taken, the loop's body
  std::vector<Statement> otherwise;  // if_else: the else branch
  std::vector<Statement> init;       // for_loop: before the first test
  std::vector<Statement> step;       // for_loop: after each pass
  int line = 0;
  int column = 0;
};

struct ScriptFunction {
  std::string name;
  std::vector<Statement> body;
  int line = 0;
};

struct Script {
  std::string file;
  std::vector<Statement> globals;     // declarations outside functions
  std::vector<ScriptFunction> functions;
  std::vector<Statement> statements;  // statements outside functions, run first
};

class ScriptError : public std::runtime_error {
 public:
  ScriptError(const std::string &file, int line, int column, const std::string &message);
  std::string file;
  int line;
  int column;
  std::string message;
};

// Nesting deeper than this (blocks, loops, parentheses) is an error.
constexpr int MAX_NESTING = 200;

// Parses `source`; every call is checked against `functions`, the string
// functions, Wait and the script's own functions.
Script parse_credits_script(const std::string &file, const std::string &source,
                            const std::map<std::string, FunctionSignature> &functions);

// A text as messages show it: control and non-ASCII bytes escaped, and cut
// to about `limit` characters.
std::string printable(const std::string &text, size_t limit = 60);

}  // namespace rollwick_preview
