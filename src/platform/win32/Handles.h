#pragma once
// Owners of the Win32 handles the backend opens: each closes its handle exactly
// once, when it is destroyed. Nothing else in the program closes these handles.
// Closing keeps the thread's last-error code, so the code of a call that failed
// before the clean-up is still there for the caller.
#include <windows.h>

namespace pelorin::win32 {

template <typename Traits>
class UniqueHandle {
 public:
  using Type = typename Traits::Type;

  UniqueHandle() = default;
  explicit UniqueHandle(Type handle) : handle_(handle) {}
  ~UniqueHandle() { Close(); }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
      Close();
      handle_ = other.Release();
    }
    return *this;
  }

  Type get() const { return handle_; }
  explicit operator bool() const { return handle_ != Traits::Invalid(); }
  // Where an opening call stores a new handle; a handle held before is closed.
  Type* Receive() {
    Close();
    return &handle_;
  }
  Type Release() {
    Type handle = handle_;
    handle_ = Traits::Invalid();
    return handle;
  }

 private:
  void Close() {
    if (handle_ == Traits::Invalid()) return;
    const DWORD code = ::GetLastError();
    Traits::Close(handle_);
    ::SetLastError(code);
    handle_ = Traits::Invalid();
  }

  Type handle_ = Traits::Invalid();
};

struct RegKeyTraits {
  using Type = HKEY;
  static HKEY Invalid() { return nullptr; }
  static void Close(HKEY key) { ::RegCloseKey(key); }
};

struct FindTraits {
  using Type = HANDLE;
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE find) { ::FindClose(find); }
};

struct FileTraits {
  using Type = HANDLE;
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE file) { ::CloseHandle(file); }
};

struct LoadedModuleTraits {
  using Type = HMODULE;
  static HMODULE Invalid() { return nullptr; }
  static void Close(HMODULE module) { ::FreeLibrary(module); }
};

// A registry key from RegOpenKeyExA.
using RegKeyHandle = UniqueHandle<RegKeyTraits>;
// A search from FindFirstFileA.
using FindHandle = UniqueHandle<FindTraits>;
// A file from CreateFileA.
using FileHandle = UniqueHandle<FileTraits>;
// A module file mapped for its resources with LoadLibraryExA.
using LoadedModuleHandle = UniqueHandle<LoadedModuleTraits>;

}  // namespace pelorin::win32
