#pragma once
// What the main dialog does with the driver list when the user clicks "全选" or
// picks another search mode, apart from the widgets: the dialog forwards its two
// handlers here and shows the status text it is handed.
//
//   DriverScanMaps maps;            // program-wide, one map per search mode
//   ListPresenter list(rows, registry, maps, [&](const std::string& status) {
//     statusText = status;          // then push the bound values (UpdateData(FALSE))
//   });
//   list.Scan(ScanMode::NotOnSystemDisc);      // start-up scan
//   list.OnSearchModeChanged(combo.GetCurSel());
//   list.OnSelectAll();
#include <functional>
#include <string>

#include "inventory/DriverScan.h"
#include "inventory/InventoryTexts.h"

namespace pelorin {

// The list's columns in DriverColumn order: header text and width in pixels.
struct ListColumnLayout {
  const char* header;
  int width;
};
constexpr ListColumnLayout kListColumns[kDriverColumnCount] = {
    {inventorytexts::kColumnHeaders[0], 200}, {inventorytexts::kColumnHeaders[1], 122},
    {inventorytexts::kColumnHeaders[2], 105}, {inventorytexts::kColumnHeaders[3], 73},
    {inventorytexts::kColumnHeaders[4], 100}, {inventorytexts::kColumnHeaders[5], 70},
    {inventorytexts::kColumnHeaders[6], 70},
};

// The two program-wide description maps; a scan uses only the one of its mode.
struct DriverScanMaps {
  DriverDescMap allBackupable;
  DriverDescMap notOnSystemDisc;

  DriverDescMap& For(ScanMode mode) {
    return mode == ScanMode::AllBackupable ? allBackupable : notOnSystemDisc;
  }
};

class ListPresenter {
 public:
  // Called after every scan with "共找到N个驱动" (GBK); the dialog stores it in its
  // status text and pushes its bound values, select-all flag included.
  using StatusSink = std::function<void(const std::string& statusText)>;

  // All references must outlive the presenter.
  ListPresenter(DriverRows& rows, Registry& registry, DriverScanMaps& maps, StatusSink status);

  // Adds the rows of a scan in `mode` (the list is not emptied) and reports the status.
  ScanResult Scan(ScanMode mode);

  // "全选" clicked: flips the flag and ticks or unticks every row, the count asked
  // afresh on each pass.
  void OnSelectAll();

  // Search-mode combo changed to `comboIndex` (0 = all backupable, 1 = not on the
  // system disc, anything else = no selection): empties the list, scans in that mode
  // and ticks every new row when select-all is on. With no selection the list stays
  // empty and no status is reported.
  void OnSearchModeChanged(int comboIndex);

  // The flag shown in the "全选" box (0 or 1, initially 0).
  int SelectAllChecked() const { return selectAllChecked_; }
  // The display name of the last class key the last scan read.
  const std::string& CurrentClassName() const { return currentClassName_; }

 private:
  DriverRows& rows_;
  Registry& registry_;
  DriverScanMaps& maps_;
  StatusSink status_;
  int selectAllChecked_ = 0;
  std::string currentClassName_;
};

}  // namespace pelorin
