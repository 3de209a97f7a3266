#include "controls/ProgressModel.h"

#include <climits>
#include <cstdio>

#include "platform/Mbcs.h"

namespace pelorin {

namespace progress {

namespace {

// A position far outside the range gives a figure beyond int; it is held at
// int's ends rather than converted with undefined behaviour.
int TruncToInt(double value) {
  if (!(value == value)) return 0;
  if (value >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (value <= static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(value);
}

}  // namespace

double Fraction(int position, int lower, int upper) {
  return (static_cast<double>(position) - lower) / (static_cast<double>(upper) - lower);
}

int FilledWidth(int position, int lower, int upper, int width) {
  if (lower >= upper) return 0;
  return TruncToInt(Fraction(position, lower, upper) * width);
}

int SplitX(int left, int width, double fraction) {
  return TruncToInt(static_cast<double>(left) + TruncToInt(width * fraction));
}

std::string PercentText(double fraction) {
  char text[32];
  std::snprintf(text, sizeof text, "%d%%", TruncToInt(fraction * 100));
  return text;
}

}  // namespace progress

void ProgressModel::SetRange(int lower, int upper) {
  lower_.store(lower);
  upper_.store(upper);
}

int ProgressModel::SetPos(int position, int clientWidth, bool& repaint) {
  repaint = false;
  const int old = position_.exchange(position);
  const int lower = lower_.load();
  const int upper = upper_.load();
  if (lower >= upper) return old;
  const int width = progress::FilledWidth(position, lower, upper, clientWidth);
  if (barWidth_.exchange(width) != width) repaint = true;
  return old;
}

bool ProgressModel::SetText(const std::string& text) {
  std::lock_guard<std::mutex> lock(textMutex_);
  if (text == text_) return false;
  text_ = text;
  return true;
}

std::string ProgressModel::Text() const {
  std::lock_guard<std::mutex> lock(textMutex_);
  return text_;
}

std::string ProgressModel::TextForBuffer(std::size_t bufferSize) const {
  if (bufferSize == 0) return std::string();
  return mbcs::CutAtCharBoundary(Text(), bufferSize - 1);
}

ProgressPaint ProgressModel::Plan(int left, int right) const {
  ProgressPaint paint;
  // Each shared number is read once, so one paint works on one consistent view.
  const int position = position_.load();
  const int lower = lower_.load();
  const int upper = upper_.load();
  if (lower >= upper) return paint;
  paint.draw = true;
  paint.fraction = progress::Fraction(position, lower, upper);
  paint.splitX = progress::SplitX(left, right - left, paint.fraction);
  std::string custom = Text();
  paint.text = custom.empty() ? progress::PercentText(paint.fraction) : std::move(custom);
  return paint;
}

}  // namespace pelorin
