// The arithmetic of input calibration, as pure functions over the records.
//
// The calibration stage (TInputCalibration) and its tests use these; the dialogs reach
// them through the stage, which applies them under the acquisition lock. Each Calibrate
// function takes already-parsed numbers and either changes the record completely or, when
// an argument is not usable (NaN, infinite, out of range), returns false and leaves the
// record exactly as it was.
#pragma once

#include <cstdint>

#include "quirlo/acquisition/calibration_records.h"
#include "quirlo/acquisition/rate_result.h"

namespace quirlo::acquisition {

// The 16-bit reading rounded to a 12-bit count: truncate(reading * 0.0625 + 0.5).
// 0xFFF8 and above round up to 4096, which is treated like any other count.
int32_t CountFromReading(uint16_t reading);

// C0 + C1*s + C2*s^2 + C3*s^3.
double CalibratedValue(const TAnalogCal& cal, double s);

// Low and high values shown on the Auto Scale page: counts * C1 + C0.
double LowValue(const TAnalogCal& cal);
double HighValue(const TAnalogCal& cal);

// Fixed Scale: count a maps to lowDisplay and 4095 to highDisplay, a = 819 for "4-20mA"
// and 0 otherwise. Sets Range, LowDisplay, HighDisplay, C0, C1; C2 = C3 = 0.
bool CalibrateFixedScale(TAnalogCal& cal, uint8_t range, double lowDisplay,
                         double highDisplay);
// Gain & Offset: C0, C1 as given, C2 = C3 = 0, LowDisplay = C0, HighDisplay = C0 + C1*4095.
bool CalibrateGainOffset(TAnalogCal& cal, double offset, double gain);
// Auto Scale through two points (counts truncated to integers; they must fit int32).
// Equal counts give gain 1.0 instead of dividing by zero.
bool CalibrateAutoScale(TAnalogCal& cal, double lowCounts, double highCounts,
                        double lowValue, double highValue);
// Shifts C0, LowDisplay and HighDisplay by d = presentValue - tareValue, so the present
// value becomes the tare value. ZeroAnalogInput is the tare to 0.
bool CalibrateTare(TAnalogCal& cal, double presentValue, double tareValue);

// Digital input state (0 or 1) of input `index` for the frame's bits.
uint8_t DigitalState(const TDigitalCal& cal, uint8_t bits, int index);

// The K-factor actually used: 0 or a non-finite stored value is replaced by 1.0.
double UsableKFactor(double kFactor);
// Count, Frequency, Total and Rate of one input for one rate frame. `previous` is this
// input's last result: a Timebase outside 0..2 leaves Rate as it was.
TRateResult ComputeRate(const TRateCal& cal, int32_t count, int16_t frequency,
                        const TRateResult& previous);

// Frequency input Calibrate: K-factor (0 is stored as 1.0), timebase 0..2, quadrature 0/1.
bool CalibrateRate(TRateCal& cal, double kFactor, uint8_t timebase, uint8_t quadrature);

// Auto-Scale of a frequency input: K = Frequency / entered value.
enum class TAutoScaleStatus {
  Ok,
  RateNotFound,  // the present rate is 0: "Error - Rate Not Found"
  BadValue,      // the entered value is 0, NaN or infinite: no K-factor can follow
};
struct TAutoScaleOutcome {
  TAutoScaleStatus status = TAutoScaleStatus::BadValue;
  double kFactor = 0.0;  // set when status is Ok
};
TAutoScaleOutcome AutoScaleKFactor(const TRateResult& present, double enteredValue);

}  // namespace quirlo::acquisition
