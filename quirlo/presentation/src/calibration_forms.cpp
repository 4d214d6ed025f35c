#include "quirlo/presentation/calibration_forms.h"

#include <cmath>
#include <optional>

#include "quirlo/presentation/input_text.h"

namespace quirlo::presentation {

namespace acq = quirlo::acquisition;
using acq::TCalibrateStatus;

std::string AnalogCalCaption(int index) {
  return "Calibrate Analog Input " + std::to_string(index + 1);
}
std::string DigitalCalCaption(int index) {
  return "Calibrate Digital Input " + std::to_string(index + 1);
}
std::string RateCalCaption(int index) {
  return "Calibrate Frequency Input " + std::to_string(index + 1);
}

namespace {

// Reads the texts one by one; the first that is not a number is reported and stops the
// calibration before anything is stored.
class TTextReader {
 public:
  TTextReader(UiService& ui, std::string caption) : ui_(ui), caption_(std::move(caption)) {}

  bool Read(const std::string& text, double& out) {
    if (failed_) return false;
    const auto v = ReadNumber(text);
    if (!v) {
      ui_.MessageBox(NotANumberMessage(text), caption_, MsgIcon::Error, MsgButtons::Ok);
      failed_ = true;
      return false;
    }
    out = *v;
    return true;
  }

 private:
  UiService& ui_;
  std::string caption_;
  bool failed_ = false;
};

// The stage refuses numbers it cannot use (counts beyond the record's range, a choice out
// of range); the user learns that nothing was stored.
bool Report(UiService& ui, const std::string& caption, TCalibrateStatus status) {
  if (status == TCalibrateStatus::Ok) return true;
  ui.MessageBox("These values cannot be used for a calibration; nothing was changed.", caption,
                MsgIcon::Error, MsgButtons::Ok);
  return false;
}

}  // namespace

TAnalogFields AnalogFieldsOf(const acq::TAnalogCal& cal) {
  TAnalogFields f;
  f.description = acq::DescriptionText(cal.Description);
  f.range = cal.Range <= 2 ? cal.Range : 0;
  f.lowDisplay = cal.LowDisplay;
  f.highDisplay = cal.HighDisplay;
  f.offset = cal.C0;
  f.gain = cal.C1;
  f.lowCounts = cal.LowCounts;
  f.highCounts = cal.HighCounts;
  f.lowValue = acq::LowValue(cal);
  f.highValue = acq::HighValue(cal);
  f.tareValue = 0;
  return f;
}

TAnalogFields AnalogFieldsAfter(TAnalogPage page, const acq::TAnalogCal& cal,
                                double tareValue) {
  TAnalogFields f = AnalogFieldsOf(cal);
  if (page == TAnalogPage::FixedScale || page == TAnalogPage::GainOffset) {
    f.lowCounts = 0;
    f.highCounts = acq::kFullScaleCount;
    f.lowValue = cal.C0;
    f.highValue = cal.C1 * acq::kFullScaleCount + cal.C0;
  }
  f.tareValue = tareValue;
  return f;
}

bool CalibrateAnalog(acq::TInputCalibration& cal, UiService& ui, int index, TAnalogPage page,
                     const TAnalogTexts& t, TAnalogFields& fields) {
  const std::string caption = AnalogCalCaption(index);
  TTextReader read(ui, caption);
  TCalibrateStatus status = TCalibrateStatus::BadInput;
  double tare = 0;
  switch (page) {
    case TAnalogPage::FixedScale: {
      double low = 0, high = 0;
      if (!read.Read(t.lowDisplay, low) || !read.Read(t.highDisplay, high)) return false;
      status = cal.CalibrateFixedScale(index, t.description, static_cast<uint8_t>(t.range), low,
                                       high);
      break;
    }
    case TAnalogPage::GainOffset: {
      double offset = 0, gain = 0;
      if (!read.Read(t.offset, offset) || !read.Read(t.gain, gain)) return false;
      status = cal.CalibrateGainOffset(index, t.description, offset, gain);
      break;
    }
    case TAnalogPage::AutoScale: {
      double lc = 0, hc = 0, lv = 0, hv = 0;
      if (!read.Read(t.lowCounts, lc) || !read.Read(t.highCounts, hc) ||
          !read.Read(t.lowValue, lv) || !read.Read(t.highValue, hv))
        return false;
      status = cal.CalibrateAutoScale(index, t.description, lc, hc, lv, hv);
      break;
    }
    case TAnalogPage::ZeroTare:
      if (!read.Read(t.tareValue, tare)) return false;
      status = cal.CalibrateTare(index, t.description, tare);
      break;
  }
  if (!Report(ui, caption, status)) return false;
  fields = AnalogFieldsAfter(page, cal.AnalogRecord(index), tare);
  return true;
}

TDigitalFields DigitalFieldsOf(int index, const acq::TDigitalCal& cal) {
  TDigitalFields f;
  f.description = acq::DescriptionText(cal.Description);
  f.activeLow = cal.ActiveLow != 0;
  f.activeChoosable = index >= acq::kFirstChoosableDigital;
  return f;
}

bool CalibrateDigital(acq::TInputCalibration& cal, UiService& ui, int index,
                      const TDigitalFields& fields) {
  return Report(ui, DigitalCalCaption(index),
                cal.CalibrateDigital(index, fields.description, fields.activeLow ? 1 : 0));
}

std::string DigitalStateText(uint8_t state) { return state ? "On" : "Off"; }

TRateFields RateFieldsOf(const acq::TRateCal& cal) {
  TRateFields f;
  f.description = acq::DescriptionText(cal.Description);
  f.kFactor = NumberText(cal.KFactor);
  f.timebase = cal.Timebase <= 2 ? cal.Timebase : 0;
  f.quadrature = cal.Quadrature != 0;
  return f;
}

bool CalibrateRate(acq::TInputCalibration& cal, UiService& ui, int index,
                   const TRateFields& fields) {
  const std::string caption = RateCalCaption(index);
  TTextReader read(ui, caption);
  double k = 0;
  if (!read.Read(fields.kFactor, k)) return false;
  return Report(ui, caption,
                cal.CalibrateRate(index, fields.description, k,
                                  static_cast<uint8_t>(fields.timebase), fields.quadrature));
}

bool AutoScaleRate(acq::TInputCalibration& cal, UiService& ui, int index, TRateFields& fields) {
  fields.timebase = static_cast<int>(acq::TTimebase::Second);
  std::string entered = NumberText(cal.RateLive(index).Rate);
  if (!ui.InputQuery(kAutoScaleCaption, kAutoScalePrompt, entered)) return false;
  const std::string caption = RateCalCaption(index);
  double value = 0;
  if (!TTextReader(ui, caption).Read(entered, value)) return false;
  const acq::TAutoScaleOutcome outcome = cal.AutoScaleRate(index, value);
  if (outcome.status == acq::TAutoScaleStatus::RateNotFound) {
    ui.MessageBox(kRateNotFoundText, kRateNotFoundCaption, MsgIcon::Error, MsgButtons::Ok);
    return false;
  }
  if (outcome.status != acq::TAutoScaleStatus::Ok) {
    ui.MessageBox("A K-factor cannot follow from the value " + entered + "; nothing was changed.",
                  caption, MsgIcon::Error, MsgButtons::Ok);
    return false;
  }
  fields.kFactor = NumberText(outcome.kFactor);
  return CalibrateRate(cal, ui, index, fields);
}

TLiveTexts AnalogLiveOf(const acq::TAnalogLive& live) {
  return {static_cast<double>(live.Smoothed), NumberText(live.Value), live.Value};
}

TLiveTexts DigitalLiveOf(const acq::TDigitalLive& live) {
  return {static_cast<double>(live.RawValue), DigitalStateText(live.State),
          static_cast<double>(live.State)};
}

TLiveTexts RateLiveOf(const acq::TRateResult& live) {
  return {std::fabs(static_cast<double>(live.Frequency)), NumberText(live.Rate), live.Rate};
}

QWidget* LinkCaller(QWidget* remembered, const QWidget* target) {
  return remembered == target ? nullptr : remembered;
}

}  // namespace quirlo::presentation
