#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "PosixScratch.h"
#include "RecordingBoxes.h"
#include "SfxStubResources.h"
#include "backup/BackupHost.h"
#include "backup/BackupManifest.h"
#include "backup/FolderBackup.h"
#include "backup/InfRules.h"
#include "backup/SfxBackup.h"
#include "inventory/MemoryDriverRows.h"
#include "platform/posix/Encoding.h"
#include "platform/posix/PosixPlatform.h"
#include "sfx/SfxReader.h"
#include "sfx/SfxUnpack.h"

namespace pelorin {
namespace {

using Events = std::vector<std::string>;

// A BackupHost that records, in order, what a backup run shows (one line per call) and counts its message pumps.
struct RecordingBackupHost : BackupHost {
  DriverRows& Rows() override { return rows; }
  void SetStatus(const std::string& text) override { shown.push_back("status:" + text); }
  void ShowProgress(bool show) override { shown.push_back(std::string("show:") + (show ? "1" : "0")); }
  void SetProgressRange(int low, int up) override {
    shown.push_back("range:" + std::to_string(low) + "," + std::to_string(up));
  }
  void SetProgressPos(int position) override { shown.push_back("pos:" + std::to_string(position)); }
  void SetProgressText(const std::string& text) override { shown.push_back("text:" + text); }
  void PostResult(int result) override { shown.push_back("result:" + std::to_string(result)); }
  void PumpMessages() override { ++pumps; }
  void SetIncompleteDrivers(const IncompleteDrivers& drivers) override {
    shown.push_back("incomplete");
    incomplete = drivers;
  }

  MemoryDriverRows rows;
  IncompleteDrivers incomplete;
  Events shown;
  int pumps = 0;
};

TEST(DriverFolderNameTest, SlashesGoAndLevelsLeadingOutAreNeutralised) {
  const std::pair<const char*, const char*> cases[] = {
      {"A/B Adapter", "AB Adapter"}, {"v1.0 . adapter...", "v1.0 . adapter..."},
      {"\x95\x5C..\x95\x5C", "\x95\x5C..\x95\x5C"},  // a trail byte 0x5C is no level separator
      {"..\\..\\x", "__\\__\\x"}, {"./../x", "...x"},  // "/" goes first
      {"C:\\x", "C_\\x"}, {"\\\\server\\share", "server\\share"}, {"a\\ . \\b\\", "a\\ _ \\b"}, {"", "_"},
  };
  for (auto [name, folder] : cases) EXPECT_EQ(DriverFolderName(name), folder) << name;
}

DriverRecord Driver(const std::string& desc, const std::string& cls, const std::string& inf,
                    const std::string& version = "1.0.0.0") {
  return DriverRecord{desc, cls, version, "Acme", "1-2-2020", inf, "pci\\ven_1&dev_" + inf};
}

// The keys a manifest holds for a Driver() row, under the section named.
std::string DriverKeys(const std::string& section, const std::string& inf, const std::string& version = "1.0.0.0") {
  return "[" + section + "]\r\n硬件ID=pci\\ven_1&dev_" + inf + "\r\n驱动程序配置文件=" + inf +
         "\r\n驱动程序提供商=Acme\r\n驱动程序日期=1-2-2020\r\n驱动程序版本=" + version + "\r\n";
}

// An offline installation on the POSIX backend: drive C: a scratch folder with WINDOWS, D: an empty backup folder,
// boxes recorded; the temporary folder ("temp") and the restorer stubs serve self-extracting runs.
class FolderBackupRunTest : public ::testing::Test {
 protected:
  FolderBackupRunTest() {
    for (const char* dir : {"c", "c/WINDOWS", "d", "temp"}) scratch.MakeDir(dir);
    offline.MapDrive('C', scratch / "c");
    offline.MapDrive('D', scratch / "d");
    offline.SetMessageBoxes(&boxes);
    offline.SetTempFolder(scratch / "temp");
    offline.SetResources(&resources);
    platform = offline.Get();
  }
  // Files below the installation ("WINDOWS/inf/oem1.inf") and the backup ("Net/taskinfo.ini"); names in UTF-8.
  void PutSystemFile(const std::string& relative, const std::string& bytes = "data") {
    scratch.WriteFile("c/" + relative, bytes);
  }
  void PutSystemFiles(std::initializer_list<const char*> relatives) {
    for (const char* relative : relatives) PutSystemFile(relative);
  }
  void PutInf(const std::string& name, const std::string& sourceDisksFiles) {
    PutSystemFile("WINDOWS/inf/" + name, "[Version]\r\nSignature=\"$Windows NT$\"\r\n\r\n[SourceDisksFiles]\r\n" +
                                             sourceDisksFiles + "\r\n[Other]\r\nx=1\r\n");
  }
  std::string Backup(const std::string& relative) const { return scratch.ReadFile("d/" + relative); }
  bool InBackup(const std::string& relative) const { return scratch.Exists("d/" + relative); }
  // Rows stand in the order given, all ticked.
  void AddTicked(const std::vector<DriverRecord>& records) {
    for (auto it = records.rbegin(); it != records.rend(); ++it) host.rows.InsertTop(*it);
    for (int row = 0; row < host.rows.Count(); ++row) host.rows.SetTicked(row, true);
  }
  int Run(const std::string& destination = "D:\\") { return RunFolderBackup(platform, host, destination); }

  testing::PosixScratch scratch;
  testing::RecordingBoxes boxes;
  testing::SfxStubResources resources;
  posix::PosixPlatform offline;
  RecordingBackupHost host;
  Platform platform;
};

// The folder form's manifests, byte for byte. Two rows whose names agree once "/" is removed share one: the later
// row's keys, both rows' files. A second run's new version replaces the first's in place, over the read-only
// manifest and copies the first left.
TEST_F(FolderBackupRunTest, ManifestBytes) {
  PutInf("pltestoem1.inf", "pltest_e100b.sys=1,,\r\npltest_absent.sys = 1\r\npltest_msg.dll=1\r\n");
  PutSystemFiles({"WINDOWS/inf/pltestoem1.PNF", "WINDOWS/system32/drivers/pltest_e100b.sys"});
  PutSystemFile("WINDOWS/inf/pltestoem2.inf", "[SourceDisksFiles]\r\n");
  PutInf("pltestoem3.inf", "pltest_msg.dll=1");
  const std::string first = "D:\\Intel(R) PRO100 VE 网络连接\\";
  for (const std::string version : {"1.0", "2.0"}) {
    PutSystemFile("WINDOWS/system32/pltest_msg.dll", version);
    chmod((scratch / "c/WINDOWS/system32/pltest_msg.dll").c_str(), 0444);  // the copy is read-only too
    host.rows.DeleteAll();
    AddTicked({Driver("Intel(R) PRO/100 VE 网络连接", "网络适配器", "pltestoem1.inf", version),
               Driver("Empty/List", "System devices", "pltestoem2.inf", version),
               Driver("EmptyList", "System devices", "pltestoem3.inf", version)});
    ASSERT_EQ(Run(), BackupResultDone);
    EXPECT_EQ(Backup(posix::GbkToUtf8Lossy("Intel(R) PRO100 VE 网络连接") + "/taskinfo.ini"),
              DriverKeys("网络适配器", "pltestoem1.inf", version) +
              "[1]\r\nC:\\WINDOWS\\inf\\pltestoem1.inf=" + first + "pltestoem1.inf\r\n"
              "[2]\r\nC:\\WINDOWS\\inf\\pltestoem1.PNF=" + first + "pltestoem1.PNF\r\n"
              "[3]\r\nC:\\WINDOWS\\system32\\drivers\\pltest_e100b.sys=" + first + "pltest_e100b.sys\r\n"
              "[5]\r\nC:\\WINDOWS\\system32\\pltest_msg.dll=" + first + "pltest_msg.dll\r\n")
        << version;
    EXPECT_EQ(Backup("EmptyList/taskinfo.ini"),
              DriverKeys("System devices", "pltestoem3.inf", version) +
              "[1]\r\nC:\\WINDOWS\\inf\\pltestoem2.inf=D:\\EmptyList\\pltestoem2.inf\r\n"
              "C:\\WINDOWS\\inf\\pltestoem3.inf=D:\\EmptyList\\pltestoem3.inf\r\n"
              "[3]\r\nC:\\WINDOWS\\system32\\pltest_msg.dll=D:\\EmptyList\\pltest_msg.dll\r\n")
        << version;
    EXPECT_EQ(Backup("EmptyList/pltest_msg.dll"), version);
    chmod((scratch / "d/EmptyList/taskinfo.ini").c_str(), 0444);
  }
}

TEST_F(FolderBackupRunTest, StepsOfARun) {
  PutInf("oem1.inf", "e100b.sys=1,,\r\ne100bmsg.dll=1,,");
  PutInf("oem2.inf", "alcxwdm.sys=1");
  PutSystemFiles({"WINDOWS/inf/oem1.PNF", "WINDOWS/system32/drivers/e100b.sys", "WINDOWS/system32/e100bmsg.dll",
                  "WINDOWS/system32/drivers/alcxwdm.sys"});
  AddTicked({Driver("Intel(R) PRO/100 VE Network Connection", "网络适配器", "oem1.inf"),
             Driver("Realtek AC97 Audio", "声音、视频和游戏控制器", "oem2.inf"),
             Driver("Gone", "System devices", "gone.inf")});
  // A folder where the copy of e100b.sys should go: that copy fails, is not recorded, and makes the run incomplete.
  scratch.WriteFile("d/Intel(R) PRO100 VE Network Connection/e100b.sys/in the way", "");

  EXPECT_EQ(Run(), BackupResultIncomplete);
  EXPECT_EQ(host.incomplete.failedCopies, std::vector<std::string>{"Intel(R) PRO/100 VE Network Connection"});

  EXPECT_EQ(host.shown, (Events{"show:1", "status:正在备份:Intel(R) PRO100 VE Network Connection", "range:0,4",
                                 "pos:1", "text:oem1.inf", "pos:2", "text:oem1.PNF", "pos:4", "text:e100bmsg.dll",
                                 "show:1", "status:正在备份:Realtek AC97 Audio", "range:0,3",
                                 "pos:1", "text:oem2.inf", "pos:3", "text:alcxwdm.sys",
                                 "show:1", "status:正在备份:Gone", "range:0,2",
                                 "incomplete", "result:3", "status:共找到3个驱动", "pos:0", "show:0"}));
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"打开配置文件失败，请指定正确文件路径！"});
  EXPECT_EQ(Backup("Intel(R) PRO100 VE Network Connection/taskinfo.ini").find("e100b.sys"), std::string::npos);
}

TEST_F(FolderBackupRunTest, FolderThatCannotBeMadeEndsTheRunAtOnce) {
  for (const char* inf : {"a.inf", "b.inf", "d.inf"}) PutInf(inf, "");
  // "|" is refused in Windows names: the second folder cannot be made.
  AddTicked({Driver("A", "X", "a.inf"), Driver("Bad|Name", "X", "b.inf"), Driver("D", "X", "d.inf")});
  EXPECT_EQ(Run(), 0);

  EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"Create  directory fail!", "创建D:\\Bad|Name目录失败"}));
  EXPECT_EQ(host.shown.back(), "text:a.inf");  // no post, status and bar as they were
}

TEST_F(FolderBackupRunTest, BackupBelowTheWindowsFolderSeesItsOwnCopies) {
  // The first driver's copy lands in C:\WINDOWS\zz, listed after system32: the
  // second driver's search meets it last, as a fresh walk of the tree does.
  for (const char* inf : {"oem1.inf", "oem2.inf"}) PutInf(inf, "a.sys=1");
  PutSystemFiles({"WINDOWS/system32/drivers/a.sys", "WINDOWS/zz/keep"});
  AddTicked({Driver("One", "X", "oem1.inf"), Driver("Two", "X", "oem2.inf")});
  EXPECT_EQ(Run("C:\\WINDOWS\\zz\\"), BackupResultDone);
  const std::string manifest = scratch.ReadFile("c/WINDOWS/zz/Two/taskinfo.ini");
  EXPECT_NE(manifest.find("[3]\r\nC:\\WINDOWS\\zz\\One\\a.sys=C:\\WINDOWS\\zz\\Two\\a.sys\r\n"), std::string::npos)
      << manifest;
}

class SfxBackupTest : public FolderBackupRunTest {
 protected:
  int RunSfx() { return RunSfxBackup(platform, host, writer, "D:\\"); }
  void ExpectFailed(const std::vector<testing::ShownBox>& shown) {
    EXPECT_EQ(boxes.Shown(), shown);
    EXPECT_TRUE(std::none_of(host.shown.begin(), host.shown.end(), [](auto& e) { return e.rfind("result:", 0) == 0; }));
    EXPECT_EQ(Backup("pelorin.exe"), "earlier backup");
    EXPECT_EQ(writer.Count(), 0);
  }
  CSfxWriter writer{platform};
  const testing::ShownBox buildFailed{"创建自安装EXE文件失败!", "提示信息", true, 0x30};
};

TEST_F(SfxBackupTest, OneDriverGivesSixEntriesTheManifestBytesAndStepsInOrder) {
  PutInf("oem5.inf", "a.sys=1\r\nb.dll=1");
  PutSystemFiles({"WINDOWS/inf/oem5.PNF", "WINDOWS/system32/a.sys", "WINDOWS/system32/b.dll"});
  AddTicked({Driver("Net/Card", "Net", "oem5.inf")});
  EXPECT_EQ(RunSfx(), BackupResultDone);
  auto in = platform.files->Open("D:\\pelorin.exe", OpenMode::kReadShared);
  scratch.MakeDir("d/unpacked");
  std::vector<SfxRecord> records;
  ASSERT_TRUE(in && UnpackSfxToFolder(*platform.files, *in, "D:\\unpacked\\", records, nullptr) == SfxStatus::kOk);
  std::vector<std::string> names;
  for (auto& r : records) names.push_back(r.name);
  // Each file at its place in the driver's folder, the manifests at the top.
  EXPECT_EQ(names, (std::vector<std::string>{"NetCard\\oem5.inf", "NetCard\\oem5.PNF", "NetCard\\a.sys",
                                               "NetCard\\b.dll", "taskinfo.ini", "treeinfo.ini"}));
  // The one manifest: the driver's section under its name as it is, its keys and class, then its files.
  EXPECT_EQ(Backup("unpacked/taskinfo.ini"), DriverKeys("Net/Card", "oem5.inf") + "驱动程序类型=Net\r\n"
            "C:\\WINDOWS\\inf\\oem5.inf=D:\\NetCard\\oem5.inf\r\nC:\\WINDOWS\\inf\\oem5.PNF=D:\\NetCard\\oem5.PNF\r\n"
            "C:\\WINDOWS\\system32\\a.sys=D:\\NetCard\\a.sys\r\nC:\\WINDOWS\\system32\\b.dll=D:\\NetCard\\b.dll\r\n");
  EXPECT_EQ(rmdir((scratch / "temp").c_str()), 0) << "the run left its folder behind";
  EXPECT_GT(host.pumps, 0);
  EXPECT_EQ(host.shown, (Events{"status:正在备份:NetCard", "show:1", "range:0,4", "pos:1", "text:oem5.inf", "pos:2",
                                "text:oem5.PNF", "pos:3", "text:a.sys", "pos:4", "text:b.dll", "result:2",
                                "status:共找到1个驱动", "pos:0", "show:0"}));
}

TEST_F(SfxBackupTest, NothingTickedPostsOneAndWritesNothing) {
  host.rows.InsertTop(Driver("Idle", "Net", "oem9.inf"));  // not ticked
  EXPECT_EQ(Run(), BackupResultNothingTicked);
  EXPECT_EQ(host.shown, (Events{"result:1", "status:共找到1个驱动", "pos:0", "show:0"}));
  EXPECT_EQ(RunSfx(), BackupResultNothingTicked);
  EXPECT_EQ(boxes.Shown(), std::vector<testing::ShownBox>{buildFailed});
  EXPECT_FALSE(InBackup("pelorin.exe"));
}

TEST_F(SfxBackupTest, FailedBuildsAreNotReportedAsSuccess) {
  PutInf("oem5.inf", "a.sys=1");
  AddTicked({Driver("Card", "Net", "oem5.inf")});
  scratch.WriteFile("d/pelorin.exe", "earlier backup");
  resources.present = false;
  EXPECT_EQ(RunSfx(), 0);
  ExpectFailed({buildFailed});
  EXPECT_EQ(rmdir((scratch / "temp").c_str()), 0) << "the run left its folder behind";
  // No temporary folder: the manifests go to the current folder, which this backend cannot name: never written.
  resources.present = true;
  boxes.Clear();
  scratch.WriteFile("blocker", "a file where the temporary folder would be");
  offline.SetTempFolder(scratch / "blocker/temp");
  EXPECT_EQ(RunSfx(), 0);
  ExpectFailed({{"Get tempfile failed", "", false, 0}, buildFailed});
}

TEST(InfRulesTest, FieldsAndCatalogChoice) {
  EXPECT_EQ(InfFields(" 1 , \"x64\\sub\" ,, 12 ; 3,4"), (std::vector<std::string>{"1", "x64\\sub", "", "12"}));
  EXPECT_EQ(InfField("\"a;b.cat\" ; comment"), "a;b.cat");
  const StringArray version = {"Signature=\"$Windows NT$\"", "CatalogFile=all.cat", "catalogfile.NT=nt.cat ; c",
                               "CatalogFile.NTamd64=\"x64.cat\"", "CatalogFile.ntarm64="};
  EXPECT_EQ(CatalogFileName(version, Architecture::kAmd64), "x64.cat");
  EXPECT_EQ(CatalogFileName(version, Architecture::kX86), "nt.cat");
  EXPECT_EQ(CatalogFileName(version, Architecture::kArm64), "nt.cat");  // an empty value names nothing
  EXPECT_EQ(CatalogFileName({"Provider=x"}, Architecture::kX86), "");
}

struct FixedSystem : SystemInfo {
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

class PackageBackupTest : public SfxBackupTest {
 protected:
  PackageBackupTest() {
    PutSystemFile("WINDOWS/inf/oem3.inf", kUsbInf);
    for (const char* file : {"common.dll", "amd64/CoInst.dll", "x64/sub/driver.sys", "usb64.cat", "readme.txt",
                             "x86/x86only.dll"})
      PutSystemFile(kPackageHost + std::string(file), std::string("pkg ") + file);
    PutSystemFile(kPackageHost + std::string("usb.inf"), kUsbInf);  // found by its content
    // The PNF, and older copies of the package's names where the search below C:\WINDOWS meets them.
    PutSystemFiles({"WINDOWS/inf/oem3.PNF", "WINDOWS/system32/drivers/driver.sys", "WINDOWS/system32/common.dll"});
    platform.system = &system;
  }
  FixedSystem system;
};

TEST_F(PackageBackupTest, EveryDriverFolderMirrorsThePackage) {
  AddTicked({Driver("Usb A", "USB", "oem3.inf"), Driver("Usb B", "USB", "oem3.inf")});  // two rows of one INF
  ASSERT_EQ(Run(), BackupResultDone);
  for (const std::string folder : {"Usb A", "Usb B"}) {
    const std::string to = "D:\\" + folder + "\\";
    std::string expected = DriverKeys("USB", "oem3.inf") + "[1]\r\nC:\\WINDOWS\\inf\\oem3.inf=" + to + "oem3.inf\r\n" +
                           "[2]\r\nC:\\WINDOWS\\inf\\oem3.PNF=" + to + "oem3.PNF\r\n";
    int key = 3;  // the package's files, each with its sub-folder
    for (const std::string file : {"common.dll", "amd64\\CoInst.dll", "x64\\sub\\driver.sys", "usb64.cat", "readme.txt",
                                   "usb.inf", "x86\\x86only.dll"})
      expected += "[" + std::to_string(key++) + "]\r\n" + kPackage + "\\" + file + "=" + to + file + "\r\n";
    EXPECT_EQ(Backup(folder + "/taskinfo.ini"), expected) << folder;
  }
}

TEST_F(PackageBackupTest, FilesThePackageLacksAreNeverTakenFromElsewhere) {
  // The package lost its kernel driver and its catalog; a stale driver.sys and a
  // catalog of the INF's name remain below C:\WINDOWS.
  for (const char* file : {"x64/sub/driver.sys", "usb64.cat"})
    unlink((scratch / "c/" + kPackageHost + file).c_str());
  PutSystemFile("WINDOWS/system32/CatRoot/{F750E6C3-38EE-11D1-85E5-00C04FC295EE}/oem3.cat");
  PutInf("oem1.inf", "");
  AddTicked({Driver("Whole", "USB", "oem1.inf"), Driver("Usb", "USB", "oem3.inf")});
  ASSERT_EQ(Run(), BackupResultIncomplete);
  const std::string manifest = Backup("Usb/taskinfo.ini");
  for (const char* key : {"[5]", "[6]"}) EXPECT_EQ(manifest.find(key), std::string::npos) << key;
  EXPECT_EQ(IncompleteBackupText(host.incomplete), "以下驱动程序的部分文件在本机找不到，备份不完整:\nUsb");
}

// The self-extracting form holds each package file under its driver's folder,
// byte for byte; a name two packages share keeps both copies.
TEST_F(PackageBackupTest, SelfExtractingBackupHoldsEachDriversPackage) {
  const std::string otherInf = std::string(kUsbInf) + "; another build\r\n";
  const std::string otherHost = "WINDOWS/System32/DriverStore/FileRepository/usb.inf_amd64_3c4d/";
  PutSystemFile("WINDOWS/inf/oem4.inf", otherInf);
  PutSystemFile(otherHost + "usb.inf", otherInf);
  for (const char* file : {"common.dll", "amd64/CoInst.dll", "x64/sub/driver.sys", "usb64.cat"})
    PutSystemFile(otherHost + file, std::string("other ") + file);
  AddTicked({Driver("Usb B", "USB", "oem4.inf"), Driver("Usb A", "USB", "oem3.inf")});
  ASSERT_EQ(RunSfx(), BackupResultDone);
  auto in = platform.files->Open("D:\\pelorin.exe", OpenMode::kReadShared);
  scratch.MakeDir("d/unpacked");
  std::vector<SfxRecord> records;
  ASSERT_TRUE(in && UnpackSfxToFolder(*platform.files, *in, "D:\\unpacked\\", records, nullptr) == SfxStatus::kOk);
  for (const std::string file : {"x64/sub/driver.sys", "usb.inf"}) {
    EXPECT_EQ(Backup("unpacked/Usb A/" + file), scratch.ReadFile("c/" + (kPackageHost + file)));
    EXPECT_EQ(Backup("unpacked/Usb B/" + file), scratch.ReadFile("c/" + otherHost + file));
  }
}

TEST_F(FolderBackupRunTest, WithoutAPackageTheSearchFindsFilesForTheirPlacesAndCatRootTheCatalog) {
  PutSystemFile("WINDOWS/inf/oem7.inf",
                     "[Version]\r\nCatalogFile=vendor.cat\r\n[SourceDisksNames]\r\n1 = \"Disk\",,,\\i386\r\n"
                     "[SourceDisksFiles]\r\na.sys = 1\r\nb.dll = 1,sub\r\nup.sys = 1,..\\..\r\niAlmCoIn.dll = 1\r\n"
                     "[SourceDisksFiles.x86]\r\nc.sys = 1\r\nA.SYS = 1 ; listed above\r\n");
  PutSystemFiles({"WINDOWS/system32/drivers/a.sys", "WINDOWS/system32/b.dll", "WINDOWS/system32/up.sys",
                  "WINDOWS/system32/IALMCOIN.DLL"});
  PutSystemFile("WINDOWS/system32/CatRoot/{F750E6C3-38EE-11D1-85E5-00C04FC295EE}/oem7.cat", "cat");
  AddTicked({Driver("Old", "USB", "oem7.inf")});  // x86, no driver store
  ASSERT_EQ(Run(), BackupResultDone);
  const std::string root = "C:\\WINDOWS\\system32\\";
  EXPECT_EQ(Backup("Old/taskinfo.ini"),
            DriverKeys("USB", "oem7.inf") + "[1]\r\nC:\\WINDOWS\\inf\\oem7.inf=D:\\Old\\oem7.inf\r\n" +
                "[3]\r\n" + root + "drivers\\a.sys=D:\\Old\\i386\\a.sys\r\n" +
                "[4]\r\n" + root + "b.dll=D:\\Old\\i386\\sub\\b.dll\r\n" +
                "[5]\r\n" + root + "up.sys=D:\\Old\\up.sys\r\n" +
                "[6]\r\n" + root + "IALMCOIN.DLL=D:\\Old\\i386\\ialmcoin.dll\r\n" +
                "[8]\r\n" + root + "CatRoot\\{F750E6C3-38EE-11D1-85E5-00C04FC295EE}\\oem7.cat=D:\\Old\\vendor.cat\r\n");
  EXPECT_TRUE(InBackup("Old/i386/IALMCOIN.DLL"));
}

}  // namespace
}  // namespace pelorin
