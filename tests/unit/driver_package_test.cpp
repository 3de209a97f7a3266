#include <gtest/gtest.h>

#include <sstream>

#include "FaultyFileSystem.h"
#include "backup/DriverPackage.h"
#include "platform/posix/MemoryRegistry.h"
#include "platform/posix/RegText.h"

namespace pelorin {
namespace {

const std::string kRepo = std::string(kFileRepository) + "\\";
constexpr char kInf[] = "[Version]\r\nSignature=\"$Windows NT$\"\r\n";
constexpr char kOtherInf[] = "[Version]\r\nSignature=\"$Windows 95$\"\r\n";  // same size

struct FixedStoreAnswer : SystemInfo {
  std::string answer;
  Architecture InstallationArchitecture() override { return Architecture::kX86; }
  bool DriverStoreInfPath(const std::string&, std::string& path) override {
    path = answer;
    return !answer.empty();
  }
};

// An installation where C:\WINDOWS\inf\oem3.inf holds kInf, built from steps:
//   "dir FOLDER INF [other]"   a store folder holding its INF (kInf, or kOtherInf)
//   "call FOLDER\INF"          the running system's answer
//   "db HIVE PACKAGE OWNER [active]"   HIVE\DriverDatabase: OWNER's PACKAGE, the last of oem3.inf's list (and Active)
struct Installation {
  testing::FaultyFileSystem files;
  MemoryRegistry registry;
  FixedStoreAnswer system;
  Platform platform{&registry, &files, nullptr, nullptr, nullptr, nullptr, &system};

  explicit Installation(const std::vector<std::string>& steps) {
    files.AddFile("C:\\WINDOWS\\inf\\oem3.inf", kInf);
    for (const std::string& step : steps) {
      std::istringstream words(step);
      std::string verb, a, b, c, d;
      words >> verb >> a >> b >> c >> d;
      if (verb == "dir") files.AddFile(kRepo + a + "\\" + b, c.empty() ? kInf : kOtherInf);
      if (verb == "call") system.answer = kRepo + a;
      if (verb != "db") continue;
      const std::string db = a + "\\DriverDatabase\\";
      if (!d.empty()) registry.SetString(db + "DriverInfFiles\\oem3.inf", "Active", b);
      const std::u16string list = u"older.inf_amd64_0" + std::u16string(1, u'\0') + regtext::GbkToUtf16(b) + u'\0';
      registry.SetRawValue(db + "DriverInfFiles\\oem3.inf", "", regtype::kMultiSz, regtext::Utf16ToBytes(list + u'\0'));
      registry.SetString(db + "DriverPackages\\" + b, "", c);
      registry.SetString(db + "DriverPackages\\" + b, "InfName", "Foo.inf");
    }
  }
};

struct RoadCase {
  const char* name;
  std::vector<std::string> steps;
  const char* found;  // below FileRepository, the folder and its INF; empty: nothing found
  PackageRoad road;
  Architecture arch = Architecture::kAmd64;
};

const RoadCase kRoads[] = {
    {"the running system's answer",
     {"dir foo.inf_amd64_1 Foo.inf", "call foo.inf_amd64_1\\foo.inf", "db SYSTEM foo.inf_amd64_2 oem3.inf active",
      "dir foo.inf_amd64_2 foo.inf"},
     "foo.inf_amd64_1\\Foo.inf", PackageRoad::kDriverStoreCall},
    {"an answer naming no file, then Active",
     {"call gone.inf_amd64_1\\gone.inf", "db SYSTEM foo.inf_amd64_2 OEM3.INF active", "dir foo.inf_amd64_2 foo.inf"},
     "foo.inf_amd64_2\\Foo.inf", PackageRoad::kDriverDatabase},
    {"without Active the last listed, whatever its bytes",
     {"db SYSTEM foo.inf_amd64_2 oem3.inf", "dir foo.inf_amd64_2 foo.inf other"}, "foo.inf_amd64_2\\Foo.inf",
     PackageRoad::kDriverDatabase},
    {"the DRIVERS hive over SYSTEM",
     {"db SYSTEM foo.inf_amd64_1 oem3.inf", "db DRIVERS foo.inf_amd64_2 oem3.inf", "dir foo.inf_amd64_1 foo.inf",
      "dir foo.inf_amd64_2 foo.inf"},
     "foo.inf_amd64_2\\Foo.inf", PackageRoad::kDriverDatabase},
    {"a DRIVERS package of another INF, then SYSTEM",
     {"db DRIVERS foo.inf_amd64_2 oem4.inf", "db SYSTEM foo.inf_amd64_1 oem3.inf", "dir foo.inf_amd64_1 foo.inf",
      "dir foo.inf_amd64_2 foo.inf"},
     "foo.inf_amd64_1\\Foo.inf", PackageRoad::kDriverDatabase},
    {"a package whose folder is gone, then the content",
     {"db SYSTEM foo.inf_amd64_2 oem3.inf", "dir foo.inf_amd64_neutral_3 FOO.INF"}, "foo.inf_amd64_neutral_3\\FOO.INF",
     PackageRoad::kContent},
    {"a package name that climbs out of the store",
     {"db SYSTEM ..\\climbed oem3.inf active", "dir ..\\climbed Foo.inf"}, "", PackageRoad::kContent},
    {"same size, other bytes", {"dir foo.inf_amd64_1 foo.inf other"}, "", PackageRoad::kContent},
    {"the installation's architecture over others",
     {"dir foo.inf_x86_1 foo.inf", "dir foo.inf_amd64_2 foo.inf", "dir foo.inf_arm64_3 foo.inf"},
     "foo.inf_amd64_2\\foo.inf", PackageRoad::kContent},
    {"another architecture as the only match", {"dir foo.inf_x86_1 foo.inf", "dir foo.inf_amd64_2 foo.inf other"},
     "foo.inf_x86_1\\foo.inf", PackageRoad::kContent},
    {"two other architectures: no choice", {"dir foo.inf_x86_1 foo.inf", "dir foo.inf_arm64_3 foo.inf"}, "",
     PackageRoad::kContent},
    {"a Vista folder, whose name has no architecture", {"dir foo.inf_amd64_1 foo.inf", "dir foo.inf_1a2b3c4d foo.inf"},
     "foo.inf_1a2b3c4d\\foo.inf", PackageRoad::kContent, Architecture::kX86},
};

TEST(PackageFolderTest, RoadsInTurn) {
  for (const RoadCase& c : kRoads) {
    Installation installation(c.steps);
    const std::optional<PackageFolder> found = FindPackageFolder(installation.platform, "oem3.inf", c.arch);
    EXPECT_EQ(found ? found->folder + "\\" + found->infName : "", *c.found ? kRepo + c.found : "") << c.name;
    EXPECT_EQ(found ? found->road : c.road, c.road) << c.name;
  }
}

TEST(InstallationArchitectureTest, DatabaseThenEnvironmentThenX86) {
  const std::string env = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
  struct Case {
    std::uint32_t drivers, system;  // ~0u: no value
    const char* environment;        // null: no value
    Architecture arch;
    const char* systemAsText = nullptr;  // a number stored as text is no number
  } cases[] = {
      {~0u, ~0u, nullptr, Architecture::kX86}, {~0u, 12, "x86", Architecture::kArm64},
      {5, 9, nullptr, Architecture::kArm},     {~0u, 7, "ia64", Architecture::kIa64},
      {~0u, ~0u, "AMD64", Architecture::kAmd64}, {~0u, ~0u, "MIPS", Architecture::kX86},
      {~0u, ~0u, nullptr, Architecture::kX86, "9"},
  };
  for (const Case& c : cases) {
    MemoryRegistry registry;
    if (c.drivers != ~0u) registry.SetDword("DRIVERS\\DriverDatabase", "Architecture", c.drivers);
    if (c.system != ~0u) registry.SetDword("SYSTEM\\DriverDatabase", "Architecture", c.system);
    if (c.environment) registry.SetString(env, "PROCESSOR_ARCHITECTURE", c.environment);
    if (c.systemAsText) registry.SetString("SYSTEM\\DriverDatabase", "Architecture", c.systemAsText);
    EXPECT_EQ(ArchitectureFromRegistry(registry), c.arch) << c.drivers << " " << c.system;
  }
}

}  // namespace
}  // namespace pelorin
