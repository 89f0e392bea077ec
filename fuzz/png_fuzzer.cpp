// Fuzzes PNG sprites and backgrounds: read, then shown in each colour depth.
#include "colour_depth.h"
#include "fuzz_file.h"
#include "png_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzFile png(data, size, "sprite.png");
  rollwick_host::Sprite sprite;
  std::string error;
  if (!rollwick_host::read_png_sprite(png.path(), sprite, error)) return 0;
  if (static_cast<size_t>(sprite.width) * sprite.height != sprite.argb.size()) __builtin_trap();
  const rollwick_host::Palette palette{};
  for (const int depth : {8, 16, 32}) rollwick_host::sprite_for_depth(sprite, depth, &palette);
  return 0;
}
