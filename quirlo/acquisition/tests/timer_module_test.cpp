#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "quirlo/acquisition/timer_module.h"

namespace qa = quirlo::acquisition;

TEST(qcore_TickSchedule, WhichTickRunsWhichJob) {
  const std::map<int, qa::TTickJob> expected = {
      {38, qa::TTickJob::AnalogDialogs}, {40, qa::TTickJob::DigitalDialogs},
      {42, qa::TTickJob::RateDialogs},   {44, qa::TTickJob::ChannelDialog},
      {46, qa::TTickJob::PageCount},     {48, qa::TTickJob::StatusBars},
      {50, qa::TTickJob::LiveLine},
  };
  qa::TTickSchedule schedule;
  for (int tick = 1; tick <= 150; ++tick) {
    SCOPED_TRACE(tick);
    const qa::TTickWork work = schedule.Next();
    EXPECT_EQ(work.pollSerialInputs, tick % 5 == 0);
    const int inSecond = (tick - 1) % 50 + 1;  // the job counter's value on this tick
    const auto it = expected.find(inSecond);
    EXPECT_EQ(work.job, it == expected.end() ? qa::TTickJob::None : it->second);
  }
  EXPECT_EQ(schedule.JobCounter(), 0);  // tick 150 ran the live line and restarted
  EXPECT_EQ(schedule.SerialCounter(), 0);
}

TEST(qcore_TimerModule, OrderOfWorkWithinATick) {
  std::vector<std::string> calls;
  quirlo::QueuedDispatcher ui;
  qa::TTimerHooks hooks;
  auto log = [&](const char* what) { return [&calls, what] { calls.push_back(what); }; };
  hooks.pollBox = log("box");
  hooks.pollSerialInputs = log("serial");
  hooks.refreshAnalogDialogs = log("analog");
  hooks.refreshStatusBars = log("statusbars");
  hooks.publishLiveLine = log("liveline");
  qa::TTimerModule timer(ui, hooks);  // not started: ticks run on this thread
  for (int i = 0; i < 50; ++i) timer.Tick();

  EXPECT_EQ(std::count(calls.begin(), calls.end(), "box"), 50);
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "serial"), 10);
  // Tick 5: box then serial. Tick 50: box, serial, live line.
  EXPECT_EQ(calls[4], "box");
  EXPECT_EQ(calls[5], "serial");
  const std::vector<std::string> last(calls.end() - 3, calls.end());
  EXPECT_EQ(last, (std::vector<std::string>{"box", "serial", "liveline"}));
  // The status bars job went to the user-interface thread, not run on the timer's.
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "statusbars"), 0);
  EXPECT_EQ(ui.RunPending(), 1u);
  EXPECT_EQ(calls.back(), "statusbars");
}

TEST(qcore_TimerModule, RunsOnItsOwnThreadUntilStopped) {
  quirlo::ImmediateDispatcher ui;
  std::atomic<int> polls{0};
  std::atomic<bool> offMainThread{true};
  const auto mainThread = std::this_thread::get_id();
  qa::TTimerHooks hooks;
  hooks.pollBox = [&] {
    if (std::this_thread::get_id() == mainThread) offMainThread = false;
    ++polls;
  };
  qa::TTimerModule timer(ui, hooks);
  timer.Start();
  while (polls.load() < 3) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  timer.Stop();
  const int afterStop = polls.load();
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  EXPECT_EQ(polls.load(), afterStop);
  EXPECT_TRUE(offMainThread.load());
}
