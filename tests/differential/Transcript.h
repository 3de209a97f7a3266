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

// Printable ASCII as is, everything else (GBK bytes included) as \xHH.
inline std::string Escape(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out += static_cast<char>(c);
    } else {
      out += "\\x";
      out += kDigits[c >> 4];
      out += kDigits[c & 15];
    }
  }
  return out;
}

inline std::string Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out;
}

inline std::string HexNumber(std::uint32_t value) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out = "0x";
  for (int shift = 28; shift >= 0; shift -= 4) out += kDigits[(value >> shift) & 15];
  return out;
}

}  // namespace pelorin::differential
