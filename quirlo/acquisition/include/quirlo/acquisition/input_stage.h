// The input stage between the box link and the computation.
//
// Decoded frames arrive here on the master timer (or simulator) thread. This stage passes
// raw readings on as they are: readings as analog values, pulse counts as totals,
// frequencies as rates, bits as digital states. The program itself uses TInputPipeline
// (calibration and filters in between); this stage serves tests and the decode benchmark,
// which want the box's numbers unchanged.
#pragma once

#include "quirlo/acquisition/computation.h"
#include "quirlo/acquisition/mcb.h"

namespace quirlo::acquisition {

class TRawInputStage final : public TFrameHandler {
 public:
  explicit TRawInputStage(TChannelComputation& computation) : computation_(computation) {}

  void OnAnalogFrame(const TAnalogFrame& frame) override;
  void OnDigitalBits(uint8_t bits) override;
  void OnRateFrame(const TRateFrame& frame) override;

 private:
  TChannelComputation& computation_;
};

}  // namespace quirlo::acquisition
