#include "app/MainDlg.h"

#include <commctrl.h>
#include <process.h>

#include "app/AboutDlg.h"
#include "app/BackupWorkers.h"
#include "app/MainDlgTexts.h"
#include "controls/FolderBrowser.h"
#include "inventory/ListPresenter.h"
#include "res/resource.h"

namespace pelorin {

namespace {

struct WorkerStart {
  UINT (*procedure)(LPVOID);
  CMainDlg* dialog;
  HWND window;
};

// Runs a worker procedure and tells the dialog that its thread is done. The
// dialog stays open until this arrives, so the procedure may use it throughout.
unsigned __stdcall WorkerThread(void* param) {
  WorkerStart start = *static_cast<WorkerStart*>(param);
  delete static_cast<WorkerStart*>(param);
  start.procedure(start.dialog);
  PostMessageA(start.window, WM_WORKER_FINISHED, 0, 0);
  return 0;
}

}  // namespace

BEGIN_MESSAGE_MAP(CMainDlg)
  ON_WM_SYSCOMMAND(OnSysCommand)
  ON_WM_PAINT(OnPaint)
  ON_WM_QUERYDRAGICON(OnQueryDragIcon)
  ON_CBN_SELCHANGE(IDC_SEARCH_MODE, OnSearchModeChanged)
  ON_BN_CLICKED(IDC_RESTORE, OnRestore)
  ON_BN_CLICKED(IDC_SELECT_ALL, OnSelectAll)
  ON_BN_CLICKED(IDC_BACKUP, OnBackup)
  ON_MESSAGE(WM_BACKUP_RESULT, OnBackupResult)
  ON_CBN_SELCHANGE(IDC_BACKUP_TYPE, OnBackupTypeChanged)
  ON_BN_CLICKED(IDC_ABOUT, OnAboutButton)
  ON_MESSAGE(WM_RUN_ON_UI_THREAD, OnRunOnUiThread)
  ON_MESSAGE(WM_WORKER_FINISHED, OnWorkerFinished)
  ON_NOTIFY(LVN_ITEMCHANGING, IDC_DRIVER_LIST, OnListItemChanging)
END_MESSAGE_MAP()

CMainDlg::CMainDlg(win32::Win32Platform& platform, ProgramState& state, CWnd* parent)
    : CDialog(IDD_MAIN, parent),
      platform_(platform),
      state_(state),
      sfxWriter_(platform.Get()),
      rows_(list_),
      logic_(*this, rows_, *platform.Get().registry, *this, state),
      icon_(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME))) {
  logic_.SetRestorePlatform(&platform.Get());
}

CMainDlg::~CMainDlg() {
  // A worker never outlives the dialog's window (the close waits for it); the
  // handle is only left when the window was torn down some other way.
  if (worker_) WaitForSingleObject(worker_.get(), INFINITE);
  platform_.SetOwnerWindow(nullptr);
}

void CMainDlg::DoDataExchange(CDataExchange* dx) {
  CDialog::DoDataExchange(dx);
  DDX_Control(dx, IDC_BACKUP_TYPE, backupType_);
  DDX_Control(dx, IDCANCEL, exit_);
  DDX_Control(dx, IDC_RESTORE, restore_);
  DDX_Control(dx, IDC_BACKUP, backup_);
  DDX_Control(dx, IDC_PROGRESS, progress_);
  DDX_Control(dx, IDC_SEARCH_MODE, searchMode_);
  DDX_Control(dx, IDC_DRIVER_LIST, list_);
  // The bound values only ever go to the controls; nothing reads them back.
  int selectAll = logic_.SelectAllChecked();
  DDX_Check(dx, IDC_SELECT_ALL, selectAll);
  std::string status = logic_.StatusText();
  DDX_Text(dx, IDC_STATUS, status);
}

BOOL CMainDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  platform_.SetOwnerWindow(m_hWnd);

  if (HMENU menu = GetSystemMenu(m_hWnd, FALSE)) {
    char text[256] = {};
    if (LoadStringA(GetModuleHandleA(nullptr), IDS_ABOUTBOX, text, sizeof text) > 0) {
      AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
      AppendMenuA(menu, MF_STRING, IDM_ABOUTBOX, text);
    }
  }
  Send(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  Send(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));

  logic_.OnInitDialog();
  return TRUE;
}

void CMainDlg::OnOK() {
  // Enter ends the dialog as the close box does, by the same guarded way.
  logic_.OnCloseRequested(IDOK);
}

void CMainDlg::OnCancel() { logic_.OnCloseRequested(IDCANCEL); }

bool CMainDlg::OnSysCommand(UINT id, LPARAM) {
  if (!MainDlgLogic::IsAboutCommand(id)) return false;
  RunAboutBox();
  return true;
}

bool CMainDlg::OnPaint() {
  if (!IsIconic()) return false;
  const win32::PaintDc paint(m_hWnd);
  Send(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(paint.get()), 0);
  const int iconWidth = GetSystemMetrics(SM_CXICON);
  const int iconHeight = GetSystemMetrics(SM_CYICON);
  RECT rect;
  GetClientRect(&rect);
  const int x = (rect.right - rect.left - iconWidth + 1) / 2;
  const int y = (rect.bottom - rect.top - iconHeight + 1) / 2;
  DrawIcon(paint.get(), x, y, icon_);
  return true;
}

HCURSOR CMainDlg::OnQueryDragIcon() { return static_cast<HCURSOR>(icon_); }

LRESULT CMainDlg::OnBackupResult(WPARAM wParam, LPARAM lParam) {
  return logic_.OnBackupResult(wParam, lParam);
}

void CMainDlg::OnAboutButton() { RunAboutBox(); }

LRESULT CMainDlg::OnRunOnUiThread(WPARAM, LPARAM lParam) {
  (*reinterpret_cast<const std::function<void()>*>(lParam))();
  return 0;
}

LRESULT CMainDlg::OnWorkerFinished(WPARAM, LPARAM) {
  if (worker_) {
    // The thread posted this as its last act; it is ending now.
    WaitForSingleObject(worker_.get(), INFINITE);
    worker_ = win32::KernelHandle();
  }
  logic_.OnWorkerFinished();
  return 0;
}

LRESULT CMainDlg::OnListItemChanging(NMHDR* header) {
  // While a worker reads the ticks, a click on a row's check box is refused.
  const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
  if (!logic_.WorkerRunning() || !(change->uChanged & LVIF_STATE)) return FALSE;
  return ((change->uNewState ^ change->uOldState) & LVIS_STATEIMAGEMASK) ? TRUE : FALSE;
}

void CMainDlg::RunOnUiThread(const std::function<void()>& call) {
  SendMessageA(m_hWnd, WM_RUN_ON_UI_THREAD, 0, reinterpret_cast<LPARAM>(&call));
}

void CMainDlg::SetStatusFromWorker(const std::string& text) {
  logic_.SetStatusText(text);
  SetDlgItemTextA(m_hWnd, IDC_STATUS, text.c_str());
}

void CMainDlg::AddComboEntry(int comboId, const std::string& text) {
  SendDlgItemMessageA(m_hWnd, comboId, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void CMainDlg::SelectComboEntry(int comboId, int index) {
  SendDlgItemMessageA(m_hWnd, comboId, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int CMainDlg::ComboSelection(int comboId) {
  return static_cast<int>(SendDlgItemMessageA(m_hWnd, comboId, CB_GETCURSEL, 0, 0));
}

void CMainDlg::ShowControl(int id, bool show) {
  if (id == IDC_PROGRESS) {
    progress_.ShowWindow(show ? SW_SHOW : SW_HIDE);
  } else {
    ::ShowWindow(GetDlgItem(id), show ? SW_SHOW : SW_HIDE);
  }
}

void CMainDlg::EnableControl(int id, bool enable) { ::EnableWindow(GetDlgItem(id), enable ? TRUE : FALSE); }

void CMainDlg::SetUpList() {
  int index = 0;
  for (const auto& column : kListColumns) {  // all centred
    LVCOLUMNA lvc = {};
    lvc.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    lvc.fmt = LVCFMT_CENTER;
    lvc.cx = column.width;
    lvc.pszText = const_cast<char*>(column.header);
    lvc.iSubItem = index;
    list_.Send(LVM_INSERTCOLUMNA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&lvc));
    ++index;
  }
  const LONG_PTR style = GetWindowLongPtrA(list_.m_hWnd, GWL_STYLE);
  SetWindowLongPtrA(list_.m_hWnd, GWL_STYLE, style | LVS_REPORT);
  list_.Send(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, maindlg::kListExtendedStyle);
}

void CMainDlg::PushBoundValues() { UpdateData(FALSE); }

int CMainDlg::ShowMessage(const std::string& text, const char* caption, std::uint32_t type) {
  return GetPlatform().boxes->Show(text, caption, type);
}

bool CMainDlg::StartWorker(BackupType type) {
  if (worker_) return false;
  auto* start = new WorkerStart{type == BackupType::SelfExtracting ? BackupToSfxProc : BackupToFolderProc, this,
                                m_hWnd};
  const uintptr_t thread = _beginthreadex(nullptr, 0, WorkerThread, start, 0, nullptr);
  if (thread == 0) {
    delete start;
    return false;
  }
  *worker_.Receive() = reinterpret_cast<HANDLE>(thread);
  return true;
}

void CMainDlg::RunAboutBox() {
  CAboutDlg about(this);
  about.DoModal();
}

void CMainDlg::EndDialog(int result) { CDialog::EndDialog(result); }

bool CMainDlg::Browse(const std::string& title, const std::string& prompt, std::string& path) {
  CFolderBrowser browser(m_hWnd);
  return browser.Browse(title, prompt, path);
}

}  // namespace pelorin
