#pragma once
// The main dialog (template 102): owns the windows and forwards every
// decision to MainDlgLogic.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "controls/Dialog.h"
#include "app/ListCtrlRows.h"
#include "app/MainDlgLogic.h"
#include "app/MainDlgView.h"
#include "sfx/SfxWriter.h"
#include "controls/PercentProgressCtrl.h"
#include "platform/Platform.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Win32Platform.h"

namespace pelorin {

// Runs a call on the dialog's thread (lParam: std::function<void()>*).
constexpr UINT WM_RUN_ON_UI_THREAD = WM_USER + 102;
// Posted by a worker thread as its last act.
constexpr UINT WM_WORKER_FINISHED = WM_USER + 103;

class CMainDlg : public CDialog, private MainDlgView, private FolderPicker {
 public:
  // `platform` and `state` must outlive the dialog.
  CMainDlg(win32::Win32Platform& platform, ProgramState& state, CWnd* parent = nullptr);
  ~CMainDlg() override;

  // For the workers (any thread).
  const Platform& GetPlatform() const { return platform_.Get(); }
  ProgramState& State() { return state_; }
  DriverRows& Rows() { return rows_; }
  CPercentProgressCtrl& Progress() { return progress_; }
  // Runs `call` on the dialog's thread and returns when it is done.
  void RunOnUiThread(const std::function<void()>& call);
  CSfxWriter& SfxWriter() { return sfxWriter_; }
  // The worker's status line (StatusText and static 1014); dialog thread only.
  void SetStatusFromWorker(const std::string& text);
  // Dialog thread only.
  void SetIncompleteDrivers(const IncompleteDrivers& drivers) {
    logic_.SetIncompleteDrivers(drivers);
  }

 protected:
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* dx) override;
  void OnOK() override;
  void OnCancel() override;

 private:
  DECLARE_MESSAGE_MAP(CMainDlg)

  bool OnSysCommand(UINT id, LPARAM lParam);
  bool OnPaint();
  HCURSOR OnQueryDragIcon();
  void OnSearchModeChanged() { logic_.OnSearchModeChanged(); }
  void OnRestore() { logic_.OnRestore(); }
  void OnSelectAll() { logic_.OnSelectAll(); }
  void OnBackup() { logic_.OnBackup(); }
  LRESULT OnBackupResult(WPARAM wParam, LPARAM lParam);
  void OnBackupTypeChanged() { logic_.OnBackupTypeChanged(); }
  void OnAboutButton();
  LRESULT OnRunOnUiThread(WPARAM wParam, LPARAM lParam);
  LRESULT OnWorkerFinished(WPARAM wParam, LPARAM lParam);
  LRESULT OnListItemChanging(NMHDR* header);

  // MainDlgView
  void AddComboEntry(int comboId, const std::string& text) override;
  void SelectComboEntry(int comboId, int index) override;
  int ComboSelection(int comboId) override;
  void ShowControl(int id, bool show) override;
  void EnableControl(int id, bool enable) override;
  void SetUpList() override;
  void PushBoundValues() override;
  int ShowMessage(const std::string& text, const char* caption, std::uint32_t type) override;
  bool StartWorker(BackupType type) override;
  void RunAboutBox() override;
  void EndDialog(int result) override;

  // FolderPicker: a CFolderBrowser owned by the dialog.
  bool Browse(const std::string& title, const std::string& prompt, std::string& path) override;

  win32::Win32Platform& platform_;
  ProgramState& state_;
  CSfxWriter sfxWriter_;
  CWnd backupType_;
  CWnd exit_;
  CWnd restore_;
  CWnd backup_;
  CPercentProgressCtrl progress_;
  CWnd searchMode_;
  CWnd list_;
  ListCtrlRows rows_;
  MainDlgLogic logic_;
  HICON icon_;
  win32::KernelHandle worker_;
};

}  // namespace pelorin
