#include "quirlo/presentation/qt/qt_dispatcher.h"

#include <QMetaObject>

namespace quirlo::presentation {

TQtDispatcher::TQtDispatcher() : context_(new QObject) {}

TQtDispatcher::~TQtDispatcher() {
  // Queued calls die with their receiver, so nothing posted earlier runs after this.
  delete context_;
}

void TQtDispatcher::Post(std::function<void()> work) {
  if (!work) return;
  QMetaObject::invokeMethod(context_, std::move(work), Qt::QueuedConnection);
}

}  // namespace quirlo::presentation
