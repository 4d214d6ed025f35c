#include "win32/error.h"
#include "win32/locale.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

namespace {

// Sets the locale variables for one test and puts the old values back.
class Locale : public ::testing::Test {
 protected:
  void SetUp() override {
    for (auto const* v : kVars) {
      char const* old = std::getenv(v);
      saved_.emplace_back(old ? std::optional<std::string>(old) : std::nullopt);
      ::unsetenv(v);
    }
  }
  void TearDown() override {
    win32::set_user_locale(0);
    for (std::size_t i = 0; i < std::size(kVars); ++i) {
      if (saved_[i]) ::setenv(kVars[i], saved_[i]->c_str(), 1);
      else ::unsetenv(kVars[i]);
    }
  }
  static std::u16string info(LCID lcid, LCTYPE type) {
    WCHAR buf[32];
    int n = GetLocaleInfoW(lcid, type, buf, 32);
    return n > 0 ? std::u16string(buf, static_cast<std::size_t>(n - 1)) : u"<error>";
  }
  static constexpr char const* kVars[] = {"W32_LOCALE", "LC_ALL", "LC_MESSAGES", "LANG"};
  std::vector<std::optional<std::string>> saved_;
};

TEST_F(Locale, EnvironmentTable) {
  struct Row {
    char const* var;
    char const* value;
    LCID lcid;
    char16_t const* abbrev;
    char16_t const* ansi;
    char16_t const* measure;
    bool letter;
  } const rows[] = {
      /*1*/ {"LANG", "en_US.UTF-8", 0x0409, u"ENU", u"1252", u"1", true},
      /*2*/ {"LANG", "de_DE.UTF-8@euro", 0x0407, u"DEU", u"1252", u"0", false},
      /*3*/ {"LANG", "ja_JP.eucJP", 0x0411, u"JPN", u"932", u"0", false},
      /*4*/ {"LANG", "en_GB", 0x0809, u"ENG", u"1252", u"0", false},
      /*5*/ {"LANG", "fr_CA.UTF-8", 0x0C0C, u"FRC", u"1252", u"0", true},
      /*6*/ {"LANG", "ru_RU", 0x0419, u"RUS", u"1251", u"0", false},
      /*7*/ {"LANG", "de_LU.UTF-8", 0x0407, u"DEU", u"1252", u"0", false},  // unknown country
      /*8*/ {"LANG", "C.UTF-8", 0x0409, u"ENU", u"1252", u"1", true},
      /*9*/ {"LANG", "xx_YY", 0x0409, u"ENU", u"1252", u"1", true},
      /*10*/ {"LC_ALL", "pl_PL.UTF-8", 0x0415, u"PLK", u"1250", u"0", false},
      /*11*/ {"W32_LOCALE", "0x0412", 0x0412, u"KOR", u"949", u"0", false},
      /*12*/ {"W32_LOCALE", "zh_TW", 0x0404, u"CHT", u"950", u"0", false},
  };
  int n = 0;
  for (auto const& r : rows) {
    SCOPED_TRACE("row " + std::to_string(++n));
    ::setenv("LANG", "it_IT.UTF-8", 1);  // overridden by every row but its own
    ::setenv(r.var, r.value, 1);
    EXPECT_EQ(GetUserDefaultLCID(), r.lcid);
    EXPECT_EQ(GetUserDefaultLangID(), static_cast<LANGID>(r.lcid));
    EXPECT_EQ(info(LOCALE_USER_DEFAULT, LOCALE_SABBREVLANGNAME), r.abbrev);
    EXPECT_EQ(info(LOCALE_USER_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE), r.ansi);
    EXPECT_EQ(info(LOCALE_USER_DEFAULT, LOCALE_IMEASURE), r.measure);
    EXPECT_EQ(win32::user_uses_letter(), r.letter);
    ::unsetenv(r.var);
  }
}

TEST_F(Locale, SetterOverridesEnvironment) {
  ::setenv("W32_LOCALE", "de_DE", 1);
  win32::set_user_locale(0x0411);
  EXPECT_EQ(GetUserDefaultLCID(), 0x0411u);
  win32::set_user_locale(0);
  EXPECT_EQ(GetUserDefaultLCID(), 0x0407u);
}

TEST_F(Locale, LanguagesOfTheResourceTableAreKnown) {
  // Every language the string modules come in answers its abbreviation, primary forms included.
  for (LCID id : {1033, 1041, 1030, 1043, 2057, 1035, 1036, 1031, 1032, 1037, 1040, 1044, 2070, 1034, 1053, 1055,
                  1026, 1029, 1038, 1045, 1049, 1058, 2052, 1028, 1042, 3082})
    EXPECT_EQ(info(id, LOCALE_SABBREVLANGNAME).size(), 3u) << id;
  EXPECT_EQ(info(0x0407 | 0x10000, LOCALE_SABBREVLANGNAME), u"DEU") << "sort bits are ignored";
}

TEST_F(Locale, BufferAndErrorContract) {
  WCHAR buf[8];
  std::memset(buf, 0xcc, sizeof buf);
  EXPECT_EQ(GetLocaleInfoW(0x0409, LOCALE_SABBREVLANGNAME, nullptr, 0), 4);
  EXPECT_EQ(GetLocaleInfoW(0x0409, LOCALE_SABBREVLANGNAME, buf, 3), 0) << "one short";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(buf[0], 0xcccc);
  EXPECT_EQ(GetLocaleInfoW(0x0409, LOCALE_SABBREVLANGNAME, buf, 4), 4) << "exact fit";
  EXPECT_EQ(std::u16string(buf), u"ENU");
  EXPECT_EQ(buf[4], 0xcccc);

  EXPECT_EQ(GetLocaleInfoW(0x0999, LOCALE_SABBREVLANGNAME, buf, 8), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(GetLocaleInfoW(0x0409, 0x7777, buf, 8), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FLAGS));

  DWORD cp = 0;
  EXPECT_EQ(GetLocaleInfoW(0x0411, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                           reinterpret_cast<LPWSTR>(&cp), 2),
            2);
  EXPECT_EQ(cp, 932u);
  EXPECT_EQ(info(0x0409, LOCALE_IPAPERSIZE), u"1");
  EXPECT_EQ(info(0x0407, LOCALE_IPAPERSIZE), u"9");
  EXPECT_EQ(info(0x0407, LOCALE_ILANGUAGE), u"0407");
}

}  // namespace
