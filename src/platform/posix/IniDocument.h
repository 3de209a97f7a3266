#pragma once
// A profile (INI) file held as its lines, with the look-up and edit rules of
// the Windows profile services. Lines keep their original bytes until edited,
// so a write changes only the line it touches (and the line ends, which are
// always written as CRLF). Text handed in and out is GBK; the file may be ANSI
// (GBK bytes), UTF-16LE or UTF-16BE with a byte-order mark. A UTF-8 byte-order
// mark is taken off and kept, and the rest read as ANSI bytes, as the ANSI
// services read them.
//
// Any input parses: binary garbage, NUL bytes, very long lines, a cut UTF-16
// code unit. Nothing here touches the file system.
#include <cstddef>
#include <string>
#include <vector>

namespace pelorin::posix {

class IniDocument {
 public:
  enum class Encoding { kAnsi, kUtf8Bom, kUtf16Le, kUtf16Be };

  void Parse(const std::string& bytes);
  // The file's bytes: every line ended by CRLF, in the file's own encoding.
  std::string Serialize() const;
  Encoding encoding() const { return encoding_; }

  // The trimmed value of `key` in the first section named `section` (no quote
  // stripping here). False when the section or the key is absent.
  bool FindValue(const std::string& section, const std::string& key, std::string& value) const;
  // The lines of the first section named `section`: "key=value" with the blanks
  // around "=" taken off, lines without "=" as they stand (trimmed); blank and
  // ';' comment lines left out. False when there is no such section.
  bool SectionLines(const std::string& section, std::vector<std::string>& lines) const;
  // The keys of the first section named `section` (lines with "=", no comments).
  bool KeyNames(const std::string& section, std::vector<std::string>& keys) const;
  // Every section name in file order, duplicates included.
  std::vector<std::string> SectionNames() const;

  // WritePrivateProfileString's edits. The value is written as given.
  void SetValue(const std::string& section, const std::string& key, const std::string& value);
  // Returns true when something was removed.
  bool DeleteKey(const std::string& section, const std::string& key);
  bool DeleteSection(const std::string& section);

  // Profile trimming: blanks, tabs, line-end characters and ^Z on both sides.
  static std::string Trim(const std::string& text);

 private:
  struct Line {
    std::string text;  // GBK, no line end
    std::string raw;   // the original bytes in the file's encoding (untouched lines)
    bool edited = false;
  };
  struct Parsed {
    enum Kind { kBlank, kHeader, kEntry } kind = kBlank;
    std::string name;   // section name, or key (text before "=", trimmed)
    std::string value;  // text after "=", trimmed
    bool hasEquals = false;
    bool comment = false;
  };
  static Parsed Classify(const std::string& text);
  // [begin, end) line range of the body of the first section named `section`,
  // `header` the header's line; false when absent.
  bool FindSection(const std::string& section, std::size_t& header, std::size_t& begin,
                   std::size_t& end) const;
  void AddLine(const std::string& raw, bool utf16);
  void SwapIfBigEndian(std::string& utf16) const;

  Encoding encoding_ = Encoding::kAnsi;
  std::vector<Line> lines_;
};

}  // namespace pelorin::posix
