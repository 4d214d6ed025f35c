#include "quirlo/platform/periodic_timer.h"

#include <pthread.h>
#include <sched.h>

namespace quirlo {

using Clock = std::chrono::steady_clock;

PeriodicTimer::~PeriodicTimer() { Stop(); }

bool PeriodicTimer::Start(std::chrono::microseconds period, Callback tick) {
  if (period.count() <= 0 || !tick || running_.load()) return false;
  if (loopId_.load() == std::this_thread::get_id()) return false;  // from inside a tick
  JoinIfNeeded();
  {
    std::lock_guard lock(mutex_);
    stop_ = false;
  }
  running_ = true;
  thread_ = std::thread(&PeriodicTimer::Loop, this,
                        std::chrono::duration_cast<Clock::duration>(period), std::move(tick));
  return true;
}

void PeriodicTimer::Stop() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  running_ = false;
  wake_.notify_all();
  JoinIfNeeded();
}

void PeriodicTimer::JoinIfNeeded() {
  // On the timer thread itself (Stop from inside a tick) there is nothing to join yet;
  // thread_ belongs to the controlling thread and is not touched from here.
  if (loopId_.load() == std::this_thread::get_id()) return;
  if (thread_.joinable()) thread_.join();
  loopId_ = std::thread::id();  // the id may be reused by a new thread once joined
}

void PeriodicTimer::Loop(Clock::duration period, Callback tick) {
  loopId_ = std::this_thread::get_id();
  // Wake-ups on a busy machine come late under the normal scheduler (several ms with
  // both cores loaded); a low real-time priority keeps ticks on time. Without the
  // privilege the call fails and the timer runs at normal priority.
  sched_param param{};
  param.sched_priority = 10;
  ::pthread_setschedparam(::pthread_self(), SCHED_FIFO, &param);
  auto deadline = Clock::now() + period;
  std::unique_lock lock(mutex_);
  while (true) {
    if (wake_.wait_until(lock, deadline, [this] { return stop_; })) return;
    lock.unlock();
    tick();
    ++ticks_;
    // Next point of the grid that still lies ahead; missed points are skipped.
    deadline += period;
    const auto now = Clock::now();
    if (deadline <= now) {
      const auto missed = (now - deadline) / period + 1;
      overruns_ += static_cast<std::uint64_t>(missed);
      deadline += missed * period;
    }
    lock.lock();
  }
}

OneShotTimer::~OneShotTimer() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
    armed_ = false;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void OneShotTimer::Start(std::chrono::microseconds delay, Callback fire) {
  std::lock_guard lock(mutex_);
  deadline_ = Clock::now() + std::chrono::duration_cast<Clock::duration>(delay);
  fire_ = std::move(fire);
  armed_ = static_cast<bool>(fire_);
  if (!thread_.joinable()) thread_ = std::thread(&OneShotTimer::Loop, this);
  wake_.notify_all();
}

void OneShotTimer::Cancel() {
  std::unique_lock lock(mutex_);
  armed_ = false;
  fire_ = nullptr;
  wake_.notify_all();
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
    idle_.wait(lock, [this] { return !firing_; });
}

bool OneShotTimer::IsPending() const {
  std::lock_guard lock(mutex_);
  return armed_;
}

void OneShotTimer::Loop() {
  std::unique_lock lock(mutex_);
  while (!quit_) {
    if (!armed_) {
      wake_.wait(lock, [this] { return quit_ || armed_; });
      continue;
    }
    const auto deadline = deadline_;
    if (wake_.wait_until(lock, deadline,
                         [&] { return quit_ || !armed_ || deadline_ != deadline; }))
      continue;  // cancelled, re-armed or quitting: look again
    Callback fire = std::move(fire_);
    fire_ = nullptr;
    armed_ = false;
    firing_ = true;
    lock.unlock();
    fire();
    lock.lock();
    firing_ = false;
    idle_.notify_all();
  }
}

}  // namespace quirlo
