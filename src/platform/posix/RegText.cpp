#include "platform/posix/RegText.h"

#include "platform/posix/Encoding.h"

namespace pelorin::regtext {
namespace {

bool IsAscii(const std::u16string& text) {
  for (char16_t c : text)
    if (c >= 0x80) return false;
  return true;
}

}  // namespace

std::string Utf16ToBytes(const std::u16string& text) {
  std::string bytes;
  bytes.reserve(text.size() * 2);
  for (char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return bytes;
}

std::u16string BytesToUtf16(const std::string& bytes) {
  std::u16string text;
  text.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
    text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                         (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  return text;
}

std::string Utf16ToGbk(const std::u16string& text) {
  if (IsAscii(text)) return std::string(text.begin(), text.end());
  std::string out;
  posix::Utf16LeToGbk(Utf16ToBytes(text), out, posix::Invalid::kReplace);
  return out;
}

std::u16string GbkToUtf16(const std::string& text) {
  bool ascii = true;
  for (unsigned char c : text)
    if (c >= 0x80) ascii = false;
  if (ascii) return std::u16string(text.begin(), text.end());
  std::string out;
  posix::GbkToUtf16Le(text, out, posix::Invalid::kReplace);
  return BytesToUtf16(out);
}

std::u16string Utf8ToUtf16(const std::string& text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    char32_t cp = 0xFFFD;
    std::size_t len = 1;
    if (c < 0x80) {
      cp = c;
    } else if (c >= 0xC2 && c <= 0xF4) {
      std::size_t need = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
      char32_t v = c & (need == 2 ? 0x1F : need == 3 ? 0x0F : 0x07);
      std::size_t k = 1;
      for (; k < need && i + k < text.size(); ++k) {
        unsigned char t = static_cast<unsigned char>(text[i + k]);
        if ((t & 0xC0) != 0x80) break;
        v = (v << 6) | (t & 0x3F);
      }
      if (k == need) {
        bool overlong = (need == 3 && v < 0x800) || (need == 4 && v < 0x10000);
        if (!overlong && v <= 0x10FFFF && !(v >= 0xD800 && v <= 0xDFFF)) cp = v;
        len = need;
      } else {
        len = k;
      }
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += len;
  }
  return out;
}

std::string Utf16ToUtf8(const std::u16string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

std::u16string FoldName(const std::u16string& name) {
  std::u16string folded = name;
  for (char16_t& c : folded) {
    if (c < 0x80) {
      if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    } else if (c < 0xD800 || c > 0xDFFF) {
      c = static_cast<char16_t>(posix::UpcaseChar(c));
    }
  }
  return folded;
}

}  // namespace pelorin::regtext
