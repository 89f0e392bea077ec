#include "credits_script.h"

#include <cctype>
#include <limits>
#include <sstream>

namespace rollwick_preview {

namespace {

std::string trim(const std::string &text) {
  const size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

struct Token {
  enum class Kind { identifier, number, text, symbol, end } kind = Kind::end;
  std::string text;    // identifier, symbol, or the decoded string
  int64_t number = 0;  // number
  int line = 1;
  int column = 1;
};

std::string describe(const Token &token) {
  switch (token.kind) {
    case Token::Kind::identifier: return "'" + token.text + "'";
    case Token::Kind::number: return "the number " + std::to_string(token.number);
    case Token::Kind::text: return "a string";
    case Token::Kind::symbol: return "'" + token.text + "'";
    case Token::Kind::end: return "the end of the file";
  }
  return "?";
}

class Lexer {
 public:
  Lexer(const std::string &file, const std::string &source) : file_(file), source_(source) {}

  std::vector<Token> tokens() {
    std::vector<Token> out;
    for (;;) {
      skip_space_and_comments();
      Token token;
      token.line = line_;
      token.column = column_;
      if (at_ >= source_.size()) {
        out.push_back(token);
        return out;
      }
      const char c = source_[at_];
      if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
        token.kind = Token::Kind::identifier;
        while (at_ < source_.size() && (std::isalnum(static_cast<unsigned char>(source_[at_])) || source_[at_] == '_')) {
          token.text += advance();
        }
      } else if (std::isdigit(static_cast<unsigned char>(c))) {
        token.kind = Token::Kind::number;
        while (at_ < source_.size() && std::isdigit(static_cast<unsigned char>(source_[at_]))) {
          token.number = token.number * 10 + (advance() - '0');
          if (token.number > 4294967296LL) fail(token, "a number too large for a 32-bit int");
        }
        if (at_ < source_.size() && (std::isalpha(static_cast<unsigned char>(source_[at_])) || source_[at_] == '_')) {
          fail(token, "a number, not '" + std::string(1, source_[at_]) + "' inside it");
        }
      } else if (c == '"') {
        token.kind = Token::Kind::text;
        token.text = string_literal(token);
      } else if (c == '=' && at_ + 1 < source_.size() && source_[at_ + 1] == '=') {
        token.kind = Token::Kind::symbol;
        token.text = "==";
        advance();
        advance();
      } else if (std::string("(){};,!-").find(c) != std::string::npos) {
        token.kind = Token::Kind::symbol;
        token.text = std::string(1, advance());
      } else {
        fail(token, std::string("a function call, not the character '") + c + "'");
      }
      out.push_back(token);
    }
  }

 private:
  [[noreturn]] void fail(const Token &at, const std::string &expected) {
    throw ScriptError(file_, at.line, at.column, "expected " + expected);
  }

  char advance() {
    const char c = source_[at_++];
    if (c == '\n') {
      ++line_;
      column_ = 1;
    } else {
      ++column_;
    }
    return c;
  }

  void skip_space_and_comments() {
    while (at_ < source_.size()) {
      const char c = source_[at_];
      if (std::isspace(static_cast<unsigned char>(c))) {
        advance();
      } else if (source_.compare(at_, 2, "//") == 0) {
        while (at_ < source_.size() && source_[at_] != '\n') advance();
      } else if (source_.compare(at_, 2, "/*") == 0) {
        Token start;
        start.line = line_;
        start.column = column_;
        advance();
        advance();
        while (at_ < source_.size() && source_.compare(at_, 2, "*/") != 0) advance();
        if (at_ >= source_.size()) fail(start, "'*/' to close the comment opened here");
        advance();
        advance();
      } else {
        return;
      }
    }
  }

  std::string string_literal(const Token &start) {
    advance();  // the opening quote
    std::string text;
    for (;;) {
      if (at_ >= source_.size() || source_[at_] == '\n') fail(start, "'\"' to close the string opened here");
      const char c = advance();
      if (c == '"') return text;
      if (c != '\\') {
        text += c;
        continue;
      }
      if (at_ >= source_.size()) fail(start, "'\"' to close the string opened here");
      Token escape;
      escape.line = line_;
      escape.column = column_ - 1;
      const char e = advance();
      switch (e) {
        case '"': text += '"'; break;
        case '\\': text += '\\'; break;
        case '\'': text += '\''; break;
        case 'n': text += '\n'; break;
        case 'r': text += '\r'; break;
        case 't': text += '\t'; break;
        case '[': text += "\\["; break;  // kept: the engine reads it when it displays text
        default: fail(escape, std::string("an escape (\\\" \\\\ \\' \\n \\r \\t \\[), not \\") + e);
      }
    }
  }

  const std::string &file_;
  const std::string &source_;
  size_t at_ = 0;
  int line_ = 1;
  int column_ = 1;
};

class Parser {
 public:
  Parser(const std::string &file, std::vector<Token> tokens, const std::map<std::string, FunctionSignature> &functions)
      : file_(file), tokens_(std::move(tokens)), functions_(functions) {}

  std::vector<Statement> statements() {
    std::vector<Statement> out;
    while (peek().kind != Token::Kind::end) out.push_back(statement());
    return out;
  }

 private:
  const Token &peek() const { return tokens_[at_]; }
  const Token &next() { return tokens_[at_ < tokens_.size() - 1 ? at_++ : at_]; }
  bool is_symbol(const char *symbol) const {
    return peek().kind == Token::Kind::symbol && peek().text == symbol;
  }
  [[noreturn]] void fail(const Token &at, const std::string &expected) {
    throw ScriptError(file_, at.line, at.column, "expected " + expected + ", found " + describe(at));
  }
  void expect(const char *symbol) {
    if (!is_symbol(symbol)) fail(peek(), std::string("'") + symbol + "'");
    next();
  }

  Statement statement() {
    const Token &start = peek();
    if (start.kind == Token::Kind::identifier && start.text == "while") return loop();
    Statement statement;
    statement.line = start.line;
    statement.call = call();
    expect(";");
    if (statement.call.name == "Wait") {
      statement.kind = Statement::Kind::wait;
      statement.frames = statement.call.arguments[0].number;
    }
    return statement;
  }

  Statement loop() {
    Statement statement;
    statement.kind = Statement::Kind::loop;
    statement.line = next().line;  // 'while'
    expect("(");
    if (is_symbol("!")) {
      next();
      statement.call = condition_call();
    } else {
      statement.call = condition_call();
      expect("==");
      if (peek().kind != Token::Kind::number || peek().number != 0) fail(peek(), "0 after '=='");
      next();
    }
    expect(")");
    if (is_symbol("{")) {
      next();
      while (!is_symbol("}")) {
        if (peek().kind == Token::Kind::end) fail(peek(), "'}' to close the loop");
        statement.body.push_back(this->statement());
      }
      next();
    } else {
      statement.body.push_back(this->statement());
    }
    bool waits = false;
    for (const Statement &inner : statement.body) waits |= inner.kind == Statement::Kind::wait && inner.frames > 0;
    if (!waits) {
      throw ScriptError(file_, statement.line, 1, "expected the loop to call Wait with 1 or more frames, "
                                                  "or it would never let a frame pass");
    }
    return statement;
  }

  Call condition_call() {
    const Token &start = peek();
    Call condition = call();
    const auto signature = functions_.find(condition.name);  // Wait is no plug-in function
    if (signature == functions_.end() || signature->second.result != "int") {
      throw ScriptError(file_, start.line, start.column,
                        "expected a function that returns int in the loop condition, found " + condition.name);
    }
    return condition;
  }

  Call call() {
    const Token &name = peek();
    if (name.kind != Token::Kind::identifier) fail(name, "a function call");
    next();
    Call result;
    result.name = name.text;
    result.line = name.line;
    result.column = name.column;
    const bool is_wait = name.text == "Wait";
    const auto found = functions_.find(name.text);
    if (!is_wait && found == functions_.end()) {
      std::string known = "Wait";
      for (const auto &function : functions_) known += ", " + function.first;
      throw ScriptError(file_, name.line, name.column,
                        "expected a known function, found '" + name.text + "' (known: " + known + ")");
    }
    expect("(");
    std::vector<const Token *> argument_tokens;
    while (!is_symbol(")")) {
      if (!result.arguments.empty()) expect(",");
      argument_tokens.push_back(&peek());
      result.arguments.push_back(value());
    }
    next();
    const std::vector<ValueType> wanted =
        is_wait ? std::vector<ValueType>{ValueType::integer} : found->second.parameters;
    if (result.arguments.size() != wanted.size()) {
      throw ScriptError(file_, name.line, name.column,
                        "expected " + std::to_string(wanted.size()) + " argument" + (wanted.size() == 1 ? "" : "s") +
                            " for " + name.text + ", found " + std::to_string(result.arguments.size()));
    }
    for (size_t i = 0; i < wanted.size(); ++i) {
      if (result.arguments[i].type != wanted[i]) {
        const std::string kind = wanted[i] == ValueType::text ? "a string" : "an int";
        std::string parameter = is_wait ? "frames" : found->second.parameter_names[i];
        fail(*argument_tokens[i], kind + " for '" + parameter + "' of " + name.text);
      }
    }
    return result;
  }

  Value value() {
    Value value;
    const Token &start = peek();
    bool negative = false;
    if (is_symbol("-")) {
      negative = true;
      next();
    }
    const Token &token = peek();
    if (token.kind == Token::Kind::number) {
      const int64_t number = negative ? -token.number : token.number;
      if (number < std::numeric_limits<int32_t>::min() || number > std::numeric_limits<int32_t>::max()) {
        fail(start, "a number from -2147483648 to 2147483647");
      }
      value.number = static_cast<int32_t>(number);
      next();
    } else if (token.kind == Token::Kind::text && !negative) {
      value.type = ValueType::text;
      value.text = token.text;
      next();
    } else {
      fail(token, negative ? "a number after '-'" : "a number or a string");
    }
    return value;
  }

  const std::string &file_;
  std::vector<Token> tokens_;
  size_t at_ = 0;
  const std::map<std::string, FunctionSignature> &functions_;
};

}  // namespace

ScriptError::ScriptError(const std::string &file_name, int line_number, int column_number, const std::string &text)
    : std::runtime_error(file_name + ":" + std::to_string(line_number) + ":" + std::to_string(column_number) + ": " +
                         text),
      file(file_name),
      line(line_number),
      column(column_number),
      message(text) {}

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
  Script script;
  script.file = file;
  Lexer lexer(file, source);
  Parser parser(file, lexer.tokens(), functions);
  script.statements = parser.statements();
  return script;
}

}  // namespace rollwick_preview
