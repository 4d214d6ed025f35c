#include "quirlo/acquisition/calibration_math.h"

#include <cmath>
#include <limits>

namespace quirlo::acquisition {

namespace {

constexpr double kFull = kFullScaleCount;
constexpr int32_t kFourMilliampCount = 819;  // 4 mA of a 0..20 mA span at 12 bits

bool Finite(double a) { return std::isfinite(a); }
template <class... D>
bool Finite(double a, D... rest) {
  return std::isfinite(a) && Finite(rest...);
}

// Counts as the Auto Scale page gives them, truncated; false when they cannot be int32.
bool TruncatedCount(double counts, int32_t& out) {
  if (!std::isfinite(counts)) return false;
  const double t = std::trunc(counts);
  if (t < std::numeric_limits<int32_t>::min() || t > std::numeric_limits<int32_t>::max()) {
    return false;
  }
  out = static_cast<int32_t>(t);
  return true;
}

}  // namespace

int32_t CountFromReading(uint16_t reading) {
  return static_cast<int32_t>(reading * 0.0625 + 0.5);
}

double CalibratedValue(const TAnalogCal& cal, double s) {
  return ((cal.C3 * s + cal.C2) * s + cal.C1) * s + cal.C0;
}

double LowValue(const TAnalogCal& cal) { return cal.LowCounts * cal.C1 + cal.C0; }
double HighValue(const TAnalogCal& cal) { return cal.HighCounts * cal.C1 + cal.C0; }

bool CalibrateFixedScale(TAnalogCal& cal, uint8_t range, double lowDisplay,
                         double highDisplay) {
  if (range > static_cast<uint8_t>(TAnalogRange::V0to5)) return false;
  if (!Finite(lowDisplay, highDisplay)) return false;
  const double a =
      range == static_cast<uint8_t>(TAnalogRange::mA4to20) ? kFourMilliampCount : 0.0;
  const double c1 = (highDisplay - lowDisplay) / (kFull - a);
  const double c0 = highDisplay - c1 * kFull;
  if (!Finite(c0, c1)) return false;  // the span overflowed
  cal.Range = range;
  cal.LowDisplay = lowDisplay;
  cal.HighDisplay = highDisplay;
  cal.C1 = c1;
  cal.C0 = c0;
  cal.C2 = 0.0;
  cal.C3 = 0.0;
  return true;
}

bool CalibrateGainOffset(TAnalogCal& cal, double offset, double gain) {
  const double high = offset + gain * kFull;
  if (!Finite(offset, gain, high)) return false;
  cal.C0 = offset;
  cal.C1 = gain;
  cal.C2 = 0.0;
  cal.C3 = 0.0;
  cal.LowDisplay = offset;
  cal.HighDisplay = high;
  return true;
}

bool CalibrateAutoScale(TAnalogCal& cal, double lowCounts, double highCounts,
                        double lowValue, double highValue) {
  int32_t low = 0;
  int32_t high = 0;
  if (!TruncatedCount(lowCounts, low) || !TruncatedCount(highCounts, high)) return false;
  if (!Finite(lowValue, highValue)) return false;
  const double c1 =
      low != high ? (highValue - lowValue) / (static_cast<double>(high) - low) : 1.0;
  const double c0 = lowValue - low * c1;
  const double highDisplay = c0 + c1 * kFull;
  if (!Finite(c0, c1, highDisplay)) return false;
  cal.LowCounts = low;
  cal.HighCounts = high;
  cal.C1 = c1;
  cal.C0 = c0;
  cal.C2 = 0.0;
  cal.C3 = 0.0;
  cal.LowDisplay = c0;
  cal.HighDisplay = highDisplay;
  return true;
}

bool CalibrateTare(TAnalogCal& cal, double presentValue, double tareValue) {
  const double d = presentValue - tareValue;
  if (!Finite(presentValue, tareValue, d)) return false;
  const double c0 = cal.C0 - d;
  const double low = cal.LowDisplay - d;
  const double high = cal.HighDisplay - d;
  if (!Finite(c0, low, high)) return false;
  cal.C0 = c0;
  cal.LowDisplay = low;
  cal.HighDisplay = high;
  return true;
}

uint8_t DigitalState(const TDigitalCal& cal, uint8_t bits, int index) {
  return static_cast<uint8_t>(((bits >> index) & 1) ^ (cal.ActiveLow != 0 ? 1 : 0));
}

double UsableKFactor(double kFactor) {
  return kFactor == 0.0 || !std::isfinite(kFactor) ? 1.0 : kFactor;
}

TRateResult ComputeRate(const TRateCal& cal, int32_t count, int16_t frequency,
                        const TRateResult& previous) {
  const double k = UsableKFactor(cal.KFactor);
  TRateResult r;
  r.Count = count;
  r.Frequency = frequency;
  r.Total = count / k;
  switch (static_cast<TTimebase>(cal.Timebase)) {
    case TTimebase::Second:
      r.Rate = frequency / k;
      break;
    case TTimebase::Minute:
      r.Rate = frequency / k * 60.0;
      break;
    case TTimebase::Hour:
      r.Rate = frequency / k * 3600.0;
      break;
    default:
      r.Rate = previous.Rate;
      break;
  }
  return r;
}

bool CalibrateRate(TRateCal& cal, double kFactor, uint8_t timebase, uint8_t quadrature) {
  if (!std::isfinite(kFactor)) return false;
  if (timebase > static_cast<uint8_t>(TTimebase::Hour) || quadrature > 1) return false;
  cal.KFactor = UsableKFactor(kFactor);
  cal.Timebase = timebase;
  cal.Quadrature = quadrature;
  return true;
}

TAutoScaleOutcome AutoScaleKFactor(const TRateResult& present, double enteredValue) {
  if (present.Rate == 0.0) return {TAutoScaleStatus::RateNotFound, 0.0};
  if (enteredValue == 0.0 || !std::isfinite(enteredValue)) {
    return {TAutoScaleStatus::BadValue, 0.0};
  }
  const double k = present.Frequency / enteredValue;
  if (k == 0.0 || !std::isfinite(k)) return {TAutoScaleStatus::BadValue, 0.0};
  return {TAutoScaleStatus::Ok, k};
}

}  // namespace quirlo::acquisition
