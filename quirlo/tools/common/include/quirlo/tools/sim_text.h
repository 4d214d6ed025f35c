// The data simulator's item text: one value per field, separated by the delimiter.
// Quirlo reads field 1 as a frequency and field 2 as analog reading 0, each with the
// C library's leading-integer rule, so values are written with `decimals` places
// (0 by default: plain integers).
#pragma once

#include <string>
#include <vector>

#include "quirlo/tools/waveform.h"

namespace quirlo::tools {

std::string SimulatorText(const std::vector<Waveform>& fields, double seconds,
                          const std::string& delimiter, int decimals = 0);

// The delimiter as given on the command line: "T", "tab" or "\t" stand for a tab
// (settings.ini stores a tab as "T"); anything else is used as given. Empty: ",".
std::string DelimiterFromOption(const std::string& text);

}  // namespace quirlo::tools
