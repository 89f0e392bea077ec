// Turning script units into screen pixels.
//
// A script length is doubled on a screen exactly 640 pixels wide; a negative
// script position means "centred" along its axis. The screen size is asked of
// the engine each time it is needed, never cached.
#pragma once

#include <cstdint>

struct ScreenSize {
  int32_t width = 0;
  int32_t height = 0;
};

// The game screen as the engine reports it now.
ScreenSize screen_size();

// `value` in pixels: doubled when the screen is exactly 640 wide, clamped to
// the int32 range rather than wrapped.
int32_t scale_coordinate(int32_t value);

// Where an item of `item_extent` is centred on `screen_extent`: the difference
// halved, truncated toward zero (negative when the item is larger). The
// difference of two int32 halved always fits back into an int32.
inline int32_t centred_position(int32_t screen_extent, int32_t item_extent) {
  return static_cast<int32_t>((static_cast<int64_t>(screen_extent) - item_extent) / 2);
}

// A stored position along one axis: centred when negative, else scaled.
inline int32_t place(int32_t stored, int32_t screen_extent, int32_t item_extent) {
  return stored < 0 ? centred_position(screen_extent, item_extent) : scale_coordinate(stored);
}

// Narrows a wide value to int32, clamping at the ends of the range.
inline int32_t clamp_to_int32(int64_t value) {
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}
