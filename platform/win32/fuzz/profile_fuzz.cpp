// Profile parser fuzzer: bytes -> parse -> every query -> a write -> serialize -> parse again.
// Also runs the public calls over the same bytes as a file, with a buffer size taken from
// the input, to exercise the truncation of lists and values.
//
//   cmake --preset fuzz && cmake --build build-fuzz --target win32_profile_fuzz
//   build-fuzz/platform/win32/win32_profile_fuzz -max_len=65536 -max_total_time=600
#include "win32/profile.h"
#include "win32/text.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

[[noreturn]] void fail(char const* what) {
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

// A name the writer can always read back: letters and digits only.
std::u16string safe_name(std::string_view bytes, char16_t fallback) {
  std::u16string out;
  for (char c : bytes.substr(0, 8))
    if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) out += static_cast<char16_t>(c);
  return out.empty() ? std::u16string(1, fallback) : out;
}

std::filesystem::path const& fuzz_file() {
  static std::filesystem::path const file = [] {
    auto dir = std::filesystem::temp_directory_path() / ("w32fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir / "Windows" / "System32");
    ::setenv("W32_MACHINE_ROOT", dir.c_str(), 1);
    // Removed at exit; kept in a plain array, which outlives every static object.
    static char root_dir[4096];
    std::snprintf(root_dir, sizeof root_dir, "%s", dir.c_str());
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(root_dir, ec);
    });
    return dir / "Windows" / "FUZZ.INI";
  }();
  return file;
}

void check_queries(win32::ProfileFile const& f) {
  for (auto const& s : f.section_names()) {
    auto keys = f.key_names(s);
    if (!keys) fail("a listed section has no keys list");
    for (auto const& k : *keys)
      if (!f.value(s, k)) fail("a listed key has no value");
    if (!f.section_lines(s)) fail("a listed section has no lines");
  }
}

void check_api(std::string_view bytes, DWORD size) {
  {
    std::ofstream out(fuzz_file(), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  win32::profile_flush_cache();
  std::vector<WCHAR> buf(size + 1, 0xcccc);
  auto guard_ok = [&] { return buf[size] == 0xcccc; };
  // The first string in the buffer, never reading past what the call may have written.
  auto first_string = [&] {
    std::u16string_view const written(buf.data(), size);
    return std::u16string(written.substr(0, written.find(u'\0')));
  };
  DWORD n = GetPrivateProfileStringW(nullptr, nullptr, nullptr, buf.data(), size, u"FUZZ.INI");
  // A whole list ends "...\0\0" at buf[n - 1], buf[n]; a cut one at buf[n], buf[n + 1].
  bool const ends_ok = n == 0 || buf[n - 1] == 0 || (n + 1 < size && buf[n + 1] == 0);
  if (size >= 2 && (n > size - 1 || buf[n] != 0 || !ends_ok))
    fail("section list not within the buffer or not double-NUL-terminated");
  if (!guard_ok()) fail("wrote past the buffer (sections)");
  std::u16string const first = size ? first_string() : std::u16string();
  if (!first.empty()) {
    n = GetPrivateProfileStringW(first.c_str(), nullptr, nullptr, buf.data(), size, u"FUZZ.INI");
    if (!guard_ok()) fail("wrote past the buffer (keys)");
    std::u16string const key = first_string();
    if (!key.empty()) {
      n = GetPrivateProfileStringW(first.c_str(), key.c_str(), u"dflt", buf.data(), size, u"FUZZ.INI");
      if (size && n > size - 1) fail("value longer than the buffer allows");
      if (!guard_ok()) fail("wrote past the buffer (value)");
      GetPrivateProfileIntW(first.c_str(), key.c_str(), 7, u"FUZZ.INI");
    }
    GetPrivateProfileSectionW(first.c_str(), buf.data(), size, u"FUZZ.INI");
    if (!guard_ok()) fail("wrote past the buffer (section)");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
  if (size > 65536) return 0;
  std::string_view const bytes(reinterpret_cast<char const*>(data), size);

  win32::ProfileFile f = win32::ProfileFile::parse(bytes);
  check_queries(f);

  // A write must read back after a round trip through the file's own encoding.
  std::u16string const s = safe_name(bytes.substr(0, 8), u's');
  std::u16string const k = safe_name(bytes.substr(size / 2), u'k');
  std::u16string const v = u"v\u00fc" + win32::to_utf16(std::string(bytes.substr(size / 3, 4)).c_str());
  std::u16string value = v;
  for (auto& c : value)
    if (c == u'\r' || c == u'\n' || c == u'"' || c == u'\'' || c == u' ' || c == u'\t' || c == 0xFFFD) c = u'x';
  f.set(s, k, value);
  win32::ProfileFile again = win32::ProfileFile::parse(f.serialize());
  check_queries(again);
  auto got = again.value(s, k);
  if (!got || *got != value) fail("a written value does not read back");
  again.erase_key(s, k);
  if (again.value(s, k)) fail("an erased key still reads");
  again.erase_section(s);
  if (again.key_names(s)) fail("an erased section still lists");

  check_api(bytes, size ? static_cast<DWORD>(data[0] % 40) : 0);
  return 0;
}
