#pragma once
// Text conversions the offline registry needs: hives and version-5 exports hold
// UTF-16LE, the A functions hand out code page 936 (GBK), REGEDIT4 exports are
// GBK, and file names and diagnostics are UTF-8 (GBK to and from UTF-8 is
// posix/Encoding's).
#include <string>

namespace pelorin::regtext {

// Characters GBK cannot hold become "?" (one per UTF-16 unit), as
// WideCharToMultiByte does with its default character. An odd trailing byte of
// UTF-16 data is ignored. GBK work is done by posix/Encoding.
std::string Utf16ToGbk(const std::u16string& text);
std::u16string GbkToUtf16(const std::string& text);

// Invalid UTF-8 sequences become U+FFFD; unpaired surrogates likewise.
std::u16string Utf8ToUtf16(const std::string& text);
std::string Utf16ToUtf8(const std::u16string& text);

// Little-endian byte image of UTF-16 text and back (an odd last byte is dropped).
std::string Utf16ToBytes(const std::u16string& text);
std::u16string BytesToUtf16(const std::string& bytes);

// The upper case Windows compares key and value names in (its up-case table).
std::u16string FoldName(const std::u16string& name);

}  // namespace pelorin::regtext
