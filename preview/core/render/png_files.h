// PNG pictures in and out, through libpng.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "canvas.h"

namespace rollwick_host {

// A sprite: 0xAARRGGBB a pixel; alpha 0 is transparent.
struct Sprite {
  int width = 1;
  int height = 1;
  std::vector<uint32_t> argb = std::vector<uint32_t>(1, 0);
};

// Reads a PNG as a sprite; false with `error` set when it cannot.
bool read_png_sprite(const std::string &path, Sprite &sprite, std::string &error);

// Writes an opaque picture, or a sprite with its transparency, to `path`;
// written under a fresh name beside it and renamed, so the file is whole or absent.
bool write_png(const std::string &path, const Canvas &canvas, std::string &error);
bool write_png(const std::string &path, const Sprite &sprite, std::string &error);

}  // namespace rollwick_host
