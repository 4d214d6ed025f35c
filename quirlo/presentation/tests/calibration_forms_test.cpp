// The calibration dialogs' rules over a real calibration stage: what the controls show, what
// "Calibrate" stores from each page, Auto-Scale with its messages, and the link rule.
#include "quirlo/presentation/calibration_forms.h"

#include <gtest/gtest.h>

#include <cstring>

#include "quirlo/presentation/input_text.h"

namespace quirlo::presentation {
namespace {

namespace acq = quirlo::acquisition;

constexpr double kEps = 1e-9;

TEST(QguiCalibration, CaptionsNumberInputsFromOne) {
  EXPECT_EQ(AnalogCalCaption(0), "Calibrate Analog Input 1");
  EXPECT_EQ(DigitalCalCaption(7), "Calibrate Digital Input 8");
  EXPECT_EQ(RateCalCaption(5), "Calibrate Frequency Input 6");
}

TEST(QguiCalibration, AnalogFieldsComeFromTheRecord) {
  acq::TAnalogCal cal{};
  cal.C0 = -10;
  cal.C1 = 0.02;
  cal.LowDisplay = 1;
  cal.HighDisplay = 2;
  cal.Range = 1;
  cal.LowCounts = 1000;
  cal.HighCounts = 3000;
  acq::SetDescriptionText(cal.Description, "Pressure");
  const TAnalogFields f = AnalogFieldsOf(cal);
  EXPECT_EQ(f.description, "Pressure");
  EXPECT_EQ(f.range, 1);
  EXPECT_EQ(f.lowDisplay, 1);
  EXPECT_EQ(f.highDisplay, 2);
  EXPECT_EQ(f.offset, -10);
  EXPECT_EQ(f.gain, 0.02);
  EXPECT_EQ(f.lowCounts, 1000);
  EXPECT_EQ(f.highCounts, 3000);
  EXPECT_NEAR(f.lowValue, 10, kEps);
  EXPECT_NEAR(f.highValue, 50, kEps);
  EXPECT_EQ(f.tareValue, 0);
}

class QguiAnalogCalibrate : public testing::Test {
 protected:
  // Makes input `index` read `value` whatever its count: gain 0, offset value.
  void ReadsConstant(int index, double value) {
    acq::TAnalogCalSet set{};
    set[index].C0 = value;
    cal.SetAnalogRecords(set);
    cal.ProcessAnalogFrame(acq::TAnalogFrame{});
  }
  acq::TAcquisitionState state;
  acq::TInputCalibration cal{state};
  ScriptedUiService ui;
  TAnalogFields fields;
};

TEST_F(QguiAnalogCalibrate, EachPageStoresItsNumbers) {
  struct Row {
    const char* name;
    TAnalogPage page;
    TAnalogTexts texts;
    double gain, offset;
    double lowCounts, highCounts, lowValue, highValue;  // Auto Scale page afterwards
  };
  const Row rows[] = {
      {"4-20mA, 0..100", TAnalogPage::FixedScale,
       {.description = "Flow", .range = 1, .lowDisplay = "0", .highDisplay = "100"},
       100.0 / 3276, -25, 0, 4095, -25, 100},
      {"0-5V, 0..5", TAnalogPage::FixedScale,
       {.description = "Volts", .range = 2, .lowDisplay = "0", .highDisplay = "5"},
       5.0 / 4095, 0, 0, 4095, 0, 5},
      {"gain and offset", TAnalogPage::GainOffset,
       {.description = "Raw", .offset = "-2", .gain = "0.5"}, 0.5, -2, 0, 4095, -2, 2045.5},
      {"two points", TAnalogPage::AutoScale,
       {.description = "Level", .lowCounts = "1000", .highCounts = "3000", .lowValue = "10",
        .highValue = "50"},
       0.02, -10, 1000, 3000, 10, 50},
      {"equal counts", TAnalogPage::AutoScale,
       {.description = "Level", .lowCounts = "7", .highCounts = "7", .lowValue = "3",
        .highValue = "9"},
       1.0, -4, 7, 7, 3, 3},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    ASSERT_TRUE(CalibrateAnalog(cal, ui, 2, r.page, r.texts, fields));
    const acq::TAnalogCal rec = cal.AnalogRecord(2);
    EXPECT_NEAR(rec.C1, r.gain, kEps);
    EXPECT_NEAR(rec.C0, r.offset, 1e-6);
    EXPECT_EQ(rec.C2, 0.0);
    EXPECT_EQ(rec.C3, 0.0);
    EXPECT_EQ(acq::DescriptionText(rec.Description), r.texts.description);
    EXPECT_EQ(fields.description, r.texts.description);
    EXPECT_NEAR(fields.offset, r.offset, 1e-6);
    EXPECT_NEAR(fields.gain, r.gain, kEps);
    EXPECT_EQ(fields.lowCounts, r.lowCounts);
    EXPECT_EQ(fields.highCounts, r.highCounts);
    EXPECT_NEAR(fields.lowValue, r.lowValue, 1e-6);
    EXPECT_NEAR(fields.highValue, r.highValue, 1e-6);
  }
  EXPECT_EQ(ui.CallCount(), 0u);
  // 4-20mA: count 819 is the low display value.
  ASSERT_TRUE(CalibrateAnalog(cal, ui, 0, TAnalogPage::FixedScale,
                              {.range = 1, .lowDisplay = "0", .highDisplay = "100"}, fields));
  EXPECT_NEAR(acq::CalibratedValue(cal.AnalogRecord(0), 819), 0.0, 1e-9);
}

TEST_F(QguiAnalogCalibrate, TareMakesThePresentValueTheTareValue) {
  ReadsConstant(4, 25);
  const double lowBefore = cal.AnalogRecord(4).LowDisplay;
  ASSERT_TRUE(CalibrateAnalog(cal, ui, 4, TAnalogPage::ZeroTare, {.tareValue = "20"}, fields));
  const acq::TAnalogCal rec = cal.AnalogRecord(4);
  EXPECT_NEAR(rec.C0, 20, kEps);
  EXPECT_NEAR(rec.LowDisplay, lowBefore - 5, kEps);
  EXPECT_EQ(fields.tareValue, 20);
  EXPECT_NEAR(fields.offset, 20, kEps);
  cal.ProcessAnalogFrame(acq::TAnalogFrame{});
  EXPECT_NEAR(cal.AnalogLive(4).Value, 20, kEps);
}

TEST_F(QguiAnalogCalibrate, TextThatIsNotANumberChangesNothing) {
  ReadsConstant(1, 25);
  const acq::TAnalogCal before = cal.AnalogRecord(1);
  fields.description = "kept";
  const struct {
    TAnalogPage page;
    TAnalogTexts texts;
    const char* bad;
  } rows[] = {
      {TAnalogPage::FixedScale, {.description = "new", .lowDisplay = "0", .highDisplay = "1O0"},
       "1O0"},
      {TAnalogPage::GainOffset, {.description = "new", .offset = "", .gain = "1"}, ""},
      {TAnalogPage::AutoScale,
       {.description = "new", .lowCounts = "1", .highCounts = "2", .lowValue = "x",
        .highValue = "y"},
       "x"},
      {TAnalogPage::ZeroTare, {.description = "new", .tareValue = "2..5"}, "2..5"},
  };
  for (const auto& r : rows) {
    ui.ClearCalls();
    EXPECT_FALSE(CalibrateAnalog(cal, ui, 1, r.page, r.texts, fields));
    const acq::TAnalogCal after = cal.AnalogRecord(1);
    EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);
    EXPECT_EQ(fields.description, "kept");
    const auto calls = ui.Calls();
    ASSERT_EQ(calls.size(), 1u);  // one message, for the first bad text only
    EXPECT_EQ(calls[0].text, "'" + std::string(r.bad) + "' is not a valid number.");
    EXPECT_EQ(calls[0].caption, "Calibrate Analog Input 2");
  }
}

TEST(QguiCalibration, CountsBeyondTheRecordAreRefusedWithAMessage) {
  acq::TAcquisitionState state;
  acq::TInputCalibration cal{state};
  ScriptedUiService ui;
  TAnalogFields fields;
  EXPECT_FALSE(CalibrateAnalog(cal, ui, 0, TAnalogPage::AutoScale,
                               {.lowCounts = "0", .highCounts = "99999999999", .lowValue = "0",
                                .highValue = "1"},
                               fields));
  EXPECT_EQ(cal.AnalogRecord(0).C1, 0.0);
  ASSERT_EQ(ui.CallCount(), 1u);
}

TEST(QguiCalibration, DigitalActiveChoiceAndLiveValues) {
  acq::TAcquisitionState state;
  acq::TInputCalibration cal{state};
  cal.SetDigitalRecords({});  // inputs 1..6 become active low
  ScriptedUiService ui;

  EXPECT_FALSE(DigitalFieldsOf(2, cal.DigitalRecord(2)).activeChoosable);
  EXPECT_TRUE(DigitalFieldsOf(2, cal.DigitalRecord(2)).activeLow);
  EXPECT_TRUE(DigitalFieldsOf(6, cal.DigitalRecord(6)).activeChoosable);
  EXPECT_FALSE(DigitalFieldsOf(6, cal.DigitalRecord(6)).activeLow);

  cal.ProcessDigitalBits(0x04);  // input 3 set, active low: off
  const TLiveTexts live = DigitalLiveOf(cal.DigitalLive(2));
  EXPECT_EQ(live.raw, 4);
  EXPECT_EQ(live.calibrated, "Off");

  ASSERT_TRUE(CalibrateDigital(cal, ui, 7, {.description = "Door", .activeLow = true}));
  EXPECT_EQ(cal.DigitalRecord(7).ActiveLow, 1);
  EXPECT_EQ(acq::DescriptionText(cal.DigitalRecord(7).Description), "Door");
}

class QguiRateAutoScale : public testing::Test {
 protected:
  void RunsAt(int16_t hertz) {
    acq::TRateFrame frame{};
    frame.Frequency[0] = hertz;
    cal.ProcessRateFrame(frame);
  }
  acq::TAcquisitionState state;
  acq::TInputCalibration cal{state};
  ScriptedUiService ui;
  TRateFields fields{.description = "Pump", .kFactor = "1", .timebase = 2, .quadrature = false};
};

TEST_F(QguiRateAutoScale, EnteredValueGivesTheKFactor) {
  RunsAt(50);
  ui.PushInput(true, "2");
  ASSERT_TRUE(AutoScaleRate(cal, ui, 0, fields));
  const auto calls = ui.Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].caption, "Auto-Scale");
  EXPECT_EQ(calls[0].text, "Enter the current value and press OK to calculate the K-factor.");
  EXPECT_EQ(calls[0].value, "50.00");  // the present calibrated value is proposed
  EXPECT_EQ(cal.RateRecord(0).KFactor, 25);
  EXPECT_EQ(cal.RateRecord(0).Timebase, 0);
  EXPECT_EQ(acq::DescriptionText(cal.RateRecord(0).Description), "Pump");
  EXPECT_EQ(ReadNumber(fields.kFactor).value_or(0), 25);
}

TEST_F(QguiRateAutoScale, OutcomesThatChangeNothing) {
  const struct {
    const char* name;
    int16_t hertz;
    bool ok;
    const char* entered;
    const char* message;  // nullptr: no message
    const char* caption;
  } rows[] = {
      {"cancelled", 50, false, "2", nullptr, nullptr},
      {"no rate", 0, true, "2",
       "Could not Auto-Scale because a non-zero rate was not detected at the input.\r\n"
       "Please verify that a non-zero signal is present and try again.",
       "Error - Rate Not Found"},
      {"not a number", 50, true, "two", "'two' is not a valid number.",
       "Calibrate Frequency Input 1"},
      {"zero entered", 50, true, "0", "A K-factor cannot follow from the value 0; nothing was changed.",
       "Calibrate Frequency Input 1"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    ui.ClearCalls();
    fields.timebase = 2;
    RunsAt(r.hertz);
    const acq::TRateCal before = cal.RateRecord(0);
    ui.PushInput(r.ok, r.entered);
    EXPECT_FALSE(AutoScaleRate(cal, ui, 0, fields));
    const acq::TRateCal after = cal.RateRecord(0);
    EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);
    EXPECT_EQ(fields.timebase, 0);  // the choice shows "Second" before the question
    const auto calls = ui.Calls();
    ASSERT_EQ(calls.size(), r.message ? 2u : 1u);
    if (r.message) {
      EXPECT_EQ(calls[1].text, r.message);
      EXPECT_EQ(calls[1].caption, r.caption);
    }
  }
}

TEST(QguiCalibration, RateLiveShowsTheFrequencyWithoutSign) {
  acq::TRateResult live;
  live.Frequency = -5;
  live.Rate = -0.5;
  const TLiveTexts t = RateLiveOf(live);
  EXPECT_EQ(t.raw, 5);
  EXPECT_EQ(t.calibratedValue, -0.5);
}

TEST(QguiCalibration, LinkNeverSendsADialogBackToItself) {
  int a = 0, b = 0;  // two distinct addresses standing in for windows
  auto* setup = reinterpret_cast<QWidget*>(&a);
  auto* filter = reinterpret_cast<QWidget*>(&b);
  EXPECT_EQ(LinkCaller(setup, filter), setup);
  EXPECT_EQ(LinkCaller(filter, filter), nullptr);
  EXPECT_EQ(LinkCaller(nullptr, filter), nullptr);
}

}  // namespace
}  // namespace quirlo::presentation
