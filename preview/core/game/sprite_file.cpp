#include "sprite_file.h"

#include "user_files.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cstring>
#include <fstream>
#include <iterator>

namespace rollwick_preview {

namespace {

constexpr char signature[] = " Sprite File ";
constexpr size_t signature_size = 13;
// A sprite larger than this (4096 x 4096) is far beyond what credits draw
// and is not decoded: it would take hundreds of megabytes.
constexpr int64_t max_pixels = 4096 * 4096;
// zlib's deflate cannot make more than about 1032 bytes of one.
constexpr uint64_t deflate_ratio = 1032;

enum Compression { none = 0, rle = 1, lzss = 2, deflate = 3 };
enum StorageFormat { plain = 0, palette_rgb888 = 32, palette_argb8888 = 33, palette_rgb565 = 34 };

// Little-endian reading with bounds: every read past the end fails the reader.
class Reader {
 public:
  Reader(const uint8_t *data, size_t size, size_t at = 0) : data_(data), size_(size), at_(at > size ? size : at) {}
  explicit Reader(const std::vector<uint8_t> &bytes, size_t at = 0) : Reader(bytes.data(), bytes.size(), at) {}

  bool ok() const { return ok_; }
  size_t at() const { return at_; }
  size_t left() const { return size_ - at_; }
  const uint8_t *take(size_t count) {
    if (!ok_ || count > size_ - at_) {
      ok_ = false;
      return nullptr;
    }
    const uint8_t *start = data_ + at_;
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
  const uint8_t *data_;
  size_t size_;
  size_t at_ = 0;
  bool ok_ = true;
};

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
  constexpr int32_t most_slots = 10000000;  // games have tens of thousands at most
  if (header.topmost >= most_slots) {
    error = "declares " + std::to_string(static_cast<int64_t>(header.topmost) + 1) + " slots, more than any game (" +
            std::to_string(most_slots) + " at most)";
    return false;
  }
  return true;
}

// Offsets of the entries from sprindex.dat, when it is there and agrees with
// the sprite file; empty otherwise.
std::vector<int64_t> index_offsets(const std::vector<uint8_t> &bytes, const Header &header) {
  if (bytes.empty()) return {};
  Reader in(bytes);
  const uint8_t *text = in.take(8);
  if (!in.ok() || std::memcmp(text, "SPRINDEX", 8) != 0) return {};
  const int32_t version = in.i32();
  if (version >= 2 && in.i32() != header.id) return {};
  const int64_t topmost = in.i32();
  const int64_t count = in.i32();
  if (!in.ok() || topmost != header.topmost || count != topmost + 1 || count < 0) return {};
  // Widths and heights, then an offset a slot: the file must hold them all
  // before anything is made from the count.
  const uint64_t per_slot = 4 + (version >= 10 ? 8 : 4);
  if (static_cast<uint64_t>(count) > in.left() / per_slot) return {};
  in.take(static_cast<size_t>(count) * 4);
  std::vector<int64_t> offsets(static_cast<size_t>(count));
  for (int64_t &offset : offsets) offset = version >= 10 ? in.i64() : in.i32();
  if (!in.ok()) return {};
  return offsets;
}

struct Entry {
  bool empty = true;
  StoredSprite sprite;
};

// An entry's header: its depth (0 for an empty slot), size, storage form and
// compression, up to its palette.
struct EntryHead {
  int bpp = 0;
  int format = plain;
  int compression = none;
  int palette_count = 0;
  int palette_entry = 0;  // bytes a palette entry; 0 without a palette
  int width = 0;
  int height = 0;
  int unit() const { return palette_entry != 0 ? 1 : bpp; }
  // The size of the pixel data that follows the palette, as stored.
  uint64_t data_size(Reader &in, const Header &header) const {
    if (header.version >= 12 || compression != none) return in.u32();
    return static_cast<uint64_t>(width) * height * unit();
  }
};

// Reads an entry's header at the reader's position, up to its palette;
// false when it is damaged.
bool read_entry_head(Reader &in, const Header &header, EntryHead &head, std::string &why) {
  head.bpp = in.u8();
  head.compression = header.compression;
  if (header.version >= 12) {
    head.format = in.u8();
    if (head.bpp != 0) {
      head.palette_count = in.u8() + 1;
      head.compression = in.u8();
    }
  } else {
    in.u8();
  }
  if (head.bpp != 0) {
    head.width = in.i16();
    head.height = in.i16();
  }
  if (!in.ok()) {
    why = "ends inside its header";
    return false;
  }
  if (head.bpp == 0) return true;  // an empty slot
  if (head.bpp < 1 || head.bpp > 4 || head.width <= 0 || head.height <= 0) {
    why = "has a bad size or depth (" + std::to_string(head.width) + "x" + std::to_string(head.height) + ", " +
          std::to_string(head.bpp) + " bytes a pixel)";
    return false;
  }
  if (head.compression > deflate) {
    why = "names an unknown compression " + std::to_string(head.compression);
    return false;
  }
  if (head.format == palette_rgb888) head.palette_entry = 3;
  if (head.format == palette_argb8888) head.palette_entry = 4;
  if (head.format == palette_rgb565) head.palette_entry = 2;
  if (head.format != plain && head.palette_entry == 0) {
    why = "names an unknown storage format " + std::to_string(head.format);
    return false;
  }
  return true;
}

// Reads the entry at the reader's position; false when it is damaged.
bool read_entry(Reader &in, const Header &header, Entry &entry, std::string &why) {
  EntryHead head;
  if (!read_entry_head(in, header, head, why)) return false;
  if (head.bpp == 0) return true;  // an empty slot
  const int width = head.width;
  const int height = head.height;
  const int bpp = head.bpp;
  const int compression = head.compression;
  const int palette_entry = head.palette_entry;
  if (static_cast<int64_t>(width) * height > max_pixels) {
    why = "is " + std::to_string(width) + "x" + std::to_string(height) +
          ", larger than the previewer draws (4096 x 4096 pixels at most)";
    return false;
  }
  std::vector<uint32_t> palette;
  if (palette_entry != 0) {
    const uint8_t *p = in.take(static_cast<size_t>(head.palette_count) * palette_entry);
    for (int i = 0; p != nullptr && i < head.palette_count; ++i) {
      palette.push_back(little_endian(p + i * palette_entry, palette_entry));
    }
  }

  const int unit = head.unit();
  const size_t units = static_cast<size_t>(width) * height;
  const size_t raw_size = units * unit;
  const size_t data_size = static_cast<size_t>(head.data_size(in, header));
  const uint8_t *data = in.take(data_size);
  if (!in.ok()) {
    why = "ends inside its pixel data";
    return false;
  }
  if (compression == deflate && raw_size > static_cast<uint64_t>(data_size) * deflate_ratio + 64) {
    why = "has " + std::to_string(data_size) + " bytes of deflated data, too few for its " + std::to_string(width) +
          "x" + std::to_string(height) + " pixels";
    return false;
  }
  // Every stored byte of RLE makes at most 128 bytes, of LZSS at most 9.
  if ((compression == rle && raw_size / 128 > data_size + 1) ||
      (compression == lzss && raw_size >= 16 && raw_size / 9 > data_size + 8)) {
    why = "has too little compressed data for its " + std::to_string(width) + "x" + std::to_string(height) + " pixels";
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

// Reads an entry's header and passes over its data without decoding it;
// `place` gets its size (width 0 for an empty slot). False when the header
// is damaged or the data runs past the end of the file.
bool skip_entry(Reader &in, const Header &header, SpriteReader::SlotPlace &place, std::string &why) {
  EntryHead head;
  if (!read_entry_head(in, header, head, why)) return false;
  if (head.bpp == 0) return true;  // an empty slot
  if (head.palette_entry != 0) in.take(static_cast<size_t>(head.palette_count) * head.palette_entry);
  const uint64_t data_size = head.data_size(in, header);
  if (!in.ok() || data_size > in.left()) {
    why = "ends inside its pixel data";
    return false;
  }
  in.take(static_cast<size_t>(data_size));
  place.width = head.width;
  place.height = head.height;
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

SpriteReader::~SpriteReader() { close(); }

void SpriteReader::close() {
  if (mapped_ != nullptr) munmap(const_cast<uint8_t *>(mapped_), mapped_size_);
  mapped_ = nullptr;
  mapped_size_ = 0;
  data_ = nullptr;
  size_ = 0;
  owned_.clear();
  slots_.clear();
  damaged_.clear();
  decoded_.clear();
}

bool SpriteReader::open(const std::string &sprite_path, const std::string &index_path, std::string &error) {
  close();
  // The sprite file is mapped, not read: only the slots decoded are touched.
  // Without blocking: a FIFO is refused below, never waited on.
  const int descriptor = ::open(sprite_path.c_str(), O_RDONLY | O_NONBLOCK);
  struct stat info {};
  if (descriptor < 0 || fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
    if (descriptor >= 0) ::close(descriptor);
    error = "cannot read " + sprite_path;
    return false;
  }
  if (info.st_size > 0) {
    void *mapped = mmap(nullptr, static_cast<size_t>(info.st_size), PROT_READ, MAP_PRIVATE, descriptor, 0);
    if (mapped != MAP_FAILED) {
      mapped_ = static_cast<const uint8_t *>(mapped);
      mapped_size_ = static_cast<size_t>(info.st_size);
    }
  }
  ::close(descriptor);
  if (info.st_size > 0 && mapped_ == nullptr) {
    error = "cannot read " + sprite_path;
    return false;
  }
  std::vector<uint8_t> index;
  if (!index_path.empty()) {
    std::string ignored;
    read_file_limited(index_path, MAX_SPRITE_INDEX_BYTES, index, ignored);  // a bad index is only not used
  }
  if (!index_bytes(mapped_, mapped_size_, index, error)) {
    error = sprite_path + " " + error;
    close();
    return false;
  }
  return true;
}

bool SpriteReader::open_bytes(std::vector<uint8_t> sprite, const std::vector<uint8_t> &index, std::string &error) {
  close();
  owned_ = std::move(sprite);
  return index_bytes(owned_.data(), owned_.size(), index, error);
}

// Finds every slot's entry from its header alone: through the index when it
// agrees with the file, else by walking the entries one after another.
bool SpriteReader::index_bytes(const uint8_t *data, size_t size, const std::vector<uint8_t> &index,
                               std::string &error) {
  data_ = data;
  size_ = size;
  Reader in(data, size);
  Header header;
  if (!read_header(in, header, error)) return false;
  version_ = header.version;
  topmost_ = header.topmost;
  compression_ = header.compression;
  id_ = header.id;
  const std::vector<int64_t> offsets = index_offsets(index, header);
  size_t position = header.first_entry;
  for (int64_t slot = 0; slot <= static_cast<int64_t>(header.topmost); ++slot) {
    if (!offsets.empty()) {
      const int64_t offset = offsets[static_cast<size_t>(slot)];
      if (offset <= 0) continue;  // not in the file
      position = static_cast<uint64_t>(offset) <= size ? static_cast<size_t>(offset) : size;
    } else if (position >= size) {
      break;  // a file that ends before its topmost slot holds no more
    }
    Reader entry_in(data, size, position);
    SlotPlace place;
    place.offset = position;
    std::string why;
    const bool read = skip_entry(entry_in, header, place, why);
    const int32_t number = static_cast<int32_t>(slot);
    if (!read) {
      damaged_[number] = why.empty() ? "is damaged" : why;
      if (offsets.empty()) {  // without the index nothing after it can be found
        lost_from_ = number;
        damaged_from_ = static_cast<int64_t>(position);
        break;
      }
      continue;
    }
    position = entry_in.at();
    if (place.width > 0) slots_[number] = place;
  }
  return true;
}

bool SpriteReader::decode(int32_t slot, StoredSprite &sprite, std::string &why) const {
  const auto found = slots_.find(slot);
  if (found == slots_.end()) {
    why = "is not in the sprite file";
    return false;
  }
  // Slots that share one entry share its pixels.
  const auto cached = decoded_.find(found->second.offset);
  if (cached != decoded_.end()) {
    sprite = *cached->second;
    return true;
  }
  Header header;
  header.version = version_;
  header.compression = compression_;
  Reader in(data_, size_, found->second.offset);
  Entry entry;
  if (!read_entry(in, header, entry, why)) return false;
  auto shared = std::make_shared<StoredSprite>(std::move(entry.sprite));
  decoded_[found->second.offset] = shared;
  sprite = *shared;
  return true;
}

bool read_sprite_file(const std::string &sprite_path, const std::string &index_path, SpriteFile &file,
                      std::string &error) {
  SpriteReader reader;
  if (!reader.open(sprite_path, index_path, error)) return false;
  file = SpriteFile{};
  file.version = reader.version();
  file.topmost = reader.topmost();
  file.damaged = reader.damaged();
  file.lost_from = reader.lost_from();
  file.damaged_from = reader.damaged_from();
  for (const auto &slot : reader.slots()) {
    std::string why;
    StoredSprite sprite;
    if (reader.decode(slot.first, sprite, why)) {
      file.sprites[slot.first] = std::move(sprite);
    } else {
      file.damaged[slot.first] = why;
    }
  }
  return true;
}

bool read_file_limited(const std::string &path, uint64_t limit, std::vector<uint8_t> &bytes, std::string &error) {
  error = rollwick_host::input_problem(path);
  if (!error.empty()) return false;
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    error = path + ": no such file";
    return false;
  }
  if (static_cast<uint64_t>(info.st_size) > limit) {
    error = path + " is " + std::to_string(info.st_size / (1024 * 1024)) + " MiB, larger than any real one (" +
            std::to_string(limit / (1024 * 1024)) + " MiB at most)";
    return false;
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    error = "cannot read " + path;
    return false;
  }
  bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  if (bytes.size() > limit) {  // it grew while it was read
    error = path + " is larger than any real one";
    bytes.clear();
    return false;
  }
  return true;
}

}  // namespace rollwick_preview
