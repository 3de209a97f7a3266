// The container reader on any bytes: it refuses or unpacks without reading out of bounds, handing out only safe names.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "sfx/SfxReader.h"

namespace {

using pelorin::SeekOrigin;

struct BytesStream : pelorin::FileStream {
  BytesStream(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool Read(void* buffer, std::uint32_t size, std::uint32_t* got) override {
    const std::size_t n = pos_ < size_ ? std::min<std::size_t>(size, size_ - pos_) : 0;
    if (n) std::memcpy(buffer, data_ + pos_, n);
    pos_ += n;
    *got = static_cast<std::uint32_t>(n);
    return true;
  }
  // What an entry gives is bounded by its recorded size, which the reader checks.
  bool Write(const void*, std::uint32_t) override { return true; }
  bool Seek(std::int64_t offset, SeekOrigin origin) override {
    if (origin != SeekOrigin::kBegin) std::abort();  // the reader seeks from the start only
    return offset >= 0 && (pos_ = static_cast<std::size_t>(offset), true);
  }
  std::uint64_t Position() override { return pos_; }
  std::uint64_t Length() override { return size_; }
  const std::uint8_t* data_;
  std::size_t size_, pos_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  BytesStream container(data, size);
  auto create = [](const std::string& name) -> std::unique_ptr<pelorin::FileStream> {
    if (!pelorin::IsSafeEntryName(name)) std::abort();
    return std::make_unique<BytesStream>(nullptr, 0);
  };
  pelorin::UnpackSfx(container, create, nullptr, nullptr);
  return 0;
}
