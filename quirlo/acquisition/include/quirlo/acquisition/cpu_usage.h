// CPU load of this process for the status bar, sampled once a second by the clock tick.
#pragma once

#include <cstdint>

namespace quirlo::acquisition {

// Percentage from the growth of the process's kernel+user time (100 ns units) over the
// growth of the tick count (ms): truncate(dProcess / (dTicks * 100) + 0.5). 0 when no time
// has passed on the tick count.
int CpuPercent(uint64_t processDelta100ns, uint64_t tickDeltaMs);

// This process's kernel + user time so far, in 100 ns units.
uint64_t ProcessTime100ns();
// Milliseconds of a monotonic clock (the tick count).
uint64_t TickCountMs();

// Keeps the previous readings between clock ticks.
class TCpuMeter {
 public:
  TCpuMeter();
  // Reads the clocks, returns the percentage since the previous call (or construction).
  int Sample();

 private:
  uint64_t lastProcess_;
  uint64_t lastTicks_;
};

}  // namespace quirlo::acquisition
