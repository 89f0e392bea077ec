// Credits kept as a sheet instead of script code: a CSV file (a header row
// naming the columns section, role, name, and optionally more name columns,
// image and note) or a text file (# Title, ## Section, "Role: Name, Name",
// names alone, ![](sprite N), blank lines). Settings come first in either
// ("key: value" lines; in a CSV, rows that start with #).
//
// A sheet is laid out as a credits script of scrolling sequences, which the
// previewer then plays (and writes out as AGS code) like any other script.
// A sequence holds 100 lines: the roll goes on in the other sequence, and
// past 200 lines refills the one that has finished.
//
// Errors: read_sheet throws ScriptError naming the sheet's line and column
// (a quote never closed, a row wider than its header, a setting that is no
// number); what it only warns about comes back as SheetWarning.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "credits_script.h"

namespace rollwick_preview {

struct SheetStyle {
  int font = 0;
  int colour = 15;
};

struct SheetSettings {
  SheetStyle title{0, 65535};
  SheetStyle section{0, 14};
  SheetStyle role{0, 15};
  SheetStyle name{0, 15};
  std::string layout = "<#>";  // how a role line joins role and name: "<#>", "<.>" or "<>"
  // The x of a role line: the margin from both edges (<.>, <>) or the gap
  // at the centre (<#>); by default 20 and 12. Negative: as if centred.
  int margin = MARGIN_BY_LAYOUT;
  static constexpr int MARGIN_BY_LAYOUT = -1000000000;
  int empty_line = 10;         // the height of an empty line
  int speed = 0;               // frames between two moves of the roll
  int hold = 0;                // frames the end is held
  int start = -1;              // the y where the roll's top starts (-1: just below the screen)
};

struct SheetLine {
  enum class Kind { title, section, role, name, image, space };
  Kind kind = Kind::name;
  std::string role;
  std::string text;  // the name, title or section
  int slot = 0;      // of an image
  int line = 0;      // in the sheet
};

struct Sheet {
  std::string file;
  SheetSettings settings;
  std::vector<SheetLine> lines;
};

// True for a file the previewer reads as a sheet (.csv, .md).
bool is_sheet_file(const std::string &file);

// Reads a sheet's bytes (UTF-8 or the game's one-byte encoding; a UTF-8 byte
// order mark is skipped).
Sheet read_sheet(const std::string &file, const std::string &bytes);

// The font and colour a line is drawn in (a role line in the role's, names
// beside it too; an image or space: the name's), and the text it passes to
// the plug-in ("Role<#>Name" for a role line).
const SheetStyle &style_of(const SheetLine &line, const SheetSettings &settings);
std::string credit_text(const SheetLine &line, const SheetSettings &settings);

// The sheet as a credits script, and for each of the script's lines the
// sheet's line it comes from (0: none).
struct SheetScript {
  std::string source;
  std::vector<int> sheet_lines;  // index: the script's line - 1
  int parts = 0;                 // scrolling sequences played one after the other
};
// A roll that starts at a `start` of its own ends where one from below the
// screen ends, once the whole column has left the top: its height comes
// from `layout_height` (each line's layout height as the plug-in measures
// it: a text's height in its font, an image's sprite height, an empty line's
// height on this screen). Without it such a roll starts below the screen.
SheetScript sheet_script(const Sheet &sheet, const std::function<int(const SheetLine &line)> &layout_height = {});

// The speed and hold that make the roll last `target` frames, given the
// frames the roll lasts at a speed with no hold (`frames_at`, which plays
// it). False when even the fastest roll is longer; `why` then says the
// nearest it comes.
struct SheetFit {
  int speed = 0;
  int hold = 0;
  int64_t frames = 0;  // as played with them
  int64_t target = 0;  // the frames asked for
  int fps = 0;         // the game's speed they were counted at
};
bool fit_sheet(int64_t target, int fps, const std::function<int64_t(int speed, int hold)> &frames_at, SheetFit &fit,
               std::string &why);

}  // namespace rollwick_preview
