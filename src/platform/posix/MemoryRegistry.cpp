#include "platform/posix/MemoryRegistry.h"

#include <algorithm>
#include <cstring>

#include "platform/Errors.h"
#include "platform/Mbcs.h"
#include "platform/posix/RegText.h"

namespace pelorin {

struct MemoryRegistry::Node {
  std::u16string name;
  std::string nameGbk;
  Node* link = nullptr;
  // Keyed by the folded name, so iteration is the enumeration order.
  std::map<std::u16string, std::unique_ptr<Node>> children;
  // Index for enumeration by number, rebuilt after a change; enumeration by index
  // must not cost a walk of the map per call.
  std::vector<Node*> order;
  bool orderValid = true;
  struct Value {
    std::u16string name;
    std::u16string folded;
    std::uint32_t type;
    std::string data;
    // The code page 936 form, made on the first read: a rescan reads it again.
    std::string ansi;
    bool ansiValid = false;
  };
  std::vector<Value> values;

  Node* Target() {
    Node* n = this;
    // Links are set by the loaders only, never in a cycle; the bound guards anyway.
    for (int hops = 0; n->link && hops < 8; ++hops) n = n->link;
    return n;
  }
  const std::vector<Node*>& Order() {
    if (!orderValid) {
      order.clear();
      order.reserve(children.size());
      for (auto& [folded, child] : children) order.push_back(child.get());
      orderValid = true;
    }
    return order;
  }
  Value* FindValue(const std::u16string& valueName) {
    std::u16string folded = regtext::FoldName(valueName);
    for (Value& v : values)
      if (v.folded == folded) return &v;
    return nullptr;
  }
};

namespace {

std::vector<std::u16string> SplitPath(const std::string& path) {
  std::vector<std::u16string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = mbcs::FindFirst(path, '\\', start);
    if (end == mbcs::npos) end = path.size();
    if (end > start) parts.push_back(regtext::GbkToUtf16(path.substr(start, end - start)));
    start = end + 1;
  }
  return parts;
}

// The bytes RegQueryValueExA hands out for a stored value.
std::string AnsiData(std::uint32_t type, const std::string& raw) {
  if (type != regtype::kSz && type != regtype::kExpandSz && type != regtype::kMultiSz) return raw;
  if (raw.empty()) return raw;
  std::string text = regtext::Utf16ToGbk(regtext::BytesToUtf16(raw));
  // Strings stored without their terminator still come out terminated.
  if (type != regtype::kMultiSz && text.back() != '\0') text.push_back('\0');
  return text;
}

class MemoryKey : public RegistryKey {
 public:
  explicit MemoryKey(MemoryRegistry::Node* node) : node_(node) {}

  std::uint32_t EnumKey(std::uint32_t index, char* name, std::uint32_t cap) override;
  std::uint32_t QueryValue(const char* valueName, std::uint32_t* type, unsigned char* data,
                           std::uint32_t* size) override;

 private:
  MemoryRegistry::Node* node_;
};

std::uint32_t MemoryKey::EnumKey(std::uint32_t index, char* name, std::uint32_t cap) {
  const std::vector<MemoryRegistry::Node*>& order = node_->Order();
  if (index >= order.size()) return err::kNoMoreItems;
  const std::string& text = order[index]->nameGbk;
  if (text.size() + 1 > cap) return err::kMoreData;
  std::memcpy(name, text.c_str(), text.size() + 1);
  return err::kSuccess;
}

std::uint32_t MemoryKey::QueryValue(const char* valueName, std::uint32_t* type,
                                    unsigned char* data, std::uint32_t* size) {
  MemoryRegistry::Node::Value* value =
      node_->FindValue(regtext::GbkToUtf16(valueName ? valueName : ""));
  if (!value) return err::kFileNotFound;
  if (type) *type = value->type;
  if (!value->ansiValid) {
    value->ansi = AnsiData(value->type, value->data);
    value->ansiValid = true;
  }
  const std::string& bytes = value->ansi;
  if (!size) return data ? err::kInvalidParameter : err::kSuccess;
  std::uint32_t capacity = *size;
  *size = static_cast<std::uint32_t>(bytes.size());
  if (!data) return err::kSuccess;
  if (bytes.size() > capacity) return err::kMoreData;
  std::memcpy(data, bytes.data(), bytes.size());
  return err::kSuccess;
}

}  // namespace

MemoryRegistry::MemoryRegistry() : root_(std::make_unique<Node>()) {}
MemoryRegistry::~MemoryRegistry() = default;

MemoryRegistry::Node* MemoryRegistry::Make(const std::vector<std::u16string>& parts) {
  Node* node = root_.get();
  for (const std::u16string& part : parts) {
    node = node->Target();
    std::u16string folded = regtext::FoldName(part);
    auto it = node->children.find(folded);
    if (it == node->children.end()) {
      auto child = std::make_unique<Node>();
      child->name = part;
      child->nameGbk = regtext::Utf16ToGbk(part);
      it = node->children.emplace(folded, std::move(child)).first;
      node->orderValid = false;
    }
    node = it->second.get();
  }
  return node->Target();
}

MemoryRegistry::Node* MemoryRegistry::Find(const std::string& path) {
  Node* node = root_.get();
  for (const std::u16string& part : SplitPath(path)) {
    node = node->Target();
    auto it = node->children.find(regtext::FoldName(part));
    if (it == node->children.end()) return nullptr;
    node = it->second.get();
  }
  return node->Target();
}

void MemoryRegistry::CreateKey(const std::string& path) { Make(SplitPath(path)); }

void MemoryRegistry::CreateKeyUtf16(const std::vector<std::u16string>& path) { Make(path); }

void MemoryRegistry::SetRawValueUtf16(const std::vector<std::u16string>& path,
                                      const std::u16string& name, std::uint32_t type,
                                      const std::string& data) {
  Node* node = Make(path);
  if (Node::Value* existing = node->FindValue(name)) {
    existing->type = type;
    existing->data = data;
    existing->ansiValid = false;
    return;
  }
  node->values.push_back(Node::Value{name, regtext::FoldName(name), type, data, {}, false});
}

void MemoryRegistry::SetRawValue(const std::string& path, const std::string& name,
                                 std::uint32_t type, const std::string& data) {
  SetRawValueUtf16(SplitPath(path), regtext::GbkToUtf16(name), type, data);
}

void MemoryRegistry::SetString(const std::string& path, const std::string& name,
                               const std::string& gbkText) {
  std::u16string text = regtext::GbkToUtf16(gbkText);
  text.push_back(u'\0');
  SetRawValue(path, name, regtype::kSz, regtext::Utf16ToBytes(text));
}

void MemoryRegistry::SetDword(const std::string& path, const std::string& name,
                              std::uint32_t value) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
  SetRawValue(path, name, regtype::kDword, bytes);
}

void MemoryRegistry::Link(const std::string& path, const std::string& target) {
  Node* to = Make(SplitPath(target));
  std::vector<std::u16string> parts = SplitPath(path);
  if (parts.empty()) return;
  std::u16string last = parts.back();
  parts.pop_back();
  Node* parent = Make(parts);
  std::u16string folded = regtext::FoldName(last);
  auto& slot = parent->children[folded];
  if (!slot) {
    slot = std::make_unique<Node>();
    slot->name = last;
    slot->nameGbk = regtext::Utf16ToGbk(last);
    parent->orderValid = false;
  }
  if (slot.get() != to) slot->link = to;
}

bool MemoryRegistry::KeyExists(const std::string& path) { return Find(path) != nullptr; }

bool MemoryRegistry::Walk(const std::string& path,
                          const std::function<void(const KeyView&)>& visit) {
  Node* start = Find(path);
  if (!start) return false;
  KeyView view;
  view.path = SplitPath(path);
  std::function<void(Node*)> walk = [&](Node* node) {
    view.values.clear();
    for (const Node::Value& v : node->values) view.values.push_back({v.name, v.type, &v.data});
    visit(view);
    for (Node* child : node->Order()) {
      view.path.push_back(child->name);
      walk(child->Target());
      view.path.pop_back();
    }
  };
  walk(start);
  return true;
}

std::uint32_t MemoryRegistry::OpenKey(const std::string& path, std::unique_ptr<RegistryKey>& key) {
  key.reset();
  Node* node = Find(path);
  if (!node) return err::kFileNotFound;
  key = std::make_unique<MemoryKey>(node);
  return err::kSuccess;
}

}  // namespace pelorin
