#include "script_interpreter.h"

#include <array>
#include <cstring>
#include <map>
#include <memory>
#include <set>

#include "old_style_string.h"

namespace rollwick_preview {

namespace {

constexpr int32_t longest_wait = 32767;  // the engine waits no longer than this

struct Variable {
  ValueType type = ValueType::integer;
  int32_t number = 0;
  std::array<char, OLD_STYLE_STRING_SIZE> text{};  // an old-style string, always terminated
};

// What an expression gives: an int, or a text (a string variable's buffer or
// a copy of a literal or a returned text).
struct Result {
  int32_t number = 0;
  std::string text;
  char *buffer = nullptr;  // set when the text is a string variable's own storage
};

struct ReturnFrom {
  int32_t value;
};

int32_t wrapped(int64_t value) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value))); }

class Interpreter {
 public:
  Interpreter(const Script &script, const std::map<std::string, FunctionSignature> &plugin,
              ScriptEnvironment &environment)
      : script_(script), environment_(environment) {
    for (const ScriptFunction &function : script.functions) functions_[function.name] = &function;
    for (const auto &function : plugin) {
      if (function.second.result == "string") returns_text_.insert(function.first);
    }
    scopes_.emplace_back();
    for (const Statement &declared : script.globals) execute(declared);
  }

  void run(const std::string &entry) {
    scopes_.emplace_back();
    try {
      execute_all(script_.statements);
    } catch (const ReturnFrom &) {  // a return outside functions ends those statements
    }
    scopes_.resize(1);
    if (!entry.empty()) call_user_function(entry, script_.functions.empty() ? 0 : script_.functions.front().line, 0);
  }

 private:
  [[noreturn]] void fail(int line, int column, const std::string &message) const {
    throw ScriptError(script_.file, line, column, message);
  }

  // ----- variables -----

  Variable &declare(const Statement &declared) {
    Variable &variable = scopes_.back()[declared.name];
    variable = Variable{};
    variable.type = declared.type == "string" ? ValueType::text : ValueType::integer;
    return variable;
  }

  Variable &variable(const std::string &name, int line, int column) {
    for (auto scope = scopes_.rbegin(); scope != scopes_.rend(); ++scope) {
      const auto found = scope->find(name);
      if (found != scope->end()) return found->second;
    }
    fail(line, column, "'" + name + "' is not a declared variable");
  }

  // ----- statements -----

  void execute_all(const std::vector<Statement> &statements) {
    for (const Statement &statement : statements) execute(statement);
  }

  void execute_block(const std::vector<Statement> &statements) {
    scopes_.emplace_back();
    execute_all(statements);
    scopes_.pop_back();
  }

  void execute(const Statement &statement) {
    environment_.step();
    switch (statement.kind) {
      case Statement::Kind::expression:
        evaluate(statement.expression);
        break;
      case Statement::Kind::declaration: {
        const int32_t value = statement.has_expression ? evaluate(statement.expression).number : 0;
        declare(statement).number = value;
        break;
      }
      case Statement::Kind::assignment:
        assign(statement);
        break;
      case Statement::Kind::block:
        execute_block(statement.body);
        break;
      case Statement::Kind::if_else:
        execute_block(evaluate(statement.expression).number != 0 ? statement.body : statement.otherwise);
        break;
      case Statement::Kind::while_loop: {
        LoopGuard guard(*this, statement);
        while (evaluate(statement.expression).number != 0) {
          execute_block(statement.body);
          guard.pass();
        }
        break;
      }
      case Statement::Kind::for_loop: {
        scopes_.emplace_back();
        execute_all(statement.init);
        LoopGuard guard(*this, statement);
        while (!statement.has_expression || evaluate(statement.expression).number != 0) {
          execute_block(statement.body);
          execute_all(statement.step);
          guard.pass();
        }
        scopes_.pop_back();
        break;
      }
      case Statement::Kind::return_value:
        throw ReturnFrom{statement.has_expression ? evaluate(statement.expression).number : 0};
    }
  }

  void assign(const Statement &statement) {
    Variable &target = variable(statement.name, statement.line, statement.column);
    const int64_t current = target.number;
    if (statement.op == "++") {
      target.number = wrapped(current + 1);
      return;
    }
    if (statement.op == "--") {
      target.number = wrapped(current - 1);
      return;
    }
    const int32_t value = evaluate(statement.expression).number;
    if (statement.op == "=") target.number = value;
    if (statement.op == "+=") target.number = wrapped(current + value);
    if (statement.op == "-=") target.number = wrapped(current - value);
    if (statement.op == "*=") target.number = wrapped(current * value);
    if (statement.op == "/=") target.number = divide(current, value, statement.line, statement.column);
  }

  // Stops a loop that runs on without ever letting a frame pass.
  class LoopGuard {
   public:
    LoopGuard(Interpreter &interpreter, const Statement &loop)
        : interpreter_(interpreter), loop_(loop), frames_(interpreter.frames_) {}
    void pass() {
      if (interpreter_.frames_ != frames_) {
        frames_ = interpreter_.frames_;
        passes_ = 0;
      } else if (++passes_ >= interpreter_.environment_.loop_limit()) {
        interpreter_.fail(loop_.line, loop_.column,
                          "the loop has run " + std::to_string(passes_) + " times without a Wait; in the game it would hang");
      }
    }

   private:
    Interpreter &interpreter_;
    const Statement &loop_;
    int64_t frames_;
    int64_t passes_ = 0;
  };

  // ----- expressions -----

  Result evaluate(const Expression &expression) {
    Result result;
    switch (expression.kind) {
      case Expression::Kind::number:
        result.number = expression.number;
        break;
      case Expression::Kind::text:
        result.text = expression.text;
        break;
      case Expression::Kind::variable: {
        Variable &found = variable(expression.text, expression.line, expression.column);
        result.number = found.number;
        if (found.type == ValueType::text) {
          result.text = found.text.data();
          result.buffer = found.text.data();
        }
        break;
      }
      case Expression::Kind::unary: {
        const int32_t operand = evaluate(expression.operands[0]).number;
        result.number = expression.text == "!" ? (operand == 0 ? 1 : 0) : wrapped(-static_cast<int64_t>(operand));
        break;
      }
      case Expression::Kind::binary:
        result.number = binary(expression);
        break;
      case Expression::Kind::call:
        result = call(expression);
        break;
    }
    return result;
  }

  int32_t divide(int64_t left, int64_t right, int line, int column) const {
    if (right == 0) fail(line, column, "division by zero");
    return wrapped(left / right);
  }

  int32_t binary(const Expression &expression) {
    const std::string &op = expression.text;
    const int64_t left = evaluate(expression.operands[0]).number;
    if (op == "&&" && left == 0) return 0;
    if (op == "||" && left != 0) return 1;
    const int64_t right = evaluate(expression.operands[1]).number;
    if (op == "&&" || op == "||") return right != 0 ? 1 : 0;
    if (op == "+") return wrapped(left + right);
    if (op == "-") return wrapped(left - right);
    if (op == "*") return wrapped(left * right);
    if (op == "/") return divide(left, right, expression.line, expression.column);
    if (op == "%") {
      if (right == 0) fail(expression.line, expression.column, "division by zero");
      return wrapped(left % right);
    }
    if (op == "==") return left == right;
    if (op == "!=") return left != right;
    if (op == "<") return left < right;
    if (op == ">") return left > right;
    if (op == "<=") return left <= right;
    return left >= right;
  }

  Result call(const Expression &expression) {
    const std::string &name = expression.text;
    if (name == "Wait") return wait(expression);
    if (name == "StrCopy" || name == "StrCat" || name == "StrFormat") return string_function(expression);
    if (functions_.count(name)) {
      Result result;
      result.number = call_user_function(name, expression.line, expression.column);
      return result;
    }
    return call_plugin(expression);
  }

  Result wait(const Expression &expression) {
    const int32_t frames = evaluate(expression.operands[0]).number;
    if (frames < 0) {
      fail(expression.line, expression.column,
           "Wait(" + std::to_string(frames) + ") waits for ever in the engine: the game would hang here");
    }
    if (frames == 0) {
      environment_.warn(expression.line, "Wait(0) returns at once; no frame passes");
      return {};
    }
    int64_t shown = frames;
    if (frames > longest_wait) {
      environment_.warn(expression.line, "Wait(" + std::to_string(frames) + ") waits " + std::to_string(longest_wait) +
                                             " frames in the engine, its longest wait");
      shown = longest_wait;
    }
    environment_.show_frames(shown);
    frames_ += shown;
    return {};
  }

  Result string_function(const Expression &expression) {
    const Expression &target = expression.operands[0];
    Variable &destination = variable(target.text, target.line, target.column);
    std::string text = evaluate(expression.operands[1]).text;
    if (expression.text == "StrCat") {
      text = std::string(destination.text.data()) + text;
    } else if (expression.text == "StrFormat") {
      text = format(expression, text);
    }
    old_style_copy(destination.text.data(), text);
    return {};
  }

  std::string format(const Expression &expression, const std::string &pattern) {
    std::string out;
    size_t next_value = 2;
    for (size_t i = 0; i < pattern.size(); ++i) {
      if (pattern[i] != '%') {
        out += pattern[i];
        continue;
      }
      const char specifier = i + 1 < pattern.size() ? pattern[++i] : '\0';
      if (specifier == '%') {
        out += '%';
        continue;
      }
      if (specifier != 'd' && specifier != 's') {
        fail(expression.line, expression.column,
             std::string("StrFormat: the previewer knows %d, %s and %%, not %") + printable(std::string(1, specifier)));
      }
      if (next_value >= expression.operands.size()) {
        fail(expression.line, expression.column, "StrFormat: more % specifiers than values");
      }
      const Expression &value = expression.operands[next_value++];
      const Result result = evaluate(value);
      if (specifier == 's') {
        out += is_text(value) ? result.text : std::to_string(result.number);
      } else {
        out += std::to_string(result.number);
      }
    }
    return out;
  }

  int32_t call_user_function(const std::string &name, int line, int column) {
    const auto found = functions_.find(name);
    if (found == functions_.end()) fail(line, column, "no function named '" + name + "'");
    if (depth_ >= MAX_NESTING) {
      fail(line, column, "functions call each other more than " + std::to_string(MAX_NESTING) +
                             " deep; in the game this would overflow its stack");
    }
    ++depth_;
    // A function sees the globals and its own variables only.
    std::vector<std::map<std::string, Variable>> saved;
    saved.swap(scopes_);
    scopes_.push_back(std::move(saved.front()));
    scopes_.emplace_back();
    int32_t value = 0;
    try {
      execute_all(found->second->body);
    } catch (const ReturnFrom &returned) {
      value = returned.value;
    } catch (...) {
      --depth_;
      throw;
    }
    saved.front() = std::move(scopes_.front());
    scopes_.swap(saved);
    --depth_;
    return value;
  }

  Result call_plugin(const Expression &expression) {
    Call call;
    call.name = expression.text;
    call.line = expression.line;
    call.column = expression.column;
    std::vector<char *> buffers;
    std::vector<std::unique_ptr<std::array<char, OLD_STYLE_STRING_SIZE>>> literals;
    for (const Expression &operand : expression.operands) {
      const Result result = evaluate(operand);
      Value value;
      char *buffer = nullptr;
      if (is_text(operand)) {
        value.type = ValueType::text;
        buffer = result.buffer;
        if (buffer == nullptr) {
          // A literal stands for a string filled by StrCopy.
          literals.push_back(std::make_unique<std::array<char, OLD_STYLE_STRING_SIZE>>());
          buffer = literals.back()->data();
          old_style_copy(buffer, result.text);
        }
        value.text = result.text;
      } else {
        value.number = result.number;
      }
      call.arguments.push_back(std::move(value));
      buffers.push_back(buffer);
    }
    const intptr_t raw = environment_.call_plugin(call, buffers);
    Result result;
    result.number = static_cast<int32_t>(raw & 0xFFFFFFFF);
    if (returns_text_.count(call.name) && raw != 0) result.text = reinterpret_cast<const char *>(raw);
    return result;
  }

  bool is_text(const Expression &expression) {
    switch (expression.kind) {
      case Expression::Kind::text:
        return true;
      case Expression::Kind::variable:
        return variable(expression.text, expression.line, expression.column).type == ValueType::text;
      case Expression::Kind::call:
        return returns_text_.count(expression.text) != 0;
      default:
        return false;
    }
  }

  std::set<std::string> returns_text_;
  const Script &script_;
  ScriptEnvironment &environment_;
  std::map<std::string, const ScriptFunction *> functions_;
  std::vector<std::map<std::string, Variable>> scopes_;  // the globals first
  int64_t frames_ = 0;
  int depth_ = 0;
};

}  // namespace

std::string entry_function(const Script &script, const std::string &requested) {
  if (!requested.empty()) {
    for (const ScriptFunction &function : script.functions) {
      if (function.name == requested) return requested;
    }
    throw ScriptError(script.file, 1, 1, "no function named '" + requested + "' (--function)");
  }
  if (!script.statements.empty()) return "";
  if (script.functions.size() == 1) return script.functions.front().name;
  std::string names;
  for (const ScriptFunction &function : script.functions) {
    if (function.name == "play_credits") return function.name;
    names += (names.empty() ? "" : ", ") + function.name;
  }
  if (script.functions.empty()) throw ScriptError(script.file, 1, 1, "the script has no statements to run");
  throw ScriptError(script.file, script.functions.front().line, 1,
                    "which function plays the credits? Name one with --function (" + names + ")");
}

void run_credits_script(const Script &script, const std::map<std::string, FunctionSignature> &functions,
                        const std::string &entry, ScriptEnvironment &environment) {
  Interpreter interpreter(script, functions, environment);
  interpreter.run(entry);
}

}  // namespace rollwick_preview
