// The filter dialogs of the three input kinds: TAinFilter (analog), TFinFilter (frequency)
// and TDinFilter (digital). Each edits the filter of the selected input of its kind; the
// logic lives in TFilterForm, these classes only show it.
//
// Navigation: ShowFilterDialog(caller) shows the dialog and remembers `caller`, which is
// shown again when the dialog closes ("Done", the close box, Escape). The links run Apply
// and, once it is taken, hide the dialog and show another dialog of the set with the same
// remembered window;
// "Calibrate This Input" passes no window when the calibration dialog is itself the
// remembered one, so that two dialogs never send each other back and forth.
#pragma once

#include <QDialog>
#include <QPointer>

#include "quirlo/presentation/filter_form.h"
#include "quirlo/presentation/qt/input_dialogs.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace quirlo::presentation {

class TNumEdit;

class TFilterDialog : public QDialog {
  Q_OBJECT
 public:
  // Shows the dialog for the selected input; `caller` (may be null) is shown on close.
  void ShowFilterDialog(QWidget* caller);
  // If visible: the shown input's unfiltered and filtered values and its description.
  void RefreshFilterDialog();
  // Takes the selected input and its type, count and texts from its record again (after
  // SelectAnalog and its kin, or a new description).
  void FillFromRecord();

  TFilterForm& Form() { return form_; }
  QWidget* Caller() const { return caller_; }
  TInputKind InputKind() const;

  // "Apply" ("Calibrate" on the digital dialog) on the input the dialog shows; false when
  // the count could not be read. "Done" and the links go on only after a true.
  bool ApplyClick();

 protected:
  TFilterDialog(TFilterKind kind, acquisition::TInputFilters& filters,
                acquisition::TAcquisitionState& state, TInputDialogs& dialogs, QWidget* parent);
  void done(int result) override;

 private:
  void Build();
  // Title, type, count, period and live values of the input the form shows.
  void ShowRecord();
  void TypeChosen(int comboIndex);
  void CountsEdited();
  void ShowProperties();
  void ShowLiveValues();
  void GoTo(TInputKind kind);
  void CalibrateThisInput();

  TFilterForm form_;
  TInputDialogs& dialogs_;
  QPointer<QWidget> caller_;

  QLabel* description_ = nullptr;
  QComboBox* type_ = nullptr;
  QGroupBox* properties_ = nullptr;
  TNumEdit* counts_ = nullptr;
  QLabel* periodCaption_ = nullptr;
  QLabel* period_ = nullptr;
  QLabel* unfiltered_ = nullptr;
  QLabel* filtered_ = nullptr;
};

class TAinFilter : public TFilterDialog {
  Q_OBJECT
 public:
  TAinFilter(acquisition::TInputFilters& filters, acquisition::TAcquisitionState& state,
             TInputDialogs& dialogs, QWidget* parent = nullptr);
};

class TFinFilter : public TFilterDialog {
  Q_OBJECT
 public:
  TFinFilter(acquisition::TInputFilters& filters, acquisition::TAcquisitionState& state,
             TInputDialogs& dialogs, QWidget* parent = nullptr);
};

class TDinFilter : public TFilterDialog {
  Q_OBJECT
 public:
  TDinFilter(acquisition::TInputFilters& filters, acquisition::TAcquisitionState& state,
             TInputDialogs& dialogs, QWidget* parent = nullptr);
};

}  // namespace quirlo::presentation
