#include "platform/posix/IniProfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>

#include "platform/Errors.h"
#include "platform/Mbcs.h"
#include "platform/posix/FileCalls.h"
#include "platform/posix/Handles.h"
#include "platform/posix/IniDocument.h"

namespace pelorin::posix {

namespace {

std::mutex& ProfileMutex() {
  static std::mutex mutex;
  return mutex;
}

bool ReadAll(int fd, std::string& bytes) {
  bytes.clear();
  char chunk[65536];
  for (;;) {
    const ssize_t n = read(fd, chunk, sizeof(chunk));
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return true;
    bytes.append(chunk, static_cast<std::size_t>(n));
  }
}


// The default value loses its trailing blanks, as the service does.
std::string TrimDefault(const char* defaultValue) {
  std::string text = defaultValue ? defaultValue : "";
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

}  // namespace

IniProfile::IniProfile(const DriveMap& drives) : drives_(drives) {}

std::uint32_t IniProfile::CopyString(const std::string& text, char* buffer, std::uint32_t size) {
  if (buffer == nullptr || size == 0) return 0;
  const std::string cut = mbcs::CutAtCharBoundary(text.substr(0, std::min<std::size_t>(text.size(), size)), size - 1);
  std::memcpy(buffer, cut.data(), cut.size());
  buffer[cut.size()] = '\0';
  return static_cast<std::uint32_t>(cut.size());
}

std::uint32_t IniProfile::CopyList(const std::vector<std::string>& items, char* buffer,
                                   std::uint32_t size) {
  if (buffer == nullptr || size == 0) return 0;
  if (size == 1) {
    buffer[0] = '\0';
    return 0;
  }
  std::string flat;
  for (const std::string& item : items) {
    flat += item;
    flat += '\0';
  }
  if (flat.size() + 1 <= size) {
    std::memcpy(buffer, flat.data(), flat.size());
    buffer[flat.size()] = '\0';
    if (flat.empty()) buffer[1] = '\0';
    return static_cast<std::uint32_t>(flat.size());
  }
  // Cut: the strings that fit, the last one shortened to a whole character,
  // then NULs to the end of the buffer.
  const std::size_t keep = size - 2;
  const std::size_t lastNul = keep == 0 ? std::string::npos : flat.rfind('\0', keep - 1);
  const std::size_t lastStart = lastNul == std::string::npos ? 0 : lastNul + 1;
  // One byte beyond the cut shows whether it splits a double-byte character.
  const std::string last =
      mbcs::CutAtCharBoundary(flat.substr(lastStart, keep + 1 - lastStart), keep - lastStart);
  flat.resize(lastStart);
  flat += last;
  std::memcpy(buffer, flat.data(), flat.size());
  std::memset(buffer + flat.size(), 0, size - flat.size());
  return size - 2;
}

std::string IniProfile::StripQuotes(const std::string& value) {
  if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0]) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

std::uint32_t IniProfile::Load(const std::string& file, std::string& bytes) const {
  ResolvedPath path;
  const std::uint32_t rc = drives_.Resolve(file, path);
  if (rc != err::kSuccess) return rc;
  if (!path.exists || path.isRoot) return err::kFileNotFound;
  return LoadHost(path.host, bytes);
}

std::uint32_t IniProfile::LoadHost(const std::string& host, std::string& bytes) {
  const UniqueFd fd(open(host.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.ok()) return FileErrorFromErrno(errno);
  struct stat st;
  const bool ok = fstat(fd.get(), &st) == 0 && !S_ISDIR(st.st_mode) && ReadAll(fd.get(), bytes);
  return ok ? err::kSuccess : err::kAccessDenied;
}

std::uint32_t IniProfile::ReadString(const char* section, const char* key, const char* defaultValue,
                                     char* buffer, std::uint32_t size, const std::string& file) {
  if (buffer == nullptr || size == 0) return 0;
  const std::string fallback = TrimDefault(defaultValue);
  std::string bytes;
  std::uint32_t rc;
  {
    std::lock_guard<std::mutex> lock(ProfileMutex());
    rc = Load(file, bytes);
  }
  if (rc != err::kSuccess) {
    const std::uint32_t n = CopyString(fallback, buffer, size);
    SetLastError(rc);
    return n;
  }
  IniDocument doc;
  doc.Parse(bytes);
  // A null section lists the section names, a null key the section's keys.
  if (section == nullptr) return CopyList(doc.SectionNames(), buffer, size);
  if (key == nullptr) {
    std::vector<std::string> keys;
    doc.KeyNames(section, keys);
    return CopyList(keys, buffer, size);
  }
  std::string value;
  if (!doc.FindValue(section, key, value)) {
    const std::uint32_t n = CopyString(fallback, buffer, size);
    SetLastError(err::kFileNotFound);
    return n;
  }
  SetLastError(err::kSuccess);
  return CopyString(StripQuotes(value), buffer, size);
}

std::uint32_t IniProfile::ReadSection(const char* section, char* buffer, std::uint32_t size,
                                      const std::string& file) {
  if (buffer == nullptr || size == 0) return 0;
  std::string bytes;
  std::uint32_t rc;
  {
    std::lock_guard<std::mutex> lock(ProfileMutex());
    rc = Load(file, bytes);
  }
  std::vector<std::string> lines;
  if (rc == err::kSuccess && section != nullptr) {
    IniDocument doc;
    doc.Parse(bytes);
    doc.SectionLines(section, lines);
  }
  const std::uint32_t n = CopyList(lines, buffer, size);
  if (rc != err::kSuccess) SetLastError(rc);
  return n;
}

std::uint32_t IniProfile::ReadSectionNames(char* buffer, std::uint32_t size, const std::string& file) {
  if (buffer == nullptr || size == 0) return 0;
  std::string bytes;
  std::uint32_t rc;
  {
    std::lock_guard<std::mutex> lock(ProfileMutex());
    rc = Load(file, bytes);
  }
  std::vector<std::string> names;
  if (rc == err::kSuccess) {
    IniDocument doc;
    doc.Parse(bytes);
    names = doc.SectionNames();
  }
  const std::uint32_t n = CopyList(names, buffer, size);
  if (rc != err::kSuccess) SetLastError(rc);
  return n;
}

bool IniProfile::WriteString(const char* section, const char* key, const char* value,
                             const std::string& file) {
  if (section == nullptr) {
    SetLastError(err::kFileNotFound);
    return false;
  }
  std::lock_guard<std::mutex> lock(ProfileMutex());
  ResolvedPath path;
  std::uint32_t rc = drives_.Resolve(file, path);
  if (rc == err::kSuccess && (path.isRoot || path.trailingSeparator)) rc = err::kAccessDenied;
  if (rc != err::kSuccess) {
    SetLastError(rc);
    return false;
  }
  std::string bytes;
  struct stat st;
  const bool existed = path.exists && stat(path.host.c_str(), &st) == 0;
  if (existed) {
    // Read-only is the permission bits; honoured for root too.
    if (S_ISDIR(st.st_mode) || (st.st_mode & 0222) == 0) {
      SetLastError(err::kAccessDenied);
      return false;
    }
    rc = LoadHost(path.host, bytes);
    if (rc != err::kSuccess) {
      SetLastError(rc);
      return false;
    }
  }
  IniDocument doc;
  doc.Parse(bytes);
  if (key == nullptr) {
    if (!doc.DeleteSection(section)) return true;
  } else if (value == nullptr) {
    if (!doc.DeleteKey(section, key)) return true;
  } else {
    doc.SetValue(section, key, value);
  }
  const std::string out = doc.Serialize();
  UniqueFd fd(open(path.host.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666));
  if (!fd.ok()) {
    SetLastError(errno == ENOENT ? err::kPathNotFound : FileErrorFromErrno(errno));
    return false;
  }
  // Rewritten in place (not replaced) so the file keeps its inode, owner and
  // DOS attributes; cut only when it shrank.
  const bool shrank = bytes.size() > out.size();
  const bool ok = WriteAllBytes(fd.get(), out.data(), out.size()) &&
                  (!shrank || ftruncate(fd.get(), static_cast<off_t>(out.size())) == 0);
  fd.Reset();
  if (!ok) {
    SetLastError(FileErrorFromErrno(errno));
    return false;
  }
  return true;
}

}  // namespace pelorin::posix
