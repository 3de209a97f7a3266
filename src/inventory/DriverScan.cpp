#include "inventory/DriverScan.h"

#include <cstdio>
#include <cstring>

#include "inventory/InventoryTexts.h"
#include "platform/Errors.h"
#include "platform/Mbcs.h"

namespace pelorin {
namespace {

using namespace inventorytexts;

constexpr std::uint32_t kKeyNameSize = 260;
constexpr std::uint32_t kValueSize = 200;

// Reads a value as text into a fresh 200-byte buffer. The text ends at the first
// NUL or at the bytes returned: binary, DWORD and zero-length data carry no
// terminator of their own.
bool ReadText(RegistryKey& key, const char* name, std::string& text) {
  unsigned char buffer[kValueSize] = {};
  std::uint32_t type = 0;
  std::uint32_t size = kValueSize;
  if (key.QueryValue(name, &type, buffer, &size) != err::kSuccess) return false;
  if (size > kValueSize) size = kValueSize;
  const char* chars = reinterpret_cast<const char*>(buffer);
  text.assign(chars, strnlen(chars, size));
  return true;
}

// The class display name. Windows 8 and later leave the unnamed value out and keep
// the name in "ClassDesc" (often "@inf,%key%;Display name") or only in "Class".
std::string ReadClassName(RegistryKey& classKey) {
  std::string name;
  unsigned char buffer[kValueSize] = {};
  std::uint32_t type = 0;
  std::uint32_t size = kValueSize;
  std::uint32_t rc = classKey.QueryValue("", &type, buffer, &size);
  if (rc == err::kSuccess) {
    const char* chars = reinterpret_cast<const char*>(buffer);
    return std::string(chars, strnlen(chars, size > kValueSize ? kValueSize : size));
  }
  if (rc != err::kFileNotFound) return std::string();
  if (ReadText(classKey, kValueClassDesc, name)) {
    if (!name.empty() && name[0] == '@') {
      std::size_t semicolon = mbcs::FindLast(name, ';');
      name = semicolon == mbcs::npos ? std::string() : name.substr(semicolon + 1);
    }
    if (!name.empty()) return name;
  }
  if (ReadText(classKey, kValueClass, name)) return name;
  return std::string();
}

// Key names come through a 260-byte buffer. A name that does not fit (kMoreData)
// cannot be opened, so that entry is skipped and the walk goes on; any other
// failure but the end would repeat at every index, so it ends the walk.
enum class EnumStep { Name, Skip, End };

EnumStep NextKey(RegistryKey& key, std::uint32_t index, char (&name)[kKeyNameSize]) {
  std::uint32_t rc = key.EnumKey(index, name, kKeyNameSize);
  if (rc == err::kSuccess) {
    name[kKeyNameSize - 1] = '\0';
    return EnumStep::Name;
  }
  return rc == err::kMoreData ? EnumStep::Skip : EnumStep::End;
}

// Runs the tests on one instance key; true when the driver gets a row.
bool AcceptInstance(RegistryKey& instance, ScanMode mode, const std::string& className,
                    DriverDescMap& map, DriverRecord& record) {
  record.ClassName = className;
  if (mode == ScanMode::NotOnSystemDisc) {
    if (!ReadText(instance, kValueProviderName, record.ProviderName)) return false;
    if (record.ProviderName == kMicrosoft) return false;
    if (!ReadText(instance, kValueDriverDesc, record.DriverDesc)) return false;
    if (!ReadText(instance, kValueDriverVersion, record.DriverVersion)) return false;
  } else {
    if (!ReadText(instance, kValueDriverDesc, record.DriverDesc)) return false;
    if (!ReadText(instance, kValueDriverVersion, record.DriverVersion)) return false;
    if (!ReadText(instance, kValueProviderName, record.ProviderName)) return false;
  }
  if (!ReadText(instance, kValueDriverDate, record.DriverDate)) return false;
  if (!ReadText(instance, kValueInfPath, record.InfPath)) return false;
  if (!ReadText(instance, kValueMatchingDeviceId, record.MatchingDeviceId)) return false;

  if (map.find(record.DriverDesc) != map.end()) return false;
  map.emplace(record.DriverDesc, record);

  if (mode == ScanMode::AllBackupable) {
    if (record.DriverDesc.empty() || record.ClassName.empty() || record.ProviderName.empty() ||
        record.DriverDate.empty() || record.DriverVersion.empty() || record.InfPath.empty())
      return false;
  }
  return true;
}

}  // namespace

ScanResult ScanDrivers(Registry& registry, ScanMode mode, DriverDescMap& map, DriverRows& rows) {
  ScanResult result;
  map.clear();

  std::unique_ptr<RegistryKey> root;
  if (registry.OpenKey(kClassRoot, root) != err::kSuccess || !root) return result;

  char className[kKeyNameSize];
  for (std::uint32_t classIndex = 0;; ++classIndex) {
    EnumStep step = NextKey(*root, classIndex, className);
    if (step == EnumStep::End) break;
    if (step == EnumStep::Skip) continue;

    std::string classPath = std::string(kClassRoot) + "\\" + className;
    std::unique_ptr<RegistryKey> classKey;
    if (registry.OpenKey(classPath, classKey) != err::kSuccess || !classKey) continue;
    result.currentClassName = ReadClassName(*classKey);

    char instanceName[kKeyNameSize];
    for (std::uint32_t instanceIndex = 0;; ++instanceIndex) {
      EnumStep instanceStep = NextKey(*classKey, instanceIndex, instanceName);
      if (instanceStep == EnumStep::End) break;
      if (instanceStep == EnumStep::Skip) continue;

      std::unique_ptr<RegistryKey> instance;
      if (registry.OpenKey(classPath + "\\" + instanceName, instance) != err::kSuccess ||
          !instance)
        continue;
      DriverRecord record;
      if (AcceptInstance(*instance, mode, result.currentClassName, map, record)) {
        rows.InsertTop(record);
        ++result.added;
      }
    }
  }
  return result;
}

std::string FoundDriversText(int count) {
  char text[64];
  std::snprintf(text, sizeof text, kFoundDrivers, count);
  return text;
}

}  // namespace pelorin
