#include "quirlo/tools/waveform.h"

#include <cmath>
#include <cstdlib>
#include <numbers>
#include <vector>

namespace quirlo::tools {
namespace {

std::optional<double> Number(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (*end != '\0' || !std::isfinite(v)) return std::nullopt;
  return v;
}

}  // namespace

double Waveform::At(double seconds) const {
  const double phase = seconds / period - std::floor(seconds / period);  // 0 <= phase < 1
  switch (kind) {
    case Kind::Constant: return offset;
    case Kind::Sine: return offset + amplitude * std::sin(2 * std::numbers::pi * phase);
    case Kind::Ramp: return offset - amplitude + 2 * amplitude * phase;
    case Kind::Square: return phase < 0.5 ? offset + amplitude : offset - amplitude;
  }
  return offset;
}

std::optional<Waveform> Waveform::Parse(const std::string& text) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (true) {
    const auto colon = text.find(':', start);
    parts.push_back(text.substr(start, colon - start));
    if (colon == std::string::npos) break;
    start = colon + 1;
  }
  if (parts.size() > 4) return std::nullopt;
  Waveform w;
  const std::string& kind = parts[0];
  if (kind == "constant") w.kind = Kind::Constant;
  else if (kind == "sine") w.kind = Kind::Sine;
  else if (kind == "ramp") w.kind = Kind::Ramp;
  else if (kind == "square") w.kind = Kind::Square;
  else return std::nullopt;
  double* fields[] = {&w.amplitude, &w.offset, &w.period};
  for (std::size_t i = 1; i < parts.size(); ++i) {
    auto v = Number(parts[i]);
    if (!v) return std::nullopt;
    *fields[i - 1] = *v;
  }
  // "constant:V" reads naturally as the value itself.
  if (w.kind == Kind::Constant && parts.size() == 2) w.offset = w.amplitude;
  if (!(w.period > 0)) return std::nullopt;
  return w;
}

std::optional<IndexedWaveform> ParseIndexedWaveform(const std::string& text, int count) {
  const auto eq = text.find('=');
  if (eq == std::string::npos || eq == 0) return std::nullopt;
  char* end = nullptr;
  const std::string num = text.substr(0, eq);
  const long n = std::strtol(num.c_str(), &end, 10);
  if (*end != '\0' || n < 1 || n > count) return std::nullopt;
  auto w = Waveform::Parse(text.substr(eq + 1));
  if (!w) return std::nullopt;
  return IndexedWaveform{static_cast<int>(n - 1), *w};
}

}  // namespace quirlo::tools
