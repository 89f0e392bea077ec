// Fuzzes the room reader: the input is a room file. A room that reads is
// drawn in an 8-, 16- and 32-bit game, up to 512 x 512 pixels (larger ones
// are read whole but not drawn, which keeps an input to milliseconds).
#include "room_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::vector<uint8_t> bytes(data, data + size);
  rollwick_preview::Room room;
  std::string error;
  if (!rollwick_preview::read_room_bytes("room1.crm", bytes, room, error)) return 0;
  if (static_cast<int64_t>(room.background_width) * room.background_height > 512 * 512) return 0;
  const rollwick_host::Palette palette = rollwick_preview::room_palette(room);
  for (const int depth : {8, 16, 32}) rollwick_preview::background_for_depth(room, depth, palette);
  return 0;
}
