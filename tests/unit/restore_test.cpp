#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FaultyFileSystem.h"
#include "PosixScratch.h"
#include "RecordingBoxes.h"
#include "RestoreTestDoubles.h"
#include "platform/Errors.h"
#include "platform/posix/PosixPlatform.h"
#include "restore/DriverInstaller.h"
#include "restore/RestoreHandler.h"

namespace pelorin {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::IdList;

struct RecordingInstallLog : InstallFailureLog {
  std::vector<std::string> labels;
  std::vector<std::uint32_t> codes;
  void StepFailed(const char* label, std::uint32_t code) override { labels.emplace_back(label), codes.push_back(code); }
};

constexpr char kInf[] = "D:\\Backup\\实验设备\\lab.inf";
// Software-enumerated, so that a search without a hit leads to a root device.
constexpr char kId[] = "{b85b7c50-6a01-11d2-b841-00c04fad5171}\\MsToaster";
constexpr char kRootDevice[] = "ROOT\\LABCLASS\\0000";  // the device the root road makes
const DeviceClassGuid kLabGuid{0x4d36e97du, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

// The code a failed call left behind; 0 for a call that succeeded.
std::uint32_t ErrorOf(bool succeeded) { return succeeded ? 0 : GetLastError(); }

class InstallerTest : public ::testing::Test {
 protected:
  InstallerTest() : installer(Platform{nullptr, &files, nullptr, nullptr, nullptr, &devices}, &log) {
    files.AddFile(kInf);
    devices.infClass = kLabGuid;
  }

  // Whatever the road, every set that was made is gone again.
  void TearDown() override { EXPECT_EQ(devices.liveSets, 0); }

  testing::FaultyFileSystem files;
  testing::SimulatedDeviceSetup devices;
  RecordingInstallLog log;
  CDriverInstaller installer;
};

TEST_F(InstallerTest, RootRoadRunsItsStepsInOrderWithTheOneEntryListAndBothRoadsReportARestart) {
  const std::string size = std::to_string(sizeof kId - 1 + 2);
  devices.restartNeeded = true;
  EXPECT_EQ(installer.InstallDriver(kInf, kId), install::kInstalledRestartNeeded);
  EXPECT_THAT(devices.Calls(),
              ElementsAre("GetClassDevs 6", "EnumDeviceInfo 0", "DestroyDeviceInfoList",
                          std::string("GetINFClass ") + kInf, "CreateDeviceInfoList", "CreateDeviceInfo LabClass 1",
                          "SetDeviceRegistryProperty " + std::string(kRootDevice) + " 1 " + size,
                          "CallClassInstaller 25 " + std::string(kRootDevice),
                          "UpdateDriverForPlugAndPlayDevices " + std::string(kId) + " " + kInf + " 1",
                          "DestroyDeviceInfoList"));
  ASSERT_EQ(devices.Devices().size(), 1u);
  const auto& made = devices.Devices().begin()->second;
  EXPECT_EQ(made.hardwareIds, std::string(kId) + std::string(2, '\0'));
  EXPECT_EQ(made.classGuid, kLabGuid);
  // The walk's normal end goes to the failure hook like any other.
  EXPECT_THAT(log.labels, ElementsAre("EnumDeviceInfo"));
  EXPECT_THAT(log.codes, ElementsAre(err::kNoMoreItems));
  EXPECT_EQ(installer.InstallDriver(kInf, kId), install::kInstalledRestartNeeded);  // now present
}

TEST_F(InstallerTest, BothIdListsAreReadWithTheTwoCallPatternAndTheFirstHitEndsTheWalk) {
  devices.AddDevice("ROOT\\NOLIST\\0000", std::nullopt);
  devices.AddDevice("HID\\LAB\\0", IdList({"HID\\VID_845E&PID_0001"}), IdList({kId}));
  devices.AddDevice("PCI\\LAB\\2", IdList({kId}));
  const std::string hid = "GetDeviceRegistryProperty HID\\LAB\\0 ";
  const std::string hidSize = std::to_string(sizeof "HID\\VID_845E&PID_0001" + 1);
  const std::string size = std::to_string(sizeof kId + 1);

  EXPECT_TRUE(installer.FindPresentDevice(kId));
  EXPECT_THAT(devices.Calls(),
              ElementsAre("GetClassDevs 6", "EnumDeviceInfo 0", "GetDeviceRegistryProperty ROOT\\NOLIST\\0000 1 0",
                          "GetDeviceRegistryProperty ROOT\\NOLIST\\0000 2 0", "EnumDeviceInfo 1",
                          hid + "1 0", hid + "1 " + hidSize, hid + "2 0", hid + "2 " + size,
                          "DestroyDeviceInfoList"));
  EXPECT_THAT(log.labels, IsEmpty());
}

// IDs of a real Windows 10 laptop: the registry keeps the ID that matched the INF in lower case, often a
// compatible one; the devices report theirs in upper case. The ID sought and the instance that gets the
// driver (none: absent hardware); last, a list without closing NULs.
using Hit = std::pair<const char*, const char*>;
const Hit kHits[] = {
    {"pci\\ven_10de&dev_0dfc", "PCI\\VEN_10DE&DEV_0DFC&SUBSYS_15341028&REV_A1\\4&1"},
    {"acpi\\smo8810", "ACPI\\SMO8810\\1"},
    {"PCI\\VEN_10DE&DEV_0DF", nullptr},
    {"{b85b7c50-6a01-11d2-b841}\\MsToaster", nullptr},
    {"root\\iwdbus", kRootDevice},
    {"SWD\\MSRRAS\\MS_NDISWANIP", kRootDevice},
    {"ms_ndiswanip", kRootDevice},
    {"ROOT\\\x81\x41", kRootDevice},
    {"USB\\UNCLOSED", "USB\\UNCLOSED\\0"},
};

class InstallerHitTest : public InstallerTest, public ::testing::WithParamInterface<Hit> {};

TEST_P(InstallerHitTest, SearchDecidesTheRoad) {
  const auto [sought, target] = GetParam();
  const std::string nvidia = "PCI\\VEN_10DE&DEV_0DFC";
  devices.AddDevice(nvidia + "&SUBSYS_15341028&REV_A1\\4&1",
                    IdList({nvidia + "&SUBSYS_15341028&REV_A1", nvidia + "&SUBSYS_15341028"}),
                    IdList({nvidia + "&REV_A1", nvidia, "PCI\\VEN_10DE"}));
  devices.AddDevice("ACPI\\SMO8810\\1", IdList({"ACPI\\SMO8810", "*SMO8810"}));
  devices.AddDevice("ROOT\\\x81\x61\\0", IdList({"ROOT\\\x81\x61"}));  // a GBK character whose trail byte is "a"
  // Lists a search must not misread: empty, with entries stored after its end, unclosed.
  devices.AddDevice("PCI\\EMPTY\\0", IdList({}));
  devices.AddDevice("PCI\\STOPS\\0", std::string("PCI\\A\0\0", 8) + kId + std::string(2, '\0'));
  devices.AddDevice("USB\\UNCLOSED\\0", std::string("USB\\UNCLOSED"));
  const std::size_t before = devices.Devices().size();

  EXPECT_EQ(installer.InstallDriver(kInf, sought), target ? install::kInstalled : install::kFailed);

  const bool root = target && std::string(target) == kRootDevice;
  EXPECT_EQ(devices.Devices().size(), before + (root ? 1 : 0));
  for (const auto& [serial, device] : devices.Devices()) {
    EXPECT_EQ(device.driverInf, target && device.instanceId == target ? kInf : "") << device.instanceId;
  }
}

INSTANTIATE_TEST_SUITE_P(RealHiveIds, InstallerHitTest, ::testing::ValuesIn(kHits));

TEST_F(InstallerTest, FailedRootStepKeepsItsCodeAndLeavesNoDeviceBehind) {
  // The call that fails (its log line's start) and the label it is reported with.
  const std::pair<const char*, const char*> steps[] = {
      {"GetINFClass", "GetINFClass"}, {"CreateDeviceInfoList", "CreateDeviceInfoList"},
      {"CreateDeviceInfo ", "CreateDeviceInfo"}, {"SetDeviceRegistryProperty", "SetDeviceRegistryProperty"},
      {"CallClassInstaller 25 ", "CallClassInstaller(REGISTERDEVICE)"},
      {"UpdateDriverForPlugAndPlayDevices", "UpdateDriverForPlugAndPlayDevices"},  // the device made is removed
  };
  devices.destroyLeavesError = err::kInvalidHandle;
  bool restart = false;
  for (const auto& [step, label] : steps) {
    // Each row's step is first reached in its own round: the rows before it failed earlier.
    devices.FailStep(step, 0xE0000123u, 1);
    EXPECT_EQ(ErrorOf(installer.InstallRootDevice(IdList({kId}), kInf, &restart)), 0xE0000123u) << label;
    EXPECT_EQ(log.labels.back(), label);
    EXPECT_THAT(devices.Devices(), IsEmpty()) << label;
  }
  EXPECT_EQ(devices.CountCalls("UpdateDriverForPlugAndPlayDevices"), 1);
  EXPECT_EQ(devices.CountCalls("CallClassInstaller 5 " + std::string(kRootDevice)), 1);

  // The removal failing too is reported, and still the update's code is the result.
  devices.FailStep("UpdateDriverForPlugAndPlayDevices", setup::kErrorNoDriverSelected);
  devices.FailStep("CallClassInstaller 5 ", err::kAccessDenied);
  EXPECT_EQ(ErrorOf(installer.InstallRootDevice(IdList({kId}), kInf, &restart)), setup::kErrorNoDriverSelected);
  EXPECT_EQ(log.labels.size(), 8u);
  EXPECT_EQ(log.labels.back(), "CallClassInstaller(REMOVE)");
}

TEST_F(InstallerTest, FailedSearchOrUpdateNeverLeadsToANewDevice) {
  devices.AddDevice("PCI\\OTHER\\0", IdList({"PCI\\OTHER"}));

  devices.FailStep("GetClassDevs", err::kNotEnoughMemory, 1);
  EXPECT_EQ(ErrorOf(installer.FindPresentDevice(kId)), err::kNotEnoughMemory);

  devices.FailStep("GetDeviceRegistryProperty", err::kAccessDenied, 1);
  devices.destroyLeavesError = err::kInvalidHandle;
  EXPECT_EQ(ErrorOf(installer.FindPresentDevice(kId)), err::kAccessDenied);

  devices.FailStep("EnumDeviceInfo", err::kInvalidParameter, 3);
  EXPECT_EQ(installer.InstallDriver(kInf, kId), install::kFailed);

  devices.AddDevice("PCI\\LAB\\1", IdList({kId}));  // found, but its update fails
  devices.FailStep("UpdateDriverForPlugAndPlayDevices", err::kAccessDenied);
  EXPECT_EQ(installer.InstallDriver(kInf, kId), install::kFailed);

  // A sizing answer that never grows ends the search instead of spinning.
  devices.FailStep("GetDeviceRegistryProperty", err::kInsufficientBuffer);
  const int reads = devices.CountCalls("GetDeviceRegistryProperty");
  EXPECT_EQ(ErrorOf(installer.FindPresentDevice(kId)), err::kInsufficientBuffer);
  EXPECT_EQ(devices.CountCalls("GetDeviceRegistryProperty") - reads, 2);

  EXPECT_THAT(log.labels, ElementsAre("GetClassDevs(All Present Devices)", "GetDeviceRegistryProperty",
                                      "EnumDeviceInfo", "UpdateDriverForPlugAndPlayDevices",
                                      "GetDeviceRegistryProperty"));
  EXPECT_THAT(log.codes, ElementsAre(err::kNotEnoughMemory, err::kAccessDenied, err::kInvalidParameter,
                                     err::kAccessDenied, err::kInsufficientBuffer));
  EXPECT_EQ(devices.CountCalls("GetINFClass"), 0);
}

constexpr char kPciId[] = "PCI\\VEN_8086&DEV_1237";
// As the folder backup writes it (GBK, CRLF).
const std::string kManifest = "[实验设备类]\r\n硬件ID=" + std::string(kPciId) +
                              "\r\n驱动程序配置文件=oem3.inf\r\n驱动程序提供商=Lab\r\n[1]\r\nC:\\WINDOWS\\inf\\oem3.inf=x\r\n";

struct RecordingRestoreView : RestoreView {
  std::vector<std::string> statuses;
  void SetStatusText(const std::string& text) override { statuses.push_back(text); }
  int DriverRowCount() override { return 7; }
};

// Backups in scratch folders mapped as drives D: and C: (the drive-root case), read through the POSIX services.
class RestoreHandlerTest : public ::testing::Test {
 protected:
  RestoreHandlerTest() : installer(MakePlatform()) {
    posix.MapDrive('D', drive.path());
    posix.MapDrive('C', rootDrive.path());
  }

  Platform MakePlatform() {
    Platform platform = posix.Get();
    platform.boxes = &boxes;
    platform.devices = &devices;
    return platform;
  }

  // A backup's manifest and the INF beside it in `dir`: UTF-8, from the drive's root, closing "/" ("" for the root).
  static void MakeBackup(const testing::PosixScratch& where, const std::string& dir, const std::string& manifest) {
    where.WriteFile(dir + "taskinfo.ini", manifest);
    where.WriteFile(dir + "oem3.inf", "[Version]\r\n");
  }

  // One restore from `folder`; the boxes and status lines are that restore's.
  void RestoreFrom(const std::string& folder) {
    boxes.Clear();
    view.statuses.clear();
    picker.choice = folder;
    OnRestore(MakePlatform(), picker, installer, view);
  }

  // What a restore shows: one box of the application's title.
  static std::vector<testing::ShownBox> OneBox(const std::string& text) { return {{text, "", false, mb::kOk}}; }

  testing::PosixScratch drive;
  testing::PosixScratch rootDrive;
  posix::PosixPlatform posix;
  testing::RecordingBoxes boxes;
  testing::ScriptedPicker picker;
  RecordingRestoreView view;
  testing::SimulatedDeviceSetup devices;
  CDriverInstaller installer;
};

// Without a backup no device is touched, and a failed install shows the check-device message.
TEST_F(RestoreHandlerTest, EachOutcomeShowsItsBoxAndTheStatusNamesTheDriver) {
  MakeBackup(drive, u8"Backup/实验设备/", kManifest);  // no device carries the PCI ID, and none is made for it
  MakeBackup(drive, "Backup/NoInf/", "[Lab]\r\n硬件ID=" + std::string(kPciId) + "\r\n");
  MakeBackup(drive, "Backup/NoId/", "[Lab]\r\n驱动程序配置文件=oem3.inf\r\n");
  MakeBackup(drive, u8"Backup/空/", "; nothing here\r\n");  // a manifest without sections
  drive.MakeDir("100%s%d");  // a folder name is not a format
  OnRestore(MakePlatform(), picker, installer, view);  // the picker is cancelled
  EXPECT_THAT(boxes.Shown(), IsEmpty());
  for (const char* folder : {"D:\\Backup", "D:\\100%s%d", "D:\\Backup\\空"}) {
    RestoreFrom(folder);
    EXPECT_EQ(boxes.Shown(), OneBox(std::string("在文件夹'") + folder + "'中未能找到驱动程序备份文件"));
    EXPECT_EQ(view.statuses.empty(), std::string(folder) != "D:\\Backup\\空") << folder;
  }
  EXPECT_THAT(view.statuses, ElementsAre("正在恢复驱动空", "共找到7个驱动"));
  EXPECT_THAT(devices.Calls(), IsEmpty());

  devices.FailStep("UpdateDriverForPlugAndPlayDevices", setup::kErrorNoDriverSelected, 1);
  for (const char* folder : {"D:\\Backup\\实验设备", "D:\\Backup\\NoInf", "D:\\Backup\\NoId"}) {
    RestoreFrom(folder);
    EXPECT_EQ(boxes.Shown(), OneBox("无法正常恢复安装此驱动，请检查设备管理器列表中是否存在此设备及设备硬件连接情况！"));
    EXPECT_EQ(view.statuses.size(), 2u);
  }
  // Without the INF's name no device is touched. Without the ID the not-found text becomes the ID; the INF
  // has no driver for it (the update fails), so the root device made for it is removed again.
  EXPECT_EQ(devices.CountCalls("GetClassDevs"), 2);
  EXPECT_EQ(devices.CountCalls("UpdateDriverForPlugAndPlayDevices 找不到相应值 D:\\Backup\\NoId\\oem3.inf"), 1);
  EXPECT_THAT(devices.Devices(), IsEmpty());

  // The driver's name is the last folder level: "乗" is 0x81 0x5C in GBK, its trail byte no separator; a
  // drive root gives an empty name, and the paths built from it keep the root's own backslash.
  devices.AddDevice("PCI\\LAB\\1", IdList({kPciId}));
  devices.AddDevice("USB\\OTHER\\1", IdList({"USB\\VID_0001"}));
  devices.restartNeeded = true;  // reported as plain success
  // Only the first section counts.
  MakeBackup(drive, u8"Backup/乗/", kManifest + "[另一个类]\r\n硬件ID=USB\\VID_0001\r\n驱动程序配置文件=oem3.inf\r\n");
  MakeBackup(rootDrive, "", kManifest);
  for (auto [folder, name] : {std::pair{"D:\\Backup\\乗", "乗"}, std::pair{"C:\\", ""}}) {
    RestoreFrom(folder);
    EXPECT_EQ(boxes.Shown(), OneBox("安装成功！"));
    EXPECT_THAT(view.statuses, ElementsAre(std::string("正在恢复驱动") + name, "共找到7个驱动"));
  }
  EXPECT_EQ(devices.CountCalls("UpdateDriverForPlugAndPlayDevices"), 3);  // one for the backup without an ID
  EXPECT_EQ(devices.CountCalls("UpdateDriverForPlugAndPlayDevices " + std::string(kPciId) + " C:\\\\oem3.inf"), 1);
}

}  // namespace
}  // namespace pelorin
