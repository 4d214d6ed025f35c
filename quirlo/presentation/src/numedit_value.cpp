#include "quirlo/presentation/numedit_value.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace quirlo::presentation {

int AutoSetDecimals(double x) {
  // Upper bounds of the decades that carry 8, 7, ... 1 decimals; below the first: 0.
  static constexpr double kDecadeTop[] = {0.0001, 0.001, 0.01, 0.1, 1, 10, 100, 1000};
  const double a = std::fabs(x);
  if (!(a >= 0.00001)) return 0;  // also NaN
  int decimals = 8;
  for (double top : kDecadeTop) {
    if (a < top) return decimals;
    --decimals;
  }
  return 0;
}

std::string FormatFixed(double x, int decimals, char decimalSeparator) {
  if (std::isnan(x)) return "NaN";
  if (std::isinf(x)) return x > 0 ? "INF" : "-INF";
  decimals = std::clamp(decimals, 0, TNumEditValue::kMaxDecimals);
  char buf[400];  // 1e308 with 18 + 20 decimals fits in 350 characters
  // printf rounds a value that lies exactly half-way to even ("0.03125" -> "0.0312"); numbers
  // here round half away from zero. Twenty more digits show whether x is such a tie: a value
  // near a tie differs from it within 17 significant digits.
  std::snprintf(buf, sizeof buf, "%.*f", decimals + 20, x);
  const std::string_view wide(buf);
  const size_t point = wide.find('.');
  if (point != std::string_view::npos && wide[point + 1 + decimals] == '5' &&
      wide.find_first_not_of('0', point + 2 + decimals) == std::string_view::npos)
    x = std::nextafter(x, x < 0 ? -HUGE_VAL : HUGE_VAL);
  std::snprintf(buf, sizeof buf, "%.*f", decimals, x);
  std::string s(buf);
  // printf writes the C locale's '.', whatever the caller's separator is.
  for (char& c : s)
    if (c == '.') c = decimalSeparator;
  // "-0.000" reads badly in a readout; a value that rounds to zero shows without sign.
  const char zeroChars[] = {'0', decimalSeparator, '\0'};
  if (s.front() == '-' && s.find_first_not_of(zeroChars, 1) == std::string::npos) s.erase(0, 1);
  return s;
}

std::optional<double> ParseNumber(std::string_view text, char decimalSeparator) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  std::string clean;
  bool digits = false, separator = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if ((c == '-' || c == '+') && i == 0) {
      clean += c;
    } else if (c >= '0' && c <= '9') {
      clean += c;
      digits = true;
    } else if ((c == '.' || c == decimalSeparator) && !separator) {
      clean += '.';
      separator = true;
    } else {
      return std::nullopt;
    }
  }
  if (!digits) return std::nullopt;
  return std::strtod(clean.c_str(), nullptr);
}

void TNumEditValue::SetValue(double v) {
  if (std::isnan(v)) return;
  value_ = std::clamp(v, min_, max_);
}

void TNumEditValue::SetMin(double v) {
  if (std::isnan(v)) return;
  min_ = v;
  max_ = std::max(max_, min_);
  value_ = std::clamp(value_, min_, max_);
}

void TNumEditValue::SetMax(double v) {
  if (std::isnan(v)) return;
  max_ = v;
  min_ = std::min(min_, max_);
  value_ = std::clamp(value_, min_, max_);
}

void TNumEditValue::SetDecimals(int d) { decimals_ = std::clamp(d, 0, kMaxDecimals); }

void TNumEditValue::AutoSet(double x) {
  SetDecimals(AutoSetDecimals(x));
  SetValue(x);
}

std::string TNumEditValue::Text(char decimalSeparator) const {
  return FormatFixed(value_, decimals_, decimalSeparator);
}

bool TNumEditValue::SetText(std::string_view text, char decimalSeparator) {
  const auto v = ParseNumber(text, decimalSeparator);
  if (!v) return false;
  SetValue(*v);
  return true;
}

}  // namespace quirlo::presentation
