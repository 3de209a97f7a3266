#include "sfx/SfxWriter.h"

#include <cstring>

#include "platform/Errors.h"
#include "platform/Mbcs.h"

namespace pelorin {

namespace {

void PutU32(unsigned char* out, std::uint32_t value) {
  out[0] = static_cast<unsigned char>(value);
  out[1] = static_cast<unsigned char>(value >> 8);
  out[2] = static_cast<unsigned char>(value >> 16);
  out[3] = static_cast<unsigned char>(value >> 24);
}

bool WriteU32(FileStream& output, std::uint32_t value) {
  unsigned char bytes[4];
  PutU32(bytes, value);
  return output.Write(bytes, 4);
}

}  // namespace

CSfxWriter::CSfxWriter(const Platform& platform) : platform_(platform) {
  std::memset(&stream_, 0, sizeof stream_);
  stream_.zalloc = Z_NULL;
  stream_.zfree = Z_NULL;
  stream_.opaque = Z_NULL;
}

CSfxWriter::~CSfxWriter() = default;

void CSfxWriter::Reset() {
  for (SfxFileEntry& entry : table_) entry = SfxFileEntry{};
  count_ = 0;
  overflowed_ = false;
}

int CSfxWriter::AddFile(const std::string& path) {
  if (count_ >= sfx::kMaxFiles) {
    overflowed_ = true;
    return 0;
  }
  std::string name = mbcs::AfterLastBackslash(path);
  if (name.size() > sfx::kMaxNameLength) return 0;
  std::unique_ptr<FileStream> file = platform_.files->Open(path, OpenMode::kReadExclusive);
  if (!file) return 0;
  SfxFileEntry& entry = table_[count_];
  entry = SfxFileEntry{};
  entry.size = static_cast<std::uint32_t>(file->Length());
  file.reset();
  entry.fullPath = path;
  entry.name = std::move(name);
  ++count_;
  return 1;
}

int CSfxWriter::Build(int resourceId, const std::string& outputPath, SfxProgressProc progress, void* user) {
  if (count_ < 1) return sfx::kBuildEmptyTable;

  const unsigned char* stub = nullptr;
  std::uint32_t stubSize = 0;
  if (!platform_.resources || !platform_.resources->Find(sfx::kStubResourceType, resourceId, &stub, &stubSize))
    return sfx::kBuildNoStub;

  const std::string workPath = WorkPath(outputPath);
  std::unique_ptr<FileStream> output = platform_.files->Open(workPath, OpenMode::kCreateWrite);
  if (!output) return sfx::kBuildWriteFailed;

  int result = output->Write(stub, stubSize) ? WritePayload(*output, progress, user) : sfx::kBuildWriteFailed;
  output.reset();
  if (result == sfx::kPayloadDone && platform_.files->MoveReplace(workPath, outputPath)) return sfx::kBuildDone;
  if (result == sfx::kPayloadDone) result = sfx::kBuildWriteFailed;
  LastErrorKeeper keep;
  platform_.files->Delete(workPath);
  return result;
}

int CSfxWriter::WritePayload(FileStream& output, SfxProgressProc progress, void* user) {
  for (int i = 0; i < count_; ++i) {
    SfxFileEntry& entry = table_[i];
    std::unique_ptr<FileStream> input = platform_.files->Open(entry.fullPath, OpenMode::kReadShared);
    if (!input) return sfx::kBuildFileUnreadable;
    if (progress) progress(sfx::kEventFileBegin, const_cast<char*>(entry.name.c_str()), user);
    int result = WriteStream(entry, *input, output, progress, user);
    if (result != sfx::kPayloadDone) return result;
    if (progress) progress(sfx::kEventFileEnd, const_cast<char*>(entry.name.c_str()), user);
  }
  return WriteTrailer(output);
}

int CSfxWriter::WriteStream(SfxFileEntry& entry, FileStream& input, FileStream& output, SfxProgressProc progress,
                            void* user) {
  const std::uint64_t position = output.Position();
  // Offsets are 32-bit in the trailer; a container past 4 GiB cannot be described.
  if (position > 0xFFFFFFFFu) return sfx::kBuildWriteFailed;
  entry.dataOffset = static_cast<std::uint32_t>(position);

  stream_.next_in = input_;
  stream_.avail_in = 0;
  stream_.next_out = output_;
  stream_.avail_out = sfx::kBufferSize;
  currentLength_ = static_cast<std::uint32_t>(input.Length());
  if (deflateInit_(&stream_, sfx::kCompressionLevel, sfx::kZlibVersion, static_cast<int>(sizeof(z_stream))) !=
      Z_OK)
    return sfx::kBuildWriteFailed;

  int result = sfx::kPayloadDone;
  bool wrote = false;
  for (;;) {
    if (stream_.avail_in == 0) {
      std::uint32_t got = 0;
      if (!input.Read(input_, sfx::kBufferSize, &got)) {
        result = sfx::kBuildWriteFailed;
        break;
      }
      stream_.next_in = input_;
      stream_.avail_in = got;
      if (got == 0) break;
    }
    const int rc = deflate(&stream_, Z_NO_FLUSH);
    if (!Drain(output, &wrote)) {
      result = sfx::kBuildWriteFailed;
      break;
    }
    if (rc != Z_OK) break;
    if (progress) {
      int percent = SfxPercentage(static_cast<std::uint32_t>(stream_.total_in), currentLength_);
      progress(sfx::kEventPercent, &percent, user);
    }
  }

  if (result == sfx::kPayloadDone) {
    int rc = Z_OK;
    do {
      rc = deflate(&stream_, Z_FINISH);
      if (!Drain(output, &wrote)) {
        result = sfx::kBuildWriteFailed;
        break;
      }
    } while (wrote && rc == Z_OK);
    if (result == sfx::kPayloadDone && rc != Z_STREAM_END) result = sfx::kBuildWriteFailed;
  }
  entry.compressedSize = static_cast<std::uint32_t>(stream_.total_out);
  deflateEnd(&stream_);
  return result;
}

bool CSfxWriter::Drain(FileStream& output, bool* wrote) {
  const std::uint32_t pending = sfx::kBufferSize - stream_.avail_out;
  *wrote = pending > 0;
  if (pending > 0 && !output.Write(output_, pending)) return false;
  stream_.next_out = output_;
  stream_.avail_out = sfx::kBufferSize;
  return true;
}

int SfxPercentage(std::uint32_t consumed, std::uint32_t length) {
  if (length == 0) return 100;
  // 32-bit products: a file that grew after it was added can wrap the figure.
  if (length <= 10000000u) return static_cast<int>(static_cast<std::uint32_t>(consumed * 100u) / length);
  return static_cast<int>(consumed / (length / 100u));
}

int CSfxWriter::WriteTrailer(FileStream& output) {
  for (int i = 0; i < count_; ++i) {
    const SfxFileEntry& entry = table_[i];
    unsigned char head[12];
    PutU32(head, entry.dataOffset);
    PutU32(head + 4, entry.size);
    PutU32(head + 8, entry.compressedSize);
    const std::uint32_t nameLength = static_cast<std::uint32_t>(entry.name.size());
    if (!output.Write(head, sizeof head) || !output.Write(entry.name.data(), nameLength) ||
        !WriteU32(output, nameLength))
      return sfx::kBuildWriteFailed;
  }
  if (!WriteU32(output, static_cast<std::uint32_t>(count_)) ||
      !output.Write(sfx::kVersion, sfx::kVersionLength) || !output.Write(sfx::kMarker, sfx::kMarkerLength))
    return sfx::kBuildWriteFailed;
  return sfx::kPayloadDone;
}

}  // namespace pelorin
