#include "quirlo/tools/sim_text.h"

#include <cmath>
#include <cstdio>

namespace quirlo::tools {

std::string SimulatorText(const std::vector<Waveform>& fields, double seconds,
                          const std::string& delimiter, int decimals) {
  std::string text;
  char buf[64];
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) text += delimiter;
    double v = fields[i].At(seconds);
    if (decimals <= 0) v = std::round(v) + 0.0;  // + 0.0 turns -0 into 0
    std::snprintf(buf, sizeof buf, "%.*f", decimals < 0 ? 0 : decimals, v);
    text += buf;
  }
  return text;
}

std::string DelimiterFromOption(const std::string& text) {
  if (text.empty()) return ",";
  if (text == "T" || text == "tab" || text == "\\t") return "\t";
  return text;
}

}  // namespace quirlo::tools
