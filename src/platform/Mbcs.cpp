#include "platform/Mbcs.h"

namespace pelorin::mbcs {

bool IsLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

bool IsTrailByte(unsigned char c) { return c >= 0x40 && c <= 0xFE && c != 0x7F; }

std::size_t CharLength(const char* text, std::size_t length, std::size_t pos) {
  if (pos + 1 < length && IsLeadByte(static_cast<unsigned char>(text[pos])) &&
      IsTrailByte(static_cast<unsigned char>(text[pos + 1]))) {
    return 2;
  }
  return 1;
}

std::size_t CharLength(const std::string& text, std::size_t pos) { return CharLength(text.data(), text.size(), pos); }

std::size_t FindLast(const std::string& text, char ch) {
  std::size_t found = npos;
  for (std::size_t i = 0; i < text.size(); i += CharLength(text, i)) {
    if (text[i] == ch) found = i;
  }
  return found;
}

std::size_t FindFirst(const std::string& text, char ch, std::size_t from) {
  // Walk from the start so that `from` is honoured only on character boundaries.
  for (std::size_t i = 0; i < text.size(); i += CharLength(text, i)) {
    if (i >= from && text[i] == ch) return i;
  }
  return npos;
}

std::string AfterLastBackslash(const std::string& path) {
  const std::size_t pos = FindLast(path, '\\');
  return pos == npos ? path : path.substr(pos + 1);
}

bool EqualsNoCaseAscii(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  // A trail byte can look like a letter ("\x81\x41" and "\x81\x61" are two
  // characters), so double-byte characters compare exactly.
  for (std::size_t i = 0; i < a.size();) {
    const std::size_t length = CharLength(a, i);
    if (length == 2 ? (a[i] != b[i] || a[i + 1] != b[i + 1]) : LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    i += length;
  }
  return true;
}

std::string ToLowerAscii(const std::string& text) {
  std::string out = text;
  for (std::size_t i = 0; i < out.size(); i += CharLength(out, i)) out[i] = LowerAscii(out[i]);
  return out;
}

std::string CutAtCharBoundary(const std::string& text, std::size_t maxBytes) {
  std::size_t end = 0;
  while (end < text.size()) {
    const std::size_t next = end + CharLength(text, end);
    if (next > maxBytes) break;
    end = next;
  }
  return text.substr(0, end);
}

std::string RemoveAll(const std::string& text, char ch) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t len = CharLength(text, i);
    if (!(len == 1 && text[i] == ch)) out.append(text, i, len);
    i += len;
  }
  return out;
}

}  // namespace pelorin::mbcs
