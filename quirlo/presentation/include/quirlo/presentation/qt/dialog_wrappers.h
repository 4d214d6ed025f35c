// Thin requests for the colour, font and file dialogs, each centred over its parent window.
#pragma once

#include <QColor>
#include <array>
#include <QString>

#include "quirlo/presentation/font_style.h"

class QWidget;
class QFont;

namespace quirlo::presentation {

QColor ToQColor(ColorRef c);
ColorRef ToColorRef(const QColor& c);
QFont ToQFont(const TFontStyle& spec);
// Face, size and style from the font; the colour is the caller's.
TFontStyle FromQFont(const QFont& font, ColorRef color);

class TColorPick {
 public:
  explicit TColorPick(QWidget* parent = nullptr) : parent_(parent) { customColors.fill(Qt::black); }
  QColor color = Qt::black;  // start colour in, chosen colour out
  // The dialog's 16 custom colours: black at first, then what the user made of them.
  std::array<QColor, 16> customColors;
  bool Execute();

 private:
  QWidget* parent_;
};

class TFontPick {
 public:
  explicit TFontPick(QWidget* parent = nullptr) : parent_(parent) {}
  // Starts from `font`; on OK the font takes the chosen face, size, style and colour.
  bool Execute(TFontStyle& font);

 private:
  QWidget* parent_;
};

class TGetSaveFile {
 public:
  static constexpr int kMaxPathLength = 511;

  explicit TGetSaveFile(QWidget* parent = nullptr) : parent_(parent) {}
  QString title;
  QString initialDir;
  QString fileName;    // typed name in, chosen full path out
  QString defaultExt;  // without dot, "csv"
  QString filter;      // "Description|*.ext|Description|*.a;*.b"
  // Shows the dialog; asks before choosing an existing file only when promptOverwrite is on.
  // True and the full path in fileName on OK. A path whose folder does not exist or that is
  // longer than kMaxPathLength is refused with a message and the dialog stays open.
  bool Execute(bool promptOverwrite);

 private:
  QWidget* parent_;
};

}  // namespace quirlo::presentation
