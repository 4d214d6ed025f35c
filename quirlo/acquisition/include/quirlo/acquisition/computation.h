// The data-channel computation: maps each channel's source onto its value, once per analog
// frame (time step 0.02 s) or, until the first frame, once per idle tick (0.05 s).
//
// This is the hand-over point between the input stages and the channel values. The full
// computation (math expressions, the Reset Value dialog's reset value) is filled in by the
// math layer through the hooks below; without them a math channel reads 0 and a reset
// total restarts from 0.
//
// Every public operation takes the acquisition lock, so frames from the timer thread, idle
// ticks and edits from the user interface never interleave.
#pragma once

#include <array>
#include <atomic>
#include <functional>

#include "quirlo/acquisition/acquisition_state.h"
#include "quirlo/acquisition/demo.h"

namespace quirlo::acquisition {

inline constexpr double kFrameStep = 0.02;  // s per analog frame (50 frames a second)
inline constexpr double kIdleStep = 0.05;   // s per idle tick (every 50 ms)

struct TComputationHooks {
  // Value of math channel `channel`, evaluated under the acquisition lock; `working` holds
  // this step's values for the channels before it and last step's for the others.
  std::function<double(int channel, const TChannelValueArray& working)> evaluateMath;
  // Whether channel's expression mentions "time" or "tot" (a reset then restarts it).
  std::function<bool(int channel)> expressionUsesTimeOrTotal;
  // The reset value chosen in the Reset Value dialog.
  std::function<double()> resetValue;
  // Tells the box to reset the count of frequency input `index` (0-based).
  std::function<void(int index)> resetTotal;
  // Names or units changed (edit, reload, demonstration): broadcast them.
  std::function<void()> namesChanged;
};

class TChannelComputation {
 public:
  explicit TChannelComputation(TAcquisitionState& state) : s_(state) {}

  void SetHooks(TComputationHooks hooks);  // before the timers start

  // Input stages. SetAnalogValues also ends the idle period and runs a frame step, unless
  // a replay is active (then nothing changes at all).
  void SetAnalogValues(const std::array<double, kAnalogInputs>& filtered);
  void SetRateValues(const std::array<double, kRateInputs>& rates,
                     const std::array<double, kRateInputs>& totals);
  void SetDigitalStates(const std::array<int8_t, kDigitalInputs>& states);
  void SetSerialValues(int input, const double* values, int count);

  // The idle timer's work: a 0.05 s step until the first analog frame, skipped during a
  // replay. Returns false once the idle period is over (the timer may stop).
  bool IdleTick();
  bool IdlePeriodOver() const { return firstFrameSeen_.load(); }

  void ComputeStep(double dt);

  // Offsets, integrals and time cleared, names broadcast.
  void ReloadTable();
  void ResetAll();

  // The coiled tubing demonstration (names swapped under the lock, then broadcast).
  void SetDemo(bool on);
  bool DemoOn() const;
  // Switches the demonstration off before the table is saved at shut-down.
  void RestoreDemoNames();
  // Under the lock; for tests and the simulation's turning points.
  TCoiledTubingDemo& Demo() { return demo_; }

 private:
  void ComputeLocked(double dt);
  void BroadcastNames();

  TAcquisitionState& s_;
  TComputationHooks hooks_;
  TCoiledTubingDemo demo_;
  TChannelValueArray working_{};
  std::atomic<bool> firstFrameSeen_{false};
};

}  // namespace quirlo::acquisition
