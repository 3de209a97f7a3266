// The Win32 registry backend's value reads into the driver scan's 200-byte
// buffer, over a private HKEY_LOCAL_MACHINE: a key under HKEY_CURRENT_USER,
// deleted afterwards. (Opening and enumerating keys are one call to Windows
// each; the scan of the demo machine runs them end to end.)
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "platform/Errors.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Win32Registry.h"

namespace pelorin::win32 {
namespace {

constexpr char kSandbox[] = "Software\\PelorinTest\\registry";
constexpr char kKey[] = "SYSTEM\\CurrentControlSet\\Control\\Class\\{C}\\0000";

class Win32RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegDeleteTreeA(HKEY_CURRENT_USER, kSandbox);
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kSandbox, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, root.Receive(),
                              nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegOverridePredefKey(HKEY_LOCAL_MACHINE, root.get()), ERROR_SUCCESS)
        << "cannot redirect HKEY_LOCAL_MACHINE";
  }
  void TearDown() override {
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    root = RegKeyHandle();
    RegDeleteTreeA(HKEY_CURRENT_USER, kSandbox);
  }
  RegKeyHandle root;
};

TEST_F(Win32RegistryTest, ValueReadsIntoTheScansBuffer) {
  // A value that fits comes back terminated (also one stored without bytes or
  // without its terminator); one that does not leaves the buffer alone.
  const struct {
    const char* name;
    DWORD storedType;
    std::string stored;  // as written, nothing appended
    std::uint32_t result, type, size;
    std::string text;
  } cases[] = {
      {"Ascii199", REG_SZ, std::string(199, 'a') + '\0', 0, regtype::kSz, 200, std::string(199, 'a')},
      {"Unterminated199", REG_SZ, std::string(199, 'c'), 0, regtype::kSz, 200, std::string(199, 'c')},
      {"ZeroLength", REG_SZ, "", 0, regtype::kSz, 0, ""},
      {"", REG_SZ, std::string("显示适配器", 11), 0, regtype::kSz, 11, "显示适配器"},
      {"Dword", REG_DWORD, std::string("ABC\0", 4), 0, REG_DWORD, 4, "ABC"},
      {"Ascii200", REG_SZ, std::string(200, 'b') + '\0', err::kMoreData, 0, 201, "\x7F\x7F\x7F"},
      {"NoSuchValue", REG_NONE, "", err::kFileNotFound, 0, 200, "\x7F\x7F\x7F"},
  };
  RegKeyHandle key;
  ASSERT_EQ(RegCreateKeyExA(root.get(), kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Receive(), nullptr),
            ERROR_SUCCESS);
  for (const auto& c : cases) {
    if (c.storedType == REG_NONE) continue;
    ASSERT_EQ(RegSetValueExA(key.get(), c.name, 0, c.storedType, reinterpret_cast<const BYTE*>(c.stored.data()),
                             static_cast<DWORD>(c.stored.size())),
              ERROR_SUCCESS);
  }
  key = RegKeyHandle();
  Win32Registry registry;
  std::unique_ptr<RegistryKey> instance;
  ASSERT_EQ(registry.OpenKey(kKey, instance), 0u);

  for (const auto& c : cases) {
    char buffer[200];
    std::memset(buffer, 0x7F, sizeof buffer);
    if (c.size == 0) buffer[0] = 'X';
    std::uint32_t type = 0, size = sizeof buffer;
    EXPECT_EQ(instance->QueryValue(c.name, &type, reinterpret_cast<unsigned char*>(buffer), &size), c.result)
        << c.name;
    EXPECT_EQ(c.result == 0 ? type : c.type, c.type) << c.name;
    EXPECT_EQ(c.result == err::kFileNotFound ? c.size : size, c.size) << c.name;
    EXPECT_EQ(std::string(buffer, c.result == 0 ? std::strlen(buffer) : 3), c.text) << c.name;
  }
  EXPECT_EQ(registry.OpenKey(std::string(kKey) + "\\9999", instance), err::kFileNotFound);
  EXPECT_EQ(instance, nullptr);
}

}  // namespace
}  // namespace pelorin::win32
