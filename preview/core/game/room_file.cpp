#include "room_file.h"

#include <cstring>
#include <limits>
#include <unordered_map>

#include "sprite_file.h"

namespace rollwick_preview {

namespace {

constexpr int first_version = 31;          // the 3.4.1 editor's
constexpr int last_version = 36306;        // the 3.6.3 editor's
constexpr int first_long_blocks = 32;      // block lengths are 64-bit from here on
constexpr int8_t block_main = 1;
constexpr int8_t block_frames = 6;
constexpr int8_t block_named = 0;
constexpr int8_t block_end = -1;

// The engine's own limits on what a room holds.
constexpr int max_walk_behinds = 16;
constexpr int max_hotspots = 50;
constexpr int max_objects = 256;
constexpr int max_regions = 16;
constexpr int max_walk_areas = 16;
constexpr int max_messages = 100;
constexpr int max_frames = 5;

// Thrown with what is wrong; read_room_bytes turns it into the error.
struct Damaged {
  std::string why;
};

// A cursor over the file's bytes that never reads past them.
class Bytes {
 public:
  Bytes(const uint8_t *data, size_t size) : data_(data), size_(size) {}

  size_t at() const { return at_; }
  size_t left() const { return size_ - at_; }

  const uint8_t *take(uint64_t count, const char *what) {
    if (count > left()) throw Damaged{std::string("it ends inside ") + what};
    const uint8_t *start = data_ + at_;
    at_ += static_cast<size_t>(count);
    return start;
  }
  void skip(uint64_t count, const char *what) { take(count, what); }

  uint64_t unsigned_of(int size, const char *what) {
    const uint8_t *bytes = take(static_cast<uint64_t>(size), what);
    uint64_t value = 0;
    for (int i = size - 1; i >= 0; --i) value = value << 8 | bytes[i];
    return value;
  }
  int8_t i8(const char *what) { return static_cast<int8_t>(unsigned_of(1, what)); }
  int16_t i16(const char *what) { return static_cast<int16_t>(unsigned_of(2, what)); }
  uint16_t u16(const char *what) { return static_cast<uint16_t>(unsigned_of(2, what)); }
  int32_t i32(const char *what) { return static_cast<int32_t>(unsigned_of(4, what)); }
  int64_t i64(const char *what) { return static_cast<int64_t>(unsigned_of(8, what)); }

  // A count of items of `item_size` bytes each, refused when it is negative,
  // above `most` or more than the bytes that remain could hold.
  int64_t count(int64_t value, int64_t most, uint64_t item_size, const char *what) {
    if (value < 0 || value > most) {
      throw Damaged{std::string("its ") + what + " count is " + std::to_string(value) + " (0 to " +
                    std::to_string(most) + ")"};
    }
    if (item_size > 0 && static_cast<uint64_t>(value) > left() / item_size) {
      throw Damaged{std::string("it ends inside its ") + what};
    }
    return value;
  }

  // A string stored as an i32 length and that many bytes.
  void skip_string(const char *what) {
    const int32_t length = i32(what);
    if (length < 0) throw Damaged{std::string("a ") + what + " has a negative length"};
    skip(static_cast<uint64_t>(length), what);
  }

  std::string nul_terminated(const char *what) {
    const void *end = std::memchr(data_ + at_, 0, left());
    if (end == nullptr) throw Damaged{std::string("it ends inside ") + what};
    const size_t length = static_cast<size_t>(static_cast<const uint8_t *>(end) - (data_ + at_));
    std::string text(reinterpret_cast<const char *>(data_ + at_), length);
    at_ += length + 1;
    return text;
  }

 private:
  const uint8_t *data_;
  size_t size_;
  size_t at_ = 0;
};

// The event lists of the room, its hotspots, objects and regions: the room's
// own kept, the others skipped.
void read_events(Bytes &in, int64_t lists, Room &room) {
  for (int64_t list = 0; list < lists; ++list) {
    const int64_t count = in.count(in.i32("an event list"), 1000, 1, "event");
    for (int64_t event = 0; event < count; ++event) {
      std::string name = in.nul_terminated("an event's function name");
      if (list == 0) room.room_events.push_back(std::move(name));
    }
  }
}

// Frame 0 with its palette: the palette, the sizes, the LZSS data.
void read_background(Bytes &in, Room &room) {
  const uint8_t *palette = in.take(256 * 4, "the background's palette");
  for (size_t i = 0; i < 256; ++i) {
    for (size_t channel = 0; channel < 3; ++channel) room.palette[i * 3 + channel] = palette[i * 4 + channel];
  }
  const int64_t unpacked = in.i32("the background's size");
  const int64_t packed = in.i32("the background's size");
  if (packed < 0 || static_cast<uint64_t>(packed) > in.left()) throw Damaged{"it ends inside the background"};
  const int64_t bpp = room.bytes_per_pixel;
  // Each stored byte of LZSS makes at most 9.
  if (unpacked < 8 || unpacked - 8 > MAX_ROOM_PIXELS * bpp || unpacked / 9 > packed + 8) {
    throw Damaged{"its background's size (" + std::to_string(unpacked) + " bytes from " + std::to_string(packed) +
                  ") cannot be right"};
  }
  std::vector<uint8_t> raw;
  if (!unpack_lzss(in.take(static_cast<uint64_t>(packed), "the background"), static_cast<size_t>(packed),
                   static_cast<size_t>(unpacked), raw)) {
    throw Damaged{"its background's data ends before the picture does"};
  }
  Bytes picture(raw.data(), raw.size());
  const int64_t stride = picture.i32("the background");
  const int64_t height = picture.i32("the background");
  if (stride <= 0 || height <= 0 || stride % bpp != 0 || stride / bpp > std::numeric_limits<int16_t>::max() ||
      height > std::numeric_limits<int16_t>::max() || stride * height != unpacked - 8) {
    throw Damaged{"its background is " + std::to_string(stride) + " bytes a row by " + std::to_string(height) +
                  " rows, which its " + std::to_string(unpacked) + " bytes do not hold"};
  }
  room.background_width = static_cast<int>(stride / bpp);
  room.background_height = static_cast<int>(height);
  room.background.resize(static_cast<size_t>(room.background_width) * room.background_height);
  for (uint32_t &pixel : room.background) pixel = static_cast<uint32_t>(picture.unsigned_of(static_cast<int>(bpp), "the background"));
}

// The main block up to and with background frame 0; the masks after it are
// not read.
void read_main_block(Bytes &in, Room &room) {
  const int32_t bpp = in.i32("the main block");
  room.bytes_per_pixel = bpp < 1 ? 1 : bpp;
  if (room.bytes_per_pixel > 4) throw Damaged{"its background has " + std::to_string(bpp) + " bytes a pixel"};
  const int64_t walk_behinds = in.count(in.i16("the walk-behinds"), max_walk_behinds, 2, "walk-behind");
  in.skip(static_cast<uint64_t>(walk_behinds) * 2, "the walk-behinds");
  const int64_t hotspots = in.count(in.i32("the hotspots"), max_hotspots, 4, "hotspot");
  in.skip(static_cast<uint64_t>(hotspots) * 4, "the hotspots");
  for (int64_t i = 0; i < hotspots * 2; ++i) in.skip_string("hotspot name");
  if (in.i32("the main block") != 0) throw Damaged{"it has walls of polygon points, which no editor of 3.4.1 or later writes"};
  in.skip(4 * 2, "the room's edges");
  const int64_t objects = in.count(in.u16("the objects"), max_objects, 10, "object");
  in.skip(static_cast<uint64_t>(objects) * 10, "the objects");
  const int64_t variables = in.count(in.i32("the variables"), std::numeric_limits<int32_t>::max(), 28, "variable");
  in.skip(static_cast<uint64_t>(variables) * 28, "the variables");
  const int64_t regions = in.count(in.i32("the regions"), max_regions, 0, "region");
  read_events(in, 1 + hotspots + objects + regions, room);
  in.skip(static_cast<uint64_t>(objects) * 4, "the objects' baselines");
  room.width = in.i16("the room's size");
  room.height = in.i16("the room's size");
  if (room.width <= 0 || room.height <= 0) {
    throw Damaged{"it is " + std::to_string(room.width) + "x" + std::to_string(room.height) + " pixels"};
  }
  in.skip(static_cast<uint64_t>(objects) * 2 + 2, "the objects' flags");
  const int64_t walk_areas = in.count(in.i32("the walkable areas"), max_walk_areas, 10, "walkable area");
  in.skip(static_cast<uint64_t>(walk_areas) * 10, "the walkable areas");
  in.skip(11 + 6 + 4, "the room's options");
  const int64_t messages = in.count(in.i16("the messages"), max_messages, 2, "message");
  in.skip(4 + static_cast<uint64_t>(messages) * 2, "the messages");
  for (int64_t i = 0; i < messages; ++i) in.skip_string("message");
  const int64_t animations = in.count(in.i16("the animations"), std::numeric_limits<int16_t>::max(), 244, "animation");
  in.skip(static_cast<uint64_t>(animations) * 244, "the animations");
  in.skip(16 * 2 + static_cast<uint64_t>(regions) * 6, "the areas' light levels");
  read_background(in, room);
}

}  // namespace

bool read_room_bytes(const std::string &name, const std::vector<uint8_t> &bytes, Room &room, std::string &error) {
  room = Room{};
  Bytes in(bytes.data(), bytes.size());
  try {
    room.version = in.u16("its header");
    if (room.version < first_version || room.version > last_version) {
      error = name + ": not a room file the previewer reads (format " + std::to_string(room.version) +
              "; rooms of the 3.4.1 to 3.6.3 editors are " + std::to_string(first_version) + " to " +
              std::to_string(last_version) + ")";
      return false;
    }
    bool main_read = false;
    for (;;) {
      const int8_t id = in.i8("its list of blocks");
      if (id == block_end) break;
      if (id == block_named) in.skip(16, "a block's name");
      const bool long_length = room.version >= first_long_blocks || id == block_named;
      const int64_t length = long_length ? in.i64("a block's length") : in.i32("a block's length");
      if (length < 0 || static_cast<uint64_t>(length) > in.left()) {
        throw Damaged{"block " + std::to_string(id) + " at byte " + std::to_string(in.at()) + " runs past its end"};
      }
      Bytes block(in.take(static_cast<uint64_t>(length), "a block"), static_cast<size_t>(length));
      if (id == block_main && !main_read) {
        read_main_block(block, room);
        main_read = true;
      } else if (id == block_frames && length >= 1) {
        const int8_t frames = block.i8("the background frames");
        room.frames = frames < 1 ? 1 : frames > max_frames ? max_frames : frames;
      }
    }
    if (!main_read) throw Damaged{"it has no main block"};
    return true;
  } catch (const Damaged &damaged) {
    error = name + " is damaged: " + damaged.why;
    room = Room{};
    return false;
  }
}

bool read_room(const std::string &path, Room &room, std::string &error) {
  std::vector<uint8_t> bytes;
  if (!read_file_limited(path, MAX_ROOM_FILE_BYTES, bytes, error)) return false;
  return read_room_bytes(path, bytes, room, error);
}

rollwick_host::Palette room_palette(const Room &room) {
  rollwick_host::Palette palette{};
  for (size_t i = 0; i < 256; ++i) {
    palette[i] = widen_6(room.palette[i * 3]) << 16 | widen_6(room.palette[i * 3 + 1]) << 8 |
                 widen_6(room.palette[i * 3 + 2]);
  }
  return palette;
}

rollwick_host::Canvas background_for_depth(const Room &room, int depth, const rollwick_host::Palette &palette) {
  rollwick_host::Canvas canvas(room.background_width, room.background_height);
  std::unordered_map<uint32_t, uint32_t> nearest;  // an 8-bit game's entry for each colour met
  for (size_t i = 0; i < room.background.size(); ++i) {
    const uint32_t stored = room.background[i];
    uint32_t rgb = 0;
    switch (room.bytes_per_pixel) {
      case 1: rgb = palette[stored & 0xFF]; break;
      case 2: rgb = rollwick_host::widen_565(stored); break;
      default: rgb = stored & 0xFFFFFF; break;  // the alpha byte is not used
    }
    if (depth == 16 && room.bytes_per_pixel != 2) rgb = rollwick_host::widen_565(rollwick_host::pack_565(rgb));
    if (depth == 8 && room.bytes_per_pixel != 1) {
      const auto found = nearest.find(rgb);
      rgb = found != nearest.end() ? found->second : nearest[rgb] = rollwick_host::nearest_palette_entry(rgb, palette);
    }
    canvas.pixels[i] = rgb;
  }
  return canvas;
}

}  // namespace rollwick_preview
