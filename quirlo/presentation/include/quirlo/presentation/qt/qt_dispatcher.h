// A Dispatcher that runs posted work on the Qt thread's event loop.
//
// Timer threads post closures here; each runs later on the thread that created the
// dispatcher, in posting order. Work posted after the dispatcher is gone is dropped.
#pragma once

#include <QObject>

#include "quirlo/platform/dispatcher.h"

namespace quirlo::presentation {

class TQtDispatcher final : public Dispatcher {
 public:
  // Create on the Qt thread.
  TQtDispatcher();
  ~TQtDispatcher() override;
  void Post(std::function<void()> work) override;

 private:
  QObject* context_;  // lives on the Qt thread; receivers of the queued calls
};

}  // namespace quirlo::presentation
