#include "placement.h"

#include <limits>

#include "plugin_state.h"

ScreenSize screen_size() {
  ScreenSize size;
  int32 depth = 0;
  engine().GetScreenDimensions(&size.width, &size.height, &depth);
  return size;
}

int32_t clamp_to_int32(int64_t value) {
  if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

int32_t scale_coordinate(int32_t value) {
  if (screen_size().width == 640) return clamp_to_int32(static_cast<int64_t>(value) * 2);
  return value;
}

int32_t centred_position(int32_t screen_extent, int32_t item_extent) {
  // C++ division truncates toward zero; the difference of two int32 halved
  // always fits back into an int32.
  return static_cast<int32_t>((static_cast<int64_t>(screen_extent) - item_extent) / 2);
}

int32_t place(int32_t stored, int32_t screen_extent, int32_t item_extent) {
  return stored < 0 ? centred_position(screen_extent, item_extent) : scale_coordinate(stored);
}
