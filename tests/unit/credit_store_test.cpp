// What the setters write, what they leave, and numbers out of range.
#include "plugin_test.h"

using CreditStoreTest = PluginTest;

TEST_F(CreditStoreTest, LoadTimeValues) {
  EXPECT_EQ(credit_store.empty_line_height, 10);
  EXPECT_EQ(credit_store.last_scroll_line[0], 0);
  EXPECT_EQ(GetCredit(1, 1), nullptr);
  const ScrollSettings &settings = scroll_settings(2);
  EXPECT_EQ(settings.startpoint, 0);
  EXPECT_EQ(settings.automatic, 0);
  EXPECT_EQ(settings.finished, 0);
}

TEST_F(CreditStoreTest, TextsAreCopiedAtTheCall) {
  char buffer[32] = "Director";
  SetCredit(1, 1, buffer, 10, 0, 15);
  std::strcpy(buffer, "Producer");
  SetCredit(1, 2, buffer, 10, 0, 15);
  std::strcpy(buffer, "garbage");
  EXPECT_STREQ(GetCredit(1, 1), "Director");
  EXPECT_STREQ(GetCredit(1, 2), "Producer");

  SetStaticCredit(2, 5, buffer, 0, 0, 0, 0);
  SetStaticCreditTitle(2, 5, buffer, 0, 0, 0, 0);
  std::strcpy(buffer, "x");
  EXPECT_EQ(static_credit(2, 5).credit.text, "garbage");
  EXPECT_EQ(static_credit(2, 5).title.text, "garbage");
}

TEST_F(CreditStoreTest, NullTextIsStoredAsEmpty) {
  SetCredit(1, 3, nullptr, 0, 0, 0);
  ASSERT_NE(GetCredit(1, 3), nullptr);
  EXPECT_STREQ(GetCredit(1, 3), "");
}

TEST_F(CreditStoreTest, ReturnedPointerStaysValidUntilTheLineIsSetAgain) {
  SetCredit(1, 1, "first", 0, 0, 0);
  const char *kept = GetCredit(1, 1);
  SetCredit(1, 2, "second", 0, 0, 0);
  SetCreditImage(1, 1, 0, 3, 4);
  EXPECT_EQ(GetCredit(1, 1), kept);
  EXPECT_STREQ(kept, "first");
}

TEST_F(CreditStoreTest, ImageAndTextSettersShareFields) {
  SetCredit(1, 4, "text", 7, 2, 15);
  SetCreditImage(1, 4, 9, 33, 20);
  const ScrollLine &line = scroll_line(1, 4);
  EXPECT_TRUE(line.is_image);
  EXPECT_TRUE(line.is_set);
  EXPECT_EQ(line.x_pos, 9);
  EXPECT_EQ(line.font_or_slot, 33);
  EXPECT_EQ(line.colour_or_height, 20);
  EXPECT_STREQ(GetCredit(1, 4), "text");
  // Setting a text again leaves it an image line.
  SetCredit(1, 4, "again", 1, 2, 3);
  EXPECT_TRUE(line.is_image);
  EXPECT_EQ(line.font_or_slot, 2);
  EXPECT_EQ(line.colour_or_height, 3);
}

TEST_F(CreditStoreTest, StaticSettersWriteOnlyTheirFields) {
  SetStaticImage(1, 2, 40, 5, 6, 70);
  SetStaticCredit(1, 2, "name", 11, 12, 1, 2);
  SetStaticCreditTitle(1, 2, "title", 21, 22, 3, 4);
  const StaticCredit &entry = static_credit(1, 2);
  EXPECT_TRUE(entry.is_image);
  EXPECT_EQ(entry.x_pos, 11);  // the image moves with the text
  EXPECT_EQ(entry.y_pos, 12);
  EXPECT_EQ(entry.slot, 40);
  EXPECT_EQ(entry.image_time, 70);
  EXPECT_EQ(entry.title_x_pos, 21);
  EXPECT_EQ(entry.title_colour, 4);
  SetStaticPause(1, 2, 5);
  EXPECT_EQ(entry.pause_time, 5);
  SetStaticPause(1, 2, -1);
  EXPECT_EQ(entry.pause_time, -1);
  EXPECT_EQ(entry.credit.text, "name");
}

TEST_F(CreditStoreTest, LastNumbersAreOnlyRaised) {
  SetCredit(1, 7, "seven", 0, 0, 0);
  SetCredit(1, 3, "three", 0, 0, 0);
  EXPECT_EQ(last_scroll_line(1), 7);
  EXPECT_EQ(last_scroll_line(2), 0);
  SetStaticPause(2, 9, 1);
  SetStaticImage(2, 4, 0, 0, 0, 0);
  EXPECT_EQ(last_static_id(2), 9);
  SetStaticCreditTitle(1, 12, "t", 0, 0, 0, 0);
  EXPECT_EQ(last_static_id(1), 12);
}

TEST_F(CreditStoreTest, EmptyLineHeightIgnoresNegatives) {
  CreditsSettings(-1);
  EXPECT_EQ(credit_store.empty_line_height, 10);
  CreditsSettings(0);
  EXPECT_EQ(credit_store.empty_line_height, 0);
}

TEST_F(CreditStoreTest, SequenceSettingsLeaveTheFinishedFlag) {
  scroll_settings(1).finished = 1;
  SequenceSettings(1, 1, 2, 3, 4, 5);
  const ScrollSettings &settings = scroll_settings(1);
  EXPECT_EQ(settings.finished, 1);
  EXPECT_EQ(settings.startpoint, 1);
  EXPECT_EQ(settings.endpoint, 2);
  EXPECT_EQ(settings.speed, 3);
  EXPECT_EQ(settings.automatic, 4);
  EXPECT_EQ(settings.endwait, 5);
}

TEST_F(CreditStoreTest, NumbersOutOfRangeChangeNothingAndSayWhy) {
  const CreditStore before_copy = credit_store;
  SetCredit(0, 1, "x", 0, 0, 0);
  SetCredit(3, 1, "x", 0, 0, 0);
  SetCredit(1, 0, "x", 0, 0, 0);
  SetCredit(1, 101, "x", 0, 0, 0);
  SetCreditImage(-2147483647 - 1, 1, 0, 0, 0);
  SetStaticCredit(1, 2147483647, "x", 0, 0, 0, 0);
  SetStaticCreditTitle(2, -1, "x", 0, 0, 0, 0);
  SetStaticPause(5, 1, 1);
  SetStaticImage(1, 101, 0, 0, 0, 0);
  SequenceSettings(3, 1, 1, 1, 1, 1);
  EXPECT_EQ(GetCredit(1, 101), nullptr);
  EXPECT_EQ(IsSequenceFinished(0), 0);
  EXPECT_EQ(IsStaticSequenceFinished(3), 0);
  EXPECT_EQ(credit_store.last_scroll_line[0], before_copy.last_scroll_line[0]);
  EXPECT_EQ(credit_store.last_static_id[0], 0);
  EXPECT_EQ(credit_store.last_static_id[1], 0);
  EXPECT_EQ(scroll_settings(1).startpoint, 0);
  const std::vector<std::string> lines = console();
  ASSERT_EQ(lines.size(), 13u);
  EXPECT_EQ(lines[0], "SetCredit: sequence 0 is out of range (1 to 2); call ignored");
  EXPECT_EQ(lines[3], "SetCredit: line 101 is out of range (1 to 100); call ignored");
  EXPECT_EQ(lines[4], "SetCreditImage: sequence -2147483648 is out of range (1 to 2); call ignored");
  EXPECT_EQ(lines[5], "SetStaticCredit: id 2147483647 is out of range (1 to 100); call ignored");
  EXPECT_EQ(lines[12], "IsStaticSequenceFinished: sequence 3 is out of range (1 to 2); call ignored");
}

TEST_F(CreditStoreTest, OutOfRangeWithoutAnEngineIsSilent) {
  host_links.engine_interface = nullptr;
  SetCredit(9, 9, "x", 0, 0, 0);
  EXPECT_TRUE(engine.calls.empty());
}
