#include "quirlo/presentation/input_text.h"

#include "quirlo/presentation/numedit_value.h"

namespace quirlo::presentation {

std::string NumberText(double x) { return FormatFixed(x, AutoSetDecimals(x)); }

std::optional<double> ReadNumber(std::string_view text) { return ParseNumber(text); }

std::string NotANumberMessage(std::string_view text) {
  return "'" + std::string(text) + "' is not a valid number.";
}

}  // namespace quirlo::presentation
