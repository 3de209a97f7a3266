// CProfileFile against a scripted profile service: the buffers it hands over,
// the default text, the splitting of multi-string results and the message for a
// missing file.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "RecordingBoxes.h"
#include "MemoryTreeFileSystem.h"
#include "backup/BackupTexts.h"
#include "backup/ProfileFile.h"
#include "platform/Errors.h"

namespace pelorin {
namespace {

struct ProfileCall {
  std::string op, section, key, defaultValue, value, file;
  std::uint32_t size = 0;
};

// Answers every read with `bytes` copied into the caller's buffer (cut to its
// size) and the count `result`; records what it was asked.
class ScriptedProfile : public ProfileApi {
 public:
  std::string bytes;
  std::uint32_t result = 0;
  bool writeResult = true;
  std::vector<ProfileCall> calls;

  std::uint32_t ReadString(const char* section, const char* key, const char* defaultValue, char* buffer,
                           std::uint32_t size, const std::string& file) override {
    calls.push_back({"string", section, key, defaultValue, "", file, size});
    return Fill(buffer, size);
  }
  std::uint32_t ReadSection(const char* section, char* buffer, std::uint32_t size, const std::string& file) override {
    calls.push_back({"section", section, "", "", "", file, size});
    return Fill(buffer, size);
  }
  std::uint32_t ReadSectionNames(char* buffer, std::uint32_t size, const std::string& file) override {
    calls.push_back({"names", "", "", "", "", file, size});
    return Fill(buffer, size);
  }
  bool WriteString(const char* section, const char* key, const char* value, const std::string& file) override {
    calls.push_back({"write", section, key, "", value, file, 0});
    return writeResult;
  }

 private:
  std::uint32_t Fill(char* buffer, std::uint32_t size) {
    std::memcpy(buffer, bytes.data(), std::min<std::size_t>(bytes.size(), size));
    return result;
  }
};

constexpr char kIni[] = "C:\\backup\\显卡\\taskinfo.ini";

class ProfileFileTest : public ::testing::Test {
 protected:
  ProfileFileTest() {
    files.AddFile(kIni);
    ini.SetPath(kIni);
  }
  Platform Services() {
    Platform platform;
    platform.files = &files;
    platform.profile = &profile;
    platform.boxes = &boxes;
    return platform;
  }

  void Script(const std::string& bytes, std::uint32_t result) {
    profile.bytes = bytes;
    profile.result = result;
  }

  testing::MemoryTreeFileSystem files;
  ScriptedProfile profile;
  testing::RecordingBoxes boxes;
  CProfileFile ini{Services()};
};

TEST_F(ProfileFileTest, ReadValueHandsOverThe520ByteBufferAndTheNotFoundDefault) {
  Script("100%", 4);  // percent signs are data, never a format
  EXPECT_EQ(ini.ReadValue("驱动", "硬件ID"), "100%");
  ASSERT_EQ(profile.calls.size(), 1u);
  EXPECT_EQ(profile.calls[0].section, "驱动");
  EXPECT_EQ(profile.calls[0].key, "硬件ID");
  EXPECT_EQ(profile.calls[0].defaultValue, texts::kValueNotFound);
  EXPECT_EQ(profile.calls[0].size, 520u);
  EXPECT_EQ(profile.calls[0].file, kIni);

  // The service copies the default for an absent key; it comes back as is.
  Script(texts::kValueNotFound, std::strlen(texts::kValueNotFound));
  EXPECT_EQ(ini.ReadValue("驱动", "没有"), "找不到相应值");

  Script(std::string(519, 'v') + '\0', 519);
  EXPECT_EQ(ini.ReadValue("s", "k"), std::string(519, 'v'));
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(ProfileFileTest, MissingFileShowsOneMessagePerReadAndYieldsNothing) {
  ini.SetPath("C:\\backup\\nowhere\\taskinfo.ini");
  StringArray names{"kept"};
  StringArray lines{"kept"};

  EXPECT_EQ(ini.ReadValue("驱动", "硬件ID"), "");
  ini.GetSectionNames(names);
  ini.GetSection("驱动", lines);

  EXPECT_EQ(names, StringArray{"kept"});
  EXPECT_EQ(lines, StringArray{"kept"});
  EXPECT_TRUE(profile.calls.empty()) << "no service call without the file";
  const auto shown = boxes.Shown();
  ASSERT_EQ(shown.size(), 3u);
  for (const auto& box : shown) {
    EXPECT_EQ(box.text, "打开配置文件失败，请指定正确文件路径！");
    EXPECT_FALSE(box.hasCaption) << "the application's title";
    EXPECT_EQ(box.type, mb::kOk);
  }
}

TEST_F(ProfileFileTest, SectionNamesSplitStopsAtTheCountAndKeepsACutName) {
  // The list's closing NUL lies at the count; nothing past it is taken, not
  // even strings the buffer still holds from elsewhere.
  Script(std::string("驱动\0Second\0\0stale\0\0", 20), 12);
  StringArray names;
  ini.GetSectionNames(names);
  EXPECT_EQ(names, (StringArray{"驱动", "Second"}));
  ASSERT_EQ(profile.calls.size(), 1u);
  EXPECT_EQ(profile.calls[0].size, 780u);

  // An overflowing list: the service returns size - 2 and the last name is cut.
  std::string full;
  while (full.size() < 770) full += "section" + std::to_string(full.size()) + '\0';
  full.resize(778);
  Script(full + std::string("\0\0", 2), 778);
  names.clear();
  ini.GetSectionNames(names);
  ASSERT_FALSE(names.empty());
  EXPECT_EQ(names.front(), "section0");
  std::size_t total = 0;
  for (const auto& name : names) total += name.size() + 1;
  EXPECT_EQ(total, 779u) << "every byte up to the count, the cut name included";

  // Names are appended to what the array holds.
  Script(std::string("a\0b\0\0", 5), 4);
  names = {"x"};
  ini.GetSectionNames(names);
  ini.GetSectionNames(names);
  EXPECT_EQ(names, (StringArray{"x", "a", "b", "a", "b"}));
}

TEST_F(ProfileFileTest, SectionLinesComeInFileOrderAndAnEmptySectionAddsNothing) {
  Script(std::string("ati2mtag.sys=1,,\0ati2dvag.dll=1,,\0\0", 35), 34);
  StringArray lines;
  ini.GetSection("SourceDisksFiles", lines);
  EXPECT_EQ(lines, (StringArray{"ati2mtag.sys=1,,", "ati2dvag.dll=1,,"}));
  ASSERT_EQ(profile.calls.size(), 1u);
  EXPECT_EQ(profile.calls[0].section, "SourceDisksFiles");
  EXPECT_EQ(profile.calls[0].size, 5200u);

  Script(std::string("\0\0", 2), 0);
  lines.clear();
  ini.GetSection("Empty", lines);
  EXPECT_TRUE(lines.empty());
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(ProfileFileTest, WriteValueIsOneCallWithoutMessage) {
  ini.SetPath("C:\\backup\\new\\taskinfo.ini");  // the service creates the file
  EXPECT_TRUE(ini.WriteValue("驱动", "文件1", "oem1.inf"));
  profile.writeResult = false;
  EXPECT_FALSE(ini.WriteValue("驱动", "文件2", "x.sys"));

  ASSERT_EQ(profile.calls.size(), 2u);
  EXPECT_EQ(profile.calls[0].op, "write");
  EXPECT_EQ(profile.calls[0].section, "驱动");
  EXPECT_EQ(profile.calls[0].key, "文件1");
  EXPECT_EQ(profile.calls[0].value, "oem1.inf");
  EXPECT_EQ(profile.calls[0].file, "C:\\backup\\new\\taskinfo.ini");
  EXPECT_TRUE(boxes.Shown().empty());
}

}  // namespace
}  // namespace pelorin
