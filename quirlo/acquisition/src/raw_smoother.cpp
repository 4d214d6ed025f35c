#include "quirlo/acquisition/raw_smoother.h"

#include <cmath>

namespace quirlo::acquisition {

namespace {

// Ten inputs strictly rising (or strictly falling) over time mean a ramp, not noise.
bool Monotone(const std::array<double, TRawSmoother::kHistory>& h) {
  bool rising = true;
  bool falling = true;
  for (int i = 0; i + 1 < TRawSmoother::kHistory; ++i) {
    rising = rising && h[i] > h[i + 1];   // History[0] is the newest
    falling = falling && h[i] < h[i + 1];
  }
  return rising || falling;
}

}  // namespace

double TRawSmoother::Smooth(double x) {
  if (First != 0) {
    Output = x;
    First = 0;
  } else {
    if (std::fabs(History[0] - x) >= StepThreshold) Settle = 0;
    if (Monotone(History)) Settle = 0;

    ++Settle;
    if (Settle <= kSettleSamples) {
      // Still settling after a disturbance: pass the count through, loop wide open.
      Bandwidth = 800.0;
      Output = x;
      Integral = 0.0;
    } else {
      Settle = kSettleSamples;
      if (Bandwidth > 100.0) {
        Bandwidth -= 2.5;
      } else if (Bandwidth > 8.0) {
        Bandwidth -= 0.4;
      } else {
        Bandwidth -= 0.025;
      }
      if (Bandwidth < 3.0) Bandwidth = 3.0;

      Error = x - Output;
      Proportional = std::sqrt(2.0 * Bandwidth * 0.0001) * Error + Output;
      Integral += Error * Bandwidth * 0.0001;
      Output = Proportional + Integral;
      if (Output < 0.0) Output = 0.0;
    }
  }
  for (int i = kHistory - 1; i > 0; --i) History[i] = History[i - 1];
  History[0] = x;
  return Output;
}

}  // namespace quirlo::acquisition
