#include "quirlo/acquisition/input_filters.h"

#include <cmath>
#include <memory>
#include <mutex>

namespace quirlo::acquisition {

namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

bool InRange(TFilterKind kind, int index) { return index >= 0 && index < FilterInputCount(kind); }

bool IsSmoothingType(uint8_t type) {
  return type == kFilterMovingAverage || type == kFilterExponential;
}

double Finite(double v) { return std::isfinite(v) ? v : 0.0; }
uint8_t State(uint8_t v) { return v != 0 ? 1 : 0; }

}  // namespace

int FilterInputCount(TFilterKind kind) {
  switch (kind) {
    case TFilterKind::Analog: return kAnalogInputs;
    case TFilterKind::Rate: return kRateInputs;
    case TFilterKind::Digital: return kDigitalInputs;
  }
  return 0;
}

double TInputFilters::TSmoothers::Step(uint8_t type, double x) {
  if (type == kFilterMovingAverage && avg) return avg->Step(x);
  if (type == kFilterExponential && exp) return exp->Step(x);
  return x;
}

TInputFilters::TInputFilters(TAcquisitionState& state, TChannelComputation& computation)
    : s_(state), computation_(computation) {}

void TInputFilters::FilterAnalog(const std::array<double, kAnalogInputs>& values) {
  if (stopped_.load()) return;
  Lock lock(s_.AcquisitionLock);
  std::array<double, kAnalogInputs> filtered;
  for (int i = 0; i < kAnalogInputs; ++i) {
    TAnalogFilterCfg& r = analog_[i];
    r.Unfiltered = values[i];
    r.Filtered = analogObjects_[i].Step(r.FilterType, values[i]);
    filtered[i] = r.Filtered;
  }
  computation_.SetAnalogValues(filtered);
}

void TInputFilters::FilterRates(const std::array<TRateResult, kRateInputs>& results) {
  if (stopped_.load()) return;
  Lock lock(s_.AcquisitionLock);
  std::array<double, kRateInputs> rates;
  std::array<double, kRateInputs> totals;
  for (int i = 0; i < kRateInputs; ++i) {
    TRateFilterCfg& r = rate_[i];
    r.Unfiltered = results[i].Rate;
    r.Total = results[i].Total;
    r.Filtered = rateObjects_[i].Step(r.FilterType, results[i].Rate);
    rates[i] = r.Filtered;
    totals[i] = r.Total;
  }
  computation_.SetRateValues(rates, totals);
}

void TInputFilters::FilterDigital(const std::array<uint8_t, kDigitalInputs>& states) {
  Lock lock(s_.AcquisitionLock);
  std::array<int8_t, kDigitalInputs> filtered;
  for (int i = 0; i < kDigitalInputs; ++i) {
    TDigitalFilterCfg& r = digital_[i];
    r.Unfiltered = State(states[i]);
    auto& debounce = digitalObjects_[i];
    r.Filtered = r.FilterType == kFilterDebounce && debounce ? debounce->Step(r.Unfiltered)
                                                             : r.Unfiltered;
    filtered[i] = static_cast<int8_t>(r.Filtered);
  }
  computation_.SetDigitalStates(filtered);
}

void TInputFilters::SetFilterDescription(TFilterKind kind, int index, std::string_view text) {
  if (!InRange(kind, index)) return;
  Lock lock(s_.AcquisitionLock);
  switch (kind) {
    case TFilterKind::Analog: SetFilterDescriptionText(analog_[index].Description, text); break;
    case TFilterKind::Rate: SetFilterDescriptionText(rate_[index].Description, text); break;
    case TFilterKind::Digital: SetFilterDescriptionText(digital_[index].Description, text); break;
  }
}

void TInputFilters::BuildSmoothers(TSmoothers& objects, uint8_t type, int32_t counts,
                                   double present) {
  objects.avg.reset();
  objects.exp.reset();
  if (type == kFilterMovingAverage) {
    // One sample first so the window starts full of the present value, then the length.
    objects.avg.emplace(counts);
    objects.avg->Step(present);
    objects.avg->SetLength(counts);
  } else if (type == kFilterExponential) {
    objects.exp.emplace(counts, present);
  }
}

bool TInputFilters::Apply(TFilterKind kind, int index, uint8_t filterType,
                          std::optional<int32_t> counts) {
  if (!InRange(kind, index)) return false;
  const bool known = kind == TFilterKind::Digital
                         ? filterType == kFilterNone || filterType == kFilterDebounce
                         : filterType == kFilterNone || IsSmoothingType(filterType);
  if (!known) return false;
  if (filterType != kFilterNone && !counts) return false;

  Lock lock(s_.AcquisitionLock);
  switch (kind) {
    case TFilterKind::Analog: {
      TAnalogFilterCfg& r = analog_[index];
      r.FilterType = filterType;
      if (counts && filterType != kFilterNone) r.Counts = *counts;
      BuildSmoothers(analogObjects_[index], filterType, r.Counts, r.Filtered);
      break;
    }
    case TFilterKind::Rate: {
      TRateFilterCfg& r = rate_[index];
      r.FilterType = filterType;
      if (counts && filterType != kFilterNone) r.Counts = *counts;
      BuildSmoothers(rateObjects_[index], filterType, r.Counts, r.Filtered);
      break;
    }
    case TFilterKind::Digital: {
      TDigitalFilterCfg& r = digital_[index];
      r.FilterType = filterType;
      digitalObjects_[index].reset();
      if (filterType == kFilterDebounce) {
        r.Counts = *counts;
        digitalObjects_[index].emplace(int32_t{r.Counts}, uint8_t{r.Filtered});
      }
      break;
    }
  }
  return true;
}

TFilterView TInputFilters::View(TFilterKind kind, int index) const {
  TFilterView v;
  if (!InRange(kind, index)) return v;
  Lock lock(s_.AcquisitionLock);
  switch (kind) {
    case TFilterKind::Analog: {
      const TAnalogFilterCfg& r = analog_[index];
      v = {r.FilterType, FilterDescriptionText(r.Description), r.Unfiltered, r.Filtered, r.Counts};
      break;
    }
    case TFilterKind::Rate: {
      const TRateFilterCfg& r = rate_[index];
      v = {r.FilterType, FilterDescriptionText(r.Description), r.Unfiltered, r.Filtered, r.Counts};
      break;
    }
    case TFilterKind::Digital: {
      const TDigitalFilterCfg& r = digital_[index];
      v = {r.FilterType, FilterDescriptionText(r.Description), double(r.Unfiltered),
           double(r.Filtered), r.Counts};
      break;
    }
  }
  return v;
}

// Values read from a file are made safe for the filters: a NaN or infinity would prime a
// filter that then never returns a number again, so it becomes 0; a state is 0 or 1; a
// type this system has no filter for is no filter.
void TInputFilters::Sanitize() {
  for (auto& r : analog_) {
    if (!IsSmoothingType(r.FilterType)) r.FilterType = kFilterNone;
    r.Unfiltered = Finite(r.Unfiltered);
    r.Filtered = Finite(r.Filtered);
    r.ExpObject = r.AvgObject = 0;
  }
  for (auto& r : rate_) {
    if (!IsSmoothingType(r.FilterType)) r.FilterType = kFilterNone;
    r.Unfiltered = Finite(r.Unfiltered);
    r.Filtered = Finite(r.Filtered);
    r.Total = Finite(r.Total);
    r.ExpObject = r.AvgObject = 0;
  }
  for (auto& r : digital_) {
    if (r.FilterType != kFilterDebounce) r.FilterType = kFilterNone;
    r.Unfiltered = State(r.Unfiltered);
    r.Filtered = State(r.Filtered);
    r.DebounceObject = 0;
  }
}

void TInputFilters::RebuildAll() {
  for (int i = 0; i < kAnalogInputs; ++i)
    BuildSmoothers(analogObjects_[i], analog_[i].FilterType, analog_[i].Counts, analog_[i].Filtered);
  for (int i = 0; i < kRateInputs; ++i)
    BuildSmoothers(rateObjects_[i], rate_[i].FilterType, rate_[i].Counts, rate_[i].Filtered);
  for (int i = 0; i < kDigitalInputs; ++i) {
    digitalObjects_[i].reset();
    if (digital_[i].FilterType == kFilterDebounce)
      digitalObjects_[i].emplace(int32_t{digital_[i].Counts}, uint8_t{digital_[i].Filtered});
  }
}

void TInputFilters::Load(TSaver& saver) {
  // Read into zeroed copies first so that the records never hold half a file while
  // frames are being filtered.
  auto analog = std::make_unique<TAnalogFilterFile>();
  auto rate = std::make_unique<TRateFilterFile>();
  auto digital = std::make_unique<TDigitalFilterFile>();
  saver.Load(kAnalogFilterFolder, kAnalogFilterFile, *analog);
  saver.Load(kRateFilterFolder, kRateFilterFile, *rate);
  saver.Load(kDigitalFilterFolder, kDigitalFilterFile, *digital);
  SetRecords(*analog, *rate, *digital);
}

bool TInputFilters::Save(TSaver& saver) const {
  auto analog = std::make_unique<TAnalogFilterFile>(AnalogRecords());
  auto rate = std::make_unique<TRateFilterFile>(RateRecords());
  auto digital = std::make_unique<TDigitalFilterFile>(DigitalRecords());
  bool ok = saver.Save(kAnalogFilterFolder, kAnalogFilterFile, *analog);
  ok = saver.Save(kRateFilterFolder, kRateFilterFile, *rate) && ok;
  ok = saver.Save(kDigitalFilterFolder, kDigitalFilterFile, *digital) && ok;
  return ok;
}

TAnalogFilterFile TInputFilters::AnalogRecords() const {
  Lock lock(s_.AcquisitionLock);
  return analog_;
}

TRateFilterFile TInputFilters::RateRecords() const {
  Lock lock(s_.AcquisitionLock);
  return rate_;
}

TDigitalFilterFile TInputFilters::DigitalRecords() const {
  Lock lock(s_.AcquisitionLock);
  return digital_;
}

void TInputFilters::SetRecords(const TAnalogFilterFile& analog, const TRateFilterFile& rate,
                               const TDigitalFilterFile& digital) {
  Lock lock(s_.AcquisitionLock);
  analog_ = analog;
  rate_ = rate;
  digital_ = digital;
  Sanitize();
  RebuildAll();
}

}  // namespace quirlo::acquisition
