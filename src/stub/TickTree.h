#pragma once
// The restorer's class tree: computer, device classes, drivers, each with a
// check-box state (1 unticked, 2 partly ticked, 3 ticked) and a colour telling
// whether its driver was installed. The tree-view window mirrors this model.
#include <string>
#include <vector>

namespace pelorin {

namespace tick {
constexpr int kNone = 0;  // no state image
constexpr int kUnticked = 1;
constexpr int kPartly = 2;
constexpr int kTicked = 3;
}  // namespace tick

enum class ItemColour { kPending, kInstalled, kFailed };

class CTickTree {
 public:
  static constexpr int kNoItem = -1;

  // Adds an unticked item below `parent` (kNoItem for the root); returns its id.
  int Add(int parent, const std::string& text, bool hasStateImage = true);

  int Root() const { return items_.empty() ? kNoItem : 0; }
  int Parent(int item) const { return items_[item].parent; }
  const std::vector<int>& Children(int item) const { return items_[item].children; }
  const std::string& Text(int item) const { return items_[item].text; }
  int State(int item) const { return items_[item].state; }
  ItemColour Colour(int item) const { return items_[item].colour; }
  void SetColour(int item, ItemColour colour) { items_[item].colour = colour; }
  int Size() const { return static_cast<int>(items_.size()); }
  // The depth of an item: 0 root, 1 class, 2 driver.
  int Depth(int item) const;

  // A click on the item's check box: ticks it, or unticks it when it was ticked,
  // copies the new state to its descendants and brings its ancestors into line.
  void Click(int item);

  // The drivers a restore run installs, in tree order: below a partly or fully
  // ticked root, each class that is ticked or partly ticked with children, each
  // driver that is ticked or partly ticked.
  std::vector<int> InstallTargets() const;

 private:
  struct Item {
    std::string text;
    int parent = kNoItem;
    std::vector<int> children;
    int state = tick::kUnticked;
    ItemColour colour = ItemColour::kPending;
  };
  void SetSubtree(int item, int state);

  std::vector<Item> items_;
};

}  // namespace pelorin
