// Reads a credits script's tokens into its tree, checking names, argument
// counts and types as the engine's script compiler would.
//
// A file is read in two passes over its top level. The first learns every
// name: enums and their values, struct types, imports, the heads of the
// functions (result and parameters) and where their bodies lie. The second
// reads the global variables and any statements outside functions. Then only
// the bodies that run are read: the entry function's and those it calls,
// transitively; the others are passed over by their braces.
#include <algorithm>
#include <functional>
#include <limits>
#include <set>
#include <sstream>

#include "credits_script.h"
#include "engine_calls.h"
#include "script_lexer.h"
#include "script_preprocessor.h"

namespace rollwick_preview {

namespace {

std::string trim(const std::string &text) {
  const size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// The engine's string functions: 'd' a string written into, 's' a text
// read, 'i' an int; `more` takes any values after them (StrFormat's).
struct StringFunction {
  const char *name;
  const char *parameters;
  bool more;
  bool returns_int;
};

const StringFunction string_function_table[] = {
    {"StrCopy", "ds", false, false},     {"StrCat", "ds", false, false},      {"StrFormat", "ds", true, false},
    {"StrLen", "s", false, true},        {"StrComp", "ss", false, true},      {"StrCaseComp", "ss", false, true},
    {"StrContains", "ss", false, true},  {"StrGetCharAt", "si", false, true}, {"StrSetCharAt", "dii", false, false},
    {"StrToInt", "s", false, true},      {"StrToUpperCase", "d", false, false},
    {"StrToLowerCase", "d", false, false},
};

const StringFunction *find_string_function(const std::string &name) {
  for (const StringFunction &function : string_function_table) {
    if (name == function.name) return &function;
  }
  return nullptr;
}

const std::set<std::string> comparison_operators = {"==", "!=", "<", ">", "<=", ">="};
const std::set<std::string> assignment_operators = {"=", "+=", "-=", "*=", "/="};
const std::set<std::string> integer_types = {"int", "bool", "short", "char"};
const std::set<std::string> function_results = {"function", "int", "bool", "short", "char", "void"};
const std::set<std::string> modifiers = {"static", "noloopcheck", "protected", "readonly", "writeprotected",
                                         "attribute", "const", "managed", "autoptr", "builtin", "internalstring"};

struct VariableInfo {
  ValueType type = ValueType::integer;
  bool constant = false;    // a const string parameter
  std::string unsupported;  // the type, for a variable the previewer cannot hold ("float")
};

// Where a function's parts lie in the tokens.
struct FunctionPlace {
  size_t body = 0;  // the '{'
  size_t end = 0;   // after the '}'
};

class Parser {
 public:
  Parser(const std::map<std::string, FunctionSignature> &functions, const ParseOptions &options)
      : plugin_(functions), options_(options) {
    constants_["true"] = 1;
    constants_["false"] = 0;
    // The engine's own values that credits loops test.
    constants_["eKeyEscape"] = 27;
    constants_["eKeySpace"] = 32;
    constants_["eKeyReturn"] = 13;
    constants_["eMouseLeft"] = 1;
    constants_["eMouseRight"] = 2;
    constants_["eMouseMiddle"] = 3;
    for (const std::string &clip : options.audio_clips) audio_clips_.insert(clip);
  }

  Script script(const std::string &file, const std::string &source) {
    Script out;
    out.file = file;
    Macros defined;
    defined["AGS_SUPPORTS_IFVER"] = std::make_shared<const std::vector<Token>>();
    scopes_.assign(1, {});
    size_t bytes = source.size();
    for (const ScriptSource &header : options_.headers) bytes += header.text.size();
    if (bytes > MAX_SCRIPTS_BYTES) {
      throw ScriptError(file, 1, 1, "the script and the game's headers hold " + std::to_string(bytes >> 20) +
                                        " MiB together, more than the previewer reads (" +
                                        std::to_string(MAX_SCRIPTS_BYTES >> 20) + " MiB at most)");
    }
    for (const ScriptSource &header : options_.headers) {
      Script ignored;
      begin(header.file, header.text, defined);
      scan(ignored, true, true);
      at_ = 0;
      scan(ignored, false, true);
    }
    begin(file, source, defined);
    scan(out, true, false);
    at_ = 0;
    scan(out, false, false);
    choose_entry(out);
    check_loops(out);
    return out;
  }

 private:
  // ----- files and tokens -----

  // Preprocesses `source` and makes its tokens the ones read; `defined`
  // holds the macros before it and is left with those after it.
  void begin(const std::string &file, const std::string &source, Macros &defined) {
    file_ = file;
    if (source.size() > MAX_SCRIPT_BYTES) {
      throw ScriptError(file, 1, 1, "the file is " + std::to_string(source.size() >> 20) + " MiB, more than the "
                                    "previewer reads (" + std::to_string(MAX_SCRIPT_BYTES >> 20) + " MiB at most)");
    }
    // The editor saves scripts as UTF-8 or in the game's code page, never as UTF-16.
    if (source.compare(0, 2, "\xFF\xFE") == 0 || source.compare(0, 2, "\xFE\xFF") == 0 ||
        source.find('\0') != std::string::npos) {
      throw ScriptError(file, 1, 1, "the file is UTF-16 text or holds zero bytes; the editor reads scripts saved as "
                                    "UTF-8 or in the game's ANSI code page: save it as one of those");
    }
    const Macros before = defined;
    const Preprocessed preprocessed = preprocess(file, source, defined);
    tokens_ = expand_macros(file, read_tokens(file, preprocessed.source), before, preprocessed.changes);
    at_ = 0;
  }

  const Token &peek(size_t ahead = 0) const { return tokens_[std::min(at_ + ahead, tokens_.size() - 1)]; }
  const Token &next() { return tokens_[at_ < tokens_.size() - 1 ? at_++ : at_]; }
  bool is_symbol(const char *symbol, size_t ahead = 0) const {
    return peek(ahead).kind == Token::Kind::symbol && peek(ahead).text == symbol;
  }
  bool is_word(const char *word, size_t ahead = 0) const {
    return peek(ahead).kind == Token::Kind::identifier && peek(ahead).text == word;
  }
  [[noreturn]] void fail(const Token &at, const std::string &expected) {
    throw ScriptError(file_, at.line, at.column, "expected " + expected + ", found " + describe(at));
  }
  [[noreturn]] void fail_at(const Token &at, const std::string &message) {
    throw ScriptError(file_, at.line, at.column, message);
  }
  // Code that runs uses something the previewer does not run.
  [[noreturn]] void not_run(const Token &at, const std::string &construct, const std::string &what = "it") {
    fail_at(at, construct + ": the previewer does not run " + what);
  }
  void expect(const char *symbol) {
    if (!is_symbol(symbol)) fail(peek(), std::string("'") + symbol + "'");
    next();
  }
  // The ')' that closes `open`; one that is missing is named where the '(' stands, as the engine's compiler does.
  void close_parenthesis(const Token &open) {
    if (is_symbol(")")) {
      next();
      return;
    }
    fail_at(open, "expected ')' to close this '(', found " + describe(peek()) + where(peek(), open));
  }
  // The ';' that ends the statement begun at `start`; one that is missing is named at the statement.
  void end_statement(const Token &start) {
    if (is_symbol(";")) {
      next();
      return;
    }
    fail_at(start, "expected ';' at the end of the statement that starts here, found " + describe(peek()) +
                       where(peek(), start));
  }
  static std::string where(const Token &found, const Token &from) {
    return found.line == from.line ? "" : " on line " + std::to_string(found.line);
  }
  std::string name() {
    if (peek().kind != Token::Kind::identifier) fail(peek(), "a name");
    return next().text;
  }

  // Passes over one bracketed group from its opening symbol, whatever it
  // holds. A bracket closed by another kind, or left open at the end of the
  // file, is named where it was opened: a missing ')' shows at its '('.
  void skip_group() {
    std::vector<const Token *> open{&next()};
    while (!open.empty()) {
      const Token &token = peek();
      const Token &innermost = *open.back();
      const std::string closer = innermost.text == "{" ? "}" : innermost.text == "(" ? ")" : "]";
      if (token.kind == Token::Kind::end) {
        if (innermost.text == "{") fail(token, "'}' to close the block opened at line " + std::to_string(innermost.line));
        fail_at(innermost, "expected '" + closer + "' to close this '" + innermost.text + "', found the end of the file");
      }
      next();
      if (token.kind != Token::Kind::symbol) continue;
      if (token.text == "(" || token.text == "{" || token.text == "[") {
        open.push_back(&token);
      } else if (token.text == ")" || token.text == "}" || token.text == "]") {
        if (token.text != closer) {
          fail_at(innermost, "expected '" + closer + "' to close this '" + innermost.text + "', found '" + token.text +
                                 "'" + where(token, innermost));
        }
        open.pop_back();
      }
    }
  }

  // Passes over tokens up to and with the ';' that ends a declaration.
  void skip_to_semicolon() {
    while (!is_symbol(";")) {
      if (peek().kind == Token::Kind::end) fail(peek(), "';'");
      if (is_symbol("(") || is_symbol("{") || is_symbol("[")) {
        skip_group();
      } else {
        next();
      }
    }
    next();
  }

  // Counts nesting on the way in and out of every recursive rule.
  struct Depth {
    Depth(Parser &parser, const Token &at) : parser_(parser) {
      if (++parser_.depth_ > MAX_NESTING) {
        parser_.fail_at(at, "nesting deeper than " + std::to_string(MAX_NESTING) + " levels; split the script up");
      }
    }
    ~Depth() { --parser_.depth_; }
    Parser &parser_;
  };

  // ----- the top level -----

  bool is_type_name(const Token &token) const {
    if (token.kind != Token::Kind::identifier) return false;
    return token.text == "function" || integer_types.count(token.text) || token.text == "string" ||
           token.text == "void" || token.text == "float" || token.text == "String" || enum_types_.count(token.text) ||
           struct_types_.count(token.text);
  }

  // A declaration starts here: modifiers, a type and a name ("int x", "Character *c", "function f").
  bool starts_declaration() const {
    size_t ahead = 0;
    while (peek(ahead).kind == Token::Kind::identifier && modifiers.count(peek(ahead).text)) ++ahead;
    const Token &type = peek(ahead);
    if (type.kind != Token::Kind::identifier) return false;
    if (type.text == "function" || ahead > 0 || is_type_name(type)) return true;
    size_t after = ahead + 1;
    if (is_symbol("*", after)) ++after;
    if (is_symbol("[", after) && is_symbol("]", after + 1)) after += 2;
    return peek(after).kind == Token::Kind::identifier;
  }

  void scan(Script &out, bool first_pass, bool header) {
    while (peek().kind != Token::Kind::end) {
      if (is_symbol(";")) {
        next();
      } else if (is_word("enum")) {
        enumeration(first_pass);
      } else if (is_word("struct") || ((is_word("managed") || is_word("builtin") || is_word("autoptr")) &&
                                       (is_word("struct", 1) || is_word("struct", 2) || is_word("managed", 1)))) {
        structure();
      } else if (is_word("import")) {
        import(first_pass);
      } else if (is_word("export")) {
        skip_to_semicolon();
      } else if (starts_declaration()) {
        declaration_or_function(out, first_pass, header);
      } else if (first_pass || header) {
        skip_statement();
      } else {
        out.statements.push_back(statement());
      }
    }
  }

  // Passes over a statement outside functions without reading it.
  void skip_statement() {
    if (peek().kind == Token::Kind::end) return;
    for (;;) {
      if (peek().kind == Token::Kind::end) return;
      if (is_symbol(";")) {
        next();
        return;
      }
      if (is_symbol("{")) {
        skip_group();
        if (!is_word("else")) return;
        next();
        continue;
      }
      if (is_symbol("(") || is_symbol("[")) {
        skip_group();
        continue;
      }
      next();
    }
  }

  void enumeration(bool first_pass) {
    next();  // 'enum'
    if (peek().kind == Token::Kind::identifier) enum_types_.insert(next().text);
    if (!is_symbol("{")) {
      skip_to_semicolon();
      return;
    }
    if (!first_pass) {
      skip_group();
      if (is_symbol(";")) next();
      return;
    }
    next();
    int64_t value = 0;
    while (!is_symbol("}")) {
      const Token &at = peek();
      const std::string constant = name();
      value += 1;  // the engine numbers from 1
      if (is_symbol("=")) {
        next();
        bool negative = false;
        if (is_symbol("-")) {
          next();
          negative = true;
        }
        if (peek().kind == Token::Kind::number && (is_symbol(",", 1) || is_symbol("}", 1))) {
          value = next().number;
        } else if (peek().kind == Token::Kind::identifier && constants_.count(peek().text) &&
                   (is_symbol(",", 1) || is_symbol("}", 1))) {
          value = constants_.at(next().text);
        } else {
          // A value the previewer does not work out: the name stays unknown.
          while (!is_symbol(",") && !is_symbol("}")) {
            if (peek().kind == Token::Kind::end) fail(peek(), "'}' to close the enum");
            if (is_symbol("(") || is_symbol("[") || is_symbol("{")) {
              skip_group();
            } else {
              next();
            }
          }
          if (!is_symbol(",")) break;
          next();
          continue;
        }
        if (negative) value = -value;
      }
      if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max()) {
        fail_at(at, "the value of " + constant + " does not fit in an int");
      }
      constants_[constant] = static_cast<int32_t>(value);
      if (!is_symbol(",")) break;
      next();
    }
    expect("}");
    expect(";");
  }

  void structure() {
    while (is_word("managed") || is_word("builtin") || is_word("autoptr") || is_word("internalstring")) next();
    if (!is_word("struct")) {  // modifiers before something else: passed over
      skip_statement();
      return;
    }
    next();
    if (peek().kind == Token::Kind::identifier) struct_types_.insert(next().text);
    if (is_word("extends")) {
      next();
      name();
    }
    if (is_symbol("{")) skip_group();
    if (!is_symbol(";")) fail(peek(), "';' after the struct");
    next();
  }

  void import(bool first_pass) {
    next();  // 'import'
    const size_t start = at_;
    skip_to_semicolon();
    if (!first_pass) return;
    // "import int f(int);": the name before the first '('.
    for (size_t i = start; i + 1 < at_; ++i) {
      if (tokens_[i].kind == Token::Kind::identifier && tokens_[i + 1].kind == Token::Kind::symbol &&
          tokens_[i + 1].text == "(") {
        if (!defined_.count(tokens_[i].text)) imported_.insert(tokens_[i].text);
        break;
      }
    }
  }

  void declaration_or_function(Script &out, bool first_pass, bool header) {
    const size_t start = at_;
    bool modified = false;
    no_loop_check_ = false;
    while (peek().kind == Token::Kind::identifier && modifiers.count(peek().text)) {
      no_loop_check_ = no_loop_check_ || peek().text == "noloopcheck";
      next();
      modified = true;
    }
    const Token &type = next();
    bool pointer = false;
    if (is_symbol("*")) {
      next();
      pointer = true;
    }
    bool dynamic_array = false;
    if (is_symbol("[") && is_symbol("]", 1)) {
      next();
      next();
      dynamic_array = true;
    }
    if (peek().kind != Token::Kind::identifier) fail(peek(), "a name after '" + type.text + "'");
    const Token &name_token = next();
    if (is_symbol("::")) {  // a struct's own function, defined outside it
      next();
      name();
      skip_function_rest();
      return;
    }
    if (is_symbol("(")) {
      function(out, first_pass, header, type, name_token, pointer || dynamic_array);
      return;
    }
    const bool supported = !modified && !pointer && !dynamic_array && !is_symbol("[") &&
                           (integer_types.count(type.text) || type.text == "string" || enum_type(type.text));
    if (header || first_pass || !supported) {
      // Kept by name only: code that runs and uses it is refused.
      if (!first_pass && !header) {
        std::string what = type.text + (pointer ? "*" : "") + (dynamic_array ? "[]" : "");
        if (is_symbol("[")) what += " array";
        at_ = start;
        while (!is_symbol(";")) {
          if (peek().kind == Token::Kind::end) fail(peek(), "';'");
          if (peek().kind == Token::Kind::identifier && (is_symbol(",", 1) || is_symbol(";", 1) || is_symbol("=", 1) ||
                                                          is_symbol("[", 1))) {
            VariableInfo info;
            info.unsupported = what;
            scopes_.front()[peek().text] = info;
          }
          if (is_symbol("(") || is_symbol("{") || is_symbol("[")) {
            skip_group();
          } else {
            next();
          }
        }
        next();
      } else {
        skip_to_semicolon();
      }
      return;
    }
    at_ = start;
    for (Statement &declared : declaration()) out.globals.push_back(std::move(declared));
  }

  bool enum_type(const std::string &type) const { return enum_types_.count(type) != 0; }

  // After a function's parameters: its body or a ';'.
  void skip_function_rest() {
    if (is_symbol("(")) skip_group();
    while (!is_symbol("{") && !is_symbol(";")) {
      if (peek().kind == Token::Kind::end) fail(peek(), "'{' to begin the function's body");
      next();
    }
    if (is_symbol("{")) {
      skip_group();
    } else {
      next();
    }
  }

  void function(Script &out, bool first_pass, bool header, const Token &type, const Token &name_token,
                bool pointer_result) {
    const std::string &function_name = name_token.text;
    if (!first_pass || header) {
      skip_function_rest();
      return;
    }
    ScriptFunction read;
    read.name = function_name;
    read.line = name_token.line;
    read.no_loop_check = no_loop_check_;
    read.result = type.text;
    if (!function_results.count(type.text) || pointer_result) {
      read.cannot_run = "a function that returns '" + type.text + (pointer_result ? "*" : "") + "'";
    }
    next();  // '('
    while (!is_symbol(")")) {
      if (peek().kind == Token::Kind::end) fail(peek(), "')' to close the parameters");
      if (is_word("this")) {
        read.cannot_run = "an extender function";
        while (!is_symbol(")") && peek().kind != Token::Kind::end) next();
        break;
      }
      if (is_symbol("...")) {
        read.cannot_run = "a function with any number of parameters";
        next();
        break;
      }
      Parameter parameter;
      bool constant = false;
      if (is_word("const")) {
        next();
        constant = true;
      }
      const Token &parameter_type = peek();
      parameter.type = name();
      bool pointer = false;
      if (is_symbol("*")) {
        next();
        pointer = true;
      }
      if (peek().kind == Token::Kind::identifier) parameter.name = next().text;
      if (is_symbol("[")) {
        skip_group();
        pointer = true;
      }
      if (is_symbol("=")) {  // a default value
        while (!is_symbol(",") && !is_symbol(")") && peek().kind != Token::Kind::end) next();
      }
      // A type the previewer does not know, passed by value, is one of the
      // engine's enums (MouseButton, eKeyCode): an int.
      const bool integer = integer_types.count(parameter.type) || enum_type(parameter.type) ||
                           (!pointer && parameter.type != "float" && parameter.type != "String" &&
                            parameter.type != "string" && !struct_types_.count(parameter.type));
      if (pointer || !(integer || parameter.type == "string")) {
        if (read.cannot_run.empty()) {
          read.cannot_run = "a function with a '" + parameter_type.text + (pointer ? "*" : "") + "' parameter";
        }
      } else if (integer) {
        parameter.type = integer_types.count(parameter.type) ? parameter.type : "int";
      } else if (constant) {
        parameter.type = "const string";
      }
      read.parameters.push_back(parameter);
      if (!is_symbol(",")) break;
      next();
    }
    expect(")");
    if (is_symbol(";")) {  // declared here, defined further on or elsewhere
      next();
      return;
    }
    if (!is_symbol("{")) fail(peek(), "'{' to begin the function's body");
    if (!defined_.insert(function_name).second) fail_at(name_token, "a second function named '" + function_name + "'");
    if (plugin_.count(function_name) || is_builtin(function_name)) {
      fail_at(name_token, "'" + function_name + "' is already a function of the engine or the plug-in");
    }
    imported_.erase(function_name);
    FunctionPlace place;
    place.body = at_;
    skip_group();
    place.end = at_;
    places_[function_name] = place;
    user_functions_[function_name] = read;
    out.functions.push_back(read);
  }

  // ----- which functions run -----

  // The names a body calls, read from its tokens alone.
  std::set<std::string> calls_in(const FunctionPlace &place) const {
    std::set<std::string> names;
    for (size_t i = place.body; i + 1 < place.end; ++i) {
      if (tokens_[i].kind == Token::Kind::identifier && tokens_[i + 1].kind == Token::Kind::symbol &&
          tokens_[i + 1].text == "(") {
        names.insert(tokens_[i].text);
      }
    }
    return names;
  }

  // Every function's calls, by its name.
  std::map<std::string, std::set<std::string>> call_graph() const {
    std::map<std::string, std::set<std::string>> calls;
    for (const auto &place : places_) calls[place.first] = calls_in(place.second);
    return calls;
  }

  // True when `name` calls the plug-in, itself or through the functions it calls.
  bool reaches_plugin(const std::map<std::string, std::set<std::string>> &calls, const std::string &name) const {
    std::set<std::string> seen;
    std::vector<std::string> stack = {name};
    while (!stack.empty()) {
      const std::string current = stack.back();
      stack.pop_back();
      const auto found = calls.find(current);
      if (!seen.insert(current).second || found == calls.end()) continue;
      for (const std::string &callee : found->second) {
        if (plugin_.count(callee)) return true;
        stack.push_back(callee);
      }
    }
    return false;
  }

  // The functions no other calls that reach the plug-in, through the calls
  // their bodies make.
  std::vector<std::string> uncalled_reaching_plugin(const Script &out) const {
    const std::map<std::string, std::set<std::string>> calls = call_graph();
    std::set<std::string> called;
    for (const auto &caller : calls) {
      for (const std::string &callee : caller.second) {
        if (callee != caller.first) called.insert(callee);
      }
    }
    std::vector<std::string> candidates;
    for (const ScriptFunction &function : out.functions) {
      if (!called.count(function.name) && reaches_plugin(calls, function.name)) candidates.push_back(function.name);
    }
    return candidates;
  }

  // Nothing chosen: read what can be read, so that the script written back as
  // AGS code and a later choice see the same functions.
  void read_every_function(Script &out) {
    for (const ScriptFunction &function : out.functions) {
      try {
        read_function(out, function.name);
      } catch (const ScriptError &) {
      }
    }
    // A function that calls one that could not be read cannot run either.
    for (bool changed = true; changed;) {
      changed = false;
      for (ScriptFunction &function : out.functions) {
        if (!function.read) continue;
        for (const std::string &callee : calls_in(places_.at(function.name))) {
          const auto other = std::find_if(out.functions.begin(), out.functions.end(),
                                          [&](const ScriptFunction &f) { return f.name == callee; });
          if (other == out.functions.end() || other->read) continue;
          function.read = false;
          function.body.clear();
          changed = true;
          break;
        }
      }
    }
  }

  void choose_entry(Script &out) {
    std::vector<std::string> roots = called_;
    const std::map<std::string, std::set<std::string>> calls = call_graph();
    for (ScriptFunction &function : out.functions) function.reaches_plugin = reaches_plugin(calls, function.name);
    if (options_.list_only) {
      out.entry_problem = "no function is chosen when the functions are listed";
    } else if (!options_.entry.empty()) {
      if (!places_.count(options_.entry)) {
        throw ScriptError(file_, 1, 1, "no function named '" + options_.entry + "'", Hint::choose_function);
      }
      out.entry = options_.entry;
    } else if (!out.statements.empty()) {
      out.entry = "";
    } else if (places_.count(options_.event_entry) && reaches_plugin(calls, options_.event_entry)) {
      out.entry = options_.event_entry;
    } else if (places_.count("play_credits")) {
      out.entry = "play_credits";
    } else if (places_.size() == 1) {
      out.entry = places_.begin()->first;
    } else if (places_.empty()) {
      out.entry_problem = "the script has no statements to run";
    } else {
      // The one function no other calls that reaches the plug-in.
      const std::vector<std::string> candidates = uncalled_reaching_plugin(out);
      if (candidates.size() == 1) {
        out.entry = candidates.front();
      } else {
        std::string names;
        for (const ScriptFunction &function : out.functions) names += (names.empty() ? "" : ", ") + function.name;
        out.entry_problem = "which function plays the credits? (" + names + ")";
      }
    }
    if (!out.entry.empty()) {
      const auto chosen = std::find_if(out.functions.begin(), out.functions.end(),
                                       [&](const ScriptFunction &f) { return f.name == out.entry; });
      if (chosen != out.functions.end() && !chosen->parameters.empty()) {
        const size_t count = chosen->parameters.size();
        throw ScriptError(file_, chosen->line, 1,
                          "'" + out.entry + "' takes " + std::to_string(count) + " parameter" + (count == 1 ? "" : "s") +
                              "; the credits start from a function that takes none (call " + out.entry +
                              " from one)",
                          options_.entry.empty() ? Hint::choose_function : Hint::none);
      }
      roots.push_back(out.entry);
    }
    if (!out.entry_problem.empty()) {
      read_every_function(out);
      return;
    }
    // Reading a body may find more functions that run.
    for (size_t i = 0; i < roots.size(); ++i) {
      read_function(out, roots[i]);
      for (const std::string &callee : called_) {
        if (std::find(roots.begin(), roots.end(), callee) == roots.end()) roots.push_back(callee);
      }
    }
  }

  void read_function(Script &out, const std::string &function_name) {
    const auto place = places_.find(function_name);
    if (place == places_.end()) return;
    auto found = std::find_if(out.functions.begin(), out.functions.end(),
                              [&](const ScriptFunction &function) { return function.name == function_name; });
    if (found == out.functions.end() || found->read) return;
    const size_t index = static_cast<size_t>(found - out.functions.begin());
    at_ = place->second.body;
    const ScriptFunction &head = user_functions_.at(function_name);
    scopes_.resize(1);
    scopes_.push_back({});
    for (const Parameter &parameter : head.parameters) {
      VariableInfo info;
      info.type = parameter.type == "string" || parameter.type == "const string" ? ValueType::text : ValueType::integer;
      info.constant = parameter.type == "const string";
      if (!parameter.name.empty()) scopes_.back()[parameter.name] = info;
    }
    std::vector<Statement> body = block();
    scopes_.resize(1);
    out.functions[index].body = std::move(body);
    out.functions[index].read = true;
  }

  // ----- declarations -----

  std::vector<Statement> declaration() {
    const Token &type = next();
    std::vector<Statement> out;
    const std::string stored = enum_type(type.text) ? "int" : type.text;
    for (;;) {
      Statement declared;
      declared.kind = Statement::Kind::declaration;
      declared.type = stored;
      declared.line = peek().line;
      declared.column = peek().column;
      const Token &at = peek();
      declared.name = name();
      if (plugin_.count(declared.name) || user_functions_.count(declared.name) || is_builtin(declared.name)) {
        fail_at(at, "'" + declared.name + "' is a function's name; choose another for the variable");
      }
      if (is_symbol("[")) not_run(peek(), "'" + declared.name + "[]'", "arrays");
      if (is_symbol("=")) {
        if (stored == "string") fail_at(peek(), "a string is filled with StrCopy, not '='");
        next();
        declared.expression = integer_expression();
        declared.has_expression = true;
      }
      VariableInfo info;
      info.type = stored == "string" ? ValueType::text : ValueType::integer;
      scopes_.back()[declared.name] = info;
      out.push_back(std::move(declared));
      if (!is_symbol(",")) break;
      next();
    }
    expect(";");
    return out;
  }

  bool is_local_declaration() const {
    if (is_word("int") || is_word("string") || is_word("bool") || is_word("short") || is_word("char")) return true;
    if (peek().kind == Token::Kind::identifier && enum_type(peek().text) && peek(1).kind == Token::Kind::identifier) {
      return true;
    }
    return false;
  }

  // A declaration of a type the previewer does not hold, inside code that runs.
  void refuse_other_declaration() {
    if (peek().kind != Token::Kind::identifier || variable_info(peek().text) != nullptr) return;
    const bool pointer = is_symbol("*", 1) && peek(2).kind == Token::Kind::identifier;
    if (pointer || peek(1).kind == Token::Kind::identifier || (is_symbol("[", 1) && is_symbol("]", 2))) {
      const Token &type = peek();
      not_run(type, "'" + type.text + (pointer ? "*" : "") + "' variables", "them");
    }
  }

  // ----- statements -----

  std::vector<Statement> block() {
    const Token &open = next();  // '{'
    scopes_.push_back({});
    std::vector<Statement> out;
    while (!is_symbol("}")) {
      if (peek().kind == Token::Kind::end) fail(peek(), "'}' to close the block opened at line " + std::to_string(open.line));
      if (is_local_declaration()) {
        for (Statement &declared : declaration()) out.push_back(std::move(declared));
      } else {
        out.push_back(statement());
      }
    }
    next();
    scopes_.pop_back();
    return out;
  }

  // One statement, as the body of an if, else or loop.
  std::vector<Statement> body() {
    if (is_symbol("{")) return block();
    if (is_local_declaration()) fail_at(peek(), "a declaration needs braces around it here");
    std::vector<Statement> out;
    out.push_back(statement());
    return out;
  }

  Statement statement() {
    const Token &start = peek();
    Depth depth(*this, start);
    Statement out;
    out.line = start.line;
    out.column = start.column;
    if (is_symbol("{")) {
      out.kind = Statement::Kind::block;
      out.body = block();
    } else if (is_word("if")) {
      next();
      out.kind = Statement::Kind::if_else;
      out.expression = condition();
      out.has_expression = true;
      out.body = body();
      if (is_word("else")) {
        next();
        out.otherwise = body();
      }
    } else if (is_word("while")) {
      next();
      out.kind = Statement::Kind::while_loop;
      out.expression = condition();
      out.has_expression = true;
      ++loops_;
      out.body = body();
      --loops_;
    } else if (is_word("do")) {
      next();
      out.kind = Statement::Kind::do_while;
      ++loops_;
      out.body = body();
      --loops_;
      if (!is_word("while")) fail(peek(), "'while' after the body of 'do'");
      next();
      out.expression = condition();
      out.has_expression = true;
      end_statement(start);
    } else if (is_word("for")) {
      next();
      out.kind = Statement::Kind::for_loop;
      expect("(");
      scopes_.push_back({});
      if (is_local_declaration()) {
        for (Statement &declared : declaration()) out.init.push_back(std::move(declared));
      } else {
        if (!is_symbol(";")) out.init.push_back(simple_statement());
        expect(";");
      }
      if (!is_symbol(";")) {
        out.expression = integer_expression();
        out.has_expression = true;
      }
      expect(";");
      if (!is_symbol(")")) out.step.push_back(simple_statement());
      expect(")");
      ++loops_;
      out.body = body();
      --loops_;
      scopes_.pop_back();
    } else if (is_word("return")) {
      next();
      out.kind = Statement::Kind::return_value;
      if (!is_symbol(";")) {
        out.expression = integer_expression();
        out.has_expression = true;
      }
      end_statement(start);
    } else if (is_word("break") || is_word("continue")) {
      if (loops_ == 0) fail_at(start, "'" + start.text + "' outside a loop");
      out.kind = is_word("break") ? Statement::Kind::break_loop : Statement::Kind::continue_loop;
      next();
      end_statement(start);
    } else if (is_word("else")) {
      fail_at(start, "'else' without an 'if' before it");
    } else if (start.kind == Token::Kind::identifier && unsupported_words().count(start.text)) {
      not_run(start, "'" + start.text + "'", "it");
    } else {
      refuse_other_declaration();
      out = simple_statement();
      end_statement(start);
    }
    return out;
  }

  static const std::set<std::string> &unsupported_words() {
    static const std::set<std::string> words = {"switch", "case", "default", "struct", "enum", "import", "export",
                                                "static", "managed", "new", "readonly", "this", "function"};
    return words;
  }

  // obj.Name, obj[i].Name, obj.Name[i].Other: how far the chain goes from `at_`.
  size_t member_chain_end() const {
    size_t ahead = 1;
    for (;;) {
      if (is_symbol("[", ahead)) {
        int depth = 0;
        do {
          if (peek(ahead).kind == Token::Kind::end) return ahead;
          if (is_symbol("[", ahead)) ++depth;
          if (is_symbol("]", ahead)) --depth;
          ++ahead;
        } while (depth > 0);
      } else if (is_symbol(".", ahead) && peek(ahead + 1).kind == Token::Kind::identifier) {
        ahead += 2;
      } else {
        return ahead;
      }
    }
  }

  std::string chain_text(size_t end) const {
    std::string text;
    for (size_t i = 0; i < end; ++i) text += peek(i).text;
    return text;
  }

  // The chain without what its brackets hold: "gui[2].Visible" is "gui.Visible".
  std::string chain_name(size_t end) const {
    std::string text;
    int brackets = 0;
    for (size_t i = 0; i < end; ++i) {
      if (is_symbol("[", i)) ++brackets;
      if (brackets == 0) text += peek(i).text;
      if (is_symbol("]", i)) --brackets;
    }
    return text;
  }

  // An engine object's property set or method called, as a whole statement.
  bool member_statement(Statement &out) {
    const size_t end = member_chain_end();
    if (end == 1 || peek().kind != Token::Kind::identifier || variable_info(peek().text) != nullptr) return false;
    const std::string member = chain_text(end);
    const std::string name = chain_name(end);
    const Token &start = peek();
    // An engine object's member ends in ".Name"; anything else is an array.
    if (!is_symbol(".", end - 2) || peek(end - 1).kind != Token::Kind::identifier) {
      not_run(start, "'" + printable(member) + "'", "arrays");
    }
    if (is_symbol("(", end)) {
      // A method: its arguments are not read, as the previewer does not
      // pass them anywhere.
      for (size_t i = 0; i < end; ++i) next();
      skip_group();
      out.kind = Statement::Kind::expression;
      out.expression.kind = Expression::Kind::call;
      out.expression.text = name;
      out.expression.line = start.line;
      out.expression.column = start.column;
      out.has_expression = true;
      return true;
    }
    const Token &op = peek(end);
    if (op.kind == Token::Kind::symbol && (assignment_operators.count(op.text) || op.text == "++" || op.text == "--")) {
      while (!is_symbol(";")) {
        if (peek().kind == Token::Kind::end) fail(peek(), "';'");
        if (is_symbol("(") || is_symbol("[") || is_symbol("{")) {
          skip_group();
        } else {
          next();
        }
      }
      out.kind = Statement::Kind::not_previewed;
      out.name = name;
      return true;
    }
    not_run(start, "'" + member + "'", "new-style objects and properties");
  }

  // An assignment or an expression (a call), without the ';'.
  Statement simple_statement() {
    const Token &start = peek();
    Statement out;
    out.line = start.line;
    out.column = start.column;
    if (member_statement(out)) return out;
    const Token &after = peek(1);
    if (start.kind == Token::Kind::identifier && after.kind == Token::Kind::symbol &&
        (assignment_operators.count(after.text) || after.text == "++" || after.text == "--")) {
      out.kind = Statement::Kind::assignment;
      out.name = next().text;
      const VariableInfo *info = variable_info(out.name);
      if (info == nullptr) {
        if (constants_.count(out.name)) fail_at(start, "'" + out.name + "' is a constant; it cannot be assigned");
        fail_at(start, "'" + out.name + "' is not a declared variable");
      }
      if (!info->unsupported.empty()) refuse_variable(start, *info);
      if (info->type == ValueType::text) fail_at(start, "a string is filled with StrCopy, StrCat or StrFormat, not '" + after.text + "'");
      out.op = next().text;
      if (out.op != "++" && out.op != "--") {
        out.expression = integer_expression();
        out.has_expression = true;
      }
      return out;
    }
    out.kind = Statement::Kind::expression;
    out.expression = expression();
    out.has_expression = true;
    if (out.expression.kind != Expression::Kind::call) {
      fail_at(start, "a call or an assignment; this expression does nothing");
    }
    return out;
  }

  Expression condition() {
    const Token &open = peek();
    expect("(");
    Expression out = integer_expression();
    close_parenthesis(open);
    return out;
  }

  // ----- expressions -----

  Expression integer_expression() {
    const Token &start = peek();
    Expression out = expression();
    require(out, ValueType::integer, start, "an int value");
    return out;
  }

  Expression expression() { return binary(0); }

  // Precedence levels from loosest: ||, &&, comparisons, + -, * / %.
  Expression binary(int level) {
    if (level == 5) return unary();
    const Token &start = peek();
    Expression left = binary(level + 1);
    for (;;) {
      if (peek().kind != Token::Kind::symbol) return left;
      const std::string &op = peek().text;
      const bool matches = (level == 0 && op == "||") || (level == 1 && op == "&&") ||
                           (level == 2 && comparison_operators.count(op)) ||
                           (level == 3 && (op == "+" || op == "-")) ||
                           (level == 4 && (op == "*" || op == "/" || op == "%"));
      if (!matches) {
        if (op == "&" || op == "|" || op == "^" || op == "<<" || op == ">>" || op == "?") {
          not_run(peek(), "the operator '" + op + "'");
        }
        return left;
      }
      const Token &op_token = next();
      require(left, ValueType::integer, start, "an int before '" + op_token.text + "'");
      const Token &right_start = peek();
      Expression right = binary(level + 1);
      require(right, ValueType::integer, right_start, "an int after '" + op_token.text + "'");
      Expression combined;
      combined.depth = 1 + std::max(left.depth, right.depth);
      if (combined.depth > MAX_NESTING) {
        fail_at(op_token, "an expression nested deeper than " + std::to_string(MAX_NESTING) + " levels; split it up");
      }
      combined.kind = Expression::Kind::binary;
      combined.text = op_token.text;
      combined.line = op_token.line;
      combined.column = op_token.column;
      combined.operands.push_back(std::move(left));
      combined.operands.push_back(std::move(right));
      left = std::move(combined);
    }
  }

  Expression unary() {
    const Token &start = peek();
    Depth depth(*this, start);
    if (is_symbol("-") || is_symbol("!")) {
      const Token &op = next();
      if (op.text == "-" && peek().kind == Token::Kind::number) {  // a negative literal
        const int64_t number = -peek().number;
        if (number < std::numeric_limits<int32_t>::min()) fail(start, "a number from -2147483648 to 2147483647");
        next();
        Expression literal;
        literal.number = static_cast<int32_t>(number);
        literal.line = start.line;
        literal.column = start.column;
        return literal;
      }
      const Token &operand_start = peek();
      Expression operand = unary();
      require(operand, ValueType::integer, operand_start, "an int after '" + op.text + "'");
      Expression out;
      out.depth = operand.depth + 1;
      out.kind = Expression::Kind::unary;
      out.text = op.text;
      out.line = op.line;
      out.column = op.column;
      out.operands.push_back(std::move(operand));
      return out;
    }
    return primary();
  }

  Expression primary() {
    const Token &token = peek();
    Expression out;
    out.line = token.line;
    out.column = token.column;
    if (token.kind == Token::Kind::number) {
      if (token.number > std::numeric_limits<int32_t>::max()) fail(token, "a number from -2147483648 to 2147483647");
      out.number = static_cast<int32_t>(next().number);
    } else if (token.kind == Token::Kind::real) {
      not_run(token, "'" + token.text + "'", "float values");
    } else if (token.kind == Token::Kind::text) {
      out.kind = Expression::Kind::text;
      out.text = next().text;
    } else if (is_symbol("(")) {
      const Token &open = next();
      out = expression();
      close_parenthesis(open);
    } else if (token.kind == Token::Kind::identifier && is_symbol("(", 1)) {
      out = call();
    } else if (token.kind == Token::Kind::identifier) {
      const VariableInfo *info = variable_info(token.text);
      if (info == nullptr && (is_symbol(".", 1) || is_symbol("[", 1))) {
        not_run(token, "'" + chain_text(member_chain_end()) + "'", "new-style objects and properties");
      }
      if (info == nullptr && constants_.count(token.text)) {
        out.number = constants_.at(next().text);
        return out;
      }
      if (info == nullptr) {
        if (is_word("null") || is_word("new") || is_word("this")) not_run(token, "'" + token.text + "'");
        if (plugin_.count(token.text) || user_functions_.count(token.text) || is_builtin(token.text)) {
          fail(peek(1), "'(' to call " + token.text);
        }
        fail_at(token, "'" + token.text + "' is not a declared variable or a known function");
      }
      if (!info->unsupported.empty()) refuse_variable(token, *info);
      if (is_symbol("[", 1) || is_symbol(".", 1)) {
        not_run(token, "'" + chain_text(member_chain_end()) + "'", "arrays and members");
      }
      out.kind = Expression::Kind::variable;
      out.text = next().text;
    } else {
      fail(token, "a value");
    }
    return out;
  }

  [[noreturn]] void refuse_variable(const Token &at, const VariableInfo &info) {
    not_run(at, "'" + at.text + "' is a global of type '" + info.unsupported + "'", "such variables");
  }

  static bool is_builtin(const std::string &name) {
    return name == "Wait" || find_string_function(name) != nullptr || find_engine_function(name) != nullptr;
  }

  // What a call's parameters take: each one's type, its name, and whether
  // it is written into; `any_more` for StrFormat's values.
  struct Parameters {
    std::vector<ValueType> types;
    std::vector<std::string> names;
    std::vector<bool> written;
    bool any_more = false;
  };

  Expression call() {
    const Token &name_token = next();
    Expression out;
    out.kind = Expression::Kind::call;
    out.text = name_token.text;
    out.line = name_token.line;
    out.column = name_token.column;
    const auto plugin = plugin_.find(out.text);
    const auto user = user_functions_.find(out.text);
    const StringFunction *strings = find_string_function(out.text);
    const EngineFunction *engine = find_engine_function(out.text);
    if (user != user_functions_.end() && !user->second.cannot_run.empty()) {
      not_run(name_token, "'" + out.text + "' is " + user->second.cannot_run, "such functions");
    }
    if (plugin == plugin_.end() && user == user_functions_.end() && strings == nullptr && engine == nullptr &&
        out.text != "Wait") {
      unknown_function(name_token);
    }
    if (engine != nullptr && (engine->kind == EngineCallKind::not_previewed ||
                              engine->kind == EngineCallKind::shows_something ||
                              engine->kind == EngineCallKind::answers_zero)) {
      skip_group();  // what it is given changes nothing the preview shows
      return out;
    }
    const std::vector<Token> argument_tokens = arguments(out);
    const size_t count = out.operands.size();
    if (engine != nullptr) {
      if (count < static_cast<size_t>(engine->min_arguments) || count > static_cast<size_t>(engine->max_arguments)) {
        const int low = engine->min_arguments;
        const int high = engine->max_arguments;
        fail_at(name_token, "expected " + std::to_string(low) + (high != low ? " to " + std::to_string(high) : "") +
                                " argument" + (high == 1 ? "" : "s") + " for " + out.text + ", found " +
                                std::to_string(count));
      }
      for (size_t i = 0; i < count; ++i) {
        if (type_of(out.operands[i]) == nullptr) fail_at(argument_tokens[i], "a value for " + out.text);
      }
      return out;
    }
    Parameters wanted;
    if (plugin != plugin_.end()) {
      wanted.types = plugin->second.parameters;
      wanted.names = plugin->second.parameter_names;
      wanted.written.assign(wanted.types.size(), true);  // the plug-in takes 'string', not 'const string'
    } else if (out.text == "Wait") {
      wanted.types = {ValueType::integer};
      wanted.names = {"frames"};
    } else if (strings != nullptr) {
      wanted = string_function_parameters(*strings, out.text);
    } else {
      for (const Parameter &parameter : user->second.parameters) {
        const bool text = parameter.type == "string" || parameter.type == "const string";
        wanted.types.push_back(text ? ValueType::text : ValueType::integer);
        wanted.names.push_back(parameter.name);
        wanted.written.push_back(parameter.type == "string");
      }
      called_.push_back(out.text);
    }
    check_arguments(name_token, out, argument_tokens, wanted, strings != nullptr);
    return out;
  }

  [[noreturn]] void unknown_function(const Token &name_token) {
    const std::string &name = name_token.text;
    if (imported_.count(name)) not_run(name_token, "'" + name + "()' is imported from another script", "other scripts");
    if (options_.game_script && variable_info(name) == nullptr) {
      not_run(name_token, name + "()",
              "this function (it runs the plug-in's functions, Wait, the Str functions, a few engine functions "
              "and the script's own)");
    }
    std::string known = "Wait, StrCopy, StrCat, StrFormat";
    for (const auto &function : plugin_) known += ", " + function.first;
    fail_at(name_token, "expected a known function, found '" + name + "' (known: " + known + ")");
  }

  // A call's arguments, from its '(' to its ')'; the first token of each.
  std::vector<Token> arguments(Expression &out) {
    const Token &open = peek();
    expect("(");
    std::vector<Token> tokens;
    while (!is_symbol(")")) {
      if (!out.operands.empty()) {
        if (!is_symbol(",")) {
          fail_at(open, "expected ')' to close this '(' (or ',' before another value), found " + describe(peek()) +
                            where(peek(), open));
        }
        next();
      }
      tokens.push_back(peek());
      out.operands.push_back(expression());
      out.depth = std::max(out.depth, out.operands.back().depth + 1);
    }
    next();
    return tokens;
  }

  static Parameters string_function_parameters(const StringFunction &function, const std::string &name) {
    Parameters wanted;
    const std::string parameters = function.parameters;
    for (size_t i = 0; i < parameters.size(); ++i) {
      wanted.types.push_back(parameters[i] == 'i' ? ValueType::integer : ValueType::text);
      wanted.written.push_back(parameters[i] == 'd');
      if (parameters[i] == 'd') {
        wanted.names.push_back("destination");
      } else if (parameters[i] == 'i') {
        wanted.names.push_back(i == 1 ? "index" : "character");
      } else {
        wanted.names.push_back(name == "StrFormat" ? "format" : i == 0 ? "text" : "source");
      }
    }
    wanted.any_more = function.more;
    return wanted;
  }

  // As many arguments as the parameters take, each of its type; a string
  // that is written into is one that may be.
  void check_arguments(const Token &name_token, const Expression &out, const std::vector<Token> &tokens,
                       const Parameters &wanted, bool string_function) {
    const size_t count = out.operands.size();
    const size_t least = wanted.types.size();
    if (count < least || (!wanted.any_more && count > least)) {
      fail_at(name_token, "expected " + std::string(wanted.any_more ? "at least " : "") + std::to_string(least) +
                              " argument" + (least == 1 ? "" : "s") + " for " + out.text + ", found " +
                              std::to_string(count));
    }
    for (size_t i = 0; i < least; ++i) {
      const std::string kind = wanted.types[i] == ValueType::text ? "a string" : "an int";
      require(out.operands[i], wanted.types[i], tokens[i], kind + " for '" + wanted.names[i] + "' of " + out.text);
      if (wanted.types[i] != ValueType::text || i >= wanted.written.size() || !wanted.written[i]) continue;
      const Expression &argument = out.operands[i];
      const bool constant = argument.kind == Expression::Kind::variable && variable_info(argument.text)->constant;
      if (string_function && i == 0) {
        const bool writable = (argument.kind == Expression::Kind::variable && !constant) ||
                              (argument.kind == Expression::Kind::call && plugin_.count(argument.text));
        if (constant) fail_at(tokens[i], "cannot convert 'const string' to 'string'");
        if (!writable) fail_at(tokens[i], out.text + " writes into a string variable; its first argument must be one");
        continue;
      }
      // A text that may not be written into, where a 'string' is wanted.
      const bool literal = argument.kind == Expression::Kind::text;
      if (constant || (literal && options_.game_script)) fail_at(tokens[i], "cannot convert 'const string' to 'string'");
    }
    for (size_t i = least; i < count; ++i) {
      if (type_of(out.operands[i]) == nullptr) fail_at(tokens[i], "a value for StrFormat's format");
    }
  }

  // The type an expression gives, or null for a call that returns nothing.
  const ValueType *type_of(const Expression &expression) const {
    static const ValueType integer = ValueType::integer;
    static const ValueType text = ValueType::text;
    switch (expression.kind) {
      case Expression::Kind::text:
        return &text;
      case Expression::Kind::variable: {
        const VariableInfo *info = variable_info(expression.text);
        return info == nullptr ? nullptr : &info->type;
      }
      case Expression::Kind::call: {
        const auto plugin = plugin_.find(expression.text);
        if (plugin != plugin_.end()) {
          if (plugin->second.result == "int") return &integer;
          if (plugin->second.result == "string") return &text;
          return nullptr;
        }
        const auto user = user_functions_.find(expression.text);
        if (user != user_functions_.end()) return user->second.result == "void" ? nullptr : &integer;
        if (const StringFunction *strings = find_string_function(expression.text)) {
          return strings->returns_int ? &integer : nullptr;
        }
        if (const EngineFunction *engine = find_engine_function(expression.text)) {
          return engine->returns_int ? &integer : nullptr;
        }
        return nullptr;  // Wait and methods return nothing here
      }
      default:
        return &integer;
    }
  }

  void require(const Expression &expression, ValueType wanted, const Token &at, const std::string &what) {
    const ValueType *type = type_of(expression);
    if (type == nullptr) {
      fail_at(at, "expected " + what + ", found " + expression.text + "(), which returns nothing");
    }
    if (*type != wanted) fail(at, what);
  }

  const VariableInfo *variable_info(const std::string &variable) const {
    for (auto scope = scopes_.rbegin(); scope != scopes_.rend(); ++scope) {
      const auto found = scope->find(variable);
      if (found != scope->end()) return &found->second;
    }
    return nullptr;
  }

  // A while loop that waits on the plug-in must let frames pass, or the
  // game would hang in it.
  void check_loops(const Script &script) {
    // Which functions can let a frame pass: those that wait themselves, then
    // those that call one that can, until nothing changes. Walking each body
    // once, without following calls, keeps the walk as deep as one
    // function's nesting however long a chain of calls is.
    std::map<std::string, bool> can_wait;
    std::map<std::string, std::set<std::string>> callees;
    std::set<std::string> *calls_seen = nullptr;
    std::function<bool(const Statement &)> statement_waits;
    std::function<bool(const Expression &)> expression_waits = [&](const Expression &expression) {
      bool waits = false;
      if (expression.kind == Expression::Kind::call) {
        const EngineFunction *engine = find_engine_function(expression.text);
        if (expression.text == "Wait" || (engine != nullptr && engine->kind == EngineCallKind::waits)) {
          waits = !(expression.operands[0].kind == Expression::Kind::number && expression.operands[0].number <= 0);
        }
        const auto found = can_wait.find(expression.text);
        if (found != can_wait.end()) {
          waits = waits || found->second;
          if (calls_seen != nullptr) calls_seen->insert(expression.text);
        }
      }
      for (const Expression &operand : expression.operands) waits = expression_waits(operand) || waits;
      return waits;
    };
    statement_waits = [&](const Statement &statement) {
      bool waits = statement.has_expression && expression_waits(statement.expression);
      for (const auto *list : {&statement.body, &statement.otherwise, &statement.init, &statement.step}) {
        for (const Statement &inner : *list) waits = statement_waits(inner) || waits;
      }
      return waits;
    };
    for (const ScriptFunction &function : script.functions) can_wait[function.name] = false;
    for (const ScriptFunction &function : script.functions) {
      calls_seen = &callees[function.name];
      bool waits = false;
      for (const Statement &statement : function.body) waits = statement_waits(statement) || waits;
      can_wait[function.name] = waits;
    }
    calls_seen = nullptr;
    std::map<std::string, std::vector<std::string>> callers;
    std::vector<std::string> waiting;  // functions found to wait, whose callers are still to mark
    for (const auto &caller : callees) {
      for (const std::string &callee : caller.second) callers[callee].push_back(caller.first);
      if (can_wait[caller.first]) waiting.push_back(caller.first);
    }
    while (!waiting.empty()) {
      const std::string callee = waiting.back();
      waiting.pop_back();
      for (const std::string &caller : callers[callee]) {
        if (!can_wait[caller]) {
          can_wait[caller] = true;
          waiting.push_back(caller);
        }
      }
    }
    std::function<void(const std::vector<Statement> &)> check = [&](const std::vector<Statement> &statements) {
      for (const Statement &statement : statements) {
        if ((statement.kind == Statement::Kind::while_loop || statement.kind == Statement::Kind::do_while) &&
            asks_plugin(statement.expression)) {
          bool waits = false;
          for (const Statement &inner : statement.body) waits = waits || statement_waits(inner);
          if (!waits) {
            throw ScriptError(file_, statement.line, statement.column,
                              "expected the loop to call Wait with 1 or more frames, or it would never let a "
                              "frame pass");
          }
        }
        for (const auto *list : {&statement.body, &statement.otherwise, &statement.init, &statement.step}) check(*list);
      }
    };
    check(script.statements);
    for (const ScriptFunction &function : script.functions) check(function.body);
  }

  bool asks_plugin(const Expression &expression) const {
    if (expression.kind == Expression::Kind::call && plugin_.count(expression.text)) return true;
    for (const Expression &operand : expression.operands) {
      if (asks_plugin(operand)) return true;
    }
    return false;
  }

  std::string file_;
  std::vector<Token> tokens_;
  size_t at_ = 0;
  int depth_ = 0;
  bool no_loop_check_ = false;  // the declaration being read has `noloopcheck`
  int loops_ = 0;
  const std::map<std::string, FunctionSignature> &plugin_;
  const ParseOptions &options_;
  std::map<std::string, ScriptFunction> user_functions_;  // every function's head
  std::map<std::string, FunctionPlace> places_;
  std::set<std::string> defined_;
  std::set<std::string> imported_;
  std::set<std::string> enum_types_;
  std::set<std::string> struct_types_;
  std::set<std::string> audio_clips_;
  std::map<std::string, int32_t> constants_;
  std::vector<std::string> called_;  // user functions called by what was read
  std::vector<std::map<std::string, VariableInfo>> scopes_;
};

}  // namespace

ScriptError::ScriptError(const std::string &file_name, int line_number, int column_number, const std::string &text,
                         Hint what_to_do, int number)
    : std::runtime_error(file_name + ":" + std::to_string(line_number) + ":" + std::to_string(column_number) + ": " +
                         text),
      file(file_name),
      line(line_number),
      column(column_number),
      message(text),
      hint(what_to_do),
      hint_number(number) {}

std::string printable(const std::string &text, size_t limit) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (out.size() >= limit) {
      out += "... (" + std::to_string(text.size()) + " bytes in all)";
      break;
    }
    const unsigned char c = static_cast<unsigned char>(text[i]);
    // A letter of several bytes stays whole when it is well-formed UTF-8.
    size_t length = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 1;
    for (size_t k = 1; k < length; ++k) {
      if (i + k >= text.size() || (static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) length = 0;
    }
    if (c < 32 || c == 127 || (c >= 0x80 && length <= 1)) {
      out += "\\x";
      out += digits[c >> 4];
      out += digits[c & 15];
    } else {
      out.append(text, i, length);
      i += length - 1;
    }
  }
  return out;
}

std::map<std::string, FunctionSignature> parse_script_header(const std::string &header) {
  std::map<std::string, FunctionSignature> functions;
  std::istringstream lines(header);
  std::string line;
  while (std::getline(lines, line)) {
    line = trim(line);
    if (line.rfind("import ", 0) != 0) continue;
    const size_t open = line.find('(');
    const size_t close = line.find(')', open);
    if (open == std::string::npos || close == std::string::npos) continue;
    std::istringstream head(line.substr(7, open - 7));
    FunctionSignature signature;
    head >> signature.result >> signature.name;
    std::istringstream parameters(line.substr(open + 1, close - open - 1));
    std::string parameter;
    while (std::getline(parameters, parameter, ',')) {
      std::istringstream words(trim(parameter));
      std::string type;
      std::string name;
      words >> type >> name;
      if (type.empty()) continue;
      signature.parameters.push_back(type == "string" ? ValueType::text : ValueType::integer);
      signature.parameter_names.push_back(name);
    }
    functions[signature.name] = signature;
  }
  return functions;
}

Script parse_credits_script(const std::string &file, const std::string &source,
                            const std::map<std::string, FunctionSignature> &functions, const ParseOptions &options) {
  Parser parser(functions, options);
  return parser.script(file, source);
}

bool is_game_script_file(const std::string &file) {
  if (file.size() < 4) return false;
  std::string end = file.substr(file.size() - 4);
  for (char &c : end) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return end == ".asc" || end == ".ash";
}

}  // namespace rollwick_preview
