// The user paper stores and the paper lookups as the configuration module uses them.
//
// The stores are reloaded from "KELD.INI" before every property sheet, capability query and
// device context, so a reload of a full store (32 papers, the dialog's limit) is on the path
// of each of those calls; SearchPaper runs on every job-settings merge and falls through the
// model's paper list to both stores for a user paper.
#include "keld/data_layer.h"
#include "keld/data_role.h"
#include "keld/model_files.h"
#include "keld/model_layout.h"
#include "keld/paper_tables.h"
#include "keld/user_paper_store.h"

#include <keld/data_set.h>
#include <support/machine_root.h>
#include <win32/text.h>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

namespace {

constexpr char16_t kModel[] = u"Zozarad CP-2100";

// One machine root with the data set, the model loaded and a full user paper store.
class Machine {
 public:
  Machine() {
    std::error_code ec;
    auto const driver = keld::install_data_set(root_.path(), ec);
    if (ec) std::abort();
    std::string ini = "[UserDefPaper]\r\nnumDefine=32\r\nPaperEntry=";
    std::string lines;
    for (int id = 277; id < 277 + 32; ++id) {
      ini += std::to_string(id) + ",";
      lines += "Paper" + std::to_string(id) + "=User paper " + std::to_string(id) + ",1500,2500,0,0\r\n";
    }
    root_.write_file("Windows/KELD.INI", ini + "\r\n" + lines);
    keld::SetDataRole(keld::DataRole::Configuration);
    keld::SetDataDirectory(win32::to_utf16(driver.string()));
    keld::GetBinaryFileDataEx(kModel, nullptr, TRUE);
    info_ = keld::GetPrinterInfo(kModel);
    if (info_ == nullptr || keld::ReloadUDPInfo() != 32) std::abort();
  }
  keld::ModelRecord const* info() const { return info_; }

 private:
  win32::test::MachineRoot root_;
  keld::ModelRecord const* info_ = nullptr;
};

Machine& machine() {
  static Machine m;
  return m;
}

void BM_ReloadFullUserPaperStore(benchmark::State& state) {
  machine();
  for (auto _ : state) benchmark::DoNotOptimize(keld::ReloadUDPInfo());
}
BENCHMARK(BM_ReloadFullUserPaperStore);

void BM_SearchPaper(benchmark::State& state) {
  auto const* info = machine().info();
  int const id = static_cast<int>(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(keld::SearchPaper(info, id));
}
BENCHMARK(BM_SearchPaper)->Arg(9)->Arg(308)->Arg(999);  // model paper, last user paper, unknown

void BM_UserPaperDisplayNames(benchmark::State& state) {
  auto const* info = machine().info();
  keld::UdIdName names[32];
  for (auto _ : state) benchmark::DoNotOptimize(keld::GetUDPInfo(info, keld::kUdIdName, names, 0));
}
BENCHMARK(BM_UserPaperDisplayNames);

}  // namespace

BENCHMARK_MAIN();
