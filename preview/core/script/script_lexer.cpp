#include "script_lexer.h"

#include <cctype>

#include "credits_script.h"

namespace rollwick_preview {

namespace {

// Longest first, so that "==" is not read as "=" twice.
const char *const symbols[] = {"<<=", ">>=", "...", "++", "--", "+=", "-=", "*=", "/=", "&=", "|=", "^=", "==",
                               "!=",  "<=",  ">=",  "&&", "||", "::", "<<", ">>", "->", "(",  ")",  "{",  "}",
                               "[",   "]",   ";",   ",",  ".",  "?",  ":",  "!",  "-",  "+",  "*",  "/",  "%",
                               "<",   ">",   "=",   "&",  "|",  "^",  "~"};

class Lexer {
 public:
  Lexer(const std::string &file, const std::string &source) : file_(file), source_(source) {
    if (source_.compare(0, 3, "\xEF\xBB\xBF") == 0) at_ = 3;  // as Windows editors save UTF-8
  }

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
      if (out.size() >= MAX_SCRIPT_TOKENS) throw ScriptError(file_, line_, column_, too_many_tokens());
      const char c = source_[at_];
      if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
        token.kind = Token::Kind::identifier;
        while (at_ < source_.size() && (std::isalnum(static_cast<unsigned char>(source_[at_])) || source_[at_] == '_')) {
          token.text += advance();
        }
      } else if (std::isdigit(static_cast<unsigned char>(c))) {
        token.kind = Token::Kind::number;
        const bool hex = source_.compare(at_, 2, "0x") == 0 || source_.compare(at_, 2, "0X") == 0;
        if (hex) {
          advance();
          advance();
        }
        const int base = hex ? 16 : 10;
        while (at_ < source_.size() && std::isxdigit(static_cast<unsigned char>(source_[at_])) &&
               (hex || std::isdigit(static_cast<unsigned char>(source_[at_])))) {
          const char digit = advance();
          const int value = std::isdigit(static_cast<unsigned char>(digit)) ? digit - '0' : std::tolower(digit) - 'a' + 10;
          token.number = token.number * base + value;
          if (token.number > 4294967296LL) fail(token, "a number too large for a 32-bit int");
        }
        if (!hex && at_ + 1 < source_.size() && source_[at_] == '.' &&
            std::isdigit(static_cast<unsigned char>(source_[at_ + 1]))) {
          token.kind = Token::Kind::real;  // read whole; only code that runs needs to refuse it
          token.text = std::to_string(token.number) + advance();
          while (at_ < source_.size() && std::isdigit(static_cast<unsigned char>(source_[at_]))) token.text += advance();
        }
        if (at_ < source_.size() && (std::isalpha(static_cast<unsigned char>(source_[at_])) || source_[at_] == '_')) {
          fail(token, "a number, not '" + printable(std::string(1, source_[at_])) + "' inside it");
        }
      } else if (c == '\'' && at_ + 2 < source_.size() && source_[at_ + 2] == '\'' && source_[at_ + 1] != '\\') {
        token.kind = Token::Kind::number;  // a character: its code
        advance();
        token.number = static_cast<unsigned char>(advance());
        advance();
      } else if (c == '"') {
        token.kind = Token::Kind::text;
        token.text = string_literal(token);
      } else if (!symbol(token)) {
        fail(token, "a statement, not the character '" + printable(std::string(1, c)) + "'");
      }
      out.push_back(token);
    }
  }

 private:
  [[noreturn]] void fail(const Token &at, const std::string &expected) {
    throw ScriptError(file_, at.line, at.column, "expected " + expected);
  }

  bool symbol(Token &token) {
    for (const char *candidate : symbols) {
      const std::string text(candidate);
      if (source_.compare(at_, text.size(), text) != 0) continue;
      token.kind = Token::Kind::symbol;
      token.text = text;
      for (size_t i = 0; i < text.size(); ++i) advance();
      return true;
    }
    return false;
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
        default:
          fail(escape, std::string("an escape (\\\" \\\\ \\' \\n \\r \\t \\[), not \\") + printable(std::string(1, e)));
      }
    }
  }

  const std::string &file_;
  const std::string &source_;
  size_t at_ = 0;
  int line_ = 1;
  int column_ = 1;
};

}  // namespace

std::string describe(const Token &token) {
  switch (token.kind) {
    case Token::Kind::identifier: return "'" + token.text + "'";
    case Token::Kind::number: return "the number " + std::to_string(token.number);
    case Token::Kind::real: return "the number " + token.text;
    case Token::Kind::text: return "a string";
    case Token::Kind::symbol: return "'" + token.text + "'";
    case Token::Kind::end: return "the end of the file";
  }
  return "?";
}

std::string too_many_tokens() {
  return "the file holds more than " + std::to_string(MAX_SCRIPT_TOKENS) +
         " names, numbers and symbols (with its macros expanded), more than the previewer reads";
}

std::vector<Token> read_tokens(const std::string &file, const std::string &source) {
  return Lexer(file, source).tokens();
}

}  // namespace rollwick_preview
