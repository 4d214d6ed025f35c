#include "quirlo/presentation/qt/note_list_box.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <algorithm>

namespace quirlo::presentation {

TMyTntListBox::TMyTntListBox(QWidget* parent) : QListWidget(parent) {}

void TMyTntListBox::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) {
    dragging_ = true;
    grabGlobal_ = e->globalPosition().toPoint();
    grabPos_ = pos();
    grabOffset_ = grabGlobal_ - mapToGlobal(QPoint(0, 0));
  }
  e->accept();  // no selection, no chart menu
}

void TMyTntListBox::mouseMoveEvent(QMouseEvent* e) {
  if (dragging_) {
    QPoint to = grabPos_ + (e->globalPosition().toPoint() - grabGlobal_);
    // The point held stays over the chart, as a window moved by its caption keeps the cursor
    // inside its parent: a list dragged off the chart could never be grabbed again.
    if (const QWidget* chart = parentWidget()) {
      const QRect area = chart->rect();
      const QPoint held = to + grabOffset_;
      to += QPoint(std::clamp(held.x(), area.left(), area.right()) - held.x(),
                   std::clamp(held.y(), area.top(), area.bottom()) - held.y());
    }
    move(to);
  }
  e->accept();
}

void TMyTntListBox::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) dragging_ = false;
  e->accept();
}

void TMyTntListBox::mouseDoubleClickEvent(QMouseEvent* e) { e->accept(); }

void TMyTntListBox::contextMenuEvent(QContextMenuEvent* e) { e->accept(); }

}  // namespace quirlo::presentation
