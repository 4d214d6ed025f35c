#include "quirlo/presentation/qt/dialog_wrappers.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "quirlo/presentation/file_filter.h"

namespace quirlo::presentation {

QColor ToQColor(ColorRef c) { return QColor(RedOf(c), GreenOf(c), BlueOf(c)); }

ColorRef ToColorRef(const QColor& c) { return MakeColorRef(c.red(), c.green(), c.blue()); }

QFont ToQFont(const TFontStyle& spec) {
  QFont f(QString::fromStdString(spec.face));
  if (spec.size > 0) f.setPointSize(spec.size);
  f.setBold(spec.bold);
  f.setItalic(spec.italic);
  f.setUnderline(spec.underline);
  f.setStrikeOut(spec.strikeOut);
  return f;
}

TFontStyle FromQFont(const QFont& font, ColorRef color) {
  TFontStyle s;
  s.face = font.family().toStdString();
  s.size = font.pointSize() > 0 ? font.pointSize() : s.size;
  s.bold = font.bold();
  s.italic = font.italic();
  s.underline = font.underline();
  s.strikeOut = font.strikeOut();
  s.color = color;
  return s;
}

bool TColorPick::Execute() {
  // Qt keeps one set of custom colours for the whole program; each request brings its own.
  for (int i = 0; i < 16; ++i) QColorDialog::setCustomColor(i, customColors[i]);
  QColorDialog dlg(color, parent_);
  dlg.setOption(QColorDialog::DontUseNativeDialog);
  const bool ok = dlg.exec() == QDialog::Accepted;
  for (int i = 0; i < 16; ++i) customColors[i] = QColorDialog::customColor(i);
  if (!ok) return false;
  color = dlg.selectedColor();
  return true;
}

bool TFontPick::Execute(TFontStyle& font) {
  // The font dialog has no colour of its own; it is embedded with a colour button beside it.
  QDialog host(parent_);
  host.setWindowTitle("Font");
  auto* fonts = new QFontDialog(ToQFont(font), &host);
  fonts->setWindowFlags(Qt::Widget);
  fonts->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog |
                    QFontDialog::ScalableFonts | QFontDialog::NonScalableFonts);
  QColor color = ToQColor(font.color);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &host);
  auto* colorBtn = buttons->addButton("Colour...", QDialogButtonBox::ActionRole);
  QObject::connect(colorBtn, &QPushButton::clicked, &host, [&] {
    TColorPick pick(&host);
    pick.color = color;
    if (pick.Execute()) color = pick.color;
  });
  QObject::connect(buttons, &QDialogButtonBox::accepted, &host, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &host, &QDialog::reject);
  auto* layout = new QVBoxLayout(&host);
  layout->addWidget(fonts);
  layout->addWidget(buttons);
  if (host.exec() != QDialog::Accepted) return false;
  font = FromQFont(fonts->currentFont(), ToColorRef(color));
  return true;
}

bool TGetSaveFile::Execute(bool promptOverwrite) {
  QFileDialog dlg(parent_, title, initialDir);
  dlg.setOption(QFileDialog::DontUseNativeDialog);
  dlg.setAcceptMode(QFileDialog::AcceptSave);
  dlg.setFileMode(QFileDialog::AnyFile);
  dlg.setOption(QFileDialog::DontConfirmOverwrite, !promptOverwrite);
  dlg.setDefaultSuffix(defaultExt);
  QStringList names;
  for (const auto& n : ToNameFilters(filter.toStdString())) names << QString::fromStdString(n);
  if (!names.isEmpty()) dlg.setNameFilters(names);
  if (!fileName.isEmpty()) dlg.selectFile(fileName);
  for (;;) {
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return false;
    const QString path = dlg.selectedFiles().front();
    const QFileInfo info(path);
    QString problem;
    if (path.size() > kMaxPathLength)
      problem = QString("The file name is longer than %1 characters.").arg(kMaxPathLength);
    else if (!info.absoluteDir().exists())
      problem = "The folder " + info.absolutePath() + " does not exist.";
    if (problem.isEmpty()) {
      fileName = info.absoluteFilePath();
      return true;
    }
    QMessageBox::warning(&dlg, title, problem);
  }
}

}  // namespace quirlo::presentation
