// SYSTEM hives written by the tests' hive writer, read back through libhivex.
#include <gtest/gtest.h>

#include "ClassBranch.h"
#include "HiveWriter.h"
#include "TempDir.h"
#include "TestPaths.h"
#include "inventory/DriverScan.h"
#include "inventory/MemoryDriverRows.h"
#include "platform/posix/RegistryFiles.h"

namespace pelorin {
namespace {

using testing::HiveKey;
using testing::HiveValue;
using testing::InventoryTempDir;

std::string Sz(const std::u16string& text) {
  std::u16string t = text;
  t.push_back(u'\0');
  return regtext::Utf16ToBytes(t);
}

HiveKey ClassBranch() {
  HiveKey cls{u"Class", {}, {}};
  HiveKey& net = cls.Child(u"{4d36e972-e325-11ce-bfc1-08002be10318}");
  net.values.push_back(HiveValue{u"", 1, Sz(u"网络适配器")});
  HiveKey& inst = net.Child(u"0000");
  for (const char16_t* name : {u"DriverDesc", u"ProviderName", u"DriverDate", u"DriverVersion",
                               u"InfPath", u"MatchingDeviceId"})
    inst.values.push_back(HiveValue{name, 1, Sz(std::u16string(u"值 ") + name)});
  inst.values.push_back(HiveValue{u"Odd", 0x7F, "xy"});  // a type no enum names
  net.Child(u"驱动属性");  // a key name that is not Latin-1
  return cls;
}

TEST(HiveLoadTest, CurrentControlSetFollowsSelect) {
  HiveKey root{u"ROOT", {}, {}};
  root.Child(u"ControlSet001").Child(u"Control");  // no Class here
  root.Child(u"ControlSet002").Child(u"Control").children.push_back(ClassBranch());
  root.Child(u"Select").values.push_back(HiveValue{u"Current", 4, std::string("\x02\0\0\0", 4)});
  InventoryTempDir dir;
  std::string file = dir.Write("SYSTEM", testing::HiveWriter().Write(root));

  MemoryRegistry registry;
  std::string error;
  ASSERT_TRUE(LoadRegistryFile(file, registry, error)) << error;
  DriverDescMap map;
  MemoryDriverRows rows;
  ASSERT_EQ(ScanDrivers(registry, ScanMode::AllBackupable, map, rows).added, 1);
  EXPECT_EQ(rows.Text(0, DriverColumn::Class), "网络适配器");
  EXPECT_EQ(rows.Text(0, DriverColumn::Desc), "值 DriverDesc");
  EXPECT_TRUE(registry.KeyExists(testing::kClassRoot + "\\{4D36E972-E325-11CE-BFC1-08002BE10318}\\驱动属性"));
  std::unique_ptr<RegistryKey> key;
  ASSERT_EQ(registry.OpenKey(testing::kClassRoot + "\\{4d36e972-e325-11ce-bfc1-08002be10318}\\0000", key), 0u);
  unsigned char data[8];
  std::uint32_t type = 0, size = sizeof data;
  EXPECT_EQ(key->QueryValue("Odd", &type, data, &size), 0u);
  EXPECT_EQ(type, 0x7Fu);
  EXPECT_EQ(size, 2u);

  // Pointing Select at the set without Class is an error naming the set.
  root.Child(u"Select").values[0].data = std::string("\x01\0\0\0", 4);
  file = dir.Write("SYSTEM1", testing::HiveWriter().Write(root));
  MemoryRegistry other;
  EXPECT_FALSE(LoadRegistryFile(file, other, error));
  EXPECT_EQ(error, file + ": no Class key (ControlSet001\\Control\\Class)");
}

TEST(HiveLoadTest, DemoHiveMatchesDemoExport) {
  MemoryRegistry fromReg, fromHive;
  std::string error;
  ASSERT_TRUE(LoadRegistryFile(std::string(PELORIN_SOURCE_DIR) + "/demo/system.reg", fromReg, error));
  ASSERT_TRUE(LoadRegistryFile(
      std::string(PELORIN_SOURCE_DIR) + "/demo/image/WINDOWS/system32/config/SYSTEM", fromHive, error))
      << error;
  EXPECT_EQ(ExportRegV5(fromHive, "SYSTEM\\CurrentControlSet\\Control\\Class"),
            ExportRegV5(fromReg, "SYSTEM\\CurrentControlSet\\Control\\Class"));
}

}  // namespace
}  // namespace pelorin
