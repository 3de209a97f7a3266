#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "RecordingBoxes.h"
#include "RestoreTestDoubles.h"
#include "platform/SimulatedDeviceSetup.h"
#include "restore/RestoreHandler.h"

namespace pelorin {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr char kFolder[] = "D:\\Backup\\实验设备";
constexpr char kId[] = "PCI\\VEN_8086&DEV_1237";
constexpr char kSucceeded[] = "安装成功！";
constexpr char kFailed[] = "无法正常恢复安装此驱动，请检查设备管理器列表中是否存在此设备及设备硬件连接情况！";

class RestoreHandlerTest : public ::testing::Test {
 protected:
  RestoreHandlerTest() : installer(MakePlatform()) { view.rows = 7; }

  Platform MakePlatform() {
    Platform platform;
    platform.files = &files;
    platform.profile = &profiles;
    platform.boxes = &boxes;
    platform.devices = &devices;
    return platform;
  }

  // A backup folder as the folder backup leaves it: manifest, INF, file sections.
  void MakeBackup(const std::string& folder, const std::string& id, const std::string& inf = "oem3.inf") {
    const std::string manifest = folder + "\\taskinfo.ini";
    files.Add(manifest);
    files.Add(folder + "\\" + inf);
    profiles.Put(manifest, "实验设备类", "硬件ID", id);
    profiles.Put(manifest, "实验设备类", "驱动程序配置文件", inf);
    profiles.Put(manifest, "实验设备类", "驱动程序提供商", "Lab");
    profiles.Put(manifest, "1", "C:\\WINDOWS\\inf\\" + inf, folder + "\\" + inf);
    devices.AddInf(folder + "\\" + inf, DeviceClassGuid{0x11112222u, 3, 4, {5}}, "LabClass", {kId});
  }

  void Restore() {
    Platform platform = MakePlatform();
    OnRestore(platform, picker, installer, view);
  }

  void ExpectOneBox(const std::string& text) {
    const auto shown = boxes.Shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, text);
    EXPECT_FALSE(shown[0].hasCaption);
    EXPECT_EQ(shown[0].type, mb::kOk);
  }

  testing::ExistingPaths files;
  testing::MemoryProfiles profiles;
  testing::RecordingBoxes boxes;
  testing::ScriptedPicker picker;
  testing::RecordingRestoreView view;
  SimulatedDeviceSetup devices;
  CDriverInstaller installer;
};

TEST_F(RestoreHandlerTest, CancelledPickerDoesNothing) {
  picker.Cancel();
  Restore();
  EXPECT_EQ(picker.Calls(), 1);
  EXPECT_EQ(picker.Title(), "浏览文件夹");
  EXPECT_EQ(picker.Prompt(), "请指定包含你的备份文件的文件夹");
  EXPECT_THAT(files.Probes(), IsEmpty());
  EXPECT_THAT(boxes.Shown(), IsEmpty());
  EXPECT_THAT(view.statuses, IsEmpty());
}

TEST_F(RestoreHandlerTest, FolderWithoutManifestNamesTheFolderAndLeavesTheStatus) {
  MakeBackup("D:\\Backup\\实验设备", kId);
  picker.Choose("D:\\Backup");  // the top folder of a backup
  Restore();
  EXPECT_THAT(files.Probes(), ElementsAre("D:\\Backup\\taskinfo.ini"));
  ExpectOneBox("在文件夹'D:\\Backup'中未能找到驱动程序备份文件");
  EXPECT_THAT(view.statuses, IsEmpty());
  EXPECT_THAT(devices.Calls(), IsEmpty());

  // A folder name is not a format.
  boxes.Clear();
  picker.Choose("D:\\100%s%d");
  Restore();
  ExpectOneBox("在文件夹'D:\\100%s%d'中未能找到驱动程序备份文件");
}

TEST_F(RestoreHandlerTest, PresentDeviceGetsTheDriverFromTheChosenFolder) {
  devices.AddDevice("PCI\\LAB\\1", {kId});
  MakeBackup(kFolder, kId);
  picker.Choose(kFolder);
  Restore();
  ExpectOneBox(kSucceeded);
  EXPECT_THAT(view.statuses, ElementsAre("正在恢复驱动实验设备", "共找到7个驱动"));
  EXPECT_EQ(devices.Devices()[0].driverInf, std::string(kFolder) + "\\oem3.inf");
}

TEST_F(RestoreHandlerTest, RestartRequestIsReportedAsPlainSuccess) {
  devices.SetRestartNeeded(true);
  MakeBackup(kFolder, kId);  // no device carries the ID: a root device gets it
  picker.Choose(kFolder);
  Restore();
  ExpectOneBox(kSucceeded);
  EXPECT_EQ(devices.CountCalls("CallClassInstaller 25"), 1);
}

TEST_F(RestoreHandlerTest, InstallFailureShowsTheCheckDeviceMessageAndResetsTheStatus) {
  devices.AddDevice("PCI\\LAB\\1", {kId});
  devices.FailStep(DeviceStep::kUpdateDriver, setup::kErrorNoSuchDevinst);
  MakeBackup(kFolder, kId);
  picker.Choose(kFolder);
  view.rows = 0;
  Restore();
  ExpectOneBox(kFailed);
  EXPECT_THAT(view.statuses, ElementsAre("正在恢复驱动实验设备", "共找到0个驱动"));
}

TEST_F(RestoreHandlerTest, MissingKeysEndInTheFailureMessage) {
  // No INF name: the built path names no file, so nothing is searched.
  const std::string noInf = "D:\\Backup\\NoInf";
  files.Add(noInf + "\\taskinfo.ini");
  profiles.Put(noInf + "\\taskinfo.ini", "Lab", "硬件ID", kId);
  picker.Choose(noInf);
  Restore();
  ExpectOneBox(kFailed);
  EXPECT_EQ(files.Probes().back(), noInf + "\\找不到相应值");
  EXPECT_THAT(devices.Calls(), IsEmpty());

  // No hardware ID: the not-found text is the ID; the INF has no driver for it, so
  // the root device made for it is removed again.
  boxes.Clear();
  const std::string noId = "D:\\Backup\\NoId";
  files.Add(noId + "\\taskinfo.ini");
  files.Add(noId + "\\oem3.inf");
  profiles.Put(noId + "\\taskinfo.ini", "Lab", "驱动程序配置文件", "oem3.inf");
  devices.AddInf(noId + "\\oem3.inf", DeviceClassGuid{}, "LabClass", {kId});
  picker.Choose(noId);
  Restore();
  ExpectOneBox(kFailed);
  EXPECT_EQ(devices.CountCalls("UpdateDriverForPlugAndPlayDevices 找不到相应值 "), 1);
  EXPECT_EQ(devices.CountCalls("CallClassInstaller 5"), 1);
  EXPECT_THAT(devices.Devices(), IsEmpty());
  EXPECT_THAT(view.statuses, ElementsAre("正在恢复驱动NoInf", "共找到7个驱动", "正在恢复驱动NoId", "共找到7个驱动"));
}

TEST_F(RestoreHandlerTest, OnlyTheFirstSectionsDriverIsInstalled) {
  MakeBackup(kFolder, kId);
  const std::string manifest = std::string(kFolder) + "\\taskinfo.ini";
  profiles.Put(manifest, "另一个类", "硬件ID", "USB\\VID_0001");
  profiles.Put(manifest, "另一个类", "驱动程序配置文件", "oem9.inf");
  files.Add(std::string(kFolder) + "\\oem9.inf");
  picker.Choose(kFolder);
  Restore();
  ExpectOneBox(kSucceeded);
  EXPECT_EQ(devices.CountCalls("UpdateDriverForPlugAndPlayDevices"), 1);
  EXPECT_EQ(devices.CountCalls("UpdateDriverForPlugAndPlayDevices " + std::string(kId) + " " + kFolder +
                               "\\oem3.inf"),
            1);
}

TEST_F(RestoreHandlerTest, FolderNamesAreCutAtTheirLastRealBackslash) {
  // "乗" is 0x81 0x5C in GBK: its trail byte is not a separator.
  const std::string folder = "D:\\Backup\\乗";
  ASSERT_EQ(std::string("乗"), "\x81\x5C");
  devices.AddDevice("PCI\\LAB\\1", {kId});
  MakeBackup(folder, kId);
  picker.Choose(folder);
  Restore();
  EXPECT_THAT(view.statuses, ElementsAre("正在恢复驱动乗", "共找到7个驱动"));
}

TEST_F(RestoreHandlerTest, DriveRootGivesAnEmptyDriverName) {
  devices.AddDevice("PCI\\LAB\\1", {kId});
  MakeBackup("C:\\", kId);  // the paths keep the root's own backslash
  picker.Choose("C:\\");
  Restore();
  EXPECT_EQ(files.Probes().front(), "C:\\\\taskinfo.ini");
  ExpectOneBox(kSucceeded);
  EXPECT_THAT(view.statuses, ElementsAre("正在恢复驱动", "共找到7个驱动"));
}

TEST_F(RestoreHandlerTest, ManifestWithoutSectionsIsTreatedAsNoBackup) {
  files.Add(std::string(kFolder) + "\\taskinfo.ini");
  profiles.PutEmptyFile(std::string(kFolder) + "\\taskinfo.ini");
  picker.Choose(kFolder);
  Restore();
  ExpectOneBox(std::string("在文件夹'") + kFolder + "'中未能找到驱动程序备份文件");
  EXPECT_THAT(view.statuses, ElementsAre("正在恢复驱动实验设备", "共找到7个驱动"));
  EXPECT_THAT(devices.Calls(), IsEmpty());
}

}  // namespace
}  // namespace pelorin
