#include <gtest/gtest.h>

#include <string>

#include "platform/Mbcs.h"
#include "platform/posix/Encoding.h"

namespace pelorin::posix {
namespace {

using namespace mbcs;

// 乗 is 81 5C in GBK: its trail byte is a backslash.
const std::string kJou = "乗";

TEST(MbcsTest, SearchesLengthsCaseFoldsAndCutsKeepWholeCharacters) {
  // Narrow literals must be compiled to code page 936: every text the program
  // shows or writes is compared byte for byte with what Windows stores.
  ASSERT_EQ(std::string("共找到%d个驱动"), "\xB9\xB2\xD5\xD2\xB5\xBD%d\xB8\xF6\xC7\xFD\xB6\xAF");
  ASSERT_EQ(std::string("C:\\乗\\x"), "C:\\\x81\x5C\\x");
  const std::string path = "C:\\驱动\\" + kJou;
  EXPECT_EQ(FindLast(path, '\\'), 7u);
  for (const std::string& name : {path, kJou}) EXPECT_EQ(AfterLastBackslash(name), kJou) << name;
  EXPECT_EQ(FindLast(kJou + kJou, '\\'), npos);
  EXPECT_EQ(FindFirst(kJou + "\\x", '\\'), 2u);
  // A search starting inside a character starts at the next whole one.
  EXPECT_EQ(FindFirst("\\" + kJou + "\\", '\\', 1), 3u);

  // One byte alone: asked mid-character, a lead byte at the end, 0x7F never trails, 0x80 is no lead byte.
  for (const auto& [text, at] : {std::pair{kJou, 1}, {"\x81", 0}, {"\x81\x7F", 0}, {"\x80\x40", 0}})
    EXPECT_EQ(CharLength(text, at), 1u) << text;
  EXPECT_FALSE(EqualsNoCaseAscii("[", "{"));
  // 0x81 0x5A would be "Z" if taken byte by byte; it is a trail byte and stays.
  EXPECT_EQ(ToLowerAscii("ABC\x81\x5A" "D"), "abc\x81\x5A" "d");
  EXPECT_EQ(RemoveAll("a\\b\\" + kJou + "\\", '\\'), "ab" + kJou);
}

TEST(PosixEncodingTest, GbkAndUtf8RoundTripInvalidInputFailsOrIsReplacedAndNamesFoldCase) {
  std::string utf8, gbk, out;
  ASSERT_TRUE(GbkToUtf8("驱动乗\x80", utf8));  // 0x80 is the euro sign in code page 936
  EXPECT_EQ(utf8, u8"驱动乗€");
  ASSERT_TRUE(Utf8ToGbk(utf8, gbk));
  EXPECT_EQ(gbk, "驱动乗\x80");
  EXPECT_FALSE(GbkToUtf8("a\x81", out));  // a lead byte with nothing after it
  EXPECT_EQ(GbkToUtf8Lossy("a\xFF" "b\x81"), "a?b?");
  EXPECT_FALSE(Utf8ToGbk("\xF0\x9F\x98\x80", out));  // no GBK form
  EXPECT_EQ(Utf8ToGbkLossy("x\xF0\x9F\x98\x80" "y"), "x?y");
  // UTF-16: a lone surrogate and a cut code unit.
  EXPECT_TRUE(Utf16LeToGbk(std::string("A\0\x00\xD8" "B\0", 6), out, Invalid::kReplace));
  EXPECT_EQ(out, "A?B");
  EXPECT_TRUE(Utf16LeToGbk(std::string("A\0B", 3), out, Invalid::kReplace));
  EXPECT_EQ(out, "A?");
  // FE FE is a well-formed pair without a Unicode mapping: one '?' per pair.
  EXPECT_EQ(GbkToUtf8Lossy(std::string(1000, '\xFE')), std::string(500, '?'));
  // An encoded surrogate and an overlong form.
  std::u32string decoded;
  for (const char* bad : {"\xED\xA0\x80", "\xC0\x80"}) EXPECT_FALSE(DecodeUtf8(bad, decoded)) << bad;

  // Names compare without regard to case, full-width letters too; invalid bytes compare as themselves.
  // (The NTFS listing order: the POSIX file system's listing test.)
  for (const auto& [a, b] :
       {std::pair{"SourceDisksFiles", "sourcedisksfiles"}, {"ＡＢ", "ａｂ"}, {"Ω", "ω"}, {"\xFF", "\xFF"}})
    EXPECT_TRUE(EqualsNoCaseGbk(a, b)) << a;
  EXPECT_FALSE(EqualsNoCaseGbk("\x81\x5A", "\x81\x7A"));  // different characters, not cases
}

}  // namespace
}  // namespace pelorin::posix
