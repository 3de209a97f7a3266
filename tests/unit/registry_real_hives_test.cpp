// The scan over real SYSTEM hives, read directly and through a .reg export.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>

#include "PosixScratch.h"
#include "TestPaths.h"
#include "inventory/DriverScan.h"
#include "inventory/MemoryDriverRows.h"
#include "RegFileWriter.h"
#include "platform/posix/RegistryFiles.h"

namespace pelorin {
namespace {

namespace fs = std::filesystem;
using testing::PosixScratch;

struct HiveCase {
  const char* file;
  int notOnSystemDisc;
  int allBackupable;
};

// Row counts measured once and pinned; the NT-era hive has no MatchingDeviceId
// values at all, so it offers nothing in either mode.
const HiveCase kHives[] = {
    {"aiowinreg_nt_system.hiv", 0, 0},
    {"regipy_SYSTEM.xz", 4, 73},
    {"regipy_SYSTEM_2.xz", 2, 42},
    {"regipy_SYSTEM_B.xz", 12, 98},
    {"regipy_SYSTEM_WIN_10_1709.xz", 6, 83},
};

class RealHiveTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // A work tree outside the project folder can point at the fixtures explicitly.
    const char* override = std::getenv("PELORIN_REAL_FIXTURES");
    source_ = std::string(override ? override : PELORIN_REAL_FIXTURES_HOST) + "/hives";
    if (!fs::is_directory(source_)) return;
    dir_ = new PosixScratch;
    for (const HiveCase& hive : kHives) {
      std::string from = source_ + "/" + hive.file;
      std::string to = dir_->path() + "/" + hive.file;
      std::string command = fs::path(from).extension() == ".xz"
                                ? "xz -dc '" + from + "' > '" + to + "'"
                                : "cp '" + from + "' '" + to + "'";
      if (std::system(command.c_str()) != 0) fs::remove(to);
    }
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  void SetUp() override {
    if (!dir_) GTEST_SKIP() << "real hives not found in " << source_;
  }
  static std::string Path(const HiveCase& hive) { return dir_->path() + "/" + hive.file; }

  static std::vector<std::vector<std::string>> Rows(MemoryRegistry& registry, ScanMode mode) {
    DriverDescMap map;
    MemoryDriverRows rows;
    ScanDrivers(registry, mode, map, rows);
    std::vector<std::vector<std::string>> out;
    for (int r = 0; r < rows.Count(); ++r) {
      std::vector<std::string> cells;
      for (int c = 0; c < kDriverColumnCount; ++c)
        cells.push_back(rows.Text(r, static_cast<DriverColumn>(c)));
      out.push_back(cells);
    }
    return out;
  }

  static std::string source_;
  static PosixScratch* dir_;
};

std::string RealHiveTest::source_;
PosixScratch* RealHiveTest::dir_ = nullptr;

TEST_F(RealHiveTest, RowCountsPerModeAreStableAndPlausible) {
  for (const HiveCase& hive : kHives) {
    SCOPED_TRACE(hive.file);
    MemoryRegistry registry;
    std::string error;
    ASSERT_TRUE(LoadRegistryFile(Path(hive), registry, error)) << error;
    auto notOnDisc = Rows(registry, ScanMode::NotOnSystemDisc);
    auto all = Rows(registry, ScanMode::AllBackupable);
    EXPECT_EQ(static_cast<int>(notOnDisc.size()), hive.notOnSystemDisc);
    EXPECT_EQ(static_cast<int>(all.size()), hive.allBackupable);
    for (const auto& row : notOnDisc)
      EXPECT_NE(row[static_cast<int>(DriverColumn::Provider)], "Microsoft");
    for (const auto& row : all)
      for (int c = 0; c < static_cast<int>(DriverColumn::MatchingDeviceId); ++c)
        EXPECT_FALSE(row[c].empty()) << row[0] << " column " << c;
  }
}

TEST_F(RealHiveTest, ClassNamesOfNewerSystemsComeFromClassDescOrClass) {
  MemoryRegistry registry;
  std::string error;
  ASSERT_TRUE(LoadRegistryFile(Path(kHives[4]), registry, error)) << error;
  std::set<std::string> classes;
  for (const auto& row : Rows(registry, ScanMode::AllBackupable))
    classes.insert(row[static_cast<int>(DriverColumn::Class)]);
  EXPECT_EQ(classes.count("Display adapters"), 1u);
  EXPECT_EQ(classes.count("System"), 1u);
}

TEST_F(RealHiveTest, HiveAndItsRegExportGiveIdenticalRows) {
  for (const HiveCase& hive : kHives) {
    SCOPED_TRACE(hive.file);
    MemoryRegistry fromHive;
    std::string error;
    ASSERT_TRUE(LoadSystemHive(Path(hive), fromHive, error)) << error;
    std::string exported = ExportRegV5(fromHive, "SYSTEM\\CurrentControlSet\\Control\\Class");
    std::string regFile = dir_->WriteFile(std::string(hive.file) + ".reg", exported);
    MemoryRegistry fromExport;
    ASSERT_TRUE(LoadRegistryFile(regFile, fromExport, error)) << error;
    for (ScanMode mode : {ScanMode::NotOnSystemDisc, ScanMode::AllBackupable})
      EXPECT_EQ(Rows(fromExport, mode), Rows(fromHive, mode));
  }
}

TEST_F(RealHiveTest, CutOrDamagedHivesFailCleanly) {
  std::string bytes = testing::ReadHostFile(Path(kHives[1]));
  ASSERT_GT(bytes.size(), 600000u);
  for (std::size_t cut : {std::size_t{4}, std::size_t{4096}, std::size_t{300000}, bytes.size() - 1}) {
    std::string file = dir_->WriteFile("cut", bytes.substr(0, cut));
    MemoryRegistry registry;
    std::string error;
    EXPECT_FALSE(LoadRegistryFile(file, registry, error)) << cut;
    EXPECT_EQ(error.rfind(file + ": ", 0), 0u) << error;
  }
  // Scribbled cells inside the data area: loading may succeed or fail, never crash.
  std::string damaged = bytes;
  for (std::size_t i = 8192; i < damaged.size(); i += 4099) damaged[i] = static_cast<char>(damaged[i] ^ 0x5A);
  std::string file = dir_->WriteFile("damaged", damaged);
  MemoryRegistry registry;
  std::string error;
  if (LoadRegistryFile(file, registry, error)) {
    Rows(registry, ScanMode::AllBackupable);
  } else {
    EXPECT_EQ(error.rfind(file + ": ", 0), 0u) << error;
  }
}

}  // namespace
}  // namespace pelorin
