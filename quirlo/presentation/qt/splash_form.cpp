#include "quirlo/presentation/qt/splash_form.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QVBoxLayout>
#include <cmath>

#include "quirlo/presentation/splash_texts.h"

namespace quirlo::presentation {

namespace {
QString Q(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }
}  // namespace

TSplashForm::TSplashForm(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
  setObjectName("SplashForm");
  setFixedSize(440, 260);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(24, 20, 24, 16);
  AddLabel("Title", Q(kApplicationTitle), 28, true);
  AddLabel("Version", Q(kVersionCaption), 12, true);
  AddLabel("Platform", Q(kPlatformCaption), 10, false);
  int line = 0;
  for (auto text : kSplashLines)
    AddLabel(QString("Line%1").arg(++line).toLatin1().constData(), Q(text), 9, false);
  layout->addStretch(1);
  status_ = AddLabel("Status", QString(), 9, false);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

QLabel* TSplashForm::AddLabel(const char* name, const QString& text, int pointSize, bool bold) {
  auto* label = new QLabel(text, this);
  label->setObjectName(name);
  QFont f = label->font();
  f.setPointSize(pointSize);
  f.setBold(bold);
  label->setFont(f);
  QPalette pal = label->palette();
  pal.setColor(QPalette::WindowText, Qt::white);
  label->setPalette(pal);
  label->installEventFilter(this);
  layout()->addWidget(label);
  return label;
}

void TSplashForm::ShowStatus(const QString& text) {
  status_->setText(text);
  status_->repaint();
}

void TSplashForm::ShowAbout() {
  dismissable_ = true;
  show();
  raise();
  activateWindow();
  setFocus();
}

void TSplashForm::Dismiss() {
  if (dismissable_) hide();
}

void TSplashForm::paintEvent(QPaintEvent*) {
  // A generated picture: a dark gradient with a faint trace like a strip chart.
  QPainter p(this);
  QLinearGradient g(0, 0, 0, height());
  g.setColorAt(0, QColor(20, 50, 90));
  g.setColorAt(1, QColor(5, 15, 35));
  p.fillRect(rect(), g);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(80, 200, 120, 140), 2));
  QPainterPath trace;
  for (int x = 0; x <= width(); x += 4) {
    const double y = height() * 0.62 + 18 * std::sin(x / 23.0) + 7 * std::sin(x / 7.0);
    if (x == 0) trace.moveTo(x, y); else trace.lineTo(x, y);
  }
  p.drawPath(trace);
}

void TSplashForm::mousePressEvent(QMouseEvent*) { Dismiss(); }

void TSplashForm::keyPressEvent(QKeyEvent*) { Dismiss(); }

bool TSplashForm::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::MouseButtonPress && dismissable_) {
    Dismiss();
    return true;
  }
  return QWidget::eventFilter(watched, e);
}

}  // namespace quirlo::presentation
