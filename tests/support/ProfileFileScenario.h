#pragma once
// CProfileFile on a backend's real profile services, the same steps on both
// backends: a manifest written and read back in GBK with CRLF, the not-found
// default, the fixed buffers and the message for a missing file.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "RecordingBoxes.h"
#include "backup/ProfileFile.h"

namespace pelorin::testing::profile_scenario {

struct Setup {
  CProfileFile& ini;  // set to a file (not there yet) in an existing folder
  RecordingBoxes& boxes;
  std::function<void(const std::string&)> put;  // writes that file's bytes
  std::function<std::string()> get;             // reads them back
  std::string missing;                          // a file in a folder that does not exist
};

inline void ManifestRoundTripInGbkWithCrlf(const Setup& s) {
  EXPECT_TRUE(s.ini.WriteValue("显卡驱动", "硬件ID", "PCI\\VEN_1002&DEV_4E50"));
  EXPECT_TRUE(s.ini.WriteValue("显卡驱动", "文件1", "oem12.inf"));
  EXPECT_TRUE(s.ini.WriteValue("Second", "描述", "100% 兼容%"));  // percent signs are data, never a format
  EXPECT_EQ(s.get(), "[显卡驱动]\r\n硬件ID=PCI\\VEN_1002&DEV_4E50\r\n文件1=oem12.inf\r\n[Second]\r\n描述=100% 兼容%\r\n");

  EXPECT_EQ(s.ini.ReadValue("显卡驱动", "文件1"), "oem12.inf");
  EXPECT_EQ(s.ini.ReadValue("second", "描述"), "100% 兼容%");
  EXPECT_EQ(s.ini.ReadValue("显卡驱动", "文件9"), "找不到相应值");
  EXPECT_EQ(s.ini.ReadValue("无此节", "文件1"), "找不到相应值");

  // Names and lines are appended to what the array holds.
  StringArray names{"x"};
  s.ini.GetSectionNames(names);
  s.ini.GetSectionNames(names);
  EXPECT_EQ(names, (StringArray{"x", "显卡驱动", "Second", "显卡驱动", "Second"}));
  StringArray lines;
  s.ini.GetSection("显卡驱动", lines);
  EXPECT_EQ(lines, (StringArray{"硬件ID=PCI\\VEN_1002&DEV_4E50", "文件1=oem12.inf"}));
  s.ini.GetSection("Absent", lines);
  EXPECT_EQ(lines.size(), 2u);
  EXPECT_TRUE(s.boxes.Shown().empty());
}

inline void MissingFileShowsOneMessagePerReadAndYieldsNothing(const Setup& s) {
  s.ini.SetPath(s.missing.c_str());
  StringArray out{"kept"};
  EXPECT_EQ(s.ini.ReadValue("驱动", "硬件ID"), "");
  s.ini.GetSectionNames(out);
  s.ini.GetSection("驱动", out);
  EXPECT_EQ(out, StringArray{"kept"});
  const auto shown = s.boxes.Shown();
  EXPECT_EQ(shown.size(), 3u);
  for (const auto& box : shown) {
    EXPECT_EQ(box.text, "打开配置文件失败，请指定正确文件路径！");
    EXPECT_FALSE(box.hasCaption) << "the application's title";
    EXPECT_EQ(box.type, mb::kOk);
  }

  // A write into a missing folder fails quietly.
  EXPECT_FALSE(s.ini.WriteValue("驱动", "硬件ID", "x"));
  EXPECT_EQ(s.boxes.Shown().size(), 3u);
}

inline void LongResultsAreCutToTheFixedBuffers(const Setup& s) {
  s.put("[v]\r\nlong=" + std::string(600, 'x') + "\r\n");
  EXPECT_EQ(s.ini.ReadValue("v", "long"), std::string(519, 'x'));

  // 60 names of 15 bytes (16 with the terminator) need 960 bytes. The service
  // fills 778 bytes (the buffer size minus 2): 48 whole names and 10 bytes of
  // the next one, which is kept as far as it goes.
  std::string text;
  for (int i = 0; i < 60; ++i) text += "[节名称节名称" + std::to_string(100 + i) + "]\r\nk=v\r\n";
  s.put(text);
  StringArray names;
  s.ini.GetSectionNames(names);
  ASSERT_EQ(names.size(), 49u);
  EXPECT_EQ(names[47], "节名称节名称147");
  EXPECT_EQ(names[48], "节名称节名");

  // 400 lines of 19 bytes with their terminators: 5198 bytes hold 273 whole
  // lines and 11 bytes of the next.
  text = "[SourceDisksFiles]\r\n";
  for (int i = 0; i < 400; ++i) text += "file" + std::to_string(10000 + i) + ".sys=1,,x\r\n";
  s.put(text);
  StringArray lines;
  s.ini.GetSection("sourcedisksfiles", lines);
  ASSERT_EQ(lines.size(), 274u);
  EXPECT_EQ(lines[0], "file10000.sys=1,,x");
  EXPECT_EQ(lines[272], "file10272.sys=1,,x");
  EXPECT_EQ(lines[273], "file10273.s");
  EXPECT_TRUE(s.boxes.Shown().empty());
}

}  // namespace pelorin::testing::profile_scenario
