#include "quirlo/acquisition/cpu_usage.h"

#include <sys/resource.h>

#include <chrono>

namespace quirlo::acquisition {

int CpuPercent(uint64_t processDelta100ns, uint64_t tickDeltaMs) {
  if (tickDeltaMs == 0) return 0;
  // 1 ms of ticks is 10 000 units of 100 ns; percent = units / (ms * 10 000) * 100.
  const double ratio = static_cast<double>(processDelta100ns) / (static_cast<double>(tickDeltaMs) * 100.0);
  return static_cast<int>(ratio + 0.5);
}

uint64_t ProcessTime100ns() {
  rusage usage{};
  if (getrusage(RUSAGE_SELF, &usage) != 0) return 0;
  auto units = [](const timeval& tv) {
    return static_cast<uint64_t>(tv.tv_sec) * 10'000'000u + static_cast<uint64_t>(tv.tv_usec) * 10u;
  };
  return units(usage.ru_utime) + units(usage.ru_stime);
}

uint64_t TickCountMs() {
  using namespace std::chrono;
  return static_cast<uint64_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

TCpuMeter::TCpuMeter() : lastProcess_(ProcessTime100ns()), lastTicks_(TickCountMs()) {}

int TCpuMeter::Sample() {
  const uint64_t process = ProcessTime100ns();
  const uint64_t ticks = TickCountMs();
  const int percent = CpuPercent(process - lastProcess_, ticks - lastTicks_);
  lastProcess_ = process;
  lastTicks_ = ticks;
  return percent;
}

}  // namespace quirlo::acquisition
