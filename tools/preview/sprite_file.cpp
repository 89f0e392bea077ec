#include "sprite_file.h"

#include <zlib.h>

#include <cstring>
#include <fstream>
#include <iterator>

namespace rollwick_preview {

namespace {

constexpr char signature[] = " Sprite File ";
constexpr size_t signature_size = 13;
constexpr int64_t max_pixels = 64 * 1024 * 1024;  // far beyond any game's sprite

enum Compression { none = 0, rle = 1, lzss = 2, deflate = 3 };
enum StorageFormat { plain = 0, palette_rgb888 = 32, palette_argb8888 = 33, palette_rgb565 = 34 };

// Little-endian reading with bounds: every read past the end fails the reader.
class Reader {
 public:
  explicit Reader(const std::vector<uint8_t> &bytes, size_t at = 0) : bytes_(bytes), at_(at) {}

  bool ok() const { return ok_; }
  size_t at() const { return at_; }
  const uint8_t *take(size_t count) {
    if (!ok_ || count > bytes_.size() - at_) {
      ok_ = false;
      return nullptr;
    }
    const uint8_t *start = bytes_.data() + at_;
    at_ += count;
    return start;
  }
  uint64_t unsigned_of(size_t count) {
    const uint8_t *p = take(count);
    uint64_t value = 0;
    for (size_t i = 0; p != nullptr && i < count; ++i) value |= static_cast<uint64_t>(p[i]) << (8 * i);
    return value;
  }
  uint8_t u8() { return static_cast<uint8_t>(unsigned_of(1)); }
  int16_t i16() { return static_cast<int16_t>(unsigned_of(2)); }
  uint16_t u16() { return static_cast<uint16_t>(unsigned_of(2)); }
  int32_t i32() { return static_cast<int32_t>(unsigned_of(4)); }
  uint32_t u32() { return static_cast<uint32_t>(unsigned_of(4)); }
  int64_t i64() { return static_cast<int64_t>(unsigned_of(8)); }

 private:
  const std::vector<uint8_t> &bytes_;
  size_t at_ = 0;
  bool ok_ = true;
};

bool read_bytes(const std::string &path, std::vector<uint8_t> &bytes) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return true;
}

uint32_t little_endian(const uint8_t *p, int size) {
  uint32_t value = 0;
  for (int i = 0; i < size; ++i) value |= static_cast<uint32_t>(p[i]) << (8 * i);
  return value;
}

struct Header {
  int version = 0;
  int compression = none;
  int32_t id = 0;
  int32_t topmost = -1;
  size_t first_entry = 0;
};

bool read_header(Reader &in, Header &header, std::string &error) {
  header.version = in.i16();
  const uint8_t *text = in.take(signature_size);
  if (!in.ok() || std::memcmp(text, signature, signature_size) != 0) {
    error = "is not a sprite file (no \" Sprite File \" signature)";
    return false;
  }
  if (header.version < 4 || header.version > 12) {
    error = "is a sprite file of version " + std::to_string(header.version) + " (versions 4 to 12 are read)";
    return false;
  }
  if (header.version < 5) in.take(768);  // an old palette, not used
  header.compression = header.version == 5 ? rle : none;
  if (header.version >= 6) {
    header.compression = in.u8();
    header.id = in.i32();
  }
  header.topmost = header.version >= 11 ? in.i32() : in.u16();
  if (header.version >= 12) in.take(4);  // storage flags and reserved bytes
  header.first_entry = in.at();
  if (!in.ok() || header.topmost < -1 || header.compression > deflate) {
    error = "has a damaged header";
    return false;
  }
  return true;
}

// Offsets of the entries from sprindex.dat, when it is there and agrees with
// the sprite file; empty otherwise.
std::vector<int64_t> index_offsets(const std::string &path, const Header &header) {
  std::vector<uint8_t> bytes;
  if (path.empty() || !read_bytes(path, bytes)) return {};
  Reader in(bytes);
  const uint8_t *text = in.take(8);
  if (!in.ok() || std::memcmp(text, "SPRINDEX", 8) != 0) return {};
  const int32_t version = in.i32();
  if (version >= 2 && in.i32() != header.id) return {};
  const int32_t topmost = in.i32();
  const int32_t count = in.i32();
  if (!in.ok() || topmost != header.topmost || count != topmost + 1 || count < 0) return {};
  in.take(static_cast<size_t>(count) * 4);  // widths and heights
  std::vector<int64_t> offsets(static_cast<size_t>(count));
  for (int64_t &offset : offsets) offset = version >= 10 ? in.i64() : in.i32();
  if (!in.ok()) return {};
  return offsets;
}

struct Entry {
  bool empty = true;
  StoredSprite sprite;
};

// Reads the entry at the reader's position; false when it is damaged.
bool read_entry(Reader &in, const Header &header, Entry &entry, std::string &why) {
  const int bpp = in.u8();
  int format = plain;
  int compression = header.compression;
  int palette_count = 0;
  if (header.version >= 12) {
    format = in.u8();
    if (bpp == 0 && !in.ok()) why = "ends inside its header";
    if (bpp == 0) return in.ok();  // an empty slot
    palette_count = in.u8() + 1;
    compression = in.u8();
  } else {
    in.u8();
    if (bpp == 0 && !in.ok()) why = "ends inside its header";
    if (bpp == 0) return in.ok();
  }
  const int width = in.i16();
  const int height = in.i16();
  if (!in.ok()) {
    why = "ends inside its header";
    return false;
  }
  if (bpp < 1 || bpp > 4 || width <= 0 || height <= 0 || static_cast<int64_t>(width) * height > max_pixels) {
    why = "has a bad size or depth (" + std::to_string(width) + "x" + std::to_string(height) + ", " +
          std::to_string(bpp) + " bytes a pixel)";
    return false;
  }
  if (compression > deflate) {
    why = "names an unknown compression " + std::to_string(compression);
    return false;
  }

  int palette_entry = 0;
  if (format == palette_rgb888) palette_entry = 3;
  if (format == palette_argb8888) palette_entry = 4;
  if (format == palette_rgb565) palette_entry = 2;
  if (format != plain && palette_entry == 0) {
    why = "names an unknown storage format " + std::to_string(format);
    return false;
  }
  std::vector<uint32_t> palette;
  if (palette_entry != 0) {
    const uint8_t *p = in.take(static_cast<size_t>(palette_count) * palette_entry);
    for (int i = 0; p != nullptr && i < palette_count; ++i) palette.push_back(little_endian(p + i * palette_entry, palette_entry));
  }

  const int unit = palette_entry != 0 ? 1 : bpp;
  const size_t units = static_cast<size_t>(width) * height;
  const size_t raw_size = units * unit;
  size_t data_size = raw_size;
  if (header.version >= 12 || compression != none) data_size = in.u32();
  const uint8_t *data = in.take(data_size);
  if (!in.ok()) {
    why = "ends inside its pixel data";
    return false;
  }

  std::vector<uint8_t> raw;
  bool unpacked = false;
  switch (compression) {
    case none:
      unpacked = data_size >= raw_size;
      if (unpacked) raw.assign(data, data + raw_size);
      break;
    case rle:
      unpacked = unpack_rle(data, data_size, units, unit, raw);
      break;
    case lzss:
      if (raw_size < 16) {  // small pictures are stored as they are
        unpacked = data_size >= raw_size;
        if (unpacked) raw.assign(data, data + raw_size);
      } else {
        unpacked = unpack_lzss(data, data_size, raw_size, raw);
      }
      break;
    case deflate:
      unpacked = unpack_deflate(data, data_size, raw_size, raw);
      break;
  }
  if (!unpacked) {
    why = "has pixel data that does not unpack to its size";
    return false;
  }

  StoredSprite &sprite = entry.sprite;
  sprite.width = width;
  sprite.height = height;
  sprite.bytes_per_pixel = bpp;
  sprite.pixels.resize(units);
  for (size_t i = 0; i < units; ++i) {
    if (palette_entry != 0) {
      const uint8_t index = raw[i];
      sprite.pixels[i] = index < palette.size() ? palette[index] : 0;
    } else {
      sprite.pixels[i] = little_endian(raw.data() + i * unit, unit);
    }
  }
  entry.empty = false;
  return true;
}

}  // namespace

bool unpack_rle(const uint8_t *data, size_t size, size_t units, int unit_size, std::vector<uint8_t> &out) {
  const size_t out_size = units * unit_size;
  out.clear();
  out.reserve(out_size);
  size_t at = 0;
  while (out.size() < out_size) {
    if (at >= size) return false;
    int control = static_cast<int8_t>(data[at++]);
    if (control == -128) control = 0;
    if (control < 0) {
      if (size - at < static_cast<size_t>(unit_size)) return false;
      for (int repeat = 0; repeat < 1 - control && out.size() < out_size; ++repeat) {
        out.insert(out.end(), data + at, data + at + unit_size);
      }
      at += unit_size;
    } else {
      const size_t bytes = static_cast<size_t>(control + 1) * unit_size;
      if (size - at < bytes) return false;
      const size_t kept = std::min(bytes, out_size - out.size());
      out.insert(out.end(), data + at, data + at + kept);
      at += bytes;
    }
  }
  return true;
}

bool unpack_lzss(const uint8_t *data, size_t size, size_t out_size, std::vector<uint8_t> &out) {
  constexpr size_t ring_size = 4096;
  uint8_t ring[ring_size] = {};
  size_t ring_at = ring_size - 16;
  out.clear();
  out.reserve(out_size);
  size_t at = 0;
  while (out.size() < out_size && at < size) {
    const uint8_t flags = data[at++];
    for (int bit = 0; bit < 8 && out.size() < out_size; ++bit) {
      if (((flags >> bit) & 1) == 0) {
        if (at >= size) return false;
        const uint8_t byte = data[at++];
        out.push_back(byte);
        ring[ring_at] = byte;
        ring_at = (ring_at + 1) % ring_size;
      } else {
        if (size - at < 2) return false;
        const unsigned value = data[at] | (data[at + 1] << 8);
        at += 2;
        const size_t length = (value >> 12) + 3;
        size_t from = (ring_at + ring_size - (value & 0xFFF) - 1) % ring_size;
        for (size_t i = 0; i < length && out.size() < out_size; ++i) {
          const uint8_t byte = ring[from];
          from = (from + 1) % ring_size;
          out.push_back(byte);
          ring[ring_at] = byte;
          ring_at = (ring_at + 1) % ring_size;
        }
      }
    }
  }
  return out.size() == out_size;
}

bool unpack_deflate(const uint8_t *data, size_t size, size_t out_size, std::vector<uint8_t> &out) {
  out.assign(out_size, 0);
  uLongf written = static_cast<uLongf>(out_size);
  const int status = uncompress(out.data(), &written, data, static_cast<uLong>(size));
  return status == Z_OK && written == out_size;
}

rollwick_host::Sprite to_sprite(const StoredSprite &stored, bool alpha_channel, const rollwick_host::Palette &palette,
                                int depth) {
  // Alpha is not blended: a 32-bit game draws every pixel above alpha 0 at
  // full colour; a 16-bit game leaves out those of alpha 127 or less.
  const uint32_t lowest_drawn = depth == 16 ? 128 : 1;
  rollwick_host::Sprite sprite;
  sprite.width = stored.width;
  sprite.height = stored.height;
  sprite.argb.resize(stored.pixels.size());
  for (size_t i = 0; i < stored.pixels.size(); ++i) {
    const uint32_t value = stored.pixels[i];
    uint32_t argb = 0;
    switch (stored.bytes_per_pixel) {
      case 1:  // index 0 is the mask
        argb = value == 0 ? 0 : 0xFF000000 | palette[value & 0xFF];
        break;
      case 2:
        argb = value == 0xF81F ? 0 : 0xFF000000 | rollwick_host::widen_565(value);
        break;
      case 3:
        argb = value == 0xFF00FF ? 0 : 0xFF000000 | value;
        break;
      default:
        if (alpha_channel) {
          argb = (value >> 24) < lowest_drawn ? 0 : 0xFF000000 | (value & 0xFFFFFF);
        } else {
          argb = value == 0x00FF00FF ? 0 : 0xFF000000 | (value & 0xFFFFFF);
        }
        break;
    }
    sprite.argb[i] = argb;
  }
  return sprite;
}

bool read_sprite_file(const std::string &sprite_path, const std::string &index_path, SpriteFile &file,
                      std::string &error) {
  std::vector<uint8_t> bytes;
  if (!read_bytes(sprite_path, bytes)) {
    error = "cannot read " + sprite_path;
    return false;
  }
  Reader in(bytes);
  Header header;
  if (!read_header(in, header, error)) {
    error = sprite_path + " " + error;
    return false;
  }
  file = SpriteFile{};
  file.version = header.version;
  file.topmost = header.topmost;
  const std::vector<int64_t> offsets = index_offsets(index_path, header);
  size_t position = header.first_entry;
  for (int32_t slot = 0; slot <= header.topmost; ++slot) {
    if (!offsets.empty()) {
      const int64_t offset = offsets[static_cast<size_t>(slot)];
      if (offset <= 0) continue;  // not in the file
      position = static_cast<uint64_t>(offset) <= bytes.size() ? static_cast<size_t>(offset) : bytes.size();
    }
    const size_t entry_start = position;
    Reader entry_in(bytes, position);
    Entry entry;
    std::string why;
    const bool read = read_entry(entry_in, header, entry, why);
    position = entry_in.at();
    if (!read) {
      file.damaged[slot] = why.empty() ? "is damaged" : why;
      if (offsets.empty()) {  // without the index nothing after it can be found
        file.lost_from = slot;
        file.damaged_from = static_cast<int64_t>(entry_start);
        break;
      }
      continue;
    }
    if (!entry.empty) file.sprites[slot] = std::move(entry.sprite);
  }
  return true;
}

}  // namespace rollwick_preview
