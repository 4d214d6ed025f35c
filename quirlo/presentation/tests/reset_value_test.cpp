// The Reset Value dialog's rules: headings, the "Reset to Zero" box, which reset a press of
// "Reset" asks for, and what that reset does to the live computation.
#include "quirlo/presentation/reset_value.h"

#include <gtest/gtest.h>

#include <vector>

namespace quirlo::presentation {
namespace {

using acquisition::TSourceKind;

struct SinkCall {
  bool all = false;
  TResetFlags flags{};
  int mode = 0;
  double value = 0;
};

struct RecordingSink : TResetSink {
  std::vector<SinkCall> calls;
  void ResetAll() override { calls.push_back({true, {}, 0, 0}); }
  void RequestResets(const TResetFlags& f, int mode, double value) override {
    calls.push_back({false, f, mode, value});
  }
};

struct FakeChannelsDialog : TResetChannelsView {
  bool visible = false;
  TResetFlags ticked{};
  bool IsVisible() const override { return visible; }
  bool ChannelTicked(int i) const override { return ticked[i] != 0; }
};

// Channel 2 is "Flow Total" (a total); every other channel is an analog input.
TResetChannelInfo FixedChannels() {
  TResetChannelInfo info;
  info.name = [](int i) { return i == 2 ? std::string("Flow Total") : "Channel " + std::to_string(i + 1); };
  info.sourceKind = [](int i) {
    return static_cast<int32_t>(i == 2 ? TSourceKind::Total : TSourceKind::Analog);
  };
  return info;
}

TResetFlags Only(int channel) {
  TResetFlags f{};
  f[channel] = 1;
  return f;
}

class QguiResetValue : public testing::Test {
 protected:
  ScriptedUiService ui;
  RecordingSink sink;
  FakeChannelsDialog channelsDialog;
  TResetValueLogic logic{ui, sink, FixedChannels()};
};

TEST_F(QguiResetValue, HeadingNamesTheTarget) {
  const struct {
    int target;
    const char* heading;
  } rows[] = {
      {-1, "Reset all total channels to value below."},
      {-2, "Reset selected channel(s) to value below."},
      {2, "Reset Flow Total to value below."},
      {23, "Reset Channel 24 to value below."},
  };
  for (const auto& r : rows) {
    logic.OpenResetDialog(r.target);
    EXPECT_EQ(logic.Heading(), r.heading) << "target " << r.target;
    EXPECT_EQ(logic.ResetTarget(), r.target);
  }
}

TEST_F(QguiResetValue, ResetToZeroFollowsValueFieldAndTyping) {
  logic.OpenResetDialog(-1);
  EXPECT_TRUE(logic.ResetToZero());  // the value starts at 0

  logic.FieldEdited("12.5");
  EXPECT_FALSE(logic.ResetToZero());
  EXPECT_EQ(logic.GetResetValue(), 0.0);  // typing alone does not take the value
  logic.SetResetToZero(true);
  EXPECT_EQ(logic.GetResetValue(), 0.0);
  EXPECT_EQ(logic.FieldText(), "0");
  logic.FieldEdited("12.5");
  logic.SetResetToZero(false);  // unchecking takes the field's value
  EXPECT_EQ(logic.GetResetValue(), 12.5);

  // The value is kept for the next opening, which then leaves the box unchecked.
  logic.OpenResetDialog(-2);
  EXPECT_FALSE(logic.ResetToZero());
  EXPECT_EQ(logic.FieldText(), "12.50");
}

TEST_F(QguiResetValue, ResetPicksModeFlagsAndValue) {
  TResetFlags ticked{};
  ticked[5] = ticked[9] = 1;
  TResetFlags stale{};
  stale[0] = 1;
  const struct {
    const char* name;
    int target;
    const TResetFlags* flags;
    int mode;
    bool channelsDialogVisible;
    bool expectAll;
    int expectMode;
    TResetFlags expectFlags;
  } rows[] = {
      {"all totals", -1, nullptr, -1, false, true, 0, {}},
      {"all totals while channels dialog shows", -1, nullptr, -1, true, true, 0, {}},
      {"readout reset of a total", 2, &stale, 4, false, false, 3, Only(2)},
      {"readout reset of a total while dialog shows", 2, &stale, 4, true, false, 3, Only(2)},
      {"readout reset of another channel", 7, &stale, 4, false, false, 4, Only(7)},
      {"selected channels", -2, &stale, 4, true, false, 4, ticked},
      {"selected channels, dialog gone", -2, &stale, 4, false, false, 4, stale},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    sink.calls.clear();
    channelsDialog.visible = r.channelsDialogVisible;
    channelsDialog.ticked = ticked;
    logic.SetResetChannelsView(&channelsDialog);
    logic.OpenResetDialog(r.target);
    logic.SetResetMode(r.flags, r.mode);
    logic.FieldEdited("50");
    ASSERT_TRUE(logic.Reset());
    ASSERT_EQ(sink.calls.size(), 1u);
    EXPECT_EQ(logic.GetResetValue(), 50.0);
    EXPECT_EQ(sink.calls[0].all, r.expectAll);
    if (!r.expectAll) {
      EXPECT_EQ(sink.calls[0].mode, r.expectMode);
      EXPECT_EQ(sink.calls[0].flags, r.expectFlags);
      EXPECT_EQ(sink.calls[0].value, 50.0);
    }
  }
}

TEST_F(QguiResetValue, ResetToZeroWinsOverTheField) {
  logic.OpenResetDialog(-1);
  logic.SetResetMode(nullptr, -1);
  logic.FieldEdited("abc");
  logic.SetResetToZero(true);
  ASSERT_TRUE(logic.Reset());
  EXPECT_EQ(logic.GetResetValue(), 0.0);
  EXPECT_EQ(ui.CallCount(), 0u);
}

TEST_F(QguiResetValue, TextThatIsNotANumberChangesNothing) {
  logic.FieldEdited("7");
  logic.SetResetToZero(false);
  logic.OpenResetDialog(2);
  logic.SetResetMode(nullptr, 4);
  logic.FieldEdited("12,x");
  EXPECT_FALSE(logic.Reset());
  EXPECT_TRUE(sink.calls.empty());
  EXPECT_EQ(logic.GetResetValue(), 7.0);
  EXPECT_EQ(logic.ResetMode(), 4);
  const auto calls = ui.Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].text, "'12,x' is not a valid number.");
  EXPECT_EQ(calls[0].caption, "Reset Value");
}

// The sink over a real computation: channel 0 totals frequency input 3, channel 1 is a math
// channel whose expression uses the time, channel 2 is an analog input.
class QguiComputationResets : public testing::Test {
 protected:
  void SetUp() override {
    state.Table[0].SourceKind = static_cast<int32_t>(TSourceKind::Total);
    state.Table[0].SourceIndex = 3;
    state.Table[1].SourceKind = static_cast<int32_t>(TSourceKind::Math);
    state.Table[2].SourceKind = static_cast<int32_t>(TSourceKind::Analog);
    acquisition::TComputationHooks hooks;
    hooks.resetValue = [this] { return logic.GetResetValue(); };
    hooks.resetTotal = [this](int i) { boxResets.push_back(i); };
    computation.SetHooks(std::move(hooks));
    computation.ComputeStep(0.02);  // consumes the start-up time restart
    computation.ComputeStep(0.02);
  }
  acquisition::TAcquisitionState state;
  acquisition::TChannelComputation computation{state};
  std::vector<int> boxResets;
  TComputationResets resets{state, computation,
                            {.resetTotal = [this](int i) { boxResets.push_back(i); },
                             .expressionUsesTime = [](int ch) { return ch == 1; }}};
  ScriptedUiService ui;
  TResetValueLogic logic{ui, resets, ChannelInfoOf(state)};
};

TEST_F(QguiComputationResets, AllTotalsToZeroRestartTotalsAndTime) {
  state.State.Offset[0] = 40;
  state.Inputs.TotalValue[3] = 8;
  logic.OpenResetDialog(-1);
  logic.SetResetMode(nullptr, -1);
  logic.SetResetToZero(true);
  ASSERT_TRUE(logic.Reset());
  computation.ComputeStep(0.02);
  EXPECT_EQ(state.State.ElapsedTime, 0.0);
  EXPECT_EQ(state.State.Offset[0], 0.0);
  EXPECT_EQ(boxResets, std::vector<int>{3});
  state.Inputs.TotalValue[3] = 0;  // the box has reset its count
  computation.ComputeStep(0.02);
  EXPECT_EQ(state.ChannelValue.Get(0), 0.0);
}

TEST_F(QguiComputationResets, SingleTotalResetsAtOnceThroughTheBox) {
  logic.OpenResetDialog(0);
  EXPECT_EQ(logic.Heading(), "Reset Channel 1 to value below.");
  const TResetFlags flags = Only(0);
  logic.SetResetMode(&flags, 4);
  logic.FieldEdited("50");
  ASSERT_TRUE(logic.Reset());
  EXPECT_EQ(state.State.Offset[0], 50.0);  // before any step
  EXPECT_EQ(boxResets, std::vector<int>{3});
  EXPECT_EQ(state.State.ResetPending[0], 0);
}

TEST_F(QguiComputationResets, NextStepModeReplacesPendingResetsAndRestartsTime) {
  state.State.ResetPending[2] = 1;  // an older request the new selection drops
  TResetFlags flags{};
  flags[0] = flags[1] = 1;
  resets.RequestResets(flags, kResetModeNextStep, 0);
  EXPECT_EQ(state.State.ResetPending[0], 1);
  EXPECT_EQ(state.State.ResetPending[1], 1);
  EXPECT_EQ(state.State.ResetPending[2], 0);
  EXPECT_EQ(state.State.RestartTime, 1);

  flags[1] = 0;  // without the time channel the time runs on
  resets.RequestResets(flags, kResetModeNextStep, 0);
  EXPECT_EQ(state.State.RestartTime, 0);
}

}  // namespace
}  // namespace quirlo::presentation
