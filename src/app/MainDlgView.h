#pragma once
// What the main dialog's logic needs of its window. The Win32 dialog implements
// it over its controls; the tests implement it in memory. Controls are named by
// their dialog ids (res/resource.h).
#include <cstdint>
#include <string>

#include "app/ProgramState.h"

namespace pelorin {

class MainDlgView {
 public:
  virtual ~MainDlgView() = default;

  // Combo boxes: entries are kept in the box's sorted order, so the index of an
  // entry is its sorted place. ComboSelection is -1 when nothing is selected.
  virtual void AddComboEntry(int comboId, const std::string& text) = 0;
  virtual void SelectComboEntry(int comboId, int index) = 0;
  virtual int ComboSelection(int comboId) = 0;

  virtual void ShowControl(int id, bool show) = 0;
  virtual void EnableControl(int id, bool enable) = 0;

  // The list's columns and styles (header texts, widths and styles are the
  // logic's constants).
  virtual void SetUpList() = 0;

  // Moves the bound values (the select-all flag to check box 1012, the status
  // text to static 1014) to the controls.
  virtual void PushBoundValues() = 0;

  // A modal box owned by the dialog; returns the button pressed.
  virtual int ShowMessage(const std::string& text, const char* caption, std::uint32_t type) = 0;

  // Starts the backup worker of `type` on its own thread and returns at once;
  // false when no thread could be started. The view reports the thread's end
  // with MainDlgLogic::OnWorkerFinished on the dialog's thread.
  virtual bool StartWorker(BackupType type) = 0;

  virtual void RunAboutBox() = 0;
  virtual void EndDialog(int result) = 0;
};

}  // namespace pelorin
