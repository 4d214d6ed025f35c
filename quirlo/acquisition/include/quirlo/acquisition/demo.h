// The coiled tubing demonstration: six channels renamed and overwritten with a simulated
// well job (weight and depth of the tubing, four pressures), for showing the program
// without a box.
//
// Switching on remembers the names and units of channels 1..6 and gives them the job's
// names; switching off puts the remembered texts back exactly. The simulation state
// (weight, depth, direction) survives switching off and on again. While on, every
// computation step ends with Step(), which overwrites channels 1..6.
#pragma once

#include <array>
#include <cstdint>
#include <random>
#include <string>

#include "quirlo/acquisition/acquisition_state.h"
#include "quirlo/acquisition/channel_table.h"

namespace quirlo::acquisition {

class TCoiledTubingDemo {
 public:
  static constexpr int kChannels = 6;
  static constexpr double kStartWeight = 22500.0;
  static constexpr double kStartDepth = 9500.0;
  static constexpr double kTurnDownAbove = 9750.0;
  static constexpr double kTurnUpBelow = 9250.0;

  bool IsOn() const { return on_; }
  // Both return false (and change nothing) when the demonstration is already in that state,
  // so a second switch-on never takes the demonstration names for the user's own.
  bool SwitchOn(TChannelTable& table);
  bool SwitchOff(TChannelTable& table);

  // One demonstration step: moves the tubing and overwrites channels 1..6 of `values`.
  void Step(TChannelValueArray& values);

  double Weight() const { return weight_; }
  double Depth() const { return depth_; }
  bool GoingUp() const { return up_; }
  // For tests: a depth close to a turning point.
  void SetDepth(double depth) { depth_ = depth; }

 private:
  int Noise();

  bool on_ = false;
  double weight_ = kStartWeight;
  double depth_ = kStartDepth;
  bool up_ = true;
  std::array<std::string, kChannels> savedNames_;
  std::array<std::string, kChannels> savedUnits_;
  std::minstd_rand random_{20240611u};
};

}  // namespace quirlo::acquisition
