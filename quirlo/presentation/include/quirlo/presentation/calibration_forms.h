// The calibration dialogs of the analog, digital and frequency inputs, without widgets.
//
// A dialog shows one input's record (the selected input of its kind) and, once a second,
// that input's live raw and calibrated values. "Calibrate" turns what the user typed into
// the record through the calibration stage, which changes the record in one step under the
// acquisition lock. The texts of the edits are read here, not in the widgets, so that a
// text that is not a number is refused with a message naming it and nothing of the record
// changes (not even the description).
//
// The forms keep their controls; these functions fill them from a record and read them
// back, so every rule runs in a test with a scripted user.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "quirlo/acquisition/calibration.h"
#include "quirlo/platform/ui_service.h"

class QWidget;

namespace quirlo::presentation {

std::string AnalogCalCaption(int index);   // "Calibrate Analog Input " + (index + 1)
std::string DigitalCalCaption(int index);  // "Calibrate Digital Input " + ...
std::string RateCalCaption(int index);     // "Calibrate Frequency Input " + ...

// --- analog -----------------------------------------------------------------------------

// The pages of the analog dialog, in tab order. Gain & Offset exists but is not shown.
enum class TAnalogPage { FixedScale = 0, GainOffset = 1, AutoScale = 2, ZeroTare = 3 };

inline constexpr const char* kRangeNames[] = {"0-20mA", "4-20mA", "0-5V"};

// What the analog dialog's controls show.
struct TAnalogFields {
  std::string description;
  int range = 0;  // index into kRangeNames
  double lowDisplay = 0, highDisplay = 0;                      // Fixed Scale
  double offset = 0, gain = 0;                                 // Gain & Offset
  double lowCounts = 0, highCounts = 0, lowValue = 0, highValue = 0;  // Auto Scale
  double tareValue = 0;                                        // Zero / Tare
};

// The controls as typed, read back for "Calibrate".
struct TAnalogTexts {
  std::string description{};
  int range = 0;
  std::string lowDisplay{}, highDisplay{}, offset{}, gain{};
  std::string lowCounts{}, highCounts{}, lowValue{}, highValue{}, tareValue{};
};

// Opening the dialog or choosing another input: everything from the record, low and high
// value = counts * C1 + C0, tare value 0.
TAnalogFields AnalogFieldsOf(const acquisition::TAnalogCal& cal);
// After a Fixed Scale or Gain & Offset calibration the Auto Scale page shows the whole
// count range (0 and 4095) and its values; the other pages show the record.
TAnalogFields AnalogFieldsAfter(TAnalogPage page, const acquisition::TAnalogCal& cal,
                                double tareValue);

// The calibration run by "Calibrate", "Done" and before leaving for another dialog.
// On success the record is changed and `fields` shows it; otherwise the user has been told
// why and nothing changed.
bool CalibrateAnalog(acquisition::TInputCalibration& cal, UiService& ui, int index,
                     TAnalogPage page, const TAnalogTexts& texts, TAnalogFields& fields);

// --- digital ----------------------------------------------------------------------------

struct TDigitalFields {
  std::string description{};
  bool activeLow = true;       // radio "Low"; "High" otherwise
  bool activeChoosable = false;  // only inputs 7 and 8 may choose
};
TDigitalFields DigitalFieldsOf(int index, const acquisition::TDigitalCal& cal);
bool CalibrateDigital(acquisition::TInputCalibration& cal, UiService& ui, int index,
                      const TDigitalFields& fields);
// "On" for state 1, "Off" for 0.
std::string DigitalStateText(uint8_t state);

// --- frequency --------------------------------------------------------------------------

inline constexpr const char* kTimebaseNames[] = {"Second", "Minute", "Hour"};

struct TRateFields {
  std::string description{};
  std::string kFactor{};  // as typed
  int timebase = 0;     // index into kTimebaseNames
  bool quadrature = false;
};
TRateFields RateFieldsOf(const acquisition::TRateCal& cal);
bool CalibrateRate(acquisition::TInputCalibration& cal, UiService& ui, int index,
                   const TRateFields& fields);

inline constexpr const char* kAutoScaleCaption = "Auto-Scale";
inline constexpr const char* kAutoScalePrompt =
    "Enter the current value and press OK to calculate the K-factor.";
inline constexpr const char* kRateNotFoundCaption = "Error - Rate Not Found";
inline constexpr const char* kRateNotFoundText =
    "Could not Auto-Scale because a non-zero rate was not detected at the input.\r\n"
    "Please verify that a non-zero signal is present and try again.";

// "Auto-Scale": the timebase becomes "Second", the user enters the present value, the
// K-factor follows from the present frequency and "Calibrate" runs with it. `fields` shows
// the outcome (the timebase is "Second" even when the user cancels, as the dialog shows it
// before asking). True when the record was calibrated.
bool AutoScaleRate(acquisition::TInputCalibration& cal, UiService& ui, int index,
                   TRateFields& fields);

// --- live values, navigation -------------------------------------------------------------

// The raw and calibrated values shown once a second.
struct TLiveTexts {
  double raw = 0;
  std::string calibrated;  // digital: "On"/"Off"; otherwise the number
  double calibratedValue = 0;
};
TLiveTexts AnalogLiveOf(const acquisition::TAnalogLive& live);
TLiveTexts DigitalLiveOf(const acquisition::TDigitalLive& live);
TLiveTexts RateLiveOf(const acquisition::TRateResult& live);

// The window a link hands to the dialog it opens: the remembered one, except when that
// window is the dialog being opened, which must not send the user back to itself.
QWidget* LinkCaller(QWidget* remembered, const QWidget* target);

}  // namespace quirlo::presentation
