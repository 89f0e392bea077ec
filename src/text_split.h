// Cutting credit texts into pieces.
//
// A working text is a std::string_view into the stored credit; cutting a piece
// off its front only moves the view. Credit texts are cut when they are
// stored, not when they are drawn: static texts into zero-terminated lines
// (CutText), scrolling texts at their markers (markup.h). The typewriter's
// growing text is the one piece made on every frame, in a PieceBuffer.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Whether a byte starts a double-byte character in the game's code page. On
// Windows it is the system's ANSI code page (IsDBCSLeadByte): under 932 the
// lead bytes are 0x81-0x9F and 0xE0-0xFC, under 936, 949 and 950 0x81-0xFE,
// and single-byte code pages have none. Elsewhere texts are single-byte. A
// test may put another code page's test here.
extern bool (*is_lead_byte)(unsigned char byte);

// Where `token` first starts in `text`, or npos. The search steps over the
// second byte of a double-byte character, so a match that would begin there
// does not count. Every search for a token goes through here.
std::size_t find_token(std::string_view text, std::string_view token);

// Trims bytes with codes 0 to 32 off both ends.
std::string_view trim_text(std::string_view text);

// Takes the part of `source` before the first `token`, trimmed of bytes 0..32
// at both ends, and removes everything through the token from `source`. With
// no token, the piece is all of `source` trimmed and `source` becomes empty.
std::string_view split_at_token(std::string_view &source, std::string_view token);

// A credit text broken at "[[" into trimmed lines, each zero-terminated, as
// repeated split_at_token calls would cut it. It is made when the text is
// stored, so drawing hands the lines to the engine without cutting anything.
struct CutText {
  std::string pieces;               // the lines one after another, each followed by a zero byte
  std::vector<std::size_t> starts;  // where each line starts in `pieces`; never empty after `cut`
  bool has_token = false;           // the text holds a "[[" that find_token finds

  void cut(std::string_view text);
  std::size_t count() const { return starts.size(); }
  const char *line(std::size_t index) const { return pieces.data() + starts[index]; }
};

// A zero-terminated copy of a piece, valid until the next `hold`.
struct PieceBuffer {
  static constexpr std::size_t fixed_size = 256;
  char fixed[fixed_size];
  std::string overflow;

  const char *hold(std::string_view piece);
};
