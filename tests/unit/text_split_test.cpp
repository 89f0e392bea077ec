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
