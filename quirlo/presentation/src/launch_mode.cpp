#include "quirlo/presentation/launch_mode.h"

#include <charconv>
#include <string_view>

namespace quirlo::presentation {

LaunchMode ChooseLaunchMode(int argc, const char* const* argv, const EnvLookup& getenv) {
  for (int i = 1; i < argc; ++i)
    if (std::string_view(argv[i]) == "--headless") return LaunchMode::Headless;
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const auto value = getenv(name);
    if (value && !value->empty()) return LaunchMode::Windows;
  }
  return LaunchMode::Headless;
}

namespace {
std::optional<int> ParseCount(std::string_view v, int max) {
  int n = -1;
  const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
  if (v.empty() || ec != std::errc() || end != v.data() + v.size() || n < 0 || n > max)
    return std::nullopt;
  return n;
}
}  // namespace

TWindowOptions ParseWindowOptions(int argc, const char* const* argv) {
  TWindowOptions o;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--simulator") {
      o.simulator = true;
    } else if (arg == "--demo") {
      o.demo = true;
    } else if (arg == "--port" || arg == "--seconds") {
      const std::string_view v = i + 1 < argc ? argv[++i] : "";
      const int max = arg == "--port" ? 255 : 1000000;
      const auto n = ParseCount(v, max);
      if (!n) {
        o.error = std::string(arg) + " needs a number from 0 to " + std::to_string(max);
        return o;
      }
      (arg == "--port" ? o.port : o.seconds) = *n;
    } else if (arg.starts_with("--")) {
      o.error = "unknown option " + std::string(arg);
      return o;
    }
  }
  return o;
}

}  // namespace quirlo::presentation
