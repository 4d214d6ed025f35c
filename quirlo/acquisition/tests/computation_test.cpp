#include <gtest/gtest.h>

#include <cmath>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "quirlo/acquisition/computation.h"
#include "quirlo/acquisition/cpu_usage.h"
#include "quirlo/acquisition/input_stage.h"

namespace qa = quirlo::acquisition;

namespace {

struct Fixture {
  qa::TAcquisitionState state;
  qa::TChannelComputation comp{state};

  void Assign(int channel, qa::TSourceKind kind, int32_t index) {
    Assign(channel, static_cast<int32_t>(kind), index);
  }
  void Assign(int channel, int32_t kind, int32_t index) {
    state.Table[channel].SourceKind = kind;
    state.Table[channel].SourceIndex = index;
  }
  double Value(int channel) const { return state.ChannelValue.Get(channel); }
};

}  // namespace

TEST(qcore_Computation, SourcesMapOntoChannels) {
  Fixture f;
  for (int i = 0; i < 8; ++i) f.state.Inputs.AnalogValue[i] = 100 + i;
  for (int i = 0; i < 6; ++i) f.state.Inputs.RateValue[i] = 200 + i;
  for (int i = 0; i < 6; ++i) f.state.Inputs.TotalValue[i] = 300 + i;
  f.state.Inputs.DigitalState[6] = 1;
  f.state.Inputs.SerialValue[0][127] = 5.5;
  f.state.Inputs.SerialValue[1][3] = 7.25;
  f.state.Inputs.SerialValue[7][0] = -1.0;
  struct Row {
    int channel;
    int32_t kind;
    int32_t index;
    double expected;
  };
  const Row rows[] = {
      {0, 1, 7, 107},   {1, 2, 5, 205},  {2, 3, 0, 300},    {3, 4, 6, 1},
      {4, 5, 127, 5.5}, {5, 7, 3, 7.25}, {6, 13, 0, -1.0},  {7, 0, 0, 0},
      {8, 14, 0, 0},    {9, -3, 0, 0},   {10, 1, 8, 0},     {11, 5, 128, 0},
      {12, 2, -1, 0},   {13, 6, 0, 0},  // math without an evaluator reads 0
  };
  for (const auto& r : rows) f.Assign(r.channel, r.kind, r.index);
  f.comp.ComputeStep(qa::kFrameStep);
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::Message() << "channel " << r.channel << " kind " << r.kind
                                    << " index " << r.index);
    EXPECT_DOUBLE_EQ(f.Value(r.channel), r.expected);
  }
}

TEST(qcore_Computation, IdleStepsUntilFirstFrameThenFrozen) {
  Fixture f;
  EXPECT_TRUE(f.comp.IdleTick());  // first step restarts the time
  EXPECT_DOUBLE_EQ(f.state.State.ElapsedTime, 0.0);
  EXPECT_TRUE(f.comp.IdleTick());
  EXPECT_TRUE(f.comp.IdleTick());
  EXPECT_NEAR(f.state.State.ElapsedTime, 0.10, 1e-12);

  f.comp.SetAnalogValues({42, 0, 0, 0, 0, 0, 0, 0});
  EXPECT_NEAR(f.state.State.ElapsedTime, 0.12, 1e-12);
  EXPECT_DOUBLE_EQ(f.Value(0), 42);
  // The box falls silent: the idle computation does not come back.
  EXPECT_FALSE(f.comp.IdleTick());
  EXPECT_NEAR(f.state.State.ElapsedTime, 0.12, 1e-12);
}

TEST(qcore_Computation, ReplayKeepsLiveDataAway) {
  Fixture f;
  f.state.RunFlags.ReplayActive = true;
  f.state.ChannelValue.Set(0, 9.0);  // what the replay wrote
  EXPECT_TRUE(f.comp.IdleTick());
  f.comp.SetAnalogValues({1, 2, 3, 4, 5, 6, 7, 8});
  EXPECT_DOUBLE_EQ(f.Value(0), 9.0);
  EXPECT_EQ(f.state.State.RestartTime, 1);  // no step ran
  EXPECT_DOUBLE_EQ(f.state.Inputs.AnalogValue[0], 0.0);
  EXPECT_FALSE(f.comp.IdlePeriodOver());
}

TEST(qcore_Computation, ReplayStartedWhileAFrameWaitsForTheLockWins) {
  // A frame arrives while the replay holds the lock to start; once the replay has set its
  // flag and written its value, the waiting frame must not publish over it.
  Fixture f;
  std::unique_lock replay(f.state.AcquisitionLock);
  std::thread frame([&] { f.comp.SetAnalogValues({1, 2, 3, 4, 5, 6, 7, 8}); });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the frame waits for the lock
  f.state.RunFlags.ReplayActive = true;
  f.state.ChannelValue.Set(0, 9.0);
  replay.unlock();
  frame.join();
  EXPECT_DOUBLE_EQ(f.Value(0), 9.0);
  EXPECT_FALSE(f.comp.IdlePeriodOver());
}

TEST(qcore_Computation, TotalResetAndMathOrder) {
  Fixture f;
  std::vector<int> boxResets;
  qa::TComputationHooks hooks;
  hooks.resetTotal = [&](int index) { boxResets.push_back(index); };
  hooks.resetValue = [] { return 50.0; };
  // ch5 = ch5 + 1; ch3 = ch10; ch12 = ch10 (1-based names; 0-based channels 4, 2, 11).
  hooks.evaluateMath = [](int ch, const qa::TChannelValueArray& v) {
    if (ch == 4) return v[4] + 1;
    return v[9];
  };
  f.comp.SetHooks(hooks);
  f.Assign(4, qa::TSourceKind::Math, 0);
  f.Assign(2, qa::TSourceKind::Math, 0);
  f.Assign(11, qa::TSourceKind::Math, 0);
  f.Assign(9, qa::TSourceKind::Analog, 0);
  f.Assign(1, qa::TSourceKind::Total, 2);

  f.state.Inputs.AnalogValue[0] = 10;
  f.state.Inputs.TotalValue[2] = 400;
  f.comp.ComputeStep(0.02);
  EXPECT_DOUBLE_EQ(f.Value(4), 1);
  EXPECT_DOUBLE_EQ(f.Value(2), 0);   // channel 10 not yet computed in this step
  EXPECT_DOUBLE_EQ(f.Value(11), 10);  // channel 10 already computed
  EXPECT_DOUBLE_EQ(f.Value(1), 400);

  f.state.Inputs.AnalogValue[0] = 20;
  f.state.State.ResetPending[1] = 1;
  f.comp.ComputeStep(0.02);
  EXPECT_DOUBLE_EQ(f.Value(4), 2);
  EXPECT_DOUBLE_EQ(f.Value(2), 10);
  EXPECT_DOUBLE_EQ(f.Value(11), 20);
  EXPECT_EQ(boxResets, std::vector<int>{2});
  EXPECT_DOUBLE_EQ(f.Value(1), 400);  // keeps its value until the box has reset
  EXPECT_EQ(f.state.State.ResetPending[1], 0);

  f.state.Inputs.TotalValue[2] = 0;  // the box's count after its reset
  f.comp.ComputeStep(0.02);
  EXPECT_DOUBLE_EQ(f.Value(1), 50);
  EXPECT_NEAR(f.state.State.Integral[4], (1 + 2 + 3) * 0.02, 1e-12);
}

TEST(qcore_Computation, RawInputStageFeedsTables) {
  Fixture f;
  qa::TRawInputStage stage(f.comp);
  qa::TRateFrame rate{};
  rate.Count[1] = -7;
  rate.Frequency[5] = -300;
  stage.OnRateFrame(rate);
  stage.OnDigitalBits(0x81);
  f.Assign(0, qa::TSourceKind::Total, 1);
  f.Assign(1, qa::TSourceKind::Rate, 5);
  f.Assign(2, qa::TSourceKind::Digital, 7);
  f.Assign(3, qa::TSourceKind::Digital, 1);
  qa::TAnalogFrame analog{};
  analog.Reading[3] = 65535;
  f.Assign(4, qa::TSourceKind::Analog, 3);
  stage.OnAnalogFrame(analog);
  EXPECT_DOUBLE_EQ(f.Value(0), -7);
  EXPECT_DOUBLE_EQ(f.Value(1), -300);
  EXPECT_DOUBLE_EQ(f.Value(2), 1);
  EXPECT_DOUBLE_EQ(f.Value(3), 0);
  EXPECT_DOUBLE_EQ(f.Value(4), 65535);
  EXPECT_TRUE(f.comp.IdlePeriodOver());
}

TEST(qcore_Demo, NamesSwapAndRestoreExactly) {
  Fixture f;
  int broadcasts = 0;
  qa::TComputationHooks hooks;
  hooks.namesChanged = [&] { ++broadcasts; };
  f.comp.SetHooks(hooks);
  qa::SetFieldText(f.state.Table[0].Name, "Hookload  ");
  qa::SetFieldText(f.state.Table[5].Units, "");
  const qa::TChannelTable before = f.state.Table;

  f.comp.SetDemo(true);
  EXPECT_TRUE(f.comp.DemoOn());
  const char* names[] = {"Weight", "Depth", "Well Head Pressure", "Circulating Pressure",
                         "Inside Traction", "Chain Tension"};
  const char* units[] = {"lbs", "ft", "PSI", "PSI", "PSI", "PSI"};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(qa::FieldText(f.state.Table[i].Name), names[i]);
    EXPECT_EQ(qa::FieldText(f.state.Table[i].Units), units[i]);
  }
  EXPECT_EQ(qa::FieldText(f.state.Table[6].Name), "Channel 7");  // untouched
  f.comp.SetDemo(true);  // a second switch-on must not take these names as the user's
  f.comp.SetDemo(false);
  EXPECT_EQ(std::memcmp(&f.state.Table, &before, sizeof before), 0);
  EXPECT_EQ(broadcasts, 2);
}

TEST(qcore_Demo, StepMovesTubingAndTurns) {
  qa::TCoiledTubingDemo demo;
  qa::TChannelValueArray v{};
  v[6] = 123;
  demo.Step(v);
  EXPECT_NEAR(demo.Depth(), 9500.02, 1e-9);
  EXPECT_NEAR(demo.Weight(), 22500.06, 1e-9);
  EXPECT_DOUBLE_EQ(v[1], demo.Depth());
  EXPECT_DOUBLE_EQ(v[6], 123);
  for (int i = 0; i < 1000; ++i) {
    demo.Step(v);
    const double noise[] = {v[0] - demo.Weight(), v[2] - 7500, v[3] - 9000, v[4] - 250,
                            v[5] - 150};
    for (double n : noise) {
      ASSERT_GE(n, -5 - 1e-6);
      ASSERT_LE(n, 4 + 1e-6);
      ASSERT_NEAR(n, std::round(n), 1e-6);
    }
  }

  demo.SetDepth(9749.99);
  demo.Step(v);  // 9750.01 > 9750: turns down
  EXPECT_FALSE(demo.GoingUp());
  demo.Step(v);
  EXPECT_NEAR(demo.Depth(), 9749.99, 1e-9);
  demo.SetDepth(9250.01);
  demo.Step(v);  // 9249.99 < 9250: turns up
  EXPECT_TRUE(demo.GoingUp());
}

TEST(qcore_Demo, OverwritesSixChannelsAtEndOfStep) {
  Fixture f;
  f.state.Inputs.AnalogValue[0] = 1;
  f.comp.SetDemo(true);
  f.comp.ComputeStep(qa::kFrameStep);
  EXPECT_DOUBLE_EQ(f.Value(1), 9500.02);
  EXPECT_NEAR(f.Value(2), 7500, 5);
  EXPECT_DOUBLE_EQ(f.Value(6), 1);
  // The integral took the channel's own value, before the demonstration overwrote it.
  EXPECT_DOUBLE_EQ(f.state.State.Integral[1], 1 * qa::kFrameStep);
}

TEST(qcore_Cpu, PercentFormula) {
  struct Row {
    uint64_t process100ns, ticksMs;
    int percent;
  };
  const Row rows[] = {
      {10'000'000, 1000, 100},  // one second of work in one second
      {0, 1000, 0},
      {1'049'999, 1000, 10},  // 10.49999 -> 10
      {1'050'000, 1000, 11},  // 10.5 rounds up
      {20'000'000, 1000, 200},  // two busy threads
      {5'000, 0, 0},            // no tick time passed: no division by zero
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.process100ns);
    EXPECT_EQ(qa::CpuPercent(r.process100ns, r.ticksMs), r.percent);
  }
  const uint64_t before = qa::ProcessTime100ns();
  volatile double sink = 0;
  for (int i = 0; i < 5'000'000; ++i) sink = sink + i * 0.5;
  EXPECT_GT(qa::ProcessTime100ns(), before);
}
