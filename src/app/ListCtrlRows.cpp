#include "app/ListCtrlRows.h"

#include <commctrl.h>

#include <vector>

namespace pelorin {

namespace {

// The state image of a check-box list: 1 unticked, 2 ticked.
constexpr UINT kUnticked = INDEXTOSTATEIMAGEMASK(1);
constexpr UINT kTicked = INDEXTOSTATEIMAGEMASK(2);
// Registry values hold at most 199 bytes; the bound only stops a runaway loop.
constexpr std::size_t kMaxText = 1u << 20;

void SetCell(CWnd& list, int row, int subItem, const std::string& text) {
  LVITEMA item = {};
  item.iSubItem = subItem;
  item.pszText = const_cast<char*>(text.c_str());
  list.Send(LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

}  // namespace

void ListCtrlRows::InsertTop(const DriverRecord& record) {
  LVITEMA item = {};
  item.mask = LVIF_TEXT;
  item.iItem = 0;
  item.pszText = const_cast<char*>(record.DriverDesc.c_str());
  const int row = static_cast<int>(list_.Send(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
  if (row < 0) return;
  SetCell(list_, row, static_cast<int>(DriverColumn::Class), record.ClassName);
  SetCell(list_, row, static_cast<int>(DriverColumn::Provider), record.ProviderName);
  SetCell(list_, row, static_cast<int>(DriverColumn::Date), record.DriverDate);
  SetCell(list_, row, static_cast<int>(DriverColumn::Version), record.DriverVersion);
  SetCell(list_, row, static_cast<int>(DriverColumn::InfPath), record.InfPath);
  SetCell(list_, row, static_cast<int>(DriverColumn::MatchingDeviceId), record.MatchingDeviceId);
}

void ListCtrlRows::DeleteAll() { list_.Send(LVM_DELETEALLITEMS); }

int ListCtrlRows::Count() { return static_cast<int>(list_.Send(LVM_GETITEMCOUNT)); }

bool ListCtrlRows::IsTicked(int row) {
  const UINT state = static_cast<UINT>(list_.Send(LVM_GETITEMSTATE, static_cast<WPARAM>(row),
                                                         LVIS_STATEIMAGEMASK));
  return (state & LVIS_STATEIMAGEMASK) == kTicked;
}

std::string ListCtrlRows::Text(int row, DriverColumn column) {
  // The list reports the length it copied; a text that fills the buffer may
  // be longer, so the buffer grows until it does not.
  std::vector<char> buffer(256);
  for (;;) {
    LVITEMA item = {};
    item.iSubItem = static_cast<int>(column);
    item.pszText = buffer.data();
    item.cchTextMax = static_cast<int>(buffer.size());
    buffer[0] = '\0';
    const auto length = static_cast<std::size_t>(
        list_.Send(LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
    if (length + 1 < buffer.size() || buffer.size() >= kMaxText) {
      return std::string(buffer.data(), length < buffer.size() ? length : buffer.size() - 1);
    }
    buffer.resize(buffer.size() * 2);
  }
}

void ListCtrlRows::SetTicked(int row, bool ticked) {
  LVITEMA item = {};
  item.stateMask = LVIS_STATEIMAGEMASK;
  item.state = ticked ? kTicked : kUnticked;
  list_.Send(LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

}  // namespace pelorin
