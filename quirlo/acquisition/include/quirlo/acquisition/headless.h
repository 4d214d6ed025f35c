// The program without windows: `quirlo --headless` and `quirlo-headless`.
//
// Same start-up, timers and shut-down as the windowed program, settings from the program's
// folder. Once a second it prints the status line and the 24 channel values to stdout;
// SIGINT or SIGTERM ends it with the normal shut-down (settings saved).
//
// Options: --home DIR (program's folder), --seconds N (end after N seconds), --port N (box
// port COMn instead of the saved one), --simulator, --demo. Returns the exit code.
#pragma once

namespace quirlo::acquisition {

int RunHeadless(int argc, char** argv);

}  // namespace quirlo::acquisition
