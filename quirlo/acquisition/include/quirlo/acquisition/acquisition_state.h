// The data shared by the acquisition thread and the user-interface thread.
//
// Two threads meet here: the master timer (and the simulator feed) write inputs and run
// computation steps; the user interface edits the table, requests resets and samples the
// channel values on its own timers. The rules:
//
//  - AcquisitionLock guards the channel table, the input tables and the channel state. A
//    computation step runs under it; so does every edit of the table from the user
//    interface. It is recursive so that a frame handler holding it may call the
//    computation, which takes it again.
//  - ChannelValue is published through a sequence lock: readers on any thread take a
//    consistent snapshot of all 24 values (or one value) without the acquisition lock and
//    never see a torn double. Writers must hold AcquisitionLock, which serialises them.
//  - The run flags, ReplayTime and the selected inputs are atomics; the four status texts
//    and the delimiter sit behind mutexes of their own. The computation reads
//    ReplayActive under AcquisitionLock, so a replay that sets it while holding the lock
//    (and writes ChannelValue under it) is never overwritten by a live step.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "quirlo/acquisition/channel_table.h"

namespace quirlo::acquisition {

inline constexpr int kAnalogInputs = 8;
inline constexpr int kRateInputs = 6;
inline constexpr int kDigitalInputs = 8;
inline constexpr int kSerialInputs = 8;
inline constexpr int kSerialPositions = 128;

// Latest input values, pushed by the input stages and read by the computation step.
struct TInputValues {
  std::array<double, kAnalogInputs> AnalogValue{};
  std::array<double, kRateInputs> RateValue{};
  std::array<double, kRateInputs> TotalValue{};
  std::array<int8_t, kDigitalInputs> DigitalState{};
  std::array<std::array<double, kSerialPositions>, kSerialInputs> SerialValue{};
};

// Per-channel state of the computation step.
struct TChannelState {
  std::array<double, kChannelCount> Offset{};
  std::array<double, kChannelCount> Integral{};
  double ElapsedTime = 0.0;
  std::array<uint8_t, kChannelCount> ResetPending{};
  uint8_t RestartTime = 1;

  // What a (re)load of the channel table does: offsets, integrals and time cleared, the
  // next step restarts the time.
  void Restart();
};

using TChannelValueArray = std::array<double, kChannelCount>;

// The live value of every data channel, published without tearing (see above).
class TChannelValues {
 public:
  // Writer side; callers hold AcquisitionLock.
  void Publish(const TChannelValueArray& values);
  void Set(int index, double value);

  // Reader side, any thread.
  TChannelValueArray Snapshot() const;
  double Get(int index) const;

 private:
  std::atomic<uint32_t> sequence_{0};
  std::array<std::atomic<double>, kChannelCount> values_{};
};

// Replay state: set by the replay, read by computation, display and serial output.
struct TRunFlags {
  std::atomic<bool> ReplayActive{false};
  std::atomic<bool> ReplayComplete{false};
  std::atomic<bool> ReplayHalted{false};
};

// The four texts of the main window's status bar.
class TStatusTexts {
 public:
  static constexpr int kCount = 4;
  enum Panel { Recorder = 0, File = 1, Cpu = 2, Clock = 3 };

  TStatusTexts();
  void Set(int panel, std::string text);  // out-of-range panels are ignored
  std::string Get(int panel) const;       // "" for out-of-range panels
  std::array<std::string, kCount> GetAll() const;

 private:
  mutable std::mutex mutex_;
  std::array<std::string, kCount> texts_;
};

// A short text shared between threads (the field delimiter).
class TSharedText {
 public:
  explicit TSharedText(std::string initial) : text_(std::move(initial)) {}
  void Set(std::string text);
  std::string Get() const;

 private:
  mutable std::mutex mutex_;
  std::string text_;
};

// Everything the acquisition shares between threads, owned by QuirloCore.
struct TAcquisitionState {
  std::recursive_mutex AcquisitionLock;
  TChannelTable Table = DefaultChannelTable();  // guarded by AcquisitionLock
  TInputValues Inputs;                          // guarded by AcquisitionLock
  TChannelState State;                          // guarded by AcquisitionLock

  TChannelValues ChannelValue;
  TRunFlags RunFlags;
  std::atomic<double> ReplayTime{0.0};
  TStatusTexts StatusText;
  TSharedText Delimiter{","};  // "," by default; a tab is "\t"
  std::atomic<int> SelectedAnalog{0};
  std::atomic<int> SelectedRate{0};
  std::atomic<int> SelectedDigital{0};
};

}  // namespace quirlo::acquisition
