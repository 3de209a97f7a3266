#include "backup/DriverWalk.h"

#include <algorithm>
#include <set>

#include "backup/BackupManifest.h"
#include "backup/BackupTexts.h"
#include "platform/Mbcs.h"

namespace pelorin {

namespace {

// The INF's published name without its ".inf" (any case), as CatRoot names the
// installed catalog.
std::string InfStem(const std::string& infName) {
  const std::size_t length = std::string(texts::kInfExtension).size();
  if (infName.size() > length &&
      mbcs::EqualsNoCaseAscii(infName.substr(infName.size() - length), texts::kInfExtension)) {
    return infName.substr(0, infName.size() - length);
  }
  return infName;
}

std::string Joined(const std::string& place, const std::string& name) {
  return place.empty() ? name : place + "\\" + name;
}

void ListTree(FileSystem& files, const std::string& folder, const std::string& place,
              std::vector<InfMember>& out) {
  FindEntry entry;
  const std::unique_ptr<FileFinder> finder = files.FindFirst(folder + "\\*.*", entry);
  if (!finder) return;
  do {
    if (entry.IsDots()) continue;
    if (entry.IsDirectory()) {
      ListTree(files, folder + "\\" + entry.name, Joined(place, entry.name), out);
    } else {
      InfMember member;
      member.name = entry.name;
      member.place = place;
      out.push_back(member);
    }
  } while (finder->Next(entry));
}

}  // namespace

struct CDriverWalk::Walk {
  std::string folder;
  DriverFileSink& sink;
  DriverWalkResult result;
};

CDriverWalk::CDriverWalk(const Platform& platform, BackupHost& host, const BackupRunOptions& options)
    : platform_(platform),
      host_(host),
      locator_(options.locator),
      arch_(platform.system ? platform.system->InstallationArchitecture() : Architecture::kX86),
      finder_(*platform.files, texts::kWindowsRoot, options.indexedSearch),
      infReader_(platform) {}

int CDriverWalk::Plan(const DriverRecord& driver) {
  infName_ = driver.InfPath;
  infReader_.SetPath(InfSourcePath(infName_).c_str());
  files_ = ReadInfFileList(infReader_, arch_);
  package_ = PackageFolder();
  inPackage_ = locator_ && locator_(infName_, arch_, package_);
  otherFiles_.clear();
  if (inPackage_) ListOtherFiles();
  const std::size_t count = files_.listed.size() + files_.more.size() + (files_.catalog.name.empty() ? 0 : 1) +
                            otherFiles_.size();
  return kFirstListedFileNumber - 1 + static_cast<int>(count);
}

void CDriverWalk::ListOtherFiles() {
  std::vector<InfMember> all;
  ListTree(*platform_.files, package_.folder, std::string(), all);
  std::set<std::string> named;
  for (const auto* list : {&files_.listed, &files_.more}) {
    for (const InfMember& member : *list) named.insert(FoldedPath(member.RelativePath()));
  }
  named.insert(FoldedPath(files_.catalog.name));
  for (const InfMember& member : all) {
    if (!named.count(FoldedPath(member.RelativePath()))) otherFiles_.push_back(member);
  }
  std::stable_sort(otherFiles_.begin(), otherFiles_.end(), [](const InfMember& a, const InfMember& b) {
    return FoldedPath(a.RelativePath()) < FoldedPath(b.RelativePath());
  });
}

DriverWalkResult CDriverWalk::Save(const std::string& folder, DriverFileSink& sink) {
  Walk walk{folder, sink, DriverWalkResult()};
  const std::string pnfName = PnfFileName(infName_);
  Store(walk, InfSourcePath(infName_), kInfFileNumber, std::string(), infName_, infName_);
  Store(walk, PnfSourcePath(infName_), kPnfFileNumber, std::string(), pnfName, pnfName);
  int number = kFirstListedFileNumber;
  for (const InfMember& member : files_.listed) SaveMember(walk, member, number++, true);
  for (const InfMember& member : files_.more) SaveMember(walk, member, number++, false);
  if (!files_.catalog.name.empty()) SaveCatalog(walk, number++);
  for (const InfMember& member : otherFiles_) {
    Store(walk, package_.folder + "\\" + member.RelativePath(), number++, member.place, member.name, member.name);
  }
  return walk.result;
}

void CDriverWalk::SaveMember(Walk& walk, const InfMember& member, int number, bool listed) {
  if (member.name.empty()) return;  // a line without "=" names nothing
  if (inPackage_) {
    // Only the package's own copy matches the catalog: a file it lacks is not
    // looked for elsewhere, where a stale copy of that name may lie.
    FindEntry entry;
    const std::string wanted = package_.folder + "\\" + member.RelativePath();
    if (!member.usable || !platform_.files->FindFirst(wanted, entry) || entry.IsDirectory()) {
      walk.result.missing = true;
      return;
    }
    Store(walk, package_.folder + "\\" + Joined(member.place, entry.name), number, member.place, entry.name,
          member.name);
    return;
  }
  if (!member.usable && !listed) return;
  std::string found;
  finder_.Find(member.name, found);
  if (found.empty()) return;
  // A place that would lead out of the driver's folder is not taken: the file
  // stays beside the INF, where earlier backups always put it.
  Store(walk, found, number, member.usable ? member.place : std::string(), mbcs::AfterLastBackslash(found),
        member.name);
}

void CDriverWalk::SaveCatalog(Walk& walk, int number) {
  const InfMember& catalog = files_.catalog;
  if (inPackage_) {
    SaveMember(walk, catalog, number, false);
    return;
  }
  if (!catalog.usable) return;
  // Windows XP keeps the installed catalog under the INF's published name.
  Store(walk, texts::kCatRootFolder + InfStem(infName_) + texts::kCatalogExtension, number, std::string(),
        catalog.name, catalog.name);
}

void CDriverWalk::Store(Walk& walk, const std::string& source, int number, const std::string& place,
                        const std::string& entryName, const std::string& recordedName) {
  switch (walk.sink.Save(source, Joined(place, entryName))) {
    case SaveOutcome::kAbsent:
      return;
    case SaveOutcome::kFailed:
      ++walk.result.failed;
      return;
    case SaveOutcome::kSaved:
      break;
  }
  host_.SetProgressPos(number);
  host_.SetProgressText(recordedName);
  walk.sink.Record(number, source, DestinationPath(walk.folder, Joined(place, recordedName)));
  ++walk.result.saved;
  if (number == kInfFileNumber) walk.result.infSaved = true;
}

}  // namespace pelorin
