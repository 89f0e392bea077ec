// Cutting texts at tokens and counting line breaks.
#include <gtest/gtest.h>

#include <string>

#include "text_split.h"

namespace {

struct Split {
  std::string piece;
  std::string rest;
};

Split split(const std::string &source, const std::string &token) {
  std::string_view rest(source);
  const std::string_view piece = split_at_token(rest, token);
  return {std::string(piece), std::string(rest)};
}

}  // namespace

TEST(SplitAtToken, CutsTrimmedPieceAndDeletesThroughTheToken) {
  const Split result = split("  Left  <Right", "<");
  EXPECT_EQ(result.piece, "Left");
  EXPECT_EQ(result.rest, "Right");
}

TEST(SplitAtToken, TokenAtTheStartGivesAnEmptyPiece) {
  const Split result = split("<> rest ", "<");
  EXPECT_EQ(result.piece, "");
  EXPECT_EQ(result.rest, "> rest ");
}

TEST(SplitAtToken, NoTokenTakesEverythingTrimmed) {
  const Split result = split("\t whole text \n", "[[");
  EXPECT_EQ(result.piece, "whole text");
  EXPECT_EQ(result.rest, "");
  const Split empty = split("", "<");
  EXPECT_EQ(empty.piece, "");
  EXPECT_EQ(empty.rest, "");
}

TEST(SplitAtToken, TrimsControlCharactersButNotHighBytes) {
  EXPECT_EQ(split("\x01\x1f caf\xe9 \x7f[[", "[[").piece, "caf\xe9 \x7f");
  EXPECT_EQ(split(" \xa0x\xa0 ", "<").piece, "\xa0x\xa0");
}

TEST(CountLineBreaks, CountsWithoutOverlap) {
  EXPECT_EQ(count_line_breaks(""), 0);
  EXPECT_EQ(count_line_breaks("one line"), 0);
  EXPECT_EQ(count_line_breaks("a [[ b"), 1);
  EXPECT_EQ(count_line_breaks("[[["), 1);
  EXPECT_EQ(count_line_breaks("[[[["), 2);
  EXPECT_EQ(count_line_breaks("[[a[[[[b[["), 4);
}

TEST(PieceBuffer, HoldsShortAndLongPieces) {
  PieceBuffer buffer;
  const std::string short_text(255, 'a');
  const char *held = buffer.hold(short_text);
  EXPECT_EQ(held, buffer.fixed);
  EXPECT_EQ(std::string(held), short_text);
  const std::string long_text(256, 'b');
  EXPECT_EQ(std::string(buffer.hold(long_text)), long_text);
  EXPECT_STREQ(buffer.hold(std::string_view("abc", 2)), "ab");
}

TEST(CutLines, MatchesRepeatedSplitsOnRandomTexts) {
  // Texts of '[', spaces, control bytes, high bytes and letters, cut both ways.
  const std::string alphabet = std::string("[[[  ab\t\x01\xe9") + '\0';
  uint32_t seed = 12345;
  auto next = [&seed]() {
    seed = seed * 1103515245u + 12345u;
    return seed >> 16;
  };
  static TextLines lines;
  for (int round = 0; round < 5000; ++round) {
    std::string text;
    const size_t length = next() % 256;
    for (size_t i = 0; i < length; ++i) {
      const char c = alphabet[next() % (alphabet.size() - 1)];  // no zero bytes: texts are C strings
      text += c;
    }
    ASSERT_TRUE(cut_lines(text, lines));
    std::vector<std::string> expected;
    std::string_view rest(text);
    const int breaks = count_line_breaks(text);
    for (int line = 0; line <= breaks; ++line) expected.emplace_back(split_at_token(rest, "[["));
    std::vector<std::string> cut(lines.lines, lines.lines + lines.count);
    ASSERT_EQ(cut, expected) << "text: \"" << text << "\"";
  }
}

TEST(CutLines, LeavesLongTextsToTheGeneralCut) {
  static TextLines lines;
  EXPECT_TRUE(cut_lines(std::string(255, 'a'), lines));
  EXPECT_FALSE(cut_lines(std::string(256, 'a'), lines));
}
