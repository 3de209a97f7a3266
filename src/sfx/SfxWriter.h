#pragma once
// Joins the restorer stub and a list of files into one self-extracting
// executable: each file as a zlib stream, then the trailer (SfxFormat.h).
// Streaming over two fixed 4 KiB buffers and one reused deflate stream; the
// list keeps each file's two names in one shared buffer.
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "sfx/SfxFormat.h"

namespace pelorin {

struct SfxFileEntry {
  std::string name;      // the entry's path below the destination folder, "\"-separated
  std::string fullPath;  // where the file is read from
  std::uint32_t size = 0;            // length when added; after Build, the bytes packed
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
  // 1 when the file was taken into the list under `entryName` (its path below
  // the destination folder), 0 when the file cannot be opened, is 4 GiB or
  // more, or the name is not one the reader accepts.
  int AddFile(const std::string& source, const std::string& entryName);
  // The same, the entry named by the part of `source` after its last "\".
  int AddFile(const std::string& source);
  // 1002 on success, else 1004-1007 or 1009 (SfxFormat.h). The output is written
  // beside the target first and moved into place only when complete, so a
  // failed build neither leaves a broken executable nor destroys an earlier one.
  int Build(int resourceId, const std::string& outputPath, SfxProgressProc progress, void* user);

  int Count() const { return static_cast<int>(entries_.size()); }
  SfxFileEntry Entry(int index) const;

  // The work file that Build writes before moving it onto `outputPath`.
  static std::string WorkPath(const std::string& outputPath) { return outputPath + ".tmp"; }

 private:
  struct Slot {
    std::uint32_t pathAt = 0, nameAt = 0, nameLength = 0;  // in names_, each followed by a NUL
    std::uint32_t size = 0, compressedSize = 0, dataOffset = 0;
  };
  const char* Path(const Slot& slot) const { return names_.c_str() + slot.pathAt; }
  const char* Name(const Slot& slot) const { return names_.c_str() + slot.nameAt; }
  bool FitsInFourGiB(std::uint64_t stubSize) const;
  int WritePayload(FileStream& output, SfxProgressProc progress, void* user);
  int WriteStream(Slot& slot, FileStream& input, FileStream& output, SfxProgressProc progress, void* user);
  int WriteTrailer(FileStream& output);
  // Writes what the output buffer holds; *wrote tells whether there was any.
  bool Drain(FileStream& output, bool* wrote);

  Platform platform_;
  z_stream stream_;
  std::vector<Slot> entries_;
  std::string names_;
  unsigned char input_[sfx::kBufferSize];
  unsigned char output_[sfx::kBufferSize];
  std::uint32_t currentLength_ = 0;
};

}  // namespace pelorin
