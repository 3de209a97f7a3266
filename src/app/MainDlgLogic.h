#pragma once
// The decisions of the main dialog's handlers, apart from its widgets.
#include <cstdint>
#include <string>
#include <vector>

#include "app/MainDlgView.h"
#include "app/ProgramState.h"
#include "backup/BackupHost.h"
#include "inventory/DriverRows.h"
#include "inventory/ListPresenter.h"
#include "platform/Platform.h"
#include "platform/Registry.h"
#include "platform/Shell.h"

namespace pelorin {

class MainDlgLogic {
 public:
  // All references must outlive the logic.
  MainDlgLogic(MainDlgView& view, DriverRows& rows, Registry& registry, FolderPicker& picker,
               ProgramState& state);

  // The services the restore reads the backup folder with (files, profile,
  // boxes); without them, and without the program's installer, Restore does
  // nothing.
  void SetRestorePlatform(const Platform* platform) { restorePlatform_ = platform; }

  // The values bound to check box 1012 and status static 1014, and the class
  // display name the last scan read.
  int SelectAllChecked() const { return list_.SelectAllChecked(); }
  const std::string& StatusText() const { return statusText_; }
  // A backup worker's status line (on the dialog's thread).
  void SetStatusText(const std::string& text) { statusText_ = text; }
  // The drivers a worker could not back up whole, for its incomplete result.
  void SetIncompleteDrivers(const IncompleteDrivers& drivers) { incomplete_ = drivers; }
  const std::string& CurrentClassName() const { return list_.CurrentClassName(); }

  // The portable steps of the dialog's initialisation: list set-up, combo
  // entries, hidden progress bar, start selections, start-up scan.
  void OnInitDialog();

  void OnSearchModeChanged();
  void OnSelectAll();
  void OnBackupTypeChanged();
  void OnBackup();
  void OnRestore();
  // The handler of WM_BACKUP_RESULT; always 0.
  std::intptr_t OnBackupResult(std::uintptr_t wParam, std::intptr_t lParam);
  // Exit, the close box, Escape (and Enter): ends the dialog, or, while a
  // backup runs, ends it as soon as the backup has finished.
  void OnCloseRequested(int result);
  // The worker thread of the last OnBackup has ended.
  void OnWorkerFinished();

  // ScanDrivers(mode) of the dialog: adds rows, sets the status text and
  // pushes the bound values.
  void ScanDrivers(ScanMode mode);

  // True while a backup worker runs; the rows' ticks must then stay as they are.
  bool WorkerRunning() const { return workerRunning_; }
  bool ClosePending() const { return closePending_; }

  // True for the system-menu command that opens the about box.
  static bool IsAboutCommand(unsigned commandId);

 private:
  void SetBusy(bool busy);
  void CloseIfDue();

  MainDlgView& view_;
  FolderPicker& picker_;
  ProgramState& state_;
  DriverRows& rows_;
  const Platform* restorePlatform_ = nullptr;
  ListPresenter list_;
  std::string statusText_;
  IncompleteDrivers incomplete_;

  bool workerRunning_ = false;
  bool closePending_ = false;
  int closeResult_ = 0;
  bool inResultBox_ = false;
};

}  // namespace pelorin
