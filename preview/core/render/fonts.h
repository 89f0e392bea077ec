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

// How a game sets a font up, beside its file.
struct FontStyle {
  enum class Height { nominal, real, custom };
  enum class Outline { none, automatic, font };

  int size_multiplier = 1;     // bitmap fonts: each pixel becomes a square this wide
  int character_spacing = 0;   // extra pixels after each character
  int vertical_offset = 0;     // added to y whenever the font is drawn
  Height height_by = Height::nominal;  // which height the engine reports
  int custom_height = 0;
  bool ascender_fixup = false;  // TrueType: glyphs placed as if the ascender were the nominal size
  Outline outline = Outline::none;
  int outline_thickness = 1;    // automatic outline; thickness() is what is drawn
  bool rounded_outline = false;
  int outline_font = -1;        // Outline::font: the font drawn under the text
  bool utf8 = false;            // the game's texts are UTF-8; else each byte is a letter

  int thickness() const { return outline_thickness > 1 ? outline_thickness : 1; }
  // The height the engine reports for a font of these heights.
  int32_t logical_height(int32_t nominal, int32_t real) const {
    if (height_by == Height::custom) return custom_height;
    return height_by == Height::real ? real : nominal;
  }
};

// The next letter of a text as the engine reads it, moving `text` past it;
// 0 at the end. With `utf8`: a stray continuation byte is its low 7 bits, a
// sequence cut short or broken is '^' (the byte that broke it starts the
// next letter), a value past U+10FFFF or a surrogate is U+FFFD. Without it,
// each byte is a letter.
uint32_t next_letter(const unsigned char *&text, bool utf8);

class Font {
 public:
  virtual ~Font() = default;
  // The text's width as the engine measures it and the font's logical height
  // (the same for every text), without any outline.
  virtual TextSize measure(const char *text) const = 0;
  // Draws `text` placed at (x, y) the way the engine places it, one colour.
  virtual void draw(Canvas &canvas, int64_t x, int64_t y, const char *text, uint32_t rgb) const = 0;
  // Whether the font has a glyph of its own for the letter (U+ code).
  virtual bool has_letter(uint32_t code) const = 0;
  // What stands for a letter it lacks: the face's missing-letter glyph
  // (TrueType), or nothing (WFN).
  virtual bool draws_missing_glyph() const = 0;
  const FontStyle &style() const { return style_; }

 protected:
  FontStyle style_;
};

// Reads an AGS WFN font file; null with `error` set when it is not one.
std::unique_ptr<Font> load_wfn_font(const std::string &path, std::string &error, const FontStyle &style = {});

// Opens a face with FreeType at `pixel_size`; monochrome unless `antialias`.
// Scalable faces are hinted with FreeType's auto-hinter for a one-bit target,
// the nearest this FreeType comes to the engine's glyphs, and their ascender
// and descender are rounded to the nearest pixel as the engine rounds them.
// As in the engine, an anti-aliased glyph is the same hinted outline rendered
// in grey, so its advance and place are the monochrome glyph's. A letter the
// face lacks draws its glyph 0 (the "missing" box) with that glyph's advance.
std::unique_ptr<Font> load_freetype_font(const std::string &path, int pixel_size, bool antialias,
                                         std::string &error, const FontStyle &style = {});

// The pixel-style default: Terminus, a bitmap face about 12 pixels tall,
// found through fontconfig, or in the page the copy built into its file
// system at EMBEDDED_DEFAULT_FONT. Empty when there is none.
constexpr const char *EMBEDDED_DEFAULT_FONT = "/fonts/terminus-normal.otb";
std::string find_default_font_file();

}  // namespace rollwick_host
