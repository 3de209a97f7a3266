// The device installation services over SETUPAPI and NEWDEV, and the driver
// installer on top of them. The test adds and removes devices, so it runs only
// in a throw-away prefix (a ctest entry of its own sets PELORIN_WINE_PREFIX_NAME).
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "TestPaths.h"
#include "platform/Errors.h"
#include "platform/win32/Win32Platform.h"
#include "restore/DriverInstaller.h"

namespace pelorin {
namespace {

const std::string kLabInf = std::string(PELORIN_SOURCE_DIR) + "\\tests\\windows\\data\\installer_lab.inf";
const DeviceClassGuid kLabGuid{0x6D3C1E40u, 0x8E27, 0x4B8A, {0x9A, 0x51, 0x3F, 0x0C, 0x2B, 0x7D, 0x9E, 0x11}};
constexpr char kLabId[] = "root\\pelorinlab";

// Every present device's hardware-ID list ("" for a device that has none),
// read with the two calls the installer makes: size, then bytes.
std::vector<std::string> PresentLists(DeviceSetup& devices) {
  std::vector<std::string> lists;
  auto set = devices.GetClassDevs(setup::kDigcfPresent | setup::kDigcfAllClasses);
  if (!set) {
    ADD_FAILURE() << "GetClassDevs " << GetLastError();
    return lists;
  }
  DeviceElement element;
  std::uint32_t index = 0;
  for (; set->EnumDevice(index, element); ++index) {
    std::uint32_t type = 0, size = 0;
    EXPECT_FALSE(set->GetRegistryProperty(element, setup::kSpdrpHardwareId, &type, nullptr, 0, &size));
    std::string buffer(GetLastError() == err::kInvalidData ? 0 : size, '\0');
    if (!buffer.empty()) {
      EXPECT_TRUE(set->GetRegistryProperty(element, setup::kSpdrpHardwareId, &type,
                                           reinterpret_cast<unsigned char*>(&buffer[0]), size, &size));
    }
    lists.push_back(buffer);
  }
  EXPECT_EQ(GetLastError(), err::kNoMoreItems) << "at index " << index;
  return lists;
}

// The lab device's roads: the INF's class, the root device created, registered
// and installed once, then found and updated with no second device; and a bare
// device without a list, which a search passes over. (The search over such
// devices: the installer's native tests; here the backend's answer for one.)
TEST(InstallerPrivatePrefixTest, LabRootDeviceRoadAndABareDevice) {
  const char* prefix = std::getenv("PELORIN_WINE_PREFIX_NAME");
  if (!prefix || !*prefix) GTEST_SKIP() << "changes the machine's devices; runs in a throw-away prefix only";
  win32::Win32Platform real;
  DeviceSetup& devices = *real.Get().devices;
  CDriverInstaller installer(real.Get());
  DeviceClassGuid guid;
  char className[install::kClassNameBuffer] = {};
  ASSERT_TRUE(devices.GetInfClass(kLabInf, guid, className, sizeof className)) << GetLastError();
  EXPECT_STREQ(className, "PelorinLab");
  EXPECT_EQ(guid, kLabGuid);

  const auto countCarrying = [&](const std::string& id) {
    int count = 0;
    for (const auto& list : PresentLists(devices)) {
      // Closed by an empty entry, where walks stop: wine's root bus devices
      // report a size that also covers bytes after it ("root\winebus\0\0C:\windows\inf").
      EXPECT_TRUE(list.empty() || list.find(std::string(2, '\0')) != std::string::npos) << list.c_str();
      for (std::size_t pos = 0; pos < list.size() && list[pos] != '\0'; pos += std::strlen(&list[pos]) + 1)
        count += id == &list[pos];
    }
    return count;
  };
  ASSERT_EQ(countCarrying(kLabId), 0);
  EXPECT_EQ(installer.InstallDriver(kLabInf, kLabId), install::kInstalled);
  EXPECT_EQ(countCarrying(kLabId), 1);
  // A hit is reported with code 0 (wine would leave the sizing call's 122).
  EXPECT_TRUE(installer.FindPresentDevice(kLabId));
  EXPECT_EQ(GetLastError(), err::kSuccess);
  EXPECT_EQ(installer.InstallDriver(kLabInf, kLabId), install::kInstalled);
  EXPECT_EQ(countCarrying(kLabId), 1);

  auto set = devices.CreateDeviceInfoList(kLabGuid);
  ASSERT_TRUE(set) << GetLastError();
  DeviceElement bare;
  ASSERT_TRUE(set->CreateDevice("PelorinLab", kLabGuid, nullptr, setup::kDicdGenerateId, bare)) << GetLastError();
  ASSERT_TRUE(set->CallClassInstaller(setup::kDifRegisterDevice, bare)) << GetLastError();
  const auto lists = PresentLists(devices);
  EXPECT_GE(std::count(lists.begin(), lists.end(), ""), 1);
  EXPECT_FALSE(installer.FindPresentDevice("PELORIN\\NO_SUCH_DEVICE"));
  EXPECT_EQ(GetLastError(), err::kNoMoreItems);
  EXPECT_TRUE(set->CallClassInstaller(setup::kDifRemove, bare));
}

}  // namespace
}  // namespace pelorin
