// TNumEdit: a one-line numeric field. The number, its bounds and its decimals live in a
// TNumEditValue; this class only shows them and takes typed text back.
#pragma once

#include <QLineEdit>

#include "quirlo/presentation/numedit_value.h"

namespace quirlo::presentation {

class TNumEdit : public QLineEdit {
  Q_OBJECT
 public:
  explicit TNumEdit(QWidget* parent = nullptr);

  double Value() const { return value_.Value(); }
  double Min() const { return value_.Min(); }
  double Max() const { return value_.Max(); }
  int Decimals() const { return value_.Decimals(); }

  void SetValue(double v);
  void SetMin(double v);
  void SetMax(double v);
  void SetDecimals(int d);
  // Decimals by the magnitude of x, then value := x.
  void AutoSet(double x);

 signals:
  void valueChanged(double value);

 private:
  void Show();
  void TakeTypedText();

  TNumEditValue value_;
};

}  // namespace quirlo::presentation
