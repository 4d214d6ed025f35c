#include "quirlo/acquisition/input_pipeline.h"

#include <mutex>

namespace quirlo::acquisition {

void TInputPipeline::OnAnalogFrame(const TAnalogFrame& frame) {
  std::lock_guard lock(s_.AcquisitionLock);
  filters_.FilterAnalog(calibration_.ProcessAnalogFrame(frame));
}

void TInputPipeline::OnDigitalBits(uint8_t bits) {
  std::lock_guard lock(s_.AcquisitionLock);
  filters_.FilterDigital(calibration_.ProcessDigitalBits(bits));
}

void TInputPipeline::OnRateFrame(const TRateFrame& frame) {
  std::lock_guard lock(s_.AcquisitionLock);
  filters_.FilterRates(calibration_.ProcessRateFrame(frame));
}

}  // namespace quirlo::acquisition
