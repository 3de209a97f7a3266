#include "backup/FolderBackup.h"

#include <cstdio>

#include "backup/BackupManifest.h"
#include "backup/BackupTexts.h"
#include "backup/DriverFileSet.h"
#include "backup/FileTreeOps.h"
#include "backup/ProfileFile.h"
#include "inventory/DriverScan.h"

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

std::string IncompleteBackupText(const std::vector<std::string>& descriptions) {
  std::string text = texts::kBackupIncomplete;
  for (const std::string& description : descriptions) text += "\n" + description;
  return text;
}

int RunFolderBackup(const Platform& platform, BackupHost& host, const std::string& destinationFolder,
                    const FolderBackupOptions& options, std::vector<FolderBackupDriver>* drivers) {
  CFileTreeOps treeOps(platform);
  CProfileFile infReader(platform);
  CDriverManifest manifest(platform);
  CDriverFileFinder finder(*platform.files, texts::kWindowsRoot, options.indexedSearch);
  StringArray lines;
  int ticked = 0;
  std::vector<std::string> incomplete;

  DriverRows& rows = host.Rows();
  for (int row = 0; row < rows.Count(); ++row) {
    if (!rows.IsTicked(row)) continue;
    ++ticked;
    const DriverRecord driver = RecordOfRow(rows, row);
    const std::string infPath = InfSourcePath(driver.InfPath);
    infReader.SetPath(infPath.c_str());

    const std::string folderName = DriverFolderName(driver.DriverDesc);
    const std::string folder = destinationFolder + folderName;
    // Copies into the searched tree would change the answers an index gave.
    if (BelowWindowsRoot(folder + "\\")) finder.StopIndexing();
    FolderBackupDriver outcome;
    outcome.description = driver.DriverDesc;
    outcome.folder = folder;
    if (drivers) drivers->push_back(outcome);
    if (!treeOps.MakePath(folder)) {
      platform.boxes->Show(texts::kCreateFolderPrefix + folder + texts::kCreateFolderSuffix, nullptr, mb::kOk);
      return 0;
    }
    const std::string pnfName = PnfFileName(driver.InfPath);
    const std::string pnfPath = PnfSourcePath(driver.InfPath);

    manifest.Open(folder);
    manifest.WriteDriverSection(driver);

    lines.clear();
    infReader.GetSection(texts::kSourceDisksFiles, lines);
    const int count = static_cast<int>(lines.size());

    host.ShowProgress(true);
    host.SetStatus(texts::kBackingUp + folderName);
    host.SetProgressRange(0, count + 2);

    // A file counts as saved only when its copy succeeded: a failed copy gets no
    // step and no manifest line, and marks the driver incomplete.
    int failedCopies = 0;
    auto save = [&](const std::string& source, int number, const std::string& fileName) {
      const int failedBefore = failedCopies;
      if (!treeOps.CopyTree(source, folder, &failedCopies) || failedCopies != failedBefore) return;
      host.SetProgressPos(number);
      host.SetProgressText(fileName);
      manifest.WriteFile(number, source, DestinationPath(folder, fileName));
      ++outcome.saved;
      if (number == kInfFileNumber) outcome.infSaved = true;
    };
    save(infPath, kInfFileNumber, driver.InfPath);
    save(pnfPath, kPnfFileNumber, pnfName);
    for (int k = 0; k < count; ++k) {
      const std::string name = ListedFileName(lines[k]);
      std::string found;
      finder.Find(name, found);
      save(found, k + kFirstListedFileNumber, name);
    }
    if (failedCopies > 0) incomplete.push_back(driver.DriverDesc);
    outcome.failed = failedCopies;
    if (drivers) drivers->back() = outcome;
  }

  int result = BackupResultDone;
  if (ticked == 0) {
    result = BackupResultNothingTicked;
  } else if (!incomplete.empty()) {
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
