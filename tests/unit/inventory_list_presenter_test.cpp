// Select-all and the search-mode change over in-memory rows.
#include <gtest/gtest.h>

#include "ClassBranch.h"
#include "inventory/ListPresenter.h"
#include "inventory/MemoryDriverRows.h"

namespace pelorin {
namespace {

using testing::AddClass;
using testing::AddInstance;
using testing::Driver;

class ListPresenterTest : public ::testing::Test {
 protected:
  ListPresenterTest() : list(rows, reg, maps, [this](const std::string& s) { statuses.push_back(s); }) {
    AddClass(reg, "c", std::string("Class"));
    AddInstance(reg, "c", "0000", Driver("third party"));
    AddInstance(reg, "c", "0001", Driver("inbox", "Microsoft"));
    AddInstance(reg, "c", "0002", Driver("another"));
  }
  int Ticked() {
    int n = 0;
    for (int i = 0; i < rows.Count(); ++i) n += rows.IsTicked(i) ? 1 : 0;
    return n;
  }
  MemoryRegistry reg;
  MemoryDriverRows rows;
  DriverScanMaps maps;
  std::vector<std::string> statuses;
  ListPresenter list;
};

TEST_F(ListPresenterTest, ModeChangeReplacesRowsAndMapsIndexToMode) {
  list.Scan(ScanMode::NotOnSystemDisc);
  rows.SetTicked(0, true);
  list.OnSearchModeChanged(0);
  EXPECT_EQ(rows.Count(), 3);
  EXPECT_EQ(Ticked(), 0);
  EXPECT_EQ(maps.allBackupable.size(), 3u);
  EXPECT_EQ(maps.notOnSystemDisc.size(), 2u);
  list.OnSearchModeChanged(1);
  EXPECT_EQ(rows.Count(), 2);
  EXPECT_EQ(statuses, (std::vector<std::string>{"共找到2个驱动", "共找到3个驱动", "共找到2个驱动"}));
  EXPECT_EQ(list.CurrentClassName(), "Class");
}

TEST_F(ListPresenterTest, NoSelectionLeavesListEmptyAndStatusAlone) {
  list.Scan(ScanMode::NotOnSystemDisc);
  list.OnSearchModeChanged(-1);
  EXPECT_EQ(rows.Count(), 0);
  list.OnSearchModeChanged(2);
  EXPECT_EQ(rows.Count(), 0);
  EXPECT_EQ(statuses.size(), 1u);
}

TEST_F(ListPresenterTest, SelectAllTicksEveryRowAndCarriesOverModeChanges) {
  list.Scan(ScanMode::NotOnSystemDisc);
  rows.SetTicked(1, true);
  list.OnSelectAll();
  EXPECT_EQ(list.SelectAllChecked(), 1);
  EXPECT_EQ(Ticked(), 2);
  list.OnSearchModeChanged(0);
  EXPECT_EQ(Ticked(), 3);

  list.OnSelectAll();
  EXPECT_EQ(list.SelectAllChecked(), 0);
  EXPECT_EQ(Ticked(), 0);
  rows.SetTicked(0, true);
  list.OnSearchModeChanged(1);
  EXPECT_EQ(Ticked(), 0);

  // Two single ticks, then select-all on and off: nothing stays ticked.
  rows.SetTicked(0, true);
  rows.SetTicked(1, true);
  list.OnSelectAll();
  list.OnSelectAll();
  EXPECT_EQ(Ticked(), 0);
}

TEST_F(ListPresenterTest, SelectAllOnEmptyListOnlyFlipsTheFlag) {
  list.OnSelectAll();
  EXPECT_EQ(list.SelectAllChecked(), 1);
  EXPECT_EQ(rows.Count(), 0);
}

}  // namespace
}  // namespace pelorin
