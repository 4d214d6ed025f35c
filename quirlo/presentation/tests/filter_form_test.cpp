// The filter dialogs' texts and their Apply, without widgets.
#include <gtest/gtest.h>

#include "quirlo/presentation/filter_form.h"

namespace quirlo::presentation {
namespace {

using namespace quirlo::acquisition;

TEST(qgui_filter_Texts, PeriodTextAtTheLimits) {
  struct Case {
    int row;
    TFilterKind kind;
    uint8_t type;
    int n;
    const char* text;
  };
  const Case cases[] = {
      {1, TFilterKind::Analog, kFilterMovingAverage, 1, "20 ms"},
      {2, TFilterKind::Analog, kFilterMovingAverage, 49, "980 ms"},
      {3, TFilterKind::Analog, kFilterMovingAverage, 50, "1.00 s"},
      {4, TFilterKind::Analog, kFilterMovingAverage, 300, "6.00 s"},  // window cut, text not
      {5, TFilterKind::Analog, kFilterMovingAverage, 1000, "20.00 s"},
      {6, TFilterKind::Rate, kFilterMovingAverage, 9, "900 ms"},
      {7, TFilterKind::Rate, kFilterMovingAverage, 10, "1.0 s"},
      {8, TFilterKind::Rate, kFilterMovingAverage, 1000, "100.0 s"},
      {9, TFilterKind::Digital, kFilterDebounce, 49, "980 ms"},
      {10, TFilterKind::Digital, kFilterDebounce, 50, "1.00 s"},
      {11, TFilterKind::Analog, kFilterExponential, 1, "1.0000"},
      {12, TFilterKind::Rate, kFilterExponential, 3, "0.5000"},
      {13, TFilterKind::Analog, kFilterExponential, 1000, "0.0020"},
      {14, TFilterKind::Analog, kFilterNone, 10, ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(PeriodText(c.kind, c.type, c.n), c.text) << "row " << c.row;
  EXPECT_EQ(PeriodText(TFilterKind::Analog, kFilterMovingAverage, 75, ','), "1,50 s");
}

TEST(qgui_filter_Texts, TitlesCaptionsChoicesAndValues) {
  EXPECT_EQ(FilterTitle(TFilterKind::Analog, 0), "Filter Analog Input 1");
  EXPECT_EQ(FilterTitle(TFilterKind::Rate, 5), "Filter Frequency Input 6");
  EXPECT_EQ(FilterTitle(TFilterKind::Digital, 7), "Filter Digital Input 8");
  EXPECT_EQ(ApplyButtonText(TFilterKind::Digital), "Calibrate");
  EXPECT_EQ(ApplyButtonText(TFilterKind::Rate), "Apply");

  EXPECT_EQ(PeriodCaption(TFilterKind::Analog, kFilterExponential), "Smoothing Constant");
  EXPECT_EQ(PeriodCaption(TFilterKind::Digital, kFilterDebounce), "Debounce Period");
  EXPECT_FALSE(PropertiesVisible(kFilterNone));
  EXPECT_TRUE(PropertiesVisible(kFilterDebounce));

  const auto analog = FilterChoices(TFilterKind::Rate);
  ASSERT_EQ(analog.size(), 4u);
  EXPECT_STREQ(analog[3].Text, "Butterworth");
  EXPECT_FALSE(analog[3].Enabled);
  EXPECT_TRUE(analog[2].Enabled);
  EXPECT_EQ(FilterChoices(TFilterKind::Digital).size(), 2u);

  EXPECT_EQ(LiveValueText(TFilterKind::Digital, 1), "On");
  EXPECT_EQ(LiveValueText(TFilterKind::Digital, 0), "Off");
  EXPECT_EQ(LiveValueText(TFilterKind::Analog, 12.345), "12.35");
}

TEST(qgui_filter_Texts, CountsAreKeptWithinTheField) {
  EXPECT_EQ(ReadCounts("0"), 1);
  EXPECT_EQ(ReadCounts("-5"), 1);
  EXPECT_EQ(ReadCounts(" 300 "), 300);
  EXPECT_EQ(ReadCounts("1001"), 1000);
  EXPECT_EQ(ReadCounts("2.6"), 3);
  EXPECT_EQ(ReadCounts("abc"), std::nullopt);
  EXPECT_EQ(ReadCounts(""), std::nullopt);
  EXPECT_EQ(WindowLength(300), 255);
  EXPECT_EQ(WindowLength(255), 255);
}

class qgui_filter_Form : public ::testing::Test {
 protected:
  TAcquisitionState state;
  TChannelComputation computation{state};
  TInputFilters filters{state, computation};
};

TEST_F(qgui_filter_Form, AppliesToSelectedInput) {
  state.SelectedAnalog = 2;
  TFilterForm form(TFilterKind::Analog, filters, state);
  form.Fill();
  EXPECT_EQ(form.Title(), "Filter Analog Input 3");
  EXPECT_FALSE(form.GroupVisible());

  form.ChooseType(kFilterMovingAverage);
  ASSERT_TRUE(form.Apply(ReadCounts("300")));
  EXPECT_EQ(form.Period(), "6.00 s");
  EXPECT_EQ(filters.View(TFilterKind::Analog, 2).Counts, 300);
  EXPECT_EQ(filters.View(TFilterKind::Analog, 2).FilterType, kFilterMovingAverage);

  // An unreadable count leaves the filter in force and the form shows it again.
  form.ChooseType(kFilterExponential);
  EXPECT_FALSE(form.Apply(ReadCounts("x")));
  EXPECT_EQ(form.ChosenType(), kFilterMovingAverage);
  EXPECT_EQ(form.Caption(), "Averaging Period");

  state.SelectedAnalog = 99;  // out of range: the last input
  EXPECT_EQ(form.Input(), 7);
}

// A calibration dialog may select another input while the filter dialog is open: Apply and
// the texts stay with the input named in the title until the form is filled again.
TEST_F(qgui_filter_Form, StaysWithTheInputItShows) {
  state.SelectedRate = 1;
  TFilterForm form(TFilterKind::Rate, filters, state);
  filters.FilterRates({TRateResult{0, 0, 0, 7}, TRateResult{0, 0, 0, 9}, {}, {}, {}, {}});
  state.SelectedRate = 4;
  form.ChooseType(kFilterExponential);
  ASSERT_TRUE(form.Apply(ReadCounts("3")));
  EXPECT_EQ(form.Title(), "Filter Frequency Input 2");
  EXPECT_EQ(form.UnfilteredText(), "9.000");
  EXPECT_EQ(filters.View(TFilterKind::Rate, 1).FilterType, kFilterExponential);
  EXPECT_EQ(filters.View(TFilterKind::Rate, 4).FilterType, kFilterNone);

  form.SelectShownInput();
  EXPECT_EQ(state.SelectedRate, 1);
  state.SelectedRate = 0;
  form.Fill();
  EXPECT_EQ(form.Title(), "Filter Frequency Input 1");
  EXPECT_EQ(form.ChosenType(), kFilterNone);
}

TEST_F(qgui_filter_Form, DigitalLiveValuesShowOnOff) {
  state.SelectedDigital = 1;
  TFilterForm form(TFilterKind::Digital, filters, state);
  filters.FilterDigital({0, 1, 0, 0, 0, 0, 0, 0});
  EXPECT_EQ(form.UnfilteredText(), "On");
  EXPECT_EQ(form.FilteredText(), "On");
  filters.SetFilterDescription(TFilterKind::Digital, 1, "Pump running");
  EXPECT_EQ(form.Description(), "Pump running");
}

}  // namespace
}  // namespace quirlo::presentation
