#include <gtest/gtest.h>

#include <algorithm>

#include "PosixScratch.h"
#include "RecordingBackupHost.h"
#include "RecordingBoxes.h"
#include "SfxStubResources.h"
#include "backup/SfxBackup.h"
#include "platform/posix/PosixPlatform.h"
#include "sfx/SfxReader.h"

namespace pelorin {
namespace {

using testing::PosixScratch;

class SfxBackupTest : public ::testing::Test {
 protected:
  SfxBackupTest() {
    scratch.MakeDir("WINDOWS");
    scratch.MakeDir("WINDOWS/inf");
    scratch.MakeDir("WINDOWS/system32");
    scratch.MakeDir("temp");
    scratch.MakeDir("out");
    platform.MapDrive('C', scratch.path());
    platform.SetTempFolder(scratch / "temp");
    platform.SetMessageBoxes(&boxes);
    platform.SetResources(&resources);
  }

  void AddDriver(const std::string& desc, const std::string& cls, const std::string& inf,
                 const std::vector<std::string>& files, bool ticked = true) {
    std::string text = "[SourceDisksFiles]\r\n";
    for (auto& f : files) {
      text += f + "=1\r\n";
      scratch.WriteFile("WINDOWS/system32/" + f, "data of " + f);
    }
    scratch.WriteFile("WINDOWS/inf/" + inf, text);
    DriverRecord r;
    r.DriverDesc = desc;
    r.ClassName = cls;
    r.InfPath = inf;
    r.MatchingDeviceId = "PCI\\VEN_" + inf;
    r.DriverVersion = "1.0";
    host.rows.InsertTop(r);
    host.rows.SetTicked(0, ticked);
  }

  // The container's directory, read back.
  std::vector<SfxRecord> Directory() {
    std::vector<SfxRecord> records;
    auto in = platform.Get().files->Open("C:\\out\\pelorin.exe", OpenMode::kReadShared);
    EXPECT_TRUE(in);
    if (in) {
      EXPECT_EQ(ReadSfxDirectory(*in, records), SfxStatus::kOk);
    }
    return records;
  }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (auto& r : Directory()) names.push_back(r.name);
    return names;
  }

  PosixScratch scratch;
  posix::PosixPlatform platform;
  testing::RecordingBoxes boxes;
  testing::SfxStubResources resources;
  testing::RecordingBackupHost host;
  const std::string destination = "C:\\out\\";
};

TEST_F(SfxBackupTest, OneDriverGivesSixEntriesAndStepsInOrder) {
  AddDriver("Net/Card", "Net", "oem5.inf", {"a.sys", "b.dll"});
  scratch.WriteFile("WINDOWS/inf/oem5.PNF", "pnf");
  CSfxWriter writer(platform.Get());
  EXPECT_EQ(RunSfxBackup(platform.Get(), host, writer, destination), BackupResultDone);
  EXPECT_EQ(Names(), (std::vector<std::string>{"oem5.inf", "oem5.PNF", "a.sys", "b.dll", "taskinfo.ini",
                                               "treeinfo.ini"}));
  EXPECT_EQ(writer.Count(), 0);
  EXPECT_FALSE(scratch.Exists("temp/taskinfo.ini"));
  EXPECT_FALSE(scratch.Exists("temp/treeinfo.ini"));
  EXPECT_TRUE(boxes.Texts().empty());

  auto events = host.Events();
  auto pumps = std::count(events.begin(), events.end(), "pump");
  EXPECT_GT(pumps, 0);
  events.erase(std::remove(events.begin(), events.end(), "pump"), events.end());
  EXPECT_EQ(events, (std::vector<std::string>{"status:正在备份:NetCard", "show:1", "range:0,4", "pos:1",
                                              "text:oem5.inf", "pos:2", "text:oem5.PNF", "pos:3", "text:a.sys",
                                              "pos:4", "text:b.dll", "result:2", "status:共找到1个驱动", "pos:0",
                                              "show:0"}));
}

TEST_F(SfxBackupTest, ManifestsComeFromEmptyFilesAndReachTheRestorer) {
  AddDriver("Display/B", "Display", "oem2.inf", {"b.sys"});
  AddDriver("Display A", "Display", "oem1.inf", {});
  scratch.WriteFile("temp/taskinfo.ini", "[Stale Driver]\r\n硬件ID=old\r\n");
  scratch.WriteFile("temp/treeinfo.ini", "[Old]\r\nStale Driver=1\r\n");
  CSfxWriter writer(platform.Get());
  ASSERT_EQ(RunSfxBackup(platform.Get(), host, writer, destination), BackupResultDone);

  auto in = platform.Get().files->Open("C:\\out\\pelorin.exe", OpenMode::kReadShared);
  ASSERT_TRUE(in);
  scratch.MakeDir("unpacked");
  ASSERT_EQ(UnpackSfx(*in,
                      [&](const std::string& name) {
                        return platform.Get().files->Open("C:\\unpacked\\" + name, OpenMode::kCreateWrite);
                      },
                      nullptr, nullptr),
            SfxStatus::kOk);
  // The bytes of both files are CombinedManifestAndClassTree's; here: nothing stale, paths per driver folder.
  EXPECT_EQ(scratch.ReadFile("unpacked/treeinfo.ini").find("Stale"), std::string::npos);
  const std::string manifest = scratch.ReadFile("unpacked/taskinfo.ini");
  EXPECT_EQ(manifest.find("Stale"), std::string::npos);
  EXPECT_NE(manifest.find("[Display/B]\r\n"), std::string::npos);
  EXPECT_NE(manifest.find("=C:\\out\\DisplayB\\b.sys"), std::string::npos);
}

TEST_F(SfxBackupTest, NothingTicked) {
  AddDriver("Idle", "Net", "oem9.inf", {}, false);
  CSfxWriter writer(platform.Get());
  EXPECT_EQ(RunSfxBackup(platform.Get(), host, writer, destination), BackupResultNothingTicked);
  EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"创建自安装EXE文件失败!"}));
  EXPECT_FALSE(scratch.Exists("out/pelorin.exe"));
  EXPECT_EQ(host.Results(), (std::vector<int>{1}));
}

TEST_F(SfxBackupTest, FailedBuildIsNotReportedAsSuccess) {
  AddDriver("Card", "Net", "oem5.inf", {"a.sys"});
  scratch.WriteFile("out/pelorin.exe", "earlier backup");
  resources.present = false;
  CSfxWriter writer(platform.Get());
  EXPECT_EQ(RunSfxBackup(platform.Get(), host, writer, destination), 0);
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(boxes.Shown()[0].text, "创建自安装EXE文件失败!");
  EXPECT_EQ(boxes.Shown()[0].caption, "提示信息");
  EXPECT_EQ(boxes.Shown()[0].type, 0x30u);
  EXPECT_TRUE(host.Results().empty());
  EXPECT_EQ(scratch.ReadFile("out/pelorin.exe"), "earlier backup");
  EXPECT_EQ(writer.Count(), 0);
  EXPECT_FALSE(scratch.Exists("temp/taskinfo.ini"));
  EXPECT_EQ(host.Status(), "共找到1个驱动");
}

TEST_F(SfxBackupTest, ManifestsThatCannotBeWrittenFailTheRun) {
  AddDriver("Card", "Net", "oem5.inf", {"a.sys"});
  scratch.WriteFile("out/pelorin.exe", "earlier backup");
  // No temporary folder: the manifests go to the current folder, which this
  // backend cannot name, so they are never written.
  scratch.WriteFile("blocker", "a file where the temporary folder would be");
  platform.SetTempFolder(scratch / "blocker/temp");
  CSfxWriter writer(platform.Get());
  EXPECT_EQ(RunSfxBackup(platform.Get(), host, writer, destination), 0);
  EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"Get tempfile failed", "创建自安装EXE文件失败!"}));
  EXPECT_TRUE(host.Results().empty());
  EXPECT_EQ(scratch.ReadFile("out/pelorin.exe"), "earlier backup");
}

TEST_F(SfxBackupTest, FullTableKeepsTheManifestsAndReportsIncomplete) {
  std::vector<std::string> many;
  for (int i = 0; i < 130; ++i) many.push_back("f" + std::to_string(i) + ".sys");
  AddDriver("Second", "Net", "oem2.inf", many);
  AddDriver("First", "Net", "oem1.inf", many);
  CSfxWriter writer(platform.Get());
  EXPECT_EQ(RunSfxBackup(platform.Get(), host, writer, destination), BackupResultIncomplete);
  auto names = Names();
  ASSERT_EQ(names.size(), 256u);
  EXPECT_EQ(names[254], "taskinfo.ini");
  EXPECT_EQ(names[255], "treeinfo.ini");
  EXPECT_EQ(host.Results(), (std::vector<int>{3}));
}

}  // namespace
}  // namespace pelorin
