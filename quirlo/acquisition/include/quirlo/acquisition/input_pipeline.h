// TInputPipeline: the road of a frame from the box link to the computation.
//
//   analog frame -> counts -> smoother -> calibration -> analog filter  -> computation step
//   digital bits -> active level                      -> debounce       -> digital states
//   rate frame   -> K-factor, timebase                -> rate filter    -> rates, totals
//
// TMcb calls it on the master timer thread (or the simulator's). Each frame runs whole
// under the acquisition lock, so neither a calibration nor a filter can change between
// the calibration of a frame and its filtering.
#pragma once

#include "quirlo/acquisition/acquisition_state.h"
#include "quirlo/acquisition/calibration.h"
#include "quirlo/acquisition/input_filters.h"
#include "quirlo/acquisition/mcb.h"

namespace quirlo::acquisition {

class TInputPipeline final : public TFrameHandler {
 public:
  TInputPipeline(TAcquisitionState& state, TInputCalibration& calibration,
                 TInputFilters& filters)
      : s_(state), calibration_(calibration), filters_(filters) {}

  void OnAnalogFrame(const TAnalogFrame& frame) override;
  void OnDigitalBits(uint8_t bits) override;
  void OnRateFrame(const TRateFrame& frame) override;

 private:
  TAcquisitionState& s_;
  TInputCalibration& calibration_;
  TInputFilters& filters_;
};

}  // namespace quirlo::acquisition
