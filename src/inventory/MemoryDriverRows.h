#pragma once
// The inventory's rows held in memory: the command-line edition's list and the
// tests' stand-in for the dialog's list control.
#include <mutex>
#include <deque>

#include "inventory/DriverRows.h"

namespace pelorin {

class MemoryDriverRows : public DriverRows {
 public:
  void InsertTop(const DriverRecord& record) override;
  void DeleteAll() override;
  int Count() override;
  bool IsTicked(int row) override;
  std::string Text(int row, DriverColumn column) override;
  void SetTicked(int row, bool ticked) override;

 private:
  struct Row {
    std::string cells[kDriverColumnCount];
    bool ticked = false;
  };
  // Rows may be read by a worker thread while the owner changes them, as the
  // dialog's list allows; each call sees a whole row.
  std::mutex mutex_;
  // A deque: every scan inserts at the top, which a vector makes quadratic.
  std::deque<Row> rows_;  // index 0 = top
};

}  // namespace pelorin
