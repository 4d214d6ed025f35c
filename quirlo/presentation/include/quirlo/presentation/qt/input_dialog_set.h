// TInputDialogSet: the input dialogs of the program, created once at start-up and kept to
// the end: the analog, digital and frequency calibration dialogs, their three filter
// dialogs and the Reset Value dialog.
//
// The set is how the dialogs reach each other (TInputDialogs) and how the rest of the
// program reaches them: the setup diagram and the channel assignment show them, the master
// timer refreshes their live values once a second, the main window opens the Reset Value
// dialog. A dialog opened by a link gets the window the linking dialog remembered, except
// when that window is the opened dialog itself, so two dialogs never send each other back
// and forth.
//
// With an owner window (the main window) the dialogs stay above it and do not keep the
// program running once it has closed; the set must then be destroyed before the owner.
//
// Threads: everything here runs on the Qt thread. The master timer's jobs run on its own
// thread; AttachTimer makes them post the refreshes through the dispatcher.
#pragma once

#include <QObject>
#include <QPointer>

#include "quirlo/acquisition/calibration.h"
#include "quirlo/acquisition/input_filters.h"
#include "quirlo/acquisition/timer_module.h"
#include "quirlo/platform/dispatcher.h"
#include "quirlo/presentation/qt/calibration_forms.h"
#include "quirlo/presentation/qt/filter_forms.h"
#include "quirlo/presentation/qt/input_dialogs.h"
#include "quirlo/presentation/qt/reset_value_form.h"

namespace quirlo::presentation {

class TInputDialogSet final : public QObject, public TInputDialogs {
  Q_OBJECT
 public:
  TInputDialogSet(acquisition::TAcquisitionState& state,
                  acquisition::TInputCalibration& calibration,
                  acquisition::TInputFilters& filters, UiService& ui,
                  TResetValueLogic& resetLogic, QWidget* owner = nullptr);
  ~TInputDialogSet() override;

  // TInputDialogs
  void ShowCalibration(TInputKind kind, QWidget* caller) override;
  void ShowFilter(TInputKind kind, QWidget* caller) override;

  void ShowAnalogCal(QWidget* caller) { ShowCalibration(TInputKind::Analog, caller); }
  void ShowDigitalCal(QWidget* caller) { ShowCalibration(TInputKind::Digital, caller); }
  void ShowRateCal(QWidget* caller) { ShowCalibration(TInputKind::Rate, caller); }
  // The selection is shared with the filter dialog, which follows when it shows.
  void SelectAnalog(int i) { Select(TInputKind::Analog, i); }
  void SelectDigital(int i) { Select(TInputKind::Digital, i); }
  void SelectRate(int i) { Select(TInputKind::Rate, i); }

  // Once a second: the calibration dialog's live values, then its filter dialog's.
  void RefreshAnalogDialog();
  void RefreshDigitalDialog();
  void RefreshRateDialog();
  // Points the timer's three dialog jobs at the Refresh calls above, posted to `dispatcher`
  // (the Qt thread's). A job posted after the set is gone is dropped.
  void AttachTimer(acquisition::TTimerHooks& hooks, Dispatcher& dispatcher);

  // The Reset Value dialog.
  void OpenResetDialog(int target) {
    if (reset_) reset_->OpenResetDialog(target);
  }
  void SetResetMode(const TResetFlags* flags, int mode) {
    if (reset_) reset_->SetResetMode(flags, mode);
  }
  double GetResetValue() const { return reset_->GetResetValue(); }
  // "&Reset All Totals".
  void ResetAllTotals();

  TCalibrationForm* Calibration(TInputKind kind) const;
  TFilterDialog* Filter(TInputKind kind) const;
  TAnalogForm* AnalogForm() const { return analog_; }
  TDigitalForm* DigitalForm() const { return digital_; }
  TRateForm* RateForm() const { return rate_; }
  TResetValueForm* ResetValueForm() const { return reset_; }

 private:
  void Refresh(TInputKind kind);
  void Select(TInputKind kind, int index);

  acquisition::TInputFilters& filters_;
  // Owned by the set; with an owner window Qt may delete them first, which the guarded
  // pointers notice.
  QPointer<TAnalogForm> analog_;
  QPointer<TDigitalForm> digital_;
  QPointer<TRateForm> rate_;
  QPointer<TAinFilter> ainFilter_;
  QPointer<TDinFilter> dinFilter_;
  QPointer<TFinFilter> finFilter_;
  QPointer<TResetValueForm> reset_;
};

}  // namespace quirlo::presentation
