#pragma once
// Writes a small registry hive file (regf, one hbin) from a key tree: keys and
// values only, subkeys in unsorted "li" lists (libhivex looks children up one
// by one); no security descriptors, classes, big-data cells or size hints.
#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/posix/RegText.h"

namespace pelorin::testing {

struct HiveValue {
  std::u16string name;
  std::uint32_t type;
  std::string data;
};

struct HiveKey {
  std::u16string name;
  std::vector<HiveValue> values;
  std::vector<HiveKey> children;

  HiveKey& Child(const std::u16string& childName) {
    for (HiveKey& c : children)
      if (regtext::FoldName(c.name) == regtext::FoldName(childName)) return c;
    children.push_back(HiveKey{childName, {}, {}});
    return children.back();
  }
};

class HiveWriter {
 public:
  std::string Write(const HiveKey& root) {
    bin_.assign(32, '\0');  // hbin header, filled in at the end
    std::uint32_t rootOffset = WriteKey(root, 0xFFFFFFFF, true);
    // Pad the bin to whole pages with one free cell (cells keep the size a multiple of 8).
    const std::size_t size = (bin_.size() + 4095) / 4096 * 4096;
    const std::size_t free = size - bin_.size();
    bin_.resize(size, '\0');
    if (free > 0) Put32(bin_, size - free, static_cast<std::uint32_t>(free));
    bin_.replace(0, 4, "hbin");
    Put32(bin_, 8, static_cast<std::uint32_t>(size));

    std::string base(4096, '\0');
    base.replace(0, 4, "regf");
    // Sequence numbers, version 1.5, root cell, bin size; the checksum XORs the
    // header's words, of which only these and "regf" are not zero.
    using Field = std::pair<int, std::uint32_t>;
    std::uint32_t sum = 0x66676572;
    for (auto [at, v] : std::initializer_list<Field>{{4, 1u}, {8, 1u}, {0x14, 1u}, {0x18, 5u}, {0x20, 1u}, {0x24, rootOffset},
                         {0x28, static_cast<std::uint32_t>(size)}, {0x2C, 1u}}) {
      Put32(base, at, v);
      sum ^= v;
    }
    Put32(base, 0x1FC, sum);
    return base + bin_;
  }

 private:
  static void Put32(std::string& s, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  }
  static void Put16(std::string& s, std::size_t at, std::uint16_t v) { s[at] = char(v & 0xFF), s[at + 1] = char(v >> 8); }
  // Appends a used cell holding `body`; returns its offset from the bin start.
  std::uint32_t Cell(const std::string& body) {
    std::size_t size = (body.size() + 4 + 7) / 8 * 8;
    std::uint32_t offset = static_cast<std::uint32_t>(bin_.size());
    std::string cell(size, '\0');
    Put32(cell, 0, static_cast<std::uint32_t>(-static_cast<std::int32_t>(size)));
    cell.replace(4, body.size(), body);
    bin_ += cell;
    return offset;
  }
  // Names go in as ASCII when they can (the "compressed" form), else UTF-16LE.
  static bool Compressible(const std::u16string& name) {
    return std::all_of(name.begin(), name.end(), [](char16_t c) { return c < 0x80; });
  }
  static std::string NameBytes(const std::u16string& name) {
    return Compressible(name) ? std::string(name.begin(), name.end()) : regtext::Utf16ToBytes(name);
  }

  std::uint32_t WriteValue(const HiveValue& value) {
    std::string name = NameBytes(value.name);
    std::string vk(20 + name.size(), '\0');
    vk.replace(0, 2, "vk");
    Put16(vk, 2, static_cast<std::uint16_t>(name.size()));
    Put32(vk, 12, value.type);
    Put16(vk, 16, Compressible(value.name) ? 1 : 0);
    vk.replace(20, name.size(), name);
    if (value.data.size() <= 4) {
      Put32(vk, 4, 0x80000000u | static_cast<std::uint32_t>(value.data.size()));
      vk.replace(8, value.data.size(), value.data);  // inline, zero-padded
    } else {
      Put32(vk, 4, static_cast<std::uint32_t>(value.data.size()));
      Put32(vk, 8, Cell(value.data));
    }
    return Cell(vk);
  }

  std::uint32_t WriteKey(const HiveKey& key, std::uint32_t parent, bool isRoot) {
    std::string name = NameBytes(key.name);
    std::string nk(0x4C + name.size(), '\0');
    nk.replace(0, 2, "nk");
    Put16(nk, 2, static_cast<std::uint16_t>((isRoot ? 0x2C : 0) | (Compressible(key.name) ? 0x20 : 0)));
    Put32(nk, 0x10, parent);
    for (int at : {0x1C, 0x20, 0x28, 0x2C, 0x30}) Put32(nk, at, 0xFFFFFFFF);
    Put16(nk, 0x48, static_cast<std::uint16_t>(name.size()));
    nk.replace(0x4C, name.size(), name);
    std::uint32_t self = Cell(nk);

    if (!key.values.empty()) {
      std::string list(4 * key.values.size(), '\0');
      for (std::size_t i = 0; i < key.values.size(); ++i) Put32(list, 4 * i, WriteValue(key.values[i]));
      Put32(bin_, self + 4 + 0x24, static_cast<std::uint32_t>(key.values.size()));
      Put32(bin_, self + 4 + 0x28, Cell(list));
    }
    if (!key.children.empty()) {
      std::string li(4 + 4 * key.children.size(), '\0');
      li.replace(0, 2, "li");
      Put16(li, 2, static_cast<std::uint16_t>(key.children.size()));
      for (std::size_t i = 0; i < key.children.size(); ++i) {
        Put32(li, 4 + 4 * i, WriteKey(key.children[i], self, false));
      }
      Put32(bin_, self + 4 + 0x14, static_cast<std::uint32_t>(key.children.size()));
      Put32(bin_, self + 4 + 0x1C, Cell(li));
    }
    return self;
  }

  std::string bin_;
};

}  // namespace pelorin::testing
