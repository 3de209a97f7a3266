#pragma once
// The shell's folder picker: a window title, a prompt above the folder tree,
// and the chosen folder's full path. Also the platform's FolderPicker for the
// portable handlers.
#include <windows.h>

#include <string>

#include "controls/Wnd.h"
#include "platform/Shell.h"

namespace pelorin {

class CFolderBrowser : public FolderPicker {
 public:
  CFolderBrowser() = default;
  explicit CFolderBrowser(HWND owner) : owner_(owner) {}
  ~CFolderBrowser() override = default;

  void SetTitle(const std::string& title) { title_ = title; }
  void SetPrompt(const std::string& prompt) { prompt_ = prompt; }
  std::string GetPath() const { return path_; }
  int GetImageIndex() const { return imageIndex_; }

  // TRUE with the chosen folder's path in GetPath; FALSE when the user cancelled
  // or chose something without a file-system path (the path is then not used).
  BOOL Browse(CWnd* owner);

  // Enables the picker's OK button for the selected folder ("" when the
  // selection has no file-system path).
  virtual BOOL ValidateFolder(const std::string& path);

  // FolderPicker: one modal pick with the owner given at construction.
  bool Browse(const std::string& title, const std::string& prompt, std::string& path) override;

 private:
  static int CALLBACK BrowseCallback(HWND picker, UINT message, LPARAM param, LPARAM self);
  BOOL BrowseWithOwner(HWND owner);

  HWND owner_ = nullptr;
  std::string title_;
  std::string path_;
  std::string prompt_;
  int imageIndex_ = 0;
};

}  // namespace pelorin
