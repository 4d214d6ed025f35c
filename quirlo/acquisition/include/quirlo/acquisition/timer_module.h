// TTimerModule: the master timer, 20 ms, on a thread of its own.
//
// Each tick, in this order: both counters count up; the box link is polled (frames are
// decoded and computed within the poll); every fifth tick the serial inputs are polled;
// then the second counter picks at most one once-a-second job, so the dialog refreshes and
// the recorder's live line fall on different ticks of each second:
//
//   38 analog dialogs   40 digital dialogs   42 frequency dialogs   44 channel dialog
//   46 print preview page count   48 status bars of custom windows (posted to the
//   user-interface thread)   >= 50 counter back to 0, recorder's live line
//
// TTickSchedule is that rule alone, testable without threads or timers.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>

#include "quirlo/platform/dispatcher.h"
#include "quirlo/platform/periodic_timer.h"

namespace quirlo::acquisition {

inline constexpr std::chrono::milliseconds kMasterTimerPeriod{20};

enum class TTickJob {
  None,
  AnalogDialogs,   // counter 38
  DigitalDialogs,  // 40
  RateDialogs,     // 42
  ChannelDialog,   // 44
  PageCount,       // 46
  StatusBars,      // 48
  LiveLine,        // 50 or more; the counter restarts at 0
};

struct TTickWork {
  bool pollSerialInputs = false;
  TTickJob job = TTickJob::None;
};

class TTickSchedule {
 public:
  // Advances both counters by one tick and says what the tick does after the box poll.
  TTickWork Next();
  int SerialCounter() const { return serialCounter_; }
  int JobCounter() const { return jobCounter_; }

 private:
  int serialCounter_ = 0;
  int jobCounter_ = 0;
};

// What the ticks call; later layers fill them in. Unset hooks do nothing. All but
// refreshStatusBars run on the timer thread; refreshStatusBars is posted to the
// dispatcher's thread.
struct TTimerHooks {
  std::function<void()> pollBox;
  std::function<void()> pollSerialInputs;
  std::function<void()> refreshAnalogDialogs;
  std::function<void()> refreshDigitalDialogs;
  std::function<void()> refreshRateDialogs;
  std::function<void()> refreshChannelDialog;
  std::function<void()> refreshPageCount;
  std::function<void()> refreshStatusBars;
  std::function<void()> publishLiveLine;
};

class TTimerModule {
 public:
  TTimerModule(Dispatcher& dispatcher, TTimerHooks hooks);
  ~TTimerModule();  // stops

  void Start();  // the first tick comes 20 ms later
  void Stop();   // no tick runs once this returns (from another thread)
  bool IsRunning() const { return timer_.IsRunning(); }

  // One tick's work, on the caller's thread (the timer calls it; tests may too).
  void Tick();
  std::uint64_t TickCount() const { return ticks_.load(); }

 private:
  static void Call(const std::function<void()>& hook) {
    if (hook) hook();
  }

  Dispatcher& dispatcher_;
  TTimerHooks hooks_;
  TTickSchedule schedule_;  // timer thread only
  std::atomic<std::uint64_t> ticks_{0};
  PeriodicTimer timer_;
};

}  // namespace quirlo::acquisition
