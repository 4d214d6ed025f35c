// The acquisition-box emulator: writes the box's analog packets (50 a second) and rate
// packets (10 a second) to a serial line and obeys the host's two commands, so Quirlo can
// be run and tested without the hardware.
//
// The emulator lives on emulated time: Step(ms) advances it, writes every packet that
// became due and then reads and obeys waiting host commands. Run drives Step in real time.
// Tests drive Step directly on a pseudo-terminal, in-process.
//
// Inputs:
//   analog i (0..7)     a waveform of the 16-bit reading, clamped to 0..65535
//   digital bits        a fixed mask, bit i = digital input i + 1; a bit with a waveform
//                       is also set while that waveform is above 0 (square waves toggle)
//   frequency i (0..5)  a waveform in hertz. The pulse count starts at its configured
//                       value and integrates the frequency; an input that does not count
//                       in quadrature reports and counts the magnitude, one in quadrature
//                       keeps the sign (negative = running backwards).
// Commands (checksums checked, bad ones counted and ignored):
//   type 3  the quadrature mask (bits 0..5)
//   type 4  reset the pulse count of input `data` (0-based; 6 and above are ignored)
//
// Corruption: a share of the packets gets one payload byte changed after the checksum is
// computed, which always breaks the checksum (a one-byte change moves the sum by 1..255).
//
// Output never blocks: bytes the line cannot take at once wait in a small buffer; when
// that is full, whole packets are dropped (counted), as a box with nobody listening would.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <random>
#include <string>

#include "quirlo/acquisition/packet.h"
#include "quirlo/tools/waveform.h"

namespace quirlo::tools {

struct BoxConfig {
  std::array<Waveform, 8> analog{};
  uint8_t digitalBits = 0;
  std::array<std::optional<Waveform>, 8> digital{};
  std::array<Waveform, 6> frequency{};
  std::array<int32_t, 6> initialCount{};
  uint8_t quadratureBits = 0;  // until the host sends a mask
  int analogPerSecond = 50;
  int ratePerSecond = 10;
  double corruptShare = 0;  // 0 .. 1
  uint32_t seed = 1;

  // Sines on the analog inputs (different periods) and 100 Hz on frequency input 1.
  static BoxConfig Defaults();
};

struct BoxStats {
  uint64_t analogSent = 0;
  uint64_t rateSent = 0;
  uint64_t corrupted = 0;
  uint64_t dropped = 0;  // packets the line could not take
  uint64_t commandsObeyed = 0;
  uint64_t commandsBad = 0;  // complete commands with a wrong checksum
};

class BoxEmulator {
 public:
  // Writes to and reads from `fd` (not owned; made non-blocking).
  BoxEmulator(int fd, BoxConfig config);

  // Advances emulated time by `ms` milliseconds (see above).
  void Step(int ms);
  // Steps in real time (every 10 ms) until `stop` is set or `duration` has passed.
  void Run(const std::atomic<bool>& stop,
           std::optional<std::chrono::milliseconds> duration = std::nullopt);

  const BoxStats& Stats() const { return stats_; }
  uint8_t QuadratureBits() const { return quadrature_; }
  int32_t Count(int input) const { return static_cast<int32_t>(std::llround(count_[input])); }
  double ElapsedSeconds() const { return static_cast<double>(elapsedMs_) / 1000.0; }

  // The frames as they would be sent at emulated time t (no side effects on counts).
  acquisition::TAnalogFrame AnalogFrameAt(double seconds) const;

 private:
  void SendAnalog(double seconds);
  void SendRate(double seconds, double dt);
  void Send(uint8_t* packet, std::size_t size);
  void Flush();
  void ReadCommands();
  int16_t FrequencyAt(int input, double seconds) const;

  int fd_;
  BoxConfig config_;
  std::mt19937 rng_;
  std::uniform_real_distribution<double> share_{0.0, 1.0};
  uint8_t quadrature_;
  std::array<double, 6> count_{};
  int64_t elapsedMs_ = 0;
  uint64_t analogDue_ = 0, rateDue_ = 0;
  std::string pending_;
  acquisition::TCommandReceiver commands_;
  BoxStats stats_;
};

}  // namespace quirlo::tools
