// The scan over real SYSTEM hives.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "MemoryTreeFileSystem.h"
#include "PosixScratch.h"
#include "TestPaths.h"
#include "backup/DriverPackage.h"
#include "inventory/DriverScan.h"
#include "inventory/MemoryDriverRows.h"
#include "platform/posix/RegistryFiles.h"

namespace pelorin {
namespace {

namespace fs = std::filesystem;
using testing::PosixScratch;

struct HiveCase {
  const char* file;
  int notOnSystemDisc;
  int allBackupable;
  Architecture arch;
};

// Row counts measured once and pinned; the NT-era hive has no MatchingDeviceId
// values at all, so it offers nothing in either mode.
const HiveCase kHives[] = {
    {"aiowinreg_nt_system.hiv", 0, 0, Architecture::kX86},
    {"regipy_SYSTEM.xz", 4, 73, Architecture::kX86},  // Windows 7: from the environment
    {"regipy_SYSTEM_2.xz", 2, 42, Architecture::kAmd64},
    {"regipy_SYSTEM_B.xz", 12, 98, Architecture::kAmd64},
    {"regipy_SYSTEM_WIN_10_1709.xz", 6, 83, Architecture::kAmd64},
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

  static int Rows(MemoryRegistry& registry, ScanMode mode) {
    DriverDescMap map;
    MemoryDriverRows rows;
    ScanDrivers(registry, mode, map, rows);
    return rows.Count();
  }

  static std::string source_;
  static PosixScratch* dir_;
};

std::string RealHiveTest::source_;
PosixScratch* RealHiveTest::dir_ = nullptr;

TEST_F(RealHiveTest, RowCountsPerModeAreStable) {
  for (const HiveCase& hive : kHives) {
    SCOPED_TRACE(hive.file);
    MemoryRegistry registry;
    std::string error;
    ASSERT_TRUE(LoadRegistryFile(Path(hive), registry, error)) << error;
    EXPECT_EQ(Rows(registry, ScanMode::NotOnSystemDisc), hive.notOnSystemDisc);
    EXPECT_EQ(Rows(registry, ScanMode::AllBackupable), hive.allBackupable);
    EXPECT_EQ(ArchitectureFromRegistry(registry), hive.arch);
  }
}

TEST_F(RealHiveTest, DriverDatabaseNamesThePackageFolders) {
  const struct {
    int hive;
    const char *inf, *package, *infName;
  } cases[] = {
      {2, "oem1.inf", "vboxguest.inf_amd64_7c8d1446c2599c22", "VBoxGuest.inf"},
      {3, "oem2.inf", "dellrbtn.inf_amd64_f97e65ab5ad63c31", "DellRbtn.inf"},
      {3, "OEM12.INF", "st_accel.inf_amd64_f254a99a0a74721d", "ST_Accel.inf"},
      {4, "oem0.inf", "vmusbmouse.inf_amd64_64ac7a0aab2a032c", "vmusbmouse.inf"},
      {4, "oem4.inf", "pvscsi.inf_amd64_b0d59727d712523f", "pvscsi.inf"},
  };
  for (const auto& c : cases) {
    MemoryRegistry registry;
    std::string error;
    ASSERT_TRUE(LoadRegistryFile(Path(kHives[c.hive]), registry, error)) << error;
    testing::MemoryTreeFileSystem files;
    files.AddDir(std::string(kFileRepository) + "\\" + c.package);
    Platform platform{&registry, &files};
    std::optional<PackageFolder> found = FindPackageFolder(platform, c.inf, Architecture::kAmd64);
    ASSERT_TRUE(found) << c.inf;
    EXPECT_EQ(found->folder, std::string(kFileRepository) + "\\" + c.package);
    EXPECT_EQ(found->infName, c.infName);
  }
}

}  // namespace
}  // namespace pelorin
