// Reads a credits script's tokens into its tree, checking names, argument
// counts and types as the engine's script compiler would.
#include <algorithm>
#include <functional>
#include <limits>
#include <set>
#include <sstream>

#include "credits_script.h"
#include "script_lexer.h"

namespace rollwick_preview {

namespace {

std::string trim(const std::string &text) {
  const size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// The string functions a credits script may call besides the plug-in's.
const std::set<std::string> string_functions = {"StrCopy", "StrCat", "StrFormat"};

const std::set<std::string> comparison_operators = {"==", "!=", "<", ">", "<=", ">="};
const std::set<std::string> assignment_operators = {"=", "+=", "-=", "*=", "/="};

class Parser {
 public:
  Parser(const std::string &file, std::vector<Token> tokens, const std::map<std::string, FunctionSignature> &functions)
      : file_(file), tokens_(std::move(tokens)), plugin_(functions) {}

  Script script() {
    Script out;
    out.file = file_;
    declare_function_names();
    scopes_.push_back({});  // the globals
    while (peek().kind != Token::Kind::end) {
      if (is_word("function")) {
        out.functions.push_back(function());
      } else if (is_word("int") || is_word("string")) {
        for (Statement &declared : declaration()) out.globals.push_back(std::move(declared));
      } else {
        out.statements.push_back(statement());
      }
    }
    check_loops(out);
    return out;
  }

 private:
  // User functions may be called before they are defined: their names are
  // known from the start.
  void declare_function_names() {
    for (size_t i = 0; i + 1 < tokens_.size(); ++i) {
      if (tokens_[i].kind == Token::Kind::identifier && tokens_[i].text == "function" &&
          tokens_[i + 1].kind == Token::Kind::identifier) {
        user_functions_.insert(tokens_[i + 1].text);
      }
    }
  }

  const Token &peek(size_t ahead = 0) const { return tokens_[std::min(at_ + ahead, tokens_.size() - 1)]; }
  const Token &next() { return tokens_[at_ < tokens_.size() - 1 ? at_++ : at_]; }
  bool is_symbol(const char *symbol) const { return peek().kind == Token::Kind::symbol && peek().text == symbol; }
  bool is_word(const char *word) const { return peek().kind == Token::Kind::identifier && peek().text == word; }
  [[noreturn]] void fail(const Token &at, const std::string &expected) {
    throw ScriptError(file_, at.line, at.column, "expected " + expected + ", found " + describe(at));
  }
  [[noreturn]] void fail_at(const Token &at, const std::string &message) {
    throw ScriptError(file_, at.line, at.column, message);
  }
  void expect(const char *symbol) {
    if (!is_symbol(symbol)) fail(peek(), std::string("'") + symbol + "'");
    next();
  }
  std::string name() {
    if (peek().kind != Token::Kind::identifier) fail(peek(), "a name");
    return next().text;
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

  // ----- declarations and functions -----

  std::vector<Statement> declaration() {
    const Token &type = next();
    std::vector<Statement> out;
    for (;;) {
      Statement declared;
      declared.kind = Statement::Kind::declaration;
      declared.type = type.text;
      declared.line = peek().line;
      declared.column = peek().column;
      const Token &at = peek();
      declared.name = name();
      if (plugin_.count(declared.name) || user_functions_.count(declared.name) || is_builtin(declared.name)) {
        fail_at(at, "'" + declared.name + "' is a function's name; choose another for the variable");
      }
      if (is_symbol("=")) {
        if (type.text == "string") fail_at(peek(), "a string is filled with StrCopy, not '='");
        next();
        declared.expression = integer_expression();
        declared.has_expression = true;
      }
      scopes_.back()[declared.name] = type.text == "string" ? ValueType::text : ValueType::integer;
      out.push_back(std::move(declared));
      if (!is_symbol(",")) break;
      next();
    }
    expect(";");
    return out;
  }

  ScriptFunction function() {
    ScriptFunction out;
    out.line = next().line;  // 'function'
    const Token &at = peek();
    out.name = name();
    if (!defined_.insert(out.name).second) fail_at(at, "a second function named '" + out.name + "'");
    if (plugin_.count(out.name) || is_builtin(out.name)) {
      fail_at(at, "'" + out.name + "' is already a function of the engine or the plug-in");
    }
    expect("(");
    if (!is_symbol(")")) fail_at(peek(), "functions with parameters are not supported");
    next();
    if (!is_symbol("{")) fail(peek(), "'{' to begin the function's body");
    scopes_.push_back({});
    out.body = block();
    scopes_.pop_back();
    return out;
  }

  // ----- statements -----

  std::vector<Statement> block() {
    const Token &open = next();  // '{'
    scopes_.push_back({});
    std::vector<Statement> out;
    while (!is_symbol("}")) {
      if (peek().kind == Token::Kind::end) fail(peek(), "'}' to close the block opened at line " + std::to_string(open.line));
      if (is_word("int") || is_word("string")) {
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
    if (is_word("int") || is_word("string")) fail_at(peek(), "a declaration needs braces around it here");
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
      out.body = body();
    } else if (is_word("for")) {
      next();
      out.kind = Statement::Kind::for_loop;
      expect("(");
      scopes_.push_back({});
      if (is_word("int")) {
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
      out.body = body();
      scopes_.pop_back();
    } else if (is_word("return")) {
      next();
      out.kind = Statement::Kind::return_value;
      if (!is_symbol(";")) {
        out.expression = integer_expression();
        out.has_expression = true;
      }
      expect(";");
    } else if (is_word("else")) {
      fail_at(start, "'else' without an 'if' before it");
    } else if (start.kind == Token::Kind::identifier && unsupported_words().count(start.text)) {
      fail_at(start, "'" + start.text + "' statements are not supported by the previewer");
    } else {
      out = simple_statement();
      expect(";");
    }
    return out;
  }

  static const std::set<std::string> &unsupported_words() {
    static const std::set<std::string> words = {"switch", "case", "do", "break", "continue", "struct", "enum",
                                                "import", "export", "static", "managed", "String", "float",
                                                "bool", "char", "short", "new", "readonly", "this"};
    return words;
  }

  // An assignment or an expression (a call), without the ';'.
  Statement simple_statement() {
    const Token &start = peek();
    Statement out;
    out.line = start.line;
    out.column = start.column;
    const Token &after = peek(1);
    if (start.kind == Token::Kind::identifier && after.kind == Token::Kind::symbol &&
        (assignment_operators.count(after.text) || after.text == "++" || after.text == "--")) {
      out.kind = Statement::Kind::assignment;
      out.name = next().text;
      const ValueType *type = variable_type(out.name);
      if (type == nullptr) fail_at(start, "'" + out.name + "' is not a declared variable");
      if (*type == ValueType::text) fail_at(start, "a string is filled with StrCopy, StrCat or StrFormat, not '" + after.text + "'");
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
    expect("(");
    Expression out = integer_expression();
    expect(")");
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
      if (!matches) return left;
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
    } else if (token.kind == Token::Kind::text) {
      out.kind = Expression::Kind::text;
      out.text = next().text;
    } else if (is_symbol("(")) {
      next();
      out = expression();
      expect(")");
    } else if (token.kind == Token::Kind::identifier && peek(1).kind == Token::Kind::symbol && peek(1).text == "(") {
      out = call();
    } else if (token.kind == Token::Kind::identifier) {
      if (variable_type(token.text) == nullptr) {
        if (plugin_.count(token.text) || user_functions_.count(token.text) || is_builtin(token.text)) {
          fail(peek(1), "'(' to call " + token.text);
        }
        fail_at(token, "'" + token.text + "' is not a declared variable or a known function");
      }
      out.kind = Expression::Kind::variable;
      out.text = next().text;
    } else {
      fail(token, "a value");
    }
    return out;
  }

  static bool is_builtin(const std::string &name) { return name == "Wait" || string_functions.count(name) != 0; }

  Expression call() {
    const Token &name_token = next();
    Expression out;
    out.kind = Expression::Kind::call;
    out.text = name_token.text;
    out.line = name_token.line;
    out.column = name_token.column;
    const auto plugin = plugin_.find(out.text);
    const bool user = user_functions_.count(out.text) != 0;
    if (plugin == plugin_.end() && !user && !is_builtin(out.text)) {
      std::string known = "Wait, StrCopy, StrCat, StrFormat";
      for (const auto &function : plugin_) known += ", " + function.first;
      fail_at(name_token, "expected a known function, found '" + out.text + "' (known: " + known + ")");
    }
    expect("(");
    std::vector<Token> argument_tokens;
    while (!is_symbol(")")) {
      if (!out.operands.empty()) expect(",");
      argument_tokens.push_back(peek());
      out.operands.push_back(expression());
      out.depth = std::max(out.depth, out.operands.back().depth + 1);
    }
    next();

    std::vector<ValueType> wanted;
    std::vector<std::string> names;
    bool any_more = false;  // StrFormat's values
    if (plugin != plugin_.end()) {
      wanted = plugin->second.parameters;
      names = plugin->second.parameter_names;
    } else if (out.text == "Wait") {
      wanted = {ValueType::integer};
      names = {"frames"};
    } else if (out.text == "StrFormat") {
      wanted = {ValueType::text, ValueType::text};
      names = {"destination", "format"};
      any_more = true;
    } else if (string_functions.count(out.text)) {
      wanted = {ValueType::text, ValueType::text};
      names = {"destination", "source"};
    }
    const size_t count = out.operands.size();
    if (count < wanted.size() || (!any_more && count > wanted.size())) {
      fail_at(name_token, "expected " + std::string(any_more ? "at least " : "") + std::to_string(wanted.size()) +
                              " argument" + (wanted.size() == 1 ? "" : "s") + " for " + out.text + ", found " +
                              std::to_string(count));
    }
    for (size_t i = 0; i < wanted.size(); ++i) {
      const std::string kind = wanted[i] == ValueType::text ? "a string" : "an int";
      require(out.operands[i], wanted[i], argument_tokens[i], kind + " for '" + names[i] + "' of " + out.text);
    }
    for (size_t i = wanted.size(); i < count; ++i) {
      if (type_of(out.operands[i]) == nullptr) fail_at(argument_tokens[i], "a value for StrFormat's format");
    }
    if (string_functions.count(out.text) && out.operands[0].kind != Expression::Kind::variable) {
      fail_at(argument_tokens[0], out.text + " writes into a string variable; its first argument must be one");
    }
    return out;
  }

  // The type an expression gives, or null for a call that returns nothing.
  const ValueType *type_of(const Expression &expression) const {
    static const ValueType integer = ValueType::integer;
    static const ValueType text = ValueType::text;
    switch (expression.kind) {
      case Expression::Kind::text:
        return &text;
      case Expression::Kind::variable:
        return variable_type(expression.text);
      case Expression::Kind::call: {
        const auto plugin = plugin_.find(expression.text);
        if (plugin != plugin_.end()) {
          if (plugin->second.result == "int") return &integer;
          if (plugin->second.result == "string") return &text;
          return nullptr;
        }
        if (user_functions_.count(expression.text)) return &integer;
        return nullptr;  // Wait and the string functions return nothing here
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

  const ValueType *variable_type(const std::string &variable) const {
    for (auto scope = scopes_.rbegin(); scope != scopes_.rend(); ++scope) {
      const auto found = scope->find(variable);
      if (found != scope->end()) return &found->second;
    }
    return nullptr;
  }

  // A while loop that waits on the plug-in must let frames pass, or the
  // game would hang in it.
  void check_loops(const Script &script) {
    std::map<std::string, const ScriptFunction *> by_name;
    for (const ScriptFunction &function : script.functions) by_name[function.name] = &function;
    std::set<std::string> visiting;
    std::function<bool(const Statement &)> statement_waits;
    std::function<bool(const Expression &)> expression_waits = [&](const Expression &expression) {
      if (expression.kind == Expression::Kind::call) {
        if (expression.text == "Wait") {
          return !(expression.operands[0].kind == Expression::Kind::number && expression.operands[0].number <= 0);
        }
        const auto function = by_name.find(expression.text);
        if (function != by_name.end() && visiting.insert(expression.text).second) {
          bool waits = false;
          for (const Statement &inner : function->second->body) waits = waits || statement_waits(inner);
          visiting.erase(expression.text);
          if (waits) return true;
        }
      }
      for (const Expression &operand : expression.operands) {
        if (expression_waits(operand)) return true;
      }
      return false;
    };
    statement_waits = [&](const Statement &statement) {
      if (statement.has_expression && expression_waits(statement.expression)) return true;
      for (const auto *list : {&statement.body, &statement.otherwise, &statement.init, &statement.step}) {
        for (const Statement &inner : *list) {
          if (statement_waits(inner)) return true;
        }
      }
      return false;
    };
    std::function<void(const std::vector<Statement> &)> check = [&](const std::vector<Statement> &statements) {
      for (const Statement &statement : statements) {
        if (statement.kind == Statement::Kind::while_loop && asks_plugin(statement.expression)) {
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

  const std::string &file_;
  std::vector<Token> tokens_;
  size_t at_ = 0;
  int depth_ = 0;
  const std::map<std::string, FunctionSignature> &plugin_;
  std::set<std::string> user_functions_;
  std::set<std::string> defined_;
  std::vector<std::map<std::string, ValueType>> scopes_;
};

}  // namespace

ScriptError::ScriptError(const std::string &file_name, int line_number, int column_number, const std::string &text)
    : std::runtime_error(file_name + ":" + std::to_string(line_number) + ":" + std::to_string(column_number) + ": " +
                         text),
      file(file_name),
      line(line_number),
      column(column_number),
      message(text) {}

std::string printable(const std::string &text, size_t limit) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (out.size() >= limit) {
      out += "... (" + std::to_string(text.size()) + " bytes in all)";
      break;
    }
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 32 || c == 127) {
      static const char digits[] = "0123456789abcdef";
      out += "\\x";
      out += digits[c >> 4];
      out += digits[c & 15];
    } else {
      out += static_cast<char>(c);
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
                            const std::map<std::string, FunctionSignature> &functions) {
  Parser parser(file, read_tokens(file, source), functions);
  return parser.script();
}

}  // namespace rollwick_preview
