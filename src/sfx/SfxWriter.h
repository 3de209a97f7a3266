#pragma once
// Joins the restorer stub and a list of files into one self-extracting
// executable: each file as a zlib stream, then the trailer (SfxFormat.h).
// Streaming over two fixed 4 KiB buffers and one reused deflate stream.
#include <zlib.h>

#include <cstdint>
#include <string>

#include "sfx/SfxFormat.h"
#include "platform/Platform.h"

namespace pelorin {

struct SfxFileEntry {
  std::string name;      // part of the path after its last "\"
  std::string fullPath;  // where the file is read from
  std::uint32_t size = 0;            // length when added
  std::uint32_t compressedSize = 0;  // set by Build
  std::uint32_t dataOffset = 0;      // set by Build
};

// Share of the current file consumed, from zlib's input count and the file's
// length: 100 for an empty file; 32-bit products, truncating divisions.
int SfxPercentage(std::uint32_t consumed, std::uint32_t length);

// (event code, event data, user value); the result is ignored.
using SfxProgressProc = int (*)(int event, void* data, void* user);

class CSfxWriter {
 public:
  explicit CSfxWriter(const Platform& platform);
  virtual ~CSfxWriter();
  CSfxWriter(const CSfxWriter&) = delete;
  CSfxWriter& operator=(const CSfxWriter&) = delete;

  void Reset();
  // 1 when the file was taken into the table, 0 when the table is full or the
  // file cannot be opened.
  int AddFile(const std::string& path);
  // 1002 on success, else 1004-1007 (SfxFormat.h). The output is written beside
  // the target first and moved into place only when complete, so a failed build
  // neither leaves a broken executable nor destroys an earlier one.
  int Build(int resourceId, const std::string& outputPath, SfxProgressProc progress, void* user);

  int Count() const { return count_; }
  const SfxFileEntry& Entry(int index) const { return table_[index]; }
  // Set when AddFile refused a file because the table was full; cleared by Reset.
  bool Overflowed() const { return overflowed_; }

  // The work file that Build writes before moving it onto `outputPath`.
  static std::string WorkPath(const std::string& outputPath) { return outputPath + ".tmp"; }

 private:
  int WritePayload(FileStream& output, SfxProgressProc progress, void* user);
  int WriteStream(SfxFileEntry& entry, FileStream& input, FileStream& output, SfxProgressProc progress,
                  void* user);
  int WriteTrailer(FileStream& output);
  // Writes what the output buffer holds; *wrote tells whether there was any.
  bool Drain(FileStream& output, bool* wrote);

  Platform platform_;
  z_stream stream_;
  SfxFileEntry table_[sfx::kMaxFiles];
  int count_ = 0;
  bool overflowed_ = false;
  unsigned char input_[sfx::kBufferSize];
  unsigned char output_[sfx::kBufferSize];
  std::uint32_t currentLength_ = 0;
};

}  // namespace pelorin
