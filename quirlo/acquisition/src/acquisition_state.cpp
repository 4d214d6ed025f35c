#include "quirlo/acquisition/acquisition_state.h"

namespace quirlo::acquisition {

void TChannelState::Restart() {
  Offset.fill(0.0);
  Integral.fill(0.0);
  ElapsedTime = 0.0;
  RestartTime = 1;
}

// Sequence lock: the writer makes the sequence odd, stores, makes it even again; a reader
// retries until it saw the same even sequence before and after its loads. The values are
// atomics themselves, so a reader racing a writer reads whole doubles, never torn ones.
// Ordering without fences: each value is stored with release, so a reader that acquires a
// new value also sees the odd sequence stored before it and retries; a reader that
// acquires the final even sequence sees every value stored before it.
void TChannelValues::Publish(const TChannelValueArray& values) {
  const uint32_t seq = sequence_.load(std::memory_order_relaxed);
  sequence_.store(seq + 1, std::memory_order_relaxed);
  for (int i = 0; i < kChannelCount; ++i) values_[i].store(values[i], std::memory_order_release);
  sequence_.store(seq + 2, std::memory_order_release);
}

void TChannelValues::Set(int index, double value) {
  if (index < 0 || index >= kChannelCount) return;
  const uint32_t seq = sequence_.load(std::memory_order_relaxed);
  sequence_.store(seq + 1, std::memory_order_relaxed);
  values_[index].store(value, std::memory_order_release);
  sequence_.store(seq + 2, std::memory_order_release);
}

TChannelValueArray TChannelValues::Snapshot() const {
  TChannelValueArray out;
  for (;;) {
    const uint32_t before = sequence_.load(std::memory_order_acquire);
    if (before & 1u) continue;
    for (int i = 0; i < kChannelCount; ++i) out[i] = values_[i].load(std::memory_order_acquire);
    if (sequence_.load(std::memory_order_relaxed) == before) return out;
  }
}

double TChannelValues::Get(int index) const {
  if (index < 0 || index >= kChannelCount) return 0.0;
  return values_[index].load(std::memory_order_acquire);
}

TStatusTexts::TStatusTexts() : texts_{"Recorder: STOPPED", "untitled.csv", "CPU", "time"} {}

void TStatusTexts::Set(int panel, std::string text) {
  if (panel < 0 || panel >= kCount) return;
  std::lock_guard lock(mutex_);
  texts_[panel] = std::move(text);
}

std::string TStatusTexts::Get(int panel) const {
  if (panel < 0 || panel >= kCount) return {};
  std::lock_guard lock(mutex_);
  return texts_[panel];
}

std::array<std::string, TStatusTexts::kCount> TStatusTexts::GetAll() const {
  std::lock_guard lock(mutex_);
  return texts_;
}

void TSharedText::Set(std::string text) {
  std::lock_guard lock(mutex_);
  text_ = std::move(text);
}

std::string TSharedText::Get() const {
  std::lock_guard lock(mutex_);
  return text_;
}

}  // namespace quirlo::acquisition
