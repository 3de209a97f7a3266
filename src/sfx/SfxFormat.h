#pragma once
// The self-extracting container: the restorer stub, one zlib stream per packed
// file, then a trailer read from the end of the file:
//   records (offset, size, compressed size, name, name length; u32 little-endian,
//   name without terminator), count, version "1.10", marker "!ZERN_SFX!".
// A name is the entry's path below the unpack folder, levels separated by "\";
// the whole container lies below 4 GiB, as its offsets are 32-bit.
#include <cstdint>

namespace pelorin::sfx {

constexpr char kStubResourceType[] = "SFX_EXE";
// The restorer stubs are resources of this type; their ids are in res/resource.h.

constexpr char kMarker[] = "!ZERN_SFX!";
constexpr std::uint32_t kMarkerLength = 10;
constexpr char kVersion[] = "1.10";
constexpr std::uint32_t kVersionLength = 4;
// Count, version and marker.
constexpr std::uint32_t kTrailerTail = 4 + kVersionLength + kMarkerLength;
// Offset, size, compressed size and name length around each record's name.
constexpr std::uint32_t kRecordFixed = 16;

constexpr std::uint32_t kBufferSize = 4096;
// The longest entry name the reader accepts.
constexpr std::uint32_t kMaxNameLength = 1000;
// Version passed to deflateInit_/inflateInit_; zlib checks only its first digit.
constexpr char kZlibVersion[] = "1.1.4";
constexpr int kCompressionLevel = 6;
// The shortest zlib stream: header, an empty final block, the Adler-32 checksum.
constexpr std::uint32_t kMinStreamLength = 8;

// Results of CSfxWriter::Build.
constexpr int kBuildDone = 1002;
constexpr int kBuildEmptyTable = 1004;
constexpr int kBuildWriteFailed = 1005;
constexpr int kBuildFileUnreadable = 1006;
constexpr int kBuildNoStub = 1007;
constexpr int kPayloadDone = 1008;
constexpr int kBuildTooLarge = 1009;  // the container would pass 4 GiB

// Progress events of CSfxWriter::Build.
constexpr int kEventFileBegin = 1000;
constexpr int kEventFileEnd = 1001;
constexpr int kEventPercent = 1002;

}  // namespace pelorin::sfx
