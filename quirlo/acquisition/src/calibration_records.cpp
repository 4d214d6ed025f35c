#include "quirlo/acquisition/calibration_records.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace quirlo::acquisition {

namespace {

// Reads a whole set of records; a record the file does not fully cover is zeroed, so a
// short file never leaves half a double in a coefficient.
template <class Set>
LoadResult LoadSet(TSaver& saver, const char* folder, const char* file, Set& records) {
  using Record = typename Set::value_type;
  Set loaded{};
  const LoadResult result = saver.Load(folder, file, loaded);
  const std::size_t whole = result.bytes / sizeof(Record);
  for (std::size_t i = whole; i < loaded.size(); ++i) loaded[i] = Record{};
  records = loaded;
  return result;
}

double FiniteOr(double value, double fallback) {
  return std::isfinite(value) ? value : fallback;
}

}  // namespace

std::string DescriptionText(const char (&field)[kCalDescriptionSize]) {
  const char* end = std::find(field, field + kCalDescriptionSize, '\0');
  return std::string(field, end);
}

void SetDescriptionText(char (&field)[kCalDescriptionSize], std::string_view text) {
  std::memset(field, 0, kCalDescriptionSize);
  std::memcpy(field, text.data(), std::min(text.size(), kCalDescriptionSize - 1));
}

void SanitizeAnalog(TAnalogCalSet& records) {
  for (TAnalogCal& r : records) {
    if (!std::isfinite(r.C0) || !std::isfinite(r.C1) || !std::isfinite(r.C2) ||
        !std::isfinite(r.C3)) {
      r.C0 = r.C1 = r.C2 = r.C3 = 0.0;
    }
    r.LowDisplay = FiniteOr(r.LowDisplay, 0.0);
    r.HighDisplay = FiniteOr(r.HighDisplay, 0.0);
    if (r.Range > static_cast<uint8_t>(TAnalogRange::V0to5)) r.Range = 0;
  }
}

void SanitizeDigital(TDigitalCalSet& records) {
  for (int i = 0; i < kDigitalInputs; ++i) {
    TDigitalCal& r = records[i];
    r.ActiveLow = (i < kFirstChoosableDigital || r.ActiveLow != 0) ? 1 : 0;
  }
}

void SanitizeRate(TRateCalSet& records) {
  for (TRateCal& r : records) {
    r.KFactor = FiniteOr(r.KFactor, 1.0);
    if (r.Timebase > static_cast<uint8_t>(TTimebase::Hour)) r.Timebase = 0;
    r.Quadrature = r.Quadrature != 0 ? 1 : 0;
  }
}

LoadResult LoadAnalogCal(TSaver& saver, TAnalogCalSet& records) {
  const LoadResult result = LoadSet(saver, kAnalogCalFolder, kAnalogCalFile, records);
  SanitizeAnalog(records);
  return result;
}

LoadResult LoadDigitalCal(TSaver& saver, TDigitalCalSet& records) {
  const LoadResult result = LoadSet(saver, kDigitalCalFolder, kDigitalCalFile, records);
  SanitizeDigital(records);
  return result;
}

LoadResult LoadRateCal(TSaver& saver, TRateCalSet& records) {
  const LoadResult result = LoadSet(saver, kRateCalFolder, kRateCalFile, records);
  SanitizeRate(records);
  return result;
}

bool SaveAnalogCal(TSaver& saver, const TAnalogCalSet& records) {
  return saver.Save(kAnalogCalFolder, kAnalogCalFile, records);
}

bool SaveDigitalCal(TSaver& saver, const TDigitalCalSet& records) {
  return saver.Save(kDigitalCalFolder, kDigitalCalFile, records);
}

bool SaveRateCal(TSaver& saver, const TRateCalSet& records) {
  return saver.Save(kRateCalFolder, kRateCalFile, records);
}

uint8_t QuadratureMask(const TRateCalSet& records) {
  uint8_t mask = 0;
  for (int i = 0; i < kRateInputs; ++i) {
    if (records[i].Quadrature != 0) mask = static_cast<uint8_t>(mask | (1u << i));
  }
  return mask;
}

}  // namespace quirlo::acquisition
