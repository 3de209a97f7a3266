#include "restore/RestoreHandler.h"

#include "backup/BackupTexts.h"
#include "backup/ProfileFile.h"
#include "backup/RestorerChoice.h"
#include "inventory/DriverScan.h"
#include "platform/Mbcs.h"
#include "restore/RestoreTexts.h"

namespace pelorin {

namespace {

using namespace restoretexts;

// `pattern` with its first `placeholder` replaced by `value`; the value is not
// itself a format, so a "%" in a folder name stays as it is.
std::string Substitute(const std::string& pattern, const char* placeholder, const std::string& value) {
  std::string text = pattern;
  const std::size_t pos = text.find(placeholder);
  if (pos != std::string::npos) text.replace(pos, std::char_traits<char>::length(placeholder), value);
  return text;
}

void ShowStatusRowCount(RestoreView& view) {
  view.SetStatusText(FoundDriversText(view.DriverRowCount()));
}

}  // namespace

void OnRestore(const Platform& platform, FolderPicker& picker, CDriverInstaller& installer, RestoreView& view) {
  if (CannotInstallHere(platform.system)) {
    platform.boxes->Show(kNeeds64BitProgram, nullptr, mb::kOk | mb::kIconExclamation);
    return;
  }
  std::string folder;
  if (!picker.Browse(kPickerTitle, kPickerPrompt, folder)) return;

  const std::string manifest = folder + "\\" + texts::kManifestFileName;
  {
    FindEntry entry;
    if (!platform.files->FindFirst(manifest, entry)) {
      platform.boxes->Show(Substitute(kNoBackupInFolder, "%s", folder), nullptr, mb::kOk);
      return;
    }
  }

  view.SetStatusText(std::string(kStatusRestoring) + mbcs::AfterLastBackslash(folder));

  CProfileFile profile(platform);
  profile.SetPath(manifest.c_str());
  StringArray sections;
  profile.GetSectionNames(sections);
  if (sections.empty()) {
    // A manifest without any section describes no driver: the folder holds no
    // usable backup, which is what the not-found message says.
    platform.boxes->Show(Substitute(kNoBackupInFolder, "%s", folder), nullptr, mb::kOk);
    ShowStatusRowCount(view);
    return;
  }
  const std::string& driverSection = sections.front();
  const std::string hardwareId = profile.ReadValue(driverSection, texts::kKeyHardwareId);
  const std::string infPath = folder + "\\" + profile.ReadValue(driverSection, texts::kKeyInfName);

  const int result = installer.InstallDriver(infPath, hardwareId);
  platform.boxes->Show(result == install::kFailed ? kInstallFailed : kInstallSucceeded, nullptr, mb::kOk);

  ShowStatusRowCount(view);
}

}  // namespace pelorin
