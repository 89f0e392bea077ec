// A screen picture: one 0xRRGGBB value a pixel.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace rollwick_host {

struct Canvas {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;

  Canvas() = default;
  Canvas(int w, int h, uint32_t fill = 0) : width(w), height(h), pixels(static_cast<size_t>(w) * h, fill) {}

  bool contains(int64_t x, int64_t y) const { return x >= 0 && y >= 0 && x < width && y < height; }
  void put(int64_t x, int64_t y, uint32_t rgb) {
    if (contains(x, y)) pixels[static_cast<size_t>(y) * width + static_cast<size_t>(x)] = rgb;
  }
  uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  void fill(uint32_t rgb) { pixels.assign(pixels.size(), rgb); }
};

}  // namespace rollwick_host
