// The play flow both front ends share: what it says, and that playing again
// draws what the first play drew.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "play_flow.h"

using namespace rollwick_preview;

namespace {

// Each frame's pixels folded into one number, in order.
class FoldFrames : public FrameSink {
 public:
  void frame(int64_t, const rollwick_host::Canvas &canvas) override {
    for (uint32_t pixel : canvas.pixels) fold = fold * 1099511628211ULL ^ pixel;
    frames += 1;
  }
  uint64_t fold = 14695981039346656037ULL;
  int64_t frames = 0;
};

PlayRequest request_for(const std::string &script, const std::string &game = "") {
  PlayRequest request;
  request.script_path = script;
  request.game_folder = game;
  request.start_plugin = [](PluginSession &session, PreviewEngine &engine, std::string &error) {
    return session.load_fresh(PLUGIN_PATH, engine, error);
  };
  return request;
}

const std::string reference = SOURCE_DIR "/tests/engine-reference/A1-demo-320x200x32-wfn/";

}  // namespace

TEST(PlayFlow, PlaysAGameAndPlaysItAgainTheSame) {
  PlayFlow flow(request_for(reference + "credits.credits", reference + "game"));
  ASSERT_TRUE(flow.open());
  FoldFrames first;
  ASSERT_TRUE(flow.play({&first}));
  ASSERT_TRUE(flow.stage_again());
  FoldFrames again;
  ASSERT_TRUE(flow.play_again({&again}));
  EXPECT_GT(first.frames, 100);
  EXPECT_EQ(again.frames, first.frames);
  EXPECT_EQ(again.fold, first.fold);
  EXPECT_EQ(flow.frames_played_again(), first.frames);
  for (const PlayMessage &message : flow.messages()) EXPECT_NE(message.kind, MessageKind::error) << message.text;
}

// Messages carry what the author can do as a hint, never a front end's words.
TEST(PlayFlow, SaysWhatWentWrongWithAHint) {
  const std::string folder = testing::TempDir() + "play-flow-" + std::to_string(getpid());
  std::filesystem::create_directories(folder);
  const auto run = [&](const std::string &source, const std::function<void(PlayRequest &)> &adjust = {}) {
    std::ofstream(folder + "/credits.credits", std::ios::binary) << source;
    PlayRequest request = request_for(folder + "/credits.credits");
    request.offer_functions = true;
    if (adjust) adjust(request);
    auto flow = std::make_unique<PlayFlow>(request);
    if (flow->open()) flow->play();
    return flow;
  };
  const auto last = [](const PlayFlow &flow) { return flow.messages().empty() ? PlayMessage{} : flow.messages().back(); };

  auto endless = run("SequenceSettings(1, 0, 0, 1, 1, 0);\nwhile (IsSequenceFinished(1) == 0) Wait(1);\n");
  EXPECT_EQ(last(*endless).kind, MessageKind::error);
  EXPECT_EQ(last(*endless).line, 2);
  EXPECT_EQ(last(*endless).hint, Hint::cap_frames);

  auto chosen = run("function credit(int n) {\n  Wait(n);\n}\n");
  EXPECT_EQ(last(*chosen).hint, Hint::choose_function);
  ASSERT_EQ(chosen->functions().size(), 1u);
  EXPECT_EQ(chosen->functions()[0].note, "takes 1 parameter");

  const std::string two_warnings = "SetCredit(1, 0, \"a\", 0, 0, 70000);\nSetCredit(1, 1, \"b\", 0, 0, 70001);\nWait(1);\n";
  auto counted = run(two_warnings);
  EXPECT_EQ(counted->warnings(), 2);
  auto strict = run(two_warnings, [](PlayRequest &request) { request.stop_at_warning = true; });
  EXPECT_TRUE(strict->stopped_at_warning());
  EXPECT_EQ(strict->warnings(), 1);

  auto no_game = run("Wait(1);\n", [&](PlayRequest &request) { request.game_folder = folder + "/none"; });
  EXPECT_EQ(last(*no_game).kind, MessageKind::error);
  EXPECT_EQ(no_game->messages().size(), 1u);
  std::filesystem::remove_all(folder);
}
