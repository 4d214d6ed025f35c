#include "quirlo/presentation/qt/reset_value_form.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace quirlo::presentation {

TResetValueForm::TResetValueForm(TResetValueLogic& logic, QWidget* parent)
    : QDialog(parent), logic_(logic) {
  setWindowTitle(kResetValueCaption);
  setModal(false);
  auto* top = new QVBoxLayout(this);
  heading_ = new QLabel(this);
  heading_->setObjectName("Heading");
  top->addWidget(heading_);
  value_ = new QLineEdit(this);
  value_->setObjectName("Value");
  value_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  top->addWidget(value_);
  toZero_ = new QCheckBox("Reset to Zero", this);
  toZero_->setObjectName("ResetToZero");
  top->addWidget(toZero_);
  auto* buttons = new QHBoxLayout;
  auto* reset = new QPushButton("Reset", this);
  reset->setObjectName("ResetBtn");
  reset->setDefault(true);
  auto* cancel = new QPushButton("Cancel", this);
  cancel->setObjectName("CancelBtn");
  buttons->addStretch();
  buttons->addWidget(reset);
  buttons->addWidget(cancel);
  top->addLayout(buttons);

  connect(value_, &QLineEdit::textEdited, this, [this](const QString& text) {
    logic_.FieldEdited(text.toStdString());
    ShowLogic();
  });
  connect(toZero_, &QCheckBox::clicked, this, [this](bool checked) {
    logic_.SetResetToZero(checked);
    ShowLogic();
  });
  connect(reset, &QPushButton::clicked, this, &TResetValueForm::ResetClick);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  ShowLogic();
}

void TResetValueForm::ShowLogic() {
  heading_->setText(QString::fromStdString(logic_.Heading()));
  const QString text = QString::fromStdString(logic_.FieldText());
  if (value_->text() != text) value_->setText(text);
  const QSignalBlocker block(toZero_);
  toZero_->setChecked(logic_.ResetToZero());
}

void TResetValueForm::OpenResetDialog(int target) {
  logic_.OpenResetDialog(target);
  ShowLogic();
  show();
  raise();
  activateWindow();
}

void TResetValueForm::ResetClick() {
  if (logic_.Reset()) accept();
}

}  // namespace quirlo::presentation
