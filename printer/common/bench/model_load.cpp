// Loading one model into a fresh data layer: from its cache files versus from its text files.
//
// Both runs start with an empty shared block, as a newly loaded module does. "Cache" finds
// valid caches and reads two binary files plus the four "Ver" values; "Text" forces the
// rebuild: every key of the model's files, the common paper table, the dither tables of the
// common module and the user paper stores, then both caches are written again. The /cold
// variants also drop the profile reader's parsed files first, so every text file is read and
// parsed again, as in a module loaded into a new process.
#include "keld/data_layer.h"
#include "keld/data_role.h"
#include "keld/model_files.h"
#include "keld/model_layout.h"

#include <keld/data_set.h>
#include <support/machine_root.h>
#include <win32/profile.h>
#include <win32/text.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>

namespace {

constexpr char16_t kModel[] = u"Zozarad CP-4500A3";

// One machine root with the data set for the whole run.
class Machine {
 public:
  Machine() {
    std::error_code ec;
    auto const driver = keld::install_data_set(root_.path(), ec);
    if (ec) std::abort();
    // Installed data files are old; a file written moments ago is re-read by the profile reader
    // on every call until it has been quiet for a while, which is not what a load meets.
    auto const old = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    for (auto const& file : std::filesystem::directory_iterator(driver)) std::filesystem::last_write_time(file.path(), old, ec);
    keld::SetDataRole(keld::DataRole::Configuration);
    keld::SetDataDirectory(win32::to_utf16(driver.string()));
    keld::VersionRecord record{};
    keld::FreeSharedBlock();
    keld::GetBinaryFileDataEx(kModel, &record, TRUE);  // builds both caches
  }

 private:
  win32::test::MachineRoot root_;
};

Machine& machine() {
  static Machine m;
  return m;
}

void load(benchmark::State& state, BOOL force) {
  machine();
  bool const cold = state.range(0) != 0;
  for (auto _ : state) {
    keld::FreeSharedBlock();
    if (cold) win32::profile_flush_cache();
    keld::VersionRecord record{};
    keld::GetBinaryFileDataEx(kModel, &record, force);
    benchmark::DoNotOptimize(keld::GetUDDetailTBL(kModel));
  }
  auto const counters = keld::GetDataLoadCounters();
  if (force ? counters.modelRebuilds == 0 : counters.modelCacheHits == 0) state.SkipWithError("model not loaded as intended");
}

void BM_LoadModelFromCache(benchmark::State& state) { load(state, FALSE); }
void BM_LoadModelFromText(benchmark::State& state) { load(state, TRUE); }

BENCHMARK(BM_LoadModelFromCache)->ArgName("cold")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadModelFromText)->ArgName("cold")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
