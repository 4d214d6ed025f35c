// The calibration dialogs, the Reset Value dialog and their set on the offscreen platform:
// each dialog opens for the selected input, Calibrate runs through the widgets, links keep
// the remembered window, the timer's refreshes arrive through the dispatcher.
#include "quirlo/presentation/qt/input_dialog_set.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

#include "quirlo/presentation/qt/numedit.h"

namespace quirlo::presentation {
namespace {

namespace acq = quirlo::acquisition;

template <class T>
T* Child(QWidget* w, const char* name) {
  T* c = w->findChild<T*>(name);
  EXPECT_NE(c, nullptr) << name;
  return c;
}

void Click(QWidget* w, const char* button) {
  QPushButton* b = Child<QPushButton>(w, button);
  ASSERT_NE(b, nullptr);
  b->click();
}

void Type(QWidget* w, const char* field, const QString& text) {
  QLineEdit* e = Child<QLineEdit>(w, field);
  ASSERT_NE(e, nullptr);
  e->setText(text);
}

class QguiInputDialogSet : public testing::Test {
 protected:
  acq::TAcquisitionState state;
  acq::TChannelComputation computation{state};
  acq::TInputCalibration cal{state};
  acq::TInputFilters filters{state, computation};
  ScriptedUiService ui;
  TComputationResets resets{state, computation, {}};
  TResetValueLogic resetLogic{ui, resets, ChannelInfoOf(state)};
  TInputDialogSet set{state, cal, filters, ui, resetLogic};
  QWidget setup;  // the window the dialogs are opened from
};

TEST_F(QguiInputDialogSet, EachDialogOpensForTheSelectedInput) {
  set.SelectAnalog(2);
  set.SelectDigital(6);
  set.SelectRate(5);
  set.ShowAnalogCal(&setup);
  set.ShowDigitalCal(&setup);
  set.ShowRateCal(&setup);
  EXPECT_EQ(set.AnalogForm()->windowTitle(), "Calibrate Analog Input 3");
  EXPECT_EQ(set.DigitalForm()->windowTitle(), "Calibrate Digital Input 7");
  EXPECT_EQ(set.RateForm()->windowTitle(), "Calibrate Frequency Input 6");
  EXPECT_EQ(state.SelectedAnalog.load(), 2);

  auto* pages = Child<QTabWidget>(set.AnalogForm(), "Pages");
  ASSERT_EQ(pages->count(), 4);
  EXPECT_EQ(pages->tabText(0), " Fixed Scale");
  EXPECT_FALSE(pages->isTabVisible(1));
  EXPECT_EQ(pages->tabText(1), "Gain && Offset");
  EXPECT_EQ(pages->tabText(2), " Auto Scale");
  EXPECT_EQ(pages->tabText(3), "  Zero / Tare");

  // "Active" may be chosen for inputs 7 and 8 only.
  EXPECT_TRUE(Child<QRadioButton>(set.DigitalForm(), "Low")->isEnabled());
  set.SelectDigital(2);
  EXPECT_FALSE(Child<QRadioButton>(set.DigitalForm(), "Low")->isEnabled());
  EXPECT_TRUE(Child<QRadioButton>(set.DigitalForm(), "Low")->isChecked());
  EXPECT_EQ(set.DigitalForm()->windowTitle(), "Calibrate Digital Input 3");

  // A filter dialog on screen follows the selection it shares.
  set.ShowFilter(TInputKind::Analog, &setup);
  set.SelectAnalog(4);
  EXPECT_EQ(set.Filter(TInputKind::Analog)->windowTitle(), "Filter Analog Input 5");
}

TEST_F(QguiInputDialogSet, AutoScaleCalibrateThroughTheWidgets) {
  acq::TAnalogFrame frame{};
  frame.Reading[1] = 1000 * 16;  // count 1000
  cal.ProcessAnalogFrame(frame);
  set.SelectAnalog(1);
  set.ShowAnalogCal(&setup);
  TAnalogForm* form = set.AnalogForm();
  form->SetPage(TAnalogPage::AutoScale);
  Click(form, "GetLowCounts");
  EXPECT_EQ(Child<QLineEdit>(form, "LowCounts")->text(), "1000");
  Type(form, "LowValue", "10");
  Type(form, "HighCounts", "3000");
  Type(form, "HighValue", "50");
  Type(form, "Description", "Tank level");
  Click(form, "CalibrateBtn");
  const acq::TAnalogCal rec = cal.AnalogRecord(1);
  EXPECT_NEAR(rec.C1, 0.02, 1e-12);
  EXPECT_NEAR(rec.C0, -10, 1e-9);
  EXPECT_EQ(acq::DescriptionText(rec.Description), "Tank level");
  EXPECT_EQ(filters.View(acq::TFilterKind::Analog, 1).Description, "Tank level");
  EXPECT_EQ(Child<QLineEdit>(form, "Offset")->text(), "-10.00");
  EXPECT_TRUE(ui.Calls().empty());

  // "Done" with a text that is not a number: a message, nothing stored, the dialog stays.
  Type(form, "HighValue", "fifty");
  Click(form, "DoneBtn");
  ASSERT_EQ(ui.Calls().size(), 1u);
  EXPECT_EQ(ui.Calls()[0].text, "'fifty' is not a valid number.");
  EXPECT_TRUE(form->isVisible());
  EXPECT_NEAR(cal.AnalogRecord(1).C0, -10, 1e-9);

  // Zero / Tare: the present value becomes the tare value; the page starts again from 0
  // when it is shown next.
  Type(form, "HighValue", "50");
  form->SetPage(TAnalogPage::ZeroTare);
  Type(form, "TareValue", "20");
  Click(form, "CalibrateBtn");
  EXPECT_NEAR(cal.AnalogRecord(1).C0, 10, 1e-9);  // 1000 counts read 10, now 20
  EXPECT_EQ(Child<QLineEdit>(form, "TareValue")->text(), "20.00");
  form->SetPage(TAnalogPage::FixedScale);
  form->SetPage(TAnalogPage::ZeroTare);
  EXPECT_EQ(Child<QLineEdit>(form, "TareValue")->text(), "0");
  form->SetPage(TAnalogPage::AutoScale);

  setup.hide();
  Click(form, "DoneBtn");
  EXPECT_FALSE(form->isVisible());
  EXPECT_TRUE(setup.isVisible());  // shown again on close
}

TEST_F(QguiInputDialogSet, LinksKeepTheRememberedWindowButNeverTheOpenedDialog) {
  set.ShowAnalogCal(&setup);
  Click(set.AnalogForm(), "GoToDigital");
  EXPECT_FALSE(set.AnalogForm()->isVisible());
  EXPECT_TRUE(set.DigitalForm()->isVisible());
  EXPECT_EQ(set.DigitalForm()->Caller(), &setup);

  Click(set.DigitalForm(), "FilterThisInput");
  EXPECT_TRUE(set.Filter(TInputKind::Digital)->isVisible());
  EXPECT_EQ(set.Filter(TInputKind::Digital)->Caller(), &setup);

  // Opened from its own filter dialog, "Filter This Input" must not send the user back to
  // a filter dialog that would then return here.
  TFilterDialog* ain = set.Filter(TInputKind::Analog);
  set.ShowAnalogCal(ain);
  EXPECT_EQ(set.AnalogForm()->Caller(), ain);
  Click(set.AnalogForm(), "FilterThisInput");
  EXPECT_TRUE(ain->isVisible());
  EXPECT_EQ(ain->Caller(), nullptr);
}

TEST_F(QguiInputDialogSet, RateAutoScaleThroughTheWidgets) {
  acq::TRateFrame frame{};
  frame.Frequency[0] = 50;
  cal.ProcessRateFrame(frame);
  set.ShowRateCal(&setup);
  TRateForm* form = set.RateForm();
  Child<QComboBox>(form, "Timebase")->setCurrentIndex(2);
  ui.PushInput(true, "2");
  Click(form, "AutoScaleBtn");
  EXPECT_EQ(cal.RateRecord(0).KFactor, 25);
  EXPECT_EQ(Child<QComboBox>(form, "Timebase")->currentText(), "Second");
  EXPECT_EQ(Child<QLineEdit>(form, "KFactor")->text(), "25.00");
}

TEST_F(QguiInputDialogSet, TimerRefreshArrivesThroughTheDispatcher) {
  acq::TAnalogFrame frame{};
  frame.Reading[0] = 2000 * 16;
  cal.ProcessAnalogFrame(frame);
  set.ShowAnalogCal(&setup);
  Child<TNumEdit>(set.AnalogForm(), "RawValue")->SetValue(0);
  acq::TTimerHooks hooks;
  QueuedDispatcher dispatcher;
  set.AttachTimer(hooks, dispatcher);
  hooks.refreshAnalogDialogs();  // as on the timer thread: nothing touches a widget yet
  EXPECT_EQ(Child<TNumEdit>(set.AnalogForm(), "RawValue")->Value(), 0);
  EXPECT_EQ(dispatcher.RunPending(), 1u);
  EXPECT_EQ(Child<TNumEdit>(set.AnalogForm(), "RawValue")->Value(), 2000);
}

TEST_F(QguiInputDialogSet, ResetValueDialogFromResetAllTotals) {
  TResetValueForm* form = set.ResetValueForm();
  set.ResetAllTotals();
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(form->windowTitle(), "Reset Value");
  EXPECT_EQ(Child<QLabel>(form, "Heading")->text(), "Reset all total channels to value below.");
  auto* toZero = Child<QCheckBox>(form, "ResetToZero");
  EXPECT_TRUE(toZero->isChecked());

  auto* value = Child<QLineEdit>(form, "Value");
  value->setFocus();
  value->selectAll();
  QTest::keyClicks(value, "12");
  EXPECT_FALSE(toZero->isChecked());

  state.State.RestartTime = 0;
  state.State.ResetPending.fill(0);
  Click(form, "ResetBtn");
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(set.GetResetValue(), 12);
  EXPECT_EQ(state.State.RestartTime, 1);
  EXPECT_EQ(state.State.ResetPending[23], 1);
}

TEST(QguiInputDialogSetOwner, DialogsStayAboveTheOwnerWhichMayGoFirst) {
  acq::TAcquisitionState state;
  acq::TChannelComputation computation{state};
  acq::TInputCalibration cal{state};
  acq::TInputFilters filters{state, computation};
  ScriptedUiService ui;
  TComputationResets resets{state, computation, {}};
  TResetValueLogic resetLogic{ui, resets, ChannelInfoOf(state)};
  auto* owner = new QWidget;
  TInputDialogSet set{state, cal, filters, ui, resetLogic, owner};
  EXPECT_EQ(set.AnalogForm()->parentWidget(), owner);
  EXPECT_TRUE(set.AnalogForm()->isWindow());
  acq::TTimerHooks hooks;
  QueuedDispatcher dispatcher;
  set.AttachTimer(hooks, dispatcher);
  hooks.refreshAnalogDialogs();  // queued while the dialogs still exist
  delete owner;  // the set then holds no dialog and its end deletes nothing twice
  EXPECT_EQ(set.AnalogForm(), nullptr);

  // What still reaches the set finds no dialog and does nothing.
  EXPECT_EQ(dispatcher.RunPending(), 1u);
  set.SelectAnalog(1);
  set.RefreshRateDialog();
  QWidget setup;
  set.ShowDigitalCal(&setup);
  set.ShowFilter(TInputKind::Rate, &setup);
  set.ResetAllTotals();
}

}  // namespace
}  // namespace quirlo::presentation
