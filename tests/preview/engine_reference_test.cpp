// The previewer against frames the real engine drew: each case is a small
// game's project folder and credits script, rendered with nothing but what
// the folder gives, and every frame the engine's capture kept is compared
// pixel for pixel. On a mismatch the previewer's frame, the engine's and a
// difference picture are saved, and the first differing pixel is named.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

#include "play_flow.h"
#include "png_files.h"

using namespace rollwick_preview;
using rollwick_host::Canvas;

namespace {

struct Case {
  const char *folder;
  // TrueType glyphs (font 0 in these cases) come from another FreeType than
  // the engine's: only there may pixels differ, and only inside the boxes of
  // the texts drawn in it.
  bool glyphs_may_differ;
  // The share of text pixels that differ there, in per cent, as measured: a
  // change that makes it grow fails.
  double text_difference_limit = 0;
};

const Case cases[] = {
    {"A1-demo-320x200x32-wfn", false},
    {"A2-ttf-dejavusans12-320x200x32", true, 10.7},
    {"A3-outline-font0-320x200x32", false},
    {"A4-16bit-320x200x16-wfn", false},
    {"A5-static-over-199-chars", false},
    {"A6-aa-ttf-dejavusans11-320x200x32", true, 82.1},
    {"A7-8bit-palette-320x200-wfn", false},
    {"A8-alpha-sprites-320x240x16", false},
    {"A9-utf8-accents-320x200x32", true, 43.4},
    {"A10-global-script-60fps", false},
    {"A11-room-background-320x200x32", false},
    {"A12-room-larger-480x300-in-320x200x16", false},
    {"A13-room-8bit-own-palette-320x200", false},
};

std::string case_folder(const Case &c) { return std::string(ENGINE_REFERENCE_DIR) + "/" + c.folder; }

std::string read_text(const std::string &path) {
  std::ifstream file(path);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// "engine frames: N" from case.txt.
int64_t engine_frame_count(const std::string &folder) {
  const std::string text = read_text(folder + "/case.txt");
  const size_t at = text.find("engine frames: ");
  return at == std::string::npos ? -1 : std::stoll(text.substr(at + 15));
}

std::map<int64_t, std::string> stored_frames(const std::string &folder) {
  std::map<int64_t, std::string> frames;
  DIR *listing = opendir((folder + "/engine").c_str());
  if (listing == nullptr) return frames;
  while (const dirent *entry = readdir(listing)) {
    long long number = 0;
    if (std::sscanf(entry->d_name, "frame-%lld.png", &number) == 1) {
      frames[number] = folder + "/engine/" + entry->d_name;
    }
  }
  closedir(listing);
  return frames;
}

struct Box {
  int64_t left, top, right, bottom;  // right and bottom excluded
  bool truetype = false;             // drawn in the case's TrueType font
  bool contains(int64_t x, int64_t y) const { return x >= left && x < right && y >= top && y < bottom; }
};

// The vertical shift (-2 to 2) of our ink in a box that overlaps the
// engine's ink most; 0 when the text stands where the engine's stands, even
// when single glyphs differ in shape.
int best_vertical_shift(const Canvas &ours, const Canvas &theirs, const Box &box) {
  int best = 0;
  int64_t best_overlap = -1;
  for (const int shift : {0, -1, 1, -2, 2}) {
    int64_t overlap = 0;
    for (int64_t y = std::max<int64_t>(box.top, 2); y < std::min<int64_t>(box.bottom, theirs.height - 2); ++y) {
      for (int64_t x = std::max<int64_t>(box.left, 0); x < std::min<int64_t>(box.right, theirs.width); ++x) {
        if (theirs.at(static_cast<int>(x), static_cast<int>(y)) != 0 &&
            ours.at(static_cast<int>(x), static_cast<int>(y + shift)) != 0) {
          overlap += 1;
        }
      }
    }
    if (overlap > best_overlap) {
      best_overlap = overlap;
      best = shift;
    }
  }
  return best;
}

Canvas canvas_of(const rollwick_host::Sprite &picture) {
  Canvas canvas(picture.width, picture.height);
  for (size_t i = 0; i < picture.argb.size(); ++i) canvas.pixels[i] = picture.argb[i] & 0xFFFFFF;
  return canvas;
}

// Compares each frame as it is rendered with the engine's, where one was kept.
// From the leftmost to the rightmost inked column inside the box.
int64_t ink_width(const Canvas &canvas, const Box &box) {
  int64_t left = box.right;
  int64_t right = box.left - 1;
  for (int64_t y = box.top; y < box.bottom; ++y) {
    for (int64_t x = std::max<int64_t>(box.left, 0); x < std::min<int64_t>(box.right, canvas.width); ++x) {
      if (canvas.at(static_cast<int>(x), static_cast<int>(y)) == 0) continue;
      left = std::min(left, x);
      right = std::max(right, x);
    }
  }
  return right - left;
}

class EngineFrames : public FrameSink {
 public:
  EngineFrames(const Case &c, PreviewEngine &engine)
      : case_(c), engine_(engine), stored_(stored_frames(case_folder(c))) {}

  void frame(int64_t index, const Canvas &canvas) override {
    std::vector<Box> text_boxes;
    for (const rollwick_host::HostCall &call : engine_.calls_of("DrawText")) {
      const rollwick_host::TextSize size = engine_.measure(static_cast<int32>(call.args[2]), call.text.c_str());
      // Where glyphs may differ, so may their advances: a line may end a few
      // pixels off the engine's.
      const bool truetype = case_.glyphs_may_differ && call.args[2] == 0;
      const int64_t slack = truetype ? 2 + size.width / 10 : 1;
      text_boxes.push_back({call.args[0] - slack, call.args[1] - 3, call.args[0] + size.width + slack,
                            call.args[1] + size.height + 4, truetype});
    }
    engine_.clear_calls();
    const auto stored = stored_.find(index);
    if (stored == stored_.end()) return;
    compared += 1;
    rollwick_host::Sprite picture;
    std::string error;
    if (!rollwick_host::read_png_sprite(stored->second, picture, error)) {
      ADD_FAILURE() << error;
      return;
    }
    const Canvas expected = canvas_of(picture);
    if (expected.width != canvas.width || expected.height != canvas.height) {
      ADD_FAILURE() << case_.folder << " frame " << index << ": the engine's frame is " << expected.width << "x"
                    << expected.height << ", the previewer's " << canvas.width << "x" << canvas.height;
      return;
    }
    int64_t differing = 0;
    int64_t outside_text = 0;
    int first_x = -1;
    int first_y = -1;
    for (int y = 0; y < canvas.height; ++y) {
      for (int x = 0; x < canvas.width; ++x) {
        bool in_text = false;
        bool in_truetype = false;
        for (const Box &box : text_boxes) {
          in_text = in_text || box.contains(x, y);
          in_truetype = in_truetype || (box.truetype && box.contains(x, y));
        }
        if (in_text && (canvas.at(x, y) != 0 || expected.at(x, y) != 0)) text_ink_pixels += 1;
        if (canvas.at(x, y) == expected.at(x, y)) continue;
        differing += 1;
        if (in_text) differing_text_pixels += 1;
        if (in_truetype) continue;
        outside_text += 1;
        if (first_x < 0) {
          first_x = x;
          first_y = y;
        }
      }
    }
    // Whatever the glyphs' shapes, each text must stand at the engine's y.
    for (const Box &box : text_boxes) {
      if (box.top < 0 || box.bottom > canvas.height) continue;  // too little of it to place
      if (box.truetype) {
        // Glyph advances differ where a whole text's ink spans another width.
        truetype_texts += 1;
        if (ink_width(canvas, box) != ink_width(expected, box)) truetype_texts_wider_or_narrower += 1;
      }
      const int shift = best_vertical_shift(canvas, expected, box);
      if (shift != 0) {
        ADD_FAILURE() << case_.folder << " frame " << index << ": the text drawn at (" << box.left + 1 << ", "
                      << box.top + 3 << ") lies " << shift << " rows off the engine's";
      }
    }
    differing_pixels += differing;
    compared_pixels += static_cast<int64_t>(canvas.width) * canvas.height;
    if (differing == 0) identical += 1;
    if (outside_text == 0) return;
    std::ostringstream where;
    where << case_.folder << " frame " << index << ": " << outside_text << " pixels differ"
          << (case_.glyphs_may_differ ? " outside the texts' boxes" : "") << "; the first at (" << first_x << ", "
          << first_y << "): previewer #" << std::hex << canvas.at(first_x, first_y) << ", engine #"
          << expected.at(first_x, first_y) << std::dec;
    if (saved_ < 3) where << " (saved in " << save(index, canvas, expected) << ")";
    ADD_FAILURE() << where.str();
  }

  int64_t compared = 0;
  int64_t identical = 0;
  int64_t differing_pixels = 0;
  int64_t compared_pixels = 0;
  int64_t truetype_texts = 0;                    // TrueType texts drawn whole on the screen
  int64_t truetype_texts_wider_or_narrower = 0;  // of those, the ones whose ink spans another width
  int64_t text_ink_pixels = 0;        // inked in either frame, inside a text's box
  int64_t differing_text_pixels = 0;  // of those, the ones that differ

 private:
  std::string save(int64_t index, const Canvas &actual, const Canvas &expected) {
    saved_ += 1;
    const std::string folder = std::string("engine-reference-mismatches/") + case_.folder;
    mkdir("engine-reference-mismatches", 0755);
    mkdir(folder.c_str(), 0755);
    Canvas difference(actual.width, actual.height);
    for (size_t i = 0; i < actual.pixels.size(); ++i) {
      const uint32_t dim = (expected.pixels[i] >> 2) & 0x3F3F3F;
      difference.pixels[i] = actual.pixels[i] == expected.pixels[i] ? dim : 0xFF0000;
    }
    char name[64];
    std::snprintf(name, sizeof name, "/frame-%05lld", static_cast<long long>(index));
    std::string error;
    rollwick_host::write_png(folder + name + "-previewer.png", actual, error);
    rollwick_host::write_png(folder + name + "-engine.png", expected, error);
    rollwick_host::write_png(folder + name + "-difference.png", difference, error);
    return folder + name + "-*.png";
  }

  const Case &case_;
  PreviewEngine &engine_;
  std::map<int64_t, std::string> stored_;
  int saved_ = 0;
};

class EngineReference : public ::testing::TestWithParam<Case> {};

}  // namespace

TEST_P(EngineReference, EveryStoredFrameAsTheEngineDrewIt) {
  const Case &c = GetParam();
  const std::string folder = case_folder(c);
  // The play as the command line runs it with --game alone.
  PlayRequest request;
  request.game_folder = folder + "/game";
  request.script_path = folder + "/credits.credits";
  request.start_plugin = [](PluginSession &session, PreviewEngine &engine, std::string &error) {
    return session.load_fresh(PLUGIN_PATH, engine, error);
  };
  request.furnish = [](Stage &stage, const PlaySettings &, bool) { stage.engine->recording = true; };
  PlayFlow flow(request);
  const auto messages = [&flow]() {
    std::string text;
    for (const PlayMessage &message : flow.messages()) text += message.file + ": " + message.text + "\n";
    return text;
  };
  ASSERT_TRUE(flow.open()) << messages();
  // The folder gives every font and sprite (the first ten cases keep no
  // room file: their room is black).
  for (const PlayMessage &message : flow.messages()) {
    if (message.text.rfind("the game's room", 0) == 0) continue;
    EXPECT_EQ(message.text.find("the game's"), std::string::npos) << message.text;
  }

  PreviewEngine &engine = *flow.stage().engine;
  EngineFrames compare(c, engine);
  ASSERT_TRUE(flow.play({&compare})) << messages();
  const RunResult &result = flow.result();
  EXPECT_EQ(result.frames, engine_frame_count(folder)) << "the previewer plays longer or shorter than the game";
  EXPECT_EQ(compare.compared, static_cast<int64_t>(stored_frames(folder).size()));
  const double text_difference =
      compare.text_ink_pixels ? 100.0 * compare.differing_text_pixels / compare.text_ink_pixels : 0.0;
  std::printf("%s: %lld of %lld stored frames identical; %.3f%% of all pixels and %.1f%% of text pixels differ\n",
              c.folder, static_cast<long long>(compare.identical), static_cast<long long>(compare.compared),
              compare.compared_pixels ? 100.0 * compare.differing_pixels / compare.compared_pixels : 0.0,
              text_difference);
  EXPECT_LE(text_difference, c.text_difference_limit) << "more text pixels differ from the engine's than before";
  if (compare.truetype_texts > 0) {
    std::printf("%s: %lld of %lld TrueType texts span another width than the engine's (their advances differ)\n",
                c.folder, static_cast<long long>(compare.truetype_texts_wider_or_narrower),
                static_cast<long long>(compare.truetype_texts));
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, EngineReference, ::testing::ValuesIn(cases),
                         [](const ::testing::TestParamInfo<Case> &info) {
                           const std::string folder = info.param.folder;
                           return folder.substr(0, folder.find('-'));
                         });
