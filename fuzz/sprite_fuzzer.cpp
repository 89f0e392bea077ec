// Fuzzes the sprite file reader with its index: the first two bytes give the
// index's length, the index follows, then the sprite file. Every slot found
// is decoded and turned into a picture, up to 512 x 512 pixels: larger slots
// are read only as far as their headers, which keeps an input to
// milliseconds (the reader's own size limits have tests of their own).
#include "fuzz_file.h"
#include "sprite_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 2) return 0;
  const size_t index_size = std::min<size_t>(size - 2, data[0] | data[1] << 8);
  FuzzFile sprites(data + 2 + index_size, size - 2 - index_size, "acsprset.spr");
  const std::string index = sprites.add("sprindex.dat", data + 2, index_size);
  rollwick_preview::SpriteReader reader;
  std::string error;
  if (!reader.open(sprites.path(), index, error)) return 0;
  const rollwick_host::Palette palette{};
  for (const auto &slot : reader.slots()) {
    if (static_cast<int64_t>(slot.second.width) * slot.second.height > 512 * 512) continue;
    rollwick_preview::StoredSprite stored;
    if (!reader.decode(slot.first, stored, error)) continue;
    for (const bool alpha : {false, true}) rollwick_preview::to_sprite(stored, alpha, palette, alpha ? 16 : 32);
  }
  return 0;
}
