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
                                 TResetValueLogic& resetLogic)
    : filters_(filters) {
  // The dialogs are top-level windows owned by the set alone.
  analog_ = std::make_unique<TAnalogForm>(cal, state, ui, *this);
  digital_ = std::make_unique<TDigitalForm>(cal, state, ui, *this);
  rate_ = std::make_unique<TRateForm>(cal, state, ui, *this);
  ainFilter_ = std::make_unique<TAinFilter>(filters, state, *this);
  dinFilter_ = std::make_unique<TDinFilter>(filters, state, *this);
  finFilter_ = std::make_unique<TFinFilter>(filters, state, *this);
  reset_ = std::make_unique<TResetValueForm>(resetLogic);

  // A description stored by "Calibrate" is the filter record's too.
  const TDescriptionSink describe = [this](TInputKind kind, int index, const std::string& text) {
    filters_.SetFilterDescription(FilterKindOf(kind), index, text);
    if (TFilterDialog* f = Filter(kind); f && f->isVisible()) f->FillFromRecord();
  };
  for (TCalibrationForm* form : {static_cast<TCalibrationForm*>(analog_.get()),
                                 static_cast<TCalibrationForm*>(digital_.get()),
                                 static_cast<TCalibrationForm*>(rate_.get())})
    form->SetDescriptionSink(describe);
}

TInputDialogSet::~TInputDialogSet() = default;

TCalibrationForm* TInputDialogSet::Calibration(TInputKind kind) const {
  switch (kind) {
    case TInputKind::Analog: return analog_.get();
    case TInputKind::Digital: return digital_.get();
    case TInputKind::Rate: break;
  }
  return rate_.get();
}

TFilterDialog* TInputDialogSet::Filter(TInputKind kind) const {
  switch (kind) {
    case TInputKind::Analog: return ainFilter_.get();
    case TInputKind::Digital: return dinFilter_.get();
    case TInputKind::Rate: break;
  }
  return finFilter_.get();
}

void TInputDialogSet::ShowCalibration(TInputKind kind, QWidget* caller) {
  TCalibrationForm* form = Calibration(kind);
  form->ShowCalibration(LinkCaller(caller, form));
}

void TInputDialogSet::ShowFilter(TInputKind kind, QWidget* caller) {
  TFilterDialog* dialog = Filter(kind);
  dialog->ShowFilterDialog(LinkCaller(caller, dialog));
}

void TInputDialogSet::Refresh(TInputKind kind) {
  Calibration(kind)->RefreshLive();
  Filter(kind)->RefreshFilterDialog();
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
  reset_->OpenResetDialog(kResetAllTotals);
  reset_->SetResetMode(nullptr, kResetModeAll);
}

}  // namespace quirlo::presentation
