#include <gtest/gtest.h>

#include <string>

#include "platform/Mbcs.h"

namespace pelorin::mbcs {
namespace {

// 乗 is 81 5C in GBK: its trail byte is a backslash.
const std::string kJou = "乗";

TEST(MbcsTest, TrailBackslashIsNotASeparator) {
  // Narrow literals must be compiled to code page 936: every text the program
  // shows or writes is compared byte for byte with what Windows stores.
  ASSERT_EQ(std::string("共找到%d个驱动"), "\xB9\xB2\xD5\xD2\xB5\xBD%d\xB8\xF6\xC7\xFD\xB6\xAF");
  ASSERT_EQ(std::string("C:\\乗\\x"), "C:\\\x81\x5C\\x");
  const std::string path = "C:\\驱动\\" + kJou;
  EXPECT_EQ(FindLast(path, '\\'), 7u);
  EXPECT_EQ(AfterLastBackslash(path), kJou);
  EXPECT_EQ(AfterLastBackslash(kJou), kJou);
  EXPECT_EQ(FindLast(kJou + kJou, '\\'), npos);
  EXPECT_EQ(FindFirst(kJou + "\\x", '\\'), 2u);
  // A search starting inside a character starts at the next whole one.
  EXPECT_EQ(FindFirst("\\" + kJou + "\\", '\\', 1), 3u);
}

TEST(MbcsTest, CharacterLengths) {
  EXPECT_EQ(CharLength(kJou, 0), 2u);
  EXPECT_EQ(CharLength(kJou, 1), 1u);  // asked mid-character, the byte alone
  EXPECT_EQ(CharLength("\x81", 0), 1u);       // lead byte at the end
  EXPECT_EQ(CharLength("\x81\x7F", 0), 1u);   // 0x7F never trails
  EXPECT_EQ(CharLength("\x81\x30", 0), 1u);
  EXPECT_EQ(CharLength("\xFE\xFE", 0), 2u);
  EXPECT_EQ(CharLength("\x80\x40", 0), 1u);   // 0x80 is no lead byte
  EXPECT_EQ(CharLength("a", 5), 1u);
}

TEST(MbcsTest, CaseFoldingTouchesOnlyAsciiLetters) {
  EXPECT_TRUE(EqualsNoCaseAscii("iAlmCoIn.DLL", "ialmcoin.dll"));
  EXPECT_FALSE(EqualsNoCaseAscii("a", "ab"));
  EXPECT_FALSE(EqualsNoCaseAscii("[", "{"));
  // 0x81 0x5A would be "Z" if taken byte by byte; it is a trail byte and stays.
  EXPECT_EQ(ToLowerAscii("ABC\x81\x5A" "D"), "abc\x81\x5A" "d");
}

TEST(MbcsTest, CutsAndRemovalsKeepWholeCharacters) {
  const std::string text = "ab驱动";
  EXPECT_EQ(CutAtCharBoundary(text, 3), "ab");
  EXPECT_EQ(CutAtCharBoundary(text, 4), "ab驱");
  EXPECT_EQ(RemoveAll("a/b/" + kJou + "/", '/'), "ab" + kJou);
  EXPECT_EQ(RemoveAll("x\\" + kJou, '\\'), "x" + kJou);
}

}  // namespace
}  // namespace pelorin::mbcs
