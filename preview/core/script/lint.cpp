#include "lint.h"

#include <cstdio>

#include "credit_store.h"
#include "markup.h"
#include "old_style_string.h"
#include "text_split.h"

namespace rollwick_preview {

namespace {

// What the plug-in reads of a scrolling text's markers.
MarkedText marked(const std::string &text) {
  MarkedText read;
  read.read(text);
  return read;
}

}  // namespace

Linter::Linter(const std::map<std::string, FunctionSignature> &functions, const rollwick_host::RenderingEngine &engine,
               LintSources sources)
    : functions_(functions), engine_(engine), sources_(std::move(sources)) {}

void Linter::warn(const Call &call, const std::string &message, Hint hint, int hint_number) {
  if (given_.insert({call.line, message}).second) warnings.push_back({call.line, message, hint, hint_number});
}

int32_t Linter::number(const Call &call, const std::string &parameter) const {
  const FunctionSignature &signature = functions_.at(call.name);
  for (size_t i = 0; i < signature.parameter_names.size() && i < call.arguments.size(); ++i) {
    if (signature.parameter_names[i] == parameter) return call.arguments[i].number;
  }
  return 0;
}

std::string Linter::never_finishes(bool scrolling, int32_t sequence) const {
  const std::string name = "sequence " + std::to_string(sequence);
  if (!(scrolling ? started_scrolling_ : started_static_).count(sequence)) {
    return name + " is not playing: it was never started, was stopped, or has already reported its finish";
  }
  if (!scrolling) return "";
  if (paused_) return "the roll is paused (PauseScrolling) and nothing lets it go on";
  const auto speed = speeds_.find(sequence);
  if (speed != speeds_.end() && speed->second < 0) return name + " has a negative speed, so it never moves";
  return "";
}

void Linter::stop_playing() {
  if (playing_ == 1) started_scrolling_.erase(playing_sequence_);
  if (playing_ == 2) started_static_.erase(playing_sequence_);
  playing_ = 0;
  paused_ = false;
}

void Linter::on_call(const Call &call, int32_t result) {
  for (const Value &argument : call.arguments) {
    if (argument.type != ValueType::text) continue;
    const std::string cut = old_style_string_warning(argument.text);
    if (!cut.empty()) warn(call, call.name + ": " + cut);
  }
  const bool in_range = numbers_in_range(call);
  const bool toggles = call.name == "RunCreditSequence" || call.name == "RunStaticCreditSequence";
  if (!in_range && !toggles) return;

  const int32_t sequence = number(call, "sequence");
  if (call.name == "SetCredit") {
    on_scrolling_text(call);
  } else if (call.name == "SetStaticCredit" || call.name == "SetStaticCreditTitle") {
    on_static_text(call, sequence);
  } else if (call.name == "SetCreditImage" || call.name == "SetStaticImage") {
    on_image(call);
  } else if (call.name == "SequenceSettings") {
    speeds_[sequence] = number(call, "speed");
    if (number(call, "speed") < 0) {
      warn(call, "SequenceSettings: a negative speed never moves the roll, so it never finishes by itself");
    }
  } else if (call.name == "PauseScrolling") {
    if (playing_ == 1) paused_ = !paused_;
  } else if (toggles) {
    on_run(call, sequence, in_range);
  } else if (call.name == "ShowStaticCredit") {
    on_show_static(call, sequence);
  } else if (call.name == "IsSequenceFinished" || call.name == "IsStaticSequenceFinished") {
    on_finished_asked(call, sequence, result);
  }
}

// Sequences, lines and ids the plug-in has; a call with another does nothing.
bool Linter::numbers_in_range(const Call &call) {
  const FunctionSignature &signature = functions_.at(call.name);
  bool in_range = true;
  for (size_t i = 0; i < signature.parameter_names.size() && i < call.arguments.size(); ++i) {
    const std::string &name = signature.parameter_names[i];
    const int32_t value = call.arguments[i].number;
    if (name == "sequence" && call.name != "GetCurrentStaticCredit" && (value < 1 || value > SEQUENCE_COUNT)) {
      warn(call, call.name + ": sequence " + std::to_string(value) + " is not 1 or " + std::to_string(SEQUENCE_COUNT) +
                     "; the call does nothing");
      in_range = false;
    } else if ((name == "line" || name == "id") && (value < 1 || value > ENTRY_COUNT)) {
      warn(call, call.name + ": " + name + " " + std::to_string(value) + " is outside 1 to " +
                     std::to_string(ENTRY_COUNT) + "; the call does nothing");
      in_range = false;
    }
  }
  return in_range;
}

void Linter::on_scrolling_text(const Call &call) {
  const std::string &text = call.arguments[2].text;
  const MarkedText markup = marked(text);
  if (markup.has_open && markup.form == MarkupForm::none) {
    warn(call, "SetCredit: \"" + printable(text) + "\" has '<' but none of the markers <>, <.>, <#>: it will draw nothing");
  }
  if (find_token(text, "[[") != std::string_view::npos) {
    warn(call, "SetCredit: \"[[\" breaks lines only in static credits; this scrolling line shows it literally");
  }
  const int32_t font = number(call, "font");
  check_letters(call, text, font);
  if (!markup.has_open) check_width(call, text, font);
  if (markup.form != MarkupForm::none) check_columns(call, text, markup, number(call, "x_pos"), font);
  check_font(call, font);
  check_colour(call, number(call, "colour"));
}

void Linter::on_static_text(const Call &call, int32_t sequence) {
  const std::string &text = call.arguments[2].text;
  if (marked(text).form != MarkupForm::none) {
    warn(call, call.name + ": markup works only in scrolling lines; this static text shows \"" + printable(text) +
                   "\" literally");
  }
  const int32_t font = number(call, "font");
  check_font(call, font);
  check_letters(call, text, font);
  check_colour(call, number(call, "colour"));
  auto &entry = static_entries_[{sequence, number(call, "id")}];
  if (call.name == "SetStaticCredit") {
    // Each line as the plug-in cuts the text.
    CutText lines;
    lines.cut(text);
    entry.second = lines.has_token;
    for (size_t i = 0; i < lines.count(); ++i) check_width(call, lines.line(i), font);
  } else {
    entry.first = !text.empty();
    check_width(call, text, font);
  }
}

// Once a slot: a sprite that cannot be drawn, and why.
void Linter::on_image(const Call &call) {
  const int32_t slot = number(call, "slot");
  slots_used.insert(slot);
  if (engine_.sprite(slot) != nullptr || !warned_slots_.insert(slot).second) return;
  std::string problem = sources_.game_files ? sources_.game_files->sprite(slot) : "";
  if (problem.empty()) problem = engine_.sprite_problem(slot);  // found when the slot is decoded
  const std::string named = call.name + ": sprite slot " + std::to_string(slot);
  const std::string shown = "; it shows as a 1x1 transparent sprite";
  if (!problem.empty() && slot >= 0) {
    warn(call, named + " cannot be drawn: " + problem + shown);
  } else if (slot < 0) {
    warn(call, named + " does not exist (slots are 0 or more)" + shown);
  } else if (!sources_.sprite_file.empty()) {
    warn(call, named + " is not in the game's sprite file " + sources_.sprite_file + shown);
  } else {
    warn(call, named + " has no file" + shown, Hint::give_sprite, slot);
  }
}

// RunCreditSequence and RunStaticCreditSequence start a sequence, or stop what plays.
void Linter::on_run(const Call &call, int32_t sequence, bool in_range) {
  if (playing_ != 0) {
    warn(call, call.name + " while credits still play stops them instead of starting sequence " +
                   std::to_string(sequence) + " (wait for the finish first)");
    stop_playing();
  } else if (in_range) {
    const bool scrolling = call.name == "RunCreditSequence";
    if (scrolling && !speeds_.count(sequence)) {
      warn(call, "RunCreditSequence: sequence " + std::to_string(sequence) +
                     " has no SequenceSettings, so it starts at y 0 and ends after a frame; call "
                     "SequenceSettings first (automatic 1 rolls it up from the bottom of the screen)");
    }
    playing_ = scrolling ? 1 : 2;
    playing_sequence_ = sequence;
    (scrolling ? started_scrolling_ : started_static_).insert(sequence);
  }
}

void Linter::on_show_static(const Call &call, int32_t sequence) {
  if (playing_ == 0) {
    playing_ = 2;
    playing_sequence_ = sequence;
    started_static_.insert(sequence);
  }
  const int32_t style = number(call, "style");
  const int32_t sound = number(call, "style_settings2");
  if (style == 1 && sound >= 0 && sources_.sounds != nullptr && sources_.sounds->count(sound) == 0) {
    const std::string named = "ShowStaticCredit: sound " + std::to_string(sound);
    const auto problem = sources_.sound_problems ? sources_.sound_problems->find(sound) : std::map<int, std::string>::const_iterator{};
    if (sources_.sound_problems && problem != sources_.sound_problems->end()) {
      warn(call, named + ": " + problem->second + "; the typing is silent");
    } else {
      warn(call, named + " has no file; the typing is silent", Hint::give_sound, sound);
    }
  }
  if (style != 0 && style != 1) {
    warn(call, "ShowStaticCredit: style " + std::to_string(style) +
                   " is neither 0 (plain) nor 1 (typewriter): nothing is drawn for the credit's time");
  } else if (style == 1) {
    const auto entry = static_entries_.find({sequence, number(call, "id")});
    if (entry != static_entries_.end() && (entry->second.first || entry->second.second)) {
      warn(call, "ShowStaticCredit: the typewriter draws the credit's text only, on one line: its title is not "
                 "drawn and \"[[\" shows as it is");
    }
  }
}

// Is...Finished: a finish ends what plays; the same wait asked again and
// again, with nothing that could end it, is a loop that never ends.
void Linter::on_finished_asked(const Call &call, int32_t sequence, int32_t result) {
  const bool scrolling = call.name == "IsSequenceFinished";
  if (result != 0) {
    (scrolling ? started_scrolling_ : started_static_).erase(sequence);
    if (playing_ == (scrolling ? 1 : 2) && playing_sequence_ == sequence) {
      playing_ = 0;
      paused_ = false;
    }
    asked_.clear();
    return;
  }
  const std::string why = never_finishes(scrolling, sequence);
  const auto first = asked_.insert({{call.line, scrolling, sequence}, frame}).first;
  if (!why.empty() && frame - first->second >= ENDLESS_AFTER_FRAMES && endless.empty()) {
    endless = call.name + "(" + std::to_string(sequence) + ") will never answer 1: " + why +
              "; the wait here never ends";
    endless_line = call.line;
  }
  if (why.empty()) asked_.erase({call.line, scrolling, sequence});
}

// Once a font number: a game that has fonts but not this one.
void Linter::check_font(const Call &call, int32_t font) {
  fonts_used.insert(font);
  if (!warned_fonts_.insert(font).second) return;
  if (font < 0) {
    warn(call, call.name + ": font " + std::to_string(font) + " is not a font number (fonts are 0 or more); the "
                                                             "previewer draws it in its own default font");
    return;
  }
  const std::map<int, std::string> *problems = sources_.game_files ? &sources_.game_files->fonts : nullptr;
  if (problems != nullptr && problems->count(font)) {
    warn(call, call.name + ": font " + std::to_string(font) + ": " + problems->at(font) +
                   "; the previewer draws it in its own default font");
    return;
  }
  if (engine_.fonts.empty() || engine_.fonts.count(font) != 0) return;
  warn(call, call.name + ": the game has no font " + std::to_string(font) +
                 "; the previewer draws it in its own default font");
}

void Linter::check_colour(const Call &call, int32_t colour) {
  const int depth = engine_.settings.colour_depth;
  const int32_t highest = depth == 8 ? 255 : 65535;
  if (colour < 0 || colour > highest) {
    warn(call, call.name + ": colour " + std::to_string(colour) + " is outside the colour numbers of " +
                   (depth == 8 ? "an " : "a ") + std::to_string(depth) + "-bit game (0 to " + std::to_string(highest) + ")");
    return;
  }
  if (sources_.has_background) return;
  if (rollwick_host::ags_colour(colour, engine_.settings.colour_depth, engine_.palette) != 0) return;
  warn(call, call.name + ": colour " + std::to_string(colour) + " is black in a " +
                 std::to_string(engine_.settings.colour_depth) + "-bit game: nothing shows on a black screen");
}

// Once a letter and font: a letter the game's font has no glyph for.
void Linter::check_letters(const Call &call, const std::string &text, int32_t font) {
  const auto found = engine_.fonts.find(font);
  if (found == engine_.fonts.end()) return;  // drawn in the previewer's own font: nothing to say of the game's
  const rollwick_host::Font &face = *found->second;
  const unsigned char *at = reinterpret_cast<const unsigned char *>(text.c_str());
  for (;;) {
    const unsigned char *start = at;
    const uint32_t code = rollwick_host::next_letter(at, face.style().utf8);
    if (code == 0) break;
    if (code < 32 || face.has_letter(code) || !warned_letters_.insert({font, code}).second) continue;
    char name[16];
    std::snprintf(name, sizeof name, "U+%04X", code);
    const std::string letter(reinterpret_cast<const char *>(start), static_cast<size_t>(at - start));
    warn(call, call.name + ": font " + std::to_string(font) + " has no letter " + name +
                   (code >= 128 && face.style().utf8 ? " (" + letter + ")" : "") + ": the game draws " +
                   (face.draws_missing_glyph() ? "the font's missing-letter glyph" : "nothing") + " in its place");
  }
}

void Linter::check_width(const Call &call, const std::string &text, int32_t font) {
  const int width = engine_.measure(font, text.c_str()).width;
  if (width > engine_.settings.screen_width) {
    warn(call, call.name + ": \"" + printable(text) + "\" is " + std::to_string(width) + " pixels wide in font " +
                   std::to_string(font) + ", wider than the " + std::to_string(engine_.settings.screen_width) +
                   "-pixel screen");
  }
}

// Two columns placed `x` from either edge must not run into each other.
void Linter::check_columns(const Call &call, const std::string &text, const MarkedText &markup, int32_t x,
                           int32_t font) {
  if (markup.form == MarkupForm::centre_gap) return;  // either side of the centre: they cannot cross
  const int64_t width = engine_.settings.screen_width;
  const int64_t margin = x < 0 ? 0 : (width == 640 ? 2 * static_cast<int64_t>(x) : x);
  const int64_t left_end = margin + engine_.measure(font, markup.left.c_str()).width;
  const int64_t right_start = width - margin - engine_.measure(font, text.c_str() + markup.right_at).width;
  if (left_end > right_start) {
    warn(call, call.name + ": at x " + std::to_string(x) + " the columns of \"" + printable(text) +
                   "\" run into each other (" + std::to_string(left_end - right_start) + " pixels)");
  }
}

}  // namespace rollwick_preview
