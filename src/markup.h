// Scrolling lines in two pieces on one row.
//
//   "Left<>Right"   two columns, each `margin` pixels from its screen edge
//   "Left<.>Right"  the same, with a " ." leader filling the room between
//   "Left<#>Right"  the pieces either side of the screen centre, `margin` apart
//
// A text with "<" but none of these markers draws nothing.
#pragma once

#include <cstdint>

// Draws `text` at row `y`; `x` is the line's position for the whole text,
// which gives the margin (0 when negative).
void draw_markup_line(const char *text, int32_t font, int32_t colour, int32_t x, int32_t y);
