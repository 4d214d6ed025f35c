#include "quirlo/acquisition/input_stage.h"

namespace quirlo::acquisition {

void TRawInputStage::OnAnalogFrame(const TAnalogFrame& frame) {
  std::array<double, kAnalogInputs> values;
  for (int i = 0; i < kAnalogInputs; ++i) values[i] = frame.Reading[i];
  computation_.SetAnalogValues(values);
}

void TRawInputStage::OnDigitalBits(uint8_t bits) {
  std::array<int8_t, kDigitalInputs> states;
  for (int i = 0; i < kDigitalInputs; ++i) states[i] = static_cast<int8_t>((bits >> i) & 1);
  computation_.SetDigitalStates(states);
}

void TRawInputStage::OnRateFrame(const TRateFrame& frame) {
  std::array<double, kRateInputs> rates;
  std::array<double, kRateInputs> totals;
  for (int i = 0; i < kRateInputs; ++i) {
    rates[i] = frame.Frequency[i];
    totals[i] = frame.Count[i];
  }
  computation_.SetRateValues(rates, totals);
}

}  // namespace quirlo::acquisition
