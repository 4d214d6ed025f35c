// TRawSmoother: steadies the raw 12-bit count of one analog input.
//
// The box's readings jitter by a few counts. The smoother is a second-order tracking
// loop whose bandwidth narrows while the input is quiet: a steady input is smoothed
// strongly, while a disturbance (a step of StepThreshold counts or more, or ten samples
// in a row strictly rising or falling) lets the count through unsmoothed for 300 samples
// (6 s at 50 frames a second), after which the loop narrows again from 800 towards 3.0.
//
// Plain arithmetic on fixed fields: one step per frame, nothing allocated.
#pragma once

#include <array>
#include <cstdint>

namespace quirlo::acquisition {

struct TRawSmoother {
  static constexpr int32_t kSettleSamples = 300;
  static constexpr int kHistory = 10;

  int32_t Settle = kSettleSamples;  // quiet samples since the last disturbance, <= 300
  int32_t First = 1;                // 1 until the first sample has been taken
  std::array<double, kHistory> History{};  // last ten inputs, History[0] the newest
  double Bandwidth = 3.0;
  double StepThreshold = 6.0;
  double Error = 0.0;         // last input minus last output
  double Proportional = 0.0;  // last proportional estimate
  double Output = 0.0;        // smoothed count
  double Integral = 0.0;

  // One step with the new count x; returns the smoothed count (never below 0 once the
  // loop tracks).
  double Smooth(double x);
};

}  // namespace quirlo::acquisition
