#include "platform/win32/Win32FileSystem.h"

#include <direct.h>
#include <sddl.h>

#include <string>

#include "platform/Errors.h"

namespace pelorin::win32 {

namespace {

void ToEntry(const WIN32_FIND_DATAA& data, FindEntry& entry) {
  entry.name = data.cFileName;
  entry.attributes = data.dwFileAttributes;
  entry.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The SID of the process's user as a string ("S-1-5-21-..."), empty on failure.
std::string CurrentUserSid() {
  KernelHandle token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.Receive())) return std::string();
  unsigned char buffer[256];
  DWORD length = 0;
  if (!::GetTokenInformation(token.get(), TokenUser, buffer, sizeof buffer, &length)) return std::string();
  LocalMemoryHandle text;
  if (!::ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid,
                                reinterpret_cast<char**>(text.Receive())))
    return std::string();
  return static_cast<const char*>(text.get());
}

}  // namespace

bool Win32FileSystem::FreeSpace(const std::string& path, std::uint64_t* bytes) {
  ULARGE_INTEGER available;
  if (!::GetDiskFreeSpaceExA(path.c_str(), &available, nullptr, nullptr)) return false;
  *bytes = available.QuadPart;
  return true;
}

bool Win32FileSystem::CreatePrivateDir(const std::string& path) {
  const std::string sid = CurrentUserSid();
  if (sid.empty()) return false;
  // A protected list, inherited by all made inside: the user and the system
  // alone (the system's installer service reads the packages from here).
  const std::string sddl = "D:P(A;OICI;FA;;;" + sid + ")(A;OICI;FA;;;SY)";
  LocalMemoryHandle descriptor;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1,
                                                              descriptor.Receive(), nullptr))
    return false;
  SECURITY_ATTRIBUTES security = {sizeof security, descriptor.get(), FALSE};
  return ::CreateDirectoryA(path.c_str(), &security) != FALSE;
}

bool Win32FileFinder::Next(FindEntry& entry) {
  WIN32_FIND_DATAA data;
  if (!::FindNextFileA(find_.get(), &data)) return false;
  ToEntry(data, entry);
  return true;
}

bool Win32FileStream::Read(void* buffer, std::uint32_t size, std::uint32_t* got) {
  DWORD read = 0;
  const BOOL ok = ::ReadFile(file_.get(), buffer, size, &read, nullptr);
  if (got != nullptr) *got = read;
  return ok != FALSE;
}

bool Win32FileStream::Write(const void* buffer, std::uint32_t size) {
  const char* bytes = static_cast<const char*>(buffer);
  while (size > 0) {
    DWORD written = 0;
    if (!::WriteFile(file_.get(), bytes, size, &written, nullptr)) return false;
    if (written == 0) {
      // A file write that succeeds without progress would otherwise spin forever.
      ::SetLastError(ERROR_WRITE_FAULT);
      return false;
    }
    bytes += written;
    size -= written;
  }
  return true;
}

bool Win32FileStream::Seek(std::int64_t offset, SeekOrigin origin) {
  LARGE_INTEGER distance;
  distance.QuadPart = offset;
  const DWORD method = origin == SeekOrigin::kBegin ? FILE_BEGIN : origin == SeekOrigin::kCurrent ? FILE_CURRENT : FILE_END;
  return ::SetFilePointerEx(file_.get(), distance, nullptr, method) != FALSE;
}

std::uint64_t Win32FileStream::Position() {
  LARGE_INTEGER zero;
  zero.QuadPart = 0;
  LARGE_INTEGER position;
  if (!::SetFilePointerEx(file_.get(), zero, &position, FILE_CURRENT)) return 0;
  return static_cast<std::uint64_t>(position.QuadPart);
}

std::uint64_t Win32FileStream::Length() {
  LARGE_INTEGER length;
  if (!::GetFileSizeEx(file_.get(), &length)) return 0;
  return static_cast<std::uint64_t>(length.QuadPart);
}

std::uint32_t Win32FileSystem::GetAttributes(const std::string& path) {
  return ::GetFileAttributesA(path.c_str());
}

bool Win32FileSystem::SetAttributes(const std::string& path, std::uint32_t attributes) {
  return ::SetFileAttributesA(path.c_str(), attributes) != FALSE;
}

bool Win32FileSystem::Copy(const std::string& from, const std::string& to, bool failIfExists) {
  return ::CopyFileA(from.c_str(), to.c_str(), failIfExists ? TRUE : FALSE) != FALSE;
}

bool Win32FileSystem::CreateDir(const std::string& path) {
  return ::CreateDirectoryA(path.c_str(), nullptr) != FALSE;
}

bool Win32FileSystem::RemoveDir(const std::string& path) { return ::RemoveDirectoryA(path.c_str()) != FALSE; }

bool Win32FileSystem::Delete(const std::string& path) { return ::DeleteFileA(path.c_str()) != FALSE; }

bool Win32FileSystem::MoveReplace(const std::string& from, const std::string& to) {
  return ::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

std::unique_ptr<FileFinder> Win32FileSystem::FindFirst(const std::string& pattern, FindEntry& first) {
  WIN32_FIND_DATAA data;
  FindHandle find(::FindFirstFileA(pattern.c_str(), &data));
  if (!find) return nullptr;
  ToEntry(data, first);
  return std::make_unique<Win32FileFinder>(std::move(find));
}

std::unique_ptr<FileFinder> Win32FileSystem::FindFirstNames(const std::string& pattern, FindEntry& first) {
  // The same entries without their 8.3 names, fetched in larger batches
  // (Windows 7 and later); older systems refuse the information level.
  WIN32_FIND_DATAA data;
  FindHandle find(::FindFirstFileExA(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                     FIND_FIRST_EX_LARGE_FETCH));
  if (!find) {
    if (::GetLastError() != ERROR_INVALID_PARAMETER) return nullptr;
    return FindFirst(pattern, first);
  }
  ToEntry(data, first);
  return std::make_unique<Win32FileFinder>(std::move(find));
}

std::uint32_t Win32FileSystem::TempPath(std::uint32_t cap, char* buffer) { return ::GetTempPathA(cap, buffer); }

int Win32FileSystem::MakeDir(const std::string& path) { return ::_mkdir(path.c_str()); }

std::unique_ptr<FileStream> Win32FileSystem::Open(const std::string& path, OpenMode mode) {
  DWORD access = GENERIC_READ;
  DWORD share = FILE_SHARE_READ;
  DWORD disposition = OPEN_EXISTING;
  switch (mode) {
    case OpenMode::kReadExclusive:
      break;
    case OpenMode::kReadShared:
      share = FILE_SHARE_READ | FILE_SHARE_WRITE;
      break;
    case OpenMode::kCreateWrite:
      access = GENERIC_WRITE;
      disposition = CREATE_ALWAYS;
      break;
  }
  FileHandle file(::CreateFileA(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return nullptr;
  return std::make_unique<Win32FileStream>(std::move(file));
}

}  // namespace pelorin::win32
