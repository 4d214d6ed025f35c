// TMyTntListBox: the event-tag list that floats over a chart.
//
// The user drags the list itself anywhere over its chart with the left button, so a press does
// not select a row; double-clicks and right-button presses are swallowed so that they neither
// edit nor open the chart's own menu. Everything else is an ordinary list.
#pragma once

#include <QListWidget>
#include <QPoint>

namespace quirlo::presentation {

class TMyTntListBox : public QListWidget {
  Q_OBJECT
 public:
  explicit TMyTntListBox(QWidget* parent = nullptr);

 protected:
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;

 private:
  bool dragging_ = false;
  QPoint grabGlobal_;
  QPoint grabPos_;
  QPoint grabOffset_;  // the point held, from the list's top left corner
};

}  // namespace quirlo::presentation
