#include <gtest/gtest.h>

#include <vector>

#include "platform/Errors.h"
#include "platform/SimulatedDeviceSetup.h"

namespace pelorin {
namespace {

const DeviceClassGuid kGuid{0x12345678u, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};

TEST(SimulatedDeviceSetupTest, PropertyReadsAnswerLikeSetupApi) {
  SimulatedDeviceSetup devices;
  devices.AddDevice("HID\\A\\0", {"HID\\A", "HID"});
  devices.AddDeviceWithoutIds("ROOT\\B\\0");
  auto set = devices.GetClassDevs(setup::kDigcfPresent | setup::kDigcfAllClasses);
  ASSERT_TRUE(set);

  DeviceElement first, second, none;
  ASSERT_TRUE(set->EnumDevice(0, first));
  ASSERT_TRUE(set->EnumDevice(1, second));
  EXPECT_FALSE(set->EnumDevice(2, none));
  EXPECT_EQ(GetLastError(), err::kNoMoreItems);

  std::uint32_t type = 0, required = 0;
  EXPECT_FALSE(set->GetRegistryProperty(first, setup::kSpdrpHardwareId, &type, nullptr, 0, &required));
  EXPECT_EQ(GetLastError(), err::kInsufficientBuffer);
  ASSERT_EQ(required, sizeof("HID\\A") + sizeof("HID") + 1);
  std::vector<unsigned char> buffer(required);
  SetLastError(err::kInsufficientBuffer);
  EXPECT_TRUE(set->GetRegistryProperty(first, setup::kSpdrpHardwareId, &type, buffer.data(), required, &required));
  EXPECT_EQ(GetLastError(), err::kSuccess);
  EXPECT_EQ(type, 7u);
  EXPECT_EQ(std::string(buffer.begin(), buffer.end()), std::string("HID\\A\0HID\0\0", 11));

  EXPECT_FALSE(set->GetRegistryProperty(second, setup::kSpdrpHardwareId, &type, nullptr, 0, &required));
  EXPECT_EQ(GetLastError(), err::kInvalidData);
  EXPECT_EQ(required, 0u);
}

TEST(SimulatedDeviceSetupTest, NewElementsExistOnlyOnceRegisteredAndUpdatesNeedACarrier) {
  SimulatedDeviceSetup devices;
  devices.AddInf("C:\\lab.inf", kGuid, "LabClass");
  EXPECT_FALSE(devices.UpdateDriver("root\\labdev", "C:\\lab.inf", setup::kInstallFlagForce, nullptr));
  EXPECT_EQ(GetLastError(), setup::kErrorNoSuchDevinst);
  {
    auto set = devices.CreateDeviceInfoList(kGuid);
    DeviceElement dropped, kept;
    ASSERT_TRUE(set->CreateDevice("LabClass", kGuid, nullptr, setup::kDicdGenerateId, dropped));
    ASSERT_TRUE(set->CreateDevice("LabClass", kGuid, nullptr, setup::kDicdGenerateId, kept));
    const unsigned char list[] = "root\\labdev\0";
    ASSERT_TRUE(set->SetRegistryProperty(kept, setup::kSpdrpHardwareId, list, sizeof list));
    ASSERT_TRUE(set->CallClassInstaller(setup::kDifRegisterDevice, kept));
  }
  ASSERT_EQ(devices.PresentDevices().size(), 1u);
  EXPECT_EQ(devices.PresentDevices()[0]->instanceId, "ROOT\\LABCLASS\\0001");
  EXPECT_EQ(devices.Devices().size(), 1u);  // the unregistered one went with its set

  bool restart = false;
  devices.SetRestartNeeded(true);
  EXPECT_FALSE(devices.UpdateDriver("ROOT\\LABDEV", "C:\\missing.inf", setup::kInstallFlagForce, &restart));
  EXPECT_EQ(GetLastError(), err::kFileNotFound);
  EXPECT_TRUE(devices.UpdateDriver("ROOT\\LABDEV", "c:\\LAB.INF", setup::kInstallFlagForce, &restart));
  EXPECT_TRUE(restart);
  EXPECT_EQ(devices.PresentDevices()[0]->driverInf, "c:\\LAB.INF");

  devices.FailStep(DeviceStep::kUpdateDriver, 1234u, 4);  // counted over the manager's life
  EXPECT_FALSE(devices.UpdateDriver("ROOT\\LABDEV", "C:\\lab.inf", 1, nullptr));
  EXPECT_EQ(GetLastError(), 1234u);
  EXPECT_TRUE(devices.UpdateDriver("ROOT\\LABDEV", "C:\\lab.inf", 1, nullptr));
  EXPECT_EQ(devices.SetsCreated(), devices.SetsDestroyed());
}

}  // namespace
}  // namespace pelorin
