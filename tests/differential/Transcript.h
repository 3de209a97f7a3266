#pragma once
// The record of one scenario run: one line per observation, "key: value", in
// the order the steps ran. Lines whose key starts with "~" are places where
// wine is known to differ from Windows (the reason follows the "~"); the
// comparison lets those differ and reports them.
#include <cstdint>
#include <string>

namespace pelorin::differential {

class Transcript {
 public:
  void Line(const std::string& key, const std::string& value) { text_ += key + ": " + value + "\n"; }
  // A line where wine deviates from Windows for `reason`.
  void Known(const std::string& reason, const std::string& key, const std::string& value) {
    Line("~" + reason + " " + key, value);
  }
  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

inline std::string Hex(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) out += {"0123456789abcdef"[c >> 4], "0123456789abcdef"[c & 15]};
  return out;
}

// Printable ASCII as is, everything else (GBK bytes included) as \xHH.
inline std::string Escape(const std::string& bytes) {
  std::string out;
  for (char c : bytes) out += c >= 0x20 && c < 0x7F && c != '\\' ? std::string(1, c) : "\\x" + Hex(std::string(1, c));
  return out;
}

inline std::string HexNumber(std::uint32_t value) {
  const char bytes[] = {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
  return "0x" + Hex(std::string(bytes, 4));
}

}  // namespace pelorin::differential
