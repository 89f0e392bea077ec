// A game's project folder: Game.agf, file names in any case, and the sprite
// file in its storage forms and compressions.
#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstdlib>
#include <fstream>

#include "audio_mix.h"
#include "fonts.h"
#include "game_project.h"
#include "png_files.h"
#include "sprite_file.h"

using namespace rollwick_preview;

namespace {

class Bytes {
 public:
  Bytes &u8(uint32_t v) {
    data.push_back(static_cast<uint8_t>(v));
    return *this;
  }
  Bytes &u16(uint32_t v) { return u8(v).u8(v >> 8); }
  Bytes &u32(uint32_t v) { return u16(v).u16(v >> 16); }
  Bytes &text(const std::string &t) {
    data.insert(data.end(), t.begin(), t.end());
    return *this;
  }
  Bytes &raw(const std::vector<uint8_t> &bytes) {
    data.insert(data.end(), bytes.begin(), bytes.end());
    return *this;
  }
  std::vector<uint8_t> data;
};

std::string temporary_folder() {
  char path[] = "/tmp/rollwick-game-XXXXXX";
  return mkdtemp(path);
}

void write_file(const std::string &path, const std::vector<uint8_t> &bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char *>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> deflated(const std::vector<uint8_t> &raw) {
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  std::vector<uint8_t> out(size);
  compress(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()));
  out.resize(size);
  return out;
}

// A version-12 sprite file: slot 0 empty, then the given entries.
std::vector<uint8_t> sprite_file(const std::vector<std::vector<uint8_t>> &entries) {
  Bytes file;
  file.u16(12).text(" Sprite File ").u8(3).u32(0x1234).u32(static_cast<uint32_t>(entries.size())).u32(1);
  file.u16(0);
  for (const auto &entry : entries) file.raw(entry);
  return file.data;
}

std::vector<uint8_t> entry(int bpp, int format, int compression, int width, int height,
                           const std::vector<uint8_t> &palette, int palette_count, const std::vector<uint8_t> &data) {
  Bytes e;
  e.u8(bpp).u8(format).u8(palette_count - 1).u8(compression).u16(width).u16(height).raw(palette);
  e.u32(static_cast<uint32_t>(data.size())).raw(data);
  return e.data;
}

}  // namespace

TEST(SpriteFile, ReadsEveryStorageFormAndCompression) {
  const std::string folder = temporary_folder();
  // Slot 1: 32-bit ARGB, deflate. Slot 2: 24-bit through a 3-byte palette,
  // RLE. Slot 3: 16-bit, no compression. Slot 4: 8-bit indices through a
  // 5-6-5 palette, LZSS stored as it is (under 16 bytes).
  const std::vector<uint8_t> argb = {0x33, 0x22, 0x11, 0xFF, 0xFF, 0x00, 0xFF, 0x00};
  const std::vector<uint8_t> rle = {0xFD, 0x01, 0x00, 0x00};  // index 1 four times, then index 0 once
  const std::vector<uint8_t> palette888 = {0xFF, 0x00, 0xFF, 0x30, 0x20, 0x10};
  write_file(folder + "/acsprset.spr",
             sprite_file({entry(4, 0, 3, 2, 1, {}, 1, deflated(argb)),
                          entry(3, 32, 1, 5, 1, palette888, 2, rle),
                          entry(2, 0, 0, 2, 1, {}, 1, {0x1F, 0xF8, 0xE0, 0x07}),
                          entry(2, 34, 2, 2, 1, {0x00, 0xF8, 0x1F, 0x00}, 2, {0x01, 0x00})}));
  SpriteFile file;
  std::string error;
  ASSERT_TRUE(read_sprite_file(folder + "/acsprset.spr", "", file, error)) << error;
  EXPECT_TRUE(file.damaged.empty());
  ASSERT_EQ(file.sprites.size(), 4u);
  EXPECT_EQ(file.sprites[1].pixels, (std::vector<uint32_t>{0xFF112233, 0x00FF00FF}));
  EXPECT_EQ(file.sprites[2].pixels, (std::vector<uint32_t>{0x102030, 0x102030, 0x102030, 0x102030, 0xFF00FF}));
  EXPECT_EQ(file.sprites[3].pixels, (std::vector<uint32_t>{0xF81F, 0x07E0}));
  EXPECT_EQ(file.sprites[4].pixels, (std::vector<uint32_t>{0x001F, 0xF800}));

  // As pictures: each depth's mask colour is transparent, the rest opaque.
  const rollwick_host::Palette palette{};
  EXPECT_EQ(to_sprite(file.sprites[1], false, palette).argb, (std::vector<uint32_t>{0xFF112233, 0}));
  EXPECT_EQ(to_sprite(file.sprites[2], false, palette).argb.back(), 0u);
  EXPECT_EQ(to_sprite(file.sprites[3], false, palette).argb, (std::vector<uint32_t>{0, 0xFF00FF00}));
  // Alpha is not blended: a 32-bit game draws alpha 1 and up at full colour,
  // a 16-bit game only alpha 128 and up.
  StoredSprite alpha;
  alpha.width = 4;
  alpha.height = 1;
  alpha.bytes_per_pixel = 4;
  alpha.pixels = {0x00112233, 0x01112233, 0x7F112233, 0x80112233};
  EXPECT_EQ(to_sprite(alpha, true, palette, 32).argb, (std::vector<uint32_t>{0, 0xFF112233, 0xFF112233, 0xFF112233}));
  EXPECT_EQ(to_sprite(alpha, true, palette, 16).argb, (std::vector<uint32_t>{0, 0, 0, 0xFF112233}));
  std::filesystem::remove_all(folder);
}

TEST(SpriteFile, DamagedEntriesAreNamedNotFollowed) {
  const std::string folder = temporary_folder();
  std::vector<uint8_t> bytes = sprite_file({entry(4, 0, 3, 2, 1, {}, 1, {1, 2, 3}), entry(1, 0, 0, 1, 1, {}, 1, {7})});
  write_file(folder + "/acsprset.spr", bytes);
  SpriteFile file;
  std::string error;
  ASSERT_TRUE(read_sprite_file(folder + "/acsprset.spr", "", file, error));
  ASSERT_EQ(file.damaged.size(), 1u);
  EXPECT_EQ(file.damaged.at(1), "has pixel data that does not unpack to its size");

  bytes.resize(40);  // cut inside slot 1's data
  write_file(folder + "/acsprset.spr", bytes);
  ASSERT_TRUE(read_sprite_file(folder + "/acsprset.spr", "", file, error));
  EXPECT_TRUE(file.sprites.empty());
  write_file(folder + "/acsprset.spr", {1, 2, 3});
  EXPECT_FALSE(read_sprite_file(folder + "/acsprset.spr", "", file, error));
  EXPECT_NE(error.find("is not a sprite file"), std::string::npos) << error;
  std::filesystem::remove_all(folder);
}

TEST(SpriteFile, LzssCopiesBackReferencesByteByByte) {
  // Literals "ab", then a reference of length 5 to distance 2: "ababa".
  std::vector<uint8_t> out;
  ASSERT_TRUE(unpack_lzss(std::vector<uint8_t>{0x04, 'a', 'b', 0x01, 0x20}.data(), 5, 7, out));
  EXPECT_EQ(std::string(out.begin(), out.end()), "abababa");
  EXPECT_FALSE(unpack_lzss(std::vector<uint8_t>{0x04, 'a'}.data(), 2, 7, out)) << "the input ends early";
}

TEST(GameProject, ReadsSettingsFontsAndFilesInAnyCase) {
  const std::string folder = temporary_folder();
  std::ofstream(folder + "/GAME.AGF") << R"(<?xml version="1.0" encoding="utf-8"?>
<AGSEditorDocument Version="3.0.3.2" VersionIndex="3060312" EditorVersion="3.6.3.13">
  <Game>
    <Settings><AntiAliasFonts>True</AntiAliasFonts><ColorDepth>HighColor</ColorDepth>
      <CustomResolution>640,400</CustomResolution></Settings>
    <Fonts>
      <Font><ID>0</ID><OutlineStyle>Automatic</OutlineStyle><AutoOutlineThickness>2</AutoOutlineThickness>
        <AutoOutlineStyle>Rounded</AutoOutlineStyle><HeightDefinedBy>PixelHeight</HeightDefinedBy>
        <PointSize>0</PointSize><SizeMultiplier>2</SizeMultiplier><VerticalOffset>-1</VerticalOffset></Font>
      <Font><ID>1</ID><OutlineStyle>UseOutlineFont</OutlineStyle><OutlineFont>0</OutlineFont>
        <PointSize>14</PointSize><CharacterSpacing>1</CharacterSpacing></Font>
    </Fonts>
    <Palette><PaletteEntry Index="1" Red="0" Green="0" Blue="168" /></Palette>
    <AudioClips><AudioClipFolder><AudioClips>
      <AudioClip><ScriptName>aSound3</ScriptName><SourceFileName>Sounds\Key.WAV</SourceFileName></AudioClip>
      <AudioClip><ScriptName>aMusic1</ScriptName><SourceFileName>Sounds\Key.WAV</SourceFileName></AudioClip>
      <AudioClip><ScriptName>aSound4</ScriptName><SourceFileName>missing.ogg</SourceFileName></AudioClip>
      <AudioClip><Index>26</Index><ScriptName>aSound5</ScriptName>
        <SourceFileName>C:\Users\ada\Music\Door.ogg</SourceFileName></AudioClip>
      <AudioClip><Index>27</Index><ScriptName>aSound6</ScriptName>
        <SourceFileName>C:\Users\ada\Music\gone.wav</SourceFileName></AudioClip>
    </AudioClips></AudioClipFolder></AudioClips>
    <Sprites><SpriteFolder><Sprites>
      <Sprite Slot="4" AlphaChannel="True" /><Sprite Slot="5" AlphaChannel="False" />
    </Sprites></SpriteFolder></Sprites>
    <Scripts><ScriptFolder>
      <Script><FileName>Tools.ash</FileName><IsHeader>True</IsHeader></Script>
      <Script><FileName>tools.ash</FileName><IsHeader>True</IsHeader></Script>
    </ScriptFolder></Scripts>
  </Game>
</AGSEditorDocument>)";
  std::ofstream(folder + "/AGSFNT0.WFN") << "x";
  std::ofstream(folder + "/agsfnt1.TTF") << "x";
  std::ofstream(folder + "/AcSprSet.spr") << "x";
  mkdir((folder + "/sounds").c_str(), 0755);
  std::ofstream(folder + "/sounds/key.wav") << "x";
  mkdir((folder + "/AudioCache").c_str(), 0755);
  std::ofstream(folder + "/AudioCache/au00001A.ogg") << "x";  // the editor's copy of clip 26
  std::ofstream(folder + "/tools.ash") << "#define TOOLS 1\n";

  GameProject game;
  std::string error;
  ASSERT_TRUE(read_game_project(folder, game, error)) << error;
  EXPECT_EQ(game.width, 640);
  EXPECT_EQ(game.height, 400);
  EXPECT_EQ(game.depth, 16);
  EXPECT_TRUE(game.antialias_fonts);
  // 168 in Game.agf is 42 in the game's 6 bits, shown as 42 << 2 | 42 >> 4.
  EXPECT_EQ(game.palette[1], 0x0000AAu);
  EXPECT_EQ(game.sprite_alpha, (std::map<int32_t, bool>{{4, true}, {5, false}}));
  EXPECT_EQ(game.sprite_file, folder + "/AcSprSet.spr");
  EXPECT_EQ(game.sprite_index, "");
  EXPECT_EQ(game.headers, std::vector<std::string>{folder + "/tools.ash"}) << "a header listed twice is read once";
  EXPECT_EQ(game.sound_files, (std::map<int, std::string>{{3, folder + "/sounds/key.wav"},
                                                          {5, folder + "/AudioCache/au00001A.ogg"}}))
      << "PlaySound(3)'s clip, and one imported from elsewhere, found in the editor's own copy";
  EXPECT_EQ(game.clips["aSound6"].looked, folder + "/AudioCache/au00001B.wav and C:\\Users\\ada\\Music\\gone.wav (a "
                                                   "path on the author's Windows machine)");
  ASSERT_EQ(game.fonts.size(), 2u);
  using Style = rollwick_host::FontStyle;
  const GameFont &zero = game.fonts[0];
  EXPECT_EQ(zero.file, folder + "/AGSFNT0.WFN");
  EXPECT_FALSE(zero.truetype);
  EXPECT_EQ(zero.style.outline, Style::Outline::automatic);
  EXPECT_EQ(zero.style.outline_thickness, 2);
  EXPECT_TRUE(zero.style.rounded_outline);
  EXPECT_EQ(zero.style.height_by, Style::Height::real);
  EXPECT_EQ(zero.style.size_multiplier, 2);
  EXPECT_EQ(zero.style.vertical_offset, -1);
  const GameFont &one = game.fonts[1];
  EXPECT_TRUE(one.truetype);
  EXPECT_EQ(one.point_size, 14);
  EXPECT_EQ(one.style.outline, Style::Outline::font);
  EXPECT_EQ(one.style.outline_font, 0);
  EXPECT_EQ(one.style.character_spacing, 1);
  EXPECT_EQ(one.style.height_by, Style::Height::nominal);
  std::filesystem::remove_all(folder);
}

TEST(GameProject, OlderProjectsTakeTheirDefaultsAndBadFoldersAreNamed) {
  const std::string folder = temporary_folder();
  std::ofstream(folder + "/Game.agf") << R"(<AGSEditorDocument VersionIndex="3050000"><Game><Fonts>
      <Font><ID>0</ID><OutlineStyle>Automatic</OutlineStyle><SizeMultiplier>3</SizeMultiplier>
        <HeightDefinedBy>PixelHeight</HeightDefinedBy></Font></Fonts></Game></AGSEditorDocument>)";
  GameProject game;
  std::string error;
  ASSERT_TRUE(read_game_project(folder, game, error)) << error;
  ASSERT_EQ(game.fonts.size(), 1u);
  EXPECT_EQ(game.fonts[0].style.height_by, rollwick_host::FontStyle::Height::nominal);
  EXPECT_TRUE(game.fonts[0].style.ascender_fixup);
  EXPECT_EQ(game.fonts[0].style.outline_thickness, 3) << "a bitmap font's outline as thick as its scale";
  EXPECT_EQ(game.depth, 32);

  EXPECT_FALSE(read_game_project(folder + "/nothing", game, error));
  EXPECT_EQ(error, folder + "/nothing: no such file or folder");
  unlink((folder + "/Game.agf").c_str());
  EXPECT_FALSE(read_game_project(folder, game, error));
  EXPECT_NE(error.find("has no Game.agf"), std::string::npos) << error;
  std::ofstream(folder + "/Game.agf") << "<AGSEditorDocument><Game>";
  EXPECT_FALSE(read_game_project(folder, game, error));
  EXPECT_NE(error.find("not a readable project file"), std::string::npos) << error;
  std::filesystem::remove_all(folder);
}

// Files made to break a reader: each is refused or read within bounds, at once.
TEST(HostileFiles, SpriteFilesCannotAskForMoreThanTheyHold) {
  const std::string folder = temporary_folder();
  const std::string path = folder + "/acsprset.spr";
  std::string error;
  SpriteReader reader;
  // A header declaring four hundred million slots, or the most an int holds.
  for (const uint32_t topmost : {400000000u, 2147483647u}) {
    Bytes file;
    file.u16(12).text(" Sprite File ").u8(3).u32(0x1234).u32(topmost).u32(1);
    write_file(path, file.data);
    EXPECT_FALSE(reader.open(path, "", error));
    EXPECT_NE(error.find("more than any game"), std::string::npos) << error;
  }
  // An index whose count the sprite file agrees with but whose bytes do not hold it is not used.
  Bytes index;
  index.text("SPRINDEX").u32(2).u32(0x1234).u32(1).u32(2);
  write_file(folder + "/sprindex.dat", index.data);
  write_file(path, sprite_file({entry(1, 0, 0, 1, 1, {}, 1, {7})}));
  ASSERT_TRUE(reader.open(path, folder + "/sprindex.dat", error)) << error;
  EXPECT_EQ(reader.slots().size(), 1u);
  // 8192 x 8192 from 10 bytes of deflate, and 4096 x 4096 from 10 bytes: refused before anything is allocated.
  write_file(path, sprite_file({entry(4, 0, 3, 8192, 8192, {}, 1, std::vector<uint8_t>(10, 0x78)),
                                entry(4, 0, 3, 4096, 4096, {}, 1, std::vector<uint8_t>(10, 0x78))}));
  ASSERT_TRUE(reader.open(path, "", error)) << error;
  StoredSprite sprite;
  EXPECT_FALSE(reader.decode(1, sprite, error));
  EXPECT_EQ(error, "is 8192x8192, larger than the previewer draws (4096 x 4096 pixels at most)");
  EXPECT_FALSE(reader.decode(2, sprite, error));
  EXPECT_EQ(error, "has 10 bytes of deflated data, too few for its 4096x4096 pixels");
  std::filesystem::remove_all(folder);
}

TEST(HostileFiles, HugeFilesAreRefusedBeforeTheyAreRead) {
  const std::string folder = temporary_folder();
  const std::string sparse = folder + "/agsfnt0.wfn";
  { std::ofstream(sparse) << "WGT Font File  "; }
  ASSERT_EQ(truncate(sparse.c_str(), off_t(2) << 30), 0);  // 2 GiB, nothing stored
  std::string error;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(rollwick_host::load_wfn_font(sparse, error), nullptr);
  EXPECT_NE(error.find("larger than any WFN font"), std::string::npos) << error;
  std::vector<uint8_t> bytes;
  EXPECT_FALSE(read_file_limited(sparse, 16 << 20, bytes, error));
  EXPECT_TRUE(bytes.empty());
  ASSERT_EQ(rename(sparse.c_str(), (folder + "/Game.agf").c_str()), 0);
  GameProject game;
  EXPECT_FALSE(read_game_project(folder, game, error));
  EXPECT_NE(error.find("larger than any game's project file"), std::string::npos) << error;
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  // A PNG that declares 32767 x 32767.
  Bytes png;
  png.raw({0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13}).text("IHDR");
  png.raw({0, 0, 0x7F, 0xFF, 0, 0, 0x7F, 0xFF, 8, 6, 0, 0, 0});
  const uint32_t crc = static_cast<uint32_t>(crc32(crc32(0, nullptr, 0), png.data.data() + 12, 17));
  png.raw({static_cast<uint8_t>(crc >> 24), static_cast<uint8_t>(crc >> 16), static_cast<uint8_t>(crc >> 8),
           static_cast<uint8_t>(crc)});
  png.raw({0, 0, 0, 0}).text("IDAT").raw({0x35, 0xAF, 0x06, 0x1E});  // an empty IDAT, then the end
  png.raw({0, 0, 0, 0}).text("IEND").raw({0xAE, 0x42, 0x60, 0x82});
  write_file(folder + "/big.png", png.data);
  rollwick_host::Sprite picture;
  EXPECT_FALSE(rollwick_host::read_png_sprite(folder + "/big.png", picture, error));
  EXPECT_NE(error.find("is 32767x32767, larger than the previewer reads"), std::string::npos) << error;
  std::filesystem::remove_all(folder);
}

TEST(HostileFiles, AFontWhoseGlyphIsManyTimesItsSizeDrawsAtOnce) {
  // Found by fuzzing: a 1,269-byte TrueType font at 36 pixels whose glyphs'
  // outlines span thousands of pixels took over 10 s and a gigabyte to draw.
  std::ifstream input(std::string(SOURCE_DIR) + "/fuzz/corpus/truetype/glyph-many-times-its-size", std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(input)), std::istreambuf_iterator<char>());
  ASSERT_GT(bytes.size(), 2u);
  const std::string folder = temporary_folder();
  std::ofstream(folder + "/agsfnt0.ttf", std::ios::binary) << bytes.substr(2);
  rollwick_host::FontStyle style;
  style.utf8 = true;
  style.ascender_fixup = true;
  std::string error;
  const auto start = std::chrono::steady_clock::now();
  const auto font = rollwick_host::load_freetype_font(folder + "/agsfnt0.ttf", 36, true, error, style);
  ASSERT_NE(font, nullptr) << error;
  rollwick_host::Canvas canvas(64, 32);
  for (const char *text : {"Hello", "Zo\xC3\xAB \xE6\xBC\xA2"}) {
    font->measure(text);
    font->draw(canvas, -5, 3, text, 0x80FF40);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  std::filesystem::remove_all(folder);
}

TEST(HostileFiles, GameSettingsAreBroughtIntoRangeAndDeepNestingIsNotWalked) {
  const std::string folder = temporary_folder();
  std::string nested;
  for (int i = 0; i < 100000; ++i) nested += "<SpriteFolder>";
  for (int i = 0; i < 100000; ++i) nested += "</SpriteFolder>";
  std::ofstream(folder + "/Game.agf")
      << "<AGSEditorDocument VersionIndex=\"3060312\"><Game><Fonts><Font><ID>0</ID><PointSize>100000</PointSize>"
         "<SizeMultiplier>100000</SizeMultiplier><AutoOutlineThickness>100000</AutoOutlineThickness>"
         "<CharacterSpacing>2147483647</CharacterSpacing></Font></Fonts><Sprites>"
      << nested << "</Sprites></Game></AGSEditorDocument>";
  GameProject game;
  std::string error;
  ASSERT_TRUE(read_game_project(folder, game, error)) << error;
  ASSERT_EQ(game.fonts.size(), 1u);
  EXPECT_EQ(game.fonts[0].point_size, 200);
  EXPECT_EQ(game.fonts[0].style.size_multiplier, 10);
  EXPECT_EQ(game.fonts[0].style.outline_thickness, 10);
  EXPECT_EQ(game.fonts[0].style.character_spacing, 50);
  ASSERT_EQ(game.warnings.size(), 4u);
  EXPECT_EQ(game.warnings[1], "Game.agf: font 0: SizeMultiplier 100000 is outside 1 to 10; taken as 10");
  // A screen too large to draw is refused by the reader both front ends share; one that is no size is named.
  std::ofstream(folder + "/Game.agf") << "<AGSEditorDocument><Game><Settings><CustomResolution>8192,8192"
                                         "</CustomResolution></Settings></Game></AGSEditorDocument>";
  EXPECT_FALSE(read_game_project(folder, game, error));
  EXPECT_NE(error.find("the game's screen is 8192x8192, larger than the previewer draws (4096 x 4096 at most)"),
            std::string::npos) << error;
  std::ofstream(folder + "/Game.agf") << "<AGSEditorDocument><Game><Settings><CustomResolution>wide"
                                         "</CustomResolution></Settings></Game></AGSEditorDocument>";
  game = GameProject{};
  ASSERT_TRUE(read_game_project(folder, game, error)) << error;
  EXPECT_EQ(game.width, 320);
  ASSERT_EQ(game.warnings.size(), 1u);
  EXPECT_EQ(game.warnings[0], "Game.agf: CustomResolution 'wide' is not a size; taken as 320x200");
  std::filesystem::remove_all(folder);
}

TEST(HostileFiles, SoundsAtRatesNoFileUsesAreRefused) {
  const std::string folder = temporary_folder();
  for (const uint32_t rate : {1u, 1124073472u}) {
    Bytes wav;
    wav.text("RIFF").u32(36 + 8).text("WAVEfmt ").u32(16).u16(1).u16(1).u32(rate).u32(rate * 2).u16(2).u16(16);
    wav.text("data").u32(8).raw(std::vector<uint8_t>(8, 0));
    write_file(folder + "/odd.wav", wav.data);
    AudioClip clip;
    std::string error;
    EXPECT_FALSE(decode_audio_file(folder + "/odd.wav", clip, error, 2.0));
    EXPECT_NE(error.find("outside what sound files use"), std::string::npos) << error;
  }
  std::filesystem::remove_all(folder);
  // Found by fuzzing: a stream whose channels change midway once crashed the
  // resampler; it decodes what is readable, to the length asked for at most.
  AudioClip clip;
  std::string error;
  decode_audio_file(std::string(SOURCE_DIR) + "/fuzz/corpus/sound/layout-changes-midway", clip, error, 2.0);
  EXPECT_LE(clip.frames(), 2 * AUDIO_RATE + 1);
}
