#pragma once
// The user-facing platform services: modal message boxes and the folder picker.
#include <cstdint>
#include <string>

namespace pelorin {

namespace mb {
// Box types (MB_* values).
constexpr std::uint32_t kOk = 0x00;
constexpr std::uint32_t kOkCancel = 0x01;
constexpr std::uint32_t kAbortRetryIgnore = 0x02;
constexpr std::uint32_t kYesNo = 0x04;
constexpr std::uint32_t kIconHand = 0x10;
constexpr std::uint32_t kIconExclamation = 0x30;
constexpr std::uint32_t kIconInformation = 0x40;
// Buttons pressed (ID* values).
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdAbort = 3;
constexpr int kIdRetry = 4;
constexpr int kIdIgnore = 5;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;
}  // namespace mb

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // A modal box on the calling thread; returns the button pressed. A null caption
  // means the application's title (AfxMessageBox); a given one is used as is.
  virtual int Show(const std::string& text, const char* caption, std::uint32_t type) = 0;
};

class FolderPicker {
 public:
  virtual ~FolderPicker() = default;
  // A modal folder chooser with a window title and a prompt. True with the chosen
  // folder's full path ("C:\" for a drive root, no trailing "\" otherwise).
  virtual bool Browse(const std::string& title, const std::string& prompt, std::string& path) = 0;
};

}  // namespace pelorin
