// The scan over real SYSTEM hives.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <tuple>
#include <vector>

#include "FaultyFileSystem.h"
#include "TestPaths.h"
#include "backup/DriverPackage.h"
#include "inventory/DriverScan.h"
#include "inventory/MemoryDriverRows.h"
#include "platform/posix/RegistryFiles.h"

namespace pelorin {
namespace {

struct HiveCase {
  const char* file;
  int notOnSystemDisc, allBackupable;  // the rows of each scan mode
  Architecture arch;
  // An INF, the package folder the hive's driver database names for it, and the INF's name there.
  std::vector<std::tuple<const char*, const char*, const char*>> packages;
};

// Row counts measured once and pinned; the NT-era hive has no MatchingDeviceId
// values at all, so it offers nothing in either mode.
const HiveCase kHives[] = {
    {"aiowinreg_nt_system.hiv", 0, 0, Architecture::kX86, {}},
    {"regipy_SYSTEM.xz", 4, 73, Architecture::kX86, {}},  // Windows 7: from the environment
    {"regipy_SYSTEM_2.xz", 2, 42, Architecture::kAmd64,
     {{"oem1.inf", "vboxguest.inf_amd64_7c8d1446c2599c22", "VBoxGuest.inf"}}},
    {"regipy_SYSTEM_B.xz", 12, 98, Architecture::kAmd64,
     {{"oem2.inf", "dellrbtn.inf_amd64_f97e65ab5ad63c31", "DellRbtn.inf"},
      {"OEM12.INF", "st_accel.inf_amd64_f254a99a0a74721d", "ST_Accel.inf"}}},
    {"regipy_SYSTEM_WIN_10_1709.xz", 6, 83, Architecture::kAmd64,
     {{"oem0.inf", "vmusbmouse.inf_amd64_64ac7a0aab2a032c", "vmusbmouse.inf"},
      {"oem4.inf", "pvscsi.inf_amd64_b0d59727d712523f", "pvscsi.inf"}}},
};

TEST(RealHiveTest, RowCountsArchitecturesAndPackageFoldersAreStable) {
  // A work tree outside the project folder can point at the fixtures explicitly.
  const char* override = std::getenv("PELORIN_REAL_FIXTURES");
  const std::string source = std::string(override ? override : PELORIN_REAL_FIXTURES_HOST) + "/hives";
  if (!std::filesystem::is_directory(source)) GTEST_SKIP() << "real hives not found in " << source;
  testing::PosixScratch dir;
  for (const HiveCase& hive : kHives) {
    SCOPED_TRACE(hive.file);
    // Forced, xz passes a file it cannot decompress through unchanged.
    const std::string file = dir / hive.file;
    ASSERT_EQ(std::system(("xz -dcf '" + source + "/" + hive.file + "' > '" + file + "'").c_str()), 0);
    MemoryRegistry registry;
    std::string error;
    ASSERT_TRUE(LoadRegistryFile(file, registry, error)) << error;
    for (const auto& [mode, count] :
         {std::pair{ScanMode::NotOnSystemDisc, hive.notOnSystemDisc}, {ScanMode::AllBackupable, hive.allBackupable}}) {
      DriverDescMap map;
      MemoryDriverRows rows;
      ScanDrivers(registry, mode, map, rows);
      EXPECT_EQ(rows.Count(), count);
    }
    EXPECT_EQ(ArchitectureFromRegistry(registry), hive.arch);
    for (const auto& [inf, package, infName] : hive.packages) {
      testing::FaultyFileSystem files;
      files.AddDir(std::string(kFileRepository) + "\\" + package);
      Platform platform{&registry, &files};
      std::optional<PackageFolder> found = FindPackageFolder(platform, inf, Architecture::kAmd64);
      ASSERT_TRUE(found) << inf;
      EXPECT_EQ(found->folder, std::string(kFileRepository) + "\\" + package);
      EXPECT_EQ(found->infName, infName);
    }
  }
}

}  // namespace
}  // namespace pelorin
