#include "quirlo/presentation/qt/input_dialog.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace quirlo::presentation {

TInputDialog::TInputDialog(QWidget* owner)
    : QDialog(owner ? owner : QApplication::activeWindow(),
              Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName("Dialog");
  setModal(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, QColor(212, 208, 200));  // the dialog face colour 13160660
  setPalette(pal);
  setAutoFillBackground(true);

  auto* icon = new QLabel(this);
  icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(32, 32));
  label_ = new QLabel(this);
  label_->setObjectName("Label");
  label_->setWordWrap(true);
  label_->setTextInteractionFlags(Qt::NoTextInteraction);
  edit_ = new QLineEdit(this);
  edit_->setObjectName("Edit");
  okBtn_ = new QPushButton("OK", this);
  okBtn_->setObjectName("OKBtn");
  okBtn_->setDefault(true);
  cancelBtn_ = new QPushButton("Cancel", this);
  cancelBtn_->setObjectName("CancelBtn");
  connect(okBtn_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancelBtn_, &QPushButton::clicked, this, &QDialog::reject);

  auto* top = new QHBoxLayout;
  top->addWidget(icon, 0, Qt::AlignTop);
  top->addWidget(label_, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(okBtn_);
  buttons->addWidget(cancelBtn_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(edit_);
  layout->addLayout(buttons);
  setMinimumWidth(320);
}

QString TInputDialog::Ask(const QString& title, const QString& prompt,
                          const QString& defaultText) {
  setWindowTitle(title);
  label_->setText(prompt);
  edit_->setText(defaultText);
  edit_->selectAll();
  edit_->setFocus();
  accepted_ = exec() == QDialog::Accepted;
  return accepted_ ? edit_->text() : defaultText;
}

bool TInputDialog::event(QEvent* e) {
  // Losing the activation to another window ends the question like Cancel. The platform can
  // report a late deactivation of an earlier dialog while the focus is already ours again;
  // that one is not a loss of focus.
  if (e->type() == QEvent::WindowDeactivate && isVisible() &&
      QGuiApplication::focusWindow() != windowHandle())
    reject();
  return QDialog::event(e);
}

}  // namespace quirlo::presentation
