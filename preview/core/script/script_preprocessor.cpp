#include "script_preprocessor.h"

#include <cctype>
#include <set>
#include <sstream>

#include "credits_script.h"

namespace rollwick_preview {

namespace {

std::string trim(const std::string &text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// "3.6.3" against the engine's version: true when the engine is as new.
bool engine_is_at_least(const std::string &version) {
  int parts[4] = {0, 0, 0, 0};
  std::istringstream in(version);
  std::string part;
  for (int i = 0; i < 4 && std::getline(in, part, '.'); ++i) parts[i] = std::atoi(part.c_str());
  for (int i = 0; i < 4; ++i) {
    if (PREVIEWED_ENGINE_VERSION[i] != parts[i]) return PREVIEWED_ENGINE_VERSION[i] > parts[i];
  }
  return true;
}

struct Condition {
  int line;
  bool active;       // this branch's lines are kept
  bool parent_active;
  bool seen_else = false;
};

// A line that starts with '#': the directive, what follows it, that without
// a comment, and the name it starts with.
struct Directive {
  std::string directive;
  std::string rest;
  std::string argument;
  std::string name;
};

Directive read_directive(const std::string &trimmed) {
  Directive read;
  std::istringstream words(trimmed.substr(1));
  words >> read.directive;
  std::getline(words, read.rest);
  read.rest = trim(read.rest);
  const size_t comment = read.rest.find("//");
  read.argument = trim(comment == std::string::npos ? read.rest : read.rest.substr(0, comment));
  read.name = read.argument.substr(0, read.argument.find_first_of(" \t"));
  return read;
}

bool is_condition(const std::string &directive) {
  return directive == "ifdef" || directive == "ifndef" || directive == "ifver" || directive == "ifnver" ||
         directive == "else" || directive == "endif";
}

// Follows #ifdef, #ifndef, #ifver, #ifnver, #else and #endif on line `line`
// (other directives change nothing); what is wrong with it, or empty.
std::string follow_condition(const Directive &read, const Macros &defined, int line, std::vector<Condition> &conditions) {
  const std::string &directive = read.directive;
  const std::string &name = read.name;
  const bool active = conditions.empty() || conditions.back().active;
  if (directive == "ifdef" || directive == "ifndef" || directive == "ifver" || directive == "ifnver") {
    if (name.empty()) return "expected a name after #" + directive;
    bool holds = false;
    if (directive == "ifdef") holds = defined.count(name) != 0;
    if (directive == "ifndef") holds = defined.count(name) == 0;
    if (directive == "ifver") holds = engine_is_at_least(name);
    if (directive == "ifnver") holds = !engine_is_at_least(name);
    conditions.push_back({line, active && holds, active});
  } else if (directive == "else") {
    if (conditions.empty() || conditions.back().seen_else) return "#else without an #if before it";
    conditions.back().seen_else = true;
    conditions.back().active = conditions.back().parent_active && !conditions.back().active;
  } else if (directive == "endif") {
    if (conditions.empty()) return "#endif without an #if before it";
    conditions.pop_back();
  }
  return "";
}

// Whether a block comment is open after `text`, given whether one was before it.
bool comment_open_after(const std::string &text, bool in_comment) {
  bool in_string = false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (in_comment) {
      if (text.compare(i, 2, "*/") == 0) in_comment = false, ++i;
    } else if (in_string) {
      if (text[i] == '\\') ++i;
      else if (text[i] == '"') in_string = false;
    } else if (text[i] == '"') {
      in_string = true;
    } else if (text.compare(i, 2, "//") == 0) {
      break;
    } else if (text.compare(i, 2, "/*") == 0) {
      in_comment = true;
      ++i;
    }
  }
  return in_comment;
}

// A #define's tokens, all on its line; ScriptError when they cannot be read.
std::shared_ptr<const std::vector<Token>> macro_body(const std::string &file, const std::string &text, int line) {
  std::vector<Token> tokens = read_tokens(file, text);
  tokens.pop_back();  // the end
  for (Token &token : tokens) token.line = line;
  return std::make_shared<const std::vector<Token>>(std::move(tokens));
}

}  // namespace

Preprocessed preprocess(const std::string &file, const std::string &source, Macros &defined) {
  Preprocessed out;
  std::vector<Condition> conditions;
  size_t start = 0;
  int line = 0;
  bool in_comment = false;  // a /* comment */ that runs over lines hides '#'
  while (start <= source.size()) {
    size_t end = source.find('\n', start);
    if (end == std::string::npos) end = source.size();
    const std::string text = source.substr(start, end - start);
    ++line;
    const bool active = conditions.empty() || conditions.back().active;
    const std::string trimmed = trim(text);
    if (!in_comment && !trimmed.empty() && trimmed[0] == '#') {
      const Directive read = read_directive(trimmed);
      const std::string &directive = read.directive;
      const std::string &rest = read.rest;
      const std::string &argument = read.argument;
      const std::string &name = read.name;
      const size_t column = text.find('#') + 1;
      const auto fail = [&](const std::string &message) {
        throw ScriptError(file, line, static_cast<int>(column), message);
      };
      const std::string problem = follow_condition(read, defined, line, conditions);
      if (!problem.empty()) fail(problem);
      if (is_condition(directive) || !active) {
        // a condition, followed above; or a directive left out with the code around it
      } else if (directive == "define") {
        if (name.empty() || !(std::isalpha(static_cast<unsigned char>(name[0])) || name[0] == '_')) {
          fail("expected a name after #define");
        }
        MacroChange change;
        change.line = line;
        change.name = name;
        try {
          change.tokens = macro_body(file, rest.substr(rest.find(name) + name.size()), line);
        } catch (const ScriptError &bad) {
          fail(bad.message + " in the #define");
        }
        defined[name] = change.tokens;
        out.changes.push_back(std::move(change));
      } else if (directive == "undef") {
        if (name.empty()) fail("expected a name after #undef");
        defined.erase(name);
        MacroChange change;
        change.line = line;
        change.name = name;
        change.defined = false;
        out.changes.push_back(std::move(change));
      } else if (directive == "error") {
        fail("#error " + argument);
      } else if (directive != "region" && directive != "endregion" && directive != "sectionstart" &&
                 directive != "sectionend") {
        fail("expected a preprocessor directive (#define, #undef, #ifdef, #ifndef, #ifver, #ifnver, #else, "
             "#endif, #error, #region, #endregion), found #" + printable(directive));
      }
      out.source += '\n';
    } else {
      if (active) out.source += text;
      if (end < source.size()) out.source += '\n';
      if (active) in_comment = comment_open_after(text, in_comment);
    }
    if (end >= source.size()) break;
    start = end + 1;
  }
  if (!conditions.empty()) {
    throw ScriptError(file, conditions.back().line, 1, "expected #endif for the #if of this line");
  }
  return out;
}

namespace {

// `work` counts every token looked at, so that macros that expand to
// nothing, nested deep, stop as soon as those that expand to much.
void expand_one(const std::string &file, const Token &use, const Macros &macros, std::set<std::string> &expanding,
                std::vector<Token> &out, size_t &work) {
  if (++work > 4 * MAX_SCRIPT_TOKENS) throw ScriptError(file, use.line, use.column, too_many_tokens());
  const auto found = use.kind == Token::Kind::identifier ? macros.find(use.text) : macros.end();
  if (found == macros.end() || expanding.count(use.text)) {
    // Checked at each token, so a macro that doubles at each level stops here, not in memory.
    if (out.size() >= MAX_SCRIPT_TOKENS) throw ScriptError(file, use.line, use.column, too_many_tokens());
    out.push_back(use);
    return;
  }
  if (expanding.size() >= 50) throw ScriptError(file, use.line, use.column, "macros nested more than 50 deep");
  expanding.insert(use.text);
  for (Token token : *found->second) {
    token.line = use.line;
    token.column = use.column;
    expand_one(file, token, macros, expanding, out, work);
  }
  expanding.erase(use.text);
}

}  // namespace

std::vector<Token> expand_macros(const std::string &file, const std::vector<Token> &tokens, const Macros &defined_before,
                                 const std::vector<MacroChange> &changes) {
  Macros macros = defined_before;
  std::vector<Token> out;
  out.reserve(tokens.size());
  size_t next_change = 0;
  std::set<std::string> expanding;
  size_t work = 0;
  for (const Token &token : tokens) {
    while (next_change < changes.size() && changes[next_change].line < token.line) {
      const MacroChange &change = changes[next_change++];
      if (change.defined) {
        macros[change.name] = change.tokens;
      } else {
        macros.erase(change.name);
      }
    }
    expand_one(file, token, macros, expanding, out, work);
  }
  return out;
}

}  // namespace rollwick_preview
