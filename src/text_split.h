// Cutting credit texts into pieces without allocating.
//
// A working text is a std::string_view into the stored credit; cutting a piece
// off its front only moves the view. Pieces that must reach the engine as
// zero-terminated texts are copied into a PieceBuffer, which holds texts under
// 256 bytes in place and only longer ones on the heap.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Whether the system's code page has double-byte characters (asked once).
#if defined(_WIN32)
bool double_byte_code_page();
#else
constexpr bool double_byte_code_page() { return false; }  // single-byte character sets only
#endif

// Where `token` first starts in `text` under a double-byte code page: a match
// that would begin on the second byte of a character does not count.
std::size_t find_token_double_byte(std::string_view text, std::string_view token);

// Where `token` first starts in `text`, or npos.
inline std::size_t find_token(std::string_view text, std::string_view token) {
  if (double_byte_code_page()) return find_token_double_byte(text, token);
  if (token.size() == 1) return text.find(token[0]);
  return token.empty() ? std::string_view::npos : text.find(token);
}

// Trims bytes with codes 0 to 32 off both ends.
inline std::string_view trim_text(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= 32) text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32) text.remove_suffix(1);
  return text;
}

// Takes the part of `source` before the first `token`, trimmed of bytes 0..32
// at both ends, and removes everything through the token from `source`. With
// no token, the piece is all of `source` trimmed and `source` becomes empty.
inline std::string_view split_at_token(std::string_view &source, std::string_view token) {
  const std::size_t at = find_token(source, token);
  if (at == std::string_view::npos) {
    const std::string_view piece = trim_text(source);
    source = source.substr(source.size());
    return piece;
  }
  const std::string_view piece = trim_text(source.substr(0, at));
  source.remove_prefix(at + token.size());
  return piece;
}

// The number of "[[" tokens in `text`, counted left to right without overlap.
int count_line_breaks(std::string_view text);

// The lines of a short text broken at "[[", cut in one pass: the text is
// copied once and each trimmed line is zero-terminated in place.
struct TextLines {
  static constexpr std::size_t max_text = 255;
  char text[max_text + 1 + 8];  // room for zero bytes after the text: the scan reads 8 at a time
  const char *lines[max_text / 2 + 2];
  int count = 0;
};

// Cuts `text` into `lines` exactly as repeated split_at_token calls would.
// False when the text is too long for the fixed buffer or the code page has
// double-byte characters; the caller then cuts piece by piece.
bool cut_lines(std::string_view text, TextLines &lines);

// A zero-terminated copy of a piece, valid until the next `hold`.
struct PieceBuffer {
  static constexpr std::size_t fixed_size = 256;
  char fixed[fixed_size];
  std::string overflow;

  const char *hold(std::string_view piece);
};
