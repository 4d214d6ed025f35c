// Modules: Windows module names and handles over dlopen.
//
// The table below maps a module handle (the object's load address) to the dlopen handle the
// layer holds for it and the layer's own reference count. dlopen counts too, but it cannot call
// the Windows entry point exactly once per first load and last free, so the layer keeps one
// dlopen reference per module and counts LoadLibraryW/FreeLibrary itself.
#include "win32/module.h"

#include "win32/error.h"
#include "win32/root.h"
#include "win32/text.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <mutex>
#include <optional>
#include <system_error>

namespace fs = std::filesystem;

namespace {

struct Loaded {
  void* dl = nullptr;
  long refs = 0;
  bool attached = false;  // entry point was called with DLL_PROCESS_ATTACH
  fs::path path;
};

std::recursive_mutex& table_lock() {
  static std::recursive_mutex lock;
  return lock;
}

std::map<HMODULE, Loaded>& table() {
  static std::map<HMODULE, Loaded> modules;
  return modules;
}

std::string lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
  return text;
}

bool ends_with_ci(const std::string& text, std::string_view suffix) {
  return text.size() >= suffix.size() && lower(text.substr(text.size() - suffix.size())) == suffix;
}

// The load address of the object containing `address`, or nullptr.
HMODULE base_of(const void* address) {
  Dl_info info{};
  if (address == nullptr || dladdr(address, &info) == 0) return nullptr;
  return static_cast<HMODULE>(info.dli_fbase);
}

HMODULE base_of_handle(void* dl) {
  link_map* map = nullptr;
  if (dlinfo(dl, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr) return nullptr;
  return base_of(map->l_ld);
}

HMODULE program_base() {
  static HMODULE base = [] {
    void* self = dlopen(nullptr, RTLD_NOW);
    HMODULE b = self ? base_of_handle(self) : nullptr;
    if (self) dlclose(self);
    return b;
  }();
  return base;
}

fs::path program_path() {
  std::error_code ec;
  fs::path p = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::path() : p;
}

// The entry of `folder` named `name` without regard to case (exact name first).
std::optional<fs::path> find_ci(const fs::path& folder, const std::string& name) {
  std::error_code ec;
  if (fs::exists(folder / name, ec)) return folder / name;
  const std::string want = lower(name);
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (lower(it->path().filename().string()) == want) return it->path();
  }
  return std::nullopt;
}

// The built files that may stand for the Windows file name `name` in `folder`.
std::optional<fs::path> find_module_in(const fs::path& folder, std::string name) {
  if (name.find('.') == std::string::npos) name += ".DLL";
  std::vector<std::string> candidates{name};
  if (ends_with_ci(name, ".dll")) {
    const std::string stem = name.substr(0, name.size() - 4);
    candidates.push_back("lib" + stem + ".so");
    candidates.push_back(stem + ".so");
  }
  for (const auto& candidate : candidates) {
    if (auto found = find_ci(folder, candidate)) {
      std::error_code ec;
      if (fs::is_regular_file(*found, ec)) return found;
    }
  }
  return std::nullopt;
}

// Maps a Windows module name onto a file (see the name search in module.h).
std::optional<fs::path> resolve_module(std::u16string_view wide) {
  if (wide.empty()) return std::nullopt;
  if (win32::is_bare_name(wide)) {
    const std::string name = win32::to_utf8(wide);
    for (const auto& folder : win32::module_search_folders()) {
      if (auto found = find_module_in(folder, name)) return found;
    }
    return std::nullopt;
  }
  const fs::path path = win32::native_path(wide);
  return find_module_in(path.parent_path(), path.filename().string());
}

DLLENTRYPROC entry_point(void* dl) {
  for (const char* symbol : {"DllMain", "DllEntryPoint", "DllInitialize"}) {
    if (void* p = dlsym(dl, symbol)) {
      // Only the module's own entry point counts, not one of a library it links.
      if (base_of(p) == base_of_handle(dl)) return reinterpret_cast<DLLENTRYPROC>(p);
    }
  }
  return nullptr;
}

bool copy_out(const std::u16string& text, LPWSTR buffer, DWORD size, DWORD* written) {
  if (size == 0) { *written = 0; return false; }
  if (text.size() < size) {
    std::copy(text.begin(), text.end(), buffer);
    buffer[text.size()] = 0;
    *written = static_cast<DWORD>(text.size());
    return true;
  }
  std::copy(text.begin(), text.begin() + (size - 1), buffer);
  buffer[size - 1] = 0;
  *written = size;
  return false;
}

}  // namespace

namespace win32 {

std::vector<fs::path> module_search_folders() {
  std::vector<fs::path> folders;
  if (const char* list = std::getenv("W32_MODULE_PATH")) {
    std::string_view rest(list);
    while (!rest.empty()) {
      const auto colon = rest.find(':');
      const auto item = rest.substr(0, colon);
      if (!item.empty()) folders.emplace_back(std::string(item));
      rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    }
  }
  if (auto program = program_path(); !program.empty()) folders.push_back(program.parent_path());
  folders.push_back(win32::machine_root() / "spool" / "drivers" / "w32x86" / "3");
  folders.push_back(win32::system_dir());
  folders.push_back(win32::windows_dir());
  return folders;
}

fs::path module_path(HMODULE module) {
  if (module == nullptr || module == program_base()) return program_path();
  Dl_info info{};
  if (dladdr(module, &info) == 0 || info.dli_fbase != module || info.dli_fname == nullptr) return {};
  std::error_code ec;
  fs::path p = fs::absolute(info.dli_fname, ec);
  return ec ? fs::path(info.dli_fname) : p;
}

const void* module_own_symbol(HMODULE module, const char* symbol, std::size_t* symbolSize) {
  if (module == nullptr) module = program_base();
  void* dl = nullptr;
  bool borrowed = false;
  {
    std::lock_guard lock(table_lock());
    auto it = table().find(module);
    if (it != table().end()) dl = it->second.dl, borrowed = true;
  }
  if (dl == nullptr) {
    // A module loaded outside the layer (the program itself, a plain dlopen).
    if (module == program_base()) {
      dl = dlopen(nullptr, RTLD_NOW);
    } else {
      const fs::path path = module_path(module);
      if (path.empty()) return nullptr;
      dl = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    }
    if (dl == nullptr) return nullptr;
  }
  const void* result = nullptr;
  void* p = dlsym(dl, symbol);
  Dl_info info{};
  ElfW(Sym)* sym = nullptr;
  if (p != nullptr && dladdr1(p, &info, reinterpret_cast<void**>(&sym), RTLD_DL_SYMENT) != 0 &&
      info.dli_fbase == module) {
    result = p;
    if (symbolSize != nullptr) *symbolSize = sym != nullptr ? sym->st_size : 0;
  }
  if (!borrowed) dlclose(dl);
  return result;
}

}  // namespace win32

extern "C" HMODULE LoadLibraryW(LPCWSTR name) {
  if (name == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const auto file = resolve_module(name);
  if (!file) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  // An absolute name, so that the file name the loader keeps stays right after a chdir.
  std::error_code ec;
  const fs::path absolute = fs::absolute(*file, ec).lexically_normal();
  std::lock_guard lock(table_lock());
  void* dl = dlopen((ec ? *file : absolute).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (dl == nullptr) {
    SetLastError(ERROR_BAD_FORMAT);
    return nullptr;
  }
  const HMODULE base = base_of_handle(dl);
  auto [it, fresh] = table().try_emplace(base);
  if (!fresh) {
    dlclose(dl);  // the table already holds one dlopen reference for this file
    ++it->second.refs;
    return base;
  }
  it->second = Loaded{dl, 1, false, win32::module_path(base)};
  if (DLLENTRYPROC entry = entry_point(dl)) {
    if (!entry(base, DLL_PROCESS_ATTACH, nullptr)) {
      table().erase(base);
      dlclose(dl);
      SetLastError(ERROR_DLL_INIT_FAILED);
      return nullptr;
    }
    table()[base].attached = true;
  }
  return base;
}

extern "C" BOOL FreeLibrary(HMODULE module) {
  std::lock_guard lock(table_lock());
  auto it = table().find(module);
  if (module == nullptr || it == table().end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (--it->second.refs > 0) return TRUE;
  Loaded gone = it->second;
  if (gone.attached) {
    if (DLLENTRYPROC entry = entry_point(gone.dl)) entry(module, DLL_PROCESS_DETACH, nullptr);
  }
  table().erase(module);
  dlclose(gone.dl);
  return TRUE;
}

extern "C" FARPROC GetProcAddress(HMODULE module, LPCSTR procName) {
  if (procName == nullptr || reinterpret_cast<ULONG_PTR>(procName) < 0x10000) {
    // Exports by ordinal do not exist for ELF objects.
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  void* dl = nullptr;
  bool borrowed = false;
  {
    std::lock_guard lock(table_lock());
    auto it = table().find(module);
    if (it != table().end()) dl = it->second.dl, borrowed = true;
  }
  if (dl == nullptr) {
    if (module == nullptr || module == program_base()) {
      dl = dlopen(nullptr, RTLD_NOW);
    } else {
      const fs::path path = win32::module_path(module);
      dl = path.empty() ? nullptr : dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    }
    if (dl == nullptr) {
      SetLastError(ERROR_INVALID_HANDLE);
      return nullptr;
    }
  }
  void* p = dlsym(dl, procName);
  if (!borrowed) dlclose(dl);
  if (p == nullptr) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(p);
}

extern "C" HMODULE GetModuleHandleW(LPCWSTR name) {
  if (name == nullptr) return program_base();
  const auto file = resolve_module(name);
  std::lock_guard lock(table_lock());
  if (file) {
    std::error_code ec;
    for (const auto& [base, loaded] : table()) {
      if (fs::equivalent(loaded.path, *file, ec)) return base;
    }
    // Loaded outside the layer (a host's plain dlopen): answer without loading it.
    if (void* dl = dlopen(file->c_str(), RTLD_NOW | RTLD_NOLOAD)) {
      const HMODULE base = base_of_handle(dl);
      dlclose(dl);
      return base;
    }
  }
  SetLastError(ERROR_MOD_NOT_FOUND);
  return nullptr;
}

extern "C" BOOL GetModuleHandleExW(DWORD flags, LPCWSTR name, HMODULE* module) {
  if (module == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *module = nullptr;
  HMODULE found = (flags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS)
                      ? Win32ModuleFromAddress(name)
                      : GetModuleHandleW(name);
  if (found == nullptr) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return FALSE;
  }
  if (!(flags & (GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT | GET_MODULE_HANDLE_EX_FLAG_PIN)) &&
      found != program_base()) {
    std::lock_guard lock(table_lock());
    auto it = table().find(found);
    if (it != table().end()) {
      ++it->second.refs;
    } else {
      const fs::path path = win32::module_path(found);
      void* dl = path.empty() ? nullptr : dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
      if (dl == nullptr) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return FALSE;
      }
      table()[found] = Loaded{dl, 1, false, path};
    }
  }
  *module = found;
  return TRUE;
}

extern "C" DWORD GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size) {
  if (fileName == nullptr && size > 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const fs::path path = win32::module_path(module);
  if (path.empty()) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
  }
  DWORD written = 0;
  if (!copy_out(win32::to_utf16(path.string()), fileName, size, &written)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
  }
  return written;
}

extern "C" HMODULE Win32ModuleFromAddress(const void* address) { return base_of(address); }
