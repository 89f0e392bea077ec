// Fuzzes WFN fonts: loaded, measured and drawn with every style the game's
// settings can give them, in UTF-8 and one byte a letter.
#include "fonts.h"
#include "fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 2) return 0;
  FuzzFile font_file(data + 2, size - 2, "agsfnt0.wfn");
  rollwick_host::FontStyle style;
  style.size_multiplier = 1 + data[0] % 10;
  style.character_spacing = static_cast<int8_t>(data[1]) % 51;
  style.utf8 = (data[0] & 0x80) != 0;
  std::string error;
  const auto font = rollwick_host::load_wfn_font(font_file.path(), error, style);
  if (font == nullptr) return 0;
  rollwick_host::Canvas canvas(64, 32);
  for (const char *text : {"Hello", "Zo\xC3\xAB \xE6\xBC\xA2", "\xC3", "\x80\xFF\xFE abc"}) {
    font->measure(text);
    font->draw(canvas, -3, 2, text, 0xFFFFFF);
  }
  return 0;
}
