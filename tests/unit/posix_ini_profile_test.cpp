#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PosixScratch.h"
#include "RecordingBoxes.h"
#include "backup/ProfileFile.h"
#include "platform/Errors.h"
#include "platform/posix/Encoding.h"
#include "platform/posix/PosixPlatform.h"

namespace pelorin::posix {
namespace {

using testing::PosixScratch;

// (Updates in place, repeated sections, comments, blanks, cut results, UTF-16 and missing files are compared with
// wine by the differential suite; here what it lets differ as wine's deviations, and what it does not call.)
class IniProfileTest : public ::testing::Test {
 protected:
  IniProfileTest() {
    platform_.MapDrive('C', scratch_.path());
    platform_.SetMessageBoxes(&boxes_);
  }

  std::string Read(const char* section, const char* key, const char* def = "找不到相应值", std::uint32_t size = 520) {
    std::vector<char> buf(size + 1, '#');
    const std::uint32_t n = platform_.profile().ReadString(section, key, def, buf.data(), size, file_);
    EXPECT_EQ(buf[n], '\0');
    return std::string(buf.data(), n);
  }
  bool Write(const char* s, const char* k, const char* v) { return platform_.profile().WriteString(s, k, v, file_); }

  PosixScratch scratch_;
  testing::RecordingBoxes boxes_;
  PosixPlatform platform_;
  std::string file_ = "C:\\taskinfo.ini";
};

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
  EXPECT_EQ(platform_.profile().ReadSection("none", empty.data(), 4, file_), 0u);
  EXPECT_EQ(std::string(empty.data(), 2), std::string("\0\0", 2));
}

TEST_F(IniProfileTest, ValuesAreWrittenAsGivenButNeverIntoAReadOnlyFile) {
  // Windows writes leading blanks of a value verbatim (wine drops them); reads trim it, writes trim the names.
  ASSERT_TRUE(Write("S", "sp", "  padded  "));
  ASSERT_TRUE(Write(" S ", " k ", "v"));
  EXPECT_EQ(scratch_.ReadFile("taskinfo.ini"), "[S]\r\nsp=  padded  \r\nk=v\r\n");
  EXPECT_EQ(Read("S", "sp"), "padded");
  // Windows refuses the write even to root (wine as root writes).
  ASSERT_TRUE(platform_.files().SetAttributes(file_, attr::kReadOnly));
  EXPECT_FALSE(Write("S", "k", "w"));
  EXPECT_EQ(GetLastError(), err::kAccessDenied);
  EXPECT_EQ(Read("S", "k"), "v");
}

// Any bytes through the engine: the fuzz target. Here what only the file layer sees: an LF file written back
// with CR LF, untouched lines keeping their bytes, a UTF-8 mark kept, odd-length UTF-16 and a bare mark.
TEST_F(IniProfileTest, LfFileBecomesCrlfUntouchedLinesAndMarksKeepTheirBytesAndMalformedFilesNeverBreakTheEngine) {
  scratch_.WriteFile("taskinfo.ini", "\xEF\xBB\xBF[ Spaced ]\nkey = value  \n\n  other=1\n\n[Next]\nx=y");
  EXPECT_EQ(Read("spaced", "KEY"), "value");
  // A new key goes after the section's last key, an update under the file's own spelling.
  ASSERT_TRUE(Write("Spaced", "new", "2"));
  ASSERT_TRUE(Write("Spaced", "OTHER", "3"));
  EXPECT_EQ(scratch_.ReadFile("taskinfo.ini"),
            "\xEF\xBB\xBF[ Spaced ]\r\nkey = value  \r\n\r\nother=3\r\nnew=2\r\n\r\n[Next]\r\nx=y\r\n");
  std::string utf16;
  GbkToUtf16Le("[A]\r\nk=v\r\n", utf16);
  for (const std::string& bytes : {"\xFF\xFE" + utf16 + "\x41", std::string("\xFE\xFF")}) {
    scratch_.WriteFile("taskinfo.ini", bytes);
    EXPECT_TRUE(Write("A", "k", "w"));
    EXPECT_EQ(Read("A", "k"), "w");
  }
}

// CProfileFile on these services, its boxes recorded. (The bytes of its manifests: the folder backup's tests.)
TEST_F(IniProfileTest, ProfileFileReadsWhatItWroteCutsToItsBuffersAndAMissingFileShowsOneMessagePerRead) {
  CProfileFile ini(platform_.Get());
  ini.SetPath("C:\\显卡\\taskinfo.ini");
  scratch_.MakeDir(u8"显卡");
  EXPECT_TRUE(ini.WriteValue("显卡驱动", "文件1", "oem12.inf"));
  EXPECT_TRUE(ini.WriteValue("Second", "描述", "100% 兼容%"));  // percent signs are data, never a format
  EXPECT_EQ(ini.ReadValue("second", "描述"), "100% 兼容%");
  EXPECT_EQ(ini.ReadValue("显卡驱动", "文件9"), "找不到相应值");
  // Names and lines are appended to what the array holds.
  StringArray names{"x"};
  ini.GetSectionNames(names);
  ini.GetSection("显卡驱动", names);
  EXPECT_EQ(names, (StringArray{"x", "显卡驱动", "Second", "文件1=oem12.inf"}));

  scratch_.WriteFile(u8"显卡/taskinfo.ini", "[v]\r\nlong=" + std::string(600, 'x') + "\r\n");
  EXPECT_EQ(ini.ReadValue("v", "long"), std::string(519, 'x'));
  // 60 names of 17 bytes with their NULs; 778 bytes (the buffer minus 2) hold 45 whole names and 13 bytes
  // of the next one, which is kept as far as it goes but never ends in half a character.
  std::string text;
  for (int i = 0; i < 60; ++i) text += "[节名称节名称节" + std::to_string(10 + i) + "]\r\nk=v\r\n";
  scratch_.WriteFile(u8"显卡/taskinfo.ini", text);
  names.clear();
  ini.GetSectionNames(names);
  ASSERT_EQ(names.size(), 46u);
  EXPECT_EQ(names[45], "节名称节名称");
  // 400 lines of 19 bytes: 5198 bytes hold 273 whole lines and 11 bytes of the next.
  text = "[SourceDisksFiles]\r\n";
  for (int i = 0; i < 400; ++i) text += "file" + std::to_string(10000 + i) + ".sys=1,,x\r\n";
  scratch_.WriteFile(u8"显卡/taskinfo.ini", text);
  StringArray lines;
  ini.GetSection("sourcedisksfiles", lines);
  ASSERT_EQ(lines.size(), 274u);
  EXPECT_EQ(lines[273], "file10273.s");

  // A missing file shows one message per read and yields nothing; a write into a missing folder fails quietly.
  ini.SetPath("C:\\nowhere\\taskinfo.ini");
  StringArray out{"kept"};
  EXPECT_EQ(ini.ReadValue("驱动", "硬件ID"), "");
  ini.GetSectionNames(out);
  ini.GetSection("驱动", out);
  EXPECT_EQ(out, StringArray{"kept"});
  EXPECT_FALSE(ini.WriteValue("驱动", "硬件ID", "x"));
  // Only these boxes, under the program's title, OK.
  EXPECT_EQ(boxes_.Shown(),
            std::vector<testing::ShownBox>(3, {"打开配置文件失败，请指定正确文件路径！", "", false, mb::kOk}));
}

}  // namespace
}  // namespace pelorin::posix
