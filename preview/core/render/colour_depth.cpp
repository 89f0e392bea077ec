#include "colour_depth.h"

#include <limits>

namespace rollwick_host {

namespace {

constexpr uint32_t low_colours[16] = {0x000000, 0x0000A0, 0x00A000, 0x00A0A0, 0xA00000, 0xA000A0,
                                      0xA05000, 0xA0A0A0, 0x505050, 0x5050FF, 0x50FF50, 0x50FFFF,
                                      0xFF5050, 0xFF50FF, 0xFFFF50, 0xFFFFFF};

// 0 to 15 the sixteen classic colours, 16 to 31 greys in steps of 0x10.
uint32_t table_colour(int32_t colour) {
  if (colour < 16) return low_colours[colour];
  const uint32_t grey = static_cast<uint32_t>(colour - 16) * 0x10;
  return grey << 16 | grey << 8 | grey;
}

constexpr uint32_t mask_565 = 0xF81F;     // a 16-bit game's transparent colour
constexpr uint32_t visible_565 = 0xF83F;  // what a colour that packs to the mask becomes

}  // namespace

uint32_t nearest_palette_entry(uint32_t rgb, const Palette &palette, int first) {
  int best = first;
  int64_t best_distance = std::numeric_limits<int64_t>::max();
  for (int index = first; index < 256; ++index) {
    int64_t distance = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
      const int64_t d = static_cast<int64_t>((rgb >> shift) & 0xFF) - static_cast<int64_t>((palette[index] >> shift) & 0xFF);
      distance += d * d;
    }
    if (distance < best_distance) {
      best_distance = distance;
      best = index;
    }
  }
  return palette[best];
}

uint32_t widen_565(uint32_t value) {
  const uint32_t r5 = (value >> 11) & 31;
  const uint32_t g6 = (value >> 5) & 63;
  const uint32_t b5 = value & 31;
  return ((r5 << 3) | (r5 >> 2)) << 16 | ((g6 << 2) | (g6 >> 4)) << 8 | ((b5 << 3) | (b5 >> 2));
}

uint32_t pack_565(uint32_t rgb) {
  return (((rgb >> 16) & 0xFF) >> 3) << 11 | (((rgb >> 8) & 0xFF) >> 2) << 5 | ((rgb & 0xFF) >> 3);
}

uint32_t ags_colour(int32_t colour, int depth, const Palette *palette) {
  if (colour < 0) colour = 0;  // the engine draws invalid numbers with colour 0
  if (depth == 8) {
    if (palette != nullptr) return (*palette)[static_cast<uint32_t>(colour) & 0xFF];
    if (colour < 32) return table_colour(colour);
    const uint32_t grey = static_cast<uint32_t>(colour & 0xFF);
    return grey << 16 | grey << 8 | grey;
  }
  if (colour < 32) return depth == 16 ? widen_565(pack_565(table_colour(colour))) : table_colour(colour);
  return widen_565(static_cast<uint32_t>(colour) & 0xFFFF);
}

Sprite sprite_for_depth(const Sprite &sprite, int depth, const Palette *palette) {
  Sprite converted = sprite;
  for (uint32_t &pixel : converted.argb) {
    if ((pixel >> 24) == 0) {
      pixel = 0x00FF00FF;  // the mask colour, transparent
      continue;
    }
    uint32_t rgb = pixel & 0xFFFFFF;
    if (depth == 16) {
      uint32_t packed = pack_565(rgb);
      if (packed == mask_565) packed = visible_565;
      rgb = widen_565(packed);
    } else if (depth == 8 && palette != nullptr) {
      rgb = nearest_palette_entry(rgb, *palette, 1);  // index 0 is the mask
    }
    pixel = 0xFF000000 | rgb;
  }
  return converted;
}

}  // namespace rollwick_host
