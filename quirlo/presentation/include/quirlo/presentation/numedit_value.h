// The value behind a numeric edit field, without any widget.
//
// A TNumEdit shows one double with a fixed number of decimals, kept between a minimum and a
// maximum. Most callers do not know the magnitude of what they show (a calibrated reading can be
// 0.00004 or 25000), so AutoSet picks the decimals from the magnitude before taking the value:
// small numbers keep their significant digits and large ones do not grow past the field.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quirlo::presentation {

// Decimals that AutoSet gives to x: 0 below 1e-5, 8 up to 1e-4, one fewer per decade above,
// 0 from 1000 on. NaN and infinities get 0.
int AutoSetDecimals(double x);

// x in fixed notation with `decimals` digits after `decimalSeparator`. Non-finite values give
// "NaN", "INF" or "-INF" so a field never shows a garbled text.
std::string FormatFixed(double x, int decimals, char decimalSeparator = '.');

// Reads a field's text back: optional blanks, a sign, digits with at most one separator
// ('.' or the given one). Anything else, or an empty text, gives nothing.
std::optional<double> ParseNumber(std::string_view text, char decimalSeparator = '.');

class TNumEditValue {
 public:
  static constexpr double kDefaultMin = -1e18;
  static constexpr double kDefaultMax = 1e18;
  static constexpr int kMaxDecimals = 18;

  double Value() const { return value_; }
  double Min() const { return min_; }
  double Max() const { return max_; }
  int Decimals() const { return decimals_; }

  // The value is kept inside [Min, Max]; NaN is refused and leaves the value unchanged.
  void SetValue(double v);
  // Setting a bound pulls the other bound and the value along so that min <= value <= max.
  void SetMin(double v);
  void SetMax(double v);
  // Clamped to 0 .. kMaxDecimals.
  void SetDecimals(int d);

  // Decimals by the magnitude of x, then value := x.
  void AutoSet(double x);

  std::string Text(char decimalSeparator = '.') const;
  // Takes a typed text; false (value unchanged) when it is not a number.
  bool SetText(std::string_view text, char decimalSeparator = '.');

 private:
  double value_ = 0.0;
  double min_ = kDefaultMin;
  double max_ = kDefaultMax;
  int decimals_ = 0;
};

}  // namespace quirlo::presentation
