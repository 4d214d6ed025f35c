#include "quirlo/presentation/qt/note_list_box.h"

#include <QContextMenuEvent>
#include <QMouseEvent>

namespace quirlo::presentation {

TMyTntListBox::TMyTntListBox(QWidget* parent) : QListWidget(parent) {}

void TMyTntListBox::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) {
    dragging_ = true;
    grabGlobal_ = e->globalPosition().toPoint();
    grabPos_ = pos();
  }
  e->accept();  // no selection, no chart menu
}

void TMyTntListBox::mouseMoveEvent(QMouseEvent* e) {
  if (dragging_) move(grabPos_ + (e->globalPosition().toPoint() - grabGlobal_));
  e->accept();
}

void TMyTntListBox::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) dragging_ = false;
  e->accept();
}

void TMyTntListBox::mouseDoubleClickEvent(QMouseEvent* e) { e->accept(); }

void TMyTntListBox::contextMenuEvent(QContextMenuEvent* e) { e->accept(); }

}  // namespace quirlo::presentation
