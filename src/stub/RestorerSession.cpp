#include "stub/RestorerSession.h"

#include "backup/BackupManifest.h"
#include "backup/BackupTexts.h"
#include "backup/ProfileFile.h"
#include "platform/PrivateFolder.h"
#include "sfx/SfxUnpack.h"
#include "stub/RestorerResource.h"
#include "stub/StubTexts.h"

namespace pelorin {

using namespace stubtexts;

int CRestorerSession::Unpack(const std::string& selfPath, const std::string& tempFolder) {
  std::unique_ptr<FileStream> self = platform_.files->Open(selfPath, OpenMode::kReadShared);
  if (!self) return IDS_INTERNAL_ERROR;

  // A new folder of our own: another restorer, a stale file of an earlier run
  // or a folder planted under a known name cannot mix into this one.
  folder_ = MakePrivateTempFolder(*platform_.files, tempFolder, kUnpackFolderPrefix);
  if (folder_.empty()) return IDS_DISK_SPACE;
  madeFolder_ = true;
  const SfxStatus status = UnpackSfxToFolder(*platform_.files, *self, folder_, records_, nullptr);
  if (status != SfxStatus::kOk) {
    platform_.files->RemoveDir(folder_.substr(0, folder_.size() - 1));
    madeFolder_ = false;
  }
  switch (status) {
    case SfxStatus::kOk:
      unpacked_ = true;
      return 0;
    case SfxStatus::kEmpty:
      return IDS_NO_DATA_UNPACK_FAILED;
    case SfxStatus::kCreateFailed:
    case SfxStatus::kWriteFailed:
    case SfxStatus::kNoSpace:
      return IDS_DISK_SPACE;
    case SfxStatus::kReadFailed:
      return IDS_INTERNAL_ERROR;
    case SfxStatus::kNotContainer:
    case SfxStatus::kCorrupt:
      break;
  }
  return IDS_NO_DATA;
}

std::string CRestorerSession::ManifestPath() const { return folder_ + texts::kManifestFileName; }
std::string CRestorerSession::TreePath() const { return folder_ + texts::kClassTreeFileName; }

void CRestorerSession::BuildTree(const std::string& computerName) {
  tree_ = CTickTree();
  const int root = tree_.Add(CTickTree::kNoItem, computerName);
  CProfileFile reader(platform_);
  reader.SetPath(TreePath().c_str());
  StringArray classes;
  reader.GetSectionNames(classes);
  for (const std::string& cls : classes) {
    const int classItem = tree_.Add(root, cls);
    StringArray lines;
    reader.GetSection(cls, lines);
    for (const std::string& line : lines) tree_.Add(classItem, line.substr(0, line.find('=')));
  }
}

int CRestorerSession::FirstDriver() const {
  const int root = tree_.Root();
  if (root == CTickTree::kNoItem || tree_.Children(root).empty()) return CTickTree::kNoItem;
  const auto& drivers = tree_.Children(tree_.Children(root).front());
  return drivers.empty() ? CTickTree::kNoItem : drivers.front();
}

DriverDetails CRestorerSession::DetailsOf(int item) {
  DriverDetails details;
  details.description = tree_.Text(item);
  CProfileFile manifest(platform_);
  manifest.SetPath(ManifestPath().c_str());
  const std::string& section = details.description;
  details.hardwareId = manifest.ReadValue(section, texts::kKeyHardwareId);
  details.inf = manifest.ReadValue(section, texts::kKeyInfName);
  details.provider = manifest.ReadValue(section, texts::kKeyProvider);
  details.date = manifest.ReadValue(section, texts::kKeyDate);
  details.version = manifest.ReadValue(section, texts::kKeyVersion);
  details.type = manifest.ReadValue(section, texts::kKeyClass);
  return details;
}

const char* CRestorerSession::StatusFor(int item) const {
  switch (tree_.Colour(item)) {
    case ItemColour::kInstalled: return kInstalled;
    case ItemColour::kPending: return kReadyToInstall;
    case ItemColour::kFailed: break;
  }
  return nullptr;
}

int CRestorerSession::InstallOne(int item, const DriverInstallFn& install) {
  CProfileFile manifest(platform_);
  manifest.SetPath(ManifestPath().c_str());
  const std::string hardwareId = manifest.ReadValue(tree_.Text(item), texts::kKeyHardwareId);
  const std::string inf = manifest.ReadValue(tree_.Text(item), texts::kKeyInfName);
  // Each driver's files lie in its own folder, as the backup run named them.
  const int result = install(folder_ + DriverFolderName(tree_.Text(item)) + "\\" + inf, hardwareId);
  tree_.SetColour(item, result == 0 || result == 1 ? ItemColour::kInstalled : ItemColour::kFailed);
  return result;
}

void CRestorerSession::Cleanup(std::vector<std::string>& failures) {
  if (unpacked_) {
    if (!platform_.files->Delete(ManifestPath())) failures.push_back(kDeleteTaskFileFailed);
    if (!platform_.files->Delete(TreePath())) failures.push_back(kDeleteTreeFileFailed);
  }
  if (!madeFolder_) return;
  // The driver files go with the folder; the installer has copied what it needs.
  RemoveSfxEntries(*platform_.files, folder_, records_);
  platform_.files->RemoveDir(folder_.substr(0, folder_.size() - 1));
  madeFolder_ = false;
}

}  // namespace pelorin
