#include "quirlo/platform/dispatcher.h"

namespace quirlo {

void ImmediateDispatcher::Post(std::function<void()> work) {
  if (work) work();
}

void QueuedDispatcher::Post(std::function<void()> work) {
  if (!work) return;
  std::lock_guard lock(mutex_);
  queue_.push_back(std::move(work));
}

std::size_t QueuedDispatcher::RunPending() {
  std::deque<std::function<void()>> batch;
  {
    std::lock_guard lock(mutex_);
    batch.swap(queue_);
  }
  // Run outside the lock: the work may post again.
  for (auto& work : batch) work();
  return batch.size();
}

std::size_t QueuedDispatcher::PendingCount() const {
  std::lock_guard lock(mutex_);
  return queue_.size();
}

}  // namespace quirlo
