// Cutting credit texts into pieces without allocating.
//
// A working text is a std::string_view into the stored credit; cutting a piece
// off its front only moves the view. Pieces that must reach the engine as
// zero-terminated texts are copied into a PieceBuffer, which holds texts under
// 256 bytes in place and only longer ones on the heap. Static credit texts are
// cut into their lines once, when they are stored (CutText).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

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

// A credit text broken at "[[" into trimmed lines, each zero-terminated, as
// repeated split_at_token calls would cut it. It is made when the text is
// stored, so drawing hands the lines to the engine without cutting anything.
struct CutText {
  std::string pieces;               // the lines one after another, each followed by a zero byte
  std::vector<std::size_t> starts;  // where each line starts in `pieces`; never empty after `cut`
  bool has_token = false;           // the text holds the two bytes "[[" anywhere

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
