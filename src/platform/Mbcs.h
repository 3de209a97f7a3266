#pragma once
// Code page 936 (GBK) text helpers. A double-byte character is a lead byte
// 0x81-0xFE followed by a trail byte 0x40-0xFE (not 0x7F); trail bytes can be
// 0x5C ("\") or 0x2F ("/"), so searches for separators must step over whole
// characters, as the platform's multibyte functions (_mbsrchr, _mbschr) do.
#include <cstddef>
#include <string>

namespace pelorin::mbcs {

constexpr std::size_t npos = std::string::npos;

bool IsLeadByte(unsigned char c);
bool IsTrailByte(unsigned char c);

// Byte length of the character that starts at `pos` (1 or 2; 1 for a lead byte
// at the end of the text or followed by a byte that cannot trail).
std::size_t CharLength(const std::string& text, std::size_t pos);
// The same for `length` bytes at `text`, which need not be a std::string.
std::size_t CharLength(const char* text, std::size_t length, std::size_t pos);

// Offset of the last / first single-byte character `ch` (an ASCII byte), never
// a trail byte; npos when there is none.
std::size_t FindLast(const std::string& text, char ch);
std::size_t FindFirst(const std::string& text, char ch, std::size_t from = 0);

// The part after the last "\" (the whole text when there is none).
std::string AfterLastBackslash(const std::string& path);

// The ASCII case of one byte; every byte outside A-Z/a-z is kept. (Callers on
// GBK text apply them to single-byte characters only, as the functions below do.)
constexpr char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
constexpr char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Comparison folding only single-byte A-Z/a-z (never a trail byte); true when equal.
bool EqualsNoCaseAscii(const std::string& a, const std::string& b);
// Byte-wise ASCII lower case (bytes of double-byte characters are kept).
std::string ToLowerAscii(const std::string& text);

// The longest prefix of `text` of at most `maxBytes` bytes that ends at a whole
// character.
std::string CutAtCharBoundary(const std::string& text, std::size_t maxBytes);

// Removes every single-byte `ch` (never a trail byte).
std::string RemoveAll(const std::string& text, char ch);

}  // namespace pelorin::mbcs
