// The folder backup run on the POSIX backend: what it shows, in which order,
// what it writes, and how each failure ends.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "BackupScratch.h"
#include "RecordingBackupHost.h"
#include "backup/FolderBackup.h"

namespace pelorin {
namespace {

using testing::BackupScratch;
using testing::RecordingBackupHost;
using Events = std::vector<std::string>;

DriverRecord Driver(const std::string& desc, const std::string& cls, const std::string& inf) {
  return DriverRecord{desc, cls, "1.0.0.0", "Acme", "1-2-2020", inf, "pci\\ven_1&dev_" + inf};
}

class FolderBackupRunTest : public ::testing::Test {
 protected:
  // Rows stand in the order given, all ticked.
  void AddTicked(const std::vector<DriverRecord>& records) {
    for (auto it = records.rbegin(); it != records.rend(); ++it) host.rows.InsertTop(*it);
    for (int row = 0; row < host.rows.Count(); ++row) host.rows.SetTicked(row, true);
  }
  int Run(const std::string& destination = "D:\\") {
    return RunFolderBackup(disk.platform.Get(), host, destination);
  }

  BackupScratch disk;
  RecordingBackupHost host;
};

TEST_F(FolderBackupRunTest, TwoDriversStepByStep) {
  disk.PutInf("oem1.inf", "e100b.sys=1,,\r\ne100bmsg.dll=1,,");
  disk.PutSystemFile("WINDOWS/inf/oem1.PNF");
  disk.PutSystemFile("WINDOWS/system32/drivers/e100b.sys", "e100b");
  disk.PutSystemFile("WINDOWS/system32/e100bmsg.dll");
  disk.PutInf("oem2.inf", "alcxwdm.sys=1");
  disk.PutSystemFile("WINDOWS/system32/drivers/alcxwdm.sys");
  AddTicked({Driver("Intel(R) PRO/100 VE Network Connection", "网络适配器", "oem1.inf"),
             Driver("Realtek AC97 Audio", "声音、视频和游戏控制器", "oem2.inf")});

  EXPECT_EQ(Run(), BackupResultDone);

  const Events expected = {"show:1", "status:正在备份:Intel(R) PRO100 VE Network Connection", "range:0,4",
                           "pos:1", "text:oem1.inf", "pos:2", "text:oem1.PNF", "pos:3", "text:e100b.sys",
                           "pos:4", "text:e100bmsg.dll",
                           "show:1", "status:正在备份:Realtek AC97 Audio", "range:0,3",
                           "pos:1", "text:oem2.inf", "pos:3", "text:alcxwdm.sys",
                           "result:2", "status:共找到2个驱动", "pos:0", "show:0"};
  EXPECT_EQ(host.Events(), expected);
  EXPECT_EQ(disk.Backup("Intel(R) PRO100 VE Network Connection/e100b.sys"), "e100b");
  EXPECT_TRUE(disk.InBackup("Realtek AC97 Audio/alcxwdm.sys"));
  EXPECT_FALSE(disk.InBackup("Realtek AC97 Audio/oem2.PNF"));
  // The manifest bytes of such a run are pinned by BackupGoldenTest.
  EXPECT_TRUE(disk.boxes.Shown().empty());
}

TEST_F(FolderBackupRunTest, EmptyFileListAndMissingInf) {
  disk.PutInf("oem6.inf", "");
  disk.PutSystemFile("WINDOWS/inf/oem6.PNF");
  AddTicked({Driver("SMBus", "System devices", "oem6.inf"), Driver("Gone", "System devices", "gone.inf")});
  EXPECT_EQ(Run(), BackupResultDone);

  const Events expected = {"show:1", "status:正在备份:SMBus", "range:0,2", "pos:1", "text:oem6.inf",
                           "pos:2", "text:oem6.PNF",
                           "show:1", "status:正在备份:Gone", "range:0,2",
                           "result:2", "status:共找到2个驱动", "pos:0", "show:0"};
  EXPECT_EQ(host.Events(), expected);
  EXPECT_EQ(disk.boxes.Texts(), std::vector<std::string>{"打开配置文件失败，请指定正确文件路径！"});
  const std::string manifest = disk.Backup("Gone/taskinfo.ini");
  EXPECT_EQ(manifest.rfind("[System devices]\r\n", 0), 0u);
  EXPECT_EQ(manifest.find("[1]"), std::string::npos);
}

TEST_F(FolderBackupRunTest, NothingTickedPostsOneAndWritesNothing) {
  host.rows.InsertTop(Driver("Unticked", "Net", "oem1.inf"));
  EXPECT_EQ(Run(), BackupResultNothingTicked);
  const Events expected = {"result:1", "status:共找到1个驱动", "pos:0", "show:0"};
  EXPECT_EQ(host.Events(), expected);
  EXPECT_FALSE(disk.InBackup("Unticked"));
}

TEST_F(FolderBackupRunTest, FolderThatCannotBeMadeEndsTheRunAtOnce) {
  for (const char* inf : {"a.inf", "b.inf", "c.inf", "d.inf", "e.inf"}) disk.PutInf(inf, "");
  // "|" is refused in Windows names: the third folder cannot be made.
  AddTicked({Driver("A", "X", "a.inf"), Driver("B", "X", "b.inf"), Driver("Bad|Name", "X", "c.inf"),
             Driver("D", "X", "d.inf"), Driver("E", "X", "e.inf")});
  EXPECT_EQ(Run(), 0);

  const std::vector<std::string> boxes = {"Create  directory fail!", "创建D:\\Bad|Name目录失败"};
  EXPECT_EQ(disk.boxes.Texts(), boxes);
  EXPECT_EQ(host.Events().back(), "text:b.inf");  // no post, status and bar as they were
  EXPECT_TRUE(disk.InBackup("A/a.inf") && disk.InBackup("B/taskinfo.ini"));
  EXPECT_FALSE(disk.InBackup("D") || disk.InBackup("E"));
}

TEST_F(FolderBackupRunTest, SecondBackupUpdatesInPlace) {
  disk.PutInf("oem1.inf", "a.sys=1");
  disk.PutSystemFile("WINDOWS/system32/drivers/a.sys", "v1");
  AddTicked({Driver("Net", "Net class", "oem1.inf")});
  ASSERT_EQ(Run(), BackupResultDone);
  const std::string first = disk.Backup("Net/taskinfo.ini");

  // A newer version, a changed file, a read-only source and a read-only manifest.
  host.rows.DeleteAll();
  DriverRecord newer = Driver("Net", "Net class", "oem1.inf");
  newer.DriverVersion = "2.0.0.0";
  AddTicked({newer});
  disk.PutSystemFile("WINDOWS/system32/drivers/a.sys", "v2");
  chmod((disk.scratch / "c/WINDOWS/system32/drivers/a.sys").c_str(), 0444);
  ASSERT_EQ(Run(), BackupResultDone);
  chmod((disk.scratch / "d/Net/taskinfo.ini").c_str(), 0444);
  disk.PutSystemFile("WINDOWS/system32/drivers/a.sys", "v3");
  ASSERT_EQ(Run(), BackupResultDone);

  std::string expected = first;
  expected.replace(expected.find("1.0.0.0"), 7, "2.0.0.0");
  EXPECT_EQ(disk.Backup("Net/taskinfo.ini"), expected);
  EXPECT_EQ(disk.Backup("Net/a.sys"), "v3");
  EXPECT_EQ(host.Results(), (std::vector<int>{2, 2, 2}));
}

TEST_F(FolderBackupRunTest, FailedCopyIsNotRecordedAndMakesTheRunIncomplete) {
  disk.PutInf("oem1.inf", "a.sys=1\r\nb.sys=1");
  disk.PutSystemFile("WINDOWS/system32/drivers/a.sys");
  disk.PutSystemFile("WINDOWS/system32/drivers/b.sys");
  disk.PutInf("oem2.inf", "");
  AddTicked({Driver("Drv", "X", "oem1.inf"), Driver("Fine", "X", "oem2.inf")});
  // A folder where the copy of a.sys should go: the copy fails.
  disk.scratch.MakeDir("d/Drv");
  disk.scratch.MakeDir("d/Drv/a.sys");

  EXPECT_EQ(Run(), BackupResultIncomplete);
  EXPECT_EQ(host.incomplete.failedCopies, std::vector<std::string>{"Drv"});
  const Events events = host.Events();
  EXPECT_EQ(std::count(events.begin(), events.end(), "text:a.sys"), 0);
  EXPECT_EQ(std::count(events.begin(), events.end(), "text:b.sys"), 1);
  const Events tail(events.end() - 5, events.end());
  EXPECT_EQ(tail, (Events{"incomplete", "result:3", "status:共找到2个驱动", "pos:0", "show:0"}));
  const std::string manifest = disk.Backup("Drv/taskinfo.ini");
  EXPECT_EQ(manifest.find("a.sys"), std::string::npos);
  EXPECT_NE(manifest.find("[4]\r\nC:\\WINDOWS\\system32\\drivers\\b.sys="), std::string::npos);
}

TEST_F(FolderBackupRunTest, BackupBelowTheWindowsFolderSeesItsOwnCopies) {
  // The first driver's copy lands in C:\WINDOWS\zz, listed after system32: the
  // second driver's search meets it last, as a fresh walk of the tree does.
  disk.PutInf("oem1.inf", "a.sys=1");
  disk.PutInf("oem2.inf", "a.sys=1");
  disk.PutSystemFile("WINDOWS/system32/drivers/a.sys");
  disk.PutSystemFile("WINDOWS/zz/keep");
  AddTicked({Driver("One", "X", "oem1.inf"), Driver("Two", "X", "oem2.inf")});
  EXPECT_EQ(Run("C:\\WINDOWS\\zz\\"), BackupResultDone);
  const std::string manifest = disk.scratch.ReadFile("c/WINDOWS/zz/Two/taskinfo.ini");
  EXPECT_NE(manifest.find("[3]\r\nC:\\WINDOWS\\zz\\One\\a.sys=C:\\WINDOWS\\zz\\Two\\a.sys\r\n"), std::string::npos)
      << manifest;
}

}  // namespace
}  // namespace pelorin
