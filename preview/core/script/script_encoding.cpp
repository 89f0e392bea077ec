#include "script_encoding.h"

#include <cstdint>

namespace rollwick_preview {

namespace {

// The length of the well-formed UTF-8 letter at `at` (1 for ASCII), or 0
// when the bytes there are not UTF-8.
size_t utf8_length(const std::string &text, size_t at) {
  const auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
  const uint8_t lead = byte(at);
  if (lead < 0x80) return 1;
  size_t length = 0;
  uint32_t code = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code = lead & 0x07;
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  for (size_t k = 1; k < length; ++k) {
    if ((byte(at + k) & 0xC0) != 0x80) return 0;
    code = code << 6 | (byte(at + k) & 0x3F);
  }
  // Overlong forms, surrogates and codes past U+10FFFF are not UTF-8.
  if ((length == 3 && code < 0x800) || (length == 4 && (code < 0x10000 || code > 0x10FFFF)) ||
      (code >= 0xD800 && code <= 0xDFFF)) {
    return 0;
  }
  return length;
}

}  // namespace

std::string encoding_problem(const std::string &text, bool utf8_game, int &line) {
  int current = 1;
  int first_multibyte = 0;
  for (size_t at = 0; at < text.size();) {
    if (text[at] == '\n') ++current;
    const size_t length = utf8_length(text, at);
    if (length == 0) {
      // Not UTF-8: right for an ANSI game, garbled in a UTF-8 one.
      if (!utf8_game) return "";
      line = current;
      static const char digits[] = "0123456789ABCDEF";
      const uint8_t bad = static_cast<uint8_t>(text[at]);
      return std::string("the script is not UTF-8 (this line holds the byte 0x") + digits[bad >> 4] + digits[bad & 15] +
             ", which is no UTF-8 letter), but the game's text encoding is UTF-8: its accented letters will be "
             "drawn wrongly; save the script as UTF-8, or set the game's text format to ANSI";
    }
    if (length > 1 && first_multibyte == 0) first_multibyte = current;
    at += length;
  }
  if (utf8_game || first_multibyte == 0) return "";
  line = first_multibyte;
  return "the script is UTF-8 (this line holds a letter of several bytes), but the game's text encoding is ANSI: each "
         "of those bytes will be drawn as a letter of its own; save the script in the game's code page, or set the "
         "game's text format to UTF-8";
}

std::vector<EncodingWarning> encoding_problems(const ScriptSource &script, const std::vector<ScriptSource> &headers,
                                               bool utf8_game) {
  std::vector<EncodingWarning> out;
  std::vector<const ScriptSource *> files{&script};
  for (const ScriptSource &header : headers) files.push_back(&header);
  for (const ScriptSource *file : files) {
    EncodingWarning warning;
    warning.file = file->file;
    warning.message = encoding_problem(file->text, utf8_game, warning.line);
    if (!warning.message.empty()) out.push_back(warning);
  }
  return out;
}

}  // namespace rollwick_preview
