#include "controls/FolderBrowser.h"

#include <shlobj.h>

#include "platform/win32/Handles.h"

namespace pelorin {

BOOL CFolderBrowser::Browse(CWnd* owner) { return BrowseWithOwner(owner ? owner->m_hWnd : nullptr); }

bool CFolderBrowser::Browse(const std::string& title, const std::string& prompt, std::string& path) {
  SetTitle(title);
  SetPrompt(prompt);
  if (!BrowseWithOwner(owner_)) return false;
  path = GetPath();
  return true;
}

BOOL CFolderBrowser::BrowseWithOwner(HWND owner) {
  char buffer[MAX_PATH] = {};
  BROWSEINFOA info = {};
  info.hwndOwner = owner;
  info.pidlRoot = nullptr;
  info.pszDisplayName = buffer;
  info.lpszTitle = prompt_.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS;
  info.lpfn = BrowseCallback;
  info.lParam = reinterpret_cast<LPARAM>(this);

  // The list comes from the task allocator, the shell's own since Windows 2000.
  const win32::ItemIdListHandle list(SHBrowseForFolderA(&info));
  if (!list) return FALSE;
  imageIndex_ = info.iImage;
  if (!SHGetPathFromIDListA(list.get(), buffer)) return FALSE;
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
