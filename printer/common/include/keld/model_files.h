// Finding the model data files.
//
// Everything starts at the index file "KELD.DAT" in the data directory: the folder of the
// running module (the module's path up to and including its last separator), or the system
// folder when the module's path cannot be had. A host or a test may name the folder instead
// (SetDataDirectory). The index names, relative to the data directory:
//   [Common]  "InitDataFile1"  common resource module (dither tables)
//             "InitDataFile2"  common data file (common paper table)
//             "InitDataFile3"  regional data file (predefined watermarks and papers)
//   [<model>] "DefaultFile"    model data file
//             "CustomFile"     model custom file (overrides the model data file key by key)
// and, for GetDriverUseFileName, further file names in the model's section or [General].
//
// Every data file carries its version in [VERSION] "Ver"; the caches are rebuilt when one
// changes.
#pragma once

#include <win32/base.h>

#include <optional>
#include <string>
#include <string_view>

namespace keld {

inline constexpr char16_t kDataIndexFileName[] = u"KELD.DAT";

// Names the data directory ('/' is appended when missing); an empty text returns to finding
// it from the running module.
void SetDataDirectory(std::u16string_view directory);
// The data directory, ending in a separator.
std::u16string GetDataDirectory();
// The data directory of a given module (its path up to and including the last separator);
// null: GetDataDirectory().
std::u16string GetModuleDataDirectory(HMODULE module);

// A key's value in a profile file; nullopt when the file or key is missing. Values of any
// length are read whole.
std::optional<std::u16string> ReadProfileValue(std::u16string_view file, std::u16string_view section,
                                               std::u16string_view key);

// The file name under [section] key of the index, with the data directory in front when
// `withDirectory`; empty when the key is missing.
std::u16string DataFileName(std::u16string_view section, std::u16string_view key, bool withDirectory);

// The same into a buffer of `size` units. Returns the characters written without the NUL;
// a name that does not fit is not cut (that would name another file): 0 and an empty buffer.
DWORD QVGetDataFileName(LPCWSTR section, LPCWSTR key, LPWSTR out, DWORD size, BOOL withDirectory);
DWORD GetCommonDLLFileName(LPWSTR out, DWORD size, BOOL withDirectory);   // InitDataFile1
DWORD GetCommonIniFileName(LPWSTR out, DWORD size, BOOL withDirectory);   // InitDataFile2
DWORD GetShimukeIniFileName(LPWSTR out, DWORD size, BOOL withDirectory);  // InitDataFile3
DWORD GetModelIniFileName(LPCWSTR model, LPWSTR out, DWORD size, BOOL withDirectory);    // DefaultFile
DWORD GetModelIniFileName04(LPCWSTR model, LPWSTR out, DWORD size, BOOL withDirectory);  // CustomFile

// The index key that GetDriverUseFileName reads for `number` (1 "VersionINFFile" ... 121
// "OptionInf_Flash"); null for other numbers.
LPCWSTR DriverUseFileKey(int number);
// A file name of the driver: the key chosen by `number`, looked up in [section] of the index
// of `module`'s data directory (null module: GetDataDirectory()) and then in [General]; a null
// or empty section goes to [General] at once. The value is returned as written (language
// modules carry a "%s" for the language). Returns the characters written without the NUL
// (cut to size - 1), 0 when the number is unknown or no section has the key.
DWORD GetDriverUseFileName(int number, HMODULE module, LPCWSTR section, LPWSTR out, DWORD size);

// "Ver" of [VERSION] of the common, regional, model and custom files, in that order; 0 for a
// file or key that is missing. Returns FALSE for a null model name or output.
BOOL GetInitDataFileVersion(LPCWSTR model, SHORT versions[4]);

// The model's capability file: the first of the driver's dependent files whose name ends in
// ".CAP" (any case), from the registry value "Dependent Files" of the model's driver
// (HKLM "System\CurrentControlSet\Control\Print\Environments\Windows NT x86\Drivers\Version-3\"
// followed by the model name), in the data directory. A driver that is not registered falls back to
// the first ".CAP" file of the data directory (by name). Empty when there is none.
std::u16string GetCAPFileName(std::u16string_view model);

}  // namespace keld
