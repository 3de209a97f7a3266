// The in-memory registry's A-function view: bounded reads, code page 936, order
// (links: see the loaders' tests).
#include <gtest/gtest.h>

#include <cstring>

#include "platform/Errors.h"
#include "platform/posix/MemoryRegistry.h"
#include "platform/posix/RegText.h"

namespace pelorin {
namespace {

std::uint32_t Query(MemoryRegistry& reg, const std::string& path, const char* name,
                    std::string& out, std::uint32_t cap = 200, std::uint32_t* type = nullptr) {
  std::unique_ptr<RegistryKey> key;
  EXPECT_EQ(reg.OpenKey(path, key), 0u);
  std::string buffer(cap, '\xEE');
  std::uint32_t size = cap;
  std::uint32_t t = 0;
  std::uint32_t rc = key->QueryValue(name, &t, reinterpret_cast<unsigned char*>(buffer.data()), &size);
  if (type) *type = t;
  out = rc == 0 ? buffer.substr(0, size) : buffer;
  return rc;
}

TEST(MemoryRegistryTest, StringReadsAreBoundedAndConvertedToGbk) {
  MemoryRegistry reg;
  std::u16string text = u"驱动";
  text.push_back(0);
  reg.SetRawValue("K", "cn", regtype::kSz, regtext::Utf16ToBytes(text));
  reg.SetRawValue("K", "noNul", regtype::kSz, regtext::Utf16ToBytes(std::u16string(199, u'a')));
  reg.SetRawValue("K", "noNul200", regtype::kSz, regtext::Utf16ToBytes(std::u16string(200, u'a')));
  reg.SetRawValue("K", "empty", regtype::kSz, "");
  reg.SetRawValue("K", "bin", regtype::kBinary, std::string("\x01\x02", 2));
  reg.SetString("K", "unmappable", "");
  std::u16string smile = u"a\U0001F600b";
  smile.push_back(0);
  reg.SetRawValue("K", "emoji", regtype::kSz, regtext::Utf16ToBytes(smile));

  std::string out;
  EXPECT_EQ(Query(reg, "K", "CN", out), 0u);
  EXPECT_EQ(out, std::string("驱动", 4) + '\0');
  EXPECT_EQ(Query(reg, "K", "noNul", out), 0u);
  EXPECT_EQ(out.size(), 200u);
  EXPECT_EQ(out.back(), '\0');
  EXPECT_EQ(Query(reg, "K", "noNul200", out), err::kMoreData);
  EXPECT_EQ(out, std::string(200, '\xEE'));  // not written
  EXPECT_EQ(Query(reg, "K", "empty", out), 0u);
  EXPECT_EQ(out, "");
  std::uint32_t type = 0;
  EXPECT_EQ(Query(reg, "K", "bin", out, 200, &type), 0u);
  EXPECT_EQ(type, regtype::kBinary);
  EXPECT_EQ(out, std::string("\x01\x02", 2));
  EXPECT_EQ(Query(reg, "K", "emoji", out), 0u);
  EXPECT_EQ(out, std::string("a??b", 5));  // one "?" per UTF-16 unit
  EXPECT_EQ(Query(reg, "K", "missing", out), err::kFileNotFound);

  // Without a buffer: the size the value needs.
  reg.SetString("K", "", "text");
  std::unique_ptr<RegistryKey> key;
  ASSERT_EQ(reg.OpenKey("k", key), 0u);
  std::uint32_t size = 0;
  EXPECT_EQ(key->QueryValue("", nullptr, nullptr, &size), 0u);
  EXPECT_EQ(size, 5u);
}

TEST(MemoryRegistryTest, KeysAreCaseInsensitiveEnumeratedInFoldedOrder) {
  MemoryRegistry reg;
  for (const char* name : {"驱动", "Properties", "LLL", "ABD", "abc", "0010", "0002", "0001"})
    reg.CreateKey(std::string("Root\\") + name);
  reg.CreateKey("ROOT\\abc\\x");
  std::unique_ptr<RegistryKey> key;
  ASSERT_EQ(reg.OpenKey("root", key), 0u);
  std::vector<std::string> names;
  char name[260];
  std::uint32_t i = 0;
  for (; key->EnumKey(i, name, sizeof name) == 0; ++i) names.push_back(name);
  EXPECT_EQ(key->EnumKey(i, name, sizeof name), err::kNoMoreItems);
  EXPECT_EQ(names, (std::vector<std::string>{"0001", "0002", "0010", "abc", "ABD", "LLL",
                                             "Properties", "驱动"}));
  EXPECT_EQ(key->EnumKey(0, name, 4), err::kMoreData);
  EXPECT_EQ(key->EnumKey(0, name, 5), 0u);
  EXPECT_EQ(reg.OpenKey("Root\\ABC\\X", key), 0u);
  EXPECT_EQ(reg.OpenKey("Root\\nope", key), err::kFileNotFound);
  EXPECT_EQ(key, nullptr);
}

}  // namespace
}  // namespace pelorin
