// Credits scripts: the calls a game script makes, in AGS script syntax.
//
//   SetCredit(1, 1, "Director<.>Ada Moreno", 10, 0, 15);
//   RunCreditSequence(1);
//   while (IsSequenceFinished(1) == 0) Wait(1);
//
// String literals stand where the game passes a `string` variable. The
// functions and their parameter types come from the plug-in's own script
// header, plus Wait(frames).
#pragma once

#include <cstdint>
#include <map>
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

struct Statement {
  enum class Kind { call, wait, loop } kind = Kind::call;
  Call call;            // call: the call; loop: the condition, repeated while it returns 0
  int32_t frames = 0;   // wait: frames to advance
  std::vector<Statement> body;  // loop: the statements repeated
  int line = 0;
};

struct Script {
  std::string file;
  std::vector<Statement> statements;
};

// A script that cannot be read: names file, line and column.
class ScriptError : public std::runtime_error {
 public:
  ScriptError(const std::string &file, int line, int column, const std::string &message);
  std::string file;
  int line;
  int column;
  std::string message;
};

// Parses `source`; every call is checked against `functions` (and Wait).
Script parse_credits_script(const std::string &file, const std::string &source,
                            const std::map<std::string, FunctionSignature> &functions);

}  // namespace rollwick_preview
