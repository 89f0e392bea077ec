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
#include <string_view>

// Draws `text` at row `y`; `x` is the line's position for the whole text,
// which gives the margin (0 when negative). `first_open` is where the text's
// first "<" stands. `text` must end where a zero byte follows it, as a stored
// credit does.
void draw_markup_line(std::string_view text, std::size_t first_open, int32_t font, int32_t colour, int32_t x,
                      int32_t y);
