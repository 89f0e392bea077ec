#include "emit_ags.h"

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

std::string call_text(const Call &call) {
  std::string out = call.name + "(";
  for (size_t i = 0; i < call.arguments.size(); ++i) {
    if (i > 0) out += ", ";
    out += call.arguments[i].type == ValueType::text ? "text" : std::to_string(call.arguments[i].number);
  }
  return out + ")";
}

void emit(std::ostringstream &out, const std::vector<Statement> &statements, const std::string &indent) {
  for (const Statement &statement : statements) {
    for (const Value &argument : statement.call.arguments) {
      if (argument.type != ValueType::text) continue;
      const std::string cut = old_style_string_warning(argument.text);
      if (!cut.empty()) out << indent << "// warning: " << cut << "\n";
      out << indent << "StrCopy(text, " << ags_literal(argument.text) << ");\n";
    }
    switch (statement.kind) {
      case Statement::Kind::call:
        out << indent << call_text(statement.call) << ";\n";
        break;
      case Statement::Kind::wait:
        out << indent << "Wait(" << statement.frames << ");\n";
        break;
      case Statement::Kind::loop:
        out << indent << "while (" << call_text(statement.call) << " == 0) {\n";
        emit(out, statement.body, indent + "  ");
        out << indent << "}\n";
        break;
    }
  }
}

}  // namespace

std::string emit_ags(const Script &script) {
  std::ostringstream out;
  out << "// Credits for agsRollwick 2.0, from " << script.file << ".\n"
      << "// Paste into a room or global script; the game setting that enforces\n"
      << "// new-style strings must be off. One string buffer serves every text,\n"
      << "// because the plug-in keeps its own copy of each.\n"
      << "function play_credits() {\n"
      << "  string text;\n";
  emit(out, script.statements, "  ");
  out << "}\n";
  return out.str();
}

}  // namespace rollwick_preview
