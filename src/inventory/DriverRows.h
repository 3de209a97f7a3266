#pragma once
// The inventory's row operations: the rows of the check-box list (list control
// 1000 in the dialog, an in-memory list in the command-line edition and tests).
// Readers ask the count afresh on every pass and address cells by DriverColumn.
#include <string>

#include "inventory/DriverRecord.h"

namespace pelorin {

class DriverRows {
 public:
  virtual ~DriverRows() = default;

  // Inserts an unticked row at index 0: text DriverDesc, then the sub-items of
  // columns 1 to 6.
  virtual void InsertTop(const DriverRecord& record) = 0;
  virtual void DeleteAll() = 0;
  virtual int Count() = 0;
  virtual bool IsTicked(int row) = 0;
  virtual std::string Text(int row, DriverColumn column) = 0;
  virtual void SetTicked(int row, bool ticked) = 0;
};

}  // namespace pelorin
