#pragma once
// File services over the A-functions of KERNEL32 and the C library's _mkdir.
// Every result and last-error code is the one the call left.
#include "platform/FileSystem.h"
#include "platform/win32/Handles.h"

namespace pelorin::win32 {

class Win32FileFinder : public FileFinder {
 public:
  explicit Win32FileFinder(FindHandle find) : find_(std::move(find)) {}
  bool Next(FindEntry& entry) override;

 private:
  FindHandle find_;
};

class Win32FileStream : public FileStream {
 public:
  explicit Win32FileStream(FileHandle file) : file_(std::move(file)) {}
  bool Read(void* buffer, std::uint32_t size, std::uint32_t* got) override;
  bool Write(const void* buffer, std::uint32_t size) override;
  bool Seek(std::int64_t offset, SeekOrigin origin) override;
  std::uint64_t Position() override;
  std::uint64_t Length() override;

 private:
  FileHandle file_;
};

class Win32FileSystem : public FileSystem {
 public:
  std::uint32_t GetAttributes(const std::string& path) override;
  bool SetAttributes(const std::string& path, std::uint32_t attributes) override;
  bool Copy(const std::string& from, const std::string& to, bool failIfExists) override;
  bool CreateDir(const std::string& path) override;
  bool RemoveDir(const std::string& path) override;
  bool Delete(const std::string& path) override;
  bool MoveReplace(const std::string& from, const std::string& to) override;
  std::unique_ptr<FileFinder> FindFirst(const std::string& pattern, FindEntry& first) override;
  std::unique_ptr<FileFinder> FindFirstNames(const std::string& pattern, FindEntry& first) override;
  std::uint32_t TempPath(std::uint32_t cap, char* buffer) override;
  int MakeDir(const std::string& path) override;
  std::unique_ptr<FileStream> Open(const std::string& path, OpenMode mode) override;
};

}  // namespace pelorin::win32
