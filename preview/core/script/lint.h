// Warnings about a credits script, found as it runs: calls that will not
// show what the author most likely meant. Each goes with the call's line.
#pragma once

#include <map>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "credits_script.h"
#include "game_setup.h"
#include "markup.h"
#include "rendering_host.h"

namespace rollwick_preview {

struct Warning {
  int line = 0;
  std::string message;
  Hint hint = Hint::none;  // what the author can do, worded by each front end
  int hint_number = 0;
};

// Where the fonts and sprites came from, for the warnings that name them.
struct LintSources {
  std::string sprite_file;       // the game's sprite file, when the sprites came from a game
  bool has_background = false;   // credits over a picture: black text may show
  const std::set<int> *sounds = nullptr;  // for a video: the sound numbers that have a file
  const std::map<int, std::string> *sound_problems = nullptr;  // sound number: why its clip has no file
  const GameFileProblems *game_files = nullptr;  // what the game's folder lacks
};

// Checks every call against the plug-in's rules and the fonts, sprites and
// screen of `engine`; `on_call` takes each call after it was made, with its
// result. The same warning for the same line is given once.
class Linter {
 public:
  Linter(const std::map<std::string, FunctionSignature> &functions, const rollwick_host::RenderingEngine &engine,
         LintSources sources = {});
  void on_call(const Call &call, int32_t result);
  std::vector<Warning> warnings;
  // Set when a wait on the plug-in was found that can never end: the same
  // Is...Finished asked again, with frames between, of a sequence that
  // cannot finish. The message says why; the line is the call's.
  std::string endless;
  int endless_line = 0;  // (the hint for it: cap_frames)
  // The frame the calls come in; a wait is judged endless only once it has
  // gone on this long without a change, so that a loop that also counts
  // frames may end by itself first.
  int64_t frame = 0;
  static constexpr int64_t ENDLESS_AFTER_FRAMES = 200;
  // What the calls used, for the summary of the game's files.
  std::set<int> fonts_used;
  std::set<int32_t> slots_used;

 private:
  void warn(const Call &call, const std::string &message, Hint hint = Hint::none, int hint_number = 0);
  bool numbers_in_range(const Call &call);
  void on_scrolling_text(const Call &call);
  void on_static_text(const Call &call, int32_t sequence);
  void on_image(const Call &call);
  void on_run(const Call &call, int32_t sequence, bool in_range);
  void on_show_static(const Call &call, int32_t sequence);
  void on_finished_asked(const Call &call, int32_t sequence, int32_t result);
  int32_t number(const Call &call, const std::string &parameter) const;
  void check_font(const Call &call, int32_t font);
  void check_colour(const Call &call, int32_t colour);
  void check_width(const Call &call, const std::string &text, int32_t font);
  void check_letters(const Call &call, const std::string &text, int32_t font);
  void check_columns(const Call &call, const std::string &text, const MarkedText &markup, int32_t x, int32_t font);

  const std::map<std::string, FunctionSignature> &functions_;
  const rollwick_host::RenderingEngine &engine_;
  LintSources sources_;
  std::string never_finishes(bool scrolling, int32_t sequence) const;
  void stop_playing();

  // What plays: 0 nothing, 1 a roll, 2 a static sequence or credit.
  int playing_ = 0;
  int32_t playing_sequence_ = 0;
  std::set<int32_t> started_scrolling_;  // started, not yet reported finished
  std::set<int32_t> started_static_;
  std::map<int32_t, int32_t> speeds_;    // the speed SequenceSettings gave each roll
  bool paused_ = false;
  // Is...Finished calls that answered no for a reason, and the frame they first did.
  std::map<std::tuple<int, bool, int32_t>, int64_t> asked_;
  std::map<std::pair<int32_t, int32_t>, std::pair<bool, bool>> static_entries_;  // has a title, has "[["
  std::set<int32_t> warned_slots_;
  std::set<int32_t> warned_fonts_;
  std::set<std::pair<int32_t, uint32_t>> warned_letters_;  // font, letter
  std::set<std::pair<int, std::string>> given_;
};

}  // namespace rollwick_preview
