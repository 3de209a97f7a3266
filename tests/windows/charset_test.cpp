#include <gtest/gtest.h>
#include <windows.h>

#include <string>

TEST(CharsetTest, NarrowLiteralsAreGbk) {
  const std::string text = "共找到%d个驱动";
  EXPECT_EQ(text, "\xB9\xB2\xD5\xD2\xB5\xBD%d\xB8\xF6\xC7\xFD\xB6\xAF");
}

// The test environment must run programs in code page 936, as the program's
// users do; everything else under wine depends on it.
TEST(CharsetTest, AnsiCodePageIs936) { EXPECT_EQ(GetACP(), 936u); }
