#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "quirlo/platform/periodic_timer.h"

namespace quirlo {
namespace {

using namespace std::chrono_literals;

TEST(qplat_PeriodicTimer, KeepsItsGridWhileTicksDoWork) {
  // Each tick works for 7 ms. A timer that waited a period after each tick would make
  // about 37 ticks a second; a drift-free one passes 50 deadlines (ticked or, on a loaded
  // machine, skipped and counted). Lateness itself is measured by qplat_timer_bench.
  PeriodicTimer timer;
  std::atomic<int> calls{0};
  ASSERT_TRUE(timer.Start(20ms, [&] {
    ++calls;
    std::this_thread::sleep_for(7ms);
  }));
  EXPECT_FALSE(timer.Start(20ms, [] {}));  // already running
  std::this_thread::sleep_for(1010ms);
  timer.Stop();
  const auto deadlines = timer.Ticks() + timer.Overruns();
  EXPECT_GE(deadlines, 46u);
  EXPECT_LE(deadlines, 51u);
  EXPECT_EQ(timer.Ticks(), static_cast<std::uint64_t>(calls.load()));
  EXPECT_GE(calls.load(), 30);
}

TEST(qplat_PeriodicTimer, StopWaitsForTheTickInProgressAndEndsTicking) {
  PeriodicTimer timer;
  std::atomic<bool> inTick{false};
  std::atomic<int> count{0};
  ASSERT_TRUE(timer.Start(5ms, [&] {
    inTick = true;
    std::this_thread::sleep_for(30ms);
    ++count;
    inTick = false;
  }));
  while (count == 0 && !inTick) std::this_thread::sleep_for(1ms);
  std::thread stopper([&] { timer.Stop(); });
  stopper.join();
  EXPECT_FALSE(inTick.load());
  EXPECT_FALSE(timer.IsRunning());
  const int after = count;
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(count.load(), after);
  // Restartable after a stop.
  ASSERT_TRUE(timer.Start(5ms, [&] { ++count; }));
  std::this_thread::sleep_for(30ms);
  timer.Stop();
  EXPECT_GT(count.load(), after);
}

TEST(qplat_PeriodicTimer, StopFromInsideTheTickEndsAfterThatTick) {
  PeriodicTimer timer;
  std::atomic<int> count{0};
  ASSERT_TRUE(timer.Start(2ms, [&] {
    if (++count == 3) timer.Stop();
  }));
  std::this_thread::sleep_for(60ms);
  EXPECT_EQ(count.load(), 3);
  EXPECT_FALSE(timer.IsRunning());
}

TEST(qplat_OneShotTimer, FiresOnceCancelsAndRearmsFromItsCallback) {
  OneShotTimer shot;
  std::atomic<int> fired{0};
  shot.Start(10ms, [&] { ++fired; });
  EXPECT_TRUE(shot.IsPending());
  std::this_thread::sleep_for(60ms);
  EXPECT_EQ(fired.load(), 1);
  EXPECT_FALSE(shot.IsPending());

  shot.Start(30ms, [&] { fired += 100; });
  shot.Cancel();
  std::this_thread::sleep_for(60ms);
  EXPECT_EQ(fired.load(), 1);

  // A chain of steps, each scheduling the next from inside the callback (replay style).
  std::atomic<int> steps{0};
  std::function<void()> step = [&] {
    if (++steps < 4) shot.Start(2ms, step);
  };
  shot.Start(2ms, step);
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(steps.load(), 4);
}

}  // namespace
}  // namespace quirlo
