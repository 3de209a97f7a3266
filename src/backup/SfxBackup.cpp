#include "backup/SfxBackup.h"

#include <vector>

#include "backup/BackupManifest.h"
#include "backup/BackupTexts.h"
#include "backup/DriverFileSet.h"
#include "backup/FolderBackup.h"
#include "backup/ProfileFile.h"
#include "platform/PrivateFolder.h"

namespace pelorin {

namespace {

int PumpProgress(int, void*, void* user) {
  static_cast<BackupHost*>(user)->PumpMessages();
  return 0;
}

}  // namespace

int RunSfxBackup(const Platform& platform, BackupHost& host, CSfxWriter& writer,
                 const std::string& destinationFolder, bool indexedSearch) {
  char temp[260] = {};
  const std::uint32_t tempLength = platform.files->TempPath(sizeof temp, temp);
  if (tempLength == 0 || tempLength >= sizeof temp) {
    platform.boxes->Show(texts::kGetTempFailed, nullptr, mb::kOk);
    temp[0] = '\0';  // the process's current folder
  }
  // A fresh folder of the run's own: under fixed names straight in the
  // temporary folder a planted link would redirect the writes.
  const std::string workFolder = MakePrivateTempFolder(*platform.files, temp, "pelorin_sfx_");
  const std::string manifestPath = workFolder + texts::kManifestFileName;
  const std::string treePath = workFolder + texts::kClassTreeFileName;
  CCombinedManifest manifest(platform);
  manifest.Open(manifestPath);
  CClassTreeFile tree(platform);
  tree.Open(treePath);
  CProfileFile infReader(platform);
  CDriverFileFinder finder(*platform.files, texts::kWindowsRoot, indexedSearch);

  StringArray lines;
  int ticked = 0;
  std::vector<std::string> incomplete;
  DriverRows& rows = host.Rows();
  for (int row = 0; row < rows.Count(); ++row) {
    if (!rows.IsTicked(row)) continue;
    const DriverRecord driver = RecordOfRow(rows, row);
    tree.WriteDriver(driver.ClassName, driver.DriverDesc);
    ++ticked;
    const std::string folderName = DriverFolderName(driver.DriverDesc);
    const std::string folder = destinationFolder + folderName;
    const std::string infPath = InfSourcePath(driver.InfPath);
    infReader.SetPath(infPath.c_str());
    lines.clear();
    infReader.GetSection(texts::kSourceDisksFiles, lines);
    const int count = static_cast<int>(lines.size());
    host.SetStatus(texts::kBackingUp + folderName);
    host.ShowProgress(true);
    host.SetProgressRange(0, count + 2);
    manifest.WriteDriver(driver);

    bool missed = false;
    auto pack = [&](const std::string& source, int number, const std::string& fileName) {
      // The entry keeps its place in the driver's folder, as the folder form has it.
      if (!source.empty() && writer.AddFile(source, folderName + "\\" + fileName) == 1) {
        host.SetProgressPos(number);
        host.SetProgressText(fileName);
        manifest.WriteFile(driver.DriverDesc, source, DestinationPath(folder, fileName));
        return;
      }
      // A file that exists but was not taken leaves the backup incomplete; a file
      // that is simply not there is skipped without a word.
      if (!source.empty() && platform.files->GetAttributes(source) != attr::kInvalid) missed = true;
    };
    pack(infPath, kInfFileNumber, driver.InfPath);
    pack(PnfSourcePath(driver.InfPath), kPnfFileNumber, PnfFileName(driver.InfPath));
    for (int k = 0; k < count; ++k) {
      const std::string name = ListedFileName(lines[k]);
      std::string found;
      finder.Find(name, found);
      pack(found, k + kFirstListedFileNumber, name);
    }
    if (missed) incomplete.push_back(driver.DriverDesc);
  }
  // Without its two manifests a container restores nothing: one that cannot
  // take them is not written at all, and the run fails as a failed build does.
  bool manifestsTaken = !workFolder.empty();
  if (ticked > 0 && manifestsTaken) {
    manifestsTaken = writer.AddFile(manifestPath) == 1;
    manifestsTaken = writer.AddFile(treePath) == 1 && manifestsTaken;
  }

  const int built = manifestsTaken ? writer.Build(sfx::kStubResourceId, destinationFolder + texts::kSfxOutputName,
                                                  &PumpProgress, &host)
                                   : 0;
  if (built != sfx::kBuildDone)
    platform.boxes->Show(texts::kSfxBuildFailed, texts::kSfxCaption, mb::kIconExclamation);
  writer.Reset();
  if (!workFolder.empty()) {
    platform.files->Delete(manifestPath);
    platform.files->Delete(treePath);
    platform.files->RemoveDir(workFolder.substr(0, workFolder.size() - 1));
  }

  int result = BackupResultDone;
  if (ticked == 0) {
    result = BackupResultNothingTicked;
  } else if (built != sfx::kBuildDone) {
    // The failure message has been shown; a success message must not follow it.
    result = 0;
  } else if (!incomplete.empty()) {
    result = BackupResultIncomplete;
    host.SetIncompleteDrivers(incomplete);
  }
  if (result != 0) host.PostResult(result);
  host.SetStatus(FoundDriversStatus(rows.Count()));
  host.SetProgressPos(0);
  host.ShowProgress(false);
  return result;
}

}  // namespace pelorin
