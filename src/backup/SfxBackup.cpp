#include "backup/SfxBackup.h"

#include <vector>

#include "backup/BackupManifest.h"
#include "backup/BackupTexts.h"
#include "backup/DriverWalk.h"
#include "backup/FolderBackup.h"
#include "backup/ProfileFile.h"
#include "backup/RestorerChoice.h"
#include "inventory/DriverScan.h"
#include "platform/PrivateFolder.h"

namespace pelorin {

namespace {

int PumpProgress(int, void*, void* user) {
  static_cast<BackupHost*>(user)->PumpMessages();
  return 0;
}

// Adds each file to the container under its path below the destination folder.
class ContainerSink : public DriverFileSink {
 public:
  ContainerSink(const Platform& platform, CSfxWriter& writer, CCombinedManifest& manifest,
                const std::string& description, const std::string& folderName)
      : platform_(platform), writer_(writer), manifest_(manifest), description_(description),
        folderName_(folderName) {}

  SaveOutcome Save(const std::string& source, const std::string& entry) override {
    if (!source.empty() && writer_.AddFile(source, folderName_ + "\\" + entry) == 1) return SaveOutcome::kSaved;
    // A file that exists but was not taken leaves the backup incomplete; a file
    // that is simply not there is skipped without a word.
    const bool there = !source.empty() && platform_.files->GetAttributes(source) != attr::kInvalid;
    return there ? SaveOutcome::kFailed : SaveOutcome::kAbsent;
  }
  void Record(int, const std::string& source, const std::string& destination) override {
    manifest_.WriteFile(description_, source, destination);
  }

 private:
  const Platform& platform_;
  CSfxWriter& writer_;
  CCombinedManifest& manifest_;
  const std::string& description_;
  const std::string& folderName_;
};

}  // namespace

int RunSfxBackup(const Platform& platform, BackupHost& host, CSfxWriter& writer,
                 const std::string& destinationFolder, const BackupRunOptions& options) {
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
  CDriverWalk walk(platform, host, options);

  int ticked = 0;
  IncompleteDrivers incomplete;
  DriverRows& rows = host.Rows();
  for (int row = 0; row < rows.Count(); ++row) {
    if (!rows.IsTicked(row)) continue;
    const DriverRecord driver = RecordOfRow(rows, row);
    tree.WriteDriver(driver.ClassName, driver.DriverDesc);
    ++ticked;
    const std::string folderName = DriverFolderName(driver.DriverDesc);
    const int lastNumber = walk.Plan(driver);
    host.SetStatus(texts::kBackingUp + folderName);
    host.ShowProgress(true);
    host.SetProgressRange(0, lastNumber);
    manifest.WriteDriver(driver);

    ContainerSink sink(platform, writer, manifest, driver.DriverDesc, folderName);
    const DriverWalkResult result = walk.Save(destinationFolder + folderName, sink);
    if (result.failed > 0) incomplete.failedCopies.push_back(driver.DriverDesc);
    if (result.missing) incomplete.missingFiles.push_back(driver.DriverDesc);
  }
  // Without its two manifests a container restores nothing: one that cannot
  // take them is not written at all, and the run fails as a failed build does.
  bool manifestsTaken = !workFolder.empty();
  if (ticked > 0 && manifestsTaken) {
    manifestsTaken = writer.AddFile(manifestPath) == 1;
    manifestsTaken = writer.AddFile(treePath) == 1 && manifestsTaken;
  }

  const int stubId = RestorerResourceId(TargetArchitecture(platform.system));
  const int built = manifestsTaken
                        ? writer.Build(stubId, destinationFolder + texts::kSfxOutputName, &PumpProgress, &host)
                        : 0;
  if (built != sfx::kBuildDone)
    platform.boxes->Show(texts::kSfxBuildFailed, texts::kInformationCaption, mb::kIconExclamation);
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
  } else if (!incomplete.Empty()) {
    result = BackupResultIncomplete;
    host.SetIncompleteDrivers(incomplete);
  }
  if (result != 0) host.PostResult(result);
  host.SetStatus(FoundDriversText(rows.Count()));
  host.SetProgressPos(0);
  host.ShowProgress(false);
  return result;
}

}  // namespace pelorin
