#include <gtest/gtest.h>

#include <string>

// Narrow literals must be compiled to code page 936: every text the program shows
// or writes is compared byte for byte with what Windows stores.
TEST(CharsetTest, NarrowLiteralsAreGbk) {
  const std::string text = "共找到%d个驱动";
  EXPECT_EQ(text, "\xB9\xB2\xD5\xD2\xB5\xBD%d\xB8\xF6\xC7\xFD\xB6\xAF");
}

TEST(CharsetTest, TrailByteBackslashSurvivesInLiterals) {
  // 乗 is 81 5C in GBK: its trail byte is a backslash.
  const std::string text = "C:\\乗\\x";
  EXPECT_EQ(text, "C:\\\x81\x5C\\x");
}
