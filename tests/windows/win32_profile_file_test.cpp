// CProfileFile on the real profile services under wine: manifests written and
// read back, the not-found default, the buffer bounds and the missing-file box.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "RecordingBoxes.h"
#include "backup/ProfileFile.h"
#include "platform/win32/Win32Platform.h"
#include "windows/support/Win32Scratch.h"

namespace pelorin {
namespace {

using testing::Win32Scratch;

class Win32ProfileFileTest : public ::testing::Test {
 protected:
  Win32ProfileFileTest() { ini.SetPath(path.c_str()); }
  Platform Services() {
    Platform services = win32.Get();
    services.boxes = &boxes;
    return services;
  }

  win32::Win32Platform win32;
  testing::RecordingBoxes boxes;
  Win32Scratch scratch{"profile"};
  std::string path = scratch / "taskinfo.ini";
  CProfileFile ini{Services()};
};

TEST_F(Win32ProfileFileTest, ManifestRoundTripInGbkWithCrlf) {
  EXPECT_TRUE(ini.WriteValue("显卡驱动", "硬件ID", "PCI\\VEN_1002&DEV_4E50"));
  EXPECT_TRUE(ini.WriteValue("显卡驱动", "文件1", "oem12.inf"));
  EXPECT_TRUE(ini.WriteValue("Second", "描述", "100% 兼容%"));
  EXPECT_EQ(Win32Scratch::ReadFile(path),
            "[显卡驱动]\r\n硬件ID=PCI\\VEN_1002&DEV_4E50\r\n文件1=oem12.inf\r\n[Second]\r\n描述=100% 兼容%\r\n");

  EXPECT_EQ(ini.ReadValue("显卡驱动", "文件1"), "oem12.inf");
  EXPECT_EQ(ini.ReadValue("second", "描述"), "100% 兼容%");
  EXPECT_EQ(ini.ReadValue("显卡驱动", "文件9"), "找不到相应值");
  EXPECT_EQ(ini.ReadValue("无此节", "文件1"), "找不到相应值");

  StringArray names;
  ini.GetSectionNames(names);
  ini.GetSectionNames(names);
  EXPECT_EQ(names, (StringArray{"显卡驱动", "Second", "显卡驱动", "Second"}));
  StringArray lines;
  ini.GetSection("显卡驱动", lines);
  EXPECT_EQ(lines, (StringArray{"硬件ID=PCI\\VEN_1002&DEV_4E50", "文件1=oem12.inf"}));
  lines.clear();
  ini.GetSection("Absent", lines);
  EXPECT_TRUE(lines.empty());
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(Win32ProfileFileTest, MissingFileGivesTheMessageAndCreatesNothing) {
  const std::string missing = scratch / "nowhere\\taskinfo.ini";
  ini.SetPath(missing.c_str());
  StringArray out{"kept"};
  EXPECT_EQ(ini.ReadValue("驱动", "硬件ID"), "");
  ini.GetSectionNames(out);
  ini.GetSection("驱动", out);
  EXPECT_EQ(out, StringArray{"kept"});
  EXPECT_EQ(boxes.Texts(), (std::vector<std::string>(3, "打开配置文件失败，请指定正确文件路径！")));
  EXPECT_EQ(::GetFileAttributesA(missing.c_str()), INVALID_FILE_ATTRIBUTES);

  // A write into a missing folder fails quietly.
  EXPECT_FALSE(ini.WriteValue("驱动", "硬件ID", "x"));
  EXPECT_EQ(boxes.Shown().size(), 3u);
}

TEST_F(Win32ProfileFileTest, LongResultsAreCutToTheFixedBuffers) {
  Win32Scratch::WriteFile(path, "[v]\r\nlong=" + std::string(600, 'x') + "\r\n");
  EXPECT_EQ(ini.ReadValue("v", "long"), std::string(519, 'x'));

  // 60 names of 15 bytes (16 with the terminator) need 960 bytes. The service
  // fills 778 bytes (the buffer size minus 2): 48 whole names and 10 bytes of
  // the next one.
  std::string text;
  for (int i = 0; i < 60; ++i) text += "[节名称节名称" + std::to_string(100 + i) + "]\r\nk=v\r\n";
  Win32Scratch::WriteFile(path, text);
  StringArray names;
  ini.GetSectionNames(names);
  ASSERT_EQ(names.size(), 49u);
  EXPECT_EQ(names[47], "节名称节名称147");
  EXPECT_EQ(names[48], "节名称节名");

  // 400 lines of 19 bytes with their terminators: 5198 bytes hold 273 whole
  // lines and 11 bytes of the next.
  text = "[SourceDisksFiles]\r\n";
  for (int i = 0; i < 400; ++i) text += "file" + std::to_string(10000 + i) + ".sys=1,,x\r\n";
  Win32Scratch::WriteFile(path, text);
  StringArray lines;
  ini.GetSection("sourcedisksfiles", lines);
  ASSERT_EQ(lines.size(), 274u);
  EXPECT_EQ(lines[0], "file10000.sys=1,,x");
  EXPECT_EQ(lines[272], "file10272.sys=1,,x");
  EXPECT_EQ(lines[273], "file10273.s");
  EXPECT_TRUE(boxes.Shown().empty());
}

}  // namespace
}  // namespace pelorin
