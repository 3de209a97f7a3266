// Driver folder names and the manifests of both backup forms, byte for byte.
#include <gtest/gtest.h>

#include "BackupScratch.h"
#include "backup/BackupManifest.h"

namespace pelorin {
namespace {

using testing::BackupScratch;

TEST(DriverFolderNameTest, SlashesGoOrdinaryNamesStay) {
  EXPECT_EQ(DriverFolderName("Intel(R) PRO/100 VE Network Connection"), "Intel(R) PRO100 VE Network Connection");
  EXPECT_EQ(DriverFolderName("A/B Adapter"), "AB Adapter");
  EXPECT_EQ(DriverFolderName("A\\B"), "A\\B");
  EXPECT_EQ(DriverFolderName("千兆以太网控制器"), "千兆以太网控制器");
  EXPECT_EQ(DriverFolderName("v1.0 . adapter..."), "v1.0 . adapter...");
  // A trail byte 0x5C is no level separator, and 0x2F cannot be one.
  EXPECT_EQ(DriverFolderName("\x95\x5C..\x95\x5C"), "\x95\x5C..\x95\x5C");
}

TEST(DriverFolderNameTest, LevelsLeadingOutAreNeutralised) {
  EXPECT_EQ(DriverFolderName("..\\..\\x"), "__\\__\\x");
  EXPECT_EQ(DriverFolderName("./../x"), "...x");  // "/" goes first
  EXPECT_EQ(DriverFolderName("C:\\x"), "C_\\x");
  EXPECT_EQ(DriverFolderName("\\x"), "x");
  EXPECT_EQ(DriverFolderName("\\\\server\\share"), "server\\share");
  EXPECT_EQ(DriverFolderName("a\\ . \\b\\"), "a\\ _ \\b");
  EXPECT_EQ(DriverFolderName("/"), "_");
  EXPECT_EQ(DriverFolderName(".."), "__");
  EXPECT_EQ(DriverFolderName(""), "_");
}

class ManifestTest : public ::testing::Test {
 protected:
  DriverRecord Record(const std::string& desc, const std::string& cls) {
    return DriverRecord{desc, cls, "5.1.2600.0", "Acme", "7-1-2001", "oem9.inf", "usb\\vid_1234"};
  }
  BackupScratch disk;
};

TEST_F(ManifestTest, CombinedManifestAndClassTree) {
  CCombinedManifest combined(disk.platform.Get());
  CClassTreeFile tree(disk.platform.Get());
  combined.Open("D:\\taskinfo.ini");
  tree.Open("D:\\treeinfo.ini");
  for (const DriverRecord& driver : {Record("A/B Adapter", "Display"), Record("Second", "Display")}) {
    tree.WriteDriver(driver.ClassName, driver.DriverDesc);
    combined.WriteDriver(driver);
    combined.WriteFile(driver.DriverDesc, "C:\\WINDOWS\\inf\\oem9.inf",
                       "D:\\" + DriverFolderName(driver.DriverDesc) + "\\oem9.inf");
  }
  EXPECT_EQ(disk.Backup("treeinfo.ini"), "[Display]\r\nA/B Adapter=1\r\nSecond=1\r\n");
  // One block per driver: its section, its keys, then its files.
  auto block = [](const std::string& desc, const std::string& folder) {
    return "[" + desc + "]\r\n硬件ID=usb\\vid_1234\r\n驱动程序配置文件=oem9.inf\r\n驱动程序提供商=Acme\r\n"
           "驱动程序日期=7-1-2001\r\n驱动程序版本=5.1.2600.0\r\n驱动程序类型=Display\r\n"
           "C:\\WINDOWS\\inf\\oem9.inf=D:\\" + folder + "\\oem9.inf\r\n";
  };
  EXPECT_EQ(disk.Backup("taskinfo.ini"), block("A/B Adapter", "AB Adapter") + block("Second", "Second"));
}

TEST_F(ManifestTest, SharedFolderKeepsOneDriverSectionAndAddsLines) {
  // Two rows whose names agree once "/" is removed share one manifest.
  disk.scratch.MakeDir("d/AB");
  CDriverManifest manifest(disk.platform.Get());
  manifest.Open("D:\\" + DriverFolderName("A/B"));
  EXPECT_EQ(manifest.Path(), "D:\\AB\\taskinfo.ini");
  manifest.WriteDriverSection(Record("A/B", "Net"));
  manifest.WriteFile(3, "C:\\WINDOWS\\a.sys", "D:\\AB\\a.sys");
  DriverRecord second = Record("AB", "Net");
  second.DriverVersion = "6.0";
  manifest.Open("D:\\" + DriverFolderName("AB"));
  manifest.WriteDriverSection(second);
  manifest.WriteFile(3, "C:\\WINDOWS\\system32\\a.sys", "D:\\AB\\a.sys");
  EXPECT_EQ(disk.Backup("AB/taskinfo.ini"),
            "[Net]\r\n"
            "硬件ID=usb\\vid_1234\r\n"
            "驱动程序配置文件=oem9.inf\r\n"
            "驱动程序提供商=Acme\r\n"
            "驱动程序日期=7-1-2001\r\n"
            "驱动程序版本=6.0\r\n"
            "[3]\r\n"
            "C:\\WINDOWS\\a.sys=D:\\AB\\a.sys\r\n"
            "C:\\WINDOWS\\system32\\a.sys=D:\\AB\\a.sys\r\n");
}

}  // namespace
}  // namespace pelorin
