#pragma once
// Text conversions of the POSIX backend. The core's narrow strings are code page
// 936 (GBK); host file names and the terminal are UTF-8; profile files may be
// UTF-16LE. Conversions go through the C library's iconv.
#include <cstddef>
#include <string>

namespace pelorin::posix {

enum class Invalid {
  kFail,     // any byte sequence that cannot be converted fails the call
  kReplace,  // such sequences become '?', the call succeeds
};

// Each returns false (and leaves `out` with what was converted) when the input
// holds a sequence that cannot be converted and `invalid` is kFail.
bool GbkToUtf8(const std::string& gbk, std::string& out, Invalid invalid = Invalid::kFail);
bool Utf8ToGbk(const std::string& utf8, std::string& out, Invalid invalid = Invalid::kFail);
bool Utf16LeToGbk(const std::string& utf16, std::string& out, Invalid invalid = Invalid::kFail);
bool GbkToUtf16Le(const std::string& gbk, std::string& out, Invalid invalid = Invalid::kFail);

// Convenience forms that never fail (replacement characters instead).
std::string GbkToUtf8Lossy(const std::string& gbk);
std::string Utf8ToGbkLossy(const std::string& utf8);

// Strict UTF-8 decoding into code points; false on malformed input.
bool DecodeUtf8(const std::string& utf8, std::u32string& out);

// The upper-case form the NTFS up-case table gives a character (Latin, Greek,
// Cyrillic, full-width and Roman-numeral letters; everything else unchanged).
char32_t UpcaseChar(char32_t c);

// A sort key for names in NTFS order: the name's UTF-16 code units, each
// up-cased. Comparing keys lexicographically compares names the way the file
// system orders a folder.
std::u16string NtfsOrderKey(const std::u32string& name);

// Name comparison without regard to case, as Windows compares file, section
// and key names. Both texts are GBK; invalid bytes compare as themselves.
bool EqualsNoCaseGbk(const std::string& a, const std::string& b);

}  // namespace pelorin::posix
