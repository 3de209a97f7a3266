// The self-extracting container reader on arbitrary bytes: it must refuse or
// unpack without reading out of bounds and hand out only safe entry names.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "sfx/SfxReader.h"

namespace {

class BytesStream : public pelorin::FileStream {
 public:
  BytesStream(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool Read(void* buffer, std::uint32_t size, std::uint32_t* got) override {
    const std::size_t n = pos_ < size_ ? std::min<std::size_t>(size, size_ - pos_) : 0;
    if (n) std::memcpy(buffer, data_ + pos_, n);
    pos_ += n;
    *got = static_cast<std::uint32_t>(n);
    return true;
  }
  bool Write(const void*, std::uint32_t size) override {
    written_ += size;
    return written_ < (64u << 20);  // a bound on what one input may expand to
  }
  bool Seek(std::int64_t offset, pelorin::SeekOrigin origin) override {
    const std::int64_t base = origin == pelorin::SeekOrigin::kBegin     ? 0
                              : origin == pelorin::SeekOrigin::kCurrent ? static_cast<std::int64_t>(pos_)
                                                                        : static_cast<std::int64_t>(size_);
    if (base + offset < 0) return false;
    pos_ = static_cast<std::size_t>(base + offset);
    return true;
  }
  std::uint64_t Position() override { return pos_; }
  std::uint64_t Length() override { return size_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
  std::size_t written_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  BytesStream container(data, size);
  std::vector<pelorin::SfxRecord> records;
  pelorin::UnpackSfx(
      container,
      [](const std::string& name) -> std::unique_ptr<pelorin::FileStream> {
        if (!pelorin::IsSafeEntryName(name)) std::abort();
        return std::make_unique<BytesStream>(nullptr, 0);
      },
      nullptr, &records);
  return 0;
}
