#include <gtest/gtest.h>

#include <string>

#include "platform/posix/Encoding.h"

namespace pelorin::posix {
namespace {

TEST(PosixEncodingTest, GbkAndUtf8RoundTrip) {
  std::string utf8, gbk;
  ASSERT_TRUE(GbkToUtf8("驱动乗\x80", utf8));  // 0x80 is the euro sign in code page 936
  EXPECT_EQ(utf8, u8"驱动乗€");
  ASSERT_TRUE(Utf8ToGbk(utf8, gbk));
  EXPECT_EQ(gbk, "驱动乗\x80");
  ASSERT_TRUE(GbkToUtf8("", utf8));
  EXPECT_EQ(utf8, "");
}

TEST(PosixEncodingTest, InvalidInputFailsOrIsReplaced) {
  std::string out;
  EXPECT_FALSE(GbkToUtf8("a\x81", out));  // a lead byte with nothing after it
  EXPECT_FALSE(GbkToUtf8("a\xFF" "b", out));
  ASSERT_TRUE(GbkToUtf8("a\xFF" "b\x81", out, Invalid::kReplace));
  EXPECT_EQ(out, "a?b?");
  EXPECT_FALSE(Utf8ToGbk("\xC3\x28", out));
  EXPECT_FALSE(Utf8ToGbk("\xF0\x9F\x98\x80", out));  // no GBK form
  EXPECT_EQ(Utf8ToGbkLossy("x\xF0\x9F\x98\x80" "y"), "x?y");
  // UTF-16: a lone surrogate and a cut code unit.
  EXPECT_TRUE(Utf16LeToGbk(std::string("A\0\x00\xD8" "B\0", 6), out, Invalid::kReplace));
  EXPECT_EQ(out, "A?B");
  EXPECT_TRUE(Utf16LeToGbk(std::string("A\0B", 3), out, Invalid::kReplace));
  EXPECT_EQ(out, "A?");
  // FE FE is a well-formed pair without a Unicode mapping: one '?' per pair.
  EXPECT_EQ(GbkToUtf8Lossy(std::string(1000, '\xFE')), std::string(500, '?'));
}

TEST(PosixEncodingTest, NamesCompareWithoutRegardToCase) {
  EXPECT_TRUE(EqualsNoCaseGbk("SourceDisksFiles", "sourcedisksfiles"));
  EXPECT_TRUE(EqualsNoCaseGbk("驱动Inf", "驱动INF"));
  EXPECT_TRUE(EqualsNoCaseGbk("ＡＢ", "ａｂ"));  // full-width letters fold too
  EXPECT_TRUE(EqualsNoCaseGbk("Ω", "ω"));
  EXPECT_FALSE(EqualsNoCaseGbk("驱动", "驱"));
  EXPECT_FALSE(EqualsNoCaseGbk("\x81\x5A", "\x81\x7A"));  // different characters, not cases
  EXPECT_TRUE(EqualsNoCaseGbk("\xFF", "\xFF"));  // invalid bytes compare as themselves
  // NTFS order: upper-cased UTF-16, so "_" sorts after letters.
  std::u32string a, b;
  ASSERT_TRUE(DecodeUtf8("_x", a));
  ASSERT_TRUE(DecodeUtf8("Zz", b));
  EXPECT_LT(NtfsOrderKey(b), NtfsOrderKey(a));
  EXPECT_FALSE(DecodeUtf8("\xED\xA0\x80", a));  // encoded surrogate
  EXPECT_FALSE(DecodeUtf8("\xC0\x80", a));      // overlong
}

}  // namespace
}  // namespace pelorin::posix
