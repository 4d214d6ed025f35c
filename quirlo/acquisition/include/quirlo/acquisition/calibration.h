// TInputCalibration: turns the box's payloads into engineering values.
//
// Per analog frame each 16-bit reading is rounded to a 12-bit count, smoothed
// (TRawSmoother) and put through its input's calibration polynomial; per analog frame
// the digital bits become states through each input's active level; per rate frame the
// counts and frequencies become totals and rates through each input's K-factor. The
// results go on to the input filters (see TInputPipeline), and the last of everything
// is kept for the calibration dialogs.
//
// Threads: frames arrive on the master timer thread, the dialogs' calls on the user
// interface thread. Every public operation takes TAcquisitionState::AcquisitionLock
// (recursive), so a record never changes half-way through a frame and a dialog never
// reads half a frame's results. Frame processing allocates nothing.
//
// Box commands (the quadrature mask, a total reset) go out through TBoxCommands, set once
// before the timers start; without them nothing is sent.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "quirlo/acquisition/acquisition_state.h"
#include "quirlo/acquisition/calibration_math.h"
#include "quirlo/acquisition/calibration_records.h"
#include "quirlo/acquisition/packet.h"
#include "quirlo/acquisition/rate_result.h"
#include "quirlo/acquisition/raw_smoother.h"
#include "quirlo/recording/saver.h"

namespace quirlo::acquisition {

struct TBoxCommands {
  std::function<void(uint8_t mask)> sendQuadratureMask;
  std::function<void(int index)> resetCount;  // 0-based frequency input
};

// What the analog dialog shows live for one input.
struct TAnalogLive {
  int32_t Count = 0;     // 12-bit count before smoothing ("Get Raw Counts")
  int32_t Smoothed = 0;  // smoothed count (the dialog's raw value)
  double Value = 0.0;    // calibrated value, before filtering
};

// What the digital dialog shows live for one input.
struct TDigitalLive {
  int32_t RawValue = 0;  // the input's bit in place: 2^i when set, 0 when clear
  uint8_t State = 0;     // 1 "On", 0 "Off"
};

// Result of a dialog's Calibrate; anything but Ok means nothing was changed.
enum class TCalibrateStatus { Ok, BadInput, BadValue };

class TInputCalibration {
 public:
  // Records start as a missing file leaves them: all 0, digital inputs 1..6 active low.
  explicit TInputCalibration(TAcquisitionState& state);

  void SetBoxCommands(TBoxCommands commands);  // before the timers start

  // --- frame processing (master timer thread) -------------------------------------
  // Returns the eight calibrated values for the analog filter.
  const std::array<double, kAnalogInputs>& ProcessAnalogFrame(const TAnalogFrame& frame);
  // Returns the eight states (0/1) for the digital filter.
  const std::array<uint8_t, kDigitalInputs>& ProcessDigitalBits(uint8_t bits);
  // Returns the six results for the rate filter. A K-factor of 0 becomes 1.0 in the
  // record; the frame's quadrature bits overwrite each record's Quadrature.
  const std::array<TRateResult, kRateInputs>& ProcessRateFrame(const TRateFrame& frame);

  // --- commands from the readouts and the computation ------------------------------
  // Tares analog input `index` to 0: C0, LowDisplay and HighDisplay drop by its present
  // calibrated value. Out-of-range indices are ignored.
  void ZeroAnalogInput(int index);
  // Tells the box to reset the count of frequency input `index` (0..5).
  void ResetTotal(int index);

  // --- start-up, shut-down, complete settings files -------------------------------
  // Loads the three files (digital, frequency, analog, the program's order) with their
  // splash texts and sends the quadrature mask once. Returns the message of each kind
  // whose folder could neither be found nor made ("Cannot create <path>"); such a kind
  // keeps zero records and is not saved over at the end.
  using SplashFn = std::function<void(const std::string&)>;
  std::vector<std::string> Load(TSaver& saver, const SplashFn& splash = {});
  // Saves every kind that was loaded. False when a save failed.
  bool Save(TSaver& saver);

  TAnalogCalSet AnalogRecords() const;
  TDigitalCalSet DigitalRecords() const;
  TRateCalSet RateRecords() const;
  // Whole sets, as a complete settings file restores them; sanitized like a loaded file.
  // SetRateRecords sends the quadrature mask.
  void SetAnalogRecords(const TAnalogCalSet& records);
  void SetDigitalRecords(const TDigitalCalSet& records);
  void SetRateRecords(const TRateCalSet& records);

  // --- the calibration dialogs (user interface thread) ----------------------------
  TAnalogCal AnalogRecord(int index) const;  // zero record for a bad index
  TDigitalCal DigitalRecord(int index) const;
  TRateCal RateRecord(int index) const;
  TAnalogLive AnalogLive(int index) const;
  TDigitalLive DigitalLive(int index) const;
  TRateResult RateLive(int index) const;
  // The mask last sent to the box: built from the records at start-up (and when a
  // complete settings file replaces them), then changed bit by bit by CalibrateRate. The
  // box's reports in rate frames change the records, not this mask.
  uint8_t CurrentQuadratureMask() const;

  // Each stores the description and the page's numbers in one step under the lock, or
  // changes nothing (BadInput: index or choice out of range; BadValue: a number that is
  // NaN or infinite, or counts outside the int32 range).
  TCalibrateStatus CalibrateFixedScale(int index, std::string_view description,
                                       uint8_t range, double lowDisplay, double highDisplay);
  TCalibrateStatus CalibrateGainOffset(int index, std::string_view description,
                                       double offset, double gain);
  TCalibrateStatus CalibrateAutoScale(int index, std::string_view description,
                                      double lowCounts, double highCounts, double lowValue,
                                      double highValue);
  // Zero / Tare: the input's present calibrated value becomes `tareValue`.
  TCalibrateStatus CalibrateTare(int index, std::string_view description, double tareValue);
  // Digital "Calibrate": activeLow 0 = "High", 1 = "Low" (inputs 1..6 stay 1).
  TCalibrateStatus CalibrateDigital(int index, std::string_view description,
                                    uint8_t activeLow);
  // Frequency "Calibrate": stores K-factor (0 becomes 1.0), timebase and quadrature, then
  // sets this input's bit of the quadrature mask and sends the whole mask to the box.
  TCalibrateStatus CalibrateRate(int index, std::string_view description, double kFactor,
                                 uint8_t timebase, uint8_t quadrature);
  // Frequency "Auto-Scale": the K-factor that makes the present frequency read
  // `enteredValue` per second. The dialog then runs CalibrateRate with it and "Second".
  TAutoScaleOutcome AutoScaleRate(int index, double enteredValue) const;

 private:
  void SendMask(uint8_t mask);

  TAcquisitionState& s_;
  TBoxCommands box_;

  TAnalogCalSet analog_{};
  TDigitalCalSet digital_{};
  TRateCalSet rate_{};
  bool analogLoaded_ = false;
  bool digitalLoaded_ = false;
  bool rateLoaded_ = false;

  std::array<TRawSmoother, kAnalogInputs> smoothers_{};
  std::array<int32_t, kAnalogInputs> counts_{};
  std::array<int32_t, kAnalogInputs> smoothed_{};
  std::array<double, kAnalogInputs> values_{};
  uint8_t bits_ = 0;
  std::array<uint8_t, kDigitalInputs> states_{};
  std::array<TRateResult, kRateInputs> rates_{};
  uint8_t quadratureMask_ = 0;  // see CurrentQuadratureMask
};

}  // namespace quirlo::acquisition
