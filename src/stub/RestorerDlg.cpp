#include "stub/RestorerDlg.h"

#include <commctrl.h>

#include <string>

#include "backup/BackupTexts.h"
#include "restore/DriverInstaller.h"
#include "restore/RestoreTexts.h"
#include "stub/RestorerResource.h"
#include "stub/StubTexts.h"

namespace pelorin {

using namespace stubtexts;

namespace {

constexpr int kStateSize = 13;
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kGrey = RGB(192, 192, 192);
constexpr COLORREF kRed = RGB(255, 0, 0);

// Draws the state images: 0 unused, 1 unticked, 2 partly ticked, 3 ticked.
HIMAGELIST MakeStateImages() {
  HIMAGELIST list = ImageList_Create(kStateSize, kStateSize, ILC_COLOR24, 4, 0);
  const win32::WindowDc screen(nullptr);
  const win32::MemoryDcHandle dc(CreateCompatibleDC(screen.get()));
  for (int state = 0; state < 4; ++state) {
    const win32::BitmapHandle bitmap(CreateCompatibleBitmap(screen.get(), kStateSize, kStateSize));
    {
      const win32::SelectedObject selected(dc.get(), bitmap.get());
      RECT all = {0, 0, kStateSize, kStateSize};
      FillRect(dc.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
      if (state > 0) FrameRect(dc.get(), &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
      if (state == tick::kPartly) {
        RECT inner = {3, 3, kStateSize - 3, kStateSize - 3};
        const win32::BrushHandle grey(CreateSolidBrush(RGB(128, 128, 128)));
        FillRect(dc.get(), &inner, grey.get());
      } else if (state == tick::kTicked) {
        const win32::PenHandle pen(CreatePen(PS_SOLID, 2, RGB(0, 0, 0)));
        const win32::SelectedObject selectedPen(dc.get(), pen.get());
        MoveToEx(dc.get(), 3, 6, nullptr);
        LineTo(dc.get(), 5, 9);
        LineTo(dc.get(), 10, 3);
      }
    }
    ImageList_Add(list, bitmap.get(), nullptr);
  }
  return list;
}

// A small window shown while the container is unpacked.
class Splash {
 public:
  explicit Splash(HWND owner) {
    const int width = 260, height = 60;
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    hwnd_ = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, "STATIC", kSplash,
                            WS_POPUP | WS_BORDER | WS_VISIBLE | SS_CENTER | SS_CENTERIMAGE,
                            (work.left + work.right - width) / 2, (work.top + work.bottom - height) / 2, width,
                            height, owner, nullptr, nullptr, nullptr);
    if (hwnd_) {
      SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
      UpdateWindow(hwnd_);
    }
  }
  ~Splash() {
    if (hwnd_) DestroyWindow(hwnd_);
  }
  Splash(const Splash&) = delete;
  Splash& operator=(const Splash&) = delete;

 private:
  HWND hwnd_ = nullptr;
};

}  // namespace

CRestorerDlg::CRestorerDlg(HINSTANCE instance)
    : CDialog(IDD_RESTORER), instance_(instance), session_(platform_.Get()) {}

CRestorerDlg::~CRestorerDlg() = default;

BEGIN_MESSAGE_MAP(CRestorerDlg)
  ON_BN_CLICKED(IDC_RESTORE_START, OnStartRestore)
  ON_BN_CLICKED(IDC_RESTORE_EXIT, OnExit)
  ON_WM_SYSCOMMAND(OnSysCommand)
  ON_NOTIFY(NM_CLICK, IDC_DRIVER_TREE, OnTreeClick)
  ON_NOTIFY(TVN_SELCHANGEDA, IDC_DRIVER_TREE, OnTreeSelChanged)
  ON_NOTIFY(NM_CUSTOMDRAW, IDC_DRIVER_TREE, OnTreeCustomDraw)
END_MESSAGE_MAP()

bool CRestorerDlg::OnSysCommand(UINT id, LPARAM) {
  if ((id & 0xFFF0) != IDM_RESTORER_ABOUT) return false;
  MessageBoxA(m_hWnd, kWindowTitle, kWindowTitle, MB_OK | MB_ICONINFORMATION);
  return true;
}

BOOL CRestorerDlg::OnInitDialog() {
  platform_.SetOwnerWindow(m_hWnd);
  tree_ = GetDlgItem(IDC_DRIVER_TREE);
  if (HMENU menu = GetSystemMenu(m_hWnd, FALSE)) {
    ModifyMenuA(menu, SC_CLOSE, MF_BYCOMMAND | MF_GRAYED, SC_CLOSE, kMenuClose);
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, IDM_RESTORER_ABOUT, kMenuAbout);
  }
  HICON icon = LoadIconA(instance_, MAKEINTRESOURCEA(IDR_RESTORER_ICON));
  SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  nt_ = (GetVersion() & 0x80000000u) == 0;

  int message = 0;
  {
    Splash splash(m_hWnd);
    char self[MAX_PATH] = {};
    char temp[MAX_PATH] = {};
    const DWORD selfLength = GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::uint32_t tempLength = platform_.Get().files->TempPath(MAX_PATH, temp);
    if (selfLength == 0 || selfLength >= MAX_PATH || tempLength == 0 || tempLength >= MAX_PATH)
      message = IDS_INTERNAL_ERROR;
    else
      message = session_.Unpack(self, temp);
  }
  if (message != 0) {
    ShowStringMessage(message);
    std::vector<std::string> ignored;
    session_.Cleanup(ignored);
    EndDialog(IDCANCEL);
    return TRUE;
  }
  SetStatus(kUnpacked);
  SetStatus(kReadyToInstall);

  char computer[256] = {};
  DWORD computerLength = sizeof computer;
  if (!GetComputerNameA(computer, &computerLength)) computer[0] = '\0';
  session_.BuildTree(computer);
  FillTree();
  return TRUE;
}

void CRestorerDlg::ShowStringMessage(int id) {
  char text[256] = {};
  LoadStringA(instance_, static_cast<UINT>(id), text, sizeof text);
  platform_.Get().boxes->Show(text, kWindowTitle, MB_OK);
}

void CRestorerDlg::FillTree() {
  *states_.Receive() = MakeStateImages();
  TreeView_SetImageList(tree_, states_.get(), TVSIL_STATE);
  boldFont_.Create(tree_);
  CTickTree& tree = session_.Tree();
  items_.assign(tree.Size(), nullptr);
  for (int id = 0; id < tree.Size(); ++id) {
    TVINSERTSTRUCTA insert = {};
    insert.hParent = tree.Parent(id) == CTickTree::kNoItem ? TVI_ROOT : items_[tree.Parent(id)];
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_STATE;
    insert.item.pszText = const_cast<char*>(tree.Text(id).c_str());
    insert.item.lParam = id;
    insert.item.stateMask = TVIS_STATEIMAGEMASK | TVIS_BOLD;
    insert.item.state = INDEXTOSTATEIMAGEMASK(tree.State(id)) | (tree.Depth(id) < 2 ? TVIS_BOLD : 0);
    items_[id] = reinterpret_cast<HTREEITEM>(SendMessageA(tree_, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
  }
  if (!items_.empty()) TreeView_Expand(tree_, items_[0], TVE_EXPAND);
  const int first = session_.FirstDriver();
  if (first != CTickTree::kNoItem) TreeView_SelectItem(tree_, items_[first]);
}

void CRestorerDlg::RefreshStates() {
  CTickTree& tree = session_.Tree();
  for (int id = 0; id < tree.Size(); ++id)
    TreeView_SetItemState(tree_, items_[id], INDEXTOSTATEIMAGEMASK(tree.State(id)), TVIS_STATEIMAGEMASK);
  InvalidateRect(tree_, nullptr, TRUE);
}

LRESULT CRestorerDlg::OnTreeClick(NMHDR*) {
  const DWORD position = GetMessagePos();
  TVHITTESTINFO hit = {};
  hit.pt.x = static_cast<short>(LOWORD(position));
  hit.pt.y = static_cast<short>(HIWORD(position));
  ScreenToClient(tree_, &hit.pt);
  TreeView_HitTest(tree_, &hit);
  if (hit.hItem && (hit.flags & TVHT_ONITEMSTATEICON)) {
    TVITEMA item = {};
    item.mask = TVIF_PARAM;
    item.hItem = hit.hItem;
    SendMessageA(tree_, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    session_.Tree().Click(static_cast<int>(item.lParam));
    RefreshStates();
  }
  return 0;
}

LRESULT CRestorerDlg::OnTreeSelChanged(NMHDR* header) {
  auto* change = reinterpret_cast<NMTREEVIEWA*>(header);
  const int id = static_cast<int>(change->itemNew.lParam);
  if (change->itemNew.hItem && id >= 0 && id < session_.Tree().Size()) {
    ShowDetails(id);
    if (const char* status = session_.StatusFor(id)) SetStatus(status);
  }
  return 0;
}

LRESULT CRestorerDlg::OnTreeCustomDraw(NMHDR* header) {
  auto* draw = reinterpret_cast<NMTVCUSTOMDRAW*>(header);
  if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
  const int id = static_cast<int>(draw->nmcd.lItemlParam);
  if (draw->nmcd.dwDrawStage != CDDS_ITEMPREPAINT || id < 0 || id >= session_.Tree().Size()) return CDRF_DODEFAULT;
  const ItemColour colour = session_.Tree().Colour(id);
  draw->clrText = colour == ItemColour::kInstalled ? kGrey : colour == ItemColour::kFailed ? kRed : kBlue;
  return boldFont_.ItemPrepaint(draw->nmcd.hdc, session_.Tree().Depth(id) < 2);
}

void CRestorerDlg::ShowDetails(int item) {
  const DriverDetails d = session_.DetailsOf(item);
  SetDlgItemTextA(m_hWnd, IDC_DETAIL_DESC, d.description.c_str());
  SetDlgItemTextA(m_hWnd, IDC_DETAIL_TYPE, d.type.c_str());
  SetDlgItemTextA(m_hWnd, IDC_DETAIL_HWID, d.hardwareId.c_str());
  SetDlgItemTextA(m_hWnd, IDC_DETAIL_INF, d.inf.c_str());
  SetDlgItemTextA(m_hWnd, IDC_DETAIL_PROVIDER, d.provider.c_str());
  SetDlgItemTextA(m_hWnd, IDC_DETAIL_DATE, d.date.c_str());
  SetDlgItemTextA(m_hWnd, IDC_DETAIL_VERSION, d.version.c_str());
}

void CRestorerDlg::SetStatus(const char* text) { SetDlgItemTextA(m_hWnd, IDC_RESTORE_STATUS, text); }

void CRestorerDlg::OnStartRestore() {
  MessageBoxes& boxes = *platform_.Get().boxes;
  if (boxes.Show(kConfirmRestore, texts::kInformationCaption, mb::kYesNo | mb::kIconInformation) != mb::kIdYes) return;
  const std::vector<int> targets = session_.Tree().InstallTargets();
  if (targets.empty()) {
    boxes.Show(kNothingTicked, kWindowTitle, mb::kOk);
    return;
  }
  HWND start = GetDlgItem(IDC_RESTORE_START);
  CDriverInstaller installer(platform_.Get());
  for (int item : targets) {
    ::EnableWindow(start, FALSE);
    SetStatus(kInstalling);
    ShowDetails(item);
    const int result = session_.InstallOne(item, [&](const std::string& inf, const std::string& hardwareId) {
      return installer.InstallDriver(inf, hardwareId);
    });
    InvalidateRect(tree_, nullptr, TRUE);
    UpdateWindow(tree_);
    if (result != 0 && result != 1) boxes.Show(restoretexts::kInstallFailed, kWindowTitle, mb::kOk);
  }
  boxes.Show(kInstalled, kWindowTitle, mb::kOk);
  SetStatus(kInstalled);
  session_.FinishRestore();
  ::EnableWindow(start, TRUE);
}

void CRestorerDlg::OnExit() {
  std::vector<std::string> failures;
  session_.Cleanup(failures);
  for (const std::string& failure : failures) platform_.Get().boxes->Show(failure, kWindowTitle, mb::kOk);
  if (session_.Restored() &&
      platform_.Get().boxes->Show(kConfirmRestart, texts::kInformationCaption, mb::kYesNo | mb::kIconInformation) == mb::kIdYes)
    Restart();
  EndDialog(IDOK);
}

void CRestorerDlg::Restart() {
  MessageBoxes& boxes = *platform_.Get().boxes;
  if (nt_) {
    win32::KernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.Receive())) {
      boxes.Show(kOpenProcessTokenFailed, kWindowTitle, mb::kOk);
      return;
    }
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    LookupPrivilegeValueA(nullptr, kShutdownPrivilege, &privileges.Privileges[0].Luid);
    AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr);
    if (::GetLastError() != ERROR_SUCCESS) {
      boxes.Show(kNoShutdownRight, kWindowTitle, mb::kOk);
      return;
    }
  }
  if (!ExitWindowsEx(EWX_REBOOT, 0)) boxes.Show(kExitWindowsFailed, kWindowTitle, mb::kOk);
}

}  // namespace pelorin
