// Cutting texts at tokens and into their lines.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

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

std::vector<std::string> lines_of(const std::string &text) {
  CutText cut;
  cut.cut(text);
  std::vector<std::string> lines;
  for (std::size_t line = 0; line < cut.count(); ++line) lines.emplace_back(cut.line(line));
  return lines;
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

TEST(CutText, BreaksWithoutOverlapAndKeepsEmptyLines) {
  using Lines = std::vector<std::string>;
  EXPECT_EQ(lines_of(""), Lines{""});
  EXPECT_EQ(lines_of("  one line "), Lines{"one line"});
  EXPECT_EQ(lines_of("a [[ b"), (Lines{"a", "b"}));
  EXPECT_EQ(lines_of("[[["), (Lines{"", "["}));
  EXPECT_EQ(lines_of("[[[["), (Lines{"", "", ""}));
  EXPECT_EQ(lines_of("[[a[[[[b[["), (Lines{"", "a", "", "b", ""}));
}

TEST(CutText, CuttingAgainReplacesTheLinesAndTheTokenFlag) {
  CutText cut;
  cut.cut("Ada [[ Bea [[ Cy");
  EXPECT_TRUE(cut.has_token);
  cut.cut("  [ single [ ");
  EXPECT_FALSE(cut.has_token);
  ASSERT_EQ(cut.count(), 1u);
  EXPECT_STREQ(cut.line(0), "[ single [");
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

TEST(CutText, MatchesABytewiseCutOnRandomTexts) {
  // Texts of '[', spaces, control bytes, high bytes and letters, cut by CutText
  // and by a plain byte-by-byte reading of the rule.
  const std::string alphabet = "[[[  ab\t\x01\xe9";
  uint32_t seed = 12345;
  auto next = [&seed]() {
    seed = seed * 1103515245u + 12345u;
    return seed >> 16;
  };
  auto trimmed = [](std::string line) {
    while (!line.empty() && static_cast<unsigned char>(line.back()) <= 32) line.pop_back();
    std::size_t first = 0;
    while (first < line.size() && static_cast<unsigned char>(line[first]) <= 32) ++first;
    return line.substr(first);
  };
  for (int round = 0; round < 5000; ++round) {
    std::string text;
    const size_t length = next() % 300;
    for (size_t i = 0; i < length; ++i) text += alphabet[next() % alphabet.size()];
    std::vector<std::string> expected;
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '[' && i + 1 < text.size() && text[i + 1] == '[') {
        expected.push_back(trimmed(line));
        line.clear();
        ++i;
      } else {
        line += text[i];
      }
    }
    expected.push_back(trimmed(line));
    ASSERT_EQ(lines_of(text), expected) << "text: \"" << text << "\"";
  }
}
