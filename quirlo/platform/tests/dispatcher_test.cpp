#include "quirlo/platform/dispatcher.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace quirlo {
namespace {

TEST(qplat_QueuedDispatcher, RunsPostedWorkInOrderOnTheCallingThread) {
  QueuedDispatcher d;
  std::vector<int> seen;
  std::thread::id runner;
  std::thread poster([&] {
    for (int i = 0; i < 3; ++i) d.Post([&, i] { seen.push_back(i); runner = std::this_thread::get_id(); });
  });
  poster.join();
  EXPECT_EQ(d.PendingCount(), 3u);
  EXPECT_EQ(d.RunPending(), 3u);
  EXPECT_EQ(seen, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(runner, std::this_thread::get_id());
}

TEST(qplat_QueuedDispatcher, WorkPostedWhileRunningWaitsForTheNextRound) {
  QueuedDispatcher d;
  int runs = 0;
  d.Post([&] { ++runs; d.Post([&] { ++runs; }); });
  EXPECT_EQ(d.RunPending(), 1u);
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(d.RunPending(), 1u);
  EXPECT_EQ(runs, 2);
}

}  // namespace
}  // namespace quirlo
