// The machine root: the one folder that holds all machine state of the layer.
//
// Chosen per call (so a test can switch roots between cases) by:
//   1. $W32_MACHINE_ROOT, when set and not empty;
//   2. else $XDG_DATA_HOME/win32-machine;
//   3. else $HOME/.local/share/win32-machine.
// Layout under the root:
//   Windows/            the Windows folder (GetWindowsDirectoryW); profile files named
//                       without a folder live here ("KELD.INI")
//   Windows/System32/   the system folder (GetSystemDirectoryW)
//   registry.dat        the registry store (see registry.cpp), registry.lock its lock
//   spool/              printer drivers and spooled jobs (owned by the spooler code)
//
// Paths. Folder queries return native absolute paths with '/' separators and no trailing
// separator, e.g. "/home/u/.local/share/win32-machine/Windows". Every path-taking call of the
// layer accepts '\' and '/' alike and resolves a path with native_path():
//   - "C:\X\Y" (any drive letter) and "\X\Y" name X/Y under the machine root;
//   - "/x/y" is a native absolute path;
//   - anything else is relative to the current directory.
// Each component that does not exist as written is matched case-insensitively (ASCII) against
// the entries of its folder, so "\SPOOL\DRIVERS\W32X86\1\X.DLL" finds spool/drivers/w32x86/1/x.dll.
// An exact match wins; among several case-insensitive matches the one that sorts first wins.
// A component with no match keeps its spelling, so a file can be created under that name.
#pragma once

#include "win32/base.h"

#include <filesystem>
#include <string_view>

namespace win32 {

std::filesystem::path machine_root();
std::filesystem::path windows_dir();
std::filesystem::path system_dir();

// Creates the root and its Windows and System32 folders when missing; false when that fails.
bool ensure_machine_root();

std::filesystem::path native_path(std::u16string_view path);
std::filesystem::path native_path(LPCWSTR path);

// True when the path names no folder (no separator, no drive): "KELD.INI".
bool is_bare_name(std::u16string_view path);

}  // namespace win32

extern "C" {
// Return the length without the NUL on success; the needed size with the NUL when the buffer
// is too small (nothing written); 0 on failure.
UINT GetWindowsDirectoryW(LPWSTR buffer, UINT size);
UINT GetSystemDirectoryW(LPWSTR buffer, UINT size);
}
