// Lateness of PeriodicTimer ticks against their grid (the acquisition cycle needs a few
// milliseconds of jitter at most) and the feed's delivery time from SetItem to Text.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include "quirlo/platform/feed.h"
#include "quirlo/platform/periodic_timer.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// One iteration = 50 ticks of 20 ms (one second of the master timer).
void BM_PeriodicTimerLateness(benchmark::State& state) {
  std::vector<double> lateUs;
  for (auto _ : state) {
    quirlo::PeriodicTimer timer;
    std::mutex m;
    std::vector<Clock::time_point> ticks;
    std::atomic<int> n{0};
    timer.Start(20ms, [&] {
      std::lock_guard lock(m);
      ticks.push_back(Clock::now());
      ++n;
    });
    while (n < 50) std::this_thread::sleep_for(5ms);
    timer.Stop();
    // The timer's grid starts a moment after `start` (thread start-up); the earliest
    // tick relative to its grid point gives that origin, and every tick's lateness is
    // measured against the same grid, so drift would show as growing lateness.
    auto origin = ticks[0];
    for (std::size_t k = 0; k < ticks.size(); ++k) origin = std::min(origin, ticks[k] - static_cast<int>(k) * 20ms);
    for (std::size_t k = 0; k < ticks.size(); ++k)
      lateUs.push_back(std::chrono::duration<double, std::micro>(ticks[k] - static_cast<int>(k) * 20ms - origin).count());
  }
  std::sort(lateUs.begin(), lateUs.end());
  state.counters["late_median_us"] = lateUs[lateUs.size() / 2];
  state.counters["late_p99_us"] = lateUs[lateUs.size() * 99 / 100];
  state.counters["late_max_us"] = lateUs.back();
}
BENCHMARK(BM_PeriodicTimerLateness)->Iterations(3)->Unit(benchmark::kMillisecond);

// Time from the server's SetItem until the advised client's Text shows the new value.
void BM_FeedDelivery(benchmark::State& state) {
  char tmpl[] = "/tmp/qplat-bench-XXXXXX";
  const std::filesystem::path dir = ::mkdtemp(tmpl);
  ::setenv("QUIRLO_FEED_DIR", dir.c_str(), 1);
  quirlo::FeedServer server("Bench", "Data");
  server.Start();
  quirlo::FeedClient client;
  client.SetLink("Bench", "Data");
  client.OpenLink();
  client.StartAdvise();
  client.SetItem("QLSimServer");
  int i = 0;
  for (auto _ : state) {
    const std::string text = "12," + std::to_string(++i);
    const auto before = client.UpdateCount();
    server.SetItem("QLSimServer", text);
    while (client.UpdateCount() == before) {
    }
  }
  client.CloseLink();
  server.Stop();
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_FeedDelivery)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
