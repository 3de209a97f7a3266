#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "PosixScratch.h"
#include "RecordingBoxes.h"
#include "RestoreTestDoubles.h"
#include "SimulatedDeviceSetup.h"
#include "platform/posix/PosixPlatform.h"
#include "restore/RestoreHandler.h"

namespace pelorin {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::IdList;

constexpr char kFolder[] = "D:\\Backup\\实验设备";
constexpr char kId[] = "PCI\\VEN_8086&DEV_1237";
constexpr char kSucceeded[] = "安装成功！";
// As the folder backup writes it (GBK, CRLF).
const std::string kManifest = "[实验设备类]\r\n硬件ID=" + std::string(kId) +
                              "\r\n驱动程序配置文件=oem3.inf\r\n驱动程序提供商=Lab\r\n[1]\r\nC:\\WINDOWS\\inf\\oem3.inf=x\r\n";
constexpr char kFailed[] = "无法正常恢复安装此驱动，请检查设备管理器列表中是否存在此设备及设备硬件连接情况！";

// Backup folders live in a scratch folder mapped as drive D: (and C: for the
// drive-root case); the manifests are read through the POSIX profile services.
class RestoreHandlerTest : public ::testing::Test {
 protected:
  RestoreHandlerTest() : installer(MakePlatform()) {
    posix.MapDrive('D', drive.path());
    posix.MapDrive('C', rootDrive.path());
    view.rows = 7;
  }

  Platform MakePlatform() {
    Platform platform = posix.Get();
    platform.boxes = &boxes;
    platform.devices = &devices;
    return platform;
  }

  // A backup's manifest and the INF beside it in `hostFolder`: UTF-8, from the
  // scratch drive's root, with its closing "/" ("" for the root).
  static void MakeBackup(const testing::PosixScratch& where, const std::string& hostFolder,
                         const std::string& manifest) {
    where.WriteFile(hostFolder + "taskinfo.ini", manifest);
    where.WriteFile(hostFolder + "oem3.inf", "[Version]\r\n");
  }

  // One restore from `folder`; the boxes and status lines are that restore's.
  void RestoreFrom(const std::string& folder) {
    boxes.Clear();
    view.statuses.clear();
    picker.choice = folder;
    OnRestore(MakePlatform(), picker, installer, view);
  }

  void ExpectOneBox(const std::string& text) {
    const auto shown = boxes.Shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, text);
    EXPECT_FALSE(shown[0].hasCaption);
    EXPECT_EQ(shown[0].type, mb::kOk);
  }

  testing::PosixScratch drive;
  testing::PosixScratch rootDrive;
  posix::PosixPlatform posix;
  testing::RecordingBoxes boxes;
  testing::ScriptedPicker picker;
  testing::RecordingRestoreView view;
  testing::SimulatedDeviceSetup devices;
  CDriverInstaller installer;
};

TEST_F(RestoreHandlerTest, CancelledPickerOrFolderWithoutBackupTouchesNoDevice) {
  MakeBackup(drive, u8"Backup/实验设备/", kManifest);
  OnRestore(MakePlatform(), picker, installer, view);  // the picker is cancelled
  EXPECT_THAT(boxes.Shown(), IsEmpty());
  drive.MakeDir("100%s%d");  // a folder name is not a format
  MakeBackup(drive, u8"Backup/空/", "; nothing here\r\n");  // a manifest without sections
  for (const char* folder : {"D:\\Backup", "D:\\100%s%d", "D:\\Backup\\空"}) {
    RestoreFrom(folder);
    ExpectOneBox(std::string("在文件夹'") + folder + "'中未能找到驱动程序备份文件");
    EXPECT_EQ(view.statuses.empty(), std::string(folder) != "D:\\Backup\\空") << folder;
  }
  EXPECT_THAT(view.statuses, ElementsAre("正在恢复驱动空", "共找到7个驱动"));
  EXPECT_THAT(devices.Calls(), IsEmpty());
}

// The driver's name is the last folder level: "乗" is 0x81 0x5C in GBK, its trail
// byte no separator; a drive root gives an empty name, and the paths built from
// it keep the root's own backslash.
TEST_F(RestoreHandlerTest, PresentDeviceGetsTheDriverNamedAfterTheLastFolderLevel) {
  devices.AddDevice("PCI\\LAB\\1", IdList({kId}));
  devices.AddDevice("USB\\OTHER\\1", IdList({"USB\\VID_0001"}));
  devices.restartNeeded = true;  // reported as plain success
  // Only the first section counts.
  MakeBackup(drive, u8"Backup/乗/", kManifest + "[另一个类]\r\n硬件ID=USB\\VID_0001\r\n驱动程序配置文件=oem3.inf\r\n");
  MakeBackup(rootDrive, "", kManifest);
  for (auto [folder, name] : {std::pair{"D:\\Backup\\乗", "乗"}, std::pair{"C:\\", ""}}) {
    RestoreFrom(folder);
    ExpectOneBox(kSucceeded);
    EXPECT_THAT(view.statuses, ElementsAre(std::string("正在恢复驱动") + name, "共找到7个驱动"));
  }
  EXPECT_EQ(devices.CountCalls("UpdateDriverForPlugAndPlayDevices"), 2);
  EXPECT_EQ(devices.CountCalls("UpdateDriverForPlugAndPlayDevices " + std::string(kId) + " C:\\\\oem3.inf"), 1);
}

TEST_F(RestoreHandlerTest, AbsentHardwareOrAManifestWithoutInfOrIdShowsTheCheckDeviceMessage) {
  MakeBackup(drive, u8"Backup/实验设备/", kManifest);  // no device carries the PCI ID, and none is made for it
  MakeBackup(drive, "Backup/NoInf/", "[Lab]\r\n硬件ID=" + std::string(kId) + "\r\n");
  MakeBackup(drive, "Backup/NoId/", "[Lab]\r\n驱动程序配置文件=oem3.inf\r\n");
  devices.FailStep("UpdateDriverForPlugAndPlayDevices", setup::kErrorNoDriverSelected);
  view.rows = 0;
  for (const char* folder : {kFolder, "D:\\Backup\\NoInf", "D:\\Backup\\NoId"}) {
    RestoreFrom(folder);
    ExpectOneBox(kFailed);
    EXPECT_EQ(view.statuses.size(), 2u);
  }
  EXPECT_EQ(view.statuses[1], "共找到0个驱动");
  // Without the INF's name no device is touched. Without the ID the not-found
  // text becomes the ID; the INF has no driver for it (the update fails), so
  // the root device made for it is removed again.
  EXPECT_EQ(devices.CountCalls("GetClassDevs"), 2);
  EXPECT_EQ(devices.CountCalls("UpdateDriverForPlugAndPlayDevices 找不到相应值 D:\\Backup\\NoId\\oem3.inf"), 1);
  EXPECT_THAT(devices.Devices(), IsEmpty());
}

}  // namespace
}  // namespace pelorin
