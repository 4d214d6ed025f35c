// Reads of profile files and the registry the way the printer data layer does them: many
// keys of one model file in a row, and the few registry values of the language settings.
//
//   build/platform/win32/bench/win32_profile_bench
#include "win32/profile.h"
#include "win32/registry.h"
#include "win32/text.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

// A model file of 60 sections of 40 keys, about 100 KB as UTF-16.
std::string model_file() {
  std::u16string text;
  for (int s = 0; s < 60; ++s) {
    text += u"[Section" + win32::to_utf16(std::to_string(s)) + u"]\r\n";
    for (int k = 0; k < 40; ++k)
      text += u"Key" + win32::to_utf16(std::to_string(k)) + u" = 3280, 4572, 3874, 5400, 762\r\n";
  }
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  return bytes;
}

void write_model(fs::path const& root) {
  std::ofstream(root / "Windows" / "MODEL.INI", std::ios::binary) << model_file();
  // Old enough for the cache to trust it.
  fs::last_write_time(root / "Windows" / "MODEL.INI", fs::file_time_type::clock::now() - std::chrono::hours(1));
}

void BM_ProfileReadCached(benchmark::State& state) {
  WCHAR buf[256];
  int i = 0;
  for (auto _ : state) {
    std::u16string const section = u"Section" + win32::to_utf16(std::to_string(i % 60));
    std::u16string const key = u"Key" + win32::to_utf16(std::to_string(i % 40));
    benchmark::DoNotOptimize(GetPrivateProfileStringW(section.c_str(), key.c_str(), u"", buf, 256, u"MODEL.INI"));
    ++i;
  }
}
BENCHMARK(BM_ProfileReadCached);

// A file written a moment ago (a test fixture, a freshly installed data file): its bytes are
// read again on each call until it is two seconds old, but not parsed again.
void BM_ProfileReadFreshFile(benchmark::State& state) {
  fs::path const root = std::getenv("W32_MACHINE_ROOT");
  std::ofstream(root / "Windows" / "FRESH.INI", std::ios::binary | std::ios::trunc) << model_file();
  WCHAR buf[256];
  for (auto _ : state)
    benchmark::DoNotOptimize(GetPrivateProfileStringW(u"Section59", u"Key39", u"", buf, 256, u"FRESH.INI"));
}
BENCHMARK(BM_ProfileReadFreshFile)->MinTime(0.5);

void BM_ProfileReadAfterFlush(benchmark::State& state) {
  WCHAR buf[256];
  for (auto _ : state) {
    win32::profile_flush_cache();
    benchmark::DoNotOptimize(GetPrivateProfileStringW(u"Section59", u"Key39", u"", buf, 256, u"MODEL.INI"));
  }
}
BENCHMARK(BM_ProfileReadAfterFlush);

void BM_ProfileWrite(benchmark::State& state) {
  int i = 0;
  for (auto _ : state) {
    std::u16string const value = win32::to_utf16(std::to_string(i++));
    benchmark::DoNotOptimize(WritePrivateProfileStringW(u"Section30", u"Key5", value.c_str(), u"MODEL.INI"));
  }
}
BENCHMARK(BM_ProfileWrite);

void BM_RegistryQuery(benchmark::State& state) {
  HKEY key = nullptr;
  RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Zozarad\\VOTRAN\\0.0", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                  nullptr);
  DWORD v = 1041;
  RegSetValueExW(key, u"LanguageID", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4);
  for (auto _ : state) {
    DWORD size = 4;
    benchmark::DoNotOptimize(
        RegQueryValueExW(key, u"LanguageID", nullptr, nullptr, reinterpret_cast<BYTE*>(&v), &size));
  }
  RegCloseKey(key);
}
BENCHMARK(BM_RegistryQuery);

}  // namespace

int main(int argc, char** argv) {
  fs::path const root = fs::temp_directory_path() / ("w32bench-" + std::to_string(::getpid()));
  fs::create_directories(root / "Windows" / "System32");
  ::setenv("W32_MACHINE_ROOT", root.c_str(), 1);
  write_model(root);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  fs::remove_all(root);
  return 0;
}
