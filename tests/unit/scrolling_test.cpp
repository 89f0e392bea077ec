// The scrolling player: start, timing, end wait, finish, culling, images,
// empty lines, toggles and pause.
#include "plugin_test.h"
#include "placement.h"

using rollwick_host::SpriteSize;
using rollwick_host::TextExtent;

class ScrollingTest : public PluginTest {
 protected:
  // Runs frames after the start and returns the y of every text each drew.
  std::vector<std::vector<int>> run_frames(int count) {
    std::vector<std::vector<int>> ys;
    for (int i = 0; i < count; ++i) {
      engine.clear_calls();
      frame_tick();
      ys.push_back(drawn_ys());
    }
    return ys;
  }
  std::vector<int> start(int sequence) {
    engine.clear_calls();
    RunCreditSequence(sequence);
    return drawn_ys();
  }
};

TEST_F(ScrollingTest, WorkedExampleFrameByFrame) {
  SetCredit(1, 1, "Credits", 0, 0, 15);
  SequenceSettings(1, 100, 98, 1, 0, 2);
  EXPECT_EQ(start(1), std::vector<int>{100});  // frame 0, inside the call
  const std::vector<std::vector<int>> expected = {{100}, {99}, {99}, {98}, {98}, {97}, {97}, {97}, {}};
  EXPECT_EQ(run_frames(9), expected);
  EXPECT_FALSE(playback.running);
  EXPECT_FALSE(playback.paused);
  EXPECT_EQ(IsSequenceFinished(1), 1);
  EXPECT_EQ(IsSequenceFinished(1), 0);
  EXPECT_EQ(run_frames(1), std::vector<std::vector<int>>{{}});
}

TEST_F(ScrollingTest, SpeedZeroMovesEveryFrameByTheScaledStep) {
  SetCredit(1, 1, "x", 0, 0, 15);
  SequenceSettings(1, 50, -1000, 0, 0, 0);
  EXPECT_EQ(start(1), std::vector<int>{50});
  EXPECT_EQ(run_frames(2), (std::vector<std::vector<int>>{{49}, {48}}));

  RunCreditSequence(1);  // stop
  use_screen(640, 400);
  EXPECT_EQ(start(1), std::vector<int>{50});
  EXPECT_EQ(run_frames(2), (std::vector<std::vector<int>>{{48}, {46}}));
}

TEST_F(ScrollingTest, SpeedThreeMovesEveryFourthFrame) {
  SetCredit(1, 1, "x", 0, 0, 15);
  SequenceSettings(1, 50, -1000, 3, 0, 0);
  start(1);
  const std::vector<std::vector<int>> expected = {{50}, {50}, {50}, {49}, {49}, {49}, {49}, {48}};
  EXPECT_EQ(run_frames(8), expected);
}

TEST_F(ScrollingTest, NegativeSpeedNeverMoves) {
  SetCredit(1, 1, "x", 0, 0, 15);
  SequenceSettings(1, 50, 40, -1, 0, 0);
  start(1);
  for (const auto &ys : run_frames(50)) EXPECT_EQ(ys, std::vector<int>{50});
  EXPECT_TRUE(playback.running);
}

TEST_F(ScrollingTest, LoweredSpeedMakesTheStepDueAtOnce) {
  SetCredit(1, 1, "x", 0, 0, 15);
  SequenceSettings(1, 50, -1000, 5, 0, 0);
  start(1);
  run_frames(2);
  EXPECT_EQ(playback.step_counter, 3);
  SequenceSettings(1, 50, -1000, 1, 0, 0);
  run_frames(1);
  EXPECT_EQ(playback.scroll_y, 49);
  EXPECT_EQ(playback.step_counter, 0);
}

TEST_F(ScrollingTest, StartBelowTheEndEntersTheEndWaitAtOnce) {
  SetCredit(1, 1, "x", 0, 0, 15);
  SequenceSettings(1, 10, 20, 0, 0, 0);
  EXPECT_EQ(start(1), std::vector<int>{});
  EXPECT_FALSE(playback.running);
  EXPECT_EQ(IsSequenceFinished(1), 1);

  SequenceSettings(1, 10, 20, 0, 0, 1);
  EXPECT_EQ(start(1), std::vector<int>{10});
  EXPECT_TRUE(playback.paused);
  EXPECT_EQ(run_frames(2), (std::vector<std::vector<int>>{{10}, {}}));
}

TEST_F(ScrollingTest, AutomaticStartsBelowTheScreenAndEndsAboveIt) {
  SetCredit(1, 1, "first", 0, 0, 15);
  SetCredit(1, 3, "third", 0, 0, 15);
  SequenceSettings(1, 0, 0, 0, 1, 0);
  EXPECT_EQ(start(1), std::vector<int>{});  // top at 201: below the screen
  EXPECT_EQ(playback.sequence_height, 30);
  EXPECT_EQ(console(), std::vector<std::string>{"Sequence #1 height: 30 pixels"});
  EXPECT_EQ(run_frames(1), std::vector<std::vector<int>>{{200}});  // a top exactly at the height is drawn
  // Frame k starts at 199 - k. Line 3 (top at y + 20) shows last at -29;
  // -30 is not yet past the end, -31 is.
  const auto frames = run_frames(231);
  EXPECT_EQ(frames[228], std::vector<int>{-9});
  EXPECT_EQ(frames[229], std::vector<int>{});
  EXPECT_EQ(frames[230], std::vector<int>{});
  EXPECT_FALSE(playback.running);
  EXPECT_EQ(IsSequenceFinished(1), 1);
}

TEST_F(ScrollingTest, AutomaticWithoutLinesEndsOnceBelowZero) {
  SequenceSettings(2, 0, 0, 0, 1, 0);
  start(2);
  EXPECT_EQ(console(), std::vector<std::string>{"Sequence #2 height: 0 pixels"});
  playback.scroll_y = 0;
  run_frames(1);
  EXPECT_TRUE(playback.running);
  run_frames(1);
  EXPECT_FALSE(playback.running);
  EXPECT_EQ(IsSequenceFinished(2), 1);
}

TEST_F(ScrollingTest, MeasuredHeightOnAWideScreen) {
  use_screen(640, 400);
  engine.settings.text_extent = [](int32, const char *) { return TextExtent{50, 20}; };
  engine.settings.sprites[7] = SpriteSize{10, 99};
  SetCredit(1, 1, "text", 0, 0, 15);
  SetCreditImage(1, 3, 0, 7, 30);
  SequenceSettings(1, 0, 0, 0, 1, 0);
  start(1);
  EXPECT_EQ(console(), std::vector<std::string>{"Sequence #1 height: 100 pixels"});
}

TEST_F(ScrollingTest, LineWhoseBottomIsAtZeroIsNotDrawn) {
  SetCredit(1, 1, "gone", 0, 0, 15);
  SetCredit(1, 2, "shown", 0, 0, 15);
  SequenceSettings(1, -10, -1000, -1, 0, 0);
  start(1);
  EXPECT_EQ(drawn(), Draws{"0,0:shown"});
}

TEST_F(ScrollingTest, LinesBelowTheScreenAreNotDrawnNorMeasuredFurther) {
  for (int line = 1; line <= 30; ++line) SetCredit(1, line, "l", 0, 0, 15);
  SequenceSettings(1, 150, -1000, -1, 0, 0);
  start(1);
  EXPECT_EQ(drawn_ys(), (std::vector<int>{150, 160, 170, 180, 190, 200}));
}

TEST_F(ScrollingTest, ImageHeights) {
  engine.settings.sprites[5] = SpriteSize{20, 30};
  SetCreditImage(1, 1, -1, 5, -1);  // the sprite's own height
  SetCredit(1, 2, "after own", 3, 0, 15);
  SetCreditImage(1, 3, 4, 5, 0);  // no room at all
  SetCredit(1, 4, "after zero", 3, 0, 15);
  SetCreditImage(1, 5, 4, 5, 12);
  SetCredit(1, 6, "after given", 3, 0, 15);
  SequenceSettings(1, 20, -1000, -1, 0, 0);
  start(1);
  EXPECT_EQ(drawn(), (Draws{"blit 150,20 #5", "3,50:after own", "blit 4,60 #5", "3,60:after zero", "blit 4,70 #5",
                            "3,82:after given"}));
  const auto blits = engine.calls_of("BlitBitmap");
  ASSERT_EQ(blits.size(), 3u);
  EXPECT_EQ(blits[0].args[3], 1) << "sprites are drawn masked";
}

TEST_F(ScrollingTest, ImageHeightsOnAWideScreen) {
  use_screen(640, 400);
  engine.settings.sprites[5] = SpriteSize{20, 30};
  SetCreditImage(1, 1, -1, 5, -1);
  SetCreditImage(1, 2, 10, 5, 20);
  SetCredit(1, 3, "x", 10, 0, 15);
  SequenceSettings(1, 0, -1000, -1, 0, 0);
  start(1);
  EXPECT_EQ(drawn(), (Draws{"blit 310,0 #5", "blit 20,30 #5", "20,70:x"}));
}

TEST_F(ScrollingTest, ImageAboveTheScreenTriesItsGivenHeight) {
  engine.settings.sprites[5] = SpriteSize{20, 10};
  SetCreditImage(1, 1, 0, 5, 40);  // top -80: neither height reaches below y 0
  SetCreditImage(1, 2, 0, 5, 41);  // top -40: the sprite ends at -30, the given height at 1
  SetCredit(1, 3, "x", 0, 0, 15);
  SequenceSettings(1, -80, -1000, -1, 0, 0);
  start(1);
  EXPECT_EQ(drawn(), (Draws{"blit 0,-40 #5", "0,1:x"}));
}

TEST_F(ScrollingTest, EmptyLinesTakeTheEmptyLineHeight) {
  SetCredit(1, 1, "a", 0, 0, 15);
  SetCredit(1, 3, "b", 0, 0, 15);
  SequenceSettings(1, 0, -1000, -1, 0, 0);
  start(1);
  EXPECT_EQ(drawn_ys(), (std::vector<int>{0, 20}));
  CreditsSettings(0);
  EXPECT_EQ(run_frames(1), (std::vector<std::vector<int>>{{0, 10}}));
  CreditsSettings(4);
  use_screen(640, 400);
  EXPECT_EQ(run_frames(1), (std::vector<std::vector<int>>{{0, 18}}));
}

TEST_F(ScrollingTest, CentredTextUsesItsWholeWidth) {
  use_screen(640, 400);
  engine.settings.text_extent = [](int32, const char *) { return TextExtent{100, 10}; };
  SetCredit(1, 1, "a", -1, 0, 15);
  SetCredit(1, 2, "b", -50, 0, 15);
  SetCredit(1, 3, "c", 10, 0, 15);
  SequenceSettings(1, 0, -1000, -1, 0, 0);
  start(1);
  EXPECT_EQ(drawn(), (Draws{"270,0:a", "270,10:b", "20,20:c"}));
  const auto texts = engine.calls_of("DrawText");
  EXPECT_EQ(texts[0].args[2], 0);
  EXPECT_EQ(texts[0].args[3], 15) << "colours go to the engine as stored";
}

TEST_F(ScrollingTest, SequenceWithoutLinesStillSteps) {
  SequenceSettings(1, 50, 0, 0, 0, 0);
  start(1);
  EXPECT_TRUE(drawn().empty());
  EXPECT_EQ(playback.scroll_y, 49);
}

TEST_F(ScrollingTest, StartingTwiceStopsAndReportsOnce) {
  SetCredit(1, 1, "x", 0, 0, 15);
  SequenceSettings(1, 50, -1000, 0, 0, 0);
  start(1);
  EXPECT_EQ(start(1), std::vector<int>{});  // the second call stops: nothing drawn, no tick
  EXPECT_FALSE(playback.running);
  EXPECT_EQ(playback.current_sequence, -1);
  EXPECT_EQ(IsSequenceFinished(1), 1);
  EXPECT_EQ(IsSequenceFinished(1), 0);
  EXPECT_TRUE(run_frames(1)[0].empty());
}

TEST_F(ScrollingTest, StoppingWithAnotherNumberMarksThatOne) {
  SetCredit(1, 1, "x", 0, 0, 15);
  SequenceSettings(1, 50, -1000, 0, 0, 0);
  start(1);
  RunCreditSequence(2);
  EXPECT_EQ(IsSequenceFinished(1), 0);
  EXPECT_EQ(IsSequenceFinished(2), 1);
}

TEST_F(ScrollingTest, TogglesWithABadNumberStopWhatPlaysAndTouchNoFlag) {
  SetCredit(1, 1, "x", 0, 0, 15);
  SequenceSettings(1, 50, -1000, 0, 0, 0);
  SetStaticCredit(2, 1, "y", 0, 0, 0, 15);
  const CreditStore before = credit_store;

  start(1);
  RunCreditSequence(0);
  EXPECT_FALSE(playback.running) << "the scrolling sequence stops";
  EXPECT_EQ(playback.current_sequence, -1);

  EXPECT_EQ(console(), std::vector<std::string>{"RunCreditSequence: sequence 0 is out of range (1 to 2); call ignored"});

  RunStaticCreditSequence(2, 1);
  engine.clear_calls();
  RunStaticCreditSequence(3, 0);
  EXPECT_FALSE(playback.running) << "the static sequence stops";
  EXPECT_EQ(console(),
            std::vector<std::string>{"RunStaticCreditSequence: sequence 3 is out of range (1 to 2); call ignored"});
  EXPECT_TRUE(frame().empty());
  for (int sequence = 1; sequence <= 2; ++sequence) {
    EXPECT_EQ(scroll_settings(sequence).finished, before.scroll_settings[sequence - 1].finished);
    EXPECT_EQ(static_state(sequence).finished, before.static_states[sequence - 1].finished);
  }

  // While nothing plays a bad number starts nothing.
  engine.clear_calls();
  RunCreditSequence(-1);
  RunStaticCreditSequence(9, 0);
  EXPECT_FALSE(playback.running);
  EXPECT_EQ(console().size(), 2u);
  EXPECT_TRUE(engine.drawing_calls().empty());
}

TEST_F(ScrollingTest, StopInTheEndWaitClearsThePause) {
  SetCredit(1, 1, "x", 0, 0, 15);
  SequenceSettings(1, 10, 20, 0, 0, 5);
  start(1);
  EXPECT_TRUE(playback.paused);
  RunCreditSequence(1);
  EXPECT_FALSE(playback.paused);
}

TEST_F(ScrollingTest, PauseHoldsTheColumnAndToggles) {
  PauseScrolling();
  EXPECT_FALSE(playback.paused) << "nothing plays";
  SetCredit(1, 1, "x", 0, 0, 15);
  SequenceSettings(1, 50, -1000, 0, 0, 0);
  start(1);
  PauseScrolling();
  EXPECT_EQ(run_frames(3), (std::vector<std::vector<int>>{{49}, {49}, {49}}));
  PauseScrolling();
  EXPECT_EQ(run_frames(2), (std::vector<std::vector<int>>{{49}, {48}}));
}

TEST_F(ScrollingTest, PositionsAreClampedNotWrapped) {
  SetCredit(1, 1, "x", 0, 0, 15);
  SequenceSettings(1, std::numeric_limits<int32_t>::min() + 1, std::numeric_limits<int32_t>::min(), 0, 0, 0);
  start(1);
  run_frames(3);
  EXPECT_EQ(playback.scroll_y, std::numeric_limits<int32_t>::min());
  EXPECT_TRUE(playback.running);
}

TEST_F(ScrollingTest, HugeHeightsAddUpExactly) {
  engine.settings.text_extent = [](int32, const char *) {
    return TextExtent{1, std::numeric_limits<int32_t>::max()};
  };
  for (int line = 1; line <= 3; ++line) SetCredit(1, line, "x", 0, 0, 15);
  SequenceSettings(1, 0, 0, 0, 1, 0);
  start(1);
  EXPECT_EQ(console(), std::vector<std::string>{"Sequence #1 height: 6442450941 pixels"});
  EXPECT_EQ(playback.sequence_height, 3LL * std::numeric_limits<int32_t>::max());
}

TEST_F(ScrollingTest, FrameCountersSaturate) {
  int32_t counter = std::numeric_limits<int32_t>::max() - 1;
  count_frame(counter);
  count_frame(counter);
  EXPECT_EQ(counter, std::numeric_limits<int32_t>::max());
  SetCredit(1, 1, "x", 0, 0, 15);
  SequenceSettings(1, 50, 0, -3, 0, 0);
  start(1);
  playback.step_counter = std::numeric_limits<int32_t>::max();
  run_frames(2);
  EXPECT_EQ(playback.step_counter, std::numeric_limits<int32_t>::max());
}

TEST_F(ScrollingTest, PlainLineFrameMakesExactlyTheListedHostCalls) {
  SetCredit(1, 1, "x", 4, 0, 15);
  SequenceSettings(1, 50, -1000, 0, 0, 0);
  start(1);
  engine.clear_calls();
  frame_tick();
  std::vector<std::string> methods;
  for (const auto &call : engine.calls) methods.push_back(call.method);
  EXPECT_EQ(methods, (std::vector<std::string>{"GetTextExtent", "GetScreenDimensions", "GetTextExtent",
                                               "GetScreenDimensions", "DrawText", "GetScreenDimensions"}));
}

TEST_F(ScrollingTest, TableChangesShowOnTheNextFrame) {
  SetCredit(1, 1, "before", 0, 0, 15);
  SequenceSettings(1, 50, -1000, -1, 0, 0);
  start(1);
  SetCredit(1, 1, "after", 7, 0, 15);
  EXPECT_EQ(frame(), Draws{"7,50:after"});
}

TEST_F(ScrollingTest, ATextWrittenThroughGetCreditIsDrawnAsItsNewText) {
  // What StrCopy and StrCat into the returned text do in the engine.
  SetCredit(1, 1, "Role<.>Old Name", 0, 0, 15);
  SetCredit(1, 2, "TITLE", 0, 0, 15);
  SequenceSettings(1, 50, -1000, -1, 0, 0);
  std::strcpy(const_cast<char *>(GetCredit(1, 1)), "Left<>Right");
  std::strcat(const_cast<char *>(GetCredit(1, 2)), " II");
  start(1);
  engine.clear_calls();
  frame_tick();
  std::vector<std::string> texts;
  for (const auto &call : engine.calls_of("DrawText")) texts.push_back(call.text);
  EXPECT_EQ(texts, (std::vector<std::string>{"Left", "Right", "TITLE II"}));
  // A markup line written to plain text draws whole, as if set so.
  std::strcpy(const_cast<char *>(GetCredit(1, 1)), "Plain");
  engine.clear_calls();
  frame_tick();
  EXPECT_EQ(engine.calls_of("DrawText").front().text, "Plain");
}
