// Fuzzes the TrueType set-up: a face FreeType opens from the input, at a
// size and with a style from its first bytes, measured and drawn.
#include "fonts.h"
#include "fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 2) return 0;
  FuzzFile font_file(data + 2, size - 2, "agsfnt0.ttf");
  rollwick_host::FontStyle style;
  style.utf8 = (data[0] & 1) != 0;
  style.ascender_fixup = (data[0] & 2) != 0;
  style.character_spacing = static_cast<int8_t>(data[0]) >> 3;
  std::string error;
  const auto font = rollwick_host::load_freetype_font(font_file.path(), 1 + data[1] % 64, (data[0] & 4) != 0, error, style);
  if (font == nullptr) return 0;
  rollwick_host::Canvas canvas(64, 32);
  for (const char *text : {"Hello", "Zo\xC3\xAB \xE6\xBC\xA2", "\xF4\x90\x80\x80"}) {
    font->measure(text);
    font->draw(canvas, -5, 3, text, 0x80FF40);
    font->has_letter(0x6F22);
  }
  return 0;
}
