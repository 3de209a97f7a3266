#include "backup/BackupManifest.h"

#include <vector>

#include "backup/BackupTexts.h"
#include "platform/Mbcs.h"

namespace pelorin {

namespace {

// A level of dots and blanks only: "." and ".." and what Windows trims to them.
bool IsDotLevel(const std::string& level) {
  bool dot = false;
  for (char c : level) {
    if (c == '.') {
      dot = true;
    } else if (c != ' ') {
      return false;
    }
  }
  return dot;
}

std::string NeutraliseLevel(const std::string& level) {
  const bool dots = IsDotLevel(level);
  std::string out;
  out.reserve(level.size());
  for (std::size_t i = 0; i < level.size();) {
    const std::size_t length = mbcs::CharLength(level, i);
    if (length == 1 && (level[i] == ':' || (dots && level[i] == '.'))) {
      out += '_';
    } else {
      out.append(level, i, length);
    }
    i += length;
  }
  return out;
}

// The five keys both manifests give a driver, in their order.
void WriteDriverKeys(CProfileFile& writer, const std::string& section, const DriverRecord& driver) {
  writer.WriteValue(section, texts::kKeyHardwareId, driver.MatchingDeviceId);
  writer.WriteValue(section, texts::kKeyInfName, driver.InfPath);
  writer.WriteValue(section, texts::kKeyProvider, driver.ProviderName);
  writer.WriteValue(section, texts::kKeyDate, driver.DriverDate);
  writer.WriteValue(section, texts::kKeyVersion, driver.DriverVersion);
}

}  // namespace

std::string DriverFolderName(const std::string& description) {
  const std::string name = mbcs::RemoveAll(description, '/');
  // A description decides a path below the user's folder: it must not reach
  // above it ("..\..\x"), onto another drive ("C:\x") or to a root ("\x").
  std::string out;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = mbcs::FindFirst(name, '\\', start);
    if (end == mbcs::npos) end = name.size();
    const std::string level = name.substr(start, end - start);
    if (!level.empty()) {
      if (!out.empty()) out += '\\';
      out += NeutraliseLevel(level);
    }
    start = end + 1;
  }
  return out.empty() ? std::string("_") : out;
}

std::string DestinationPath(const std::string& driverFolder, const std::string& fileName) {
  return driverFolder + "\\" + fileName;
}

DriverRecord RecordOfRow(DriverRows& rows, int row) {
  DriverRecord record;
  record.DriverDesc = rows.Text(row, DriverColumn::Desc);
  record.ClassName = rows.Text(row, DriverColumn::Class);
  record.ProviderName = rows.Text(row, DriverColumn::Provider);
  record.DriverDate = rows.Text(row, DriverColumn::Date);
  record.DriverVersion = rows.Text(row, DriverColumn::Version);
  record.InfPath = rows.Text(row, DriverColumn::InfPath);
  record.MatchingDeviceId = rows.Text(row, DriverColumn::MatchingDeviceId);
  return record;
}

void CDriverManifest::Open(const std::string& driverFolder) {
  const std::string path = driverFolder + "\\" + texts::kManifestFileName;
  platform_.files->SetAttributes(path, attr::kNormal);
  writer_.SetPath(path.c_str());
}

void CDriverManifest::WriteDriverSection(const DriverRecord& driver) {
  WriteDriverKeys(writer_, driver.ClassName, driver);
}

void CDriverManifest::WriteFile(int number, const std::string& sourcePath, const std::string& destinationPath) {
  writer_.WriteValue(std::to_string(number), sourcePath, destinationPath);
}

void CCombinedManifest::Open(const std::string& path) {
  platform_.files->SetAttributes(path, attr::kNormal);
  writer_.SetPath(path.c_str());
}

void CCombinedManifest::WriteDriver(const DriverRecord& driver) {
  WriteDriverKeys(writer_, driver.DriverDesc, driver);
  writer_.WriteValue(driver.DriverDesc, texts::kKeyClass, driver.ClassName);
}

void CCombinedManifest::WriteFile(const std::string& description, const std::string& sourcePath,
                                  const std::string& destinationPath) {
  writer_.WriteValue(description, sourcePath, destinationPath);
}

void CClassTreeFile::WriteDriver(const std::string& className, const std::string& description) {
  writer_.WriteValue(className, description, texts::kClassTreeValue);
}

}  // namespace pelorin
