#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MemoryTreeFileSystem.h"
#include "RestoreTestDoubles.h"
#include "platform/Errors.h"
#include "platform/SimulatedDeviceSetup.h"
#include "restore/DriverInstaller.h"

namespace pelorin {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr char kInf[] = "D:\\Backup\\实验设备\\lab.inf";
constexpr char kId[] = "PCI\\VEN_8086&DEV_1237";
const DeviceClassGuid kLabGuid{0x4d36e97du, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

// The code a failed call left behind; 0 for a call that succeeded.
std::uint32_t ErrorOf(bool succeeded) { return succeeded ? 0 : GetLastError(); }

class InstallerTest : public ::testing::Test {
 protected:
  InstallerTest() : installer(MakePlatform(), &log) {
    files.AddFile(kInf);
    devices.AddInf(kInf, kLabGuid, "LabClass");
  }

  // Whatever the road, every set that was made is gone again.
  void TearDown() override { EXPECT_EQ(devices.SetsCreated(), devices.SetsDestroyed()); }

  Platform MakePlatform() {
    Platform platform;
    platform.files = &files;
    platform.devices = &devices;
    return platform;
  }

  const SimulatedDeviceSetup::Device* Find(const std::string& instanceId) const {
    for (const auto& device : devices.Devices()) {
      if (device.instanceId == instanceId) return &device;
    }
    return nullptr;
  }

  testing::MemoryTreeFileSystem files;
  SimulatedDeviceSetup devices;
  testing::RecordingInstallLog log;
  CDriverInstaller installer;
};

TEST_F(InstallerTest, MissingInfFailsBeforeAnyDeviceCall) {
  devices.AddDevice("PCI\\LAB\\1", {kId});
  EXPECT_EQ(installer.InstallDriver("D:\\Backup\\实验设备\\找不到相应值", kId), install::kFailed);
  EXPECT_THAT(devices.Calls(), IsEmpty());
  EXPECT_THAT(log.labels, IsEmpty());
}

TEST_F(InstallerTest, PresentDeviceCarryingTheIdTakesTheUpdateRoadAndStopsTheSearchThere) {
  devices.AddDeviceWithoutIds("ACPI\\NOLIST\\0");
  devices.AddDevice("DISPLAY\\MONITOR\\0", {"MONITOR\\Default_Monitor"});
  devices.AddDevice("PCI\\LAB\\1", {"PCI\\VEN_8086&DEV_1237&SUBSYS_00000000", kId});
  devices.AddDevice("PCI\\LAB\\2", {kId});

  EXPECT_EQ(installer.InstallDriver(kInf, kId), install::kInstalled);

  EXPECT_EQ(devices.CountCalls("EnumDeviceInfo"), 3);  // the hit at index 2 ends the walk
  EXPECT_EQ(devices.CountCalls("CreateDeviceInfoList"), 0);
  EXPECT_EQ(devices.CountCalls("UpdateDriverForPlugAndPlayDevices " + std::string(kId) + " " + kInf + " 1"), 1);
  EXPECT_EQ(Find("PCI\\LAB\\1")->driverInf, kInf);
  EXPECT_EQ(Find("PCI\\LAB\\2")->driverInf, kInf);
  EXPECT_EQ(devices.Devices().size(), 4u);
  EXPECT_THAT(log.labels, IsEmpty());
}

TEST_F(InstallerTest, DevicesWithOtherIdsAreNoHitSoTheRootDeviceIsCreated) {
  // Taking a list with any other entry as a hit would push the driver at devices
  // without the ID and fail, and the root device would never be made.
  devices.AddDevice("DISPLAY\\MONITOR\\0", {"MONITOR\\Default_Monitor"});
  devices.AddDevice("PCI\\OTHER\\0", {kId + std::string("&SUBSYS_1"), "pci\\ven_8086&dev_1237"});

  EXPECT_EQ(installer.InstallDriver(kInf, kId), install::kInstalled);

  const auto* root = Find("ROOT\\LABCLASS\\0000");
  ASSERT_NE(root, nullptr);
  EXPECT_TRUE(root->present);
  EXPECT_EQ(root->hardwareIds, std::string(kId) + std::string(2, '\0'));
  EXPECT_EQ(root->driverInf, kInf);
  EXPECT_EQ(root->classGuid, kLabGuid);
  EXPECT_EQ(devices.Devices().size(), 3u);
  // The walk's normal end goes to the failure hook like any other.
  EXPECT_THAT(log.labels, ElementsAre("EnumDeviceInfo"));
  EXPECT_THAT(log.codes, ElementsAre(err::kNoMoreItems));
}

TEST_F(InstallerTest, RootRoadRunsItsStepsInOrderWithTheOneEntryList) {
  const std::string size = std::to_string(sizeof kId - 1 + 2);
  EXPECT_EQ(installer.InstallDriver(kInf, kId), install::kInstalled);
  EXPECT_THAT(devices.Calls(),
              ElementsAre("GetClassDevs 6", "EnumDeviceInfo 0", "DestroyDeviceInfoList",
                          std::string("GetINFClass ") + kInf, "CreateDeviceInfoList", "CreateDeviceInfo LabClass 1",
                          "SetDeviceRegistryProperty ROOT\\LABCLASS\\0000 1 " + size,
                          "CallClassInstaller 25 ROOT\\LABCLASS\\0000",
                          "UpdateDriverForPlugAndPlayDevices " + std::string(kId) + " " + kInf + " 1",
                          "DestroyDeviceInfoList"));
}

TEST_F(InstallerTest, HardwareIdListsAreReadWithTheTwoCallPatternAndDevicesWithoutOneAreSkipped) {
  devices.AddDeviceWithoutIds("ROOT\\NOLIST\\0000");
  devices.AddDevice("HID\\LAB\\0", {"HID\\VID_845E&PID_0001", kId});
  const std::string size = std::to_string(sizeof("HID\\VID_845E&PID_0001") + sizeof kId + 1);

  EXPECT_TRUE(installer.FindPresentDevice(kId));
  EXPECT_EQ(GetLastError(), err::kSuccess);
  EXPECT_THAT(devices.Calls(), ElementsAre("GetClassDevs 6", "EnumDeviceInfo 0",
                                           "GetDeviceRegistryProperty ROOT\\NOLIST\\0000 1 0", "EnumDeviceInfo 1",
                                           "GetDeviceRegistryProperty HID\\LAB\\0 1 0",
                                           "GetDeviceRegistryProperty HID\\LAB\\0 1 " + size,
                                           "DestroyDeviceInfoList"));
  EXPECT_THAT(log.labels, IsEmpty());
}

TEST_F(InstallerTest, MatchingIsExactAndToleratesListsWithoutClosingNuls) {
  devices.AddDevice("PCI\\CASE\\0", {"pci\\ven_8086&dev_1237"});
  devices.AddDevice("PCI\\PREFIX\\0", {"PCI\\VEN_8086&DEV_123"});
  devices.AddDevice("PCI\\EMPTY\\0", {});
  devices.AddDeviceRawIds("PCI\\STOPS\\0", std::string("PCI\\A\0\0", 8) + kId);  // entries after the end
  EXPECT_EQ(ErrorOf(installer.FindPresentDevice(kId)), err::kNoMoreItems);

  devices.AddDeviceRawIds("PCI\\UNCLOSED\\0", kId);  // no terminator at all
  EXPECT_TRUE(installer.FindPresentDevice(kId));
}

TEST_F(InstallerTest, UpdateRoadFailureGivesTwoWithoutCreatingADevice) {
  devices.AddDevice("PCI\\LAB\\1", {kId});
  devices.FailStep(DeviceStep::kUpdateDriver, err::kAccessDenied);
  EXPECT_EQ(installer.InstallDriver(kInf, kId), install::kFailed);
  EXPECT_EQ(devices.CountCalls("CreateDeviceInfoList"), 0);
  EXPECT_THAT(log.labels, ElementsAre("UpdateDriverForPlugAndPlayDevices"));
  EXPECT_THAT(log.codes, ElementsAre(err::kAccessDenied));
}

TEST_F(InstallerTest, RootDeviceThatCannotGetTheDriverIsRemovedKeepingTheUpdateCode) {
  devices.FailStep(DeviceStep::kUpdateDriver, setup::kErrorNoDriverSelected);
  devices.SetDestroyLeavesError(err::kInvalidHandle);
  bool restart = false;
  const std::string list = kId + std::string(2, '\0');

  EXPECT_EQ(ErrorOf(installer.InstallRootDevice(list, kInf, &restart)), setup::kErrorNoDriverSelected);
  EXPECT_THAT(devices.Devices(), IsEmpty());
  EXPECT_EQ(devices.CountCalls("CallClassInstaller 5 ROOT\\LABCLASS\\0000"), 1);
  EXPECT_THAT(log.labels, ElementsAre("UpdateDriverForPlugAndPlayDevices"));

  // The removal failing too is reported, and still the update's code is the result.
  devices.FailStep(DeviceStep::kRemoveDevice, err::kAccessDenied);
  EXPECT_EQ(ErrorOf(installer.InstallRootDevice(list, kInf, &restart)), setup::kErrorNoDriverSelected);
  EXPECT_THAT(log.labels, ElementsAre("UpdateDriverForPlugAndPlayDevices", "UpdateDriverForPlugAndPlayDevices",
                                      "CallClassInstaller(REMOVE)"));

  EXPECT_EQ(installer.InstallDriver(kInf, "PCI\\VEN_1&DEV_2"), install::kFailed);
}

struct RootStepFailure {
  DeviceStep step;
  const char* label;
};

void PrintTo(const RootStepFailure& failure, std::ostream* os) { *os << failure.label; }

class InstallerRootStepTest : public InstallerTest, public ::testing::WithParamInterface<RootStepFailure> {};

TEST_P(InstallerRootStepTest, FailedStepGivesTwoWithItsCodeAndLeavesNoDeviceBehind) {
  const RootStepFailure& failure = GetParam();
  devices.FailStep(failure.step, 0xE0000123u);
  devices.SetDestroyLeavesError(err::kInvalidHandle);
  bool restart = false;

  EXPECT_EQ(ErrorOf(installer.InstallRootDevice(kId + std::string(2, '\0'), kInf, &restart)), 0xE0000123u);
  EXPECT_THAT(log.labels, ElementsAre(failure.label));
  EXPECT_THAT(devices.Devices(), IsEmpty());
  EXPECT_EQ(devices.CountCalls("UpdateDriverForPlugAndPlayDevices"), 0);

  EXPECT_EQ(installer.InstallDriver(kInf, kId), install::kFailed);
}

INSTANTIATE_TEST_SUITE_P(
    EveryStep, InstallerRootStepTest,
    ::testing::Values(RootStepFailure{DeviceStep::kGetInfClass, "GetINFClass"},
                      RootStepFailure{DeviceStep::kCreateDeviceInfoList, "CreateDeviceInfoList"},
                      RootStepFailure{DeviceStep::kCreateDevice, "CreateDeviceInfo"},
                      RootStepFailure{DeviceStep::kSetRegistryProperty, "SetDeviceRegistryProperty"},
                      RootStepFailure{DeviceStep::kRegisterDevice, "CallClassInstaller(REGISTERDEVICE)"}));

TEST_F(InstallerTest, FailedSearchNeverLeadsToANewDevice) {
  devices.AddDevice("PCI\\OTHER\\0", {"PCI\\OTHER"});

  devices.FailStep(DeviceStep::kGetClassDevs, err::kNotEnoughMemory, 1);
  EXPECT_EQ(ErrorOf(installer.FindPresentDevice(kId)), err::kNotEnoughMemory);

  devices.FailStep(DeviceStep::kGetRegistryProperty, err::kAccessDenied, 1);
  devices.SetDestroyLeavesError(err::kInvalidHandle);
  EXPECT_EQ(ErrorOf(installer.FindPresentDevice(kId)), err::kAccessDenied);

  devices.FailStep(DeviceStep::kEnumDevice, err::kInvalidParameter, 3);
  EXPECT_EQ(installer.InstallDriver(kInf, kId), install::kFailed);

  EXPECT_THAT(log.labels, ElementsAre("GetClassDevs(All Present Devices)", "GetDeviceRegistryProperty",
                                      "EnumDeviceInfo"));
  EXPECT_EQ(devices.CountCalls("GetINFClass"), 0);
  EXPECT_EQ(devices.Devices().size(), 1u);
}

TEST_F(InstallerTest, ASizingAnswerThatNeverGrowsEndsTheSearchInsteadOfSpinning) {
  devices.AddDevice("PCI\\LAB\\1", {kId});
  devices.FailStep(DeviceStep::kGetRegistryProperty, err::kInsufficientBuffer);
  EXPECT_EQ(ErrorOf(installer.FindPresentDevice(kId)), err::kInsufficientBuffer);
  EXPECT_EQ(devices.CountCalls("GetDeviceRegistryProperty"), 2);
  EXPECT_THAT(log.labels, ElementsAre("GetDeviceRegistryProperty"));
}

TEST_F(InstallerTest, RestartRequestGivesOneOnBothRoads) {
  devices.SetRestartNeeded(true);
  EXPECT_EQ(installer.InstallDriver(kInf, kId), install::kInstalledRestartNeeded);  // root road
  EXPECT_EQ(installer.InstallDriver(kInf, kId), install::kInstalledRestartNeeded);  // now present
  EXPECT_EQ(devices.CountCalls("CreateDeviceInfoList"), 1);
  devices.SetRestartNeeded(false);
  EXPECT_EQ(installer.InstallDriver(kInf, kId), install::kInstalled);
}

TEST_F(InstallerTest, ReportFailureLeavesTheCodeAndReturnsFalse) {
  SetLastError(0xE000020Bu);
  EXPECT_EQ(ErrorOf(installer.ReportFailure("GetINFClass")), 0xE000020Bu);
  CDriverInstaller silent(MakePlatform());
  EXPECT_EQ(ErrorOf(silent.ReportFailure("GetINFClass")), 0xE000020Bu);
}

// The stand-in answers property reads the way the device set-up API does; the
// installer's two-call pattern depends on it.
TEST(SimulatedDeviceSetupTest, PropertyReadsAnswerLikeSetupApi) {
  SimulatedDeviceSetup devices;
  devices.AddDevice("HID\\A\\0", {"HID\\A", "HID"});
  devices.AddDeviceWithoutIds("ROOT\\B\\0");
  auto set = devices.GetClassDevs(setup::kDigcfPresent | setup::kDigcfAllClasses);
  ASSERT_TRUE(set);

  DeviceElement first, second, none;
  ASSERT_TRUE(set->EnumDevice(0, first));
  ASSERT_TRUE(set->EnumDevice(1, second));
  EXPECT_EQ(ErrorOf(set->EnumDevice(2, none)), err::kNoMoreItems);

  std::uint32_t type = 0, required = 0;
  EXPECT_EQ(ErrorOf(set->GetRegistryProperty(first, setup::kSpdrpHardwareId, &type, nullptr, 0, &required)),
            err::kInsufficientBuffer);
  ASSERT_EQ(required, sizeof("HID\\A") + sizeof("HID") + 1);
  std::vector<unsigned char> buffer(required);
  SetLastError(err::kInsufficientBuffer);
  EXPECT_TRUE(set->GetRegistryProperty(first, setup::kSpdrpHardwareId, &type, buffer.data(), required, &required));
  EXPECT_EQ(GetLastError(), err::kSuccess);
  EXPECT_EQ(type, 7u);
  EXPECT_EQ(std::string(buffer.begin(), buffer.end()), std::string("HID\\A\0HID\0\0", 11));

  EXPECT_EQ(ErrorOf(set->GetRegistryProperty(second, setup::kSpdrpHardwareId, &type, nullptr, 0, &required)),
            err::kInvalidData);
  EXPECT_EQ(required, 0u);
}

}  // namespace
}  // namespace pelorin
