// Finding the model data files (see keld/model_files.h).
#include "keld/model_files.h"

#include "keld/value_syntax.h"

#include <win32/error.h>
#include <win32/module.h>
#include <win32/profile.h>
#include <win32/registry.h>
#include <win32/root.h>
#include <win32/text.h>

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <vector>

namespace keld {
namespace {

std::mutex g_directoryLock;
std::u16string g_directory;  // set by SetDataDirectory; empty: from the running module

bool IsSeparator(char16_t c) { return c == u'/' || c == u'\\'; }

std::u16string WithSeparator(std::u16string dir) {
  if (!dir.empty() && !IsSeparator(dir.back())) dir.push_back(u'/');
  return dir;
}

// The module's path up to and including its last separator; empty when it cannot be had.
std::u16string ModuleFolder(HMODULE module) {
  if (!module) return {};
  std::u16string path(4096, u'\0');
  const DWORD n = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
  if (n == 0 || n >= path.size()) return {};
  path.resize(n);
  const std::size_t last = path.find_last_of(u"/\\");
  return last == std::u16string::npos ? std::u16string() : path.substr(0, last + 1);
}

std::u16string SystemFolder() {
  std::u16string dir(4096, u'\0');
  const UINT n = GetSystemDirectoryW(dir.data(), static_cast<UINT>(dir.size()));
  dir.resize(n < dir.size() ? n : 0);
  return WithSeparator(dir);
}

// The default that tells a missing key from an empty value: no data file holds it.
constexpr char16_t kMissing[] = u"\x01\x02<missing>\x02\x01";
constexpr DWORD kLongestValue = 1u << 20;

SHORT FileVersion(std::u16string_view file) {
  if (file.empty()) return 0;
  const auto value = ReadProfileValue(file, u"VERSION", u"Ver");
  if (!value) return 0;
  return ClipNumber<SHORT>(ParseInteger(*value).value_or(0));
}

}  // namespace

void SetDataDirectory(std::u16string_view directory) {
  std::lock_guard lock(g_directoryLock);
  g_directory = WithSeparator(std::u16string(directory));
}

std::u16string GetDataDirectory() {
  {
    std::lock_guard lock(g_directoryLock);
    if (!g_directory.empty()) return g_directory;
  }
  // The module this code is linked into: KELD_UI or KELD_UM.
  std::u16string dir = ModuleFolder(Win32ModuleFromAddress(reinterpret_cast<const void*>(&GetDataDirectory)));
  return dir.empty() ? SystemFolder() : dir;
}

std::u16string GetModuleDataDirectory(HMODULE module) {
  if (!module) return GetDataDirectory();
  std::u16string dir = ModuleFolder(module);
  return dir.empty() ? SystemFolder() : dir;
}

std::optional<std::u16string> ReadProfileValue(std::u16string_view file, std::u16string_view section,
                                               std::u16string_view key) {
  if (file.empty()) return std::nullopt;
  const std::u16string f(file), s(section), k(key);
  for (DWORD size = 1024;; size *= 4) {
    std::u16string buffer(size, u'\0');
    const DWORD n = GetPrivateProfileStringW(s.c_str(), k.c_str(), kMissing, buffer.data(), size, f.c_str());
    if (n + 1 < size || size >= kLongestValue) {
      buffer.resize(std::min(n, size - 1));
      if (buffer == kMissing) return std::nullopt;
      return buffer;
    }
  }
}

std::u16string DataFileName(std::u16string_view section, std::u16string_view key, bool withDirectory) {
  const std::u16string dir = GetDataDirectory();
  const auto name = ReadProfileValue(dir + kDataIndexFileName, section, key);
  if (!name || name->empty()) return {};
  return withDirectory ? dir + *name : *name;
}

DWORD QVGetDataFileName(LPCWSTR section, LPCWSTR key, LPWSTR out, DWORD size, BOOL withDirectory) {
  if (!out || size == 0) return 0;
  out[0] = 0;
  if (!section || !key) return 0;
  const std::u16string name = DataFileName(section, key, withDirectory != FALSE);
  if (name.size() >= size) return 0;
  return static_cast<DWORD>(win32::copy_truncated(name, out, size));
}

DWORD GetCommonDLLFileName(LPWSTR out, DWORD size, BOOL withDirectory) {
  return QVGetDataFileName(u"Common", u"InitDataFile1", out, size, withDirectory);
}
DWORD GetCommonIniFileName(LPWSTR out, DWORD size, BOOL withDirectory) {
  return QVGetDataFileName(u"Common", u"InitDataFile2", out, size, withDirectory);
}
DWORD GetShimukeIniFileName(LPWSTR out, DWORD size, BOOL withDirectory) {
  return QVGetDataFileName(u"Common", u"InitDataFile3", out, size, withDirectory);
}
DWORD GetModelIniFileName(LPCWSTR model, LPWSTR out, DWORD size, BOOL withDirectory) {
  if (!model || !*model) {
    if (out && size) out[0] = 0;
    return 0;
  }
  return QVGetDataFileName(model, u"DefaultFile", out, size, withDirectory);
}
DWORD GetModelIniFileName04(LPCWSTR model, LPWSTR out, DWORD size, BOOL withDirectory) {
  if (!model || !*model) {
    if (out && size) out[0] = 0;
    return 0;
  }
  return QVGetDataFileName(model, u"CustomFile", out, size, withDirectory);
}

LPCWSTR DriverUseFileKey(int number) {
  switch (number) {
    case 1: return u"VersionINFFile";
    case 2: return u"CommonVerInfDLL";
    case 11: return u"StringResDLL";
    case 12: return u"DialogResDLL";
    case 51: return u"Help File";
    case 52: return u"QVSPOOL.DLL";
    case 53: return u"QVPRINT.INI";
    case 70: return u"UserDefineInfo";
    case 71: return u"UserDefPaperInfo";
    case 72: return u"WatermarkInfo";
    case 73: return u"WatermarkDir";
    case 74: return u"MediatypeInfo";
    case 75: return u"CustomPrinterInfo";
    case 90: return u"UsermodeDriverName";
    case 101: return u"OptionInf_Tray";
    case 110: return u"OptionInf_Duplex";
    case 111: return u"OptionInf_HD";
    case 112: return u"OptionInf_Finisher";
    case 120: return u"OptionInf_RAM";
    case 121: return u"OptionInf_Flash";
    default: return nullptr;
  }
}

DWORD GetDriverUseFileName(int number, HMODULE module, LPCWSTR section, LPWSTR out, DWORD size) {
  if (!out || size == 0) return 0;
  out[0] = 0;
  const LPCWSTR key = DriverUseFileKey(number);
  if (!key) return 0;
  const std::u16string index = GetModuleDataDirectory(module) + kDataIndexFileName;
  std::optional<std::u16string> value;
  if (section && *section) value = ReadProfileValue(index, section, key);
  if (!value) value = ReadProfileValue(index, u"General", key);
  if (!value) return 0;
  return static_cast<DWORD>(win32::copy_truncated(*value, out, size));
}

BOOL GetInitDataFileVersion(LPCWSTR model, SHORT versions[4]) {
  if (!model || !versions) return FALSE;
  versions[0] = FileVersion(DataFileName(u"Common", u"InitDataFile2", true));
  versions[1] = FileVersion(DataFileName(u"Common", u"InitDataFile3", true));
  versions[2] = *model ? FileVersion(DataFileName(model, u"DefaultFile", true)) : 0;
  versions[3] = *model ? FileVersion(DataFileName(model, u"CustomFile", true)) : 0;
  return TRUE;
}

std::u16string GetCAPFileName(std::u16string_view model) {
  auto endsWithCap = [](std::u16string_view name) {
    return name.size() > 4 && win32::equal_nocase(name.substr(name.size() - 4), u".CAP");
  };
  const std::u16string dir = GetDataDirectory();
  if (!model.empty()) {
    const std::u16string key =
        u"System\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT x86\\Drivers\\Version-3\\" +
        std::u16string(model);
    DWORD bytes = 0;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), u"Dependent Files", RRF_RT_REG_MULTI_SZ, nullptr, nullptr,
                     &bytes) == ERROR_SUCCESS &&
        bytes > 0) {
      std::u16string list(bytes / sizeof(WCHAR) + 1, u'\0');
      if (RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), u"Dependent Files", RRF_RT_REG_MULTI_SZ, nullptr,
                       list.data(), &bytes) == ERROR_SUCCESS) {
        for (std::size_t at = 0; at < list.size() && list[at];) {
          const std::size_t end = std::min(list.find(u'\0', at), list.size());
          const std::u16string_view name = std::u16string_view(list).substr(at, end - at);
          if (endsWithCap(name)) {
            // A dependent file is named without a folder; keep only its last component.
            const std::size_t slash = name.find_last_of(u"/\\");
            return dir + std::u16string(slash == std::u16string_view::npos ? name : name.substr(slash + 1));
          }
          at = end + 1;
        }
        return {};
      }
    }
  }
  // Not registered: the first capability file that lies in the data directory.
  std::error_code ec;
  std::vector<std::u16string> found;
  for (const auto& e : std::filesystem::directory_iterator(win32::native_path(dir), ec)) {
    const std::u16string name = win32::to_utf16(e.path().filename().string());
    if (endsWithCap(name) && e.is_regular_file(ec)) found.push_back(name);
  }
  if (found.empty()) return {};
  std::sort(found.begin(), found.end());
  return dir + found.front();
}

}  // namespace keld
