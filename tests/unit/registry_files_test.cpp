// The in-memory registry's A-function view, and loading it from regedit exports
// and SYSTEM hives (files made for the tests, read through libhivex).
#include <gtest/gtest.h>

#include "ClassBranch.h"
#include "TestPaths.h"
#include "platform/Errors.h"
#include "platform/SystemInfo.h"
#include "platform/posix/RegText.h"
#include "platform/posix/RegistryFiles.h"
#include "platform/posix/MemoryRegistry.h"

namespace pelorin {
namespace {

// A version-5 export file of `text` (GBK, as literals are in this build), its lines ended by CR LF.
std::string Utf16File(std::string text) {
  for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 2)) text.insert(at, "\r");
  return "\xFF\xFE" + regtext::Utf16ToBytes(regtext::GbkToUtf16(text));
}

// The stored bytes as RegQueryValueExA hands them out, or "<rc>" on failure; the value's type checked if given.
std::string Read(MemoryRegistry& reg, const std::string& path, const char* name,
                 std::optional<std::uint32_t> type = {}) {
  std::unique_ptr<RegistryKey> key;
  if (reg.OpenKey(path, key) != 0) return "<no key>";
  unsigned char data[1024];
  std::uint32_t size = sizeof data, t = 0;
  std::uint32_t rc = key->QueryValue(name, &t, data, &size);
  EXPECT_EQ(t, type.value_or(t)) << name;
  return rc != 0 ? "<" + std::to_string(rc) + ">" : std::string(reinterpret_cast<char*>(data), size);
}

const std::string kV5 = "Windows Registry Editor Version 5.00\n";
const std::string kCls = "SYSTEM\\CurrentControlSet\\Control\\Class\\{c}";
const std::string kTwoSets =
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\Control\\Class\\{c}]\n@=\"one\"\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet002\\Control\\Class\\{c}]\n@=\"two\"\n";

TEST(RegExportTest, Version5ValueFormsAndRegedit4InCodePage936) {
  std::string text =
      "Windows Registry Editor Version 5.00\n\n; a comment\n"
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\{c}]\n"
      "@=\"显示适配器\"\n"
      "\"Quote\\\"d\"=\"a \\\"b\\\" c:\\\\d\\\\\"\n"
      "\"Num\"=dword:0000001f\n"
      "\"Bin\"=hex:01,02,\\\n"
      "  ff\n"
      "\"Expand\"=hex(2):25,00,41,00,00,00\n"
      "\"Empty\"=hex:\n"
      "\"Gone\"=-\n"
      "[HKEY_LOCAL_MACHINE\\DRIVERS\\DriverDatabase]\n\"Architecture\"=dword:0000000c\n"
      "[HKEY_CURRENT_USER\\Software\\X]\n\"Ignored\"=\"x\"\n"
      "[-HKEY_LOCAL_MACHINE\\SYSTEM\\Other]\n";
  MemoryRegistry reg;
  std::string error;
  ASSERT_TRUE(LoadRegExport(Utf16File(text), "t.reg", reg, error)) << error;
  EXPECT_EQ(Read(reg, kCls, "", regtype::kSz), std::string("显示适配器") + '\0');
  EXPECT_EQ(Read(reg, kCls, "Quote\"d"), std::string("a \"b\" c:\\d\\") + '\0');
  EXPECT_EQ(Read(reg, kCls, "num", regtype::kDword), std::string("\x1f\0\0\0", 4));
  EXPECT_EQ(Read(reg, kCls, "Bin", regtype::kBinary), "\x01\x02\xff");
  EXPECT_EQ(Read(reg, kCls, "Expand", regtype::kExpandSz), std::string("%A\0", 3));
  EXPECT_EQ(Read(reg, kCls, "Empty"), "");
  EXPECT_EQ(Read(reg, kCls, "Gone"), "<2>");
  EXPECT_FALSE(reg.KeyExists("SYSTEM\\Other"));
  EXPECT_EQ(Read(reg, "DRIVERS\\DriverDatabase", "Architecture"), std::string("\x0c\0\0\0", 4));

  text =
      "REGEDIT4\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\Control\\Class\\{c}]\r\n"
      "@=\"网络适配器\"\r\n"
      "\"Path\"=hex(2):25,41,d6,d0,00\r\n";  // "%A中" in GBK
  MemoryRegistry ansi;
  // Literals are GBK in this build, so the text above is already an ANSI file.
  ASSERT_TRUE(LoadRegExport(text, "t.reg", ansi, error)) << error;
  EXPECT_EQ(Read(ansi, kCls, ""), std::string("网络适配器") + '\0');
  EXPECT_EQ(Read(ansi, kCls, "Path"), std::string("%A中") + '\0');
}

TEST(RegExportTest, NumberedControlSetStandsForTheCurrentOne) {
  const std::pair<std::string, std::string> cases[] = {  // an export's body and the value read
      {kTwoSets + "[HKEY_LOCAL_MACHINE\\SYSTEM\\Select]\n\"Current\"=dword:00000002\n", std::string("two", 4)},
      {"[HKLM\\SYSTEM\\ControlSet003\\Control\\Class\\{c}]\n@=\"three\"\n", std::string("three", 6)},
  };
  for (const auto& [body, value] : cases) {
    MemoryRegistry reg;
    std::string error;
    EXPECT_TRUE(LoadRegExport(Utf16File(kV5 + body), "t.reg", reg, error)) << error;
    EXPECT_EQ(Read(reg, kCls, ""), value);
  }
}

TEST(RegExportTest, BrokenInputIsReportedWithFileAndLine) {
  const std::string head = kV5 + "\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class]\n";
  const std::pair<std::string, std::string> cases[] = {  // a version-5 export and its error
      {head + "\"a\"=\"open\n", "t.reg: line 4: string data without closing quote"},
      {head + "\"a\"=dword:xyz\n", "t.reg: line 4: bad dword data"},
      {head + "\"a\"=dword:123456789\n", "t.reg: line 4: bad dword data"},
      {head + "\"a\"=hex:0g\n", "t.reg: line 4: bad hex byte list"},
      {head + "\"a\"=hex(zz):01\n", "t.reg: line 4: bad hex(type) data"},
      {head + "\"a\"=hex:01,\\\n", "t.reg: line 4: continued line has no next line"},
      {head + "\n\"a\" \"b\"\n", "t.reg: line 5: \"=\" missing after value name"},
      {head + "\"a=1\n", "t.reg: line 4: value name without closing quote"},
      {head + "garbage\n", "t.reg: line 4: expected a [key] or a \"value\"=data line"},
      {head + "[HKEY_LOCAL_MACHINE\\SYSTEM\n", "t.reg: line 4: key line without closing \"]\""},
      {head + "\"a\"=str:\"x\"\n", "t.reg: line 4: unknown value data \"str:\"x\"\""},
      {kV5 + "\"v\"=\"x\"\n", "t.reg: line 2: value before the first [key] line"},
      // Two sets and no Select: which one is current is unknown.
      {kV5 + kTwoSets, "t.reg: no HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class key"},
      {"hello\n", "t.reg: not a registry export (no \"Windows Registry Editor Version 5.00\" or \"REGEDIT4\" header)"},
  };
  std::string error;
  for (const auto& [text, message] : cases) {
    MemoryRegistry reg;  // each export on its own: a key an earlier one made would count
    EXPECT_FALSE(LoadRegExport(Utf16File(text), "t.reg", reg, error)) << text;
    EXPECT_EQ(error, message) << text;
  }
}

// Hives made for these tests (tests/unit/data/hives; hivexsh shows and edits them): SYSTEM's root holds
// ControlSet001\Control without Class, ControlSet002 with the network class (default value 网络适配器, an
// instance 0000 whose value Odd has type 0x7F, a subkey 驱动属性 named in UTF-16) and Session Manager\Environment
// (PROCESSOR_ARCHITECTURE=IA64), Select\Current=2, DriverDatabase (Architecture=9, DriverInfFiles\oem1.inf
// Active=a.inf_amd64_1). SYSTEM_SELECT1 is the same with Current=1; DRIVERS holds DriverDatabase, Architecture=12.
std::string Hive(const char* name) { return std::string(PELORIN_SOURCE_DIR) + "/tests/unit/data/hives/" + name; }

TEST(HiveLoadTest, CurrentControlSetFollowsSelectTheDriverDatabasesComeAlongAndBadFilesAreNamed) {
  MemoryRegistry registry;
  std::string error;
  ASSERT_TRUE(LoadRegistryFile(Hive("SYSTEM"), registry, error)) << error;
  const std::string cls = testing::kClassRoot + "\\{4d36e972-e325-11ce-bfc1-08002be10318}";
  EXPECT_EQ(Read(registry, cls, ""), std::string("网络适配器") + '\0');
  EXPECT_TRUE(registry.KeyExists(testing::kClassRoot + "\\{4D36E972-E325-11CE-BFC1-08002BE10318}\\驱动属性"));
  EXPECT_EQ(Read(registry, cls + "\\0000", "Odd", 0x7Fu), "xy");
  EXPECT_EQ(Read(registry, "SYSTEM\\DriverDatabase\\DriverInfFiles\\oem1.inf", "Active"),
            std::string("a.inf_amd64_1", 14));
  EXPECT_EQ(Read(registry, "SYSTEM\\ControlSet002\\Control\\Session Manager\\Environment", "PROCESSOR_ARCHITECTURE"),
            std::string("IA64", 5));

  // A DRIVERS hive's root DriverDatabase is HKLM\DRIVERS\DriverDatabase, asked before SYSTEM's.
  ASSERT_TRUE(LoadDriversHive(Hive("DRIVERS"), registry, error)) << error;
  EXPECT_EQ(ArchitectureFromRegistry(registry), Architecture::kArm64);

  // Pointing Select at the set without Class is an error naming the set.
  const std::string file = Hive("SYSTEM_SELECT1");
  MemoryRegistry other;
  EXPECT_FALSE(LoadRegistryFile(file, other, error));
  EXPECT_EQ(error, file + ": no Class key (ControlSet001\\Control\\Class)");
  // A missing file is named with the system's reason (a foreign file: the command's tests).
  EXPECT_FALSE(LoadSystemHive(Hive("nope"), other, error));
  EXPECT_EQ(error, Hive("nope") + ": No such file or directory");
}

TEST(MemoryRegistryTest, KeysAreCaseInsensitiveInFoldedOrderAndStringsComeOutTerminated) {
  MemoryRegistry reg;
  for (const char* name : {"驱动", "LLL", "ABD", "abc", "0010", "0002"}) reg.CreateKey(std::string("Root\\") + name);
  reg.CreateKey("ROOT\\abc\\x");  // one key under either spelling
  std::unique_ptr<RegistryKey> key;
  ASSERT_EQ(reg.OpenKey("root", key), 0u);
  std::vector<std::string> names;
  char name[260];
  std::uint32_t i = 0;
  for (; key->EnumKey(i, name, sizeof name) == 0; ++i) names.push_back(name);
  EXPECT_EQ(key->EnumKey(i, name, sizeof name), err::kNoMoreItems);
  EXPECT_EQ(names, (std::vector<std::string>{"0002", "0010", "abc", "ABD", "LLL", "驱动"}));
  EXPECT_EQ(key->EnumKey(0, name, 4), err::kMoreData);
  EXPECT_EQ(reg.OpenKey("Root\\ABC\\X", key), 0u);

  // One placeholder per UTF-16 unit that has no GBK form; a NUL added when missing.
  reg.SetRawValue("K", "noNul", regtype::kSz, regtext::Utf16ToBytes(std::u16string(199, u'a')));
  reg.SetRawValue("K", "emoji", regtype::kSz, regtext::Utf16ToBytes(std::u16string(u"a\U0001F600b", 5)));
  EXPECT_EQ(Read(reg, "K", "noNul"), std::string(199, 'a') + '\0');
  EXPECT_EQ(Read(reg, "K", "emoji"), std::string("a??b", 5));
}

}  // namespace
}  // namespace pelorin
