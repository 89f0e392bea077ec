#include "canvas.h"

namespace rollwick_host {

namespace {

constexpr uint32_t low_colours[16] = {0x000000, 0x0000A0, 0x00A000, 0x00A0A0, 0xA00000, 0xA000A0,
                                      0xA05000, 0xA0A0A0, 0x505050, 0x5050FF, 0x50FF50, 0x50FFFF,
                                      0xFF5050, 0xFF50FF, 0xFFFF50, 0xFFFFFF};

uint32_t table_colour(int32_t colour) {
  if (colour < 16) return low_colours[colour];
  const uint32_t grey = static_cast<uint32_t>(colour - 16) * 0x10;
  return grey << 16 | grey << 8 | grey;
}

}  // namespace

uint32_t ags_colour(int32_t colour, int depth) {
  if (colour < 0) colour = 0;  // the engine draws invalid numbers with colour 0
  if (depth == 8) {
    if (colour < 32) return table_colour(colour);
    const uint32_t grey = static_cast<uint32_t>(colour & 0xFF);
    return grey << 16 | grey << 8 | grey;
  }
  if (colour < 32) return table_colour(colour);
  const uint32_t r5 = (static_cast<uint32_t>(colour) >> 11) & 31;
  const uint32_t g6 = (static_cast<uint32_t>(colour) >> 5) & 63;
  const uint32_t b5 = static_cast<uint32_t>(colour) & 31;
  const uint32_t r = (r5 << 3) | (r5 >> 2);
  const uint32_t g = (g6 << 2) | (g6 >> 4);
  const uint32_t b = (b5 << 3) | (b5 >> 2);
  return r << 16 | g << 8 | b;
}

}  // namespace rollwick_host
