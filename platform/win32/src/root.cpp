#include "win32/root.h"

#include "win32/error.h"
#include "win32/text.h"

#include <cstdlib>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

namespace win32 {
namespace {

std::string env(char const* name) {
  char const* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

bool equal_nocase_ascii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// The entry of dir whose name equals name ignoring ASCII case; empty when none.
std::string find_nocase(fs::path const& dir, std::string const& name) {
  std::error_code ec;
  std::string best;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::string const entry = it->path().filename().string();
    if (equal_nocase_ascii(entry, name) && (best.empty() || entry < best)) best = entry;
  }
  return best;
}

// Appends the components of rel to base, fixing the case of each that does not exist.
fs::path resolve_below(fs::path base, std::string_view rel) {
  std::error_code ec;
  if (fs::path whole = base / fs::path(rel).relative_path(); fs::exists(whole, ec)) return whole;  // as written
  bool matching = true;
  std::size_t pos = 0;
  while (pos <= rel.size()) {
    std::size_t const next = std::min(rel.find('/', pos), rel.size());
    std::string comp(rel.substr(pos, next - pos));
    pos = next + 1;
    if (comp.empty()) continue;
    std::error_code ec;
    if (matching && comp != "." && comp != ".." && !fs::exists(base / comp, ec)) {
      std::string const found = find_nocase(base, comp);
      if (found.empty()) matching = false;
      else comp = found;
    }
    base /= comp;
  }
  return base;
}

UINT copy_dir(fs::path const& dir, LPWSTR buffer, UINT size) {
  if (!ensure_machine_root()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return 0;
  }
  std::u16string const text = to_utf16(dir.string());
  if (!buffer || size <= text.size()) return static_cast<UINT>(text.size() + 1);
  copy_truncated(text, buffer, size);
  return static_cast<UINT>(text.size());
}

}  // namespace

fs::path machine_root() {
  if (std::string r = env("W32_MACHINE_ROOT"); !r.empty()) return fs::path(r).lexically_normal();
  if (std::string x = env("XDG_DATA_HOME"); !x.empty()) return fs::path(x) / "win32-machine";
  return fs::path(env("HOME")) / ".local/share/win32-machine";
}

fs::path windows_dir() { return machine_root() / "Windows"; }
fs::path system_dir() { return windows_dir() / "System32"; }

bool ensure_machine_root() {
  std::error_code ec;
  if (fs::is_directory(system_dir(), ec)) return true;  // the common case: one stat
  fs::create_directories(system_dir(), ec);
  return fs::is_directory(system_dir(), ec);
}

bool is_bare_name(std::u16string_view path) {
  return path.find_first_of(u"\\/:") == std::u16string_view::npos;
}

fs::path native_path(std::u16string_view path) {
  std::string p = to_utf8(path);
  bool const windows_rooted = !p.empty() && p[0] == '\\';
  for (auto& c : p)
    if (c == '\\') c = '/';
  bool const has_drive =
      p.size() >= 2 && p[1] == ':' && ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z'));
  // A drive or root path is taken apart by names, as Windows does: ".." at the top stays at
  // the top, so no such path leads out of the machine root.
  auto below_root = [](std::string_view rel) {
    return fs::path("/" + std::string(rel)).lexically_normal().string();
  };
  if (has_drive) return resolve_below(machine_root(), below_root(std::string_view(p).substr(2)));
  if (windows_rooted) return resolve_below(machine_root(), below_root(p));
  if (!p.empty() && p[0] == '/') return resolve_below("/", p);
  return resolve_below(".", p).lexically_normal();
}

fs::path native_path(LPCWSTR path) { return native_path(wview(path)); }

}  // namespace win32

extern "C" UINT GetWindowsDirectoryW(LPWSTR buffer, UINT size) {
  return win32::copy_dir(win32::windows_dir(), buffer, size);
}

extern "C" UINT GetSystemDirectoryW(LPWSTR buffer, UINT size) {
  return win32::copy_dir(win32::system_dir(), buffer, size);
}
