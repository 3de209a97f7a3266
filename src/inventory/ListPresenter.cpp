#include "inventory/ListPresenter.h"

#include <utility>

namespace pelorin {

ListPresenter::ListPresenter(DriverRows& rows, Registry& registry, DriverScanMaps& maps,
                             StatusSink status)
    : rows_(rows), registry_(registry), maps_(maps), status_(std::move(status)) {}

ScanResult ListPresenter::Scan(ScanMode mode) {
  ScanResult result = ScanDrivers(registry_, mode, maps_.For(mode), rows_);
  currentClassName_ = result.currentClassName;
  if (status_) status_(FoundDriversText(result.added));
  return result;
}

void ListPresenter::OnSelectAll() {
  selectAllChecked_ = selectAllChecked_ == 0 ? 1 : 0;
  for (int i = 0; i < rows_.Count(); ++i) rows_.SetTicked(i, selectAllChecked_ == 1);
}

void ListPresenter::OnSearchModeChanged(int comboIndex) {
  rows_.DeleteAll();
  if (comboIndex == static_cast<int>(ScanMode::AllBackupable)) {
    Scan(ScanMode::AllBackupable);
  } else if (comboIndex == static_cast<int>(ScanMode::NotOnSystemDisc)) {
    Scan(ScanMode::NotOnSystemDisc);
  } else {
    return;
  }
  if (selectAllChecked_ == 1)
    for (int i = 0; i < rows_.Count(); ++i) rows_.SetTicked(i, true);
}

}  // namespace pelorin
