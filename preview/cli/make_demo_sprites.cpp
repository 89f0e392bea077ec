// Draws the sprites of the demo credits: a logo, a star and a divider, with
// transparent backgrounds. Usage: make-demo-sprites DIR
#include <cmath>
#include <cstdio>
#include <string>

#include "png_files.h"

using rollwick_host::Sprite;

namespace {

Sprite blank(int width, int height) {
  Sprite sprite;
  sprite.width = width;
  sprite.height = height;
  sprite.argb.assign(static_cast<size_t>(width) * height, 0);
  return sprite;
}

void put(Sprite &sprite, int x, int y, uint32_t rgb) {
  if (x >= 0 && y >= 0 && x < sprite.width && y < sprite.height) {
    sprite.argb[static_cast<size_t>(y) * sprite.width + x] = 0xFF000000 | rgb;
  }
}

// A round badge with a ring and a diagonal stripe.
Sprite logo() {
  Sprite sprite = blank(48, 48);
  for (int y = 0; y < 48; ++y) {
    for (int x = 0; x < 48; ++x) {
      const double distance = std::hypot(x - 23.5, y - 23.5);
      if (distance > 23.5) continue;
      uint32_t rgb = distance > 20 ? 0xE8C040 : 0x283878;
      if (distance <= 20 && std::abs(x - y) < 5) rgb = 0xF0F0F0;
      put(sprite, x, y, rgb);
    }
  }
  return sprite;
}

// A five-pointed star.
Sprite star() {
  Sprite sprite = blank(24, 24);
  const double pi = 3.14159265358979;
  for (int y = 0; y < 24; ++y) {
    for (int x = 0; x < 24; ++x) {
      const double dx = x - 11.5;
      const double dy = y - 12.5;
      const double angle = std::atan2(dy, dx) + pi / 2;
      const double reach = 6 + 6 * std::pow(std::abs(std::cos(2.5 * angle)), 3);
      if (std::hypot(dx, dy) <= reach) put(sprite, x, y, 0xF8D848);
    }
  }
  return sprite;
}

// A thin gradient rule.
Sprite divider() {
  Sprite sprite = blank(160, 4);
  for (int x = 0; x < 160; ++x) {
    const int level = 255 - std::abs(x - 80) * 3;
    if (level <= 40) continue;
    const uint32_t grey = static_cast<uint32_t>(level);
    for (int y = 1; y < 3; ++y) put(sprite, x, y, grey << 16 | grey << 8 | grey);
  }
  return sprite;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-demo-sprites DIR\n");
    return 2;
  }
  const std::string directory = argv[1];
  std::string error;
  const bool ok = rollwick_host::write_png(directory + "/logo.png", logo(), error) &&
                  rollwick_host::write_png(directory + "/star.png", star(), error) &&
                  rollwick_host::write_png(directory + "/divider.png", divider(), error);
  if (!ok) std::fprintf(stderr, "make-demo-sprites: %s\n", error.c_str());
  return ok ? 0 : 1;
}
