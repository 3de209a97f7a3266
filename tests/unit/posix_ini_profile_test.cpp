#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PosixScratch.h"
#include "platform/Errors.h"
#include "platform/posix/Encoding.h"
#include "platform/posix/PosixPlatform.h"

namespace pelorin::posix {
namespace {

using testing::PosixScratch;

// (Updates in place, repeated sections, comments, blanks, cut results, UTF-16 and
// missing files are compared with wine by the differential suite; here what it
// lets differ as wine's deviations, and what it does not call.)
class IniProfileTest : public ::testing::Test {
 protected:
  IniProfileTest() { platform_.MapDrive('C', scratch_.path()); }

  std::string Read(const char* section, const char* key, const char* def = "找不到相应值",
                   std::uint32_t size = 520) {
    std::vector<char> buf(size + 1, '#');
    const std::uint32_t n = ini().ReadString(section, key, def, buf.data(), size, file_);
    EXPECT_EQ(buf[n], '\0');
    return std::string(buf.data(), n);
  }
  bool Write(const char* section, const char* key, const char* value) {
    return ini().WriteString(section, key, value, file_);
  }
  ProfileApi& ini() { return platform_.profile(); }

  PosixScratch scratch_;
  PosixPlatform platform_;
  std::string file_ = "C:\\taskinfo.ini";
};

TEST_F(IniProfileTest, LfFileBecomesCrlfAndUntouchedLinesKeepTheirBytes) {
  scratch_.WriteFile("taskinfo.ini", "; head\n[ Spaced ]\nkey = value  \n\n  other=1\n\n[Next]\nx=y");
  EXPECT_EQ(Read("spaced", "KEY"), "value");
  // A new key goes after the section's last key, an update under the file's own spelling.
  ASSERT_TRUE(Write("Spaced", "new", "2"));
  ASSERT_TRUE(Write("Spaced", "OTHER", "3"));
  EXPECT_EQ(scratch_.ReadFile("taskinfo.ini"),
            "; head\r\n[ Spaced ]\r\nkey = value  \r\n\r\nother=3\r\nnew=2\r\n\r\n[Next]\r\nx=y\r\n");
}

TEST_F(IniProfileTest, NullNamesListDefaultsLoseTrailingBlanksAndResultsAreCutToTheBuffer) {
  scratch_.WriteFile("taskinfo.ini", "[SourceDisksFiles]\r\na.sys=1\r\n[版本]\r\n签名=1\r\n");
  EXPECT_EQ(Read("NoSection", "x", "dflt   "), "dflt");
  EXPECT_EQ(Read("NoSection", "x", nullptr), "");
  // A null key lists the keys of the section, a null section the section names.
  EXPECT_EQ(Read("版本", nullptr, ""), std::string("签名\0", 5));
  EXPECT_EQ(Read(nullptr, nullptr, ""), std::string("SourceDisksFiles\0版本\0", 22));

  // A double-byte character is never cut in half (wine cuts inside it).
  ASSERT_TRUE(Write("S", "cn", "ab驱动"));
  EXPECT_EQ(Read("S", "cn", "", 5), "ab驱");
  EXPECT_EQ(Read("S", "cn", "", 4), "ab");
  // An empty list is two NULs (wine writes one).
  std::vector<char> empty(4, '#');
  EXPECT_EQ(ini().ReadSection("none", empty.data(), 4, file_), 0u);
  EXPECT_EQ(std::string(empty.data(), 2), std::string("\0\0", 2));
}

TEST_F(IniProfileTest, ValuesAreWrittenAsGivenButNeverIntoAReadOnlyFile) {
  // Windows writes leading blanks of a value verbatim (wine drops them); reads trim.
  ASSERT_TRUE(Write("S", "sp", "  padded  "));
  EXPECT_EQ(scratch_.ReadFile("taskinfo.ini"), "[S]\r\nsp=  padded  \r\n");
  EXPECT_EQ(Read("S", "sp"), "padded");
  ASSERT_TRUE(Write(" S ", " k ", "v"));  // names are trimmed
  // Null value deletes the key, null key the section.
  ASSERT_TRUE(Write("S", "sp", nullptr));
  EXPECT_EQ(scratch_.ReadFile("taskinfo.ini"), "[S]\r\nk=v\r\n");
  ASSERT_TRUE(Write("s", nullptr, nullptr));
  EXPECT_EQ(scratch_.ReadFile("taskinfo.ini"), "");
  // Windows refuses the write even to root (wine as root writes).
  ASSERT_TRUE(Write("S", "k", "v"));
  ASSERT_TRUE(platform_.files().SetAttributes(file_, attr::kReadOnly));
  EXPECT_FALSE(Write("S", "k", "w"));
  EXPECT_EQ(GetLastError(), err::kAccessDenied);
  EXPECT_EQ(Read("S", "k"), "v");
}

// Any bytes through the engine: the fuzz target. Here what only the file layer
// sees: a UTF-8 mark kept, odd-length UTF-16 and a bare mark.
TEST_F(IniProfileTest, MarksAndMalformedFilesNeverBreakTheEngine) {
  scratch_.WriteFile("taskinfo.ini", "\xEF\xBB\xBF[A]\r\nk=v\r\n");
  ASSERT_TRUE(Write("A", "k", "w"));
  EXPECT_EQ(scratch_.ReadFile("taskinfo.ini"), "\xEF\xBB\xBF[A]\r\nk=w\r\n");
  std::string utf16;
  GbkToUtf16Le("[A]\r\nk=v\r\n", utf16);
  for (const std::string& bytes : {"\xFF\xFE" + utf16 + "\x41", std::string("\xFE\xFF")}) {
    scratch_.WriteFile("taskinfo.ini", bytes);
    Read("A", "k");
    EXPECT_TRUE(Write("A", "k", "w"));
    EXPECT_EQ(Read("A", "k"), "w");
  }
}

// (The cut lists' contract at every size: tests/fuzz/ini_profile_fuzz.cpp.)
TEST(IniProfileBufferTest, CutListsNeverEndInHalfACharacter) {
  const std::vector<std::string> items = {"ab", "c", "驱动x"};
  for (auto [size, got] : {std::pair<std::uint32_t, std::string>{8, std::string("ab\0c\0\0", 6)},
                           {9, std::string("ab\0c\0驱", 7)}}) {
    std::vector<char> buf(size);
    EXPECT_EQ(std::string(buf.data(), IniProfile::CopyList(items, buf.data(), size)), got) << size;
  }
}

}  // namespace
}  // namespace pelorin::posix
