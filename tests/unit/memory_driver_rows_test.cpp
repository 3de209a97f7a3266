#include <gtest/gtest.h>

#include "inventory/MemoryDriverRows.h"

namespace pelorin {

TEST(MemoryDriverRowsTest, RowsGoInAtTheTopUntickedWithColumnsInListOrder) {
  MemoryDriverRows rows;
  DriverRecord first{"desc1", "class1", "ver1", "prov1", "date1", "oem1.inf", "id1"};
  DriverRecord second{"desc2", "class2", "ver2", "prov2", "date2", "oem2.inf", "id2"};
  rows.InsertTop(first);
  rows.InsertTop(second);

  ASSERT_EQ(rows.Count(), 2);
  EXPECT_EQ(rows.Text(0, DriverColumn::Desc), "desc2");
  EXPECT_EQ(rows.Text(1, DriverColumn::Desc), "desc1");
  // The record stores the version before the provider; the columns show provider, date, version.
  EXPECT_EQ(rows.Text(1, DriverColumn::Provider), "prov1");
  EXPECT_EQ(rows.Text(1, DriverColumn::Date), "date1");
  EXPECT_EQ(rows.Text(1, DriverColumn::Version), "ver1");
  EXPECT_EQ(rows.Text(1, DriverColumn::InfPath), "oem1.inf");
  EXPECT_EQ(rows.Text(1, DriverColumn::MatchingDeviceId), "id1");
  EXPECT_FALSE(rows.IsTicked(0));

  rows.SetTicked(1, true);
  EXPECT_TRUE(rows.IsTicked(1));
  EXPECT_EQ(rows.Text(5, DriverColumn::Desc), "");
  rows.DeleteAll();
  EXPECT_EQ(rows.Count(), 0);
}

}  // namespace pelorin
