#include "backup/DriverPackage.h"

#include <cstring>
#include <vector>

#include "backup/BackupTexts.h"
#include "platform/Mbcs.h"

namespace pelorin {
namespace {

constexpr std::uint32_t kCompareChunk = 64 * 1024;

// Names read from the registry become path levels: one that climbs, roots or
// widens a search must not lead the backup out of the store.
bool IsPlainName(const std::string& name) {
  // Windows drops trailing dots and blanks from a path level: ".. " climbs too.
  if (name.empty() || name.back() == '.' || name.back() == ' ') return false;
  for (std::size_t i = 0; i < name.size(); i += mbcs::CharLength(name, i)) {
    const char c = name[i];
    if (c == '\\' || c == '/' || c == ':' || c == '*' || c == '?' || static_cast<unsigned char>(c) < 0x20)
      return false;
  }
  return true;
}

bool Stat(FileSystem& files, const std::string& path, FindEntry& entry) {
  return files.FindFirst(path, entry) != nullptr;
}

bool IsFolder(FileSystem& files, const std::string& path) {
  const std::uint32_t attributes = files.GetAttributes(path);
  return attributes != attr::kInvalid && (attributes & attr::kDirectory) != 0;
}

// The text of a REG_SZ up to its terminator.
std::string StringData(std::uint32_t type, const std::string& data) {
  if (type != regtype::kSz && type != regtype::kExpandSz) return std::string();
  return std::string(data.c_str());
}

std::string LastOfMultiString(const std::string& data) {
  std::string last;
  std::size_t start = 0;
  while (start < data.size()) {
    std::size_t end = data.find('\0', start);
    if (end == std::string::npos) end = data.size();
    if (end > start) last = data.substr(start, end - start);
    start = end + 1;
  }
  return last;
}

bool FromDriverStoreCall(const Platform& platform, const std::string& infName, PackageFolder& found) {
  std::string path;
  if (platform.system == nullptr || !platform.system->DriverStoreInfPath(infName, path)) return false;
  const std::size_t slash = mbcs::FindLast(path, '\\');
  if (slash == mbcs::npos || slash == 0 || !IsPlainName(path.substr(slash + 1))) return false;
  FindEntry entry;
  if (!Stat(*platform.files, path, entry) || entry.IsDirectory()) return false;
  found = {path.substr(0, slash), entry.name, PackageRoad::kDriverStoreCall};
  return true;
}

bool FromDatabase(const Platform& platform, const std::string& database, const std::string& infName,
                  PackageFolder& found) {
  Registry& registry = *platform.registry;
  std::uint32_t type = 0;
  std::string data;
  const std::string infKey = database + "\\DriverInfFiles\\" + infName;
  std::string package;
  if (ReadRegistryValue(registry, infKey, "Active", type, data)) package = StringData(type, data);
  if (package.empty() && ReadRegistryValue(registry, infKey, "", type, data) && type == regtype::kMultiSz)
    package = LastOfMultiString(data);
  if (!IsPlainName(package)) return false;

  const std::string packageKey = database + "\\DriverPackages\\" + package;
  if (!ReadRegistryValue(registry, packageKey, "", type, data) ||
      !mbcs::EqualsNoCaseAscii(StringData(type, data), infName))
    return false;
  if (!ReadRegistryValue(registry, packageKey, "InfName", type, data)) return false;
  const std::string packageInf = StringData(type, data);
  if (!IsPlainName(packageInf)) return false;
  const std::string folder = std::string(kFileRepository) + "\\" + package;
  if (!IsFolder(*platform.files, folder)) return false;
  found = {folder, packageInf, PackageRoad::kDriverDatabase};
  return true;
}

bool SameContent(FileSystem& files, const std::string& a, const std::string& b) {
  std::unique_ptr<FileStream> left = files.Open(a, OpenMode::kReadShared);
  std::unique_ptr<FileStream> right = files.Open(b, OpenMode::kReadShared);
  if (!left || !right || left->Length() != right->Length()) return false;
  std::vector<char> x(kCompareChunk), y(kCompareChunk);
  for (;;) {
    std::uint32_t gotX = 0, gotY = 0;
    if (!left->Read(x.data(), kCompareChunk, &gotX) || !right->Read(y.data(), kCompareChunk, &gotY)) return false;
    if (gotX != gotY || std::memcmp(x.data(), y.data(), gotX) != 0) return false;
    if (gotX == 0) return true;
  }
}

// A store folder's INF name (the folder's name up to "_<arch>", or up to
// "_<hash>" on Vista, whose names carry no architecture) and how well its
// architecture fits: 2 the installation's, 1 unknown, 0 another.
bool SplitFolderName(const std::string& folder, Architecture arch, std::string& infName, int& fit) {
  const std::string lower = mbcs::ToLowerAscii(folder);
  const std::size_t dot = lower.find(".inf_");
  if (dot == std::string::npos || dot == 0) return false;
  infName = folder.substr(0, dot + 4);
  const std::size_t start = dot + 5;
  const std::string token = lower.substr(start, lower.find('_', start) - start);
  fit = 1;
  for (Architecture known : kEveryArchitecture) {
    if (token == InfDecoration(known)) fit = known == arch ? 2 : 0;
  }
  return true;
}

bool FromContent(const Platform& platform, const std::string& infName, Architecture arch,
                 PackageFolder& found) {
  FileSystem& files = *platform.files;
  const std::string published = texts::kInfFolder + infName;
  FindEntry publishedEntry;
  if (!Stat(files, published, publishedEntry) || publishedEntry.IsDirectory()) return false;

  int bestFit = -1;
  int matches = 0;
  FindEntry entry;
  std::unique_ptr<FileFinder> finder = files.FindFirst(std::string(kFileRepository) + "\\*.*", entry);
  for (bool more = finder != nullptr; more; more = finder->Next(entry)) {
    std::string folderInf;
    int fit = 0;
    if (!entry.IsDirectory() || entry.IsDots() || !SplitFolderName(entry.name, arch, folderInf, fit)) continue;
    const std::string folder = std::string(kFileRepository) + "\\" + entry.name;
    FindEntry inf;
    if (!Stat(files, folder + "\\" + folderInf, inf) || inf.IsDirectory() || inf.size != publishedEntry.size)
      continue;
    if (!SameContent(files, published, folder + "\\" + inf.name)) continue;
    ++matches;
    // Listing order decides between equals: the first stays.
    if (fit > bestFit) {
      bestFit = fit;
      found = {folder, inf.name, PackageRoad::kContent};
    }
  }
  // Another architecture's copy of the INF stands in only when nothing else matches.
  return bestFit > 0 || (bestFit == 0 && matches == 1);
}

}  // namespace

std::optional<PackageFolder> FindPackageFolder(const Platform& platform, const std::string& infName,
                                               Architecture arch) {
  PackageFolder found;
  if (platform.files == nullptr) return std::nullopt;
  if (FromDriverStoreCall(platform, infName, found)) return found;
  if (!IsPlainName(infName)) return std::nullopt;
  if (platform.registry != nullptr) {
    for (const char* database : kDriverDatabaseKeys) {
      if (FromDatabase(platform, database, infName, found)) return found;
    }
  }
  if (FromContent(platform, infName, arch, found)) return found;
  return std::nullopt;
}

}  // namespace pelorin
