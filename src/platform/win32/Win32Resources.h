#pragma once
// Resources of one module: the program's own by default, or a module file
// mapped as data (to read the resources of another executable).
#include <string>

#include "platform/Resources.h"
#include "platform/win32/Handles.h"

namespace pelorin::win32 {

class Win32Resources : public Resources {
 public:
  // The program's own module.
  Win32Resources() = default;
  // The module file at `path`, mapped for as long as this object lives. When it
  // cannot be mapped, Find fails with the error of that attempt.
  explicit Win32Resources(const std::string& path);

  bool IsLoaded() const { return !path_ || static_cast<bool>(module_); }
  bool Find(const char* type, int id, const unsigned char** data, std::uint32_t* size) override;

 private:
  bool path_ = false;  // a module file was asked for, rather than the program itself
  LoadedModuleHandle module_;
  DWORD loadError_ = ERROR_SUCCESS;
};

}  // namespace pelorin::win32
