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
  return text.find_first_of(std::u16string(u"\0\r\n", 3)) == std::u16string::npos;
}

// Lines of at most 80 characters, continued with "\" as regedit does.
std::string HexList(const std::string& prefix, const std::string& raw) {
  std::string out = prefix;
  std::size_t column = prefix.size();
  for (std::size_t i = 0; i < raw.size(); ++i) {
    char byte[4];
    std::snprintf(byte, sizeof byte, "%02x", static_cast<unsigned char>(raw[i]));
    out += byte;
    column += 2;
    if (i + 1 == raw.size()) break;
    out += ',';
    if (++column > 75) out += "\\\r\n  ", column = 2;
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
      text += (value.name.empty() ? std::u16string(u"@") : u"\"" + Escape(value.name) + u"\"") + u"=";
      const std::string& d = *value.data;
      std::u16string plain;
      char head[24];
      if (PlainString(value.type, d, plain)) {
        text += u"\"" + Escape(plain) + u"\"";
      } else if (value.type == regtype::kDword && d.size() == 4) {
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(d[i]);
        std::snprintf(head, sizeof head, "dword:%08x", static_cast<unsigned>(v));
        text += regtext::Utf8ToUtf16(head);
      } else {
        if (value.type == regtype::kBinary) std::snprintf(head, sizeof head, "hex:");
        else std::snprintf(head, sizeof head, "hex(%x):", static_cast<unsigned>(value.type));
        text += regtext::Utf8ToUtf16(HexList(head, d));
      }
      text += u"\r\n";
    }
  });
  return regtext::Utf16ToBytes(text + u"\r\n");
}

}  // namespace pelorin
