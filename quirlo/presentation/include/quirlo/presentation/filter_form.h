// What the three filter dialogs show and do, without widgets.
//
// A filter dialog edits the filter of the selected input of its kind (SelectedAnalog,
// SelectedRate or SelectedDigital): a filter type, "Average Counts" N and, for the chosen
// type, a line that tells what N means in time. The period assumes 50 analog frames and
// 10 rate frames a second; digital states arrive with the analog frames.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "quirlo/acquisition/acquisition_state.h"
#include "quirlo/acquisition/input_filters.h"

namespace quirlo::presentation {

using acquisition::TFilterKind;

inline constexpr int kMinCounts = 1;
inline constexpr int kMaxCounts = 1000;

inline constexpr const char* kGoToAnalogText = "Go To Analog Inputs";
inline constexpr const char* kGoToDigitalText = "Go To Digital Inputs";
inline constexpr const char* kGoToRateText = "Go To\r\nFrequency Inputs";
inline constexpr const char* kCalibrateThisInputText = "Calibrate This Input";
inline constexpr const char* kPropertiesGroupText = " Filter Properties ";
inline constexpr const char* kCountsCaption = "Average Counts";

struct TFilterChoice {
  const char* Text;
  uint8_t Type;
  bool Enabled;  // Butterworth is listed but cannot be chosen
};
// The type list of a dialog, in order.
std::vector<TFilterChoice> FilterChoices(TFilterKind kind);

// "Filter Analog Input 3" for 0-based index 2.
std::string FilterTitle(TFilterKind kind, int index);
// "Apply", or "Calibrate" on the digital dialog.
std::string ApplyButtonText(TFilterKind kind);
// The " Filter Properties " group is hidden for "None".
bool PropertiesVisible(uint8_t type);
// "Averaging Period", "Debounce Period" or, for an exponential average, "Smoothing Constant".
std::string PeriodCaption(TFilterKind kind, uint8_t type);
// Length of the window in time (moving average, debounce) or the smoothing constant
// 2 / (N + 1) (exponential); "" for "None". The entered N is shown even where the window
// itself is cut to 255 samples.
std::string PeriodText(TFilterKind kind, uint8_t type, int counts, char decimalSeparator = '.');
// A live value: "On"/"Off" for digital inputs, a number otherwise.
std::string LiveValueText(TFilterKind kind, double value, char decimalSeparator = '.');

// "Average Counts" as typed: a number, rounded and kept within 1 ... 1000. Nothing when
// the text is not a number.
std::optional<int32_t> ReadCounts(std::string_view text, char decimalSeparator = '.');
// Samples a moving average really keeps for N: at most 255.
int WindowLength(int counts);

class TFilterForm {
 public:
  TFilterForm(TFilterKind kind, acquisition::TInputFilters& filters,
              acquisition::TAcquisitionState& state);

  TFilterKind Kind() const { return kind_; }
  // The selected input of this kind, 0-based (kept in range).
  int Input() const;
  // The input the form shows: the one selected when Fill last ran. Title, live values and
  // Apply stay with it while a calibration dialog selects other inputs, so Apply never
  // changes an input other than the one named in the title.
  int ShownInput() const { return shown_; }
  // Makes the shown input the selected one (before its calibration dialog opens).
  void SelectShownInput();

  // Takes the selected input, and type and count from its record, as the dialog does on
  // opening.
  void Fill();
  uint8_t ChosenType() const { return type_; }
  int32_t ChosenCounts() const { return counts_; }
  void ChooseType(uint8_t type) { type_ = type; }
  void ChooseCounts(int32_t counts);

  std::string Title() const { return FilterTitle(kind_, shown_); }
  bool GroupVisible() const { return PropertiesVisible(type_); }
  std::string Caption() const { return PeriodCaption(kind_, type_); }
  std::string Period(char sep = '.') const { return PeriodText(kind_, type_, counts_, sep); }
  std::string Description() const;
  std::string UnfilteredText(char sep = '.') const;
  std::string FilteredText(char sep = '.') const;

  // Puts the chosen type in force on the shown input with `counts` (nothing when the
  // field could not be read); the input keeps its old filter when that is refused.
  bool Apply(std::optional<int32_t> counts);

 private:
  // Type and count from the shown input's record.
  void Reload();

  TFilterKind kind_;
  acquisition::TInputFilters& filters_;
  acquisition::TAcquisitionState& state_;
  uint8_t type_ = acquisition::kFilterNone;
  int32_t counts_ = kMinCounts;
  int shown_ = 0;
};

}  // namespace quirlo::presentation
