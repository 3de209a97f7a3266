// The driver scan over an in-memory class branch.
#include <gtest/gtest.h>

#include <vector>

#include "ClassBranch.h"
#include "inventory/DriverScan.h"
#include "inventory/MemoryDriverRows.h"
#include "platform/Errors.h"

namespace pelorin {
namespace {

using namespace testing;  // the class-branch builders

class ScanTest : public ::testing::Test {
 protected:
  ScanResult Run(ScanMode mode) {
    rows.DeleteAll();
    return ScanDrivers(reg, mode, map, rows);
  }
  std::vector<std::string> Descs() {
    std::vector<std::string> out;
    for (int i = 0; i < rows.Count(); ++i) out.push_back(rows.Text(i, DriverColumn::Desc));
    return out;
  }
  MemoryRegistry reg;
  DriverDescMap map;
  MemoryDriverRows rows;
};

TEST_F(ScanTest, RowsAreInReverseOrderAndTheScanEmptiesItsMap) {
  // (The columns' order: the command-line listing's table.)
  EXPECT_EQ(Run(ScanMode::NotOnSystemDisc).added, 0);  // no Class key at all
  AddClass(reg, "{B}", "网络适配器");
  AddClass(reg, "{a}", "Display adapters");
  AddInstance(reg, "{a}", "0000", Driver("Video One"));
  AddInstance(reg, "{a}", "0001", Driver("Video Two"));
  AddInstance(reg, "{B}", "0000", Instance{"千兆网卡", "Acme", "1/2/2021", "9.8", "oem7.inf", ""});
  ScanResult result = Run(ScanMode::NotOnSystemDisc);
  EXPECT_EQ(result.added, 3);
  EXPECT_EQ(result.currentClassName, "网络适配器");
  // Classes in case-insensitive order ({a} before {B}), newest row on top.
  EXPECT_EQ(Descs(), (std::vector<std::string>{"千兆网卡", "Video Two", "Video One"}));
  // A scan starts from an empty map; the caller empties the list.
  ScanDrivers(reg, ScanMode::NotOnSystemDisc, map, rows);
  EXPECT_EQ(rows.Count(), 6);
}

TEST_F(ScanTest, OnlyTheExactProviderMicrosoftIsLeftOutOfTheStartUpModeAndTheFirstDescriptionWins) {
  // The first description wins across classes, and case counts.
  AddClass(reg, "1", "First");
  AddClass(reg, "2", "Second");
  AddInstance(reg, "1", "0000", Driver("Audio"));
  AddInstance(reg, "2", "0000", Driver("Audio", "Other"));
  AddInstance(reg, "2", "0001", Driver("AUDIO"));
  AddClass(reg, "c", "Class");
  AddInstance(reg, "c", "0000", Driver("exact", "Microsoft"));
  AddInstance(reg, "c", "0001", Driver("lower", "microsoft"));
  AddInstance(reg, "c", "0002", Driver("blank", "Microsoft "));
  AddInstance(reg, "c", "0003", Driver("suffix", "Microsoft Corporation"));
  // Dropped before its other values are read, a "Microsoft" instance leaves its description to a later driver.
  AddInstance(reg, "c", "0004", Driver("exact", "Vendor"));
  Run(ScanMode::NotOnSystemDisc);
  EXPECT_EQ(Descs(), (std::vector<std::string>{"exact", "suffix", "blank", "lower", "AUDIO", "Audio"}));
  EXPECT_EQ(rows.Text(5, DriverColumn::Class) + rows.Text(5, DriverColumn::Provider), "FirstAcme Corp");
  Run(ScanMode::AllBackupable);
  EXPECT_EQ(Descs(), (std::vector<std::string>{"suffix", "blank", "lower", "exact", "AUDIO", "Audio"}));
}

TEST_F(ScanTest, ValuesAreTextOfUpTo199BytesAndMissingOnesDropButEmptyOnesOnlyMatterForAllBackupable) {
  AddClass(reg, "c", "Class");
  std::string chinese199 = "x";  // an ASCII byte and 99 double-byte characters
  for (int i = 0; i < 99; ++i) chinese199 += "驱";
  AddInstance(reg, "c", "0000", Driver(chinese199));
  AddInstance(reg, "c", "0001", Driver(chinese199 + "x"));  // no room for the NUL
  // Other types are text within the bytes returned.
  AddInstance(reg, "c", "0002", Driver("typed"));
  const std::string path = kClassRoot + "\\c\\0002";
  reg.SetDword(path, "DriverVersion", 0x00434241);                    // "ABC"
  reg.SetRawValue(path, "DriverDate", regtype::kBinary, "20200101");  // no terminator
  reg.SetRawValue(path, "InfPath", regtype::kSz, "");                 // zero length
  reg.SetRawValue(path, "MatchingDeviceId", regtype::kBinary, std::string(200, 'b'));
  AddInstance(reg, "c", "0003", Instance{"no id", "Acme", "6/1/2020", "1.2.3.4", "oem1.inf", std::nullopt});
  AddInstance(reg, "c", "0004", Instance{"empty id", "Acme", "6/1/2020", "1.2.3.4", "oem1.inf", ""});
  AddInstance(reg, "c", "0005", Instance{"empty date", "Acme", "", "1.2.3.4", "oem1.inf", "pci\\ven_1"});
  AddInstance(reg, "c", "0006", Instance{"no inf", "Acme", "6/1/2020", "1.2.3.4", std::nullopt, "pci\\ven_1"});
  AddInstance(reg, "c", "0007", Driver("empty date"));  // same description, complete
  reg.CreateKey(kClassRoot + "\\c\\Properties");

  Run(ScanMode::NotOnSystemDisc);
  ASSERT_EQ(Descs(), (std::vector<std::string>{"empty date", "empty id", "typed", chinese199}));
  EXPECT_EQ(rows.Text(0, DriverColumn::Date), "");
  EXPECT_EQ(rows.Text(2, DriverColumn::Version) + rows.Text(2, DriverColumn::Date) +
                rows.Text(2, DriverColumn::InfPath),
            "ABC20200101");
  EXPECT_EQ(rows.Text(2, DriverColumn::MatchingDeviceId), std::string(200, 'b'));
  // The empty-date instance still claims its description, so the complete one after it is left out too.
  Run(ScanMode::AllBackupable);
  EXPECT_EQ(Descs(), (std::vector<std::string>{"empty id", chinese199}));
  EXPECT_EQ(map.count("empty date"), 1u);
}

TEST_F(ScanTest, MissingDisplayNameFallsBackToClassDescThenClass) {
  const std::string unreadable(200, 'd');
  struct Case {
    const char *key, *displayName, *classDesc, *className, *expected;  // null: no such value
  } cases[] = {
      {"a", nullptr, "@c_display.inf,%ClassDesc%;Display adapters", "Display", "Display adapters"},
      {"b", nullptr, "@x.inf,%a%;b;显示适配器", nullptr, "显示适配器"},
      {"c", nullptr, "Plain name", "Net", "Plain name"},
      {"d", nullptr, "@x.inf,%ClassDesc%", "Net", "Net"},
      {"e", nullptr, unreadable.c_str(), "Ports", "Ports"},
      {"f", nullptr, nullptr, "Only class", "Only class"},
      {"g", nullptr, nullptr, nullptr, ""},
      {"h", nullptr, "@x.inf,%ClassDesc%", nullptr, ""},
      {"i", unreadable.c_str(), nullptr, "Fallback", ""},  // too long to read: empty, though Class exists
  };
  for (const Case& c : cases) {
    reg.CreateKey(kClassRoot + "\\" + c.key);
    if (c.displayName) reg.SetString(kClassRoot + "\\" + c.key, "", c.displayName);
    if (c.classDesc) reg.SetString(kClassRoot + "\\" + c.key, "ClassDesc", c.classDesc);
    if (c.className) reg.SetString(kClassRoot + "\\" + c.key, "Class", c.className);
    AddInstance(reg, c.key, "0000", Driver(std::string("drv ") + c.key));
  }
  Run(ScanMode::NotOnSystemDisc);
  ASSERT_EQ(rows.Count(), 9);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(rows.Text(i, DriverColumn::Class), cases[8 - i].expected) << cases[8 - i].key;
  // A row without a class name is not offered in the full mode.
  Run(ScanMode::AllBackupable);
  EXPECT_EQ(Descs(), (std::vector<std::string>{"drv f", "drv e", "drv d", "drv c", "drv b", "drv a"}));
}

// A registry whose keys with "Denied" in their path cannot be opened.
struct DenyingRegistry : Registry {
  explicit DenyingRegistry(Registry& inner) : inner(inner) {}
  std::uint32_t OpenKey(const std::string& path, std::unique_ptr<RegistryKey>& key) override {
    return path.find("Denied") != std::string::npos ? err::kAccessDenied : inner.OpenKey(path, key);
  }
  Registry& inner;
};

TEST_F(ScanTest, OverlongOrUnopenableKeysAreSkippedAndTheWalkGoesOn) {
  // 260 bytes, no room for the NUL, and each before a key that is read.
  std::string longName;
  for (int i = 0; i < 128; ++i) longName += "驱";
  AddClass(reg, "0", "Class");
  AddInstance(reg, "0", "0000", Driver("before"));
  AddInstance(reg, "0", "0001" + longName, Driver("unreachable"));
  AddInstance(reg, "0", "0001Denied", Driver("denied instance"));
  AddInstance(reg, "0", "zz", Driver("after"));
  AddClass(reg, "ab" + longName + "驱", "Long class");
  AddInstance(reg, "ab" + longName + "驱", "0000", Driver("in long class"));
  AddClass(reg, "bDenied", "B");
  AddInstance(reg, "bDenied", "0000", Driver("denied class"));
  AddClass(reg, "~last", "Last");
  AddInstance(reg, "~last", "0000", Driver("last class"));
  DenyingRegistry denying(reg);
  ScanDrivers(denying, ScanMode::NotOnSystemDisc, map, rows);
  EXPECT_EQ(Descs(), (std::vector<std::string>{"last class", "after", "before"}));
}

}  // namespace
}  // namespace pelorin
