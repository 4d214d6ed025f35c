#include "win32/text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(Text, Utf8ToUtf16ReplacesEachBadSequenceOnce) {
  struct Row {
    char const* name;
    std::string in;
    std::u16string out;
  } const rows[] = {
      {"ascii", "abc", u"abc"},
      {"two/three/four bytes", "\xC3\xBC\xE2\x82\xAC\xF0\x9F\x98\x80", u"\u00fc\u20ac\U0001F600"},
      {"stray continuation", "a\x80z", u"a\uFFFDz"},
      {"overlong slash", "\xC0\xAF", u"\uFFFD\uFFFD"},
      {"overlong 3-byte", "\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},
      {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
      {"above U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"truncated at end", "ab\xE2\x82", u"ab\uFFFD"},
      {"truncated mid-text", "\xE2\x82z", u"\uFFFDz"},
      {"lead byte alone at end", "\xF0", u"\uFFFD"},
      {"embedded NUL kept", std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
  };
  for (auto const& r : rows) EXPECT_EQ(win32::to_utf16(r.in), r.out) << r.name;
  EXPECT_TRUE(win32::is_valid_utf8("\xC3\xBC\xEF\xBF\xBD"));
  EXPECT_FALSE(win32::is_valid_utf8("\xFC"));
}

TEST(Text, Utf16ToUtf8ReplacesLoneSurrogates) {
  EXPECT_EQ(win32::to_utf8(u"\u00fc\U0001F600"), "\xC3\xBC\xF0\x9F\x98\x80");
  EXPECT_EQ(win32::to_utf8(std::u16string{0xD800, u'a'}), "\xEF\xBF\xBD" "a");
  EXPECT_EQ(win32::to_utf8(std::u16string{u'a', 0xDC00}), "a\xEF\xBF\xBD");
  EXPECT_EQ(win32::to_utf8(std::u16string{0xD800}), "\xEF\xBF\xBD");
  EXPECT_EQ(win32::to_utf8(std::u16string{0xDC00, 0xD800}), "\xEF\xBF\xBD\xEF\xBF\xBD") << "reversed pair";
}

TEST(Text, Cp1252RoundTrip) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  bool lossless = false;
  EXPECT_EQ(win32::to_cp1252(win32::from_cp1252(all), &lossless), all);
  EXPECT_TRUE(lossless);
  EXPECT_EQ(win32::from_cp1252("\x80\x9F"), u"\u20ac\u0178");
  EXPECT_EQ(win32::to_cp1252(u"a\u65e5", &lossless), "a?");
  EXPECT_FALSE(lossless);
}

TEST(Text, StringCalls) {
  EXPECT_EQ(lstrlenW(u"abc"), 3);
  EXPECT_EQ(lstrlenW(nullptr), 0);

  WCHAR buf[8];
  std::memset(buf, 0xcc, sizeof buf);
  EXPECT_EQ(lstrcpynW(buf, u"abcdef", 4), buf);
  EXPECT_EQ(std::u16string(buf), u"abc") << "max - 1 units and a NUL";
  EXPECT_EQ(buf[4], 0xcccc);
  std::memset(buf, 0xcc, sizeof buf);
  lstrcpynW(buf, u"abc", 4);
  EXPECT_EQ(std::u16string(buf), u"abc") << "exact fit";
  lstrcpynW(buf, u"abc", 1);
  EXPECT_EQ(buf[0], 0);
  buf[0] = u'x';
  lstrcpynW(buf, u"abc", 0);
  EXPECT_EQ(buf[0], u'x') << "max 0 writes nothing";

  struct Row {
    char16_t const* a;
    char16_t const* b;
    int expected;
  } const rows[] = {
      {u"KELD.INI", u"keld.ini", 0}, {u"abc", u"ABD", -1}, {u"b", u"A", 1}, {u"ab", u"AB c", -1},
      {u"_", u"a", -1},  // letters fold to lower case, so '_' sorts before them
      {u"\u00c4", u"\u00e4", -1},  // only ASCII folds: compared as code units
      {nullptr, u"", 0},
  };
  for (auto const& r : rows) EXPECT_EQ(lstrcmpiW(r.a, r.b), r.expected);
  EXPECT_EQ(lstrcmpW(u"a", u"B"), 1);
}

}  // namespace
