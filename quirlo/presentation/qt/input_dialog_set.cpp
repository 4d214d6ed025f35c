#include "quirlo/presentation/qt/input_dialog_set.h"

#include <QPointer>

namespace quirlo::presentation {

namespace acq = quirlo::acquisition;

namespace {
acq::TFilterKind FilterKindOf(TInputKind kind) {
  switch (kind) {
    case TInputKind::Analog: return acq::TFilterKind::Analog;
    case TInputKind::Digital: return acq::TFilterKind::Digital;
    case TInputKind::Rate: break;
  }
  return acq::TFilterKind::Rate;
}
}  // namespace

TInputDialogSet::TInputDialogSet(acq::TAcquisitionState& state, acq::TInputCalibration& cal,
                                 acq::TInputFilters& filters, UiService& ui,
                                 TResetValueLogic& resetLogic, QWidget* owner)
    : filters_(filters) {
  analog_ = new TAnalogForm(cal, state, ui, *this, owner);
  digital_ = new TDigitalForm(cal, state, ui, *this, owner);
  rate_ = new TRateForm(cal, state, ui, *this, owner);
  ainFilter_ = new TAinFilter(filters, state, *this, owner);
  dinFilter_ = new TDinFilter(filters, state, *this, owner);
  finFilter_ = new TFinFilter(filters, state, *this, owner);
  reset_ = new TResetValueForm(resetLogic, owner);

  // A description stored by "Calibrate" is the filter record's too. An open filter dialog
  // shows it at once; its unapplied choices stay as the user left them.
  const TDescriptionSink describe = [this](TInputKind kind, int index, const std::string& text) {
    filters_.SetFilterDescription(FilterKindOf(kind), index, text);
    if (TFilterDialog* f = Filter(kind)) f->RefreshFilterDialog();
  };
  analog_->SetDescriptionSink(describe);
  digital_->SetDescriptionSink(describe);
  rate_->SetDescriptionSink(describe);
}

TInputDialogSet::~TInputDialogSet() {
  // A dialog its owner window has already deleted is null here.
  delete reset_.data();
  delete finFilter_.data();
  delete dinFilter_.data();
  delete ainFilter_.data();
  delete rate_.data();
  delete digital_.data();
  delete analog_.data();
}

TCalibrationForm* TInputDialogSet::Calibration(TInputKind kind) const {
  switch (kind) {
    case TInputKind::Analog: return analog_.data();
    case TInputKind::Digital: return digital_.data();
    case TInputKind::Rate: break;
  }
  return rate_.data();
}

TFilterDialog* TInputDialogSet::Filter(TInputKind kind) const {
  switch (kind) {
    case TInputKind::Analog: return ainFilter_.data();
    case TInputKind::Digital: return dinFilter_.data();
    case TInputKind::Rate: break;
  }
  return finFilter_.data();
}

// Every call below checks its dialog: once the owner window has deleted the dialogs, a
// refresh still queued by the master timer or a late command finds nothing to do.
void TInputDialogSet::ShowCalibration(TInputKind kind, QWidget* caller) {
  if (TCalibrationForm* form = Calibration(kind)) form->ShowCalibration(LinkCaller(caller, form));
}

void TInputDialogSet::ShowFilter(TInputKind kind, QWidget* caller) {
  if (TFilterDialog* dialog = Filter(kind)) dialog->ShowFilterDialog(LinkCaller(caller, dialog));
}

void TInputDialogSet::Select(TInputKind kind, int index) {
  if (TCalibrationForm* form = Calibration(kind)) form->SelectInput(index);
  if (TFilterDialog* f = Filter(kind); f && f->isVisible()) f->FillFromRecord();
}

void TInputDialogSet::Refresh(TInputKind kind) {
  if (TCalibrationForm* form = Calibration(kind)) form->RefreshLive();
  if (TFilterDialog* f = Filter(kind)) f->RefreshFilterDialog();
}

void TInputDialogSet::RefreshAnalogDialog() { Refresh(TInputKind::Analog); }
void TInputDialogSet::RefreshDigitalDialog() { Refresh(TInputKind::Digital); }
void TInputDialogSet::RefreshRateDialog() { Refresh(TInputKind::Rate); }

void TInputDialogSet::AttachTimer(acq::TTimerHooks& hooks, Dispatcher& dispatcher) {
  const QPointer<TInputDialogSet> self(this);
  auto post = [self, &dispatcher](TInputKind kind) {
    return [self, &dispatcher, kind] {
      dispatcher.Post([self, kind] {
        if (self) self->Refresh(kind);
      });
    };
  };
  hooks.refreshAnalogDialogs = post(TInputKind::Analog);
  hooks.refreshDigitalDialogs = post(TInputKind::Digital);
  hooks.refreshRateDialogs = post(TInputKind::Rate);
}

void TInputDialogSet::ResetAllTotals() {
  if (!reset_) return;
  reset_->OpenResetDialog(kResetAllTotals);
  reset_->SetResetMode(nullptr, kResetModeAll);
}

}  // namespace quirlo::presentation
