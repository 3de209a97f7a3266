#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "PosixScratch.h"
#include "platform/Errors.h"
#include "platform/posix/Encoding.h"
#include "platform/posix/PosixPlatform.h"

namespace pelorin::posix {
namespace {

using testing::PosixScratch;

std::vector<std::string> Split(const char* buffer, std::uint32_t n) {
  std::vector<std::string> out;
  for (std::uint32_t offset = 0; offset < n;) {
    const std::string item(buffer + offset);
    out.push_back(item);
    offset += static_cast<std::uint32_t>(item.size()) + 1;
  }
  return out;
}

std::string Utf16(const std::string& gbk) {
  std::string out;
  GbkToUtf16Le(gbk, out);
  return out;
}

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

TEST_F(IniProfileTest, WritesCreateTheFileAndKeepItsLayout) {
  ASSERT_TRUE(Write("驱动", "硬件ID", "PCI\\VEN_1002"));
  ASSERT_TRUE(Write("驱动", "INF", "oem1.inf"));
  ASSERT_TRUE(Write("Second", "k", "v"));
  // Updated in place, under the file's own spelling; a new key after the last
  // key of its section (not after the trailing comment-free blank lines).
  ASSERT_TRUE(Write("驱动", "inf", "oem2.inf"));
  ASSERT_TRUE(Write("驱动", "新键", "值"));
  EXPECT_EQ(scratch_.ReadFile("taskinfo.ini"),
            "[驱动]\r\n硬件ID=PCI\\VEN_1002\r\nINF=oem2.inf\r\n新键=值\r\n[Second]\r\nk=v\r\n");

  // Missing folder: 3, nothing created.
  file_ = "C:\\nodir\\taskinfo.ini";
  EXPECT_FALSE(Write("a", "b", "c"));
  EXPECT_EQ(GetLastError(), err::kPathNotFound);
}

TEST_F(IniProfileTest, LfFileBecomesCrlfAndUntouchedLinesKeepTheirBytes) {
  scratch_.WriteFile("taskinfo.ini", "; head\n[ Spaced ]\nkey = value  \n\n  other=1\n\n[Next]\nx=y");
  EXPECT_EQ(Read("spaced", "KEY"), "value");
  ASSERT_TRUE(Write("Spaced", "new", "2"));
  EXPECT_EQ(scratch_.ReadFile("taskinfo.ini"),
            "; head\r\n[ Spaced ]\r\nkey = value  \r\n\r\n  other=1\r\nnew=2\r\n\r\n[Next]\r\nx=y\r\n");
}

// (Case, blanks, quotes and comments in look-ups: the differential suite.)
TEST_F(IniProfileTest, NullNamesListAndDefaultsLoseTrailingBlanks) {
  scratch_.WriteFile("taskinfo.ini", "[SourceDisksFiles]\r\na.sys=1\r\n[版本]\r\n签名=1\r\n");
  EXPECT_EQ(Read("NoSection", "x", "dflt   "), "dflt");
  EXPECT_EQ(Read("NoSection", "x", nullptr), "");
  // A null key lists the keys of the section, a null section the section names.
  std::vector<char> buf(200);
  EXPECT_EQ(Split(buf.data(), ini().ReadString("版本", nullptr, "", buf.data(), 200, file_)),
            std::vector<std::string>{"签名"});
  EXPECT_EQ(Split(buf.data(), ini().ReadString(nullptr, nullptr, "", buf.data(), 200, file_)),
            (std::vector<std::string>{"SourceDisksFiles", "版本"}));
}

TEST_F(IniProfileTest, ResultsAreCutToTheBuffer) {
  // A double-byte character is never cut in half (wine cuts inside it).
  ASSERT_TRUE(Write("S", "cn", "ab驱动"));
  EXPECT_EQ(Read("S", "cn", "", 5), "ab驱");
  EXPECT_EQ(Read("S", "cn", "", 4), "ab");
  // An empty list is two NULs (wine writes one).
  std::vector<char> empty(4, '#');
  EXPECT_EQ(ini().ReadSection("none", empty.data(), 4, file_), 0u);
  EXPECT_EQ(std::string(empty.data(), 2), std::string("\0\0", 2));
}

// (Missing files, repeated sections and UTF-16 files: the differential suite.)
TEST_F(IniProfileTest, ReadOnlyFileIsKept) {
  scratch_.WriteFile("taskinfo.ini", "[S]\r\nk=v\r\n");
  ASSERT_TRUE(platform_.files().SetAttributes(file_, attr::kReadOnly));
  EXPECT_FALSE(Write("S", "k", "w"));
  EXPECT_EQ(GetLastError(), err::kAccessDenied);
  EXPECT_EQ(Read("S", "k"), "v");
}

TEST_F(IniProfileTest, ValuesAreWrittenAsGiven) {
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
}

TEST_F(IniProfileTest, Utf8MarkIsKeptAndTheRestReadAsAnsi) {
  scratch_.WriteFile("taskinfo.ini", "\xEF\xBB\xBF[A]\r\nk=v\r\n");
  EXPECT_EQ(Read("A", "k"), "v");
  ASSERT_TRUE(Write("A", "k", "w"));
  EXPECT_EQ(scratch_.ReadFile("taskinfo.ini"), "\xEF\xBB\xBF[A]\r\nk=w\r\n");
}

// Any bytes through the engine: the fuzz target. Here what only the file layer sees.
TEST_F(IniProfileTest, MalformedFilesNeverBreakTheEngine) {
  for (const std::string& bytes : {"\xFF\xFE" + Utf16("[A]\r\nk=v\r\n") + "\x41", std::string("\xFE\xFF")}) {
    scratch_.WriteFile("taskinfo.ini", bytes);  // odd-length UTF-16; a bare mark
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
