#pragma once
// Reads a self-extracting container (sfx/SfxFormat.h) from its end. The
// directory is validated as a whole before any entry is created, and a stream
// found damaged while it is unpacked takes back every entry written before it,
// so a damaged or crafted container is refused as a whole and is never read out
// of bounds.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace pelorin {

struct SfxRecord {
  std::uint32_t dataOffset = 0;
  std::uint32_t size = 0;
  std::uint32_t compressedSize = 0;
  std::string name;
};

enum class SfxStatus {
  kOk,
  kNotContainer,  // no marker or another version
  kEmpty,         // a well-formed trailer that lists no file
  kCorrupt,       // records, names or streams do not fit the file
  kReadFailed,    // the container cannot be opened or read
  kCreateFailed,  // an entry cannot be created
  kWriteFailed,   // an entry cannot be written
};

const char* SfxStatusText(SfxStatus status);

// A name that can be created inside the target folder and nowhere else: not
// empty, no separators, drive colons, "..", control or wildcard characters, and
// no device name such as NUL or COM1.
bool IsSafeEntryName(const std::string& name);

// The records in table order (the first written first).
SfxStatus ReadSfxDirectory(FileStream& container, std::vector<SfxRecord>& records);

// Inflates one entry into `out`, or only checks it when `out` is null. The stream
// must end exactly at its recorded compressed size.
SfxStatus InflateSfxEntry(FileStream& container, const SfxRecord& record, FileStream* out);

using SfxCreateEntry = std::function<std::unique_ptr<FileStream>(const std::string& name)>;
using SfxRemoveEntry = std::function<void(const std::string& name)>;

// Reads the directory, then inflates the entries from the last record to the
// first (so of two equal names the one listed first stays), each stream once.
// When an entry fails, every entry created so far is handed to `remove` (after
// its stream was closed), latest first. `records` receives the directory when
// it was read.
SfxStatus UnpackSfx(FileStream& container, const SfxCreateEntry& create, const SfxRemoveEntry& remove,
                    std::vector<SfxRecord>* records);

}  // namespace pelorin
