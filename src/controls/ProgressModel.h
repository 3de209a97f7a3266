#pragma once
// The state and drawing maths of the percentage progress bar, apart from the
// window. Writers (a backup worker) and the painter (the user-interface
// thread) share one object: the numbers are read and written whole, the text
// is copied under a lock.
#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>

namespace pelorin {

// What one paint draws into a client rectangle.
struct ProgressPaint {
  bool draw = false;    // false for an empty or inverted range: nothing is drawn
  double fraction = 0;  // (position - lower) / (upper - lower), not clamped
  int splitX = 0;       // the done part is [left, splitX), the rest [splitX, right)
  std::string text;     // the custom text, or the percentage
};

class ProgressModel {
 public:
  void SetRange(int lower, int upper);
  int Lower() const { return lower_.load(); }
  int Upper() const { return upper_.load(); }
  int Position() const { return position_.load(); }

  // Stores the position and returns the previous one. `repaint` tells whether
  // the filled width for a client `clientWidth` pixels wide differs from the
  // width at the last repaint (which then becomes the new one).
  int SetPos(int position, int clientWidth, bool& repaint);
  // The cached width is unknown again (after a resize).
  void ForgetBarWidth() { barWidth_.store(-1); }
  int BarWidth() const { return barWidth_.load(); }

  // Replaces the custom text; false when it already held `text`.
  bool SetText(const std::string& text);
  std::string Text() const;
  // The custom text as WM_GETTEXT hands it out: at most `bufferSize` - 1 bytes,
  // cut at a whole character.
  std::string TextForBuffer(std::size_t bufferSize) const;

  ProgressPaint Plan(int left, int right) const;

 private:
  std::atomic<int> position_{0};
  std::atomic<int> upper_{100};
  std::atomic<int> lower_{0};
  std::atomic<int> barWidth_{-1};
  mutable std::mutex textMutex_;
  std::string text_;
};

namespace progress {

// trunc((position - lower) / (upper - lower) * width); 0 for an empty range.
int FilledWidth(int position, int lower, int upper, int width);
double Fraction(int position, int lower, int upper);
// left + trunc(width * fraction)
int SplitX(int left, int width, double fraction);
// "%d%%" of trunc(fraction * 100)
std::string PercentText(double fraction);

}  // namespace progress

}  // namespace pelorin
