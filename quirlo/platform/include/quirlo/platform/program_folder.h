// "The program's folder": where settings.ini and every settings folder ("Data",
// "Saved Settings", "analog", ...) live, and where the data simulator is launched from.
//
// It is, by priority: the folder given on the command line with `--home DIR` (or
// `--home=DIR`), the environment variable QUIRLO_HOME, or the folder of the running
// executable (/proc/self/exe).
#pragma once

#include <filesystem>

namespace quirlo {

// The program's folder as chosen above. The first call without an earlier Set/Init
// decides from QUIRLO_HOME or the executable. Thread-safe.
std::filesystem::path ProgramFolder();

// Overrides the program's folder (made absolute).
void SetProgramFolder(const std::filesystem::path& folder);

// Applies `--home DIR` / `--home=DIR` from the command line and removes it from argv
// (argc shrinks accordingly) so that other option parsers do not see it. Without the
// option, the folder comes from QUIRLO_HOME or the executable. Returns the folder.
std::filesystem::path InitProgramFolder(int& argc, char** argv);

// Folder of the running executable.
std::filesystem::path ExecutableFolder();

// Path of settings.ini in the program's folder.
std::filesystem::path SettingsIniPath();

}  // namespace quirlo
