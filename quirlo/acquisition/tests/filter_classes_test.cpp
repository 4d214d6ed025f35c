// The three filter classes against sequences worked out by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "quirlo/acquisition/debounce.h"
#include "quirlo/acquisition/move_avg.h"

namespace quirlo::acquisition {
namespace {

// A moving average built as the filter stage builds it: one priming sample, then N.
TMove_Avg PrimedAverage(int n, double prime) {
  TMove_Avg avg(n);
  avg.Step(prime);
  avg.SetLength(n);
  return avg;
}

struct SequenceCase {
  int row;
  int n;
  double prime;
  std::vector<double> in;
  std::vector<double> out;
};

TEST(qcore_filter_MoveAvg, SequencesAfterPriming) {
  const SequenceCase cases[] = {
      {1, 4, 0, {0, 0, 0, 4}, {0, 0, 0, 1}},
      {2, 4, 0, {4, 4, 4, 4, 4}, {1, 2, 3, 4, 4}},     // window fills, then stays
      {3, 2, 10, {20, 20, 0}, {15, 20, 10}},           // oldest sample leaves the sum
      {4, 1, 5, {7, -3}, {7, -3}},                     // N = 1 follows the input
      {5, 0, 5, {7, -3}, {7, -3}},                     // N = 0 is a window of 1
      {6, 3, -6, {0, 0, 0}, {-4, -2, 0}},
  };
  for (const auto& c : cases) {
    TMove_Avg avg = PrimedAverage(c.n, c.prime);
    for (std::size_t i = 0; i < c.in.size(); ++i)
      EXPECT_DOUBLE_EQ(avg.Step(c.in[i]), c.out[i]) << "row " << c.row << " step " << i;
  }
}

TEST(qcore_filter_MoveAvg, FirstSampleFillsWindowAndLengthChangeKeepsAverage) {
  TMove_Avg avg(3);
  EXPECT_FALSE(avg.Started());
  EXPECT_DOUBLE_EQ(avg.Step(9), 9);
  EXPECT_DOUBLE_EQ(avg.Step(0), 6);  // 9, 9, 0
  avg.SetLength(2);                   // rebuilt full of the present average 6
  EXPECT_DOUBLE_EQ(avg.Step(0), 3);
  EXPECT_DOUBLE_EQ(avg.Step(0), 0);
}

TEST(qcore_filter_MoveAvg, WindowIsCutTo255) {
  for (int n : {255, 256, 300, 1000}) {
    TMove_Avg avg = PrimedAverage(n, 0);
    EXPECT_EQ(avg.Length(), 255) << n;
    // 255 samples of 255 bring the average exactly to 255; one fewer does not.
    double last = 0;
    for (int i = 0; i < 254; ++i) last = avg.Step(255);
    EXPECT_DOUBLE_EQ(last, 254) << n;
    EXPECT_DOUBLE_EQ(avg.Step(255), 255) << n;
  }
}

TEST(qcore_filter_MoveAvg, RecoversOnceNaNHasLeftTheWindow) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  for (double bad : {nan, inf, -inf}) {
    TMove_Avg avg = PrimedAverage(2, 0);
    avg.Step(bad);
    avg.Step(4);  // the bad sample is still in the window
    EXPECT_DOUBLE_EQ(avg.Step(6), 5) << bad;
  }
}

TEST(qcore_filter_ExpMoveAvg, Sequences) {
  const SequenceCase cases[] = {
      {1, 3, 10, {20}, {15}},
      {2, 3, 10, {20, 20, 20}, {15, 17.5, 18.75}},
      {3, 1, 10, {20, -4}, {20, -4}},  // factor 1: follows the input
      {4, 0, 10, {20}, {20}},          // N = 0 is treated as 1
      {5, 9, 0, {10}, {2}},            // factor 2 / 10
  };
  for (const auto& c : cases) {
    TExp_Move_Avg avg(c.n, c.prime);
    for (std::size_t i = 0; i < c.in.size(); ++i)
      EXPECT_DOUBLE_EQ(avg.Step(c.in[i]), c.out[i]) << "row " << c.row << " step " << i;
  }
}

TEST(qcore_filter_ExpMoveAvg, FirstSampleStartsAverageAndNaNDoesNotStick) {
  TExp_Move_Avg fresh(5);
  EXPECT_DOUBLE_EQ(fresh.Step(42), 42);

  TExp_Move_Avg avg(3, 10);
  EXPECT_TRUE(std::isnan(avg.Step(std::numeric_limits<double>::quiet_NaN())));
  EXPECT_DOUBLE_EQ(avg.Step(8), 8);
  EXPECT_DOUBLE_EQ(avg.Step(12), 10);
}

TEST(qcore_filter_Debounce, Sequences) {
  struct Case {
    int row;
    int n;
    uint8_t present;
    std::vector<uint8_t> in;
    std::vector<uint8_t> out;
  };
  const Case cases[] = {
      {1, 2, 0, {1, 1, 1}, {0, 0, 1}},
      {2, 2, 0, {1, 1, 0, 1, 1, 1}, {0, 0, 0, 0, 0, 1}},  // a glitch restarts the count
      {3, 2, 1, {1, 1, 1}, {1, 1, 1}},                    // starts at the present state
      {4, 2, 1, {0, 0, 0, 0}, {1, 1, 0, 0}},
      {5, 0, 0, {1, 0, 1}, {1, 0, 1}},                    // N = 0: no delay
      {6, 1, 0, {1, 1, 0, 0}, {0, 1, 1, 0}},
  };
  for (const auto& c : cases) {
    TDebounce d(c.n, c.present);
    EXPECT_EQ(d.Output(), c.present) << "row " << c.row;
    for (std::size_t i = 0; i < c.in.size(); ++i)
      EXPECT_EQ(d.Step(c.in[i]), c.out[i]) << "row " << c.row << " step " << i;
  }
}

}  // namespace
}  // namespace quirlo::acquisition
