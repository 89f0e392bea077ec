// Scrolling lines in two pieces on one row.
//
//   "Left<>Right"   two columns, each `margin` pixels from its screen edge
//   "Left<.>Right"  the same, with a " ." leader filling the room between
//   "Left<#>Right"  the pieces either side of the screen centre, `margin` apart
//
// A text with "<" but none of these markers draws nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

enum class MarkupForm { none, two_column, dotted_leader, centre_gap };

// What a scrolling text's markers ask for, read once when the text is stored
// so that drawing only measures and places the pieces.
struct MarkedText {
  bool has_open = false;          // the text holds "<": it is drawn in pieces, or not at all
  MarkupForm form = MarkupForm::none;
  std::string left;               // the piece before the first "<", trimmed
  std::size_t right_at = 0;       // where the piece after the first ">" that follows it starts in the text

  void read(std::string_view text);
};

// Draws the pieces of `text` (the stored text `marked` was read from) at row
// `y`; `x` is the line's position for the whole text, which gives the margin
// (0 when negative).
void draw_markup_line(const MarkedText &marked, const char *text, int32_t font, int32_t colour, int32_t x,
                      int32_t y);
