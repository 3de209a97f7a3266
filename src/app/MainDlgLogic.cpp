#include "app/MainDlgLogic.h"

#include <utility>

#include "app/MainDlgTexts.h"
#include "backup/BackupHost.h"
#include "backup/BackupTexts.h"
#include "backup/FolderBackup.h"
#include "res/resource.h"
#include "restore/RestoreHandler.h"

namespace pelorin {

namespace {

// Controls a backup run relies on staying put: a rescan or select-all would
// change the rows under the worker, a second backup or a restore would share
// the single destination, writer, status line and progress bar.
constexpr int kBusyLockedControls[] = {IDC_BACKUP, IDC_RESTORE, IDC_SEARCH_MODE, IDC_SELECT_ALL};

}  // namespace

MainDlgLogic::MainDlgLogic(MainDlgView& view, DriverRows& rows, Registry& registry, FolderPicker& picker,
                           ProgramState& state)
    : view_(view),
      picker_(picker),
      state_(state),
      rows_(rows),
      list_(rows, registry, state.DriverDescMaps, [this](const std::string& status) {
        statusText_ = status;
        view_.PushBoundValues();
      }) {}

void MainDlgLogic::OnInitDialog() {
  view_.SetUpList();
  view_.AddComboEntry(IDC_SEARCH_MODE, maindlg::kSearchAll);
  view_.AddComboEntry(IDC_SEARCH_MODE, maindlg::kSearchNotOnDisc);
  view_.AddComboEntry(IDC_BACKUP_TYPE, maindlg::kTypeSelfExtracting);
  view_.AddComboEntry(IDC_BACKUP_TYPE, maindlg::kTypeDefault);
  view_.ShowControl(IDC_PROGRESS, false);
  // Selecting by program sends no change notification: CurrentBackupType keeps
  // its start value (folder), which is what "默认" stands for.
  view_.SelectComboEntry(IDC_BACKUP_TYPE, 1);
  view_.SelectComboEntry(IDC_SEARCH_MODE, 1);
  ScanDrivers(ScanMode::NotOnSystemDisc);
}

void MainDlgLogic::ScanDrivers(ScanMode mode) { list_.Scan(mode); }

void MainDlgLogic::OnSearchModeChanged() {
  if (workerRunning_) return;
  list_.OnSearchModeChanged(view_.ComboSelection(IDC_SEARCH_MODE));
}

void MainDlgLogic::OnSelectAll() {
  if (workerRunning_) return;
  list_.OnSelectAll();
}

void MainDlgLogic::OnBackupTypeChanged() {
  const int index = view_.ComboSelection(IDC_BACKUP_TYPE);
  if (index == 0) {
    state_.CurrentBackupType = BackupType::SelfExtracting;
  } else if (index == 1) {
    state_.CurrentBackupType = BackupType::Folder;
  }
}

void MainDlgLogic::OnBackup() {
  if (workerRunning_ || closePending_) return;
  std::string path;
  if (!picker_.Browse(maindlg::kSaveToFolderTitle, maindlg::kChooseDestinationPrompt, path)) return;
  // Always one more "\", also after a drive root's own: the workers join
  // names straight onto it.
  state_.DestinationFolder = path + "\\";
  if (!view_.StartWorker(state_.CurrentBackupType)) return;
  SetBusy(true);
}

void MainDlgLogic::OnRestore() {
  if (workerRunning_ || closePending_) return;
  if (restorePlatform_ == nullptr || state_.Installer == nullptr) return;

  // The restore's view of the dialog: the bound status text and the list's rows.
  class DialogRestoreView : public RestoreView {
   public:
    explicit DialogRestoreView(MainDlgLogic& logic) : logic_(logic) {}
    void SetStatusText(const std::string& text) override {
      logic_.statusText_ = text;
      logic_.view_.PushBoundValues();
    }
    int DriverRowCount() override { return logic_.rows_.Count(); }

   private:
    MainDlgLogic& logic_;
  } view(*this);
  ::pelorin::OnRestore(*restorePlatform_, picker_, *state_.Installer, view);
}

std::intptr_t MainDlgLogic::OnBackupResult(std::uintptr_t wParam, std::intptr_t) {
  std::string text;
  std::uint32_t type = 0;
  if (wParam == static_cast<std::uintptr_t>(BackupResultNothingTicked)) {
    text = texts::kTickDrivers;
    type = mb::kOk | mb::kIconExclamation;
  } else if (wParam == static_cast<std::uintptr_t>(BackupResultDone)) {
    text = texts::kBackupDone;
    type = mb::kOk | mb::kIconInformation;
  } else if (wParam == static_cast<std::uintptr_t>(BackupResultIncomplete)) {
    // A run that lost files must not read as a success.
    text = IncompleteBackupText(incomplete_);
    type = IncompleteBackupBoxType;
  } else {
    return 0;
  }
  inResultBox_ = true;
  view_.ShowMessage(text, texts::kInformationCaption, type);
  inResultBox_ = false;
  CloseIfDue();
  return 0;
}

void MainDlgLogic::OnCloseRequested(int result) {
  if (!workerRunning_) {
    view_.EndDialog(result);
    return;
  }
  // The worker uses the dialog until its end; closing now would pull the
  // controls from under it and end the process with the backup half written.
  closePending_ = true;
  closeResult_ = result;
  view_.EnableControl(maindlg::kExitButton, false);
}

void MainDlgLogic::OnWorkerFinished() {
  SetBusy(false);
  CloseIfDue();
}

void MainDlgLogic::SetBusy(bool busy) {
  workerRunning_ = busy;
  for (int id : kBusyLockedControls) view_.EnableControl(id, !busy);
}

void MainDlgLogic::CloseIfDue() {
  // The result box of the finished run is answered first, so the user learns
  // how the backup went before the window goes.
  if (closePending_ && !workerRunning_ && !inResultBox_) view_.EndDialog(closeResult_);
}

bool MainDlgLogic::IsAboutCommand(unsigned commandId) {
  return (commandId & maindlg::kSysCommandMask) == maindlg::kAboutCommand;
}

}  // namespace pelorin
