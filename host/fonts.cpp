#include "fonts.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <array>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace rollwick_host {

namespace {

uint16_t read_u16(const std::vector<uint8_t> &bytes, size_t at) {
  return static_cast<uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

// One glyph of a WFN font: rows of ceil(width / 8) bytes, leftmost pixel in
// the most significant bit.
struct WfnGlyph {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rows;
  bool ink(int x, int y) const { return (rows[static_cast<size_t>(y) * ((width + 7) / 8) + x / 8] >> (7 - x % 8)) & 1; }
};

class WfnFont : public Font {
 public:
  std::array<WfnGlyph, 256> glyphs;
  int32_t nominal_height = 0;  // the tallest of "ZHwypgfjqhkilIK"
  int32_t real_height = 0;     // the tallest glyph of the font

  explicit WfnFont(const FontStyle &style) { style_ = style; }

  int32_t height() const {
    return style_.logical_height(nominal_height * style_.size_multiplier, real_height * style_.size_multiplier);
  }

  // Glyph widths are scaled; the spacing between characters is not.
  TextSize measure(const char *text) const override {
    int64_t width = 0;
    int64_t count = 0;
    for (const unsigned char *c = reinterpret_cast<const unsigned char *>(text); *c; ++c, ++count) {
      width += glyphs[*c].width;
    }
    width *= style_.size_multiplier;
    if (count > 0) width += static_cast<int64_t>(style_.character_spacing) * (count - 1);
    return {static_cast<int32_t>(width), height()};
  }

  // Drawing scales the spacing too, and adds it after every character.
  void draw(Canvas &canvas, int64_t x, int64_t y, const char *text, uint32_t rgb) const override {
    const int scale = style_.size_multiplier;
    y += style_.vertical_offset;
    for (const unsigned char *c = reinterpret_cast<const unsigned char *>(text); *c; ++c) {
      const WfnGlyph &glyph = glyphs[*c];
      for (int row = 0; row < glyph.height; ++row) {
        for (int column = 0; column < glyph.width; ++column) {
          if (!glyph.ink(column, row)) continue;
          for (int dy = 0; dy < scale; ++dy) {
            for (int dx = 0; dx < scale; ++dx) canvas.put(x + column * scale + dx, y + row * scale + dy, rgb);
          }
        }
      }
      x += static_cast<int64_t>(glyph.width + style_.character_spacing) * scale;
    }
  }
};

struct FreeTypeLibrary {
  FT_Library library = nullptr;
  FreeTypeLibrary() { FT_Init_FreeType(&library); }
  ~FreeTypeLibrary() { FT_Done_FreeType(library); }
};

FT_Library freetype() {
  static FreeTypeLibrary instance;
  return instance.library;
}

// A glyph rendered once: coverage 0..255 a pixel, placed from the pen and the baseline.
struct RenderedGlyph {
  bool loaded = false;
  int advance = 0;
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  std::vector<uint8_t> coverage;
};

class FreeTypeFont : public Font {
 public:
  FT_Face face = nullptr;
  FT_Int32 load_flags = 0;
  int32_t pixel_size = 0;
  int32_t ascender = 0;   // whole pixels above the baseline
  int32_t descender = 0;  // whole pixels below it
  mutable std::array<RenderedGlyph, 256> cache;

  explicit FreeTypeFont(const FontStyle &style) { style_ = style; }
  ~FreeTypeFont() override {
    if (face != nullptr) FT_Done_Face(face);
  }

  const RenderedGlyph &glyph(unsigned char code) const {
    RenderedGlyph &glyph = cache[code];
    if (glyph.loaded) return glyph;
    glyph.loaded = true;
    if (FT_Load_Char(face, code, load_flags) != 0) return glyph;
    const FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap &bitmap = slot->bitmap;
    glyph.advance = static_cast<int>(slot->advance.x >> 6);
    glyph.left = slot->bitmap_left;
    glyph.top = slot->bitmap_top;
    glyph.width = static_cast<int>(bitmap.width);
    glyph.height = static_cast<int>(bitmap.rows);
    glyph.coverage.assign(static_cast<size_t>(glyph.width) * glyph.height, 0);
    for (int y = 0; y < glyph.height; ++y) {
      const uint8_t *row = bitmap.buffer + static_cast<ptrdiff_t>(y) * bitmap.pitch;
      for (int x = 0; x < glyph.width; ++x) {
        uint8_t value = 0;
        if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
          value = ((row[x / 8] >> (7 - x % 8)) & 1) ? 255 : 0;
        } else if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
          value = row[x];
        }
        glyph.coverage[static_cast<size_t>(y) * glyph.width + x] = value;
      }
    }
    return glyph;
  }

  int32_t height() const {
    return style_.logical_height(pixel_size, (style_.ascender_fixup ? pixel_size : ascender) + descender);
  }

  // Advances without kerning, each glyph that moves the pen followed by the spacing.
  TextSize measure(const char *text) const override {
    int64_t width = 0;
    for (const unsigned char *c = reinterpret_cast<const unsigned char *>(text); *c; ++c) {
      const int advance = glyph(*c).advance;
      if (advance != 0) width += advance + style_.character_spacing;
    }
    return {static_cast<int32_t>(width), height()};
  }

  // The engine draws TrueType text one pixel above the y it is given.
  void draw(Canvas &canvas, int64_t x, int64_t y, const char *text, uint32_t rgb) const override {
    const int64_t baseline = y + style_.vertical_offset - 1 + (style_.ascender_fixup ? pixel_size : ascender);
    for (const unsigned char *c = reinterpret_cast<const unsigned char *>(text); *c; ++c) {
      const RenderedGlyph &g = glyph(*c);
      for (int row = 0; row < g.height; ++row) {
        for (int column = 0; column < g.width; ++column) {
          const uint8_t cover = g.coverage[static_cast<size_t>(row) * g.width + column];
          if (cover == 0) continue;
          const int64_t px = x + g.left + column;
          const int64_t py = baseline - g.top + row;
          if (!canvas.contains(px, py)) continue;
          if (cover == 255) {
            canvas.put(px, py, rgb);
            continue;
          }
          const uint32_t under = canvas.at(static_cast<int>(px), static_cast<int>(py));
          uint32_t mixed = 0;
          for (int shift = 0; shift <= 16; shift += 8) {
            const uint32_t a = (rgb >> shift) & 0xFF;
            const uint32_t b = (under >> shift) & 0xFF;
            mixed |= ((a * cover + b * (255 - cover)) / 255) << shift;
          }
          canvas.put(px, py, mixed);
        }
      }
      x += g.advance + style_.character_spacing;
    }
  }
};

}  // namespace

std::unique_ptr<Font> load_wfn_font(const std::string &path, std::string &error, const FontStyle &style) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    error = "cannot open " + path;
    return nullptr;
  }
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  static const char signature[] = "WGT Font File  ";
  if (bytes.size() < 17 || std::memcmp(bytes.data(), signature, 15) != 0) {
    error = path + " is not a WFN font (no \"WGT Font File\" signature)";
    return nullptr;
  }
  const size_t table = read_u16(bytes, 15);
  if (table < 17 || table > bytes.size()) {
    error = path + " is not a WFN font (its character table lies outside the file)";
    return nullptr;
  }
  auto font = std::make_unique<WfnFont>(style);
  const size_t codes = std::min<size_t>((bytes.size() - table) / 2, 256);
  for (size_t code = 0; code < codes; ++code) {
    const size_t at = read_u16(bytes, table + code * 2);
    if (at == 0 || at + 4 > bytes.size()) continue;  // no glyph: draws nothing, 0 wide
    WfnGlyph glyph;
    glyph.width = read_u16(bytes, at);
    glyph.height = read_u16(bytes, at + 2);
    const size_t size = static_cast<size_t>((glyph.width + 7) / 8) * glyph.height;
    if (at + 4 + size > bytes.size()) continue;
    glyph.rows.assign(bytes.begin() + static_cast<ptrdiff_t>(at + 4),
                      bytes.begin() + static_cast<ptrdiff_t>(at + 4 + size));
    font->glyphs[code] = std::move(glyph);
  }
  for (const char c : std::string("ZHwypgfjqhkilIK")) {
    font->nominal_height = std::max(font->nominal_height, font->glyphs[static_cast<unsigned char>(c)].height);
  }
  for (const WfnGlyph &glyph : font->glyphs) font->real_height = std::max(font->real_height, glyph.height);
  return font;
}

std::unique_ptr<Font> load_freetype_font(const std::string &path, int pixel_size, bool antialias,
                                         std::string &error, const FontStyle &style) {
  auto font = std::make_unique<FreeTypeFont>(style);
  if (freetype() == nullptr || FT_New_Face(freetype(), path.c_str(), 0, &font->face) != 0) {
    error = "FreeType cannot read " + path;
    return nullptr;
  }
  FT_Face face = font->face;
  if (pixel_size <= 0) pixel_size = 8;  // as the engine loads a font of no size
  font->pixel_size = pixel_size;
  if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixel_size)) != 0 && face->num_fixed_sizes > 0) {
    // A bitmap-only face: take the strike nearest the size asked for.
    int best = 0;
    for (int i = 1; i < face->num_fixed_sizes; ++i) {
      if (std::abs(face->available_sizes[i].height - pixel_size) <
          std::abs(face->available_sizes[best].height - pixel_size)) {
        best = i;
      }
    }
    FT_Select_Size(face, best);
  }
  font->load_flags = FT_LOAD_RENDER | (antialias ? FT_LOAD_TARGET_NORMAL : (FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME));
  if (FT_IS_SCALABLE(face)) {
    font->load_flags |= FT_LOAD_FORCE_AUTOHINT;
    // The face's ascender and descender scaled and rounded to the nearest
    // pixel each (this FreeType's size metrics round the ascender up).
    const FT_Long y_scale = face->size->metrics.y_scale;
    font->ascender = static_cast<int32_t>((FT_MulFix(face->ascender, y_scale) + 32) >> 6);
    font->descender = static_cast<int32_t>(-((FT_MulFix(face->descender, y_scale) + 32) >> 6));
  } else {
    font->ascender = static_cast<int32_t>((face->size->metrics.ascender + 63) >> 6);
    font->descender = static_cast<int32_t>((-face->size->metrics.descender + 63) >> 6);
  }
  return font;
}

std::string find_default_font_file() {
  std::string file;
  if (!FcInit()) return file;
  FcPattern *pattern = FcNameParse(reinterpret_cast<const FcChar8 *>("Terminus:style=Medium:pixelsize=12"));
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern *match = FcFontMatch(nullptr, pattern, &result);
  FcChar8 *path = nullptr;
  FcChar8 *family = nullptr;
  if (match != nullptr && FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch &&
      FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch &&
      std::strcmp(reinterpret_cast<const char *>(family), "Terminus") == 0) {
    file = reinterpret_cast<const char *>(path);
  }
  if (match != nullptr) FcPatternDestroy(match);
  FcPatternDestroy(pattern);
  return file;
}

}  // namespace rollwick_host
