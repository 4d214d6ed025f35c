#include "quirlo/presentation/clock_format.h"

#include <gtest/gtest.h>

namespace quirlo::presentation {
namespace {

TEST(QguiClockFormat, LongTimeLosesOnlyItsTimeZone) {
  struct Case {
    int row;
    const char* pattern;
    const char* expected;
  };
  const Case cases[] = {
      {1, "h:mm:ss AP t", "h:mm:ss AP"},  // en_US
      {2, "HH:mm:ss t", "HH:mm:ss"},      // C, de_DE, en_GB
      {3, "HH:mm:ss tttt", "HH:mm:ss"},
      {4, "t HH:mm:ss", "HH:mm:ss"},
      {5, "HH:mm:ss", "HH:mm:ss"},
      {6, "HH 'at' mm", "HH 'at' mm"},    // quoted text is not a field
      {7, "HH 'o''t' mm t", "HH 'o''t' mm"},
      {8, "", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(WithoutTimeZone(c.pattern), c.expected) << "row " << c.row;
}

}  // namespace
}  // namespace quirlo::presentation
