// Scripts played through the built plug-in: frame counts, what the frames
// show, the GIF, and the warnings found before rendering.
#include <gif_lib.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "emit_ags.h"
#include "lint.h"
#include "outputs.h"
#include "plugin_session.h"
#include "runner.h"
#include "wfn_builder.h"

using namespace rollwick_preview;
using rollwick_host::Canvas;

namespace {

class KeepFrames : public FrameSink {
 public:
  void frame(int64_t index, const Canvas &canvas) override {
    EXPECT_EQ(index, static_cast<int64_t>(frames.size()));
    frames.push_back(canvas);
  }
  std::vector<Canvas> frames;
};

bool blank(const Canvas &canvas) {
  for (uint32_t pixel : canvas.pixels) {
    if (pixel != 0) return false;
  }
  return true;
}

class Preview : public ::testing::Test {
 protected:
  void start(int width, int height) {
    engine = std::make_unique<PreviewEngine>(width, height, 32);
    std::string error;
    ASSERT_TRUE(session.load(PLUGIN_PATH, *engine, error)) << error;
    const std::string font = write_test_font();
    engine->set_font(0, rollwick_host::load_wfn_font(font, error));
    unlink(font.c_str());
    // The library stays loaded between tests: end whatever an earlier test
    // left playing (a single credit of time -1 takes over and ends at once)
    // and clear the finished flags.
    run("ShowStaticCredit(1, 1, -1, 0, 0, 0);\nIsStaticSequenceFinished(1);\nIsStaticSequenceFinished(2);\n"
        "IsSequenceFinished(1);\nIsSequenceFinished(2);\n",
        {});
  }
  Script parse(const std::string &source) { return parse_credits_script("test.credits", source, session.functions()); }
  RunResult run(const std::string &source, std::vector<FrameSink *> sinks) {
    return run_script(parse(source), session, *engine, sinks, RunOptions{});
  }
  // What the script's run warns of, in order.
  std::vector<std::string> warnings(const std::string &source) {
    std::vector<std::string> texts;
    Linter linter(session.functions(), *engine);
    RunOptions options;
    options.on_call = [&](const Call &call, int32_t result) {
      const size_t before = linter.warnings.size();
      linter.on_call(call, result);
      for (size_t i = before; i < linter.warnings.size(); ++i) {
        // The test font has three letters: what it lacks is not what these tests are about.
        if (linter.warnings[i].message.find(" has no letter U+") != std::string::npos) continue;
        texts.push_back(std::to_string(linter.warnings[i].line) + ": " + linter.warnings[i].message);
      }
    };
    options.on_warning = [&](int line, const std::string &message) {
      texts.push_back(std::to_string(line) + ": " + message);
    };
    run_script(parse(source), session, *engine, {}, options);
    return texts;
  }

  PluginSession session;
  std::unique_ptr<PreviewEngine> engine;
};

const char short_roll[] =
    "SetCredit(1, 1, \"AIZ\", 0, 0, 15);\n"
    "SequenceSettings(1, 10, 5, 0, 0, 0);\n"
    "RunCreditSequence(1);\n"
    "while (IsSequenceFinished(1) == 0) Wait(1);\n"
    "Wait(2);\n";

}  // namespace

TEST_F(Preview, FramesFollowThePluginsFrames) {
  start(320, 200);
  KeepFrames kept;
  const RunResult result = run(short_roll, {&kept});
  // The start call moves the roll to 9; frames 0 to 4 draw it at 9 to 5,
  // frame 5 finds it past the end and finishes; Wait(2) adds two.
  EXPECT_EQ(result.frames, 8);
  EXPECT_FALSE(result.capped);
  ASSERT_EQ(kept.frames.size(), 8u);
  EXPECT_EQ(kept.frames[0].at(1, 9), 0xFFFFFFu) << "the A's top ink, at x 1, y 9";
  EXPECT_EQ(kept.frames[4].at(1, 5), 0xFFFFFFu);
  EXPECT_FALSE(blank(kept.frames[4]));
  EXPECT_TRUE(blank(kept.frames[5])) << "the frame after a finished roll is empty";
  EXPECT_TRUE(blank(kept.frames[7]));
}

TEST_F(Preview, WideScreensDoubleScriptPositions) {
  start(640, 400);
  KeepFrames kept;
  run("SetCredit(1, 1, \"I\", 10, 0, 15);\nSequenceSettings(1, 50, 0, -1, 0, 0);\nRunCreditSequence(1);\nWait(1);\n",
      {&kept});
  ASSERT_EQ(kept.frames.size(), 1u);
  for (int x = 0; x < 640; ++x) {
    EXPECT_EQ(kept.frames[0].at(x, 50) != 0, x == 20) << "x " << x;
  }
}

// The pictures of a GIF as a viewer composes them, with their delays.
struct DecodedGif {
  std::vector<Canvas> pictures;
  std::vector<int> delays;
};

DecodedGif decode_gif(const std::string &path) {
  DecodedGif decoded;
  int code = 0;
  GifFileType *file = DGifOpenFileName(path.c_str(), &code);
  if (file == nullptr || DGifSlurp(file) != GIF_OK) return decoded;
  Canvas screen(file->SWidth, file->SHeight);
  for (int i = 0; i < file->ImageCount; ++i) {
    GraphicsControlBlock control;
    DGifSavedExtensionToGCB(file, i, &control);
    const SavedImage &image = file->SavedImages[i];
    const ColorMapObject *palette = image.ImageDesc.ColorMap != nullptr ? image.ImageDesc.ColorMap : file->SColorMap;
    for (int y = 0; y < image.ImageDesc.Height; ++y) {
      for (int x = 0; x < image.ImageDesc.Width; ++x) {
        const int index = image.RasterBits[y * image.ImageDesc.Width + x];
        if (index == control.TransparentColor) continue;
        const GifColorType colour = palette->Colors[index];
        screen.put(image.ImageDesc.Left + x, image.ImageDesc.Top + y,
                   static_cast<uint32_t>(colour.Red) << 16 | colour.Green << 8 | colour.Blue);
      }
    }
    decoded.pictures.push_back(screen);
    decoded.delays.push_back(control.DelayTime);
  }
  DGifCloseFile(file, &code);
  return decoded;
}

TEST_F(Preview, GifShowsEveryPictureForItsGameTime) {
  start(320, 200);
  const std::string path = testing::TempDir() + "/roll.gif";
  auto gif = make_gif_output(path, 320, 200, {{0, 40}});
  KeepFrames kept;
  const RunResult result = run(short_roll, {gif.get(), &kept});
  std::string error;
  ASSERT_TRUE(gif->finish(result.frames, error)) << error;
  const DecodedGif decoded = decode_gif(path);
  unlink(path.c_str());
  // Frames 0 to 4 move; 5 to 7 are the same empty screen: one picture.
  EXPECT_EQ(decoded.delays, (std::vector<int>{3, 2, 3, 2, 3, 7}));
  ASSERT_EQ(decoded.pictures.size(), 6u);
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(decoded.pictures[i].pixels, kept.frames[i].pixels) << "picture " << i;
}

TEST_F(Preview, GifAboveFiftyFramesASecondMergesFramesButKeepsTheTime) {
  start(320, 200);
  const std::string path = testing::TempDir() + "/fast.gif";
  auto gif = make_gif_output(path, 320, 200, {{0, 60}});
  const RunResult result =
      run("SetCredit(1, 1, \"AIZ\", 0, 0, 15);\nSequenceSettings(1, 100, 0, 0, 0, 0);\nRunCreditSequence(1);\n"
          "Wait(60);\nRunCreditSequence(1);\n",
          {gif.get()});
  std::string error;
  ASSERT_TRUE(gif->finish(result.frames, error)) << error;
  EXPECT_NE(gif->summary().find("left out"), std::string::npos) << gif->summary();
  const DecodedGif decoded = decode_gif(path);
  unlink(path.c_str());
  int total = 0;
  for (int delay : decoded.delays) {
    EXPECT_GE(delay, 2);
    total += delay;
  }
  EXPECT_EQ(total, 100) << "60 frames at 60 a second are one second";
  EXPECT_LT(decoded.pictures.size(), 60u);
}

TEST(GifTime, RoundsTheGameTimeToHundredths) {
  EXPECT_EQ(gif_time(60, 60), 100);
  EXPECT_EQ(gif_time(1, 40), 3);
  EXPECT_EQ(gif_time(32767, 40), 81918);
}

TEST_F(Preview, NeverEndingScriptStopsAtTheCap) {
  start(320, 200);
  RunOptions options;
  options.max_frames = 50;
  const RunResult result = run_script(parse("SequenceSettings(2, 10, 0, -1, 0, 0);\nRunCreditSequence(2);\n"
                                            "while (IsSequenceFinished(2) == 0) Wait(1);\n"),
                                      session, *engine, {}, options);
  EXPECT_TRUE(result.capped);
  EXPECT_EQ(result.frames, 50);
}

TEST_F(Preview, SoundsAndConsoleLinesAreKeptWithTheirFrames) {
  start(320, 200);
  run("SetStaticCredit(2, 1, \"AZ\", 0, 0, 0, 15);\nShowStaticCredit(2, 1, 5, 1, 1, 3);\n"
      "while (IsStaticSequenceFinished(2) == 0) Wait(1);\n"
      "SequenceSettings(1, 0, 0, 0, 1, 0);\nRunCreditSequence(1);\n",
      {});
  // The first letter sounds in the call, before frame 0 is shown; the second
  // two ticks later, while frame 1 is drawn.
  EXPECT_EQ(engine->sound_log, (std::vector<std::pair<int64_t, int>>{{0, 3}, {1, 3}}));
  ASSERT_EQ(engine->console_log.size(), 1u);
  EXPECT_EQ(engine->console_log[0].first, 6);
}

TEST_F(Preview, LintWarnsBeforeRendering) {
  start(320, 200);
  const std::vector<std::string> found = warnings(
      "SetCredit(1, 1, \"a < b\", 0, 0, 15);\n"
      "SetCredit(1, 2, \"one [[ two\", 0, 0, 15);\n"
      "SetStaticCredit(1, 1, \"Art<>Cy\", 0, 0, 0, 15);\n"
      "SetCredit(1, 3, \"" + std::string(120, 'A') + "\", 0, 0, 15);\n"
      "SetCreditImage(1, 4, 0, 9, -1);\n"
      "SetCredit(1, 101, \"x\", 0, 0, 15);\n"
      "RunStaticCreditSequence(3, 1);\n"
      "RunCreditSequence(1);\n"
      "RunCreditSequence(1);\n"
      "SetStaticCredit(1, 2, \"" + std::string(195, 'B') + "[[Cy Ode\", 0, 0, 3, 15);\n");
  const std::vector<std::string> expected = {
      "1: SetCredit: \"a < b\" has '<' but none of the markers <>, <.>, <#>: it will draw nothing",
      "2: SetCredit: \"[[\" breaks lines only in static credits; this scrolling line shows it literally",
      "3: SetStaticCredit: markup works only in scrolling lines; this static text shows \"Art<>Cy\" literally",
      "4: SetCredit: \"" + std::string(60, 'A') + "... (120 bytes in all)\" is 360 pixels wide in font 0, wider than "
      "the 320-pixel screen",
      "5: SetCreditImage: sprite slot 9 has no file; it shows as a 1x1 transparent sprite",
      "6: SetCredit: line 101 is outside 1 to 100; the call does nothing",
      "7: RunStaticCreditSequence: sequence 3 is not 1 or 2; the call does nothing",
      "8: RunCreditSequence: sequence 1 has no SequenceSettings, so it starts at y 0 and ends after a frame; call "
      "SequenceSettings first (automatic 1 rolls it up from the bottom of the screen)",
      "9: RunCreditSequence while credits still play stops them instead of starting sequence 1 (wait for the "
      "finish first)",
      "10: SetStaticCredit: text of 203 characters; a game's old-style string holds 199: it will show '...Cy'",
      "10: SetStaticCredit: the game has no font 3; the previewer draws it in its own default font"};
  EXPECT_EQ(found, expected);
}

TEST_F(Preview, LintSaysWhereTheGameWillSurpriseItsAuthor) {
  start(320, 200);
  const std::vector<std::string> found = warnings(
      "SetStaticCredit(1, 1, \"Ada[[Bea\", 0, 0, 0, 15);\n"
      "SetStaticCreditTitle(1, 2, \"Cast\", 0, 0, 0, 15);\n"
      "SetStaticCredit(1, 2, \"Cy\", 0, 0, 0, 0);\n"
      "ShowStaticCredit(1, 1, 2, 1, 0, -1);\n"
      "while (IsStaticSequenceFinished(1) == 0) Wait(1);\n"
      "ShowStaticCredit(1, 2, 2, 3, 0, -1);\n"
      "while (IsStaticSequenceFinished(1) == 0) Wait(1);\n"
      "SetCredit(1, 3, \"AAAAAAAAAA<>ZZZZZZZZZZ\", 140, 0, 15);\n"
      "SequenceSettings(1, 10, 0, -1, 0, 0);\n"
      "if (IsSequenceFinished(2) == 0) Wait(0);\n"
      "SetCreditImage(1, 4, 0, -5, -1);\n");
  const std::vector<std::string> expected = {
      "3: SetStaticCredit: colour 0 is black in a 32-bit game: nothing shows on a black screen",
      "4: ShowStaticCredit: the typewriter draws the credit's text only, on one line: its title is not drawn and "
      "\"[[\" shows as it is",
      "6: ShowStaticCredit: style 3 is neither 0 (plain) nor 1 (typewriter): nothing is drawn for the credit's time",
      "8: SetCredit: at x 140 the columns of \"AAAAAAAAAA<>ZZZZZZZZZZ\" run into each other (10 pixels)",
      "9: SequenceSettings: a negative speed never moves the roll, so it never finishes by itself",
      "10: Wait(0) returns at once; no frame passes",
      "11: SetCreditImage: sprite slot -5 does not exist (slots are 0 or more); it shows as a 1x1 transparent "
      "sprite"};
  EXPECT_EQ(found, expected);
}

// Each frame as a hash, so that long runs can be compared without keeping them.
class FrameHashes : public FrameSink {
 public:
  void frame(int64_t, const Canvas &canvas) override {
    uint64_t hash = 1469598103934665603ULL;
    for (uint32_t pixel : canvas.pixels) hash = (hash ^ pixel) * 1099511628211ULL;
    hashes.push_back(hash);
  }
  std::vector<uint64_t> hashes;
};

TEST_F(Preview, EmittedCodeOfEveryExamplePlaysTheSameFrames) {
  start(320, 200);
  std::vector<std::string> examples = {std::string(SOURCE_DIR) + "/examples/demo.credits"};
  for (const char *name : {"A1-demo-320x200x32-wfn", "A5-static-over-199-chars"}) {
    examples.push_back(std::string(SOURCE_DIR) + "/tests/engine-reference/" + name + "/credits.credits");
  }
  for (const std::string &example : examples) {
    std::ifstream file(example);
    std::ostringstream source;
    source << file.rdbuf();
    FrameHashes original;
    run(source.str(), {&original});
    FrameHashes emitted;
    run_script(parse_credits_script("emitted.ags", emit_ags(parse(source.str())), session.functions()), session,
               *engine, {&emitted}, RunOptions{});
    EXPECT_GT(original.hashes.size(), 10u) << example;
    EXPECT_EQ(emitted.hashes, original.hashes) << example;
  }
}

TEST_F(Preview, CreditsOverTheRoomTheyPlayOn) {
  start(320, 200);
  const Canvas room(320, 200, 0x123456);
  RunOptions options;
  options.background = &room;
  KeepFrames kept;
  run_script(parse(short_roll), session, *engine, {&kept}, options);
  ASSERT_FALSE(kept.frames.empty());
  EXPECT_EQ(kept.frames[0].at(300, 150), 0x123456u);
  EXPECT_EQ(kept.frames[0].at(1, 9), 0xFFFFFFu) << "the credit drawn over it";
}

TEST_F(Preview, TextsReachThePluginThroughAnOldStyleString) {
  start(320, 200);
  engine->recording = true;
  run("SetCredit(1, 1, \"" + std::string(250, 'Q') + "\", 0, 0, 15);\nSequenceSettings(1, 10, 5, 0, 0, 0);\n"
      "RunCreditSequence(1);\nWait(1);\nRunCreditSequence(1);\n",
      {});
  bool found = false;
  for (const auto &drawn : engine->calls_of("DrawText")) found = found || drawn.text == std::string(199, 'Q');
  EXPECT_TRUE(found) << "StrCopy keeps 199 bytes";
}

TEST_F(Preview, LintIsQuietForAGoodScript) {
  start(320, 200);
  EXPECT_TRUE(warnings(std::string(short_roll) + "RunCreditSequence(1);\n").empty());
}
