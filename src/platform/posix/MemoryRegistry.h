#pragma once
// HKEY_LOCAL_MACHINE held in memory, with the A functions' view of it: key and
// value names compared without regard to ASCII case, subkeys enumerated in
// case-insensitive order (as Windows and wine report them), string data kept in
// UTF-16LE and handed out in code page 936 through a bounded buffer.
//
// Built once (by a loader or a test) and then only read; keys handed out must not
// outlive the registry.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Registry.h"

namespace pelorin {

class MemoryRegistry : public Registry {
 public:
  MemoryRegistry();
  ~MemoryRegistry() override;
  MemoryRegistry(const MemoryRegistry&) = delete;
  MemoryRegistry& operator=(const MemoryRegistry&) = delete;

  // Builders. Paths are "\"-separated GBK text below HKEY_LOCAL_MACHINE; missing
  // keys on the way are created. Key and value names that differ only in ASCII
  // case name the same key or value; setting a value again replaces it.
  void CreateKey(const std::string& path);
  void CreateKeyUtf16(const std::vector<std::u16string>& path);
  // `data` is the raw stored bytes (strings as UTF-16LE, as a hive holds them).
  void SetRawValue(const std::string& path, const std::string& name, std::uint32_t type,
                   const std::string& data);
  void SetRawValueUtf16(const std::vector<std::u16string>& path, const std::u16string& name,
                        std::uint32_t type, const std::string& data);
  // A REG_SZ of GBK text, stored as UTF-16LE with its terminator.
  void SetString(const std::string& path, const std::string& name, const std::string& gbkText);
  void SetDword(const std::string& path, const std::string& name, std::uint32_t value);
  // Makes `path` an alias of `target` (how CurrentControlSet points at ControlSet00N).
  void Link(const std::string& path, const std::string& target);

  bool KeyExists(const std::string& path);

  // Walks the tree below `path` (depth first, subkeys in enumeration order) for
  // exporters: `onKey` gets each key's path parts, `onValue` its values in the order
  // they were set.
  struct ValueView {
    std::u16string name;
    std::uint32_t type;
    const std::string* data;
  };
  struct KeyView {
    std::vector<std::u16string> path;
    std::vector<ValueView> values;
  };
  bool Walk(const std::string& path, const std::function<void(const KeyView&)>& visit);

  std::uint32_t OpenKey(const std::string& path, std::unique_ptr<RegistryKey>& key) override;

  struct Node;

 private:
  Node* Find(const std::string& path);
  Node* Make(const std::vector<std::u16string>& parts);
  std::unique_ptr<Node> root_;
};

}  // namespace pelorin
