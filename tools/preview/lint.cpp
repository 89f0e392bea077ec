#include "lint.h"

#include <set>

#include "old_style_string.h"

namespace rollwick_preview {

namespace {

bool has_markup(const std::string &text) {
  return text.find("<>") != std::string::npos || text.find("<.>") != std::string::npos ||
         text.find("<#>") != std::string::npos;
}

class Linter {
 public:
  Linter(const std::map<std::string, FunctionSignature> &functions, const rollwick_host::RenderingEngine &engine,
         const LintSources &sources)
      : functions_(functions), engine_(engine), sources_(sources) {}

  void check(const std::vector<Statement> &statements) {
    for (const Statement &statement : statements) {
      if (statement.kind == Statement::Kind::wait) continue;
      check_call(statement.call);
      if (statement.kind == Statement::Kind::loop) {
        check(statement.body);
        playing_ = false;  // the loop waits for the finish
      }
    }
  }

  std::vector<Warning> warnings;

 private:
  void warn(const Call &call, const std::string &message) { warnings.push_back({call.line, message}); }

  int32_t number(const Call &call, const std::string &parameter) const {
    const FunctionSignature &signature = functions_.at(call.name);
    for (size_t i = 0; i < signature.parameter_names.size(); ++i) {
      if (signature.parameter_names[i] == parameter) return call.arguments[i].number;
    }
    return 0;
  }

  void check_call(const Call &call) {
    const FunctionSignature &signature = functions_.at(call.name);
    for (const Value &argument : call.arguments) {
      if (argument.type != ValueType::text) continue;
      const std::string cut = old_style_string_warning(argument.text);
      if (!cut.empty()) warn(call, call.name + ": " + cut);
    }
    bool in_range = true;
    for (size_t i = 0; i < signature.parameter_names.size(); ++i) {
      const std::string &name = signature.parameter_names[i];
      const int32_t value = call.arguments[i].number;
      if (name == "sequence" && call.name != "GetCurrentStaticCredit" && (value < 1 || value > 2)) {
        warn(call, call.name + ": sequence " + std::to_string(value) + " is not 1 or 2; the call does nothing");
        in_range = false;
      } else if ((name == "line" || name == "id") && (value < 1 || value > 100)) {
        warn(call, call.name + ": " + name + " " + std::to_string(value) + " is outside 1 to 100; the call does nothing");
        in_range = false;
      }
    }
    if (!in_range) return;

    if (call.name == "SetCredit") {
      const std::string &text = call.arguments[2].text;
      if (text.find('<') != std::string::npos && !has_markup(text)) {
        warn(call, "SetCredit: \"" + text + "\" has '<' but none of the markers <>, <.>, <#>: it will draw nothing");
      }
      if (text.find("[[") != std::string::npos) {
        warn(call, "SetCredit: \"[[\" breaks lines only in static credits; this scrolling line shows it literally");
      }
      if (text.find('<') == std::string::npos) check_width(call, text, number(call, "font"));
      check_font(call, number(call, "font"));
    } else if (call.name == "SetStaticCredit" || call.name == "SetStaticCreditTitle") {
      const std::string &text = call.arguments[2].text;
      if (has_markup(text)) {
        warn(call, call.name + ": markup works only in scrolling lines; this static text shows \"" + text +
                       "\" literally");
      }
      check_font(call, number(call, "font"));
      if (call.name == "SetStaticCredit") {
        size_t start = 0;
        for (;;) {
          const size_t end = text.find("[[", start);
          check_width(call, text.substr(start, end == std::string::npos ? std::string::npos : end - start),
                      number(call, "font"));
          if (end == std::string::npos) break;
          start = end + 2;
        }
      } else {
        check_width(call, text, number(call, "font"));
      }
    } else if (call.name == "SetCreditImage" || call.name == "SetStaticImage") {
      const int32_t slot = number(call, "slot");
      if (engine_.sprite_images.count(slot) == 0 && warned_slots_.insert(slot).second) {
        if (!sources_.sprite_file.empty()) {
          warn(call, call.name + ": sprite slot " + std::to_string(slot) + " is not in the game's sprite file " +
                         sources_.sprite_file + "; it shows as a 1x1 transparent sprite");
        } else {
          warn(call, call.name + ": sprite slot " + std::to_string(slot) +
                         " has no file (give one with --sprite " + std::to_string(slot) +
                         "=FILE.png); it shows as a 1x1 transparent sprite");
        }
      }
    } else if (call.name == "RunCreditSequence" || call.name == "RunStaticCreditSequence") {
      if (playing_) {
        warn(call, call.name + " while credits still play stops them instead of starting sequence " +
                       std::to_string(number(call, "sequence")) + " (wait for the finish first)");
      }
      playing_ = !playing_;
    } else if (call.name == "ShowStaticCredit") {
      playing_ = true;
    }
  }

  // Once a font number: a game that has fonts but not this one.
  void check_font(const Call &call, int32_t font) {
    if (engine_.fonts.empty() || engine_.fonts.count(font) != 0 || !warned_fonts_.insert(font).second) return;
    warn(call, call.name + ": the game has no font " + std::to_string(font) +
                   "; the previewer draws it in its own default font");
  }

  void check_width(const Call &call, const std::string &text, int32_t font) {
    const int width = engine_.measure(font, text.c_str()).width;
    if (width > engine_.settings.screen_width) {
      warn(call, call.name + ": \"" + text + "\" is " + std::to_string(width) + " pixels wide in font " +
                     std::to_string(font) + ", wider than the " + std::to_string(engine_.settings.screen_width) +
                     "-pixel screen");
    }
  }

  const std::map<std::string, FunctionSignature> &functions_;
  const rollwick_host::RenderingEngine &engine_;
  const LintSources &sources_;
  bool playing_ = false;
  std::set<int32_t> warned_slots_;
  std::set<int32_t> warned_fonts_;
};

}  // namespace

std::vector<Warning> lint_script(const Script &script, const std::map<std::string, FunctionSignature> &functions,
                                 const rollwick_host::RenderingEngine &engine, const LintSources &sources) {
  Linter linter(functions, engine, sources);
  linter.check(script.statements);
  return linter.warnings;
}

}  // namespace rollwick_preview
