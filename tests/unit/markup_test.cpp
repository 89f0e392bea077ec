// Two pieces on one row: the three markers, the cuts, margins and the leader.
#include "plugin_test.h"

using rollwick_host::TextExtent;

class MarkupTest : public PluginTest {
 protected:
  void SetUp() override {
    PluginTest::SetUp();
    // 10 pixels a byte; the leader unit " ." is 6 wide unless a test says otherwise.
    engine.settings.text_extent = [this](int32, const char *text) {
      if (std::strcmp(text, " .") == 0) return TextExtent{leader_unit_width, 10};
      return TextExtent{static_cast<int32>(10 * std::strlen(text)), 10};
    };
    SequenceSettings(1, 40, -1000, -1, 0, 0);
  }
  Draws draw_line(const char *text, int x_pos) {
    SetCredit(1, 1, text, x_pos, 0, 15);
    engine.clear_calls();
    if (!playback.running) RunCreditSequence(1);
    else frame_tick();
    return drawn();
  }
  int32 leader_unit_width = 6;
};

TEST_F(MarkupTest, DottedLeaderNumbers) {
  std::string leader;
  for (int i = 0; i < 31; ++i) leader += " .";
  EXPECT_EQ(draw_line("ABCDE<.>ABCDEF", 10), (Draws{"10,40:ABCDE", "250,40:ABCDEF", "60,40:" + leader}));
}

TEST_F(MarkupTest, DottedLeaderFrameMakesExactlyTheListedHostCalls) {
  draw_line("AB<.>CD", 10);
  engine.clear_calls();
  frame_tick();
  std::vector<std::string> methods;
  for (const auto &call : engine.calls) methods.push_back(call.method);
  EXPECT_EQ(methods, (std::vector<std::string>{"GetTextExtent", "GetScreenDimensions", "GetTextExtent",
                                               "GetScreenDimensions", "GetScreenDimensions", "GetTextExtent",
                                               "GetTextExtent", "DrawText", "DrawText", "GetTextExtent",
                                               "DrawText"}));
}

TEST_F(MarkupTest, LeaderUnitOfZeroWidthGivesNoLeader) {
  leader_unit_width = 0;
  EXPECT_EQ(draw_line("AB<.>CD", 10), (Draws{"10,40:AB", "290,40:CD", "30,40:"}));
}

TEST_F(MarkupTest, NoRoomForTheLeader) {
  EXPECT_EQ(draw_line("ABCDEFGHIJKLMNOP<.>ABCDEFGHIJKLMNO", 10),
            (Draws{"10,40:ABCDEFGHIJKLMNOP", "160,40:ABCDEFGHIJKLMNO", "170,40:"}));
}

TEST_F(MarkupTest, TwoColumns) {
  EXPECT_EQ(draw_line("Director<>Ada", 10), (Draws{"10,40:Director", "280,40:Ada"}));
}

TEST_F(MarkupTest, FirstLessThanSignDecidesTheCut) {
  EXPECT_EQ(draw_line("a<b<>c", 10), (Draws{"10,40:a", "300,40:c"}));
}

TEST_F(MarkupTest, TwoColumnsWinsOverCentreGap) {
  EXPECT_EQ(draw_line("L<#>R and <>", 0), (Draws{"0,40:L", "240,40:R and <>"}));
}

TEST_F(MarkupTest, CentreGapWithAnOddMargin) {
  EXPECT_EQ(draw_line("Left<#>Right", 5), (Draws{"118,40:Left", "162,40:Right"}));
}

TEST_F(MarkupTest, SpacesAroundTheMarker) {
  EXPECT_EQ(draw_line("  Left  <>  Right ", 10), (Draws{"10,40:Left", "230,40:  Right "}));
}

TEST_F(MarkupTest, MarkerAtEitherEnd) {
  EXPECT_EQ(draw_line("<>Right", 10), (Draws{"10,40:", "260,40:Right"}));
  EXPECT_EQ(draw_line("Left<>", 10), (Draws{"10,40:Left", "310,40:"}));
}

TEST_F(MarkupTest, LessThanWithoutAMarkerDrawsNothingButTakesItsRow) {
  SetCredit(1, 2, "below", 0, 0, 15);
  EXPECT_EQ(draw_line("a < b", 10), (Draws{"0,50:below"}));
}

TEST_F(MarkupTest, CentredLineMarginComesFromTheWholeText) {
  // "AB<>CD" is 60 wide: centred at 130, which becomes the margin.
  EXPECT_EQ(draw_line("AB<>CD", -1), (Draws{"130,40:AB", "170,40:CD"}));
  // Wider than the screen: a negative position gives a margin of 0.
  const std::string wide = std::string(20, 'W') + "<>" + std::string(20, 'E');
  EXPECT_EQ(draw_line(wide.c_str(), -1), (Draws{"0,40:" + std::string(20, 'W'), "120,40:" + std::string(20, 'E')}));
}

TEST_F(MarkupTest, MarginIsDoubledOnAWideScreen) {
  use_screen(640, 400);
  EXPECT_EQ(draw_line("AB<>CD", 10), (Draws{"20,40:AB", "600,40:CD"}));
}

TEST_F(MarkupTest, LongLeadersOnWideScreens) {
  use_screen(20000, 200);
  leader_unit_width = 1;
  const Draws drawn_line = draw_line("A<.>B", 0);
  ASSERT_EQ(drawn_line.size(), 3u);
  EXPECT_EQ(drawn_line[2].size(), std::string("10,40:").size() + 2 * 19980);
}
