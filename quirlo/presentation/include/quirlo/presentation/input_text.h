// Numbers in the text fields of the input dialogs.
//
// The calibration and reset dialogs show numbers the way the numeric fields do (decimals by
// magnitude) and read typed text back. A text that is not a number is refused with a message
// that names it, and the caller changes nothing.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quirlo::presentation {

// x with the decimals a numeric field's AutoSet gives it.
std::string NumberText(double x);
// The number in a field's text; nothing when the text is not one.
std::optional<double> ReadNumber(std::string_view text);
// "'<text>' is not a valid number."
std::string NotANumberMessage(std::string_view text);

}  // namespace quirlo::presentation
