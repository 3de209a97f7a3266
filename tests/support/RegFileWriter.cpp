#include "RegFileWriter.h"

#include <cstdio>

#include "platform/Registry.h"
#include "platform/posix/RegText.h"

namespace pelorin {
namespace {

std::u16string Escape(const std::u16string& text) {
  std::u16string out;
  for (char16_t c : text) {
    if (c == u'\\' || c == u'"') out.push_back(u'\\');
    out.push_back(c);
  }
  return out;
}

// A string value is written as text only when it round-trips: terminated once,
// with no NUL or line break inside.
bool PlainString(std::uint32_t type, const std::string& raw, std::u16string& text) {
  if (type != regtype::kSz || raw.size() % 2 != 0 || raw.size() < 2) return false;
  text = regtext::BytesToUtf16(raw);
  if (text.back() != u'\0') return false;
  text.pop_back();
  for (char16_t c : text)
    if (c == u'\0' || c == u'\r' || c == u'\n') return false;
  return true;
}

std::string HexList(const std::string& prefix, const std::string& raw) {
  // Lines of at most 80 characters, continued with "\" as regedit does.
  std::string out = prefix;
  std::size_t column = prefix.size();
  for (std::size_t i = 0; i < raw.size(); ++i) {
    char byte[4];
    std::snprintf(byte, sizeof byte, "%02x", static_cast<unsigned char>(raw[i]));
    out += byte;
    column += 2;
    if (i + 1 < raw.size()) {
      out += ',';
      ++column;
      if (column > 75) {
        out += "\\\r\n  ";
        column = 2;
      }
    }
  }
  return out;
}

}  // namespace

std::string ExportRegV5(MemoryRegistry& registry, const std::string& path) {
  std::u16string text = u"\uFEFFWindows Registry Editor Version 5.00\r\n";
  registry.Walk(path, [&](const MemoryRegistry::KeyView& key) {
    text += u"\r\n[HKEY_LOCAL_MACHINE";
    for (const std::u16string& part : key.path) text += u"\\" + part;
    text += u"]\r\n";
    for (const MemoryRegistry::ValueView& value : key.values) {
      std::u16string line =
          value.name.empty() ? std::u16string(u"@") : u"\"" + Escape(value.name) + u"\"";
      line += u"=";
      std::u16string plain;
      if (PlainString(value.type, *value.data, plain)) {
        line += u"\"" + Escape(plain) + u"\"";
      } else if (value.type == regtype::kDword && value.data->size() == 4) {
        const std::string& d = *value.data;
        char hex[16];
        std::snprintf(hex, sizeof hex, "dword:%08x",
                      static_cast<unsigned>(static_cast<unsigned char>(d[0]) |
                                            (static_cast<unsigned char>(d[1]) << 8) |
                                            (static_cast<unsigned char>(d[2]) << 16) |
                                            (static_cast<unsigned>(static_cast<unsigned char>(d[3])) << 24)));
        line += regtext::Utf8ToUtf16(hex);
      } else {
        char prefix[24];
        if (value.type == regtype::kBinary)
          std::snprintf(prefix, sizeof prefix, "hex:");
        else
          std::snprintf(prefix, sizeof prefix, "hex(%x):", static_cast<unsigned>(value.type));
        line += regtext::Utf8ToUtf16(HexList(prefix, *value.data));
      }
      text += line + u"\r\n";
    }
  });
  text += u"\r\n";
  return regtext::Utf16ToBytes(text);
}

}  // namespace pelorin
