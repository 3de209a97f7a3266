#include <gtest/gtest.h>

#include <cstdio>

#include "BackupScratch.h"
#include "RecordingBackupHost.h"
#include "backup/FolderBackup.h"
#include "backup/InfRules.h"
#include "backup/SfxBackup.h"
#include "sfx/SfxUnpack.h"

namespace pelorin {
namespace {

TEST(InfRulesTest, FieldsAndCatalogChoice) {
  EXPECT_EQ(InfFields(" 1 , \"x64\\sub\" ,, 12 ; 3,4"), (std::vector<std::string>{"1", "x64\\sub", "", "12"}));
  EXPECT_EQ(InfField("\"a;b.cat\" ; comment"), "a;b.cat");
  const StringArray version = {"Signature=\"$Windows NT$\"", "CatalogFile=all.cat", "catalogfile.NT=nt.cat ; c",
                               "CatalogFile.NTamd64=\"x64.cat\"", "CatalogFile.ntarm64="};
  EXPECT_EQ(CatalogFileName(version, Architecture::kAmd64), "x64.cat");
  EXPECT_EQ(CatalogFileName(version, Architecture::kX86), "nt.cat");
  EXPECT_EQ(CatalogFileName(version, Architecture::kArm64), "nt.cat");  // an empty value names nothing
  EXPECT_EQ(CatalogFileName({"CatalogFile=all.cat"}, Architecture::kX86), "all.cat");
  EXPECT_EQ(CatalogFileName({"Provider=x"}, Architecture::kX86), "");
}

class FixedSystem : public SystemInfo {
 public:
  Architecture InstallationArchitecture() override { return Architecture::kAmd64; }
  bool DriverStoreInfPath(const std::string&, std::string&) override { return false; }
};

constexpr char kPackage[] = "C:\\WINDOWS\\System32\\DriverStore\\FileRepository\\usb.inf_amd64_1a2b";
constexpr char kPackageHost[] = "WINDOWS/System32/DriverStore/FileRepository/usb.inf_amd64_1a2b/";

// A 64-bit package in the style of a generated WinUSB INF: the plain section
// names one file, the decorated one the rest, in sub-folders of two disks.
constexpr char kUsbInf[] =
    "[Version]\r\nSignature=\"$Windows NT$\"\r\nCatalogFile = usb.cat\r\nCatalogFile.NTamd64 = \"usb64.cat\" ; x64\r\n"
    "[SourceDisksNames]\r\n1 = %Disk%\r\n[SourceDisksNames.amd64]\r\n2 = %Disk%,,,\\x64\r\n"
    "[SourceDisksFiles]\r\ncommon.dll = 1\r\n"
    "[SourceDisksFiles.amd64]\r\ncommon.dll = 1\r\nCoInst.dll = 1,amd64\r\ndriver.sys = 2, sub ; kernel\r\n"
    "[SourceDisksFiles.x86]\r\nx86only.dll = 1,x86\r\n";

class PackageBackupTest : public ::testing::Test {
 protected:
  PackageBackupTest() {
    disk.PutSystemFile("WINDOWS/inf/oem3.inf", kUsbInf);
    disk.PutSystemFile("WINDOWS/inf/oem3.PNF", "pnf");
    for (const char* file : {"usb.inf", "common.dll", "amd64/CoInst.dll", "x64/sub/driver.sys", "usb64.cat",
                             "readme.txt", "x86/x86only.dll"}) {
      disk.PutSystemFile(kPackageHost + std::string(file), std::string("pkg ") + file);
    }
    disk.PutSystemFile(kPackageHost + std::string("usb.inf"), kUsbInf);  // found by its content
    // Older copies of the same names where the search below C:\WINDOWS meets them.
    disk.PutSystemFile("WINDOWS/system32/drivers/driver.sys", "stale");
    disk.PutSystemFile("WINDOWS/system32/common.dll", "stale");
    platform = disk.platform.Get();
    platform.system = &system;
  }
  void Tick(const std::vector<std::string>& descriptions, const std::string& inf = "oem3.inf") {
    for (const std::string& description : descriptions) {
      host.rows.InsertTop(DriverRecord{description, "USB", "1.0", "libwdi", "1-1-2023", inf, "usb\\vid_1"});
      host.rows.SetTicked(0, true);
    }
  }

  testing::BackupScratch disk;
  FixedSystem system;
  Platform platform;
  testing::RecordingBackupHost host;
};

std::string DriverSection(const std::string& inf) {
  return "[USB]\r\n硬件ID=usb\\vid_1\r\n驱动程序配置文件=" + inf +
         "\r\n驱动程序提供商=libwdi\r\n驱动程序日期=1-1-2023\r\n驱动程序版本=1.0\r\n";
}

TEST_F(PackageBackupTest, EveryDriverFolderMirrorsThePackage) {
  Tick({"Usb B", "Usb A"});  // two rows of one INF
  ASSERT_EQ(RunFolderBackup(platform, host, "D:\\"), BackupResultDone);
  for (const std::string folder : {"Usb A", "Usb B"}) {
    const std::string pkg = std::string(kPackage) + "\\";
    const std::string to = "D:\\" + folder + "\\";
    EXPECT_EQ(disk.Backup(folder + "/taskinfo.ini"),
              DriverSection("oem3.inf") + "[1]\r\nC:\\WINDOWS\\inf\\oem3.inf=" + to + "oem3.inf\r\n" +
                  "[2]\r\nC:\\WINDOWS\\inf\\oem3.PNF=" + to + "oem3.PNF\r\n" +
                  "[3]\r\n" + pkg + "common.dll=" + to + "common.dll\r\n" +
                  "[4]\r\n" + pkg + "amd64\\CoInst.dll=" + to + "amd64\\CoInst.dll\r\n" +
                  "[5]\r\n" + pkg + "x64\\sub\\driver.sys=" + to + "x64\\sub\\driver.sys\r\n" +
                  "[6]\r\n" + pkg + "usb64.cat=" + to + "usb64.cat\r\n" +
                  "[7]\r\n" + pkg + "readme.txt=" + to + "readme.txt\r\n" +
                  "[8]\r\n" + pkg + "usb.inf=" + to + "usb.inf\r\n" +
                  "[9]\r\n" + pkg + "x86\\x86only.dll=" + to + "x86\\x86only.dll\r\n")
        << folder;
  }
}

TEST_F(PackageBackupTest, FilesThePackageLacksAreNeverTakenFromElsewhere) {
  // The package lost its kernel driver and its catalog; a stale driver.sys and a
  // catalog of the INF's name remain below C:\WINDOWS.
  for (const char* file : {"x64/sub/driver.sys", "usb64.cat"}) {
    std::remove((disk.scratch / "c/" + kPackageHost + file).c_str());
  }
  disk.PutSystemFile("WINDOWS/system32/CatRoot/{F750E6C3-38EE-11D1-85E5-00C04FC295EE}/oem3.cat");
  Tick({"Usb"});
  disk.PutInf("oem1.inf", "");
  Tick({"Whole"}, "oem1.inf");
  ASSERT_EQ(RunFolderBackup(platform, host, "D:\\"), BackupResultIncomplete);
  const std::string manifest = disk.Backup("Usb/taskinfo.ini");
  EXPECT_EQ(manifest.find("[5]"), std::string::npos);
  EXPECT_EQ(manifest.find("[6]"), std::string::npos);
  EXPECT_FALSE(disk.InBackup("Usb/driver.sys") || disk.InBackup("Usb/oem3.cat"));
  EXPECT_EQ(IncompleteBackupText(host.incomplete), "以下驱动程序的部分文件在本机找不到，备份不完整:\nUsb");
}

// The self-extracting form holds each package file under its driver's folder,
// byte for byte; a name two packages share keeps both copies.
TEST_F(PackageBackupTest, SelfExtractingBackupHoldsEachDriversPackage) {
  const std::string otherInf = std::string(kUsbInf) + "; another build\r\n";
  const std::string otherHost = "WINDOWS/System32/DriverStore/FileRepository/usb.inf_amd64_3c4d/";
  disk.PutSystemFile("WINDOWS/inf/oem4.inf", otherInf);
  disk.PutSystemFile(otherHost + "usb.inf", otherInf);
  for (const char* file : {"common.dll", "amd64/CoInst.dll", "x64/sub/driver.sys", "usb64.cat"})
    disk.PutSystemFile(otherHost + file, std::string("other ") + file);
  Tick({"Usb A"});
  Tick({"Usb B"}, "oem4.inf");
  CSfxWriter writer(platform);
  ASSERT_EQ(RunSfxBackup(platform, host, writer, "D:\\"), BackupResultDone);
  auto in = platform.files->Open("D:\\pelorin.exe", OpenMode::kReadShared);
  ASSERT_TRUE(in);
  disk.scratch.MakeDir("d/unpacked");
  std::vector<SfxRecord> records;
  ASSERT_EQ(UnpackSfxToFolder(*platform.files, *in, "D:\\unpacked\\", records, nullptr), SfxStatus::kOk);
  for (const std::string file : {"x64/sub/driver.sys", "usb.inf"}) {
    EXPECT_EQ(disk.Backup("unpacked/Usb A/" + file), disk.scratch.ReadFile("c/" + (kPackageHost + file)));
    EXPECT_EQ(disk.Backup("unpacked/Usb B/" + file), disk.scratch.ReadFile("c/" + otherHost + file));
  }
}

TEST_F(PackageBackupTest, WithoutAPackageTheSearchFindsFilesForTheirPlacesAndCatRootTheCatalog) {
  disk.PutSystemFile("WINDOWS/inf/oem7.inf",
                     "[Version]\r\nCatalogFile=vendor.cat\r\n[SourceDisksNames]\r\n1 = \"Disk\",,,\\i386\r\n"
                     "[SourceDisksFiles]\r\na.sys = 1\r\nb.dll = 1,sub\r\nup.sys = 1,..\\..\r\niAlmCoIn.dll = 1\r\n"
                     "[SourceDisksFiles.x86]\r\nc.sys = 1\r\nA.SYS = 1 ; listed above\r\n");
  disk.PutSystemFile("WINDOWS/system32/drivers/a.sys");
  disk.PutSystemFile("WINDOWS/system32/b.dll");
  disk.PutSystemFile("WINDOWS/system32/up.sys");
  disk.PutSystemFile("WINDOWS/system32/IALMCOIN.DLL");
  disk.PutSystemFile("WINDOWS/system32/CatRoot/{F750E6C3-38EE-11D1-85E5-00C04FC295EE}/oem7.cat", "cat");
  Tick({"Old"}, "oem7.inf");
  ASSERT_EQ(RunFolderBackup(disk.platform.Get(), host, "D:\\"), BackupResultDone);  // x86, no driver store
  const std::string root = "C:\\WINDOWS\\system32\\";
  EXPECT_EQ(disk.Backup("Old/taskinfo.ini"),
            DriverSection("oem7.inf") + "[1]\r\nC:\\WINDOWS\\inf\\oem7.inf=D:\\Old\\oem7.inf\r\n" +
                "[3]\r\n" + root + "drivers\\a.sys=D:\\Old\\i386\\a.sys\r\n" +
                "[4]\r\n" + root + "b.dll=D:\\Old\\i386\\sub\\b.dll\r\n" +
                "[5]\r\n" + root + "up.sys=D:\\Old\\up.sys\r\n" +
                "[6]\r\n" + root + "IALMCOIN.DLL=D:\\Old\\i386\\ialmcoin.dll\r\n" +
                "[8]\r\n" + root + "CatRoot\\{F750E6C3-38EE-11D1-85E5-00C04FC295EE}\\oem7.cat=D:\\Old\\vendor.cat\r\n");
  EXPECT_TRUE(disk.InBackup("Old/i386/IALMCOIN.DLL"));
}

}  // namespace
}  // namespace pelorin
