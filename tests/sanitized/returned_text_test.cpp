// A text handed back to a script is written into as an old-style `string`:
// StrCopy and StrCat may fill 200 bytes behind the pointer. Built with
// AddressSanitizer, so a write past the plug-in's storage ends the test.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "credit_store.h"

namespace {

char *returned_text(int line) { return const_cast<char *>(GetCredit(1, line)); }

}  // namespace

TEST(ReturnedText, HoldsAnOldStyleStringWrittenIntoIt) {
  credit_store = CreditStore{};
  SetCredit(1, 1, "Ada", 10, 2, 15);
  SetCredit(1, 2, "Bea", 20, 3, 4);

  char *text = returned_text(1);
  std::memset(text, 'x', OLD_STYLE_STRING_SIZE - 1);  // 199 letters and a terminator
  text[OLD_STYLE_STRING_SIZE - 1] = '\0';

  EXPECT_STREQ(GetCredit(1, 2), "Bea");
  EXPECT_EQ(scroll_line(1, 1).x_pos, 10);
  EXPECT_EQ(scroll_line(1, 1).colour_or_height, 15);

  // The script may hand the text straight back to a setter.
  SetCredit(1, 1, returned_text(1), 10, 2, 15);
  EXPECT_EQ(std::string(GetCredit(1, 1)), std::string(OLD_STYLE_STRING_SIZE - 1, 'x'));
  credit_store = CreditStore{};
}

TEST(ReturnedText, ALongerTextKeepsRoomForItself) {
  credit_store = CreditStore{};
  const std::string long_text(450, 'L');
  SetCredit(1, 1, long_text.c_str(), 0, 0, 0);
  std::memset(returned_text(1), 'y', long_text.size());
  EXPECT_EQ(std::strlen(GetCredit(1, 1)), long_text.size());
  credit_store = CreditStore{};
}

TEST(ReturnedTextDeathTest, AWritePastTheRoomIsSeen) {
  credit_store = CreditStore{};
  SetCredit(1, 1, "Ada", 0, 0, 0);
  char *text = returned_text(1);
  const std::size_t room = scroll_line(1, 1).credit.text.capacity() + 1;
  EXPECT_DEATH(text[room] = 'x', "heap-buffer-overflow");
  credit_store = CreditStore{};
}
