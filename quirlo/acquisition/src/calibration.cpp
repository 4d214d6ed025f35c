#include "quirlo/acquisition/calibration.h"

#include <cmath>
#include <mutex>

namespace quirlo::acquisition {

namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

bool InRange(int index, int count) { return index >= 0 && index < count; }

}  // namespace

TInputCalibration::TInputCalibration(TAcquisitionState& state) : s_(state) {
  SanitizeDigital(digital_);
}

void TInputCalibration::SetBoxCommands(TBoxCommands commands) {
  Lock lock(s_.AcquisitionLock);
  box_ = std::move(commands);
}

void TInputCalibration::SendMask(uint8_t mask) {
  if (box_.sendQuadratureMask) box_.sendQuadratureMask(mask);
}

// --- frames -----------------------------------------------------------------------

const std::array<double, kAnalogInputs>& TInputCalibration::ProcessAnalogFrame(
    const TAnalogFrame& frame) {
  Lock lock(s_.AcquisitionLock);
  for (int i = 0; i < kAnalogInputs; ++i) {
    const int32_t count = CountFromReading(frame.Reading[i]);
    const auto s = static_cast<int32_t>(smoothers_[i].Smooth(count) + 0.5);
    counts_[i] = count;
    smoothed_[i] = s;
    values_[i] = CalibratedValue(analog_[i], s);
  }
  return values_;
}

const std::array<uint8_t, kDigitalInputs>& TInputCalibration::ProcessDigitalBits(
    uint8_t bits) {
  Lock lock(s_.AcquisitionLock);
  bits_ = bits;
  for (int i = 0; i < kDigitalInputs; ++i) states_[i] = DigitalState(digital_[i], bits, i);
  return states_;
}

const std::array<TRateResult, kRateInputs>& TInputCalibration::ProcessRateFrame(
    const TRateFrame& frame) {
  Lock lock(s_.AcquisitionLock);
  for (int i = 0; i < kRateInputs; ++i) {
    TRateCal& cal = rate_[i];
    cal.KFactor = UsableKFactor(cal.KFactor);
    rates_[i] = ComputeRate(cal, frame.Count[i], frame.Frequency[i], rates_[i]);
    // The box's report of quadrature wins over the stored choice.
    cal.Quadrature = static_cast<uint8_t>((frame.QuadratureBits >> i) & 1);
  }
  return rates_;
}

// --- commands ---------------------------------------------------------------------

void TInputCalibration::ZeroAnalogInput(int index) {
  if (!InRange(index, kAnalogInputs)) return;
  Lock lock(s_.AcquisitionLock);
  quirlo::acquisition::CalibrateTare(analog_[index], values_[index], 0.0);
}

void TInputCalibration::ResetTotal(int index) {
  if (!InRange(index, kRateInputs)) return;
  Lock lock(s_.AcquisitionLock);
  if (box_.resetCount) box_.resetCount(index);
}

// --- files ------------------------------------------------------------------------

std::vector<std::string> TInputCalibration::Load(TSaver& saver, const SplashFn& splash) {
  std::vector<std::string> errors;
  auto show = [&](const char* text) {
    if (splash) splash(text);
  };
  // Reads into a local set first: the lock is not held across file access.
  auto loadKind = [&](const char* name, auto loadFn, auto& target, bool& loaded) {
    show((std::string("Restoring ") + name + " input settings...").c_str());
    std::remove_reference_t<decltype(target)> records{};
    try {
      loadFn(saver, records);
      loaded = true;
    } catch (const SettingsFolderError& e) {
      errors.emplace_back(e.what());
      return;
    }
    {
      Lock lock(s_.AcquisitionLock);
      target = records;
    }
    show((std::string("Backing up ") + name + " input settings...").c_str());
  };

  loadKind("digital", LoadDigitalCal, digital_, digitalLoaded_);
  loadKind("frequency", LoadRateCal, rate_, rateLoaded_);
  {
    Lock lock(s_.AcquisitionLock);
    quadratureMask_ = QuadratureMask(rate_);
    SendMask(quadratureMask_);
  }
  loadKind("analog", LoadAnalogCal, analog_, analogLoaded_);
  return errors;
}

bool TInputCalibration::Save(TSaver& saver) {
  const TAnalogCalSet analog = AnalogRecords();
  const TDigitalCalSet digital = DigitalRecords();
  const TRateCalSet rate = RateRecords();
  bool ok = true;
  if (digitalLoaded_) ok = SaveDigitalCal(saver, digital) && ok;
  if (rateLoaded_) ok = SaveRateCal(saver, rate) && ok;
  if (analogLoaded_) ok = SaveAnalogCal(saver, analog) && ok;
  return ok;
}

TAnalogCalSet TInputCalibration::AnalogRecords() const {
  Lock lock(s_.AcquisitionLock);
  return analog_;
}

TDigitalCalSet TInputCalibration::DigitalRecords() const {
  Lock lock(s_.AcquisitionLock);
  return digital_;
}

TRateCalSet TInputCalibration::RateRecords() const {
  Lock lock(s_.AcquisitionLock);
  return rate_;
}

void TInputCalibration::SetAnalogRecords(const TAnalogCalSet& records) {
  TAnalogCalSet clean = records;
  SanitizeAnalog(clean);
  Lock lock(s_.AcquisitionLock);
  analog_ = clean;
}

void TInputCalibration::SetDigitalRecords(const TDigitalCalSet& records) {
  TDigitalCalSet clean = records;
  SanitizeDigital(clean);
  Lock lock(s_.AcquisitionLock);
  digital_ = clean;
}

void TInputCalibration::SetRateRecords(const TRateCalSet& records) {
  TRateCalSet clean = records;
  SanitizeRate(clean);
  Lock lock(s_.AcquisitionLock);
  rate_ = clean;
  quadratureMask_ = QuadratureMask(rate_);
  SendMask(quadratureMask_);
}

// --- dialogs ----------------------------------------------------------------------

TAnalogCal TInputCalibration::AnalogRecord(int index) const {
  if (!InRange(index, kAnalogInputs)) return TAnalogCal{};
  Lock lock(s_.AcquisitionLock);
  return analog_[index];
}

TDigitalCal TInputCalibration::DigitalRecord(int index) const {
  if (!InRange(index, kDigitalInputs)) return TDigitalCal{};
  Lock lock(s_.AcquisitionLock);
  return digital_[index];
}

TRateCal TInputCalibration::RateRecord(int index) const {
  if (!InRange(index, kRateInputs)) return TRateCal{};
  Lock lock(s_.AcquisitionLock);
  return rate_[index];
}

TAnalogLive TInputCalibration::AnalogLive(int index) const {
  if (!InRange(index, kAnalogInputs)) return {};
  Lock lock(s_.AcquisitionLock);
  return {counts_[index], smoothed_[index], values_[index]};
}

TDigitalLive TInputCalibration::DigitalLive(int index) const {
  if (!InRange(index, kDigitalInputs)) return {};
  Lock lock(s_.AcquisitionLock);
  return {bits_ & (1 << index), states_[index]};
}

TRateResult TInputCalibration::RateLive(int index) const {
  if (!InRange(index, kRateInputs)) return {};
  Lock lock(s_.AcquisitionLock);
  return rates_[index];
}

uint8_t TInputCalibration::CurrentQuadratureMask() const {
  Lock lock(s_.AcquisitionLock);
  return quadratureMask_;
}

namespace {

// Applies `change` to a copy of the record and stores copy and description together,
// so a refused change leaves the record (description included) untouched.
template <class Record, class Change>
TCalibrateStatus Edit(Record& record, std::string_view description, Change change) {
  Record edited = record;
  if (!change(edited)) return TCalibrateStatus::BadValue;
  SetDescriptionText(edited.Description, description);
  record = edited;
  return TCalibrateStatus::Ok;
}

}  // namespace

TCalibrateStatus TInputCalibration::CalibrateFixedScale(int index, std::string_view description,
                                                        uint8_t range, double lowDisplay,
                                                        double highDisplay) {
  if (!InRange(index, kAnalogInputs) || range > static_cast<uint8_t>(TAnalogRange::V0to5)) {
    return TCalibrateStatus::BadInput;
  }
  Lock lock(s_.AcquisitionLock);
  return Edit(analog_[index], description, [&](TAnalogCal& cal) {
    return quirlo::acquisition::CalibrateFixedScale(cal, range, lowDisplay, highDisplay);
  });
}

TCalibrateStatus TInputCalibration::CalibrateGainOffset(int index, std::string_view description,
                                                        double offset, double gain) {
  if (!InRange(index, kAnalogInputs)) return TCalibrateStatus::BadInput;
  Lock lock(s_.AcquisitionLock);
  return Edit(analog_[index], description, [&](TAnalogCal& cal) {
    return quirlo::acquisition::CalibrateGainOffset(cal, offset, gain);
  });
}

TCalibrateStatus TInputCalibration::CalibrateAutoScale(int index, std::string_view description,
                                                       double lowCounts, double highCounts,
                                                       double lowValue, double highValue) {
  if (!InRange(index, kAnalogInputs)) return TCalibrateStatus::BadInput;
  Lock lock(s_.AcquisitionLock);
  return Edit(analog_[index], description, [&](TAnalogCal& cal) {
    return quirlo::acquisition::CalibrateAutoScale(cal, lowCounts, highCounts, lowValue,
                                                   highValue);
  });
}

TCalibrateStatus TInputCalibration::CalibrateTare(int index, std::string_view description,
                                                  double tareValue) {
  if (!InRange(index, kAnalogInputs)) return TCalibrateStatus::BadInput;
  Lock lock(s_.AcquisitionLock);
  const double present = values_[index];
  return Edit(analog_[index], description, [&](TAnalogCal& cal) {
    return quirlo::acquisition::CalibrateTare(cal, present, tareValue);
  });
}

TCalibrateStatus TInputCalibration::CalibrateDigital(int index, std::string_view description,
                                                     uint8_t activeLow) {
  if (!InRange(index, kDigitalInputs) || activeLow > 1) return TCalibrateStatus::BadInput;
  Lock lock(s_.AcquisitionLock);
  return Edit(digital_[index], description, [&](TDigitalCal& cal) {
    cal.ActiveLow = index < kFirstChoosableDigital ? 1 : activeLow;
    return true;
  });
}

TCalibrateStatus TInputCalibration::CalibrateRate(int index, std::string_view description,
                                                  double kFactor, uint8_t timebase,
                                                  uint8_t quadrature) {
  if (!InRange(index, kRateInputs) || timebase > static_cast<uint8_t>(TTimebase::Hour) ||
      quadrature > 1) {
    return TCalibrateStatus::BadInput;
  }
  Lock lock(s_.AcquisitionLock);
  const TCalibrateStatus status = Edit(rate_[index], description, [&](TRateCal& cal) {
    return quirlo::acquisition::CalibrateRate(cal, kFactor, timebase, quadrature);
  });
  if (status == TCalibrateStatus::Ok) {
    // Only this input's bit changes: the box's reports rewrite the records' Quadrature,
    // and must not turn the other inputs' requested counting mode off behind the user.
    const auto bit = static_cast<uint8_t>(1u << index);
    quadratureMask_ = static_cast<uint8_t>(quadrature != 0 ? quadratureMask_ | bit
                                                            : quadratureMask_ & ~bit);
    SendMask(quadratureMask_);
  }
  return status;
}

TAutoScaleOutcome TInputCalibration::AutoScaleRate(int index, double enteredValue) const {
  if (!InRange(index, kRateInputs)) return {};
  Lock lock(s_.AcquisitionLock);
  return AutoScaleKFactor(rates_[index], enteredValue);
}

}  // namespace quirlo::acquisition
