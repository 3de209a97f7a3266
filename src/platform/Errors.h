#pragma once
// Last-error codes the logic tests, with the values Windows gives them, and the
// thread's last-error code as the second result channel of platform calls.
#include <cstdint>

namespace pelorin {

namespace err {
constexpr std::uint32_t kSuccess = 0;
constexpr std::uint32_t kFileNotFound = 2;
constexpr std::uint32_t kPathNotFound = 3;
constexpr std::uint32_t kAccessDenied = 5;
constexpr std::uint32_t kInvalidHandle = 6;
constexpr std::uint32_t kNotEnoughMemory = 8;
constexpr std::uint32_t kInvalidData = 13;
constexpr std::uint32_t kNoMoreFiles = 18;
constexpr std::uint32_t kSharingViolation = 32;
constexpr std::uint32_t kHandleEof = 38;
constexpr std::uint32_t kFileExists = 80;
constexpr std::uint32_t kInvalidParameter = 87;
constexpr std::uint32_t kInsufficientBuffer = 122;
constexpr std::uint32_t kInvalidName = 123;
constexpr std::uint32_t kDirNotEmpty = 145;
constexpr std::uint32_t kAlreadyExists = 183;
constexpr std::uint32_t kMoreData = 234;
constexpr std::uint32_t kNoMoreItems = 259;
constexpr std::uint32_t kDirectory = 267;
constexpr std::uint32_t kResourceTypeNotFound = 1813;
constexpr std::uint32_t kResourceNameNotFound = 1814;
}  // namespace err

// The calling thread's last-error code (GetLastError/SetLastError on Windows,
// a thread-local value on the POSIX backend).
std::uint32_t GetLastError();
void SetLastError(std::uint32_t code);

// Reads the last-error code when constructed and sets it again when destroyed,
// so clean-up calls in between cannot replace the code of the step that failed.
class LastErrorKeeper {
 public:
  LastErrorKeeper() : code_(GetLastError()) {}
  ~LastErrorKeeper() { SetLastError(code_); }
  LastErrorKeeper(const LastErrorKeeper&) = delete;
  LastErrorKeeper& operator=(const LastErrorKeeper&) = delete;
  std::uint32_t code() const { return code_; }

 private:
  std::uint32_t code_;
};

}  // namespace pelorin
