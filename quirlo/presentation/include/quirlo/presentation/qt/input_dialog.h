// TInputDialog: asks the user for one line of text.
//
// Callers convert the answer straight into a number or a name, so every way out of the dialog
// other than OK (Cancel, Escape, closing it, or switching to another window) gives back the
// default text: the caller then simply keeps its previous value.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace quirlo::presentation {

class TInputDialog : public QDialog {
  Q_OBJECT
 public:
  // owner: the window the dialog is centred on; nullptr takes the active window.
  explicit TInputDialog(QWidget* owner = nullptr);

  QString Ask(const QString& title, const QString& prompt, const QString& defaultText);
  // True when the last Ask ended with OK.
  bool Accepted() const { return accepted_; }

  QLabel* Label() const { return label_; }
  QLineEdit* Edit() const { return edit_; }
  QPushButton* OKBtn() const { return okBtn_; }
  QPushButton* CancelBtn() const { return cancelBtn_; }

 protected:
  bool event(QEvent* e) override;

 private:
  QLabel* label_;
  QLineEdit* edit_;
  QPushButton* okBtn_;
  QPushButton* cancelBtn_;
  bool accepted_ = false;
};

}  // namespace quirlo::presentation
