#pragma once
// A MessageBoxes that records every box shown and answers IDOK. Workers show
// boxes too: locked.
#include <mutex>
#include <string>
#include <vector>

#include "platform/Shell.h"

namespace pelorin::testing {

struct ShownBox {
  std::string text;
  std::string caption;  // empty for the application's title
  bool hasCaption = false;
  std::uint32_t type = 0;
};

class RecordingBoxes : public MessageBoxes {
 public:
  int Show(const std::string& text, const char* caption, std::uint32_t type) override {
    std::lock_guard<std::mutex> lock(mutex_);
    shown_.push_back({text, caption ? caption : "", caption != nullptr, type});
    return mb::kIdOk;
  }
  std::vector<ShownBox> Shown() {
    std::lock_guard<std::mutex> lock(mutex_);
    return shown_;
  }
  std::vector<std::string> Texts() {
    std::vector<std::string> texts;
    for (const auto& box : Shown()) texts.push_back(box.text);
    return texts;
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    shown_.clear();
  }

 private:
  std::mutex mutex_;
  std::vector<ShownBox> shown_;
};

}  // namespace pelorin::testing
