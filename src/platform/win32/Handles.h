#pragma once
// Owners of the Win32 handles the backend opens: each closes its handle exactly
// once, when it is destroyed. Nothing else in the program closes these handles.
// Closing keeps the thread's last-error code, so the code of a call that failed
// before the clean-up is still there for the caller.
#include <windows.h>
#include <commctrl.h>

namespace pelorin::win32 {

// Keeps the thread's last-error code across a clean-up.
class LastErrorKept {
 public:
  LastErrorKept() : code_(::GetLastError()) {}
  ~LastErrorKept() { ::SetLastError(code_); }
  LastErrorKept(const LastErrorKept&) = delete;
  LastErrorKept& operator=(const LastErrorKept&) = delete;

 private:
  DWORD code_;
};

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
    const LastErrorKept kept;
    Traits::Close(handle_);
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

// Kernel objects whose failed opening gives a null handle (tokens, threads).
struct KernelTraits {
  using Type = HANDLE;
  static HANDLE Invalid() { return nullptr; }
  static void Close(HANDLE object) { ::CloseHandle(object); }
};

struct LocalMemoryTraits {
  using Type = HLOCAL;
  static HLOCAL Invalid() { return nullptr; }
  static void Close(HLOCAL memory) { ::LocalFree(memory); }
};

template <typename Object>
struct GdiTraits {
  using Type = Object;
  static Object Invalid() { return nullptr; }
  static void Close(Object object) { ::DeleteObject(object); }
};

struct MemoryDcTraits {
  using Type = HDC;
  static HDC Invalid() { return nullptr; }
  static void Close(HDC dc) { ::DeleteDC(dc); }
};

struct ImageListTraits {
  using Type = HIMAGELIST;
  static HIMAGELIST Invalid() { return nullptr; }
  static void Close(HIMAGELIST list) { ::ImageList_Destroy(list); }
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
// A process token (OpenProcessToken) or a thread (_beginthreadex).
using KernelHandle = UniqueHandle<KernelTraits>;
// Memory the system allocated for the caller with LocalAlloc.
using LocalMemoryHandle = UniqueHandle<LocalMemoryTraits>;
// GDI objects made by the program, and memory device contexts.
using FontHandle = UniqueHandle<GdiTraits<HFONT>>;
using BitmapHandle = UniqueHandle<GdiTraits<HBITMAP>>;
using BrushHandle = UniqueHandle<GdiTraits<HBRUSH>>;
using PenHandle = UniqueHandle<GdiTraits<HPEN>>;
using RegionHandle = UniqueHandle<GdiTraits<HRGN>>;
using MemoryDcHandle = UniqueHandle<MemoryDcTraits>;
using ImageListHandle = UniqueHandle<ImageListTraits>;

// A window's device context from GetDC, released to that window.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(::GetDC(window)) {}
  ~WindowDc() {
    const LastErrorKept kept;
    if (dc_) ::ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// A window's paint from BeginPaint, ended with the object.
class PaintDc {
 public:
  explicit PaintDc(HWND window) : window_(window), dc_(::BeginPaint(window, &paint_)) {}
  ~PaintDc() {
    const LastErrorKept kept;
    ::EndPaint(window_, &paint_);
  }
  PaintDc(const PaintDc&) = delete;
  PaintDc& operator=(const PaintDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  PAINTSTRUCT paint_ = {};
  HDC dc_;
};

// An object selected into a context for a scope; the one it replaced goes back.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), old_(::SelectObject(dc, object)) {}
  ~SelectedObject() {
    const LastErrorKept kept;
    if (old_) ::SelectObject(dc_, old_);
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace pelorin::win32
