// CProfileFile on the POSIX profile services (the services themselves are
// compared with wine's by the differential suite).
#include <gtest/gtest.h>

#include "PosixScratch.h"
#include "RecordingBoxes.h"
#include "backup/ProfileFile.h"
#include "platform/posix/PosixPlatform.h"

namespace pelorin {
namespace {

class ProfileFileTest : public ::testing::Test {
 protected:
  ProfileFileTest() {
    posix.MapDrive('C', scratch.path());
    scratch.MakeDir(u8"显卡");
    ini.SetPath("C:\\显卡\\taskinfo.ini");
  }
  Platform Services() {
    Platform services = posix.Get();
    services.boxes = &boxes;
    return services;
  }
  void Put(const std::string& bytes) { scratch.WriteFile(u8"显卡/taskinfo.ini", bytes); }

  testing::PosixScratch scratch;
  testing::RecordingBoxes boxes;
  posix::PosixPlatform posix;
  CProfileFile ini{Services()};
};

TEST_F(ProfileFileTest, ManifestRoundTripInGbkWithCrlfAndAMissingFileShowsOneMessagePerRead) {
  EXPECT_TRUE(ini.WriteValue("显卡驱动", "文件1", "oem12.inf"));
  EXPECT_TRUE(ini.WriteValue("Second", "描述", "100% 兼容%"));  // percent signs are data, never a format
  EXPECT_EQ(scratch.ReadFile(u8"显卡/taskinfo.ini"), "[显卡驱动]\r\n文件1=oem12.inf\r\n[Second]\r\n描述=100% 兼容%\r\n");
  EXPECT_EQ(ini.ReadValue("second", "描述"), "100% 兼容%");
  EXPECT_EQ(ini.ReadValue("显卡驱动", "文件9"), "找不到相应值");
  // Names and lines are appended to what the array holds.
  StringArray names{"x"};
  ini.GetSectionNames(names);
  ini.GetSection("显卡驱动", names);
  EXPECT_EQ(names, (StringArray{"x", "显卡驱动", "Second", "文件1=oem12.inf"}));
  EXPECT_TRUE(boxes.Shown().empty());

  // A missing file shows one message per read and yields nothing.
  ini.SetPath("C:\\nowhere\\taskinfo.ini");
  StringArray out{"kept"};
  EXPECT_EQ(ini.ReadValue("驱动", "硬件ID"), "");
  ini.GetSectionNames(out);
  ini.GetSection("驱动", out);
  EXPECT_EQ(out, StringArray{"kept"});
  // A write into a missing folder fails quietly.
  EXPECT_FALSE(ini.WriteValue("驱动", "硬件ID", "x"));
  const auto shown = boxes.Shown();
  EXPECT_EQ(shown.size(), 3u);
  for (const auto& box : shown) {
    EXPECT_EQ(box.text, "打开配置文件失败，请指定正确文件路径！");
    EXPECT_FALSE(box.hasCaption) << "the application's title";
    EXPECT_EQ(box.type, mb::kOk);
  }
}

TEST_F(ProfileFileTest, LongResultsAreCutToTheFixedBuffers) {
  Put("[v]\r\nlong=" + std::string(600, 'x') + "\r\n");
  EXPECT_EQ(ini.ReadValue("v", "long"), std::string(519, 'x'));

  // 60 names of 16 bytes with their NULs; 778 bytes (the buffer minus 2) hold
  // 48 whole names and 10 bytes of the next one, which is kept as far as it goes.
  std::string text;
  for (int i = 0; i < 60; ++i) text += "[节名称节名称" + std::to_string(100 + i) + "]\r\nk=v\r\n";
  Put(text);
  StringArray names;
  ini.GetSectionNames(names);
  ASSERT_EQ(names.size(), 49u);
  EXPECT_EQ(names[48], "节名称节名");

  // 400 lines of 19 bytes: 5198 bytes hold 273 whole lines and 11 bytes of the next.
  text = "[SourceDisksFiles]\r\n";
  for (int i = 0; i < 400; ++i) text += "file" + std::to_string(10000 + i) + ".sys=1,,x\r\n";
  Put(text);
  StringArray lines;
  ini.GetSection("sourcedisksfiles", lines);
  ASSERT_EQ(lines.size(), 274u);
  EXPECT_EQ(lines[273], "file10273.s");
}

}  // namespace
}  // namespace pelorin
