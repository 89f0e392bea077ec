#include "text_split.h"

#include <cstdint>
#include <cstring>

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

#if defined(_WIN32)
bool double_byte_code_page() {
  static const bool answer = [] {
    for (int c = 0x80; c <= 0xFF; ++c) {
      if (IsDBCSLeadByte(static_cast<BYTE>(c))) return true;
    }
    return false;
  }();
  return answer;
}
#endif

namespace {

bool is_lead_byte(unsigned char c) {
#if defined(_WIN32)
  return IsDBCSLeadByte(c) != 0;
#else
  (void)c;
  return false;
#endif
}

bool is_trimmed(char c) { return static_cast<unsigned char>(c) <= 32; }

// The first "[[" in [from, end), or end. Reads eight bytes at a time, so the
// bytes after `end` must be readable: the first one is a zero byte.
char *find_double_bracket(char *from, char *end) {
  constexpr uint64_t ones = 0x0101010101010101ULL;
  constexpr uint64_t highs = 0x8080808080808080ULL;
  constexpr uint64_t brackets = 0x5B5B5B5B5B5B5B5BULL;  // '[' in every byte
  while (from < end) {
    uint64_t word = 0;
    std::memcpy(&word, from, sizeof word);
    const uint64_t x = word ^ brackets;
    // The lowest set bit marks the first '[' of the eight (bytes in memory order on little-endian machines).
    const uint64_t marks = (x - ones) & ~x & highs;
    if (marks == 0) {
      from += sizeof word;
      continue;
    }
    char *bracket = from + (__builtin_ctzll(marks) >> 3);
    if (bracket >= end) return end;
    if (bracket[1] == '[') return bracket;
    from = bracket + 1;
  }
  return end;
}

}  // namespace

std::size_t find_token_double_byte(std::string_view text, std::string_view token) {
  if (token.empty() || token.size() > text.size()) return std::string_view::npos;
  for (std::size_t i = 0; i + token.size() <= text.size();) {
    if (text.compare(i, token.size(), token) == 0) return i;
    i += (is_lead_byte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ? 2 : 1;
  }
  return std::string_view::npos;
}

int count_line_breaks(std::string_view text) {
  int count = 0;
  std::size_t at = 0;
  while ((at = text.find("[[", at)) != std::string_view::npos) {
    if (double_byte_code_page()) {
      // Where the plain search and the character-aware cut differ, the cut decides.
      text.remove_prefix(at);
      split_at_token(text, "[[");
      at = 0;
    } else {
      at += 2;
    }
    count += 1;
  }
  return count;
}

bool cut_lines(std::string_view text, TextLines &lines) {
  if (double_byte_code_page() || text.size() > TextLines::max_text) return false;
  std::memcpy(lines.text, text.data(), text.size());
  std::memset(lines.text + text.size(), 0, 9);
  char *const end = lines.text + text.size();
  char *start = lines.text;
  lines.count = 0;
  // The copy is followed by zero bytes, so the scan may read past its end.
  for (;;) {
    char *token = find_double_bracket(start, end);
    char *line_end = token;
    while (start < line_end && is_trimmed(*start)) ++start;
    while (line_end > start && is_trimmed(line_end[-1])) --line_end;
    *line_end = '\0';
    lines.lines[lines.count++] = start;
    if (token == end) return true;
    start = token + 2;
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
