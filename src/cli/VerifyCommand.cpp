// pelorin verify PATH [--arch A]: checks that a backup holds each driver's
// complete package (its INF, the catalog and every file the INF names, at the
// places the INF expects), so a user can trust it before wiping the disk.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "backup/BackupManifest.h"
#include "backup/BackupTexts.h"
#include "backup/InfRules.h"
#include "backup/ProfileFile.h"
#include "cli/CliOptions.h"
#include "cli/Commands.h"
#include "platform/SystemInfo.h"
#include "platform/posix/Handles.h"
#include "platform/posix/IniDocument.h"
#include "platform/posix/PosixPlatform.h"
#include "sfx/SfxUnpack.h"

namespace pelorin::cli {

namespace {

constexpr char kUsage[] =
    "usage: pelorin verify PATH [--arch x86|amd64|arm64]\n"
    "\n"
    "Checks that the backup at PATH holds each driver's complete package: its INF,\n"
    "the catalog and every file the INF names, at their places, for each\n"
    "architecture the INF serves. PATH is a backup folder (the destination of a\n"
    "backup, or one driver's folder) or a self-extracting backup. Exit code 0 when\n"
    "every driver is complete for some architecture, 1 when one is not.\n"
    "\n"
    "  --arch A   require every driver to be complete for A\n";

constexpr Architecture kArchitectures[] = {Architecture::kX86, Architecture::kAmd64, Architecture::kArm64};

// What a driver's INF asks of its package for one architecture.
struct PackageNeeds {
  std::string catalog;                // empty: an unsigned package
  std::vector<std::string> places;    // paths relative to the INF's folder, "\" separated
};

// Which architectures an INF serves: those its decorated [SourceDisksFiles.<arch>]
// sections and CatalogFile.nt<arch> keys name; anything undecorated (a plain
// section line, CatalogFile, CatalogFile.nt) counts for all, and so does an INF
// that decorates nothing.
struct InfArchitectures {
  bool plain = false;
  std::vector<Architecture> decorated;
  bool Serves(Architecture arch) const {
    return plain || decorated.empty() || std::find(decorated.begin(), decorated.end(), arch) != decorated.end();
  }
};

InfArchitectures ArchitecturesOf(CProfileFile& inf) {
  InfArchitectures archs;
  StringArray lines;
  inf.GetSection(texts::kSourceDisksFiles, lines);
  archs.plain = !lines.empty();
  StringArray version;
  inf.GetSection(texts::kVersionSection, version);
  for (Architecture arch : kEveryArchitecture) {
    const std::string decoration = InfDecoration(arch);
    lines.clear();
    inf.GetSection(texts::kSourceDisksFiles + ("." + decoration), lines);
    bool named = !lines.empty();
    for (const std::string& line : version) {
      const std::string key = FoldedPath(InfField(line.substr(0, line.find('='))));
      if (key == "catalogfile" || key == "catalogfile.nt") archs.plain = true;
      named = named || key == "catalogfile.nt" + decoration;
    }
    if (named) archs.decorated.push_back(arch);
  }
  return archs;
}

// What the INF asks of its package for one architecture it serves.
PackageNeeds NeedsOf(CProfileFile& inf, Architecture arch) {
  const InfFileList list = ReadInfFileList(inf, arch);
  PackageNeeds needs;
  if (!list.catalog.name.empty()) needs.catalog = list.catalog.RelativePath();
  for (const std::vector<InfMember>* members : {&list.listed, &list.more}) {
    for (const InfMember& member : *members)
      if (!member.name.empty()) needs.places.push_back(member.RelativePath());
  }
  return needs;
}

bool ReadHost(const std::string& path, std::string& bytes) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
  if (!file) return false;
  char buffer[65536];
  bytes.clear();
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0;) bytes.append(buffer, got);
  return !std::ferror(file.get());
}

bool IsRegularFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// A GBK path relative to `folder` ("x64\a.sys") as the host file it names,
// found without regard to case; empty when a level is missing.
std::string HostPlace(const std::string& folder, const std::string& place) {
  std::vector<std::string> parts;
  const std::string host = ToTerminal(place);
  for (std::size_t start = 0; start <= host.size();) {
    std::size_t end = host.find_first_of("\\/", start);
    if (end == std::string::npos) end = host.size();
    if (end > start) parts.push_back(host.substr(start, end - start));
    start = end + 1;
  }
  if (parts.empty()) return std::string();
  const std::string found = FindNoCase(folder, parts);
  return IsRegularFile(found) ? found : std::string();
}

// One driver of the backup: its host folder, the name it is shown by and the
// INF name its manifest records.
struct DriverEntry {
  std::string folder;
  std::string shownName;  // UTF-8
  std::string infName;    // GBK
};

struct Verdict {
  std::vector<Architecture> complete;
  std::vector<std::string> missing;  // GBK places, for the architecture asked for or the first served
};

Verdict Check(posix::PosixPlatform& platform, const DriverEntry& driver, const Architecture* wanted) {
  Verdict verdict;
  const std::string infPath = driver.infName.empty() ? std::string() : HostPlace(driver.folder, driver.infName);
  const std::string infWindows = infPath.empty() ? std::string() : platform.ToWindowsPath(RealPath(infPath));
  if (infWindows.empty()) {
    verdict.missing.push_back(driver.infName.empty() ? std::string("(no INF named in taskinfo.ini)") : driver.infName);
    return verdict;
  }
  CProfileFile inf(platform.Get());
  inf.SetPath(infWindows.c_str());
  const InfArchitectures archs = ArchitecturesOf(inf);
  bool reported = false;
  for (Architecture arch : kArchitectures) {
    if (!archs.Serves(arch)) continue;
    const PackageNeeds needs = NeedsOf(inf, arch);
    std::vector<std::string> missing;
    if (!needs.catalog.empty() && HostPlace(driver.folder, needs.catalog).empty()) missing.push_back(needs.catalog);
    for (const std::string& place : needs.places) {
      if (HostPlace(driver.folder, place).empty() &&
          std::find(missing.begin(), missing.end(), place) == missing.end())
        missing.push_back(place);
    }
    if (missing.empty()) verdict.complete.push_back(arch);
    if (!reported && !missing.empty() && (!wanted || *wanted == arch)) {
      verdict.missing = missing;
      reported = true;
    }
  }
  return verdict;
}

std::vector<std::string> Subfolders(const std::string& dir) {
  std::vector<std::string> names;
  const posix::UniqueDir listing(opendir(dir.c_str()));
  if (!listing) return names;
  while (dirent* entry = readdir(listing.get())) {
    const std::string name = entry->d_name;
    if (name != "." && name != ".." && IsDirectory(dir + "/" + name)) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// The INF name a driver folder's own taskinfo.ini records in its driver section.
std::string ManifestInfName(const posix::IniDocument& manifest) {
  std::string value;
  for (const std::string& section : manifest.SectionNames())
    if (manifest.FindValue(section, texts::kKeyInfName, value)) return value;
  return std::string();
}

// A folder backup: PATH itself when it holds a taskinfo.ini, else each
// subfolder that does.
bool FolderDrivers(const std::string& path, std::vector<DriverEntry>& drivers) {
  auto add = [&](const std::string& folder, const std::string& shown) {
    const std::string manifestPath = FindNoCase(folder, {texts::kManifestFileName});
    std::string bytes;
    if (manifestPath.empty() || !ReadHost(manifestPath, bytes)) return false;
    posix::IniDocument manifest;
    manifest.Parse(bytes);
    drivers.push_back({folder, shown, ManifestInfName(manifest)});
    return true;
  };
  std::string shown = path;
  while (shown.size() > 1 && shown.back() == '/') shown.pop_back();
  if (add(path, shown.substr(shown.find_last_of('/') + 1))) return true;
  for (const std::string& name : Subfolders(path)) add(path + "/" + name, name);
  return !drivers.empty();
}

// The drivers of an unpacked self-extracting backup: one section per driver in
// the combined taskinfo.ini, its files in the driver's folder.
void SfxDrivers(const std::string& unpacked, std::vector<DriverEntry>& drivers) {
  std::string bytes;
  if (!ReadHost(unpacked + "/" + texts::kManifestFileName, bytes)) return;
  posix::IniDocument manifest;
  manifest.Parse(bytes);
  for (const std::string& description : manifest.SectionNames()) {
    std::string infName;
    if (!manifest.FindValue(description, texts::kKeyInfName, infName)) continue;
    // Containers of earlier versions hold every driver's files at the top.
    std::string relative = ToTerminal(DriverFolderName(description));
    std::replace(relative.begin(), relative.end(), '\\', '/');
    const std::string folder = unpacked + "/" + relative;
    drivers.push_back({IsDirectory(folder) ? folder : unpacked, ToTerminal(description), infName});
  }
}

std::string ArchList(const std::vector<Architecture>& archs) {
  std::string text;
  for (Architecture arch : archs) text += (text.empty() ? "" : ", ") + std::string(InfDecoration(arch));
  return text;
}

}  // namespace

int VerifyCommand(const std::vector<std::string>& args) {
  OptionParser options("verify", kUsage);
  std::string archName;
  options.Value("--arch", &archName);
  std::vector<std::string> words, rest;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i].rfind("-", 0) == 0) {
      rest.push_back(args[i]);
      if (args[i] == "--arch" && i + 1 < args.size()) rest.push_back(args[++i]);
    } else {
      words.push_back(args[i]);
    }
  }
  int exitCode = kExitOk;
  if (!options.Parse(rest, exitCode)) return exitCode;
  if (words.size() != 1) return options.UsageError("one PATH is needed");
  Architecture wanted = Architecture::kX86;
  const bool hasWanted = !archName.empty();
  if (hasWanted) {
    const auto known = std::find_if(std::begin(kArchitectures), std::end(kArchitectures),
                                    [&](Architecture a) { return archName == InfDecoration(a); });
    if (known == std::end(kArchitectures)) return options.UsageError("unknown architecture '" + archName + "'");
    wanted = *known;
  }

  const std::string& path = words[0];
  std::vector<DriverEntry> drivers;
  posix::PosixPlatform platform;
  HostTempFolder unpacked;
  if (IsDirectory(path)) {
    if (!FolderDrivers(path, drivers)) return InputError(path + ": not a backup (no taskinfo.ini)");
  } else {
    FileSystem& files = *platform.Get().files;
    const std::string containerPath = platform.ToWindowsPath(RealPath(path));
    std::unique_ptr<FileStream> container =
        containerPath.empty() ? nullptr : files.Open(containerPath, OpenMode::kReadShared);
    if (!container) return InputError(path + ": cannot be opened");
    if (!unpacked.Make("pelorin-verify-"))
      return InputError(std::string("temporary folder: ") + std::strerror(errno));
    std::vector<SfxRecord> records;
    const std::string into = platform.ToWindowsPath(RealPath(unpacked.Path())) + "\\";
    const SfxStatus status = UnpackSfxToFolder(files, *container, into, records, nullptr);
    if (status != SfxStatus::kOk) return InputError(path + ": " + SfxStatusText(status));
    SfxDrivers(unpacked.Path(), drivers);
    if (drivers.empty()) return InputError(path + ": not a backup (no driver in its taskinfo.ini)");
  }

  int complete = 0;
  for (const DriverEntry& driver : drivers) {
    const Verdict verdict = Check(platform, driver, hasWanted ? &wanted : nullptr);
    const bool ok = hasWanted ? std::find(verdict.complete.begin(), verdict.complete.end(), wanted) !=
                                    verdict.complete.end()
                              : !verdict.complete.empty();
    complete += ok ? 1 : 0;
    std::string line = driver.shownName + ": ";
    if (!verdict.complete.empty()) line += "complete for " + ArchList(verdict.complete);
    if (!ok) {
      std::string missing;
      for (const std::string& place : verdict.missing) missing += (missing.empty() ? "" : ", ") + ToTerminal(place);
      if (!verdict.complete.empty()) line += "; ";
      line += missing.empty() ? "not for " + std::string(InfDecoration(wanted)) : "missing " + missing;
      if (hasWanted && !missing.empty()) line += " (" + std::string(InfDecoration(wanted)) + ")";
    }
    std::printf("%s\n", line.c_str());
  }
  const int total = static_cast<int>(drivers.size());
  std::printf("%d of %d drivers complete%s\n", complete, total,
              hasWanted ? (std::string(" for ") + InfDecoration(wanted)).c_str() : "");
  return complete == total ? kExitOk : kExitFailure;
}

}  // namespace pelorin::cli
