// A game project's sprite file (acsprset.spr, with sprindex.dat where it is
// present and agrees): every slot's picture, decoded from any of the storage
// forms the 3.6 editor writes (plain or palette-indexed pixels; no
// compression, RLE, LZSS or deflate) at 8, 16, 24 or 32 bits.
//
// Errors: read_sprite_file returns false with `error` naming the file and
// what is wrong with it; a slot whose data is damaged is left out and named
// in `damaged`, the rest are still read.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "colour_depth.h"

namespace rollwick_preview {

// One slot as stored: `bytes_per_pixel` 1..4 and the pixels as the file
// holds them once unpacked, widened to one value a pixel (an 8-bit palette
// index, 5-6-5, 0xRRGGBB, or 0xAARRGGBB).
struct StoredSprite {
  int width = 0;
  int height = 0;
  int bytes_per_pixel = 0;
  std::vector<uint32_t> pixels;
};

struct SpriteFile {
  int version = 0;
  int32_t topmost = -1;                      // the highest slot the file declares
  std::map<int32_t, StoredSprite> sprites;   // slots with a picture
  std::map<int32_t, std::string> damaged;    // slots that could not be decoded, and why
  // Without an index, nothing after a damaged entry can be found: the slots
  // from `lost_from` to `topmost` are lost, from byte `damaged_from` on.
  int32_t lost_from = -1;
  int64_t damaged_from = -1;
};

bool read_sprite_file(const std::string &sprite_path, const std::string &index_path, SpriteFile &file,
                      std::string &error);

// The slot as a picture in a game of `depth` bits: 0xAARRGGBB, alpha 0 where
// the sprite is transparent (its depth's mask colour; with `alpha_channel`,
// a pixel of alpha 0, or in a 16-bit game of alpha 127 or less), every other
// pixel opaque. 8-bit sprites are coloured through `palette`.
rollwick_host::Sprite to_sprite(const StoredSprite &stored, bool alpha_channel, const rollwick_host::Palette &palette,
                                int depth = 32);

// The decompressors, on one stream of `units` pixels of `unit_size` bytes.
bool unpack_rle(const uint8_t *data, size_t size, size_t units, int unit_size, std::vector<uint8_t> &out);
bool unpack_lzss(const uint8_t *data, size_t size, size_t out_size, std::vector<uint8_t> &out);
bool unpack_deflate(const uint8_t *data, size_t size, size_t out_size, std::vector<uint8_t> &out);

}  // namespace rollwick_preview
