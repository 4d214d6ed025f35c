// Modules: loading shared libraries under their Windows names.
//
// The printer modules, their resource modules and the overlay handler are ELF shared objects.
// Data files and callers name them as Windows did ("KELDSENU.DLL", a path under the driver
// folder); LoadLibraryW maps such a name onto a built file and loads it with dlopen.
//
// A module handle (HMODULE, HINSTANCE) is the address at which the object is mapped, as on
// Windows. That makes the handle computable from any address inside the module
// (GetModuleHandleExW with GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, or Win32ModuleFromAddress),
// so a module loaded by a plain dlopen outside the layer still learns its own handle and path.
//
// Name search (LoadLibraryW, GetModuleHandleW):
//   1. A name with a folder part is a path, resolved by win32::native_path (root.h): "/..." is
//      native, "X:\..." and "\..." lie under the machine root, folders match without regard
//      to case.
//   2. A bare name is searched, in this order, in: every folder of env W32_MODULE_PATH
//      (colon-separated; build trees and tests point it at their output folders), the folder
//      of the running program, the driver folder "<root>/spool/drivers/w32x86/3", the system
//      folder and the Windows folder (root.h).
//   3. In a folder, "NAME.DLL" matches (case ignored) a file "NAME.DLL", "libNAME.so" or
//      "NAME.so". A name without an extension gets ".DLL" first, as on Windows.
//
// Loading is reference counted per file. On the first load the module's exported entry point
// (the first of `DllMain`, `DllEntryPoint` and `DllInitialize` that the module itself defines;
// BOOL(HINSTANCE, DWORD reason, LPVOID)) is called with DLL_PROCESS_ATTACH;
// FALSE fails the load (ERROR_DLL_INIT_FAILED) and unloads the file. The last FreeLibrary calls
// it with DLL_PROCESS_DETACH before dlclose. Entry points run under the module lock, which is
// recursive, so an entry point may itself load or free modules.
#pragma once

#include "win32/base.h"
#include "win32/text.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

inline constexpr DWORD DLL_PROCESS_DETACH = 0;
inline constexpr DWORD DLL_PROCESS_ATTACH = 1;
inline constexpr LONG ERROR_DLL_INIT_FAILED = 1114;

inline constexpr DWORD GET_MODULE_HANDLE_EX_FLAG_PIN = 0x1;
inline constexpr DWORD GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT = 0x2;
inline constexpr DWORD GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS = 0x4;

using FARPROC = void (*)();
using DLLENTRYPROC = BOOL (*)(HINSTANCE, DWORD, LPVOID);

extern "C" {
HMODULE LoadLibraryW(LPCWSTR name);
BOOL FreeLibrary(HMODULE module);
FARPROC GetProcAddress(HMODULE module, LPCSTR procName);
// NULL gives the running program. A name is found by the search of LoadLibraryW and answers
// only when that file is already loaded (through LoadLibraryW or otherwise); nothing is loaded.
HMODULE GetModuleHandleW(LPCWSTR name);
// FROM_ADDRESS: `name` is any address inside a module. Without UNCHANGED_REFCOUNT the
// module's count is raised as by LoadLibraryW (entry point not called again).
BOOL GetModuleHandleExW(DWORD flags, LPCWSTR name, HMODULE* module);
// Full native path of the module's file (NULL: the running program). Returns the number of
// characters copied without the terminator; when the buffer is too small the path is cut to
// size - 1 characters, terminated, `size` is returned and the last error is
// ERROR_INSUFFICIENT_BUFFER.
DWORD GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size);
// The handle of the module that contains `address` (NULL when no module contains it).
HMODULE Win32ModuleFromAddress(const void* address);
}

namespace win32 {

// The native path of the file behind a module handle (empty when the handle is unknown).
std::filesystem::path module_path(HMODULE module);

// The address of `symbol` when the module itself defines it (not one of its dependencies);
// nullptr otherwise. The resource reader finds a module's resource directory with it.
const void* module_own_symbol(HMODULE module, const char* symbol, std::size_t* symbolSize);

// The folders of the name search above, in order (for documentation, diagnostics and tests).
std::vector<std::filesystem::path> module_search_folders();

// UTF-16 <-> UTF-8 for file names (the conversions of win32/text.h under older names).
inline std::string narrow_utf8(std::u16string_view text) { return to_utf8(text); }
inline std::u16string widen_utf8(std::string_view text) { return to_utf16(text); }

}  // namespace win32
