#include "quirlo/presentation/filter_form.h"

#include <algorithm>
#include <atomic>
#include <cmath>

#include "quirlo/acquisition/move_avg.h"
#include "quirlo/presentation/numedit_value.h"

namespace quirlo::presentation {

using namespace quirlo::acquisition;

namespace {

// Frames per second of a kind, and the N from which its period shows in seconds.
struct TPeriodRule {
  double secondsPerFrame;
  int limit;
  int secondDecimals;
};

TPeriodRule PeriodRule(TFilterKind kind) {
  return kind == TFilterKind::Rate ? TPeriodRule{0.1, 10, 1} : TPeriodRule{0.02, 50, 2};
}

// SelectedAnalog, SelectedRate or SelectedDigital.
std::atomic<int>& SelectionOf(TFilterKind kind, TAcquisitionState& state) {
  return kind == TFilterKind::Analog ? state.SelectedAnalog
         : kind == TFilterKind::Rate ? state.SelectedRate
                                     : state.SelectedDigital;
}

int ClampCountsValue(double v) {
  return static_cast<int>(std::clamp(std::round(v), double(kMinCounts), double(kMaxCounts)));
}

}  // namespace

std::vector<TFilterChoice> FilterChoices(TFilterKind kind) {
  if (kind == TFilterKind::Digital) return {{"None", kFilterNone, true}, {"Debounce", kFilterDebounce, true}};
  return {{"None", kFilterNone, true},
          {"Simple Moving Average", kFilterMovingAverage, true},
          {"Exponential Moving Average", kFilterExponential, true},
          {"Butterworth", kFilterButterworth, false}};
}

std::string FilterTitle(TFilterKind kind, int index) {
  const char* head = kind == TFilterKind::Analog ? "Filter Analog Input "
                     : kind == TFilterKind::Rate ? "Filter Frequency Input "
                                                 : "Filter Digital Input ";
  return head + std::to_string(index + 1);
}

std::string ApplyButtonText(TFilterKind kind) {
  return kind == TFilterKind::Digital ? "Calibrate" : "Apply";
}

bool PropertiesVisible(uint8_t type) { return type != kFilterNone; }

std::string PeriodCaption(TFilterKind kind, uint8_t type) {
  if (kind == TFilterKind::Digital) return "Debounce Period";
  return type == kFilterExponential ? "Smoothing Constant" : "Averaging Period";
}

std::string PeriodText(TFilterKind kind, uint8_t type, int counts, char sep) {
  if (type == kFilterNone) return "";
  if (kind != TFilterKind::Digital && type == kFilterExponential)
    return FormatFixed(2.0 / (counts + 1.0), 4, sep);
  const TPeriodRule rule = PeriodRule(kind);
  if (counts < rule.limit) return FormatFixed(counts * rule.secondsPerFrame * 1000.0, 0, sep) + " ms";
  return FormatFixed(counts * rule.secondsPerFrame, rule.secondDecimals, sep) + " s";
}

std::string LiveValueText(TFilterKind kind, double value, char sep) {
  if (kind == TFilterKind::Digital) return value != 0.0 ? "On" : "Off";
  return FormatFixed(value, AutoSetDecimals(value), sep);
}

std::optional<int32_t> ReadCounts(std::string_view text, char sep) {
  const std::optional<double> v = ParseNumber(text, sep);
  if (!v || !std::isfinite(*v)) return std::nullopt;
  return ClampCountsValue(*v);
}

int WindowLength(int counts) { return ClampAverageLength(counts); }

TFilterForm::TFilterForm(TFilterKind kind, TInputFilters& filters, TAcquisitionState& state)
    : kind_(kind), filters_(filters), state_(state) {
  Fill();
}

int TFilterForm::Input() const {
  return std::clamp(SelectionOf(kind_, state_).load(), 0, FilterInputCount(kind_) - 1);
}

void TFilterForm::SelectShownInput() { SelectionOf(kind_, state_).store(shown_); }

void TFilterForm::Fill() {
  shown_ = Input();
  Reload();
}

void TFilterForm::Reload() {
  const TFilterView v = filters_.View(kind_, shown_);
  type_ = v.FilterType;
  ChooseCounts(v.Counts);
}

void TFilterForm::ChooseCounts(int32_t counts) { counts_ = ClampCountsValue(counts); }

std::string TFilterForm::Description() const { return filters_.View(kind_, shown_).Description; }

std::string TFilterForm::UnfilteredText(char sep) const {
  return LiveValueText(kind_, filters_.View(kind_, shown_).Unfiltered, sep);
}

std::string TFilterForm::FilteredText(char sep) const {
  return LiveValueText(kind_, filters_.View(kind_, shown_).Filtered, sep);
}

bool TFilterForm::Apply(std::optional<int32_t> counts) {
  if (counts) ChooseCounts(*counts);
  const bool applied = filters_.Apply(kind_, shown_, type_, counts ? std::optional(counts_) : std::nullopt);
  Reload();  // the dialog shows what is in force now
  return applied;
}

}  // namespace quirlo::presentation
