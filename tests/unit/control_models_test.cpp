#include <gtest/gtest.h>

#include <climits>
#include <tuple>
#include <vector>

#include "controls/ProgressModel.h"
#include "stub/TickTree.h"

namespace pelorin {
namespace {

TEST(ProgressModelTest, WidthsTruncateTheBarRepaintsOnPixelChangesAndPaintShowsPercentOrItsTextCutWhole) {
  EXPECT_EQ(progress::FilledWidth(-1, 0, 3, 100), -33);  // truncated toward zero, not rounded
  EXPECT_EQ(progress::FilledWidth(INT_MAX, INT_MIN, INT_MIN + 1, 1000), INT_MAX);
  EXPECT_EQ(progress::PercentText(progress::Fraction(999, 0, 1000)), "99%");
  EXPECT_EQ(progress::PercentText(progress::Fraction(-5, 0, 10)), "-50%");

  ProgressModel model;
  model.SetRange(0, 1000);
  bool repaint = false;
  EXPECT_EQ(model.SetPos(1, 50, repaint), 0);
  EXPECT_TRUE(repaint);  // the width was unknown (-1), now 0
  EXPECT_EQ(model.SetPos(10, 50, repaint), 1);
  EXPECT_FALSE(repaint);  // 0.5 pixels: still 0 wide, though the figure moved to 1%
  EXPECT_EQ(model.SetPos(20, 50, repaint), 10);
  EXPECT_TRUE(repaint);
  EXPECT_EQ(model.BarWidth(), 1);
  model.ForgetBarWidth();  // a resize: the same position repaints
  model.SetPos(20, 50, repaint);
  EXPECT_TRUE(repaint);

  // An empty or inverted range stores the position without drawing.
  model.SetRange(7, 7);
  repaint = true;
  EXPECT_EQ(model.SetPos(3, 100, repaint), 20);
  EXPECT_FALSE(repaint);

  model.SetRange(10, 0);
  EXPECT_FALSE(model.Plan(0, 100).draw);

  // The percent figure until a text of its own is set.
  model.SetRange(0, 4);
  EXPECT_EQ(model.SetPos(4, 200, repaint), 3);
  EXPECT_EQ(model.Plan(5, 205).splitX, 205);  // the whole width

  EXPECT_TRUE(model.SetText("驱动.sys"));
  EXPECT_FALSE(model.SetText("驱动.sys"));  // unchanged: no invalidation due
  model.SetPos(1, 200, repaint);
  EXPECT_EQ(model.Plan(0, 200).text, "驱动.sys");

  EXPECT_TRUE(model.SetText(""));
  EXPECT_EQ(model.Plan(0, 200).text, "25%");

  model.SetPos(6, 200, repaint);  // beyond the range: drawn past the edge
  const ProgressPaint paint = model.Plan(0, 200);
  EXPECT_TRUE(paint.draw);
  EXPECT_EQ(paint.splitX, 300);
  EXPECT_EQ(paint.text, "150%");

  model.SetText("ab驱动");
  EXPECT_EQ(model.TextForBuffer(4), "ab");  // 3 bytes would split 驱
  EXPECT_EQ(model.TextForBuffer(100), "ab驱动");
}

TEST(TickTreeTest, TicksPropagateUpAndDownAndTheInstallTargetsFollow) {
  CTickTree tree;
  const int root = tree.Add(CTickTree::kNoItem, "PC");
  const int display = tree.Add(root, "Display");
  const int a = tree.Add(display, "Adapter A");
  const int b = tree.Add(display, "Adapter B");
  const int n = tree.Add(tree.Add(root, "Net"), "NIC");
  // Each click, every item's state after it (1 unticked, 2 partly ticked, 3 ticked) and the install targets then.
  const std::tuple<int, std::vector<int>, std::vector<int>> clicks[] = {
      {a, {2, 2, 3, 1, 1, 1}, {a}}, {b, {2, 3, 3, 3, 1, 1}, {a, b}}, {n, {3, 3, 3, 3, 3, 3}, {a, b, n}},
      {root, {1, 1, 1, 1, 1, 1}, {}},  // a click on the ticked root unticks everything
      {display, {2, 3, 3, 3, 1, 1}, {a, b}}, {a, {2, 2, 1, 3, 1, 1}, {b}},
      {b, {1, 1, 1, 1, 1, 1}, {}},  // the last ticked driver unticked: class and root follow
      {b, {2, 2, 1, 3, 1, 1}, {b}}, {n, {2, 2, 1, 3, 3, 3}, {b, n}},
      {root, {3, 3, 3, 3, 3, 3}, {a, b, n}},  // a partly ticked root becomes ticked
  };
  for (const auto& [item, states, targets] : clicks) {
    tree.Click(item);
    std::vector<int> now;
    for (int i = 0; i < tree.Size(); ++i) now.push_back(tree.State(i));
    EXPECT_EQ(now, states) << "after a click on item " << item;
    EXPECT_EQ(tree.InstallTargets(), targets) << "after a click on item " << item;
  }
}

}  // namespace
}  // namespace pelorin
