#pragma once
// The inventory's rows over the dialog's list control. Every call is a
// message to the list, so a worker thread's call is answered by the
// user-interface thread that owns the list, one whole call at a time.
#include <windows.h>

#include "controls/Wnd.h"
#include "inventory/DriverRows.h"

namespace pelorin {

class ListCtrlRows : public DriverRows {
 public:
  // `list` is bound to its window before the first call.
  explicit ListCtrlRows(CWnd& list) : list_(list) {}

  void InsertTop(const DriverRecord& record) override;
  void DeleteAll() override;
  int Count() override;
  bool IsTicked(int row) override;
  std::string Text(int row, DriverColumn column) override;
  void SetTicked(int row, bool ticked) override;

 private:
  CWnd& list_;
};

}  // namespace pelorin
