// The driver scan over the real registry functions (wine's), on a private class
// branch put in place of HKEY_LOCAL_MACHINE for this process.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "inventory/DriverScan.h"
#include "inventory/MemoryDriverRows.h"
#include "platform/win32/Win32Registry.h"

namespace pelorin {
namespace {

class Win32ScanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base_ = "Software\\PelorinScanTest\\" + std::to_string(GetCurrentProcessId());
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, base_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &override_, nullptr),
              ERROR_SUCCESS);
    Key("SYSTEM\\CurrentControlSet\\Control\\Class");
  }
  void TearDown() override {
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    if (override_) RegCloseKey(override_);
    // Tests run in parallel processes: remove only this process's branch, and the
    // parent when it is left empty.
    RegDeleteTreeA(HKEY_CURRENT_USER, base_.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\PelorinScanTest");
  }
  // Creates a key below the private root (a path as seen through HKLM).
  HKEY Key(const std::string& path) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExA(override_, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    keys_.push_back(key);
    return key;
  }
  static void Set(HKEY key, const char* name, const std::string& text) {
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
  }
  HKEY Instance(const std::string& cls, const std::string& name, const std::string& desc,
                const std::string& provider = "Vendor") {
    HKEY key = Key("SYSTEM\\CurrentControlSet\\Control\\Class\\" + cls + "\\" + name);
    Set(key, "DriverDesc", desc);
    Set(key, "ProviderName", provider);
    Set(key, "DriverDate", "1-1-2020");
    Set(key, "DriverVersion", "1.0");
    Set(key, "InfPath", "oem1.inf");
    Set(key, "MatchingDeviceId", "pci\\x");
    return key;
  }
  std::vector<std::string> Scan(ScanMode mode, MemoryDriverRows& rows) {
    for (HKEY key : keys_) RegCloseKey(key);
    keys_.clear();
    EXPECT_EQ(RegOverridePredefKey(HKEY_LOCAL_MACHINE, override_), ERROR_SUCCESS);
    win32::Win32Registry registry;
    DriverDescMap map;
    ScanDrivers(registry, mode, map, rows);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    std::vector<std::string> descs;
    for (int i = 0; i < rows.Count(); ++i) descs.push_back(rows.Text(i, DriverColumn::Desc));
    return descs;
  }

  std::string base_;
  HKEY override_ = nullptr;
  std::vector<HKEY> keys_;
};

TEST_F(Win32ScanTest, BoundsTypesAndModesOverTheRealRegistryCalls) {
  HKEY cls = Key("SYSTEM\\CurrentControlSet\\Control\\Class\\{a}");
  Set(cls, "", "网络适配器");
  std::string fits;  // 99 double-byte characters and one ASCII byte: 199 bytes
  for (int i = 0; i < 99; ++i) fits += "驱";
  fits += "x";
  Instance("{a}", "0000", fits);
  Instance("{a}", "0001", fits.substr(0, 198) + "动");  // 200 bytes: left out
  Instance("{a}", "0002", "inbox", "Microsoft");
  HKEY typed = Instance("{a}", "0003", "typed");
  DWORD abc = 0x00434241;
  RegSetValueExA(typed, "DriverVersion", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&abc), 4);
  RegSetValueExA(typed, "DriverDate", 0, REG_BINARY, reinterpret_cast<const BYTE*>("20200101"), 8);
  RegSetValueExA(typed, "InfPath", 0, REG_SZ, nullptr, 0);

  MemoryDriverRows rows;
  EXPECT_EQ(Scan(ScanMode::NotOnSystemDisc, rows), (std::vector<std::string>{"typed", fits}));
  EXPECT_EQ(rows.Text(0, DriverColumn::Version), "ABC");
  EXPECT_EQ(rows.Text(0, DriverColumn::Date), "20200101");
  EXPECT_EQ(rows.Text(0, DriverColumn::InfPath), "");
  EXPECT_EQ(rows.Text(1, DriverColumn::Class), "网络适配器");
  MemoryDriverRows all;
  EXPECT_EQ(Scan(ScanMode::AllBackupable, all), (std::vector<std::string>{"inbox", fits}));
}

}  // namespace
}  // namespace pelorin
