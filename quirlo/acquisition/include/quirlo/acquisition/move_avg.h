// The two smoothing filters of the analog and frequency inputs.
//
// Both run once per frame on the master timer thread (50 analog or 10 rate frames a
// second), so a step is O(1) and allocates nothing: the simple average keeps a running sum
// over a fixed ring of at most 255 slots instead of summing its window.
#pragma once

#include <array>
#include <cstdint>

namespace quirlo::acquisition {

// Simple moving average over the last N samples (N = 1 ... 255).
class TMove_Avg {
 public:
  static constexpr int kMaxLength = 255;

  explicit TMove_Avg(int n = 1);

  // The first sample fills the whole window, so the average starts at it instead of
  // climbing from 0.
  double Step(double x);
  // Rebuilds the window with n slots all holding the present average. n >= 256 becomes
  // 255 and n <= 0 becomes 1.
  void SetLength(int n);

  int Length() const { return length_; }
  double Average() const { return sum_ / length_; }
  bool Started() const { return fill_ != 0; }

 private:
  void Fill(double value);
  void RecomputeSum();

  std::array<double, kMaxLength> slots_{};
  int length_ = 1;
  int position_ = 0;  // slot of the newest sample
  double sum_ = 0.0;
  int fill_ = 0;      // 0 until the first sample
};

// Exponential moving average: average += (x - average) * 2 / (N + 1).
class TExp_Move_Avg {
 public:
  // N <= 0 is treated as 1 (the average then follows the input).
  explicit TExp_Move_Avg(int n = 1);
  // Starts with `average` as if it had been the first sample.
  TExp_Move_Avg(int n, double average);

  double Step(double x);

  int Length() const { return n_; }
  double Average() const { return average_; }

 private:
  int n_ = 1;
  bool first_ = true;
  double average_ = 0.0;
};

// Largest window a simple moving average keeps; the dialog accepts more.
constexpr int ClampAverageLength(int n) {
  return n >= TMove_Avg::kMaxLength + 1 ? TMove_Avg::kMaxLength : (n <= 0 ? 1 : n);
}

}  // namespace quirlo::acquisition
