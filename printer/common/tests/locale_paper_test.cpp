#include "keld/locale_paper.h"

#include <win32/locale.h>

#include <gtest/gtest.h>

namespace {

TEST(LocalePaper, LetterCountryCodes) {
  for (int code : {1, 2, 51, 52, 54, 56, 57, 58, 501, 504, 507, 591, 593, 595, 598})
    EXPECT_TRUE(keld::IsLetterCountryCode(code)) << code;
  for (int code : {-1, 0, 3, 33, 44, 49, 53, 55, 81, 500, 508, 590, 592, 594, 596, 597, 599})
    EXPECT_FALSE(keld::IsLetterCountryCode(code)) << code;
}

struct LocaleCase {
  LCID lcid;
  int letter;
};

TEST(LocalePaper, UserLocaleDecides) {
  const LocaleCase cases[] = {
      {0x0409, 1},  // United States
      {0x1009, 1},  // Canada
      {0x0C0C, 1},  // Canada (French)
      {0x080A, 1},  // Mexico
      {0x0809, 0},  // United Kingdom
      {0x0407, 0},  // Germany
      {0x0411, 0},  // Japan
      {0x3409, 0},  // Philippines: code 63 is not among the Letter countries
  };
  for (auto const& c : cases) {
    win32::set_user_locale(c.lcid);
    EXPECT_EQ(keld::isPaperDefaultLetter(), c.letter) << std::hex << c.lcid;
  }
  win32::set_user_locale(0);
}

}  // namespace
