// The restorer's session on the Win32 backend: a container built by the writer
// is unpacked from a file of its own, the class tree and the details come from
// the real profile services, and leaving removes the private folder.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <string>

#include "RecordingBoxes.h"
#include "SfxStubResources.h"
#include "backup/FileTreeOps.h"
#include "sfx/SfxWriter.h"
#include "platform/win32/Win32Platform.h"
#include "stub/RestorerSession.h"

namespace pelorin {
namespace {

class Win32RestorerTest : public ::testing::Test {
 protected:
  Win32RestorerTest() {
    platform = win32.Get();
    platform.boxes = &boxes;
    platform.resources = &stub;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    scratch = std::string(temp) + "pltest_restorer_" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(scratch.c_str(), nullptr);
  }
  ~Win32RestorerTest() override { CFileTreeOps(platform).DeleteTree(scratch.substr(0, scratch.size() - 1)); }

  void Put(const std::string& name, const std::string& bytes) {
    std::ofstream(scratch + name, std::ios::binary) << bytes;
  }

  win32::Win32Platform win32;
  Platform platform;
  testing::RecordingBoxes boxes;
  testing::SfxStubResources stub;
  std::string scratch;
};

TEST_F(Win32RestorerTest, UnpacksShowsTheTreeInstallsAndCleansUp) {
  Put("treeinfo.ini", "[Display]\r\nCard A=1\r\nCard/B=1\r\n[Net]\r\nNIC=1\r\n");
  Put("taskinfo.ini",
      "[Card A]\r\n硬件ID=PCI\\VEN_1\r\n驱动程序配置文件=oem1.inf\r\n驱动程序提供商=Acme\r\n"
      "驱动程序日期=1-2-2003\r\n驱动程序版本=1.0\r\n驱动程序类型=Display\r\n"
      "[Card/B]\r\n硬件ID=PCI\\VEN_2\r\n驱动程序配置文件=oem2.inf\r\n");
  Put("oem1.inf", "[Version]\r\n");
  CSfxWriter writer(platform);
  for (const char* name : {"oem1.inf", "taskinfo.ini", "treeinfo.ini"})
    ASSERT_EQ(writer.AddFile(scratch + name), 1);
  ASSERT_EQ(writer.Build(152, scratch + "restore.exe", nullptr, nullptr), 1002);

  CRestorerSession session(platform);
  ASSERT_EQ(session.Unpack(scratch + "restore.exe", scratch, "unpacked"), 0);
  session.BuildTree("PC");
  CTickTree& tree = session.Tree();
  ASSERT_EQ(tree.Size(), 6);
  EXPECT_EQ(tree.Text(1), "Display");
  EXPECT_EQ(tree.Text(3), "Card/B");
  EXPECT_EQ(tree.Text(4), "Net");
  EXPECT_EQ(session.FirstDriver(), 2);

  DriverDetails a = session.DetailsOf(2);
  EXPECT_EQ(a.hardwareId, "PCI\\VEN_1");
  EXPECT_EQ(a.type, "Display");
  EXPECT_EQ(a.date, "1-2-2003");
  EXPECT_EQ(session.DetailsOf(3).provider, "找不到相应值");
  EXPECT_STREQ(session.StatusFor(2), "准备安装!");

  tree.Click(1);
  std::vector<std::string> calls;
  for (int item : tree.InstallTargets())
    session.InstallOne(item, [&](const std::string& inf, const std::string& id) {
      calls.push_back(inf + "|" + id);
      return id == "PCI\\VEN_1" ? 1 : 2;
    });
  EXPECT_EQ(calls, (std::vector<std::string>{scratch + "unpacked\\oem1.inf|PCI\\VEN_1",
                                             scratch + "unpacked\\oem2.inf|PCI\\VEN_2"}));
  EXPECT_EQ(tree.Colour(2), ItemColour::kInstalled);
  EXPECT_EQ(tree.Colour(3), ItemColour::kFailed);
  EXPECT_STREQ(session.StatusFor(2), "安装完毕!");
  EXPECT_EQ(session.StatusFor(3), nullptr);

  std::vector<std::string> failures;
  session.Cleanup(failures);
  EXPECT_TRUE(failures.empty());
  EXPECT_EQ(GetFileAttributesA((scratch + "unpacked").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(Win32RestorerTest, TheStubAloneIsNoContainer) {
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  CRestorerSession session(platform);
  EXPECT_EQ(session.Unpack(self, scratch, "x"), 102);
  EXPECT_EQ(GetFileAttributesA((scratch + "x").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace pelorin
