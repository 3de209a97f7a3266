#pragma once
// A scripted folder picker, for the dialog's and the restore's tests.
#include <optional>
#include <string>

#include "platform/Shell.h"

namespace pelorin::testing {

struct ScriptedPicker : FolderPicker {
  std::optional<std::string> choice;  // none: the user cancels
  std::string prompt;  // the last one shown
  int calls = 0;
  bool Browse(const std::string&, const std::string& shown, std::string& path) override {
    ++calls;
    prompt = shown;
    if (choice) path = *choice;
    return choice.has_value();
  }
};

}  // namespace pelorin::testing
