#include "quirlo/tools/waveform.h"

#include <gtest/gtest.h>

#include "quirlo/tools/sim_text.h"

namespace quirlo::tools {
namespace {

TEST(qplat_Waveform, ParsesAndEvaluates) {
  struct Case {
    int row;
    const char* text;
    double t;
    double expected;
  } const cases[] = {
      {1, "constant:7", 3.3, 7},
      {2, "constant:0:12", 0, 12},
      {3, "sine:100:50:4", 1, 150},       // quarter period: peak
      {4, "sine:100:50:4", 3, -50},       // three quarters: trough
      {5, "ramp:10:0:2", 0, -10},         // starts at offset - amplitude
      {6, "ramp:10:0:2", 1.5, 5},         // three quarters up
      {7, "ramp:10:0:2", 2, -10},         // and starts again
      {8, "square:5:1:1", 0.25, 6},
      {9, "square:5:1:1", 0.75, -4},
      {10, "sine", 0.25, 0},              // amplitude 0 by default
  };
  for (const auto& c : cases) {
    auto w = Waveform::Parse(c.text);
    ASSERT_TRUE(w) << "row " << c.row;
    EXPECT_NEAR(w->At(c.t), c.expected, 1e-9) << "row " << c.row << " " << c.text;
  }
  for (const char* bad : {"", "triangle:1", "sine:x", "sine:1:2:0", "sine:1:2:-1", "sine:1:2:3:4"})
    EXPECT_FALSE(Waveform::Parse(bad)) << bad;

  auto iw = ParseIndexedWaveform("2=square:1:0:1", 8);
  ASSERT_TRUE(iw);
  EXPECT_EQ(iw->index, 1);
  for (const char* bad : {"0=sine", "9=sine", "=sine", "2sine", "x=sine", "2=bogus"})
    EXPECT_FALSE(ParseIndexedWaveform(bad, 8)) << bad;
}

TEST(qplat_SimulatorText, FieldsJoinedByTheDelimiter) {
  const std::vector<Waveform> fields = {Waveform::Constant(12), Waveform::Constant(345.4),
                                        Waveform::Constant(-0.2)};
  EXPECT_EQ(SimulatorText(fields, 0, ","), "12,345,0");
  EXPECT_EQ(SimulatorText(fields, 0, DelimiterFromOption("T")), "12\t345\t0");
  EXPECT_EQ(SimulatorText(fields, 0, ";", 1), "12.0;345.4;-0.2");
  EXPECT_EQ(DelimiterFromOption(""), ",");
  EXPECT_EQ(DelimiterFromOption("|"), "|");
}

}  // namespace
}  // namespace quirlo::tools
