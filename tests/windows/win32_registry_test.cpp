// The Win32 registry backend over a private HKEY_LOCAL_MACHINE: opening by path,
// enumeration by index, and the 200-byte value reads of the driver scan.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/Errors.h"
#include "platform/win32/Win32Registry.h"
#include "windows/support/Win32RegistrySandbox.h"

namespace pelorin::win32 {
namespace {

constexpr char kClass[] = "SYSTEM\\CurrentControlSet\\Control\\Class";

class Win32RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(sandbox.ok()) << "cannot redirect HKEY_LOCAL_MACHINE"; }

  std::unique_ptr<RegistryKey> Open(const std::string& path) {
    std::unique_ptr<RegistryKey> key;
    EXPECT_EQ(registry.OpenKey(path, key), 0u) << path;
    return key;
  }

  testing::Win32RegistrySandbox sandbox{"registry"};
  Win32Registry registry;
};

TEST_F(Win32RegistryTest, OpensByPathAndEnumeratesInRegistryOrder) {
  const std::string root = std::string(kClass) + "\\{4D36E968}";
  std::string longName;
  for (int i = 0; i < 130; ++i) longName += "驱";  // 260 GBK bytes: no room for the terminator
  for (const char* name : {"0010", "0001", "Properties", "驱动", "abc", "ABD", longName.c_str()})
    ASSERT_TRUE(sandbox.Set(root + "\\" + name));
  auto classKey = Open(std::string(kClass) + "\\{4d36e968}");  // paths match without regard to case
  ASSERT_NE(classKey, nullptr);

  std::vector<std::string> names;
  char name[260];
  std::uint32_t index = 0, result;
  for (; (result = classKey->EnumKey(index, name, sizeof name)) != err::kNoMoreItems; ++index)
    names.push_back(result == 0 ? name : "<" + std::to_string(result) + ">");
  EXPECT_EQ(names, (std::vector<std::string>{"0001", "0010", "abc", "ABD", "Properties", "驱动", "<234>"}));

  std::unique_ptr<RegistryKey> missing;
  EXPECT_EQ(registry.OpenKey(root + "\\9999", missing), err::kFileNotFound);
  EXPECT_EQ(missing, nullptr);
}

TEST_F(Win32RegistryTest, ValueReadsIntoTheScansBuffer) {
  const std::string key = std::string(kClass) + "\\{C}\\0000";
  ASSERT_TRUE(sandbox.SetString(key, "Ascii199", std::string(199, 'a')));
  ASSERT_TRUE(sandbox.SetString(key, "Ascii200", std::string(200, 'b')));
  ASSERT_TRUE(sandbox.Set(key, "Unterminated199", REG_SZ, std::string(199, 'c')));
  ASSERT_TRUE(sandbox.Set(key, "ZeroLength", REG_SZ, ""));
  ASSERT_TRUE(sandbox.SetString(key, "", "显示适配器"));
  ASSERT_TRUE(sandbox.Set(key, "Dword", REG_DWORD, std::string("ABC\0", 4)));
  auto instance = Open(key);
  ASSERT_NE(instance, nullptr);

  // A value that fits comes back terminated (also one stored without bytes or
  // without its terminator); one that does not leaves the buffer alone.
  const struct {
    const char* name;
    std::uint32_t result, type, size;
    std::string text;
  } cases[] = {
      {"Ascii199", 0, regtype::kSz, 200, std::string(199, 'a')},
      {"Unterminated199", 0, regtype::kSz, 200, std::string(199, 'c')},
      {"ZeroLength", 0, regtype::kSz, 0, ""},
      {"", 0, regtype::kSz, 11, "显示适配器"},
      {"Dword", 0, REG_DWORD, 4, "ABC"},
      {"Ascii200", err::kMoreData, 0, 201, "\x7F\x7F\x7F"},
      {"NoSuchValue", err::kFileNotFound, 0, 200, "\x7F\x7F\x7F"},
  };
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
}

}  // namespace
}  // namespace pelorin::win32
