// The calibration dialogs of the three input kinds: TAnalogForm, TDigitalForm and TRateForm.
// Each shows the selected input of its kind; the rules live in calibration_forms.h, these
// classes only show them.
//
// Navigation: ShowCalibration(caller) shows the dialog and remembers `caller`, which is
// shown again when the dialog closes ("Done", the close box, Escape). The links first run
// "Calibrate", then hide the dialog and ask the dialog set to show another dialog with the
// same remembered window (the set drops it when it is that very dialog).
#pragma once

#include <QDialog>
#include <QPointer>
#include <atomic>
#include <functional>
#include <string>

#include "quirlo/acquisition/calibration.h"
#include "quirlo/presentation/calibration_forms.h"
#include "quirlo/presentation/qt/input_dialogs.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QVBoxLayout;

namespace quirlo::presentation {

class TNumEdit;

// Gives a description that "Calibrate" stored to the filter dialog of the same input.
using TDescriptionSink = std::function<void(TInputKind kind, int index, const std::string&)>;

class TCalibrationForm : public QDialog {
  Q_OBJECT
 public:
  void ShowCalibration(QWidget* caller);
  // Selects input `index` of this kind (shared with the filter dialog) and refills.
  void SelectInput(int index);
  int SelectedInput() const;
  // If visible: the selected input's live raw and calibrated values.
  void RefreshLive();
  // "Calibrate": false when nothing was stored (the user has been told why).
  virtual bool CalibrateClick() = 0;
  // All controls from the selected input's record.
  virtual void FillFromRecord() = 0;

  TInputKind InputKind() const { return kind_; }
  QWidget* Caller() const { return caller_; }
  void SetDescriptionSink(TDescriptionSink sink) { describe_ = std::move(sink); }

 protected:
  TCalibrationForm(TInputKind kind, acquisition::TInputCalibration& calibration,
                   acquisition::TAcquisitionState& state, UiService& ui,
                   TInputDialogs& dialogs, QWidget* parent);
  void done(int result) override;

  // Builds the rows every kind shares around `pages`: input choice, description, live
  // values, Calibrate and Done, and the links to the other kinds and the filter.
  void Build(QWidget* pages, int descriptionLength);
  virtual TLiveTexts Live() const = 0;
  // Caption and input choice for the selected input.
  void FillHead();
  // The edits of numbers are plain text fields, read only by "Calibrate": a text that is
  // not a number then gets its message instead of silently falling back to the old value.
  static QLineEdit* NumberField(const char* name, QWidget* parent);
  static void ShowNumber(QLineEdit* edit, double x);
  // A number field's text with the locale's decimal point as '.'.
  static std::string Typed(const QLineEdit* edit);
  void Described(const std::string& description);

  acquisition::TInputCalibration& cal_;
  acquisition::TAcquisitionState& state_;
  UiService& ui_;
  QLineEdit* description_ = nullptr;

 private:
  void GoTo(TInputKind kind);
  void FilterThisInput();
  std::atomic<int>& Selection() const;

  TInputKind kind_;
  TInputDialogs& dialogs_;
  TDescriptionSink describe_;
  QPointer<QWidget> caller_;
  QComboBox* input_ = nullptr;
  TNumEdit* raw_ = nullptr;
  QLineEdit* calibrated_ = nullptr;
};

class TAnalogForm : public TCalibrationForm {
  Q_OBJECT
 public:
  TAnalogForm(acquisition::TInputCalibration& calibration, acquisition::TAcquisitionState& state,
              UiService& ui, TInputDialogs& dialogs, QWidget* parent = nullptr);
  bool CalibrateClick() override;
  void FillFromRecord() override;
  TAnalogPage Page() const;
  void SetPage(TAnalogPage page);

 private:
  TLiveTexts Live() const override;
  void ShowFields(const TAnalogFields& f);
  void GetRawCounts(QLineEdit* into);

  QTabWidget* pages_ = nullptr;
  QComboBox* range_ = nullptr;
  QLineEdit* lowDisplay_ = nullptr;
  QLineEdit* highDisplay_ = nullptr;
  QLineEdit* offset_ = nullptr;
  QLineEdit* gain_ = nullptr;
  QLineEdit* lowCounts_ = nullptr;
  QLineEdit* highCounts_ = nullptr;
  QLineEdit* lowValue_ = nullptr;
  QLineEdit* highValue_ = nullptr;
  QLineEdit* tare_ = nullptr;
};

class TDigitalForm : public TCalibrationForm {
  Q_OBJECT
 public:
  TDigitalForm(acquisition::TInputCalibration& calibration,
               acquisition::TAcquisitionState& state, UiService& ui, TInputDialogs& dialogs,
               QWidget* parent = nullptr);
  bool CalibrateClick() override;
  void FillFromRecord() override;

 private:
  TLiveTexts Live() const override;

  QRadioButton* high_ = nullptr;
  QRadioButton* low_ = nullptr;
};

class TRateForm : public TCalibrationForm {
  Q_OBJECT
 public:
  TRateForm(acquisition::TInputCalibration& calibration, acquisition::TAcquisitionState& state,
            UiService& ui, TInputDialogs& dialogs, QWidget* parent = nullptr);
  bool CalibrateClick() override;
  void FillFromRecord() override;
  // "Auto-Scale".
  void AutoScaleClick();

 private:
  TLiveTexts Live() const override;
  TRateFields Fields() const;
  void ShowFields(const TRateFields& f);

  QLineEdit* kFactor_ = nullptr;
  QComboBox* timebase_ = nullptr;
  QCheckBox* quadrature_ = nullptr;
};

}  // namespace quirlo::presentation
