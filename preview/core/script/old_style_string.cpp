#include "old_style_string.h"

#include <algorithm>
#include <cstring>

#include "credits_script.h"

namespace rollwick_preview {

void old_style_copy(char *buffer, const std::string &text) {
  const size_t kept = std::min(text.size(), OLD_STYLE_STRING_SIZE - 1);
  std::memcpy(buffer, text.data(), kept);
  buffer[kept] = '\0';
}

std::string old_style_string_warning(const std::string &text) {
  const size_t kept = OLD_STYLE_STRING_SIZE - 1;
  if (text.size() <= kept) return "";
  // The end of what is kept: its last line when that is short, else its last ten bytes.
  const std::string kept_text = text.substr(0, kept);
  const size_t last_break = kept_text.rfind("[[");
  std::string end = kept_text.substr(kept - 10);
  if (last_break != std::string::npos && kept - (last_break + 2) <= 20) end = kept_text.substr(last_break + 2);
  return "text of " + std::to_string(text.size()) + " characters; a game's old-style string holds " +
         std::to_string(kept) + ": it will show '..." + printable(end) + "'";
}

}  // namespace rollwick_preview
