#include "fonts.h"

#include <unistd.h>

#include "user_files.h"

#if ROLLWICK_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <iterator>
#include <unordered_map>
#include <vector>

namespace rollwick_host {

uint32_t next_letter(const unsigned char *&text, bool utf8) {
  const uint32_t lead = *text;
  if (lead == 0) return 0;
  ++text;
  if (!utf8 || lead < 0x80) return lead;
  int ones = 0;
  while (ones < 8 && (lead & (0x80u >> ones)) != 0) ++ones;
  if (ones == 1) return lead & 0x7F;  // a stray continuation byte
  uint32_t value = ones >= 8 ? 0 : lead & (0xFFu >> (ones + 1));
  for (int i = 1; i < ones; ++i) {
    if ((*text & 0xC0) != 0x80) return '^';  // cut short: the byte that broke it is the next letter's
    value = value << 6 | (*text & 0x3F);
    ++text;
  }
  if (value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0xFFFD;
  return value;
}

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
  std::vector<WfnGlyph> glyphs;  // as many as the file's table holds; a letter is looked up by its low 16 bits
  int32_t nominal_height = 0;  // the tallest of "ZHwypgfjqhkilIK"
  int32_t real_height = 0;     // the tallest glyph of the font

  explicit WfnFont(const FontStyle &style) { style_ = style; }

  int32_t height() const {
    return style_.logical_height(nominal_height * style_.size_multiplier, real_height * style_.size_multiplier);
  }

  // The glyph of a letter; a letter past the table is the empty glyph.
  const WfnGlyph &glyph(uint32_t code) const {
    static const WfnGlyph empty;
    code &= 0xFFFF;
    return code < glyphs.size() ? glyphs[code] : empty;
  }

  bool draws_missing_glyph() const override { return false; }

  bool has_letter(uint32_t code) const override {
    const WfnGlyph &found = glyph(code);
    return found.width > 0 || found.height > 0 || code == ' ';
  }

  // Glyph widths are scaled; the spacing between characters is not.
  TextSize measure(const char *text) const override {
    int64_t width = 0;
    int64_t count = 0;
    const unsigned char *at = reinterpret_cast<const unsigned char *>(text);
    for (uint32_t code = next_letter(at, style_.utf8); code != 0; code = next_letter(at, style_.utf8), ++count) {
      width += glyph(code).width;
    }
    width *= style_.size_multiplier;
    if (count > 0) width += static_cast<int64_t>(style_.character_spacing) * (count - 1);
    return {static_cast<int32_t>(width), height()};
  }

  // Drawing scales the spacing too, and adds it after every character.
  void draw(Canvas &canvas, int64_t x, int64_t y, const char *text, uint32_t rgb) const override {
    const int scale = style_.size_multiplier;
    y += style_.vertical_offset;
    const unsigned char *at = reinterpret_cast<const unsigned char *>(text);
    for (uint32_t code = next_letter(at, style_.utf8); code != 0; code = next_letter(at, style_.utf8)) {
      const WfnGlyph &glyph = this->glyph(code);
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
  FT_Render_Mode render_mode = FT_RENDER_MODE_MONO;
  int32_t pixel_size = 0;
  int32_t ascender = 0;   // whole pixels above the baseline
  int32_t descender = 0;  // whole pixels below it
  mutable std::array<RenderedGlyph, 256> cache;
  mutable std::unordered_map<uint32_t, RenderedGlyph> wide_cache;  // letters from U+0100 on

  explicit FreeTypeFont(const FontStyle &style) { style_ = style; }
  ~FreeTypeFont() override {
    if (face != nullptr) FT_Done_Face(face);
  }

  // The face's glyph for a letter: through its Unicode map, or, for a face
  // that has none, the code itself as the glyph's number. -1: none at all.
  int64_t glyph_index(uint32_t code) const {
    if (face->charmap != nullptr) return FT_Get_Char_Index(face, code);
    return code < static_cast<uint32_t>(face->num_glyphs) ? static_cast<int64_t>(code) : -1;
  }

  bool draws_missing_glyph() const override { return true; }

  bool has_letter(uint32_t code) const override {
    const int64_t index = glyph_index(code);
    return index > 0 || (index == 0 && face->charmap == nullptr);
  }

  const RenderedGlyph &glyph(uint32_t code) const {
    RenderedGlyph &glyph = code < cache.size() ? cache[code] : wide_cache[code];
    if (glyph.loaded) return glyph;
    glyph.loaded = true;
    const int64_t index = glyph_index(code);
    if (index < 0) return glyph;  // nothing drawn, no advance
    // One hinted outline, rendered as this font draws.
    if (FT_Load_Glyph(face, static_cast<FT_UInt>(index), load_flags) != 0) return glyph;
    // A damaged font can give an outline many times its size, whose picture
    // would take gigabytes and minutes: such a glyph keeps its advance and
    // draws nothing.
    const int64_t largest = 8 * static_cast<int64_t>(pixel_size) + 64;
    if (face->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
      FT_BBox box;
      FT_Outline_Get_CBox(&face->glyph->outline, &box);
      const int64_t box_width = (static_cast<int64_t>(box.xMax) - box.xMin) >> 6;
      const int64_t box_height = (static_cast<int64_t>(box.yMax) - box.yMin) >> 6;
      if (box_width > largest || box_height > largest) {
        glyph.advance = static_cast<int>(std::clamp<int64_t>(face->glyph->advance.x >> 6, -largest, largest));
        return glyph;
      }
      if (FT_Render_Glyph(face->glyph, render_mode) != 0) return glyph;
    }
    if (face->glyph->bitmap.width > largest || face->glyph->bitmap.rows > largest) return glyph;
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
    const unsigned char *at = reinterpret_cast<const unsigned char *>(text);
    for (uint32_t code = next_letter(at, style_.utf8); code != 0; code = next_letter(at, style_.utf8)) {
      const int advance = glyph(code).advance;
      if (advance != 0) width += advance + style_.character_spacing;
    }
    return {static_cast<int32_t>(width), height()};
  }

  // The engine draws TrueType text one pixel above the y it is given.
  void draw(Canvas &canvas, int64_t x, int64_t y, const char *text, uint32_t rgb) const override {
    const int64_t baseline = y + style_.vertical_offset - 1 + (style_.ascender_fixup ? pixel_size : ascender);
    const unsigned char *at = reinterpret_cast<const unsigned char *>(text);
    for (uint32_t code = next_letter(at, style_.utf8); code != 0; code = next_letter(at, style_.utf8)) {
      const RenderedGlyph &g = glyph(code);
      // Only the rows and columns that fall on the canvas.
      const int64_t left = x + g.left;
      const int64_t top = baseline - g.top;
      const int first_row = static_cast<int>(std::clamp<int64_t>(-top, 0, g.height));
      const int end_row = static_cast<int>(std::clamp<int64_t>(canvas.height - top, 0, g.height));
      const int first_column = static_cast<int>(std::clamp<int64_t>(-left, 0, g.width));
      const int end_column = static_cast<int>(std::clamp<int64_t>(canvas.width - left, 0, g.width));
      for (int row = first_row; row < end_row; ++row) {
        for (int column = first_column; column < end_column; ++column) {
          const uint8_t cover = g.coverage[static_cast<size_t>(row) * g.width + column];
          if (cover == 0) continue;
          const int64_t px = x + g.left + column;
          const int64_t py = baseline - g.top + row;
          if (!canvas.contains(px, py)) continue;
          if (cover == 255) {
            canvas.put(px, py, rgb);
            continue;
          }
          // A grey level n blends as a translucent pixel of alpha n does in
          // the engine's 32-bit blender: (n + 1) / 256 of the way to the colour.
          const uint32_t under = canvas.at(static_cast<int>(px), static_cast<int>(py));
          uint32_t mixed = 0;
          for (int shift = 0; shift <= 16; shift += 8) {
            const int a = static_cast<int>((rgb >> shift) & 0xFF);
            const int b = static_cast<int>((under >> shift) & 0xFF);
            mixed |= static_cast<uint32_t>(b + (a - b) * (cover + 1) / 256) << shift;
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
  error = input_problem(path);
  if (!error.empty()) return nullptr;
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  if (!file) {
    error = "cannot open " + path;
    return nullptr;
  }
  // Its table holds 16-bit offsets: no real WFN font is larger than this.
  constexpr std::streamoff largest = 1 << 20;
  const std::streamoff size = file.tellg();
  if (size < 0 || size > largest) {
    error = path + " is larger than any WFN font (1 MiB at most)";
    return nullptr;
  }
  file.seekg(0);
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
  // As many letters as the table has entries; a letter is found by its low 16 bits.
  const size_t codes = std::min<size_t>((bytes.size() - table) / 2, 65536);
  font->glyphs.resize(codes);
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
    font->nominal_height = std::max(font->nominal_height, font->glyph(static_cast<unsigned char>(c)).height);
  }
  for (const WfnGlyph &glyph : font->glyphs) font->real_height = std::max(font->real_height, glyph.height);
  return font;
}

std::unique_ptr<Font> load_freetype_font(const std::string &path, int pixel_size, bool antialias,
                                         std::string &error, const FontStyle &style) {
  error = input_problem(path);
  if (!error.empty()) return nullptr;
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
  // Hinted for a one-bit target either way; the grey rendering of that
  // outline is the anti-aliased glyph.
  font->load_flags = FT_LOAD_TARGET_MONO;
  font->render_mode = antialias ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO;
  if (!FT_IS_SCALABLE(face)) font->load_flags |= FT_LOAD_RENDER | (antialias ? 0 : FT_LOAD_MONOCHROME);
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
#if ROLLWICK_FONTCONFIG
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
#elif defined(__EMSCRIPTEN__)
  // The page carries the same face in its own file system.
  if (access(EMBEDDED_DEFAULT_FONT, R_OK) == 0) file = EMBEDDED_DEFAULT_FONT;
#endif
  return file;
}

}  // namespace rollwick_host
