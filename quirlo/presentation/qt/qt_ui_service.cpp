#include "quirlo/presentation/qt/qt_ui_service.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QThread>
#include <QUrl>

#include "quirlo/presentation/file_filter.h"
#include "quirlo/presentation/qt/dialog_wrappers.h"
#include "quirlo/presentation/qt/input_dialog.h"

namespace quirlo::presentation {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

QMessageBox::Icon ToQt(MsgIcon icon) {
  switch (icon) {
    case MsgIcon::Information: return QMessageBox::Information;
    case MsgIcon::Warning: return QMessageBox::Warning;
    case MsgIcon::Error: return QMessageBox::Critical;
    case MsgIcon::Question: return QMessageBox::Question;
    case MsgIcon::None: break;
  }
  return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToQt(MsgButtons buttons) {
  switch (buttons) {
    case MsgButtons::Ok: return QMessageBox::Ok;
    case MsgButtons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case MsgButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case MsgButtons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MsgButtons::RetryCancel: return QMessageBox::Retry | QMessageBox::Cancel;
  }
  return QMessageBox::Ok;
}

MsgResult FromQt(int button, MsgButtons buttons) {
  switch (button) {
    case QMessageBox::Ok: return MsgResult::Ok;
    case QMessageBox::Cancel: return MsgResult::Cancel;
    case QMessageBox::Yes: return MsgResult::Yes;
    case QMessageBox::No: return MsgResult::No;
    case QMessageBox::Retry: return MsgResult::Retry;
    default: return DismissResult(buttons);
  }
}

}  // namespace

bool TQtUiService::OnQtThread() {
  return qApp && QThread::currentThread() == qApp->thread();
}

QWidget* TQtUiService::Owner() { return QApplication::activeWindow(); }

MsgResult TQtUiService::MessageBox(const std::string& text, const std::string& caption,
                                   MsgIcon icon, MsgButtons buttons) {
  if (!qApp) return DismissResult(buttons);
  if (!OnQtThread()) {
    QMetaObject::invokeMethod(
        qApp, [=] { QMessageBox(ToQt(icon), Q(caption), Q(text), ToQt(buttons), Owner()).exec(); },
        Qt::QueuedConnection);
    return DismissResult(buttons);
  }
  QMessageBox box(ToQt(icon), Q(caption), Q(text), ToQt(buttons), Owner());
  return FromQt(box.exec(), buttons);
}

std::optional<std::string> TQtUiService::SaveFileDialog(const FileDialogOptions& options) {
  if (!OnQtThread()) return std::nullopt;
  TGetSaveFile dlg(Owner());
  dlg.title = Q(options.title);
  dlg.initialDir = Q(options.initialDir);
  dlg.fileName = Q(options.fileName);
  dlg.defaultExt = Q(options.defaultExt);
  dlg.filter = Q(options.filter);
  if (!dlg.Execute(options.overwritePrompt)) return std::nullopt;
  return dlg.fileName.toStdString();
}

std::optional<std::string> TQtUiService::OpenFileDialog(const FileDialogOptions& options) {
  if (!OnQtThread()) return std::nullopt;
  QFileDialog dlg(Owner(), Q(options.title), Q(options.initialDir));
  dlg.setOption(QFileDialog::DontUseNativeDialog);
  dlg.setAcceptMode(QFileDialog::AcceptOpen);
  dlg.setFileMode(options.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  dlg.setDefaultSuffix(Q(options.defaultExt));
  QStringList names;
  for (const auto& n : ToNameFilters(options.filter)) names << Q(n);
  if (!names.isEmpty()) dlg.setNameFilters(names);
  if (!options.fileName.empty()) dlg.selectFile(Q(options.fileName));
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return std::nullopt;
  return QFileInfo(dlg.selectedFiles().front()).absoluteFilePath().toStdString();
}

bool TQtUiService::InputQuery(const std::string& caption, const std::string& prompt,
                              std::string& value) {
  if (!OnQtThread()) return false;
  TInputDialog dlg(Owner());
  const QString answer = dlg.Ask(Q(caption), Q(prompt), Q(value));
  if (!dlg.Accepted()) return false;
  value = answer.toStdString();
  return true;
}

bool TQtUiService::OpenWithDesktop(const std::string& path) {
  if (!OnQtThread()) return false;
  return QDesktopServices::openUrl(QUrl::fromLocalFile(Q(path)));
}

}  // namespace quirlo::presentation
