#include "emit_ags.h"

#include <set>
#include <sstream>

#include "old_style_string.h"

namespace rollwick_preview {

namespace {

std::string ags_literal(const std::string &text) {
  std::string out = "\"";
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\\' && i + 1 < text.size() && text[i + 1] == '[') {
      out += "\\[";
      ++i;
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else {
      out += c;
    }
  }
  return out + "\"";
}

const std::set<std::string> string_functions = {"StrCopy", "StrCat", "StrFormat", "Wait"};

int precedence(const std::string &op) {
  if (op == "||") return 0;
  if (op == "&&") return 1;
  if (op == "==" || op == "!=" || op == "<" || op == ">" || op == "<=" || op == ">=") return 2;
  if (op == "+" || op == "-") return 3;
  return 4;
}

class Emitter {
 public:
  explicit Emitter(std::string buffer) : buffer_(std::move(buffer)) {}

  std::string expression(const Expression &value) const {
    switch (value.kind) {
      case Expression::Kind::number:
        return std::to_string(value.number);
      case Expression::Kind::text:
        return ags_literal(value.text);
      case Expression::Kind::variable:
        return value.text;
      case Expression::Kind::unary: {
        const std::string inner = operand(value.operands[0], 5);
        return value.text + (inner[0] == '-' ? " " + inner : inner);  // never "--", and no deeper nesting
      }
      case Expression::Kind::binary: {
        const int level = precedence(value.text);
        return operand(value.operands[0], level) + " " + value.text + " " + operand(value.operands[1], level + 1);
      }
      case Expression::Kind::call: {
        std::string out = value.text + "(";
        for (size_t i = 0; i < value.operands.size(); ++i) out += (i > 0 ? ", " : "") + expression(value.operands[i]);
        return out + ")";
      }
    }
    return "";
  }

  // The statements of a body; a plug-in call given a string literal gets it
  // through the buffer, filled by StrCopy just before.
  void statements(std::ostringstream &out, const std::vector<Statement> &list, const std::string &indent) const {
    for (const Statement &statement : list) this->statement(out, statement, indent);
  }

  static bool takes_literal(const Statement &statement) {
    if (statement.kind != Statement::Kind::expression || statement.expression.kind != Expression::Kind::call ||
        string_functions.count(statement.expression.text)) {
      return false;
    }
    for (const Expression &argument : statement.expression.operands) {
      if (argument.kind == Expression::Kind::text) return true;
    }
    return false;
  }

  static bool any_literal(const std::vector<Statement> &list) {
    for (const Statement &statement : list) {
      if (takes_literal(statement)) return true;
      for (const auto *inner : {&statement.body, &statement.otherwise, &statement.init, &statement.step}) {
        if (any_literal(*inner)) return true;
      }
    }
    return false;
  }

 private:
  std::string operand(const Expression &inner, int level) const {
    const std::string text = expression(inner);
    if (inner.kind == Expression::Kind::binary && precedence(inner.text) < level) return "(" + text + ")";
    return text;
  }

  std::string simple(const Statement &statement) const {
    if (statement.kind == Statement::Kind::assignment) {
      if (statement.op == "++" || statement.op == "--") return statement.name + statement.op;
      return statement.name + " " + statement.op + " " + expression(statement.expression);
    }
    return expression(statement.expression);
  }

  void body(std::ostringstream &out, const std::vector<Statement> &list, const std::string &indent) const {
    out << " {\n";
    statements(out, list, indent + "  ");
    out << indent << "}";
  }

  void statement(std::ostringstream &out, const Statement &statement, const std::string &indent) const {
    switch (statement.kind) {
      case Statement::Kind::expression: {
        if (!takes_literal(statement)) {
          out << indent << simple(statement) << ";\n";
          break;
        }
        Expression call = statement.expression;
        for (Expression &argument : call.operands) {
          if (argument.kind != Expression::Kind::text) continue;
          const std::string cut = old_style_string_warning(argument.text);
          if (!cut.empty()) out << indent << "// warning: " << cut << "\n";
          out << indent << "StrCopy(" << buffer_ << ", " << ags_literal(argument.text) << ");\n";
          argument.kind = Expression::Kind::variable;
          argument.text = buffer_;
        }
        out << indent << expression(call) << ";\n";
        break;
      }
      case Statement::Kind::declaration:
        out << indent << statement.type << " " << statement.name;
        if (statement.has_expression) out << " = " << expression(statement.expression);
        out << ";\n";
        break;
      case Statement::Kind::assignment:
        out << indent << simple(statement) << ";\n";
        break;
      case Statement::Kind::block:
        out << indent << "{\n";
        statements(out, statement.body, indent + "  ");
        out << indent << "}\n";
        break;
      case Statement::Kind::if_else:
        out << indent << "if (" << expression(statement.expression) << ")";
        body(out, statement.body, indent);
        if (!statement.otherwise.empty()) {
          out << " else";
          body(out, statement.otherwise, indent);
        }
        out << "\n";
        break;
      case Statement::Kind::while_loop:
        out << indent << "while (" << expression(statement.expression) << ")";
        body(out, statement.body, indent);
        out << "\n";
        break;
      case Statement::Kind::for_loop: {
        // Written as a block with a while loop: AGS script of 3.6 has no for
        // loop with a declaration in it. A body that continues keeps the
        // loop's step in a for loop of its own.
        out << indent << "{\n";
        statements(out, statement.init, indent + "  ");
        const std::string condition = statement.has_expression ? expression(statement.expression) : "1";
        if (continues(statement.body)) {
          out << indent << "  for (; " << condition << "; "
              << (statement.step.empty() ? "" : simple(statement.step.front())) << ") {\n";
          statements(out, statement.body, indent + "    ");
        } else {
          out << indent << "  while (" << condition << ") {\n";
          statements(out, statement.body, indent + "    ");
          statements(out, statement.step, indent + "    ");
        }
        out << indent << "  }\n" << indent << "}\n";
        break;
      }
      case Statement::Kind::do_while:
        out << indent << "do";
        body(out, statement.body, indent);
        out << " while (" << expression(statement.expression) << ");\n";
        break;
      case Statement::Kind::break_loop:
        out << indent << "break;\n";
        break;
      case Statement::Kind::continue_loop:
        out << indent << "continue;\n";
        break;
      case Statement::Kind::not_previewed:
        out << indent << "// " << statement.name << " is set here (not previewed)\n";
        break;
      case Statement::Kind::return_value:
        out << indent << "return";
        if (statement.has_expression) out << " " << expression(statement.expression);
        out << ";\n";
        break;
    }
  }

  // A continue that belongs to this loop, not to one inside it.
  static bool continues(const std::vector<Statement> &list) {
    for (const Statement &statement : list) {
      if (statement.kind == Statement::Kind::continue_loop) return true;
      if (statement.kind == Statement::Kind::while_loop || statement.kind == Statement::Kind::do_while ||
          statement.kind == Statement::Kind::for_loop) {
        continue;
      }
      if (continues(statement.body) || continues(statement.otherwise)) return true;
    }
    return false;
  }

  std::string buffer_;
};

void collect_names(const std::vector<Statement> &list, std::set<std::string> &names) {
  for (const Statement &statement : list) {
    if (statement.kind == Statement::Kind::declaration) names.insert(statement.name);
    for (const auto *inner : {&statement.body, &statement.otherwise, &statement.init, &statement.step}) {
      collect_names(*inner, names);
    }
  }
}

// `wanted`, or with a number after it, so that it names nothing in the script.
std::string unused_name(const std::string &wanted, const std::set<std::string> &names) {
  std::string name = wanted;
  for (int n = 2; names.count(name); ++n) name = wanted + "_" + std::to_string(n);
  return name;
}

}  // namespace

std::string emit_ags(const Script &script, const std::string &function, const std::string &note) {
  std::set<std::string> names;
  collect_names(script.globals, names);
  collect_names(script.statements, names);
  for (const ScriptFunction &function : script.functions) {
    names.insert(function.name);
    for (const Parameter &parameter : function.parameters) names.insert(parameter.name);
    collect_names(function.body, names);
  }
  // The buffer that literals pass through, and the function that holds the
  // statements written outside functions.
  const std::string buffer = unused_name("text", names);
  names.insert(buffer);
  const std::string wrapper = unused_name(function.empty() ? "play_credits" : function, names);
  const Emitter emitter(buffer);

  std::ostringstream out;
  out << "// Credits for agsRollwick 2.0, from " << script.file << ".\n"
      << "// Paste into a room or global script; the game setting that enforces\n"
      << "// new-style strings must be off. One string buffer serves every text,\n"
      << "// because the plug-in keeps its own copy of each.\n";
  if (!note.empty()) out << "// " << note << "\n";
  emitter.statements(out, script.globals, "");
  if (!script.statements.empty() || script.functions.empty()) {
    out << "function " << wrapper << "() {\n";
    out << "  string " << buffer << ";\n";
    emitter.statements(out, script.statements, "  ");
    out << "}\n";
  }
  for (const ScriptFunction &function : script.functions) {
    if (!function.read) continue;  // never runs
    out << "\n" << function.result << " " << function.name << "(";
    for (size_t i = 0; i < function.parameters.size(); ++i) {
      out << (i > 0 ? ", " : "") << function.parameters[i].type << " " << function.parameters[i].name;
    }
    out << ") {\n";
    if (Emitter::any_literal(function.body)) out << "  string " << buffer << ";\n";
    emitter.statements(out, function.body, "  ");
    out << "}\n";
  }
  return out.str();
}

}  // namespace rollwick_preview
