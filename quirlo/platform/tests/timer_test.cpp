#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "quirlo/platform/periodic_timer.h"

namespace quirlo {
namespace {

using namespace std::chrono_literals;

// Polls `pred` for up to two seconds (loaded or sanitizer builds are slow).
template <class Pred>
bool Eventually(Pred pred) {
  for (int i = 0; i < 400 && !pred(); ++i) std::this_thread::sleep_for(5ms);
  return pred();
}

TEST(qplat_PeriodicTimer, KeepsItsGridWhileTicksDoWork) {
  // Each tick works for 7 ms. A timer that waited a period after each tick would pass
  // about 37 deadlines a second; a drift-free one passes one every 20 ms (ticked or, on a
  // loaded machine, skipped and counted). Lateness itself is measured by qplat_timer_bench.
  PeriodicTimer timer;
  std::atomic<int> calls{0};
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(timer.Start(20ms, [&] {
    ++calls;
    std::this_thread::sleep_for(7ms);
  }));
  EXPECT_FALSE(timer.Start(20ms, [] {}));  // already running
  std::this_thread::sleep_for(1010ms);
  timer.Stop();
  const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double deadlines = static_cast<double>(timer.Ticks() + timer.Overruns());
  EXPECT_NEAR(deadlines, elapsed / 0.020, 3.0) << "after " << elapsed << " s";
  EXPECT_EQ(timer.Ticks(), static_cast<std::uint64_t>(calls.load()));
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
  EXPECT_TRUE(Eventually([&] { return count.load() > after; }));
  timer.Stop();
}

TEST(qplat_PeriodicTimer, StopFromInsideTheTickEndsAfterThatTick) {
  PeriodicTimer timer;
  std::atomic<int> count{0};
  ASSERT_TRUE(timer.Start(2ms, [&] {
    if (++count == 3) timer.Stop();
  }));
  ASSERT_TRUE(Eventually([&] { return count.load() == 3 && !timer.IsRunning(); }));
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ(count.load(), 3);
}

TEST(qplat_OneShotTimer, FiresOnceCancelsAndRearmsFromItsCallback) {
  OneShotTimer shot;
  std::atomic<int> fired{0};
  shot.Start(10s, [&] { fired += 100; });
  EXPECT_TRUE(shot.IsPending());
  shot.Cancel();
  EXPECT_FALSE(shot.IsPending());

  shot.Start(10ms, [&] { ++fired; });
  ASSERT_TRUE(Eventually([&] { return fired.load() > 0; }));
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(fired.load(), 1);  // once, and the cancelled shot never fired
  EXPECT_FALSE(shot.IsPending());

  // A chain of steps, each scheduling the next from inside the callback (replay style).
  std::atomic<int> steps{0};
  std::function<void()> step = [&] {
    if (++steps < 4) shot.Start(2ms, step);
  };
  shot.Start(2ms, step);
  ASSERT_TRUE(Eventually([&] { return steps.load() == 4; }));
  EXPECT_TRUE(Eventually([&] { return !shot.IsPending(); }));
}

}  // namespace
}  // namespace quirlo
