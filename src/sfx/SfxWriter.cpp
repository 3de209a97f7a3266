#include "sfx/SfxWriter.h"

#include <cstring>

#include "platform/Errors.h"
#include "platform/Mbcs.h"
#include "sfx/SfxReader.h"

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
  entries_.clear();
  entries_.shrink_to_fit();
  names_.clear();
  names_.shrink_to_fit();
}

int CSfxWriter::AddFile(const std::string& source) { return AddFile(source, mbcs::AfterLastBackslash(source)); }

int CSfxWriter::AddFile(const std::string& source, const std::string& entryName) {
  // A name the reader would refuse would make the whole container useless.
  if (!IsSafeEntryName(entryName)) return 0;
  std::unique_ptr<FileStream> file = platform_.files->Open(source, OpenMode::kReadExclusive);
  if (!file) return 0;
  const std::uint64_t length = file->Length();
  if (length > 0xFFFFFFFFu) return 0;
  Slot slot;
  slot.size = static_cast<std::uint32_t>(length);
  slot.pathAt = static_cast<std::uint32_t>(names_.size());
  names_.append(source).push_back('\0');
  slot.nameAt = static_cast<std::uint32_t>(names_.size());
  slot.nameLength = static_cast<std::uint32_t>(entryName.size());
  names_.append(entryName).push_back('\0');
  entries_.push_back(slot);
  return 1;
}

SfxFileEntry CSfxWriter::Entry(int index) const {
  const Slot& slot = entries_[static_cast<std::size_t>(index)];
  SfxFileEntry entry;
  entry.name = Name(slot);
  entry.fullPath = Path(slot);
  entry.size = slot.size;
  entry.compressedSize = slot.compressedSize;
  entry.dataOffset = slot.dataOffset;
  return entry;
}

bool CSfxWriter::FitsInFourGiB(std::uint64_t stubSize) const {
  // Offsets and sizes are 32-bit: judged on the largest stream zlib can make of
  // each file, so that no offset can wrap once the build has begun.
  std::uint64_t end = stubSize + sfx::kTrailerTail;
  for (const Slot& slot : entries_) end += compressBound(slot.size) + sfx::kRecordFixed + slot.nameLength;
  return end <= 0xFFFFFFFFu;
}

int CSfxWriter::Build(int resourceId, const std::string& outputPath, SfxProgressProc progress, void* user) {
  if (entries_.empty()) return sfx::kBuildEmptyTable;

  const unsigned char* stub = nullptr;
  std::uint32_t stubSize = 0;
  if (!platform_.resources || !platform_.resources->Find(sfx::kStubResourceType, resourceId, &stub, &stubSize))
    return sfx::kBuildNoStub;
  if (!FitsInFourGiB(stubSize)) return sfx::kBuildTooLarge;

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
  for (Slot& slot : entries_) {
    std::unique_ptr<FileStream> input = platform_.files->Open(Path(slot), OpenMode::kReadShared);
    if (!input) return sfx::kBuildFileUnreadable;
    if (progress) progress(sfx::kEventFileBegin, const_cast<char*>(Name(slot)), user);
    int result = WriteStream(slot, *input, output, progress, user);
    if (result != sfx::kPayloadDone) return result;
    if (progress) progress(sfx::kEventFileEnd, const_cast<char*>(Name(slot)), user);
  }
  return WriteTrailer(output);
}

int CSfxWriter::WriteStream(Slot& slot, FileStream& input, FileStream& output, SfxProgressProc progress,
                            void* user) {
  // A file that grew since it was added can still carry the container past what
  // 32-bit offsets describe.
  const std::uint64_t position = output.Position();
  if (position > 0xFFFFFFFFu) return sfx::kBuildTooLarge;
  slot.dataOffset = static_cast<std::uint32_t>(position);

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
  // The record holds what the stream holds, which the reader requires exactly:
  // a file that changed since it was added is described as it was packed.
  if (result == sfx::kPayloadDone &&
      (stream_.total_in > 0xFFFFFFFFu || stream_.total_out > 0xFFFFFFFFu ||
       position + stream_.total_out > 0xFFFFFFFFu))
    result = sfx::kBuildTooLarge;
  slot.size = static_cast<std::uint32_t>(stream_.total_in);
  slot.compressedSize = static_cast<std::uint32_t>(stream_.total_out);
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
  for (const Slot& slot : entries_) {
    unsigned char head[12];
    PutU32(head, slot.dataOffset);
    PutU32(head + 4, slot.size);
    PutU32(head + 8, slot.compressedSize);
    if (!output.Write(head, sizeof head) || !output.Write(Name(slot), slot.nameLength) ||
        !WriteU32(output, slot.nameLength))
      return sfx::kBuildWriteFailed;
  }
  if (output.Position() + 4 + sfx::kVersionLength + sfx::kMarkerLength > 0xFFFFFFFFu) return sfx::kBuildTooLarge;
  if (!WriteU32(output, static_cast<std::uint32_t>(entries_.size())) ||
      !output.Write(sfx::kVersion, sfx::kVersionLength) || !output.Write(sfx::kMarker, sfx::kMarkerLength))
    return sfx::kBuildWriteFailed;
  return sfx::kPayloadDone;
}

}  // namespace pelorin
