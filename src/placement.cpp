#include "placement.h"

#include "plugin_state.h"

ScreenSize screen_size() {
  ScreenSize size;
  int32 depth = 0;
  engine().GetScreenDimensions(&size.width, &size.height, &depth);
  return size;
}

int32_t scale_coordinate(int32_t value) {
  if (screen_size().width == 640) return clamp_to_int32(static_cast<int64_t>(value) * 2);
  return value;
}
