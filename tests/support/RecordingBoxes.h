#pragma once
// A MessageBoxes that records every box shown and answers from a script (IDOK
// when the script is empty). Workers show boxes too: locked.
#include <deque>
#include <mutex>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "platform/Shell.h"

namespace pelorin::testing {

struct ShownBox {
  std::string text;
  std::string caption;  // empty for the application's title
  bool hasCaption = false;
  std::uint32_t type = 0;
  bool operator==(const ShownBox& o) const {
    return std::tie(text, caption, hasCaption, type) == std::tie(o.text, o.caption, o.hasCaption, o.type);
  }
  friend void PrintTo(const ShownBox& b, std::ostream* os) { *os << b.type << ' ' << b.caption << ": " << b.text; }
};

class RecordingBoxes : public MessageBoxes {
 public:
  int Show(const std::string& text, const char* caption, std::uint32_t type) override {
    std::lock_guard<std::mutex> lock(mutex_);
    shown_.push_back({text, caption ? caption : "", caption != nullptr, type});
    const int answer = answers_.empty() ? mb::kIdOk : answers_.front();
    if (!answers_.empty()) answers_.pop_front();
    return answer;
  }
  void Answer(int button) {
    std::lock_guard<std::mutex> lock(mutex_);
    answers_.push_back(button);
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
    answers_.clear();
  }

 private:
  std::mutex mutex_;
  std::vector<ShownBox> shown_;
  std::deque<int> answers_;
};

}  // namespace pelorin::testing
