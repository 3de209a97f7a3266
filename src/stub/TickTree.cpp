#include "stub/TickTree.h"

namespace pelorin {

int CTickTree::Add(int parent, const std::string& text, bool hasStateImage) {
  Item item;
  item.text = text;
  item.parent = parent;
  item.state = hasStateImage ? tick::kUnticked : tick::kNone;
  items_.push_back(item);
  const int id = static_cast<int>(items_.size()) - 1;
  if (parent != kNoItem) items_[parent].children.push_back(id);
  return id;
}

int CTickTree::Depth(int item) const {
  int depth = 0;
  while (items_[item].parent != kNoItem) {
    item = items_[item].parent;
    ++depth;
  }
  return depth;
}

void CTickTree::SetSubtree(int item, int state) {
  for (int child : items_[item].children) {
    if (items_[child].state != tick::kNone) items_[child].state = state;
    SetSubtree(child, state);
  }
}

void CTickTree::Click(int item) {
  if (items_[item].state == tick::kNone) return;
  const int state = items_[item].state == tick::kTicked ? tick::kUnticked : tick::kTicked;
  items_[item].state = state;
  SetSubtree(item, state);

  int current = item;
  for (int parent = items_[current].parent; parent != kNoItem; current = parent, parent = items_[parent].parent) {
    bool same = true;
    for (int sibling : items_[parent].children)
      if (items_[sibling].state != tick::kNone && items_[sibling].state != state) same = false;
    if (!same) {
      for (int up = parent; up != kNoItem; up = items_[up].parent)
        if (items_[up].state != tick::kNone) items_[up].state = tick::kPartly;
      return;
    }
    if (items_[parent].state != tick::kNone) items_[parent].state = state;
  }
}

std::vector<int> CTickTree::InstallTargets() const {
  std::vector<int> targets;
  const int root = Root();
  if (root == kNoItem || items_[root].children.empty()) return targets;
  auto chosen = [](int state) { return state == tick::kPartly || state == tick::kTicked; };
  if (!chosen(items_[root].state)) return targets;
  for (int cls : items_[root].children) {
    const Item& c = items_[cls];
    if (!((c.state == tick::kPartly && !c.children.empty()) || c.state == tick::kTicked)) continue;
    for (int driver : c.children)
      if (chosen(items_[driver].state)) targets.push_back(driver);
  }
  return targets;
}

}  // namespace pelorin
