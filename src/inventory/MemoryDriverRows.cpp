#include "inventory/MemoryDriverRows.h"

namespace pelorin {

void MemoryDriverRows::InsertTop(const DriverRecord& record) {
  Row row;
  row.cells[static_cast<int>(DriverColumn::Desc)] = record.DriverDesc;
  row.cells[static_cast<int>(DriverColumn::Class)] = record.ClassName;
  row.cells[static_cast<int>(DriverColumn::Provider)] = record.ProviderName;
  row.cells[static_cast<int>(DriverColumn::Date)] = record.DriverDate;
  row.cells[static_cast<int>(DriverColumn::Version)] = record.DriverVersion;
  row.cells[static_cast<int>(DriverColumn::InfPath)] = record.InfPath;
  row.cells[static_cast<int>(DriverColumn::MatchingDeviceId)] = record.MatchingDeviceId;
  std::lock_guard<std::mutex> lock(mutex_);
  rows_.insert(rows_.begin(), std::move(row));
}

void MemoryDriverRows::DeleteAll() {
  std::lock_guard<std::mutex> lock(mutex_);
  rows_.clear();
}

int MemoryDriverRows::Count() {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<int>(rows_.size());
}

bool MemoryDriverRows::IsTicked(int row) {
  std::lock_guard<std::mutex> lock(mutex_);
  return row >= 0 && row < static_cast<int>(rows_.size()) && rows_[row].ticked;
}

std::string MemoryDriverRows::Text(int row, DriverColumn column) {
  const int c = static_cast<int>(column);
  std::lock_guard<std::mutex> lock(mutex_);
  // An index out of range reads as an empty cell, as the list control answers.
  if (row < 0 || row >= static_cast<int>(rows_.size()) || c < 0 || c >= kDriverColumnCount) return {};
  return rows_[row].cells[c];
}

void MemoryDriverRows::SetTicked(int row, bool ticked) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (row >= 0 && row < static_cast<int>(rows_.size())) rows_[row].ticked = ticked;
}

}  // namespace pelorin
