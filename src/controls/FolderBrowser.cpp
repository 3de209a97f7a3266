#include "controls/FolderBrowser.h"

#include <shlobj.h>

namespace pelorin {

namespace {

// The shell's allocator, released on every path.
class ShellMalloc {
 public:
  ShellMalloc() {
    if (FAILED(SHGetMalloc(&malloc_))) malloc_ = nullptr;
  }
  ~ShellMalloc() {
    if (malloc_) malloc_->Release();
  }
  ShellMalloc(const ShellMalloc&) = delete;
  ShellMalloc& operator=(const ShellMalloc&) = delete;
  IMalloc* get() const { return malloc_; }

 private:
  IMalloc* malloc_ = nullptr;
};

}  // namespace

BOOL CFolderBrowser::Browse(CWnd* owner) { return BrowseWithOwner(owner ? owner->m_hWnd : nullptr); }

bool CFolderBrowser::Browse(const std::string& title, const std::string& prompt, std::string& path) {
  SetTitle(title);
  SetPrompt(prompt);
  if (!BrowseWithOwner(owner_)) return false;
  path = GetPath();
  return true;
}

BOOL CFolderBrowser::BrowseWithOwner(HWND owner) {
  ShellMalloc malloc;
  if (!malloc.get()) return FALSE;

  char buffer[MAX_PATH] = {};
  BROWSEINFOA info = {};
  info.hwndOwner = owner;
  info.pidlRoot = nullptr;
  info.pszDisplayName = buffer;
  info.lpszTitle = prompt_.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS;
  info.lpfn = BrowseCallback;
  info.lParam = reinterpret_cast<LPARAM>(this);

  LPITEMIDLIST list = SHBrowseForFolderA(&info);
  if (!list) return FALSE;
  imageIndex_ = info.iImage;
  const BOOL ok = SHGetPathFromIDListA(list, buffer);
  malloc.get()->Free(list);
  if (!ok) return FALSE;
  path_ = buffer;
  return TRUE;
}

BOOL CFolderBrowser::ValidateFolder(const std::string&) { return TRUE; }

int CALLBACK CFolderBrowser::BrowseCallback(HWND picker, UINT message, LPARAM param, LPARAM self) {
  auto* browser = reinterpret_cast<CFolderBrowser*>(self);
  switch (message) {
    case BFFM_INITIALIZED:
      if (!browser->title_.empty()) SetWindowTextA(picker, browser->title_.c_str());
      break;
    case BFFM_SELCHANGED: {
      char path[MAX_PATH] = {};
      if (!SHGetPathFromIDListA(reinterpret_cast<LPCITEMIDLIST>(param), path)) path[0] = '\0';
      SendMessageA(picker, BFFM_ENABLEOK, 0, browser->ValidateFolder(path));
      break;
    }
    default:
      break;
  }
  return 0;
}

}  // namespace pelorin
