#include "text_split.h"

#include <cstring>

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

namespace {

bool is_lead_byte(unsigned char c) {
#if defined(_WIN32)
  return IsDBCSLeadByte(c) != 0;
#else
  (void)c;
  return false;  // single-byte character sets only
#endif
}

bool is_trimmed(char c) { return static_cast<unsigned char>(c) <= 32; }

}  // namespace

std::size_t find_token(std::string_view text, std::string_view token) {
  if (token.empty() || token.size() > text.size()) return std::string_view::npos;
  for (std::size_t i = 0; i + token.size() <= text.size();) {
    if (text.compare(i, token.size(), token) == 0) return i;
    i += (is_lead_byte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ? 2 : 1;
  }
  return std::string_view::npos;
}

std::string_view trim_text(std::string_view text) {
  while (!text.empty() && is_trimmed(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_trimmed(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view split_at_token(std::string_view &source, std::string_view token) {
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

int count_line_breaks(std::string_view text) {
  int count = 0;
  while (text.find("[[") != std::string_view::npos) {
    split_at_token(text, "[[");
    count += 1;
  }
  return count;
}

const char *PieceBuffer::hold(std::string_view piece) {
  if (piece.size() < fixed_size) {
    std::memcpy(fixed, piece.data(), piece.size());
    fixed[piece.size()] = '\0';
    return fixed;
  }
  overflow.assign(piece.data(), piece.size());
  return overflow.c_str();
}
