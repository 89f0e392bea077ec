// Fonts as the engine draws them: AGS WFN bitmap fonts and TrueType (or any
// face FreeType reads) at a pixel size. Measuring and drawing agree: the
// width a text measures is the pen advance its drawing makes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "canvas.h"

namespace rollwick_host {

struct TextSize {
  int32_t width = 0;
  int32_t height = 0;
};

class Font {
 public:
  virtual ~Font() = default;
  // Width of the drawn text and the font's height (the same for every text).
  virtual TextSize measure(const char *text) const = 0;
  // Draws `text` with its top-left corner at (x, y).
  virtual void draw(Canvas &canvas, int64_t x, int64_t y, const char *text, uint32_t rgb) const = 0;
};

// Reads an AGS WFN font file; null with `error` set when it is not one.
std::unique_ptr<Font> load_wfn_font(const std::string &path, std::string &error);

// Opens a face with FreeType at `pixel_size`; monochrome unless `antialias`.
std::unique_ptr<Font> load_freetype_font(const std::string &path, int pixel_size, bool antialias,
                                         std::string &error);

// The pixel-style default: a bitmap face found through fontconfig, about 12
// pixels tall. Empty when none is installed.
std::string find_default_font_file();

}  // namespace rollwick_host
