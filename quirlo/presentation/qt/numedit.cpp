#include "quirlo/presentation/qt/numedit.h"

#include <QLocale>
#include <QPalette>

namespace quirlo::presentation {

namespace {
char DecimalSeparator() {
  const QString point = QLocale().decimalPoint();
  return point.size() == 1 && point[0].unicode() < 128 ? char(point[0].unicode()) : '.';
}
}  // namespace

TNumEdit::TNumEdit(QWidget* parent) : QLineEdit(parent) {
  QPalette pal = palette();
  pal.setColor(QPalette::Base, Qt::white);
  pal.setColor(QPalette::Text, Qt::black);
  setPalette(pal);
  QFont f = font();
  f.setPointSize(10);
  setFont(f);
  setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  connect(this, &QLineEdit::editingFinished, this, &TNumEdit::TakeTypedText);
  Show();
}

void TNumEdit::SetValue(double v) {
  const double old = value_.Value();
  value_.SetValue(v);
  Show();
  if (value_.Value() != old) emit valueChanged(value_.Value());
}

void TNumEdit::SetMin(double v) {
  value_.SetMin(v);
  Show();
}

void TNumEdit::SetMax(double v) {
  value_.SetMax(v);
  Show();
}

void TNumEdit::SetDecimals(int d) {
  value_.SetDecimals(d);
  Show();
}

void TNumEdit::AutoSet(double x) {
  value_.SetDecimals(AutoSetDecimals(x));
  SetValue(x);
}

void TNumEdit::Show() { setText(QString::fromStdString(value_.Text(DecimalSeparator()))); }

void TNumEdit::TakeTypedText() {
  const double old = value_.Value();
  // Text that is not a number is replaced by the value the field held before.
  value_.SetText(text().toStdString(), DecimalSeparator());
  Show();
  if (value_.Value() != old) emit valueChanged(value_.Value());
}

}  // namespace quirlo::presentation
