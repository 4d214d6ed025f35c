#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "quirlo/platform/periodic_timer.h"

namespace quirlo {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(qplat_PeriodicTimer, KeepsItsGridOverOneSecond) {
  PeriodicTimer timer;
  std::mutex m;
  std::vector<Clock::time_point> ticks;
  const auto start = Clock::now();
  ASSERT_TRUE(timer.Start(20ms, [&] {
    std::lock_guard lock(m);
    ticks.push_back(Clock::now());
  }));
  EXPECT_FALSE(timer.Start(20ms, [] {}));  // already running
  std::this_thread::sleep_for(1010ms);
  timer.Stop();
  std::lock_guard lock(m);
  // Loose bounds: a loaded CI machine may skip ticks, but the grid must not drift: the
  // last tick lies on start + k * 20 ms for some k, within a few milliseconds.
  ASSERT_GE(ticks.size(), 35u);
  EXPECT_LE(ticks.size(), 51u);
  for (auto t : {ticks.front(), ticks.back()}) {
    const auto since = std::chrono::duration_cast<std::chrono::microseconds>(t - start).count();
    const auto offGrid = since % 20000;
    EXPECT_LT(offGrid, 8000) << "tick " << since << " us after start";
  }
  EXPECT_EQ(timer.Ticks() + timer.Overruns() >= 48, true);
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
