// How `quirlo` starts: with its windows, or headless.
//
// The windows need a display. Without one (no DISPLAY, no WAYLAND_DISPLAY and no Qt platform
// chosen through QT_QPA_PLATFORM) Qt would abort, so the program runs headless instead, as it
// does when asked with --headless.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace quirlo::presentation {

enum class LaunchMode { Windows, Headless };

// getenv: returns the variable's value or nothing.
using EnvLookup = std::function<std::optional<std::string>(const char* name)>;

LaunchMode ChooseLaunchMode(int argc, const char* const* argv, const EnvLookup& getenv);

// Options of the windowed program besides --home (which the program's folder takes).
struct TWindowOptions {
  std::optional<int> port;  // --port N: box port COMn instead of the saved one
  bool simulator = false;   // --simulator: start with "R&un Data Simulator" checked
  bool demo = false;        // --demo: start with "&Run Coiled Tubing Demo" checked
  std::optional<int> seconds;  // --seconds N: close the main window after N seconds
  std::string error;        // not empty: the command line was not understood
};

// Options Qt itself takes (-platform, -style, ...) are left to Qt and skipped here.
TWindowOptions ParseWindowOptions(int argc, const char* const* argv);

}  // namespace quirlo::presentation
