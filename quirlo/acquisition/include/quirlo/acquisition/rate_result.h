// What one frequency input yields per rate frame, after calibration and before filtering.
#pragma once

#include <cstdint>

namespace quirlo::acquisition {

struct TRateResult {
  int32_t Count = 0;      // pulse count of the frame
  int32_t Frequency = 0;  // the frame's signed 16-bit frequency, widened
  double Total = 0;       // engineering units
  double Rate = 0;        // engineering units per timebase
};

}  // namespace quirlo::acquisition
