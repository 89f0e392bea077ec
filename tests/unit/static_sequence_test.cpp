// The static sequence player and the drawing of one static credit.
#include "plugin_test.h"
#include "static_drawing.h"

using rollwick_host::SpriteSize;
using rollwick_host::TextExtent;

class StaticSequenceTest : public PluginTest {
 protected:
  // What each frame showed, by the credit text drawn ("-" for nothing,
  // "image" for a sprite), starting with the frame inside the start call.
  std::vector<std::string> play(int sequence, int speed, int frames) {
    std::vector<std::string> shown;
    engine.clear_calls();
    RunStaticCreditSequence(sequence, speed);
    shown.push_back(label());
    for (int i = 1; i < frames; ++i) {
      frame();
      shown.push_back(label());
    }
    return shown;
  }
  std::string label() const {
    if (!engine.calls_of("BlitBitmap").empty()) return "image";
    const auto texts = engine.calls_of("DrawText");
    return texts.empty() ? "-" : texts.back().text;
  }
  static std::vector<std::string> repeat(const std::string &text, int count) {
    return std::vector<std::string>(count, text);
  }
  static std::vector<std::string> join(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto &part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
  }
};

TEST_F(StaticSequenceTest, WorkedExampleFrameByFrame) {
  SetStaticCredit(1, 1, "ABCDE", 10, 20, 0, 15);
  SetStaticPause(1, 2, 3);
  SetStaticImage(1, 3, 5, -1, -1, 4);
  const auto shown = play(1, 2, 23);
  EXPECT_EQ(shown, join({repeat("ABCDE", 11), repeat("-", 6), repeat("image", 5), {"-"}}));
  EXPECT_TRUE(playback.running);
  EXPECT_EQ(frame(), Draws{});  // frame 23 ends the sequence
  EXPECT_FALSE(playback.running);
  EXPECT_EQ(playback.current_static_id, 1);
  EXPECT_EQ(IsStaticSequenceFinished(1), 1);
  EXPECT_EQ(IsStaticSequenceFinished(1), 0);
}

TEST_F(StaticSequenceTest, WhatATextEntryDraws) {
  SetStaticCredit(1, 1, "ABCDE", 10, 20, 0, 15);
  SetStaticImage(1, 2, 5, -1, -1, 4);
  engine.settings.sprites[5] = SpriteSize{20, 30};
  RunStaticCreditSequence(1, 2);
  EXPECT_EQ(drawn(), (Draws{"0,0:", "10,20:ABCDE"}));  // an unset title is drawn empty
  for (int i = 0; i < 11; ++i) frame();
  EXPECT_EQ(drawn(), Draws{"blit 150,85 #5"});
}

TEST_F(StaticSequenceTest, NextCreditIsDrawnOnTheAdvancingFrame) {
  SetStaticCredit(1, 1, "AB", 0, 0, 0, 15);
  SetStaticCredit(1, 2, "CD", 0, 0, 0, 15);
  EXPECT_EQ(play(1, 1, 9), join({repeat("AB", 3), repeat("CD", 4), repeat("-", 2)}));
  EXPECT_EQ(IsStaticSequenceFinished(1), 1);
}

TEST_F(StaticSequenceTest, PauseLeavesAGapOfItsLengthPlusThree) {
  SetStaticCredit(1, 1, "AB", 0, 0, 0, 15);
  SetStaticPause(1, 2, 2);
  SetStaticCredit(1, 3, "CD", 0, 0, 0, 15);
  EXPECT_EQ(play(1, 1, 11), join({repeat("AB", 3), repeat("-", 5), repeat("CD", 3)}));
}

TEST_F(StaticSequenceTest, PauseWinsOverTextAndImage) {
  SetStaticCredit(1, 1, "hidden", 0, 0, 0, 15);
  SetStaticImage(1, 1, 5, 0, 0, 9);
  SetStaticPause(1, 1, 1);
  EXPECT_EQ(play(1, 5, 4), repeat("-", 4));
}

TEST_F(StaticSequenceTest, SpeedZeroAndNegative) {
  SetStaticCredit(1, 1, "AB", 0, 0, 0, 15);
  SetStaticCredit(1, 2, "CD", 0, 0, 0, 15);
  EXPECT_EQ(play(1, 0, 5), (std::vector<std::string>{"AB", "CD", "CD", "-", "-"}));
  EXPECT_FALSE(playback.running);
  EXPECT_EQ(play(1, -1, 3), (std::vector<std::string>{"CD", "-", "-"}));
  EXPECT_FALSE(playback.running);
}

TEST_F(StaticSequenceTest, LongDisplayTimeSaturatesInsteadOfWrapping) {
  SetStaticCredit(1, 1, std::string(100, 'x').c_str(), 0, 0, 0, 15);
  const auto shown = play(1, std::numeric_limits<int32_t>::max(), 5);
  EXPECT_EQ(shown, repeat(std::string(100, 'x'), 5));
}

TEST_F(StaticSequenceTest, EmptySequenceFinishesInsideTheStartCall) {
  RunStaticCreditSequence(2, 3);
  EXPECT_FALSE(playback.running);
  EXPECT_EQ(IsStaticSequenceFinished(2), 1);
}

TEST_F(StaticSequenceTest, StopAndRestart) {
  SetStaticCredit(1, 1, "AB", 0, 0, 0, 15);
  SetStaticCredit(1, 2, "CD", 0, 0, 0, 15);
  play(1, 1, 5);
  EXPECT_EQ(GetCurrentStaticCredit(1), 2);
  static_state(2).finished = 1;
  RunStaticCreditSequence(2, 7);  // stops, clears the named sequence's flag
  EXPECT_FALSE(playback.running);
  EXPECT_EQ(playback.current_static_id, 0);
  EXPECT_EQ(static_state(2).finished, 0);
  EXPECT_EQ(static_state(1).speed, 1) << "the stop path stores no speed";
  EXPECT_EQ(play(1, 1, 2), (std::vector<std::string>{"AB", "AB"}));
}

TEST_F(StaticSequenceTest, StaticStartWhileScrollingStopsIt) {
  SetCredit(1, 1, "roll", 0, 0, 15);
  SequenceSettings(1, 50, -100, 0, 0, 0);
  RunCreditSequence(1);
  RunStaticCreditSequence(1, 1);
  EXPECT_FALSE(playback.running);
  EXPECT_EQ(IsSequenceFinished(1), 0);
}

TEST_F(StaticSequenceTest, CurrentCreditInEveryState) {
  EXPECT_EQ(GetCurrentStaticCredit(1), -1);
  SetStaticCredit(1, 1, "AB", 0, 0, 0, 15);
  SetStaticCredit(1, 2, "CD", 0, 0, 0, 15);
  RunStaticCreditSequence(1, 1);
  EXPECT_EQ(GetCurrentStaticCredit(1), 1);
  EXPECT_EQ(GetCurrentStaticCredit(2), 1);
  EXPECT_EQ(GetCurrentStaticCredit(-7), 1);
  for (int i = 0; i < 3; ++i) frame();
  EXPECT_EQ(GetCurrentStaticCredit(1), 2);
  ShowStaticCredit(1, 1, 5, 0, 0, -1);
  EXPECT_EQ(GetCurrentStaticCredit(1), 2) << "a single credit leaves the id";
  RunStaticCreditSequence(1, 1);  // stops the single credit
  EXPECT_EQ(GetCurrentStaticCredit(1), -1);
  SequenceSettings(1, 50, -100, 0, 0, 0);
  RunCreditSequence(1);
  EXPECT_EQ(GetCurrentStaticCredit(1), -1);
}

TEST_F(StaticSequenceTest, PauseFlagIsClearedWhenStaticPlaybackEnds) {
  SetStaticCredit(1, 1, "A", 0, 0, 0, 15);
  RunStaticCreditSequence(1, 0);
  PauseScrolling();
  EXPECT_TRUE(playback.paused);
  for (int i = 0; i < 3; ++i) frame();
  EXPECT_FALSE(playback.running);
  EXPECT_FALSE(playback.paused);
  // A scrolling sequence started afterwards moves.
  SetCredit(1, 1, "roll", 0, 0, 15);
  SequenceSettings(1, 50, -100, 0, 0, 0);
  RunCreditSequence(1);
  EXPECT_EQ(playback.scroll_y, 49);
}

TEST_F(StaticSequenceTest, SequenceNumbersOutOfRange) {
  RunStaticCreditSequence(3, 1);
  RunStaticCreditSequence(0, 1);
  EXPECT_FALSE(playback.running);
  EXPECT_EQ(console().size(), 2u);
  EXPECT_EQ(console()[0], "RunStaticCreditSequence: sequence 3 is out of range (1 to 2); call ignored");
}

class StaticDrawingTest : public PluginTest {
 protected:
  Draws draw(int id) {
    engine.clear_calls();
    draw_static_credit(1, id);
    return drawn();
  }
};

TEST_F(StaticDrawingTest, CentredBlockOfThreeLines) {
  SetStaticCredit(1, 1, "Ada [[ Bea[[Cy", -1, -1, 0, 15);
  EXPECT_EQ(draw(1), (Draws{"0,0:", "151,85:Ada", "151,95:Bea", "154,105:Cy"}));
}

TEST_F(StaticDrawingTest, LinesShareALeftEdgeWhenPlaced) {
  use_screen(640, 400);
  SetStaticCredit(1, 1, "Ada[[Bea", 10, 20, 0, 15);
  SetStaticCreditTitle(1, 1, "Cast", 5, -1, 0, 15);
  EXPECT_EQ(draw(1), (Draws{"10,195:Cast", "20,40:Ada", "20,50:Bea"}));
}

TEST_F(StaticDrawingTest, EmptyLinesFromTokensAtTheEnds) {
  SetStaticCredit(1, 1, "[[Ada", 0, 0, 0, 15);
  SetStaticCredit(1, 2, "Ada[[", 0, 0, 0, 15);
  SetStaticCredit(1, 3, "Ada[[[[Bea", 0, 0, 0, 15);
  EXPECT_EQ(draw(1), (Draws{"0,0:", "0,0:", "0,10:Ada"}));
  EXPECT_EQ(draw(2), (Draws{"0,0:", "0,0:Ada", "0,10:"}));
  EXPECT_EQ(draw(3), (Draws{"0,0:", "0,0:Ada", "0,10:", "0,20:Bea"}));
}

TEST_F(StaticDrawingTest, EachLineAdvancesByItsOwnHeight) {
  engine.settings.text_extent = [](int32, const char *text) {
    return TextExtent{static_cast<int32>(std::strlen(text)), std::strcmp(text, "tall") == 0 ? 30 : 10};
  };
  SetStaticCredit(1, 1, "tall[[x", 0, -1, 0, 15);
  // The block is centred on (1 + 1) x the whole text's height; lines advance by their own.
  EXPECT_EQ(draw(1), (Draws{"0,0:", "0,90:tall", "0,120:x"}));
}

TEST_F(StaticDrawingTest, ImageNeverDrawsItsTitle) {
  engine.settings.sprites[3] = SpriteSize{40, 10};
  SetStaticCreditTitle(1, 1, "Title", 0, 0, 0, 15);
  SetStaticImage(1, 1, 3, 10, -1, 5);
  EXPECT_EQ(draw(1), Draws{"blit 10,95 #3"});
  use_screen(640, 400);
  EXPECT_EQ(draw(1), Draws{"blit 20,195 #3"});
}

TEST_F(StaticDrawingTest, CentredItemsLargerThanTheScreen) {
  engine.settings.text_extent = [](int32, const char *) { return TextExtent{327, 10}; };
  SetStaticCredit(1, 1, "wide", -1, 3, 0, 15);
  EXPECT_EQ(draw(1).back(), "-3,3:wide");
}

TEST_F(StaticDrawingTest, HostCallsOfAMultiLineCredit) {
  SetStaticCredit(1, 1, "a[[b[[c[[d", 0, 0, 0, 15);
  draw(1);
  EXPECT_EQ(engine.calls_of("GetTextExtent").size(), 3u + 2u + 1u);
  EXPECT_EQ(engine.calls_of("DrawText").size(), 4u + 1u);
}

TEST_F(StaticDrawingTest, ANewTextIsCutAgainForTheNextFrame) {
  SetStaticCredit(1, 1, "Ada[[Bea", 0, 0, 0, 15);
  EXPECT_EQ(draw(1), (Draws{"0,0:", "0,0:Ada", "0,10:Bea"}));
  SetStaticCredit(1, 1, "  Cy  ", 0, 0, 0, 15);  // no token: drawn whole, untrimmed
  EXPECT_EQ(draw(1), (Draws{"0,0:", "0,0:  Cy  "}));
  SetStaticCredit(1, 1, "Dee [[ Eve [[ Flo", 0, 0, 0, 15);
  EXPECT_EQ(draw(1), (Draws{"0,0:", "0,0:Dee", "0,10:Eve", "0,20:Flo"}));
}

TEST_F(StaticDrawingTest, OneSearchForTheBreakUnderADoubleByteCodePage) {
  // Code page 932: a "[" that is the second byte of a character is no break.
  const auto system_code_page = is_lead_byte;
  is_lead_byte = [](unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); };
  SetStaticCredit(1, 1, " \x81[[a ", 0, -1, 0, 15);
  SetStaticCredit(1, 2, "\x81[[a[[b", 0, -1, 0, 15);
  const Draws one_line = draw(1);
  const size_t extents = engine.calls_of("GetTextExtent").size();
  const Draws two_lines = draw(2);
  is_lead_byte = system_code_page;

  EXPECT_EQ(one_line, (Draws{"0,0:", "0,95: \x81[[a "})) << "drawn whole, as a text without a break";
  EXPECT_EQ(extents, 2u);
  EXPECT_EQ(two_lines, (Draws{"0,0:", "0,90:\x81[[a", "0,100:b"}));
}
