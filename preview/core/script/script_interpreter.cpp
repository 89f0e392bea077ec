#include "script_interpreter.h"

#include <array>
#include <cctype>
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
  std::string storage = "int";  // int, bool, short, char, string, const string
  int32_t number = 0;
  std::array<char, OLD_STYLE_STRING_SIZE> text{};  // an old-style string, always terminated
  char *reference = nullptr;  // a string parameter: the caller's own text
  std::string fixed;          // a const string parameter given a literal, whole
  bool has_fixed = false;

  const char *chars() const { return reference ? reference : has_fixed ? fixed.c_str() : text.data(); }
  char *writable() { return reference ? reference : has_fixed ? nullptr : text.data(); }
};

// What an expression gives: an int, or a text (a string's own storage where
// it may be written into, else a copy).
struct Result {
  int32_t number = 0;
  std::string text;
  char *buffer = nullptr;  // set when the text is writable storage: a variable's, or the plug-in's
};

// How a statement ends: on to the next, or out of a loop or function.
enum class Flow { next, broke, continued, returned };

struct GameEnded {};

int32_t wrapped(int64_t value) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value))); }

// A value as a variable of that storage keeps it.
int32_t stored_as(const std::string &storage, int64_t value) {
  if (storage == "short") return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint64_t>(value)));
  if (storage == "char") return static_cast<uint8_t>(static_cast<uint64_t>(value));
  return wrapped(value);
}

int sign(int value) { return value < 0 ? -1 : value > 0 ? 1 : 0; }

class Interpreter {
 public:
  Interpreter(const Script &script, const std::map<std::string, FunctionSignature> &plugin,
              ScriptEnvironment &environment)
      : script_(script), plugin_(plugin), environment_(environment) {
    for (const ScriptFunction &function : script.functions) functions_[function.name] = &function;
    for (const auto &function : plugin) {
      if (function.second.result == "string") returns_text_.insert(function.first);
    }
    scopes_.emplace_back();
    for (const Statement &declared : script.globals) execute(declared);
  }

  void run(const std::string &entry) {
    // The engine runs an event function; any other entry is called from one.
    const int event_level = entry.empty() || !is_event_function(entry) ? 1 : 0;
    try {
      // Statements outside functions run as the body of the function that plays the credits.
      calls_ = event_level + 1;
      push_scope();
      execute_all(script_.statements);  // a return outside functions ends them
      pop_scope();
      calls_ = event_level;
      if (!entry.empty()) {
        call_user_function(entry, {}, script_.functions.empty() ? 0 : script_.functions.front().line, 0);
      }
    } catch (const GameEnded &) {
    }
  }

 private:
  [[noreturn]] void fail(int line, int column, const std::string &message) const {
    throw ScriptError(script_.file, line, column, message);
  }

  // ----- variables -----

  Variable &declare(const Statement &declared) {
    if (scopes_.size() > 1) {  // a local: on the script's stack
      const int bytes = declared.type == "string" ? OLD_STYLE_STRING_SIZE
                        : declared.type == "short" ? 2
                        : declared.type == "char"  ? 1
                                                   : 4;
      grow_stack(1, bytes, declared.line, declared.column);
    }
    Variable &variable = scopes_.back()[declared.name];
    variable = Variable{};
    variable.type = declared.type == "string" ? ValueType::text : ValueType::integer;
    variable.storage = declared.type;
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

  // An error or the game's end stops the whole run, so scopes are left
  // only as statements end.
  Flow execute_all(const std::vector<Statement> &statements) {
    for (const Statement &statement : statements) {
      const Flow flow = execute(statement);
      if (flow != Flow::next) return flow;
    }
    return Flow::next;
  }

  Flow execute_block(const std::vector<Statement> &statements) {
    push_scope();
    const Flow flow = execute_all(statements);
    pop_scope();
    return flow;
  }

  // A scope of locals; leaving it frees the stack they took.
  void push_scope() {
    scopes_.emplace_back();
    stack_marks_.push_back({stack_values_, stack_bytes_});
  }
  void pop_scope() {
    scopes_.pop_back();
    stack_values_ = stack_marks_.back().first;
    stack_bytes_ = stack_marks_.back().second;
    stack_marks_.pop_back();
  }

  // ----- limits -----

  // The engine's script stack, grown by `values` values of `bytes` bytes in all.
  void grow_stack(int values, int bytes, int line, int column) {
    if (stack_values_ + values > ENGINE_STACK_VALUES || stack_bytes_ + bytes > ENGINE_STACK_BYTES) {
      fail(line, column, "stack overflow, attempted to grow from " + std::to_string(stack_bytes_) + " by " +
                             std::to_string(bytes) + " bytes (the engine's script stack holds " +
                             std::to_string(ENGINE_STACK_VALUES) + " values and " +
                             std::to_string(ENGINE_STACK_BYTES) + " bytes; an old-style string local takes " +
                             std::to_string(OLD_STYLE_STRING_SIZE) + ")");
    }
    stack_values_ += values;
    stack_bytes_ += bytes;
  }

  // A loop goes back to its start: the engine counts every such jump
  // between two frames, in all loops together.
  void jumped_back(const Statement &loop) {
    if (no_loop_check_ > 0) return;
    if (++loop_jumps_ > ENGINE_LOOP_JUMPS) {
      fail(loop.line, loop.column, "Script appears to be hung (a while loop ran " + std::to_string(loop_jumps_) +
                                       " times). The problem may be in a calling function; check the call stack.");
    }
  }

  void count_step(const Statement &statement) {
    ++steps_;
    if (++steps_since_frame_ > MAX_STEPS_BETWEEN_FRAMES) {
      fail(statement.line, statement.column,
           "the script has run " + std::to_string(MAX_STEPS_BETWEEN_FRAMES) + " statements without letting a frame "
           "pass; the game would stand still here, and the previewer stops (a Wait lets a frame pass)");
    }
    if (steps_ > MAX_STEPS) {
      fail(statement.line, statement.column,
           "the script has run " + std::to_string(MAX_STEPS) + " statements in all, more than the previewer plays; "
           "it stops here (a script that works this hard between its frames slows the game down)");
    }
  }

  // Blocks, expressions and calls nested at once: the interpreter's own stack.
  class Nested {
   public:
    Nested(Interpreter &interpreter, int line, int column) : interpreter_(interpreter) {
      if (interpreter_.nesting_ >= MAX_RUN_NESTING) {
        interpreter_.fail(line, column, "blocks, expressions and calls nested more than " +
                                            std::to_string(MAX_RUN_NESTING) +
                                            " deep at once; the previewer stops here (split the script up)");
      }
      ++interpreter_.nesting_;
    }
    ~Nested() { --interpreter_.nesting_; }
    Nested(const Nested &) = delete;
    Nested &operator=(const Nested &) = delete;

   private:
    Interpreter &interpreter_;
  };

  Flow execute(const Statement &statement) {
    const Nested nested(*this, statement.line, statement.column);
    count_step(statement);
    switch (statement.kind) {
      case Statement::Kind::expression:
        evaluate(statement.expression);
        return Flow::next;
      case Statement::Kind::declaration: {
        const int32_t value = statement.has_expression ? evaluate(statement.expression).number : 0;
        Variable &declared = declare(statement);
        declared.number = stored_as(declared.storage, value);
        return Flow::next;
      }
      case Statement::Kind::assignment:
        assign(statement);
        return Flow::next;
      case Statement::Kind::block:
        return execute_block(statement.body);
      case Statement::Kind::if_else:
        return execute_block(evaluate(statement.expression).number != 0 ? statement.body : statement.otherwise);
      case Statement::Kind::while_loop:
        while (evaluate(statement.expression).number != 0) {
          const Flow flow = execute_block(statement.body);
          if (flow == Flow::broke) break;
          if (flow == Flow::returned) return flow;
          jumped_back(statement);
        }
        return Flow::next;
      case Statement::Kind::do_while:
        for (;;) {
          const Flow flow = execute_block(statement.body);
          if (flow == Flow::broke) break;
          if (flow == Flow::returned) return flow;
          if (evaluate(statement.expression).number == 0) break;
          jumped_back(statement);
        }
        return Flow::next;
      case Statement::Kind::for_loop: {
        push_scope();
        Flow ended = Flow::next;
        execute_all(statement.init);
        while (!statement.has_expression || evaluate(statement.expression).number != 0) {
          const Flow flow = execute_block(statement.body);
          if (flow == Flow::broke) break;
          if (flow == Flow::returned) {
            ended = flow;
            break;
          }
          execute_all(statement.step);
          jumped_back(statement);
        }
        pop_scope();
        return ended;
      }
      case Statement::Kind::return_value:
        returned_ = statement.has_expression ? evaluate(statement.expression).number : 0;
        return Flow::returned;
      case Statement::Kind::break_loop:
        return Flow::broke;
      case Statement::Kind::continue_loop:
        return Flow::continued;
      case Statement::Kind::not_previewed:
        environment_.not_previewed(statement.name, statement.line);
        return Flow::next;
    }
    return Flow::next;
  }

  void assign(const Statement &statement) {
    Variable &target = variable(statement.name, statement.line, statement.column);
    const int64_t current = target.number;
    int64_t value = 0;
    if (statement.op == "++") {
      value = current + 1;
    } else if (statement.op == "--") {
      value = current - 1;
    } else {
      const int64_t given = evaluate(statement.expression).number;
      if (statement.op == "=") value = given;
      if (statement.op == "+=") value = current + given;
      if (statement.op == "-=") value = current - given;
      if (statement.op == "*=") value = current * given;
      if (statement.op == "/=") value = divide(current, given, statement.line, statement.column);
    }
    target.number = stored_as(target.storage, value);
  }

  // ----- expressions -----

  Result evaluate(const Expression &expression) {
    const Nested nested(*this, expression.line, expression.column);
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
          result.text = found.chars();
          result.buffer = found.writable();
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
    if (name == "Wait") return wait(expression, evaluate(expression.operands[0]).number);
    if (name.find('.') != std::string::npos) return method(expression);
    if (name.rfind("Str", 0) == 0 && !plugin_.count(name) && !functions_.count(name)) return string_function(expression);
    if (functions_.count(name)) {
      Result result;
      result.number = call_user_function(name, expression.operands, expression.line, expression.column);
      return result;
    }
    if (plugin_.count(name)) return call_plugin(expression);
    return engine_function(expression);
  }

  Result wait(const Expression &expression, int32_t frames) {
    const std::string &name = expression.text;
    if (frames < 0 || (frames == 0 && name != "Wait")) {
      fail(expression.line, expression.column,
           name + "(" + std::to_string(frames) + ") waits for ever in the engine" +
               (name == "Wait" ? "" : " unless a key or the mouse is pressed, and the previewer presses none") +
               ": the game would hang here");
    }
    if (frames == 0) {
      environment_.warn(expression.line, "Wait(0) returns at once; no frame passes");
      return {};
    }
    int64_t shown = frames;
    if (frames > longest_wait) {
      environment_.warn(expression.line, name + "(" + std::to_string(frames) + ") waits " +
                                             std::to_string(longest_wait) + " frames in the engine, its longest wait");
      shown = longest_wait;
    }
    environment_.show_frames(shown);
    frames_ += shown;
    loop_jumps_ = 0;
    steps_since_frame_ = 0;
    return {};
  }

  Result engine_function(const Expression &expression) {
    const EngineFunction *function = find_engine_function(expression.text);
    if (function == nullptr) fail(expression.line, expression.column, "no function named '" + expression.text + "'");
    std::vector<Result> values;
    for (const Expression &operand : expression.operands) values.push_back(evaluate(operand));
    const int32_t first = values.empty() ? 0 : values.front().number;
    Result result;
    switch (function->kind) {
      case EngineCallKind::waits:
        wait(expression, first);
        break;
      case EngineCallKind::not_previewed:
        environment_.not_previewed(expression.text, expression.line);
        break;
      case EngineCallKind::shows_something:
        environment_.warn(expression.line, expression.text + " shows something in the game that the previewer does "
                                                              "not draw; the frames here show the credits alone");
        break;
      case EngineCallKind::music:
      case EngineCallKind::sound:
        environment_.play_audio(function->kind, first, "", expression.line);
        break;
      case EngineCallKind::game_speed:
        environment_.set_game_speed(clamp_game_speed(first));
        break;
      case EngineCallKind::get_game_speed:
        result.number = environment_.game_speed();
        break;
      case EngineCallKind::answers_zero:
        environment_.not_previewed(expression.text, expression.line);
        break;
      case EngineCallKind::ends_game:
        throw GameEnded{};
      case EngineCallKind::viewport:
        if (expression.text == "SetViewport") {
          environment_.set_viewport(true, first, values[1].number);
        } else if (expression.text == "ReleaseViewport") {
          environment_.set_viewport(false, 0, 0);
        } else {
          result.number = environment_.viewport(expression.text == "GetViewportY");
        }
        break;
    }
    return result;
  }

  // A method of an engine object, called as a statement.
  Result method(const Expression &expression) {
    const std::string &name = expression.text;
    const size_t dot = name.rfind('.');
    const std::string object = name.substr(0, dot);
    const EngineCallKind kind = engine_method_kind(name.substr(dot + 1));
    if (kind == EngineCallKind::music) {
      environment_.play_audio(kind, 0, object, expression.line);
    } else if (kind == EngineCallKind::shows_something) {
      environment_.warn(expression.line, name + " shows something in the game that the previewer does not draw; "
                                                "the frames here show the credits alone");
    } else {
      environment_.not_previewed(name, expression.line);
    }
    return {};
  }

  // The text of a string function's argument; a plug-in's returned text
  // used so is what the 32-bit engines cannot pass on.
  Result text_argument(const Expression &call, size_t index) {
    const Expression &operand = call.operands[index];
    if (operand.kind == Expression::Kind::call && returns_text_.count(operand.text)) {
      environment_.warn(call.line,
                        call.text + "(" + operand.text + "(...)): the 32-bit Windows engine passes a plug-in's returned "
                        "text to " + call.text + " as a null pointer (StrCopy gives \"(null)\", StrCat stops the "
                        "game); StrFormat(copy, \"%s\", " + operand.text + "(...)) works in every engine");
    }
    return evaluate(operand);
  }

  void write_text(const Expression &call, char *destination, const std::string &text) {
    const std::string cut = old_style_string_warning(text);
    if (!cut.empty()) environment_.warn(call.line, call.text + ": " + cut);
    old_style_copy(destination, text);
  }

  Result string_function(const Expression &expression) {
    const std::string &name = expression.text;
    Result result;
    if (name == "StrLen" || name == "StrToInt") {
      const std::string text = text_argument(expression, 0).text;
      result.number = name == "StrLen" ? static_cast<int32_t>(std::strlen(text.c_str()))
                                       : static_cast<int32_t>(std::strtol(text.c_str(), nullptr, 10));
      return result;
    }
    if (name == "StrComp" || name == "StrCaseComp" || name == "StrContains") {
      std::string first = text_argument(expression, 0).text;
      std::string second = text_argument(expression, 1).text;
      if (name != "StrComp") {
        for (char &c : first) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        for (char &c : second) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      }
      if (name == "StrContains") {
        const size_t at = first.find(second);
        result.number = at == std::string::npos ? -1 : static_cast<int32_t>(at);
      } else {
        result.number = sign(std::strcmp(first.c_str(), second.c_str()));
      }
      return result;
    }
    if (name == "StrGetCharAt") {
      const std::string text = text_argument(expression, 0).text;
      const int32_t index = evaluate(expression.operands[1]).number;
      result.number = index >= 0 && static_cast<size_t>(index) < text.size() ? static_cast<unsigned char>(text[index]) : 0;
      return result;
    }
    // The rest write into their first argument.
    const Result target = text_argument(expression, 0);
    char *destination = target.buffer;
    if (destination == nullptr) {
      fail(expression.line, expression.column, name + " has nothing to write into: the text it was given is null");
    }
    if (name == "StrSetCharAt") {
      const int32_t index = evaluate(expression.operands[1]).number;
      const int32_t character = evaluate(expression.operands[2]).number;
      const size_t length = std::strlen(destination);
      if (index >= 0 && static_cast<size_t>(index) < length) destination[index] = static_cast<char>(character);
      return {};
    }
    if (name == "StrToUpperCase" || name == "StrToLowerCase") {
      for (char *c = destination; *c != '\0'; ++c) {
        *c = static_cast<char>(name == "StrToUpperCase" ? std::toupper(static_cast<unsigned char>(*c))
                                                        : std::tolower(static_cast<unsigned char>(*c)));
      }
      return {};
    }
    std::string text = text_argument(expression, 1).text;
    if (name == "StrCat") {
      text = std::string(destination) + text;
    } else if (name == "StrFormat") {
      text = format(expression, text);
    }
    write_text(expression, destination, text);
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

  int32_t call_user_function(const std::string &name, const std::vector<Expression> &arguments, int line, int column) {
    const auto found = functions_.find(name);
    if (found == functions_.end()) fail(line, column, "no function named '" + name + "'");
    const ScriptFunction &function = *found->second;
    if (!function.read) {
      throw ScriptError(script_.file, line, column, "the function '" + name + "' was not read", Hint::choose_function);
    }
    if (calls_ >= ENGINE_NESTED_CALLS) {
      fail(line, column, "call stack overflow, recursive call problem? (the engine runs " +
                             std::to_string(ENGINE_NESTED_CALLS) + " script functions at once at most, the event "
                             "function that started them among them)");
    }
    // The arguments, worked out where the call stands.
    std::map<std::string, Variable> parameters;
    for (size_t i = 0; i < function.parameters.size() && i < arguments.size(); ++i) {
      const Parameter &parameter = function.parameters[i];
      const Result value = evaluate(arguments[i]);
      Variable bound;
      bound.storage = parameter.type;
      if (parameter.type == "string" || parameter.type == "const string") {
        bound.type = ValueType::text;
        if (value.buffer != nullptr) {
          bound.reference = value.buffer;  // the caller's own text
        } else if (parameter.type == "const string") {
          bound.fixed = value.text;
          bound.has_fixed = true;
        } else {
          // A literal standing for a string filled by StrCopy.
          const std::string cut = old_style_string_warning(value.text);
          if (!cut.empty()) environment_.warn(line, name + ": " + cut);
          old_style_copy(bound.text.data(), value.text);
        }
      } else {
        bound.number = stored_as(parameter.type, value.number);
      }
      if (!parameter.name.empty()) parameters[parameter.name] = std::move(bound);
    }
    // Its parameters and return address go on the engine's stack.
    const std::pair<int, int> stack_before{stack_values_, stack_bytes_};
    const int pushed = static_cast<int>(function.parameters.size()) + 1;
    grow_stack(pushed, 4 * pushed, line, column);
    ++calls_;
    if (function.no_loop_check) ++no_loop_check_;
    // A function sees the globals and its own variables only.
    std::vector<std::map<std::string, Variable>> saved;
    saved.swap(scopes_);
    scopes_.push_back(std::move(saved.front()));
    scopes_.push_back(std::move(parameters));
    int32_t value = 0;
    if (execute_all(function.body) == Flow::returned) {
      value = stored_as(function.result == "function" ? "int" : function.result, returned_);
    }
    saved.front() = std::move(scopes_.front());
    scopes_.swap(saved);
    --calls_;
    if (function.no_loop_check) --no_loop_check_;
    stack_values_ = stack_before.first;
    stack_bytes_ = stack_before.second;
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
    if (returns_text_.count(call.name) && raw != 0) {
      // The plug-in's own text, with room for an old-style string: the
      // script may write into it, as the engine lets it.
      result.buffer = reinterpret_cast<char *>(raw);
      result.text = result.buffer;
    }
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
  const std::map<std::string, FunctionSignature> &plugin_;
  ScriptEnvironment &environment_;
  std::map<std::string, const ScriptFunction *> functions_;
  std::vector<std::map<std::string, Variable>> scopes_;  // the globals first
  int64_t frames_ = 0;
  int32_t returned_ = 0;     // the value of the last `return`
  int calls_ = 0;            // script functions running, with the event function
  int no_loop_check_ = 0;    // `noloopcheck` functions running
  int64_t loop_jumps_ = 0;   // since the last frame
  int64_t steps_ = 0;
  int64_t steps_since_frame_ = 0;
  int nesting_ = 0;
  int stack_values_ = 0;
  int stack_bytes_ = 0;
  std::vector<std::pair<int, int>> stack_marks_;  // the stack when each scope began
};

}  // namespace

bool is_event_function(const std::string &name) {
  static const std::set<std::string> events = {
      "game_start",   "repeatedly_execute", "repeatedly_execute_always", "late_repeatedly_execute_always",
      "on_key_press", "on_mouse_click",     "on_event",                  "on_call",
      "dialog_request", "interface_click",  "unhandled_event"};
  return events.count(name) != 0 || name.rfind("room_", 0) == 0;
}

std::string entry_function(const Script &script, const std::string &requested) {
  if (!requested.empty()) {
    for (const ScriptFunction &function : script.functions) {
      if (function.name != requested) continue;
      if (!function.read) {
        throw ScriptError(script.file, function.line, 1,
                          "the function '" + requested + "' was not read: give it when the script is read");
      }
      return requested;
    }
    throw ScriptError(script.file, 1, 1, "no function named '" + requested + "'", Hint::choose_function);
  }
  if (!script.entry_problem.empty()) {
    throw ScriptError(script.file, script.functions.empty() ? 1 : script.functions.front().line, 1,
                      script.entry_problem, Hint::choose_function);
  }
  return script.entry;
}

void run_credits_script(const Script &script, const std::map<std::string, FunctionSignature> &functions,
                        const std::string &entry, ScriptEnvironment &environment) {
  Interpreter interpreter(script, functions, environment);
  interpreter.run(entry);
}

}  // namespace rollwick_preview
