#include "quirlo/acquisition/demo.h"

namespace quirlo::acquisition {

namespace {

struct DemoText {
  const char* name;
  const char* units;
};

constexpr DemoText kDemoTexts[TCoiledTubingDemo::kChannels] = {
    {"Weight", "lbs"},
    {"Depth", "ft"},
    {"Well Head Pressure", "PSI"},
    {"Circulating Pressure", "PSI"},
    {"Inside Traction", "PSI"},
    {"Chain Tension", "PSI"},
};

}  // namespace

bool TCoiledTubingDemo::SwitchOn(TChannelTable& table) {
  if (on_) return false;
  for (int i = 0; i < kChannels; ++i) {
    savedNames_[i] = FieldText(table[i].Name);
    savedUnits_[i] = FieldText(table[i].Units);
    SetFieldText(table[i].Name, kDemoTexts[i].name);
    SetFieldText(table[i].Units, kDemoTexts[i].units);
  }
  on_ = true;
  return true;
}

bool TCoiledTubingDemo::SwitchOff(TChannelTable& table) {
  if (!on_) return false;
  for (int i = 0; i < kChannels; ++i) {
    SetFieldText(table[i].Name, savedNames_[i]);
    SetFieldText(table[i].Units, savedUnits_[i]);
  }
  on_ = false;
  return true;
}

int TCoiledTubingDemo::Noise() {
  return static_cast<int>(random_() % 10) - 5;  // -5 .. 4
}

void TCoiledTubingDemo::Step(TChannelValueArray& values) {
  // The tubing moves a fixed amount per step, whatever the step's length.
  if (up_) {
    depth_ += 0.02;
    weight_ += 0.06;
  } else {
    depth_ -= 0.02;
    weight_ -= 0.06;
  }
  if (depth_ > kTurnDownAbove) up_ = false;
  if (depth_ < kTurnUpBelow) up_ = true;
  values[0] = weight_ + Noise();
  values[1] = depth_;
  values[2] = 7500 + Noise();
  values[3] = 9000 + Noise();
  values[4] = 250 + Noise();
  values[5] = 150 + Noise();
}

}  // namespace quirlo::acquisition
