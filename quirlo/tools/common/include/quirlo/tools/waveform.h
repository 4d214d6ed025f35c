// Waveforms for the two simulators (the data simulator's fields and the box emulator's
// inputs), written on the command line as
//     KIND[:AMPLITUDE[:OFFSET[:PERIOD]]]
// KIND is sine, ramp, square or constant; PERIOD is in seconds (default 1). Values:
//     constant  OFFSET
//     sine      OFFSET + AMPLITUDE * sin(2 pi t / PERIOD)
//     ramp      OFFSET - AMPLITUDE rising evenly to OFFSET + AMPLITUDE over each period
//     square    OFFSET + AMPLITUDE for the first half of each period, OFFSET - AMPLITUDE after
#pragma once

#include <optional>
#include <string>

namespace quirlo::tools {

struct Waveform {
  enum class Kind { Constant, Sine, Ramp, Square };
  Kind kind = Kind::Constant;
  double amplitude = 0;
  double offset = 0;
  double period = 1;  // seconds, > 0

  double At(double seconds) const;

  static Waveform Constant(double value) { return {Kind::Constant, 0, value, 1}; }
  static Waveform Sine(double amplitude, double offset, double period) {
    return {Kind::Sine, amplitude, offset, period};
  }
  // Parses the command-line form above; nothing for an unknown kind, a bad number or a
  // period that is not positive.
  static std::optional<Waveform> Parse(const std::string& text);
};

// "N=WAVE" with 1 <= N <= count: the 0-based index and the waveform.
struct IndexedWaveform {
  int index = 0;
  Waveform wave;
};
std::optional<IndexedWaveform> ParseIndexedWaveform(const std::string& text, int count);

}  // namespace quirlo::tools
