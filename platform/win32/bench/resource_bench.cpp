// Resource lookups as the configuration module makes them: strings by number (hundreds at
// start-up: paper, source and media names), dialog templates, and loading a language module
// that is already loaded.
//
//   build/platform/win32/bench/win32_resource_bench
// Uses the layer's test module (built with the tests, in ../testmods beside the benchmarks).
#include "win32/module.h"
#include "win32/resource.h"
#include "win32/text.h"

#include <benchmark/benchmark.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

fs::path test_module() {
  return fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "testmods" / "libTESTMOD.so";
}

struct Loaded {
  Loaded() : module(LoadLibraryW(win32::to_utf16(test_module().string()).c_str())) {}
  ~Loaded() { FreeLibrary(module); }
  HMODULE module;
};

void BM_LoadString(benchmark::State& state) {
  Loaded m;
  if (!m.module) return state.SkipWithError("test module not built (build win32_resource_test)");
  WCHAR buffer[64];
  for (auto _ : state) benchmark::DoNotOptimize(LoadStringW(m.module, 17, buffer, 64));
}
BENCHMARK(BM_LoadString);

void BM_FindDialog(benchmark::State& state) {
  Loaded m;
  if (!m.module) return state.SkipWithError("test module not built (build win32_resource_test)");
  for (auto _ : state) benchmark::DoNotOptimize(FindResourceW(m.module, MAKEINTRESOURCEW(100), RT_DIALOG));
}
BENCHMARK(BM_FindDialog);

void BM_LoadLibraryAgain(benchmark::State& state) {
  Loaded m;
  if (!m.module) return state.SkipWithError("test module not built (build win32_resource_test)");
  const std::u16string name = win32::to_utf16(test_module().string());
  for (auto _ : state) {
    HMODULE again = LoadLibraryW(name.c_str());
    FreeLibrary(again);
  }
}
BENCHMARK(BM_LoadLibraryAgain);

// Decoding a directory of n string-table blocks (a language module of 16 n strings).
void BM_DecodeDirectory(benchmark::State& state) {
  std::vector<std::pair<std::uint16_t, std::u16string>> strings;
  for (int i = 0; i < state.range(0) * 16; ++i) strings.emplace_back(static_cast<std::uint16_t>(i), u"Paper name text");
  std::vector<win32::ResourceItem> items;
  for (auto& [block, bytes] : win32::encode_string_blocks(strings)) items.push_back({std::uint16_t{6}, block, 0, bytes});
  const auto directory = win32::encode_resource_directory(items);
  for (auto _ : state) benchmark::DoNotOptimize(win32::decode_resource_directory(directory));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * directory.size()));
}
BENCHMARK(BM_DecodeDirectory)->Arg(16)->Arg(256);

}  // namespace

BENCHMARK_MAIN();
