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

using testing::Win32RegistrySandbox;

constexpr char kClass[] = "SYSTEM\\CurrentControlSet\\Control\\Class";

class Win32RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(sandbox.ok()) << "cannot redirect HKEY_LOCAL_MACHINE"; }

  std::unique_ptr<RegistryKey> Open(const std::string& path) {
    std::unique_ptr<RegistryKey> key;
    EXPECT_EQ(registry.OpenKey(path, key), 0u) << path;
    return key;
  }

  Win32RegistrySandbox sandbox{"registry"};
  Win32Registry registry;
};

TEST_F(Win32RegistryTest, OpensByPathAndEnumeratesInRegistryOrder) {
  const std::string root = kClass;
  for (const char* name : {"{4D36E968}\\0010", "{4D36E968}\\0001", "{4D36E968}\\Properties", "{4D36E968}\\驱动",
                           "{4D36E968}\\abc", "{4D36E968}\\ABD"}) {
    ASSERT_TRUE(sandbox.CreateKey(root + "\\" + name));
  }
  auto classKey = Open(root + "\\{4d36e968}");  // paths match without regard to case
  ASSERT_NE(classKey, nullptr);

  std::vector<std::string> names;
  char name[260];
  std::uint32_t index = 0;
  for (; classKey->EnumKey(index, name, sizeof name) == 0; ++index) names.push_back(name);
  EXPECT_EQ(classKey->EnumKey(index, name, sizeof name), err::kNoMoreItems);
  EXPECT_EQ(names, (std::vector<std::string>{"0001", "0010", "abc", "ABD", "Properties", "驱动"}));

  std::unique_ptr<RegistryKey> missing;
  EXPECT_EQ(registry.OpenKey(root + "\\{4D36E968}\\9999", missing), err::kFileNotFound);
  EXPECT_EQ(missing, nullptr);
}

TEST_F(Win32RegistryTest, LongSubkeyNameDoesNotFitTheCallersBuffer) {
  std::string longName;
  for (int i = 0; i < 130; ++i) longName += "驱";  // 260 GBK bytes: no room for the terminator
  ASSERT_TRUE(sandbox.CreateKey(std::string(kClass) + "\\" + longName));
  ASSERT_TRUE(sandbox.CreateKey(std::string(kClass) + "\\0000"));
  auto root = Open(kClass);
  ASSERT_NE(root, nullptr);
  char name[260];
  EXPECT_EQ(root->EnumKey(0, name, sizeof name), 0u);
  EXPECT_STREQ(name, "0000");
  EXPECT_EQ(root->EnumKey(1, name, sizeof name), err::kMoreData);
  EXPECT_EQ(root->EnumKey(2, name, sizeof name), err::kNoMoreItems);
}

TEST_F(Win32RegistryTest, ValuesUpTo199BytesFitTheScansBuffer) {
  const std::string key = std::string(kClass) + "\\{C}\\0000";
  std::string chinese;
  for (int i = 0; i < 99; ++i) chinese += "驱";
  ASSERT_TRUE(sandbox.SetString(key, "Ascii199", std::string(199, 'a')));
  ASSERT_TRUE(sandbox.SetString(key, "Gbk199", chinese + "x"));
  ASSERT_TRUE(sandbox.SetString(key, "Ascii200", std::string(200, 'b')));
  ASSERT_TRUE(sandbox.SetValue(key, "Unterminated199", REG_SZ, std::string(199, 'c')));
  auto instance = Open(key);
  ASSERT_NE(instance, nullptr);

  for (const char* name : {"Ascii199", "Gbk199", "Unterminated199"}) {
    unsigned char buffer[200];
    std::memset(buffer, 0x7F, sizeof buffer);
    std::uint32_t type = 0, size = sizeof buffer;
    EXPECT_EQ(instance->QueryValue(name, &type, buffer, &size), 0u) << name;
    EXPECT_EQ(type, regtype::kSz);
    EXPECT_EQ(size, 200u) << name;
    EXPECT_EQ(buffer[199], 0) << name;
  }

  unsigned char buffer[200];
  std::memset(buffer, 0x7F, sizeof buffer);
  std::uint32_t type = 0, size = sizeof buffer;
  EXPECT_EQ(instance->QueryValue("Ascii200", &type, buffer, &size), err::kMoreData);
  EXPECT_EQ(size, 201u);
  EXPECT_EQ(buffer[0], 0x7F) << "a value that does not fit must leave the buffer alone";

  size = sizeof buffer;
  EXPECT_EQ(instance->QueryValue("NoSuchValue", &type, buffer, &size), err::kFileNotFound);
}

TEST_F(Win32RegistryTest, EmptyStringsComeBackTerminated) {
  const std::string key = std::string(kClass) + "\\{C}";
  ASSERT_TRUE(sandbox.SetString(key, "", "显示适配器"));
  ASSERT_TRUE(sandbox.SetString(key, "Empty", ""));
  ASSERT_TRUE(sandbox.SetValue(key, "ZeroLength", REG_SZ, std::string()));
  auto classKey = Open(key);
  ASSERT_NE(classKey, nullptr);

  char buffer[200];
  std::uint32_t type = 0, size = sizeof buffer;
  ASSERT_EQ(classKey->QueryValue("", &type, reinterpret_cast<unsigned char*>(buffer), &size), 0u);
  EXPECT_STREQ(buffer, "显示适配器");

  std::memset(buffer, 'X', sizeof buffer);
  size = sizeof buffer;
  ASSERT_EQ(classKey->QueryValue("Empty", &type, reinterpret_cast<unsigned char*>(buffer), &size), 0u);
  EXPECT_EQ(size, 1u);
  EXPECT_STREQ(buffer, "");

  // A value stored with no bytes at all: the reader gets an empty string, not
  // the buffer's old contents.
  std::memset(buffer, 'X', sizeof buffer);
  size = sizeof buffer;
  ASSERT_EQ(classKey->QueryValue("ZeroLength", &type, reinterpret_cast<unsigned char*>(buffer), &size), 0u);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(type, regtype::kSz);
  EXPECT_STREQ(buffer, "");
}

}  // namespace
}  // namespace pelorin::win32
