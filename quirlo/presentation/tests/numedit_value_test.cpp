#include "quirlo/presentation/numedit_value.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace quirlo::presentation {
namespace {

struct AutoSetCase {
  int row;
  double x;
  int decimals;
  const char* text;
};

TEST(QguiNumEditValue, AutoSetPicksDecimalsByMagnitude) {
  const AutoSetCase cases[] = {
      {1, 0.0, 0, "0"},
      {2, 0.000005, 0, "0"},
      {3, 0.00001, 8, "0.00001000"},
      {4, 0.00005, 8, "0.00005000"},
      {5, 0.0000999, 8, "0.00009990"},
      {6, 0.0001, 7, "0.0001000"},
      {7, 0.005, 6, "0.005000"},
      {8, 0.05, 5, "0.05000"},
      {9, 0.5, 4, "0.5000"},
      {10, 1.0, 3, "1.000"},
      {11, 9.9999, 3, "10.000"},
      {12, 10.0, 2, "10.00"},
      {13, 99.5, 2, "99.50"},
      {14, 100.0, 1, "100.0"},
      {15, -250.0, 1, "-250.0"},
      {16, 999.94, 1, "999.9"},
      {17, 1000.0, 0, "1000"},
      {18, -123456.7, 0, "-123457"},
      {19, -0.00002, 8, "-0.00002000"},
  };
  for (const auto& c : cases) {
    TNumEditValue v;
    v.AutoSet(c.x);
    EXPECT_EQ(v.Decimals(), c.decimals) << "row " << c.row << " x=" << c.x;
    EXPECT_EQ(v.Value(), c.x) << "row " << c.row;
    EXPECT_EQ(v.Text(), c.text) << "row " << c.row;
  }
}

TEST(QguiNumEditValue, ExactHalvesRoundAwayFromZero) {
  const struct { double x; int decimals; const char* text; } cases[] = {
      {0.03125, 4, "0.0313"}, {-0.03125, 4, "-0.0313"}, {2.5, 0, "3"}, {-2.5, 0, "-3"},
      {0.125, 2, "0.13"},     {1.0000001, 0, "1"},      {0.1, 1, "0.1"}, {2.675, 2, "2.67"},
  };  // 2.675 is stored just below the half, so it stays down
  for (const auto& c : cases) EXPECT_EQ(FormatFixed(c.x, c.decimals), c.text) << c.x;
}

TEST(QguiNumEditValue, NonFiniteInputIsShownSafely) {
  EXPECT_EQ(AutoSetDecimals(std::numeric_limits<double>::quiet_NaN()), 0);
  EXPECT_EQ(AutoSetDecimals(std::numeric_limits<double>::infinity()), 0);
  TNumEditValue v;
  v.SetValue(5);
  v.AutoSet(std::numeric_limits<double>::quiet_NaN());  // refused, value kept
  EXPECT_EQ(v.Value(), 5);
  EXPECT_EQ(FormatFixed(std::numeric_limits<double>::infinity(), 3), "INF");
  EXPECT_EQ(FormatFixed(1e308, 18).size(), 328u);  // largest text fits the buffer
}

TEST(QguiNumEditValue, DefaultsAndBounds) {
  TNumEditValue v;
  EXPECT_EQ(v.Value(), 0);
  EXPECT_EQ(v.Min(), -1e18);
  EXPECT_EQ(v.Max(), 1e18);
  v.SetMax(10);
  v.SetValue(25);
  EXPECT_EQ(v.Value(), 10);
  v.SetMin(20);  // pulls max and value up with it
  EXPECT_EQ(v.Max(), 20);
  EXPECT_EQ(v.Value(), 20);
  v.SetDecimals(99);
  EXPECT_EQ(v.Decimals(), TNumEditValue::kMaxDecimals);
}

TEST(QguiNumEditValue, TypedTextAndSeparator) {
  TNumEditValue v;
  v.SetDecimals(2);
  EXPECT_TRUE(v.SetText(" -3,25 ", ','));
  EXPECT_EQ(v.Value(), -3.25);
  EXPECT_EQ(v.Text(','), "-3,25");
  for (const char* bad : {"", "-", "1.2.3", "12a", "1e5", "--1"})
    EXPECT_FALSE(v.SetText(bad)) << bad;
  EXPECT_EQ(v.Value(), -3.25);
  v.SetValue(-0.001);
  EXPECT_EQ(v.Text(), "0.00");  // no "-0.00"
}

}  // namespace
}  // namespace quirlo::presentation
