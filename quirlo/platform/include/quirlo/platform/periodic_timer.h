// Timers that run their callbacks on a thread of their own.
//
// The acquisition cycle ticks every 20 ms off the user-interface thread, and so do the
// record tick and the simulator feed; a replay chains one-shot timers. These two classes
// stand in for the system's multimedia timers.
//
// PeriodicTimer keeps a fixed grid on the steady clock: the n-th deadline is
// start + n * period, so late wake-ups never accumulate into drift. A tick that runs so
// long that whole deadlines pass skips them (counted in Overruns()) instead of firing a
// burst of catch-up ticks: the acquisition cycle drains everything waiting on each tick,
// so a skipped tick loses nothing.
//
// The timer thread asks for a low real-time priority (SCHED_FIFO 10) so that ticks stay
// on time on a loaded machine; without the privilege it runs at normal priority. A tick
// callback must therefore be short and must not spin.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace quirlo {

class PeriodicTimer {
 public:
  using Callback = std::function<void()>;

  PeriodicTimer() = default;
  ~PeriodicTimer();  // stops (see Stop)
  PeriodicTimer(const PeriodicTimer&) = delete;
  PeriodicTimer& operator=(const PeriodicTimer&) = delete;

  // Starts ticking: the first tick comes one period after Start. Returns false when the
  // timer already runs, the period is not positive, or it is called from inside a tick.
  bool Start(std::chrono::microseconds period, Callback tick);

  // Stops ticking. Called from another thread, it waits for a tick in progress and joins
  // the timer thread, so the callback is never running once Stop returns. Called from
  // inside the tick callback, it only marks the timer stopped (no further tick is made);
  // the thread is joined by the next Start, Stop or the destructor on another thread.
  void Stop();

  bool IsRunning() const { return running_.load(); }
  std::uint64_t Ticks() const { return ticks_.load(); }
  std::uint64_t Overruns() const { return overruns_.load(); }

 private:
  void Loop(std::chrono::steady_clock::duration period, Callback tick);
  void JoinIfNeeded();

  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
  std::thread thread_;
  std::atomic<std::thread::id> loopId_{};
  std::atomic<bool> running_{false};
  std::atomic<std::uint64_t> ticks_{0};
  std::atomic<std::uint64_t> overruns_{0};
};

// Fires a callback once after a delay, on a worker thread owned by the timer. Start may be
// called again from inside the callback (a replay schedules its next step that way).
class OneShotTimer {
 public:
  using Callback = std::function<void()>;

  OneShotTimer() = default;
  ~OneShotTimer();  // cancels and joins; must not run from inside the callback
  OneShotTimer(const OneShotTimer&) = delete;
  OneShotTimer& operator=(const OneShotTimer&) = delete;

  // Arms the timer, replacing a shot that has not fired yet.
  void Start(std::chrono::microseconds delay, Callback fire);

  // Disarms a pending shot. From another thread it also waits for a callback in progress
  // to return; from inside the callback it returns at once.
  void Cancel();

  bool IsPending() const;

 private:
  void Loop();

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable idle_;
  bool armed_ = false;
  bool firing_ = false;
  bool quit_ = false;
  std::chrono::steady_clock::time_point deadline_{};
  Callback fire_;
  std::thread thread_;
};

}  // namespace quirlo
