// Builds small WFN font files for tests: glyphs given as rows of '#' (ink) and '.'.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

inline std::string write_wfn(const std::map<unsigned char, std::vector<std::string>> &glyphs) {
  std::vector<uint8_t> bytes(17);
  std::memcpy(bytes.data(), "WGT Font File  ", 15);
  auto u16 = [&bytes](size_t value) {
    bytes.push_back(static_cast<uint8_t>(value & 0xFF));
    bytes.push_back(static_cast<uint8_t>(value >> 8));
  };
  std::map<unsigned char, size_t> offsets;
  for (const auto &glyph : glyphs) {
    offsets[glyph.first] = bytes.size();
    const size_t width = glyph.second.empty() ? 0 : glyph.second[0].size();
    u16(width);
    u16(glyph.second.size());
    for (const std::string &row : glyph.second) {
      std::vector<uint8_t> packed((width + 7) / 8, 0);
      for (size_t x = 0; x < width; ++x) {
        if (row[x] == '#') packed[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
      }
      bytes.insert(bytes.end(), packed.begin(), packed.end());
    }
  }
  const size_t table = bytes.size();
  bytes[15] = static_cast<uint8_t>(table & 0xFF);
  bytes[16] = static_cast<uint8_t>(table >> 8);
  for (int code = 0; code < 128; ++code) u16(offsets.count(static_cast<unsigned char>(code)) ? offsets[code] : 0);
  char path[] = "/tmp/rollwick-font-XXXXXX";
  const int descriptor = mkstemp(path);
  const bool written = write(descriptor, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  close(descriptor);
  return written ? path : "";
}

// A font of three glyphs: A (3 wide), I (1 wide, 5 high) and Z (2 wide); 5 high.
inline std::string write_test_font() {
  return write_wfn({{'A', {".#.", "#.#", "###", "#.#"}}, {'I', {"#", "#", "#", "#", "#"}},
                    {'Z', {"##", ".#", "#.", "##"}}});
}
