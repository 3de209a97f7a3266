#include <gtest/gtest.h>

#include "stub/TickTree.h"

namespace pelorin {
namespace {

TEST(TickTreeTest, TicksPropagateUpAndDownAndTheInstallTargetsFollow) {
  CTickTree tree;
  const int root = tree.Add(CTickTree::kNoItem, "PC");
  const int display = tree.Add(root, "Display");
  const int a = tree.Add(display, "Adapter A");
  const int b = tree.Add(display, "Adapter B");
  const int n = tree.Add(tree.Add(root, "Net"), "NIC");
  const auto states = [&] {
    std::vector<int> s;
    for (int i = 0; i < tree.Size(); ++i) s.push_back(tree.State(i));
    return s;
  };
  EXPECT_EQ(states(), (std::vector<int>{1, 1, 1, 1, 1, 1}));
  tree.Click(a);
  EXPECT_EQ(states(), (std::vector<int>{2, 2, 3, 1, 1, 1}));
  tree.Click(b);
  EXPECT_EQ(states(), (std::vector<int>{2, 3, 3, 3, 1, 1}));
  tree.Click(n);
  EXPECT_EQ(states(), (std::vector<int>{3, 3, 3, 3, 3, 3}));
  tree.Click(root);  // a click on the ticked root unticks everything
  EXPECT_EQ(states(), (std::vector<int>{1, 1, 1, 1, 1, 1}));
  tree.Click(display);
  EXPECT_EQ(states(), (std::vector<int>{2, 3, 3, 3, 1, 1}));
  tree.Click(a);
  EXPECT_EQ(states(), (std::vector<int>{2, 2, 1, 3, 1, 1}));
  tree.Click(b);  // the last ticked driver unticked: class and root follow
  EXPECT_EQ(states(), (std::vector<int>{1, 1, 1, 1, 1, 1}));

  // The install targets follow the ticks.
  EXPECT_TRUE(tree.InstallTargets().empty());
  tree.Click(b);
  tree.Click(n);
  EXPECT_EQ(tree.InstallTargets(), (std::vector<int>{b, n}));
  tree.Click(root);  // a partly ticked root becomes ticked
  EXPECT_EQ(tree.InstallTargets(), (std::vector<int>{a, b, n}));

  CTickTree bare;
  bare.Click(bare.Add(CTickTree::kNoItem, "PC"));
  EXPECT_TRUE(bare.InstallTargets().empty());  // a ticked root without classes
}

}  // namespace
}  // namespace pelorin
