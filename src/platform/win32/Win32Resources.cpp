#include "platform/win32/Win32Resources.h"

namespace pelorin::win32 {

Win32Resources::Win32Resources(const std::string& path) : path_(true) {
  *module_.Receive() = ::LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!module_) loadError_ = ::GetLastError();
}

bool Win32Resources::Find(const char* type, int id, const unsigned char** data, std::uint32_t* size) {
  // A null module means the program itself to FindResourceA: a module file that
  // failed to map must not fall back to it.
  if (!IsLoaded()) {
    ::SetLastError(loadError_);
    return false;
  }
  const HMODULE module = module_.get();
  HRSRC found = ::FindResourceA(module, MAKEINTRESOURCEA(id), type);
  if (found == nullptr) return false;
  HGLOBAL loaded = ::LoadResource(module, found);
  if (loaded == nullptr) return false;
  const void* bytes = ::LockResource(loaded);
  if (bytes == nullptr) return false;
  *data = static_cast<const unsigned char*>(bytes);
  *size = ::SizeofResource(module, found);
  return true;
}

}  // namespace pelorin::win32
