// How the timer threads hand work to the user-interface thread.
//
// Acquisition runs on timer threads that must never touch a user-interface object. What
// must reach the screen (messages, labels, broadcasts) is posted as a closure to a
// Dispatcher, which runs it on the thread that owns the screen. The Qt front end supplies
// a dispatcher that posts to its event loop; tests and the headless main loop use the
// two plain ones here.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>

namespace quirlo {

class Dispatcher {
 public:
  virtual ~Dispatcher() = default;
  // Hands `work` to the owning thread. Safe to call from any thread.
  virtual void Post(std::function<void()> work) = 0;
};

// Runs the work at once on the calling thread.
class ImmediateDispatcher final : public Dispatcher {
 public:
  void Post(std::function<void()> work) override;
};

// Queues the work; RunPending runs it in posting order on the caller's thread.
class QueuedDispatcher final : public Dispatcher {
 public:
  void Post(std::function<void()> work) override;

  // Runs what was posted before the call (work posted while it runs waits for the next
  // call) and returns how many items ran.
  std::size_t RunPending();

  std::size_t PendingCount() const;

 private:
  mutable std::mutex mutex_;
  std::deque<std::function<void()>> queue_;
};

}  // namespace quirlo
