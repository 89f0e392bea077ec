// The rendering host: WFN fonts, text measurement against drawing, colour
// numbers and masked sprites.
#include <gtest/gtest.h>
#include <unistd.h>


#include "rendering_host.h"
#include "wfn_builder.h"

using namespace rollwick_host;

namespace {

std::unique_ptr<Font> test_font(const FontStyle &style = {}) {
  const std::string path = write_test_font();
  std::string error;
  auto font = load_wfn_font(path, error, style);
  EXPECT_NE(font, nullptr) << error;
  unlink(path.c_str());
  return font;
}

std::vector<std::string> picture(const Canvas &canvas, int width, int height) {
  std::vector<std::string> rows;
  for (int y = 0; y < height; ++y) {
    std::string row;
    for (int x = 0; x < width; ++x) row += canvas.at(x, y) == 0 ? '.' : '#';
    rows.push_back(row);
  }
  return rows;
}

}  // namespace

TEST(WfnFont, DrawsInkWhereTheGlyphsHaveItAndNowhereElse) {
  auto font = test_font();
  ASSERT_NE(font, nullptr);
  Canvas canvas(12, 7);
  font->draw(canvas, 1, 1, "AIZ?", 0xFFFFFF);  // '?' has no glyph: nothing, 0 wide
  const std::vector<std::string> expected = {"............", "..#.###.....", ".#.##.#.....", ".#####......",
                                             ".#.####.....", "....#.......", "............"};
  EXPECT_EQ(picture(canvas, 12, 7), expected);
}

TEST(WfnFont, MeasureAgreesWithTheDrawing) {
  auto font = test_font();
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(font->measure("AIZ?").width, 6);
  EXPECT_EQ(font->measure("AIZ?").height, 5);  // the tallest of Z H w y p g f j q h k i l I K
  EXPECT_EQ(font->measure("").height, 5);
  Canvas canvas(20, 6);
  font->draw(canvas, 0, 0, "ZAIZ", 0xFFFFFF);
  int rightmost = -1;
  for (int x = 0; x < 20; ++x) {
    for (int y = 0; y < 6; ++y) {
      if (canvas.at(x, y) != 0) rightmost = x;
    }
  }
  EXPECT_EQ(rightmost + 1, font->measure("ZAIZ").width);
}

TEST(WfnFont, RejectsFilesThatAreNotFonts) {
  char path[] = "/tmp/rollwick-font-XXXXXX";
  const int descriptor = mkstemp(path);
  ASSERT_EQ(write(descriptor, "WGT Font File  \xff\xff", 17), 17);
  close(descriptor);
  std::string error;
  EXPECT_EQ(load_wfn_font(path, error), nullptr);
  EXPECT_NE(error.find("is not a WFN font"), std::string::npos);
  unlink(path);
}

TEST(DefaultFont, IsAPixelFontOfAboutTwelvePixels) {
  const std::string file = find_default_font_file();
  ASSERT_FALSE(file.empty()) << "the default font (fonts-terminus-otb) is installed with the build";
  std::string error;
  auto font = load_freetype_font(file, 12, false, error);
  ASSERT_NE(font, nullptr) << error;
  const TextSize size = font->measure("Credits");
  EXPECT_GE(size.height, 9);
  EXPECT_LE(size.height, 13);
  EXPECT_EQ(size.width, 7 * font->measure("C").width) << "a fixed-width face";
  Canvas canvas(size.width + 4, size.height + 4);
  font->draw(canvas, 2, 2, "Credits", 0xFFFFFF);
  int ink_left = canvas.width;
  int ink_right = -1;
  for (int y = 0; y < canvas.height; ++y) {
    for (int x = 0; x < canvas.width; ++x) {
      const uint32_t pixel = canvas.at(x, y);
      EXPECT_TRUE(pixel == 0 || pixel == 0xFFFFFF) << "monochrome";
      if (pixel != 0) {
        ink_left = std::min(ink_left, x);
        ink_right = std::max(ink_right, x);
      }
    }
  }
  EXPECT_GE(ink_left, 2);
  EXPECT_LE(ink_right, 2 + size.width);
}

TEST(ColourNumbers, MapAsTheEngineMapsThem) {
  EXPECT_EQ(ags_colour(0, 32), 0x000000u);
  EXPECT_EQ(ags_colour(4, 32), 0xA00000u);
  EXPECT_EQ(ags_colour(14, 16), 0xFFFF52u);  // packed to 5-6-5, then widened
  EXPECT_EQ(ags_colour(15, 32), 0xFFFFFFu);
  EXPECT_EQ(ags_colour(17, 32), 0x101010u);
  EXPECT_EQ(ags_colour(31, 32), 0xF0F0F0u);
  EXPECT_EQ(ags_colour(32, 32), 0x000400u);
  EXPECT_EQ(ags_colour(63488, 32), 0xFF0000u);
  EXPECT_EQ(ags_colour(65535, 32), 0xFFFFFFu);
  EXPECT_EQ(ags_colour(2016, 16), 0x00FF00u);
  EXPECT_EQ(ags_colour(-5, 32), 0x000000u);
}

TEST(RenderingEngine, MaskedSpritesLeaveTheirTransparentPixels) {
  RenderingEngine engine(4, 1, 32);
  engine.canvas.fill(0x123456);
  Sprite sprite;
  sprite.width = 4;
  sprite.height = 1;
  sprite.argb = {0xFF00FF00, 0x00FFFFFF, 0xFFFF00FF, 0x80000080};
  engine.set_sprite(7, sprite);
  EXPECT_EQ(engine.GetSpriteWidth(7), 4);
  BITMAP *bitmap = engine.GetSpriteGraphic(7);
  int32 width = 0, height = 0, depth = 0;
  engine.GetBitmapDimensions(bitmap, &width, &height, &depth);
  EXPECT_EQ(width, 4);
  EXPECT_EQ(height, 1);
  engine.BlitBitmap(0, 0, bitmap, 1);
  EXPECT_EQ(engine.canvas.pixels, (std::vector<uint32_t>{0x00FF00, 0x123456, 0xFF00FF, 0x000080}));
  engine.BlitBitmap(0, 0, bitmap, 0);
  EXPECT_EQ(engine.canvas.at(1, 0), 0xFF00FFu) << "unmasked drawing shows the mask colour";
}

TEST(RenderingEngine, MissingSpriteIsOneTransparentPixel) {
  RenderingEngine engine(2, 2, 32);
  EXPECT_EQ(engine.GetSpriteWidth(99), 1);
  EXPECT_EQ(engine.GetSpriteHeight(99), 1);
  engine.BlitBitmap(0, 0, engine.GetSpriteGraphic(99), 1);
  EXPECT_EQ(engine.canvas.pixels, std::vector<uint32_t>(4, 0));
}

TEST(RenderingEngine, TextExtentIsTheFontsMeasure) {
  RenderingEngine engine(40, 10, 32);
  engine.set_font(2, test_font());
  int32 width = 0, height = 0;
  engine.GetTextExtent(2, "AIZ", &width, &height);
  EXPECT_EQ(width, 6);
  EXPECT_EQ(height, 5);
  engine.DrawText(0, 0, 2, 12, const_cast<char *>("I"));
  EXPECT_EQ(engine.canvas.at(0, 0), 0xFF5050u);
}

TEST(WfnFont, ScaleSpacingAndOffsetAsTheEngineUsesThem) {
  FontStyle style;
  style.size_multiplier = 2;
  style.character_spacing = 1;
  style.vertical_offset = 3;
  const auto font = test_font(style);
  // Measured: scaled glyphs, unscaled spacing between characters.
  EXPECT_EQ(font->measure("AI").width, (3 + 1) * 2 + 1);
  EXPECT_EQ(font->measure("AI").height, 10);
  // Drawn: every ink pixel a 2x2 square, the spacing scaled after each character.
  Canvas canvas(20, 20);
  font->draw(canvas, 0, 0, "AI", 0xFFFFFF);
  EXPECT_EQ(canvas.at(2, 3), 0xFFFFFFu) << "A's top pixel, moved down by the offset";
  EXPECT_EQ(canvas.at(3, 4), 0xFFFFFFu);
  EXPECT_EQ(canvas.at(1, 3), 0u);
  EXPECT_EQ(canvas.at(8, 3), 0xFFFFFFu) << "I after A's 6 pixels and 2 of spacing";
  EXPECT_EQ(canvas.at(7, 3), 0u);
}

TEST(RenderingEngine, AutomaticOutlineAroundTheTextInTheShadowColour) {
  FontStyle style;
  style.outline = FontStyle::Outline::automatic;
  RenderingEngine engine(12, 10, 32);
  engine.set_font(0, test_font(style));
  int32 width = 0, height = 0;
  engine.GetTextExtent(0, "I", &width, &height);
  EXPECT_EQ(width, 1 + 2);
  EXPECT_EQ(height, 5 + 2);
  engine.GetTextExtent(0, "", &width, &height);
  EXPECT_EQ(width, 0);
  engine.canvas.fill(0x123456);
  engine.DrawText(2, 2, 0, 15, const_cast<char *>("I"));
  EXPECT_EQ(engine.canvas.at(3, 3), 0xFFFFFFu) << "the text moved by the thickness";
  EXPECT_EQ(engine.canvas.at(2, 2), 0x000000u) << "the square outline's corner, colour 16";
  EXPECT_EQ(engine.canvas.at(4, 8), 0x000000u);
  EXPECT_EQ(engine.canvas.at(5, 3), 0x123456u);

  style.outline_thickness = 2;
  style.rounded_outline = true;
  engine.set_font(0, test_font(style));
  engine.canvas.fill(0x123456);
  engine.DrawText(0, 0, 0, 15, const_cast<char *>("I"));
  EXPECT_EQ(engine.canvas.at(2, 2), 0xFFFFFFu);
  EXPECT_EQ(engine.canvas.at(0, 0), 0x123456u) << "dx and dy of 2 lie outside the disc";
  EXPECT_EQ(engine.canvas.at(1, 0), 0x000000u);
}

TEST(RenderingEngine, SixteenBitGamesShowFiveSixFiveColours) {
  RenderingEngine engine(3, 1, 16);
  Sprite sprite;
  sprite.width = 3;
  sprite.height = 1;
  sprite.argb = {0xFF123456, 0xFFFF07FF, 0x00000000};
  engine.set_sprite(1, sprite);
  engine.canvas.fill(0x0000FF);
  engine.BlitBitmap(0, 0, engine.GetSpriteGraphic(1), 1);
  EXPECT_EQ(engine.canvas.at(0, 0), widen_565(pack_565(0x123456)));
  EXPECT_EQ(engine.canvas.at(1, 0), widen_565(0xF83F)) << "a colour that packs to the mask stays visible";
  EXPECT_EQ(engine.canvas.at(2, 0), 0x0000FFu);
  EXPECT_EQ(ags_colour(7, 16), 0xA5A2A5u) << "the fixed colours are packed too";
}

TEST(TextEncoding, LettersAsTheEngineDecodesThem) {
  const auto letters = [](const std::string &text, bool utf8) {
    std::vector<uint32_t> out;
    const unsigned char *at = reinterpret_cast<const unsigned char *>(text.c_str());
    for (uint32_t code = rollwick_host::next_letter(at, utf8); code != 0; code = rollwick_host::next_letter(at, utf8)) {
      out.push_back(code);
    }
    return out;
  };
  EXPECT_EQ(letters("Zo\xC3\xAB \xE6\xBC\xA2", true), (std::vector<uint32_t>{'Z', 'o', 0xEB, ' ', 0x6F22}));
  EXPECT_EQ(letters("Zo\xC3\xAB", false), (std::vector<uint32_t>{'Z', 'o', 0xC3, 0xAB}));
  // Cut short or broken: '^', and the byte that broke it is the next letter.
  EXPECT_EQ(letters("a\xC3", true), (std::vector<uint32_t>{'a', '^'}));
  EXPECT_EQ(letters("\xE6\xBC" "A", true), (std::vector<uint32_t>{'^', 'A'}));
  // A stray continuation byte is its low bits (0x80 ends the text); out of range is U+FFFD.
  EXPECT_EQ(letters("\xA1" "b\x80" "c", true), (std::vector<uint32_t>{'!', 'b'}));
  EXPECT_EQ(letters("\xF4\x90\x80\x80\xED\xA0\x80", true), (std::vector<uint32_t>{0xFFFD, 0xFFFD}));
  EXPECT_EQ(letters("x\xC0\x80y", true), (std::vector<uint32_t>{'x'})) << "an overlong 0 ends the text";
}
