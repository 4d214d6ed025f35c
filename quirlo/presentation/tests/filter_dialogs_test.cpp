// The three filter dialogs on the offscreen platform: opening, Apply, the links and the
// return to the window they were opened from.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTest>
#include <vector>

#include "quirlo/presentation/qt/filter_forms.h"
#include "quirlo/presentation/qt/numedit.h"

namespace quirlo::presentation {
namespace {

using namespace quirlo::acquisition;

// Records what the dialogs ask of the set.
struct RecordingDialogs : TInputDialogs {
  struct Call {
    bool calibration;
    TInputKind kind;
    QWidget* caller;
  };
  std::vector<Call> calls;
  void ShowCalibration(TInputKind kind, QWidget* caller) override {
    calls.push_back({true, kind, caller});
  }
  void ShowFilter(TInputKind kind, QWidget* caller) override { calls.push_back({false, kind, caller}); }
};

// Stands in for the calibration dialog of the analog inputs (known by its class name).
class TAnalogForm : public QWidget {
  Q_OBJECT
};

template <class T>
T* Child(QWidget* w, const char* name) {
  T* c = w->findChild<T*>(name);
  EXPECT_NE(c, nullptr) << name;
  return c;
}

class QguiFilterDialogs : public ::testing::Test {
 protected:
  TAcquisitionState state;
  TChannelComputation computation{state};
  TInputFilters filters{state, computation};
  RecordingDialogs dialogs;
  QWidget caller;
};

TEST_F(QguiFilterDialogs, EachDialogOpensForTheSelectedInput) {
  state.SelectedAnalog = 1;
  state.SelectedRate = 5;
  state.SelectedDigital = 7;
  TAinFilter ain(filters, state, dialogs);
  TFinFilter fin(filters, state, dialogs);
  TDinFilter din(filters, state, dialogs);
  struct Row {
    TFilterDialog* dlg;
    const char* title;
    const char* apply;
    int choices;
  };
  for (const Row& r : {Row{&ain, "Filter Analog Input 2", "Apply", 4},
                       Row{&fin, "Filter Frequency Input 6", "Apply", 4},
                       Row{&din, "Filter Digital Input 8", "Calibrate", 2}}) {
    r.dlg->ShowFilterDialog(&caller);
    EXPECT_TRUE(r.dlg->isVisible());
    EXPECT_EQ(r.dlg->windowTitle(), r.title);
    EXPECT_EQ(Child<QPushButton>(r.dlg, "ApplyBtn")->text(), r.apply);
    auto* type = Child<QComboBox>(r.dlg, "FilterType");
    EXPECT_EQ(type->count(), r.choices);
    EXPECT_EQ(type->currentIndex(), 0);
    EXPECT_FALSE(Child<QGroupBox>(r.dlg, "Properties")->isVisible()) << "hidden for None";
  }
  auto* model = qobject_cast<QStandardItemModel*>(Child<QComboBox>(&fin, "FilterType")->model());
  ASSERT_NE(model, nullptr);
  EXPECT_EQ(model->item(3)->text(), "Butterworth");
  EXPECT_FALSE(model->item(3)->isEnabled());
}

TEST_F(QguiFilterDialogs, ApplyPutsChosenFilterInForceAndRefreshShowsValues) {
  state.SelectedAnalog = 0;
  TAinFilter ain(filters, state, dialogs);
  ain.ShowFilterDialog(nullptr);
  Child<QComboBox>(&ain, "FilterType")->setCurrentIndex(1);
  EXPECT_TRUE(Child<QGroupBox>(&ain, "Properties")->isVisible());
  auto* counts = Child<TNumEdit>(&ain, "Counts");
  counts->selectAll();
  QTest::keyClicks(counts, "300");
  EXPECT_EQ(Child<QLabel>(&ain, "Period")->text(), "6.00 s");
  Child<QComboBox>(&ain, "FilterType")->setCurrentIndex(2);
  EXPECT_EQ(Child<QLabel>(&ain, "PeriodCaption")->text(), "Smoothing Constant");
  Child<QComboBox>(&ain, "FilterType")->setCurrentIndex(1);

  QTest::mouseClick(Child<QPushButton>(&ain, "ApplyBtn"), Qt::LeftButton);
  EXPECT_EQ(filters.View(TFilterKind::Analog, 0).FilterType, kFilterMovingAverage);
  EXPECT_EQ(filters.View(TFilterKind::Analog, 0).Counts, 300);

  filters.FilterAnalog({2.5, 0, 0, 0, 0, 0, 0, 0});
  ain.RefreshFilterDialog();
  EXPECT_EQ(Child<QLabel>(&ain, "Unfiltered")->text(), "2.500");
}

TEST_F(QguiFilterDialogs, LinksApplyHideAndPassTheRememberedWindow) {
  TDinFilter din(filters, state, dialogs);
  caller.show();
  din.ShowFilterDialog(&caller);
  EXPECT_EQ(din.findChild<QPushButton*>("GoToDigital"), nullptr) << "no link to itself";
  Child<QComboBox>(&din, "FilterType")->setCurrentIndex(1);
  QTest::mouseClick(Child<QPushButton>(&din, "GoToRate"), Qt::LeftButton);
  EXPECT_FALSE(din.isVisible());
  EXPECT_EQ(filters.View(TFilterKind::Digital, 0).FilterType, kFilterDebounce);
  ASSERT_EQ(dialogs.calls.size(), 1u);
  EXPECT_FALSE(dialogs.calls[0].calibration);
  EXPECT_EQ(dialogs.calls[0].kind, TInputKind::Rate);
  EXPECT_EQ(dialogs.calls[0].caller, &caller);
  EXPECT_EQ(Child<QPushButton>(&din, "GoToRate")->text(), "Go To\nFrequency Inputs");

  // From a dialog opened by the calibration dialog itself, no window is passed back to it.
  TAnalogForm calibration;
  TAinFilter ain(filters, state, dialogs);
  ain.ShowFilterDialog(&calibration);
  QTest::mouseClick(Child<QPushButton>(&ain, "CalibrateThisInput"), Qt::LeftButton);
  ASSERT_EQ(dialogs.calls.size(), 2u);
  EXPECT_TRUE(dialogs.calls[1].calibration);
  EXPECT_EQ(dialogs.calls[1].kind, TInputKind::Analog);
  EXPECT_EQ(dialogs.calls[1].caller, nullptr);
}

// The analog calibration dialog, open beside the filter dialog, selects another input.
TEST_F(QguiFilterDialogs, ApplyAndCalibrateThisInputStayWithTheShownInput) {
  state.SelectedAnalog = 0;
  TAinFilter ain(filters, state, dialogs);
  ain.ShowFilterDialog(&caller);
  state.SelectedAnalog = 3;
  Child<QComboBox>(&ain, "FilterType")->setCurrentIndex(2);
  QTest::mouseClick(Child<QPushButton>(&ain, "ApplyBtn"), Qt::LeftButton);
  EXPECT_EQ(ain.windowTitle().toStdString(), "Filter Analog Input 1");
  EXPECT_EQ(filters.View(TFilterKind::Analog, 0).FilterType, kFilterExponential);
  EXPECT_EQ(filters.View(TFilterKind::Analog, 3).FilterType, kFilterNone);
  EXPECT_EQ(Child<QComboBox>(&ain, "FilterType")->currentIndex(), 2);

  QTest::mouseClick(Child<QPushButton>(&ain, "CalibrateThisInput"), Qt::LeftButton);
  EXPECT_EQ(state.SelectedAnalog, 0) << "the calibration dialog opens on input 1";
  ASSERT_EQ(dialogs.calls.size(), 1u);
  EXPECT_TRUE(dialogs.calls[0].calibration);
}

// A count that cannot be read refuses Apply; "Done" and the links then leave the dialog
// open with the filter in force shown again, as the calibration dialogs do.
TEST_F(QguiFilterDialogs, RefusedApplyKeepsTheDialogOpen) {
  TAinFilter ain(filters, state, dialogs);
  ain.ShowFilterDialog(&caller);
  caller.hide();
  for (const char* button : {"DoneBtn", "GoToRate", "CalibrateThisInput"}) {
    SCOPED_TRACE(button);
    Child<QComboBox>(&ain, "FilterType")->setCurrentIndex(1);
    Child<TNumEdit>(&ain, "Counts")->setText("");
    QTest::mouseClick(Child<QPushButton>(&ain, button), Qt::LeftButton);
    EXPECT_TRUE(ain.isVisible());
    EXPECT_FALSE(caller.isVisible());
    EXPECT_EQ(Child<QComboBox>(&ain, "FilterType")->currentIndex(), 0);
  }
  EXPECT_TRUE(dialogs.calls.empty());
  EXPECT_EQ(filters.View(TFilterKind::Analog, 0).FilterType, kFilterNone);
}

TEST_F(QguiFilterDialogs, DoneAppliesAndShowsTheCallerAgain) {
  TFinFilter fin(filters, state, dialogs);
  fin.ShowFilterDialog(&caller);
  caller.hide();
  Child<QComboBox>(&fin, "FilterType")->setCurrentIndex(2);
  QTest::mouseClick(Child<QPushButton>(&fin, "DoneBtn"), Qt::LeftButton);
  EXPECT_FALSE(fin.isVisible());
  EXPECT_TRUE(caller.isVisible());
  EXPECT_EQ(filters.View(TFilterKind::Rate, 0).FilterType, kFilterExponential);

  // Closing without Done does not apply but still returns to the caller.
  caller.hide();
  fin.ShowFilterDialog(&caller);
  Child<QComboBox>(&fin, "FilterType")->setCurrentIndex(0);
  fin.close();
  EXPECT_TRUE(caller.isVisible());
  EXPECT_EQ(filters.View(TFilterKind::Rate, 0).FilterType, kFilterExponential);
}

}  // namespace
}  // namespace quirlo::presentation

#include "filter_dialogs_test.moc"
