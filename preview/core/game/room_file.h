// A room of a game's project folder (roomN.crm, as the editors of 3.4.1 to
// 3.6.3 write it, format versions 31 to 36306): its size, its first
// background frame with the palette stored beside it, how many frames it
// has, and the functions its events run. Every other block is skipped by its
// length.
//
// Errors: read_room returns false with `error` naming the file and what is
// wrong with it. Every count and size is checked against the bytes that
// remain before anything is allocated for it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "colour_depth.h"

namespace rollwick_preview {

struct Room {
  int version = 0;
  int width = 0;   // the room's size, which bounds the camera
  int height = 0;
  int bytes_per_pixel = 0;  // of the background as stored: 1 (palette index), 2 (5-6-5), 3 or 4
  // Frame 0 as stored: one value a pixel, as wide as bytes_per_pixel says
  // (an index, 5-6-5, 0xRRGGBB, 0xAARRGGBB).
  int background_width = 0;
  int background_height = 0;
  std::vector<uint32_t> background;
  std::array<uint8_t, 768> palette{};  // frame 0's palette: r, g, b a colour, 6 bits each
  int frames = 1;                      // background frames, 1 to 5
  std::vector<std::string> room_events;  // the room's event functions, by event number
};

// The room's event that runs once the room has faded in.
constexpr size_t ROOM_EVENT_AFTER_FADE_IN = 7;

// The largest room file and background the previewer reads.
constexpr uint64_t MAX_ROOM_FILE_BYTES = 256ull << 20;
constexpr int64_t MAX_ROOM_PIXELS = 64ll << 20;

bool read_room(const std::string &path, Room &room, std::string &error);
// The same over bytes in memory; `name` is the file's name in messages.
bool read_room_bytes(const std::string &name, const std::vector<uint8_t> &bytes, Room &room, std::string &error);

// The room's background as a game of `depth` bits shows it (0xRRGGBB a
// pixel, held as colour_depth.h says): alpha dropped, 5-6-5 widened, an
// indexed background through `palette` (a true-colour game: the room's own
// palette; an 8-bit game: the game's palette with the room's entries in it).
rollwick_host::Canvas background_for_depth(const Room &room, int depth, const rollwick_host::Palette &palette);

// A 6-bit palette value widened to 8 bits as the engine's display does.
inline uint32_t widen_6(uint8_t value) {
  const uint32_t six = value > 63 ? 63 : value;
  return six << 2 | six >> 4;
}

// The room's palette as 0xRRGGBB entries.
rollwick_host::Palette room_palette(const Room &room);

}  // namespace rollwick_preview
