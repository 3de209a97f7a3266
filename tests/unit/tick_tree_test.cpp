#include <gtest/gtest.h>

#include "stub/TickTree.h"

namespace pelorin {
namespace {

class TickTreeTest : public ::testing::Test {
 protected:
  TickTreeTest() {
    root = tree.Add(CTickTree::kNoItem, "PC");
    display = tree.Add(root, "Display");
    a = tree.Add(display, "Adapter A");
    b = tree.Add(display, "Adapter B");
    net = tree.Add(root, "Net");
    n = tree.Add(net, "NIC");
  }
  std::vector<int> States() {
    std::vector<int> s;
    for (int i = 0; i < tree.Size(); ++i) s.push_back(tree.State(i));
    return s;
  }
  CTickTree tree;
  int root, display, a, b, net, n;
};

TEST_F(TickTreeTest, TicksPropagateUpAndDownAndTheInstallTargetsFollow) {
  EXPECT_EQ(States(), (std::vector<int>{1, 1, 1, 1, 1, 1}));
  tree.Click(a);
  EXPECT_EQ(States(), (std::vector<int>{2, 2, 3, 1, 1, 1}));
  tree.Click(b);
  EXPECT_EQ(States(), (std::vector<int>{2, 3, 3, 3, 1, 1}));
  tree.Click(n);
  EXPECT_EQ(States(), (std::vector<int>{3, 3, 3, 3, 3, 3}));
  tree.Click(root);  // a click on the ticked root unticks everything
  EXPECT_EQ(States(), (std::vector<int>{1, 1, 1, 1, 1, 1}));
  tree.Click(display);
  EXPECT_EQ(States(), (std::vector<int>{2, 3, 3, 3, 1, 1}));
  tree.Click(a);
  EXPECT_EQ(States(), (std::vector<int>{2, 2, 1, 3, 1, 1}));
  tree.Click(b);  // the last ticked driver unticked: class and root follow
  EXPECT_EQ(States(), (std::vector<int>{1, 1, 1, 1, 1, 1}));

  // The install targets follow the ticks.
  EXPECT_TRUE(tree.InstallTargets().empty());
  tree.Click(b);
  tree.Click(n);
  EXPECT_EQ(tree.InstallTargets(), (std::vector<int>{b, n}));
  tree.Click(root);  // a partly ticked root becomes ticked
  EXPECT_EQ(tree.InstallTargets(), (std::vector<int>{a, b, n}));

  CTickTree bare;
  int r = bare.Add(CTickTree::kNoItem, "PC");
  bare.Click(r);
  EXPECT_TRUE(bare.InstallTargets().empty());  // a ticked root without classes
}

}  // namespace
}  // namespace pelorin
