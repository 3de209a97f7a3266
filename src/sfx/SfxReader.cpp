#include "sfx/SfxReader.h"

#include <zlib.h>

#include <cstring>

#include "sfx/SfxFormat.h"
#include "platform/Mbcs.h"

namespace pelorin {

namespace {

std::uint32_t GetU32(const unsigned char* in) {
  return static_cast<std::uint32_t>(in[0]) | static_cast<std::uint32_t>(in[1]) << 8 |
         static_cast<std::uint32_t>(in[2]) << 16 | static_cast<std::uint32_t>(in[3]) << 24;
}

// Reads exactly `size` bytes at `offset`.
bool ReadAt(FileStream& file, std::uint64_t offset, void* buffer, std::uint32_t size) {
  if (!file.Seek(static_cast<std::int64_t>(offset), SeekOrigin::kBegin)) return false;
  auto* out = static_cast<unsigned char*>(buffer);
  while (size > 0) {
    std::uint32_t got = 0;
    if (!file.Read(out, size, &got) || got == 0) return false;
    out += got;
    size -= got;
  }
  return true;
}

bool IsDeviceName(const std::string& name) {
  // Windows opens the device for these names whatever the extension.
  std::string stem = mbcs::ToLowerAscii(name.substr(0, name.find('.')));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  static const char* const kDevices[] = {"con", "prn", "aux", "nul", "conin$", "conout$", "clock$"};
  for (const char* device : kDevices)
    if (stem == device) return true;
  return stem.size() == 4 && (stem.compare(0, 3, "com") == 0 || stem.compare(0, 3, "lpt") == 0) &&
         stem[3] >= '0' && stem[3] <= '9';
}

}  // namespace

const char* SfxStatusText(SfxStatus status) {
  switch (status) {
    case SfxStatus::kOk: return "ok";
    case SfxStatus::kNotContainer: return "not a self-extracting backup";
    case SfxStatus::kEmpty: return "the backup holds no file";
    case SfxStatus::kCorrupt: return "the backup is damaged";
    case SfxStatus::kReadFailed: return "the backup cannot be read";
    case SfxStatus::kCreateFailed: return "a file cannot be created";
    case SfxStatus::kWriteFailed: return "a file cannot be written";
  }
  return "unknown";
}

bool IsSafeEntryName(const std::string& name) {
  if (name.empty() || name.size() > sfx::kMaxNameLength) return false;
  if (name.find("..") != std::string::npos || name == ".") return false;
  for (std::size_t i = 0; i < name.size(); i += mbcs::CharLength(name, i)) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (mbcs::CharLength(name, i) == 2) continue;
    if (c < 0x20 || c == 0x7F) return false;
    if (std::strchr("\\/:*?\"<>|", c) != nullptr) return false;
  }
  // A trailing dot or blank is dropped by Windows, which would merge names.
  if (name.back() == '.' || name.back() == ' ') return false;
  return !IsDeviceName(name);
}

SfxStatus ReadSfxDirectory(FileStream& container, std::vector<SfxRecord>& records) {
  records.clear();
  const std::uint64_t length = container.Length();
  if (length < sfx::kTrailerTail) return SfxStatus::kNotContainer;

  unsigned char tail[sfx::kTrailerTail];
  if (!ReadAt(container, length - sfx::kTrailerTail, tail, sfx::kTrailerTail)) return SfxStatus::kReadFailed;
  if (std::memcmp(tail + 4 + sfx::kVersionLength, sfx::kMarker, sfx::kMarkerLength) != 0 ||
      std::memcmp(tail + 4, sfx::kVersion, sfx::kVersionLength) != 0)
    return SfxStatus::kNotContainer;

  const std::uint32_t count = GetU32(tail);
  if (count == 0) return SfxStatus::kEmpty;
  // Every record takes at least its fixed fields and a one-byte name.
  std::uint64_t end = length - sfx::kTrailerTail;
  if (count > end / (sfx::kRecordFixed + 1)) return SfxStatus::kCorrupt;

  records.resize(count);
  std::string name;
  for (std::uint32_t i = count; i-- > 0;) {
    unsigned char word[4];
    if (end < sfx::kRecordFixed + 1) return SfxStatus::kCorrupt;
    if (!ReadAt(container, end - 4, word, 4)) return SfxStatus::kReadFailed;
    const std::uint32_t nameLength = GetU32(word);
    if (nameLength == 0 || nameLength > sfx::kMaxNameLength || nameLength > end - sfx::kRecordFixed)
      return SfxStatus::kCorrupt;
    const std::uint64_t start = end - sfx::kRecordFixed - nameLength;
    unsigned char head[12];
    name.assign(nameLength, '\0');
    if (!ReadAt(container, start, head, sizeof head) || !ReadAt(container, start + 12, &name[0], nameLength))
      return SfxStatus::kReadFailed;
    if (!IsSafeEntryName(name)) return SfxStatus::kCorrupt;
    SfxRecord& record = records[i];
    record.dataOffset = GetU32(head);
    record.size = GetU32(head + 4);
    record.compressedSize = GetU32(head + 8);
    record.name = name;
    end = start;
  }
  // The streams lie before the first record.
  for (const SfxRecord& record : records) {
    if (record.compressedSize < sfx::kMinStreamLength ||
        static_cast<std::uint64_t>(record.dataOffset) + record.compressedSize > end)
      return SfxStatus::kCorrupt;
  }
  return SfxStatus::kOk;
}

SfxStatus InflateSfxEntry(FileStream& container, const SfxRecord& record, FileStream* out) {
  if (!container.Seek(record.dataOffset, SeekOrigin::kBegin)) return SfxStatus::kReadFailed;
  unsigned char input[sfx::kBufferSize];
  unsigned char output[sfx::kBufferSize];
  z_stream stream;
  std::memset(&stream, 0, sizeof stream);
  if (inflateInit_(&stream, sfx::kZlibVersion, static_cast<int>(sizeof(z_stream))) != Z_OK)
    return SfxStatus::kReadFailed;

  std::uint32_t remaining = record.compressedSize;
  SfxStatus status = SfxStatus::kOk;
  int rc = Z_OK;
  bool outputFull = false;
  while (rc != Z_STREAM_END) {
    // A full output buffer may leave decoded bytes inside zlib: call again first.
    if (stream.avail_in == 0 && !outputFull) {
      if (remaining == 0) {
        status = SfxStatus::kCorrupt;  // the stream runs past its recorded size
        break;
      }
      std::uint32_t want = remaining < sfx::kBufferSize ? remaining : sfx::kBufferSize;
      std::uint32_t got = 0;
      if (!container.Read(input, want, &got) || got == 0) {
        status = SfxStatus::kReadFailed;
        break;
      }
      remaining -= got;
      stream.next_in = input;
      stream.avail_in = got;
    }
    stream.next_out = output;
    stream.avail_out = sfx::kBufferSize;
    rc = inflate(&stream, Z_NO_FLUSH);
    if (rc != Z_OK && rc != Z_STREAM_END) {
      status = SfxStatus::kCorrupt;
      break;
    }
    const std::uint32_t produced = sfx::kBufferSize - stream.avail_out;
    outputFull = stream.avail_out == 0;
    if (out && produced > 0 && !out->Write(output, produced)) {
      status = SfxStatus::kWriteFailed;
      break;
    }
  }
  if (status == SfxStatus::kOk && (stream.avail_in != 0 || remaining != 0)) status = SfxStatus::kCorrupt;
  inflateEnd(&stream);
  return status;
}

SfxStatus UnpackSfx(FileStream& container, const SfxCreateEntry& create, const SfxRemoveEntry& remove,
                    std::vector<SfxRecord>* records) {
  std::vector<SfxRecord> directory;
  SfxStatus status = ReadSfxDirectory(container, directory);
  if (records) *records = directory;
  if (status != SfxStatus::kOk) return status;
  std::vector<const std::string*> created;
  for (auto it = directory.rbegin(); it != directory.rend() && status == SfxStatus::kOk; ++it) {
    std::unique_ptr<FileStream> out = create(it->name);
    if (!out) {
      status = SfxStatus::kCreateFailed;
      break;
    }
    created.push_back(&it->name);
    status = InflateSfxEntry(container, *it, out.get());
  }
  if (status != SfxStatus::kOk && remove) {
    // The failed entry's stream is closed by now: the loop's scope ended.
    for (auto it = created.rbegin(); it != created.rend(); ++it) remove(**it);
  }
  return status;
}

}  // namespace pelorin
