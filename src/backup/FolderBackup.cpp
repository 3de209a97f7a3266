#include "backup/FolderBackup.h"

#include "backup/BackupManifest.h"
#include "backup/BackupTexts.h"
#include "backup/DriverFileSet.h"
#include "backup/FileTreeOps.h"
#include "backup/ProfileFile.h"
#include "inventory/DriverScan.h"
#include "platform/Mbcs.h"

namespace pelorin {

namespace {

bool BelowWindowsRoot(const std::string& folder) {
  const std::string root = std::string(texts::kWindowsRoot) + "\\";
  if (folder.size() < root.size()) return false;
  for (std::size_t i = 0; i < root.size(); ++i) {
    char c = folder[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != root[i]) return false;
  }
  return true;
}

}  // namespace

std::string IncompleteBackupText(const IncompleteDrivers& drivers) {
  std::string text;
  auto list = [&](const char* heading, const std::vector<std::string>& descriptions) {
    if (descriptions.empty()) return;
    if (!text.empty()) text += "\n\n";
    text += heading;
    for (const std::string& description : descriptions) text += "\n" + description;
  };
  list(texts::kBackupIncomplete, drivers.failedCopies);
  list(texts::kPackageIncomplete, drivers.missingFiles);
  return text;
}

namespace {

// Copies each file to its place below the driver's folder, making the
// sub-folders the package's layout needs.
class FolderSink : public DriverFileSink {
 public:
  FolderSink(const Platform& platform, CFileTreeOps& treeOps, CDriverManifest& manifest, const std::string& folder)
      : platform_(platform), treeOps_(treeOps), manifest_(manifest), folder_(folder) {}

  SaveOutcome Save(const std::string& source, const std::string& entry) override {
    if (source.empty() || platform_.files->GetAttributes(source) == attr::kInvalid) return SaveOutcome::kAbsent;
    const std::size_t slash = mbcs::FindLast(entry, '\\');
    if (slash != mbcs::npos && !treeOps_.MakePath(folder_ + "\\" + entry.substr(0, slash))) {
      return SaveOutcome::kFailed;
    }
    const int copied = treeOps_.CopyFileAs(source, folder_ + "\\" + entry);
    return copied > 0 ? SaveOutcome::kSaved : copied == 0 ? SaveOutcome::kAbsent : SaveOutcome::kFailed;
  }
  void Record(int number, const std::string& source, const std::string& destination) override {
    manifest_.WriteFile(number, source, destination);
  }

 private:
  const Platform& platform_;
  CFileTreeOps& treeOps_;
  CDriverManifest& manifest_;
  const std::string& folder_;
};

}  // namespace

int RunFolderBackup(const Platform& platform, BackupHost& host, const std::string& destinationFolder,
                    const FolderBackupOptions& options, std::vector<FolderBackupDriver>* drivers) {
  CFileTreeOps treeOps(platform);
  CDriverManifest manifest(platform);
  CDriverWalk walk(platform, host, options);
  int ticked = 0;
  IncompleteDrivers incomplete;

  DriverRows& rows = host.Rows();
  for (int row = 0; row < rows.Count(); ++row) {
    if (!rows.IsTicked(row)) continue;
    ++ticked;
    const DriverRecord driver = RecordOfRow(rows, row);
    const std::string folderName = DriverFolderName(driver.DriverDesc);
    const std::string folder = destinationFolder + folderName;
    // Copies into the searched tree would change the answers an index gave.
    if (BelowWindowsRoot(folder + "\\")) walk.StopIndexing();
    FolderBackupDriver outcome;
    outcome.description = driver.DriverDesc;
    outcome.folder = folder;
    if (drivers) drivers->push_back(outcome);
    if (!treeOps.MakePath(folder)) {
      platform.boxes->Show(texts::kCreateFolderPrefix + folder + texts::kCreateFolderSuffix, nullptr, mb::kOk);
      return 0;
    }
    manifest.Open(folder);
    manifest.WriteDriverSection(driver);
    const int lastNumber = walk.Plan(driver);

    host.ShowProgress(true);
    host.SetStatus(texts::kBackingUp + folderName);
    host.SetProgressRange(0, lastNumber);

    // A file counts as saved only when its copy succeeded: a failed copy gets no
    // step and no manifest line, and marks the driver incomplete.
    FolderSink sink(platform, treeOps, manifest, folder);
    const DriverWalkResult result = walk.Save(folder, sink);
    if (result.failed > 0) incomplete.failedCopies.push_back(driver.DriverDesc);
    if (result.missing) incomplete.missingFiles.push_back(driver.DriverDesc);
    outcome.infSaved = result.infSaved;
    outcome.saved = result.saved;
    outcome.failed = result.failed;
    outcome.missing = result.missing;
    if (drivers) drivers->back() = outcome;
  }

  int result = BackupResultDone;
  if (ticked == 0) {
    result = BackupResultNothingTicked;
  } else if (!incomplete.Empty()) {
    result = BackupResultIncomplete;
    host.SetIncompleteDrivers(incomplete);
  }
  host.PostResult(result);
  host.SetStatus(FoundDriversText(rows.Count()));
  host.SetProgressPos(0);
  host.ShowProgress(false);
  return result;
}

}  // namespace pelorin
