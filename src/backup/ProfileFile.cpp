#include "backup/ProfileFile.h"

#include <cstring>

#include "backup/BackupTexts.h"

namespace pelorin {

bool CProfileFile::WriteValue(std::string section, std::string key, std::string value) {
  return platform_.profile->WriteString(section.c_str(), key.c_str(), value.c_str(), path_);
}

std::string CProfileFile::ReadValue(std::string section, std::string key) {
  if (!Exists()) return std::string();
  char buffer[kValueBuffer] = {};
  platform_.profile->ReadString(section.c_str(), key.c_str(), texts::kValueNotFound, buffer, kValueBuffer, path_);
  return std::string(buffer);
}

void CProfileFile::GetSectionNames(StringArray& out) {
  if (!Exists()) return;
  char buffer[kSectionNamesBuffer] = {};
  const unsigned n = platform_.profile->ReadSectionNames(buffer, kSectionNamesBuffer, path_);
  AppendMultiString(buffer, n, out);
}

void CProfileFile::GetSection(std::string section, StringArray& out) {
  if (!Exists()) return;
  char buffer[kSectionBuffer] = {};
  const unsigned n = platform_.profile->ReadSection(section.c_str(), buffer, kSectionBuffer, path_);
  if (n > 0) AppendMultiString(buffer, n, out);
}

bool CProfileFile::Present() const {
  FindEntry entry;
  return platform_.files->FindFirst(path_, entry) != nullptr;  // the search closes at once
}

bool CProfileFile::Exists() {
  if (Present()) return true;
  platform_.boxes->Show(texts::kOpenProfileFailed, nullptr, mb::kOk);
  return false;
}

void CProfileFile::AppendMultiString(const char* buffer, unsigned count, StringArray& out) {
  // The walk stops exactly at `count`, so the list's closing empty string is never
  // taken; a string cut by the buffer end is taken as far as it goes.
  unsigned offset = 0;
  while (count > offset) {
    const char* item = buffer + offset;
    const std::size_t length = strnlen(item, count - offset);
    out.emplace_back(item, length);
    offset += static_cast<unsigned>(length) + 1;
  }
}

}  // namespace pelorin
