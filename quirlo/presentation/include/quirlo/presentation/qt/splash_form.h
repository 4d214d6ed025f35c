// TSplashForm: the start-up progress window that doubles as the about box.
//
// During start-up each part that restores settings reports it here (ShowStatus) and nothing
// the user does hides the window; as the about box any click or key press hides it.
#pragma once

#include <QWidget>

class QLabel;

namespace quirlo::presentation {

class TSplashForm : public QWidget {
  Q_OBJECT
 public:
  explicit TSplashForm(QWidget* parent = nullptr);

  // Shows the text in the status line and repaints it at once (start-up blocks the event loop).
  void ShowStatus(const QString& text);
  // Makes the window dismissable, then shows it.
  void ShowAbout();

  bool Dismissable() const { return dismissable_; }
  QLabel* Status() const { return status_; }

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void Dismiss();
  QLabel* AddLabel(const char* name, const QString& text, int pointSize, bool bold);

  QLabel* status_;
  bool dismissable_ = false;
};

}  // namespace quirlo::presentation
