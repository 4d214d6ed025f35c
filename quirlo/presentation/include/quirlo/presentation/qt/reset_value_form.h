// TResetValueForm: the "Reset Value" dialog. The rules are TResetValueLogic's; this window
// shows its heading, field and "Reset to Zero" box and passes the user's actions on.
//
// It is shown without blocking: a caller opens it with OpenResetDialog and then sets the
// mode with SetResetMode, and the reset happens when the user presses "Reset".
#pragma once

#include <QDialog>

#include "quirlo/presentation/reset_value.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace quirlo::presentation {

class TResetValueForm : public QDialog {
  Q_OBJECT
 public:
  explicit TResetValueForm(TResetValueLogic& logic, QWidget* parent = nullptr);

  void OpenResetDialog(int target);
  void SetResetMode(const TResetFlags* flags, int mode) { logic_.SetResetMode(flags, mode); }
  double GetResetValue() const { return logic_.GetResetValue(); }
  TResetValueLogic& Logic() { return logic_; }

  void ResetClick();

 private:
  void ShowLogic();

  TResetValueLogic& logic_;
  QLabel* heading_;
  QLineEdit* value_;
  QCheckBox* toZero_;
};

}  // namespace quirlo::presentation
