#include "quirlo/tools/box_emulator.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <thread>

namespace quirlo::tools {

using namespace quirlo::acquisition;

namespace {
constexpr std::size_t kMaxPending = 4096;
}

BoxConfig BoxConfig::Defaults() {
  BoxConfig c;
  for (int i = 0; i < 8; ++i) c.analog[i] = Waveform::Sine(8000, 32768, 2.0 + i);
  c.frequency[0] = Waveform::Constant(100);
  return c;
}

BoxEmulator::BoxEmulator(int fd, BoxConfig config)
    : fd_(fd), config_(config), rng_(config.seed), quadrature_(config.quadratureBits) {
  for (int i = 0; i < 6; ++i) count_[i] = config_.initialCount[i];
  const int flags = ::fcntl(fd_, F_GETFL);
  if (flags >= 0) ::fcntl(fd_, F_SETFL, flags | O_NONBLOCK);
}

TAnalogFrame BoxEmulator::AnalogFrameAt(double seconds) const {
  TAnalogFrame f{};
  for (int i = 0; i < 8; ++i)
    f.Reading[i] = static_cast<uint16_t>(std::clamp(std::lround(config_.analog[i].At(seconds)), 0L, 65535L));
  f.DigitalBits = config_.digitalBits;
  for (int i = 0; i < 8; ++i)
    if (config_.digital[i] && config_.digital[i]->At(seconds) > 0) f.DigitalBits |= 1u << i;
  return f;
}

int16_t BoxEmulator::FrequencyAt(int input, double seconds) const {
  double hz = config_.frequency[input].At(seconds);
  if (!(quadrature_ & (1u << input))) hz = std::fabs(hz);
  return static_cast<int16_t>(std::clamp(std::lround(hz), -32768L, 32767L));
}

void BoxEmulator::Step(int ms) {
  if (ms <= 0) return;
  elapsedMs_ += ms;
  const auto due = [&](int perSecond) {
    return static_cast<uint64_t>(elapsedMs_ * perSecond / 1000);
  };
  // Packets in time order, each stamped with its own moment.
  const uint64_t analogTarget = config_.analogPerSecond > 0 ? due(config_.analogPerSecond) : 0;
  const uint64_t rateTarget = config_.ratePerSecond > 0 ? due(config_.ratePerSecond) : 0;
  double lastRate = static_cast<double>(rateDue_) / std::max(config_.ratePerSecond, 1);
  while (analogDue_ < analogTarget || rateDue_ < rateTarget) {
    const double ta = analogDue_ < analogTarget
                          ? static_cast<double>(analogDue_ + 1) / config_.analogPerSecond
                          : 1e300;
    const double tr = rateDue_ < rateTarget
                          ? static_cast<double>(rateDue_ + 1) / config_.ratePerSecond
                          : 1e300;
    if (ta <= tr) {
      ++analogDue_;
      SendAnalog(ta);
    } else {
      ++rateDue_;
      SendRate(tr, tr - lastRate);
      lastRate = tr;
    }
  }
  Flush();
  ReadCommands();
}

void BoxEmulator::SendAnalog(double seconds) {
  const TAnalogFrame f = AnalogFrameAt(seconds);
  TAnalogPacket p = EncodeAnalogPacket(f);
  Send(p.data(), p.size());
  ++stats_.analogSent;
}

void BoxEmulator::SendRate(double seconds, double dt) {
  TRateFrame f{};
  for (int i = 0; i < 6; ++i) {
    f.Frequency[i] = FrequencyAt(i, seconds);
    count_[i] += f.Frequency[i] * dt;
    f.Count[i] = Count(i);
  }
  f.QuadratureBits = quadrature_;
  TRatePacket p = EncodeRatePacket(f);
  Send(p.data(), p.size());
  ++stats_.rateSent;
}

void BoxEmulator::Send(uint8_t* packet, std::size_t size) {
  if (config_.corruptShare > 0 && share_(rng_) < config_.corruptShare) {
    std::uniform_int_distribution<std::size_t> at(kPacketHeaderSize, size - 1);
    std::uniform_int_distribution<int> delta(1, 255);
    packet[at(rng_)] += static_cast<uint8_t>(delta(rng_));
    ++stats_.corrupted;
  }
  if (pending_.size() + size > kMaxPending) {
    ++stats_.dropped;
    return;
  }
  pending_.append(reinterpret_cast<const char*>(packet), size);
}

void BoxEmulator::Flush() {
  while (!pending_.empty()) {
    const ssize_t w = ::write(fd_, pending_.data(), pending_.size());
    if (w > 0) {
      pending_.erase(0, static_cast<std::size_t>(w));
    } else if (!(w < 0 && errno == EINTR)) {
      break;  // the line is full (EAGAIN) or gone; try again next step
    }
  }
}

void BoxEmulator::ReadCommands() {
  uint8_t buf[256];
  while (true) {
    const ssize_t r = ::read(fd_, buf, sizeof buf);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return;
    for (ssize_t i = 0; i < r; ++i) {
      const auto c = commands_.FeedByte(buf[i]);
      if (!c.complete) continue;
      if (!c.valid) {
        ++stats_.commandsBad;
        continue;
      }
      if (c.type == kTypeQuadratureMask) {
        quadrature_ = c.data & 0x3F;
      } else if (c.type == kTypeResetTotal && c.data < 6) {
        count_[c.data] = 0;
      }
      ++stats_.commandsObeyed;
    }
  }
}

void BoxEmulator::Run(const std::atomic<bool>& stop,
                      std::optional<std::chrono::milliseconds> duration) {
  using Clock = std::chrono::steady_clock;
  constexpr auto kStep = std::chrono::milliseconds(10);
  const auto start = Clock::now();
  auto next = start;
  while (!stop.load()) {
    next += kStep;
    std::this_thread::sleep_until(next);
    // Catch up after a stall so that the packet rate stays right on average.
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    if (elapsed > elapsedMs_) Step(static_cast<int>(elapsed - elapsedMs_));
    if (duration && Clock::now() - start >= *duration) break;
  }
}

}  // namespace quirlo::tools
