// Warnings about a credits script, found as it runs: calls that will not
// show what the author most likely meant. Each goes with the call's line.
#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "credits_script.h"
#include "rendering_host.h"

namespace rollwick_preview {

struct Warning {
  int line = 0;
  std::string message;
};

// Where the fonts and sprites came from, for the warnings that name them.
struct LintSources {
  std::string sprite_file;       // the game's sprite file, when the sprites came from a game
  bool has_background = false;   // credits over a picture: black text may show
  const std::set<int> *sounds = nullptr;  // for a video: the sound numbers that have a file
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

 private:
  void warn(const Call &call, const std::string &message);
  int32_t number(const Call &call, const std::string &parameter) const;
  void check_font(const Call &call, int32_t font);
  void check_colour(const Call &call, int32_t colour);
  void check_width(const Call &call, const std::string &text, int32_t font);
  void check_columns(const Call &call, const std::string &text, int32_t x, int32_t font);

  const std::map<std::string, FunctionSignature> &functions_;
  const rollwick_host::RenderingEngine &engine_;
  LintSources sources_;
  bool playing_ = false;
  std::set<int32_t> started_scrolling_;
  std::set<int32_t> started_static_;
  std::map<std::pair<int32_t, int32_t>, std::pair<bool, bool>> static_entries_;  // has a title, has "[["
  std::set<int32_t> warned_slots_;
  std::set<int32_t> warned_fonts_;
  std::set<std::pair<int, std::string>> given_;
};

}  // namespace rollwick_preview
