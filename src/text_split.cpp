#include "text_split.h"

#include <cstring>

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

namespace {

bool system_lead_byte(unsigned char c) {
#if defined(_WIN32)
  return IsDBCSLeadByte(c) != 0;
#else
  (void)c;
  return false;  // single-byte character sets only
#endif
}

}  // namespace

bool (*is_lead_byte)(unsigned char byte) = system_lead_byte;

std::size_t find_token(std::string_view text, std::string_view token) {
  if (token.empty() || token.size() > text.size()) return std::string_view::npos;
  for (std::size_t i = 0; i + token.size() <= text.size();) {
    if (text.compare(i, token.size(), token) == 0) return i;
    i += (is_lead_byte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ? 2 : 1;
  }
  return std::string_view::npos;
}

std::string_view trim_text(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= 32) text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32) text.remove_suffix(1);
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

void CutText::cut(std::string_view text) {
  constexpr std::string_view token = "[[";
  has_token = find_token(text, token) != std::string_view::npos;
  pieces.clear();
  starts.clear();
  std::string_view rest = text;
  for (;;) {
    const std::size_t at = find_token(rest, token);
    const std::string_view piece = trim_text(at == std::string_view::npos ? rest : rest.substr(0, at));
    starts.push_back(pieces.size());
    pieces.append(piece.data(), piece.size());
    pieces.push_back('\0');
    if (at == std::string_view::npos) return;
    rest.remove_prefix(at + token.size());
  }
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
