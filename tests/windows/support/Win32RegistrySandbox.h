#pragma once
// Redirects HKEY_LOCAL_MACHINE of this process to a private key under
// HKEY_CURRENT_USER for one test, and deletes that key afterwards.
#include <windows.h>

#include <string>

namespace pelorin::testing {

class Win32RegistrySandbox {
 public:
  explicit Win32RegistrySandbox(const std::string& name)
      : path_("Software\\PelorinTest\\" + name + "_" + std::to_string(::GetCurrentProcessId())) {
    ::RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
    ok_ = ::RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &root_,
                            nullptr) == ERROR_SUCCESS &&
          ::RegOverridePredefKey(HKEY_LOCAL_MACHINE, root_) == ERROR_SUCCESS;
  }
  ~Win32RegistrySandbox() {
    ::RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    if (root_ != nullptr) ::RegCloseKey(root_);
    ::RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
  }
  Win32RegistrySandbox(const Win32RegistrySandbox&) = delete;
  Win32RegistrySandbox& operator=(const Win32RegistrySandbox&) = delete;

  bool ok() const { return ok_; }

  // Creates `key` (and the keys above it) below the private root; with a
  // value `name`, stores `bytes` as they are (nothing appended).
  bool Set(const std::string& key, const char* name = nullptr, DWORD type = REG_SZ, const std::string& bytes = "") {
    HKEY created = nullptr;
    if (::RegCreateKeyExA(root_, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created, nullptr) !=
        ERROR_SUCCESS)
      return false;
    const LONG result = name ? ::RegSetValueExA(created, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                                                static_cast<DWORD>(bytes.size()))
                             : ERROR_SUCCESS;
    ::RegCloseKey(created);
    return result == ERROR_SUCCESS;
  }
  // A string value with its terminator.
  bool SetString(const std::string& key, const char* name, const std::string& text) {
    return Set(key, name, REG_SZ, std::string(text.c_str(), text.size() + 1));
  }

 private:
  std::string path_;
  HKEY root_ = nullptr;
  bool ok_ = false;
};

}  // namespace pelorin::testing
