#include "quirlo/acquisition/move_avg.h"

#include <cmath>

namespace quirlo::acquisition {

TMove_Avg::TMove_Avg(int n) : length_(ClampAverageLength(n)) {}

double TMove_Avg::Step(double x) {
  if (fill_ == 0) {
    Fill(x);
    return x;
  }
  position_ = (position_ + 1) % length_;
  sum_ -= slots_[position_];
  slots_[position_] = x;
  sum_ += x;
  // A NaN or infinity in the window would stay in a running sum for good (inf - inf is
  // NaN); summing the window afresh lets the average recover once it has moved out.
  if (!std::isfinite(sum_)) RecomputeSum();
  return sum_ / length_;
}

void TMove_Avg::SetLength(int n) {
  const double average = sum_ / length_;
  length_ = ClampAverageLength(n);
  Fill(average);
}

void TMove_Avg::Fill(double value) {
  for (int i = 0; i < length_; ++i) slots_[i] = value;
  sum_ = length_ * value;
  position_ = length_ - 1;
  fill_ = length_;
}

void TMove_Avg::RecomputeSum() {
  sum_ = 0.0;
  for (int i = 0; i < length_; ++i) sum_ += slots_[i];
}

TExp_Move_Avg::TExp_Move_Avg(int n) : n_(n <= 0 ? 1 : n) {}

TExp_Move_Avg::TExp_Move_Avg(int n, double average) : TExp_Move_Avg(n) { Step(average); }

double TExp_Move_Avg::Step(double x) {
  // After a NaN or infinity the average could never come back; the next finite sample
  // starts it again as a first sample would.
  if (first_ || (!std::isfinite(average_) && std::isfinite(x))) {
    average_ = x;
    first_ = false;
  } else {
    average_ += (x - average_) * 2.0 / (n_ + 1.0);
  }
  return average_;
}

}  // namespace quirlo::acquisition
