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
#include <memory>
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

// The largest files of each kind the previewer reads, far beyond any real
// game's; a larger one is refused before it is read.
constexpr uint64_t MAX_SPRITE_INDEX_BYTES = 64ull << 20;

// A sprite file opened for the slots a game draws: the file is mapped, each
// slot's entry found from its header alone (through sprindex.dat when it
// agrees, else by walking the entries), and a slot decoded only when asked.
// A slot larger than 4096 x 4096, or whose compressed data is too short for
// its size, is damaged; slots that share an entry are decoded once.
class SpriteReader {
 public:
  struct SlotPlace {
    size_t offset = 0;
    int width = 0;
    int height = 0;
  };

  SpriteReader() = default;
  SpriteReader(const SpriteReader &) = delete;
  SpriteReader &operator=(const SpriteReader &) = delete;
  ~SpriteReader();

  // False with `error` naming the file and what is wrong with it.
  bool open(const std::string &sprite_path, const std::string &index_path, std::string &error);
  // The same over bytes in memory.
  bool open_bytes(std::vector<uint8_t> sprite, const std::vector<uint8_t> &index, std::string &error);

  int version() const { return version_; }
  int32_t topmost() const { return topmost_; }
  const std::map<int32_t, SlotPlace> &slots() const { return slots_; }     // slots with a picture
  const std::map<int32_t, std::string> &damaged() const { return damaged_; }  // found damaged by their headers
  int32_t lost_from() const { return lost_from_; }
  int64_t damaged_from() const { return damaged_from_; }
  bool decode(int32_t slot, StoredSprite &sprite, std::string &why) const;

 private:
  bool index_bytes(const uint8_t *data, size_t size, const std::vector<uint8_t> &index, std::string &error);
  void close();

  const uint8_t *mapped_ = nullptr;
  size_t mapped_size_ = 0;
  std::vector<uint8_t> owned_;
  const uint8_t *data_ = nullptr;
  size_t size_ = 0;
  int version_ = 0;
  int compression_ = 0;
  int32_t id_ = 0;
  int32_t topmost_ = -1;
  std::map<int32_t, SlotPlace> slots_;
  std::map<int32_t, std::string> damaged_;
  int32_t lost_from_ = -1;
  int64_t damaged_from_ = -1;
  mutable std::map<size_t, std::shared_ptr<const StoredSprite>> decoded_;
};

// Every slot decoded at once (for small files and tests).
bool read_sprite_file(const std::string &sprite_path, const std::string &index_path, SpriteFile &file,
                      std::string &error);

// The file's bytes, when it is a file of at most `limit` bytes; false with
// `error` ("no such file", "is a folder", too large) otherwise.
bool read_file_limited(const std::string &path, uint64_t limit, std::vector<uint8_t> &bytes, std::string &error);

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
