// The credit store: the fixed tables a game script fills before it runs
// credits, and the per-sequence settings and flags kept beside them.
//
// All of it lives in one plain global record, `credit_store`, zeroed at load
// (`empty_line_height` alone starts at 10) and never cleared by the plug-in; a
// test puts it back with `credit_store = CreditStore{}`.
//
// Numbers from scripts are 1-based: sequence 1..2, line or id 1..100. A call
// with a number outside those ranges changes nothing and writes one line naming
// the function and the bad value to the engine's debug console.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "markup.h"
#include "text_split.h"

constexpr int SEQUENCE_COUNT = 2;
constexpr int ENTRY_COUNT = 100;
constexpr int32_t DEFAULT_EMPTY_LINE_HEIGHT = 10;

// A game holds a text it gets back from the plug-in in an old-style `string`,
// which scripts may write up to this many bytes into (StrCopy, StrCat).
constexpr std::size_t OLD_STYLE_STRING_SIZE = 200;

// A text the store owns. Scripts pass texts in buffers they reuse, so every
// setter keeps a copy. An unset text reads as null through `or_null` and as
// the empty text through `view`. A text that is handed back to scripts is
// kept with `room` bytes at least behind its pointer.
struct StoredText {
  std::string text;
  bool is_set = false;

  void assign(const char *source, std::size_t room = 0) {
    const std::string_view from = source != nullptr ? source : "";
    std::string copy;
    copy.reserve(room > from.size() ? room : from.size());
    copy.assign(from);
    text = std::move(copy);  // only now: `source` may point into this text
    is_set = true;
  }
  const char *or_null() const { return is_set ? text.c_str() : nullptr; }
  const char *view() const { return text.c_str(); }
};

struct ScrollLine {
  StoredText credit;
  MarkedText marked;             // the markers of `credit`, read again whenever `credit` is set or written
  // The text `marked` was read from. Once GetCredit has handed `credit` to a
  // script, the script may write into it (StrCopy, StrCat); the frame then
  // finds the text changed and reads its markers again, as if it had been set.
  std::string read_from;
  uint8_t handed_out = 0;
  int32_t x_pos = 0;             // negative: centred
  int32_t font_or_slot = 0;      // text: font; image: sprite slot
  int32_t colour_or_height = 0;  // text: colour; image: layout height, negative = sprite's own
  uint8_t is_set = 0;
  uint8_t is_image = 0;
};

struct StaticCredit {
  StoredText credit;    // may hold "[[" line breaks
  CutText credit_lines;  // `credit` cut at its "[[" breaks, remade whenever `credit` is set
  StoredText title;
  int32_t x_pos = 0;  // credit text and image share x and y
  int32_t y_pos = 0;
  int32_t font = 0;
  int32_t colour = 0;
  int32_t title_x_pos = 0;
  int32_t title_y_pos = 0;
  int32_t title_font = 0;
  int32_t title_colour = 0;
  int32_t pause_time = 0;  // > 0: the entry is a pause
  uint8_t is_image = 0;
  int32_t slot = 0;
  int32_t image_time = 0;
};

struct ScrollSettings {
  int32_t startpoint = 0;  // screen pixels, not scaled
  int32_t endpoint = 0;    // screen pixels, not scaled
  int32_t speed = 0;       // frames waited between two moves
  uint8_t finished = 0;
  int32_t automatic = 0;  // exactly 1: start below the screen, end above it
  int32_t endwait = 0;    // frames the last picture is held
};

struct StaticSequenceState {
  int32_t speed = 0;  // frames per character of a text entry
  uint8_t finished = 0;
};

struct CreditStore {
  ScrollLine scroll_lines[SEQUENCE_COUNT][ENTRY_COUNT];
  StaticCredit static_credits[SEQUENCE_COUNT][ENTRY_COUNT];
  ScrollSettings scroll_settings[SEQUENCE_COUNT];
  StaticSequenceState static_states[SEQUENCE_COUNT];
  int32_t last_scroll_line[SEQUENCE_COUNT] = {0, 0};  // only ever raised
  int32_t last_static_id[SEQUENCE_COUNT] = {0, 0};    // only ever raised
  int32_t empty_line_height = DEFAULT_EMPTY_LINE_HEIGHT;
};

extern CreditStore credit_store;

// Range checks shared by every handler that takes a number from a script.
// They return true when the number is usable; otherwise they write the
// debug-console line for `function` and return false.
bool sequence_in_range(const char *function, int32_t sequence);
bool sequence_and_entry_in_range(const char *function, int32_t sequence, const char *entry_name, int32_t entry);

// Reads a line's markers again when a script has written a new text into the
// one GetCredit handed it. Every frame calls it for every line it lays out;
// it allocates nothing (each text keeps room for an old-style string).
void catch_up_with_writes(ScrollLine &line);

// Accessors for 1-based numbers already checked.
inline ScrollLine &scroll_line(int32_t sequence, int32_t line) {
  return credit_store.scroll_lines[sequence - 1][line - 1];
}
inline StaticCredit &static_credit(int32_t sequence, int32_t id) {
  return credit_store.static_credits[sequence - 1][id - 1];
}
inline ScrollSettings &scroll_settings(int32_t sequence) { return credit_store.scroll_settings[sequence - 1]; }
inline StaticSequenceState &static_state(int32_t sequence) { return credit_store.static_states[sequence - 1]; }
inline int32_t last_scroll_line(int32_t sequence) { return credit_store.last_scroll_line[sequence - 1]; }
inline int32_t last_static_id(int32_t sequence) { return credit_store.last_static_id[sequence - 1]; }

// Script functions that fill and read the store.
void SetCredit(int sequence, int line, const char *credit, int x_pos, int font, int colour);
const char *GetCredit(int sequence, int line);
void CreditsSettings(int empty_line_height);
void SequenceSettings(int sequence, int startpoint, int endpoint, int speed, int automatic, int endwait);
void SetCreditImage(int sequence, int line, int x_pos, int slot, int height);
void SetStaticCredit(int sequence, int id, const char *credit, int x_pos, int y_pos, int font, int colour);
void SetStaticCreditTitle(int sequence, int id, const char *title, int x_pos, int y_pos, int font, int colour);
void SetStaticPause(int sequence, int id, int time);
void SetStaticImage(int sequence, int id, int slot, int x_pos, int y_pos, int time);
