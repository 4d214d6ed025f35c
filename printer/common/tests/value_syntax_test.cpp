// The value syntax of the model data files: items, numbers, strings, yes/no and the
// compression number, each against a table of values as the files write them.
#include "keld/value_syntax.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace keld {
namespace {

TEST(ValueSyntax, SplitItemsHonoursQuotesAndTheCommentSemicolon) {
  struct Case {
    const char16_t* value;
    std::vector<std::u16string> items;
  } const cases[] = {
      {u"", {}},
      {u"   ", {}},
      {u"; only a comment", {}},
      {u"1", {u"1"}},
      {u" 3,2 , 1,0 ", {u"3", u"2", u"1", u"0"}},
      {u"1,", {u"1", u""}},
      {u",", {u"", u""}},
      {u"0x601 ; support 1, level 6", {u"0x601"}},
      {u"\"a,b;c\", 2 ; note", {u"\"a,b;c\"", u"2"}},
      {u"\"unterminated, 3", {u"\"unterminated, 3"}},
  };
  for (const auto& c : cases) {
    std::vector<std::u16string> got;
    for (auto item : SplitItems(c.value)) got.emplace_back(item);
    EXPECT_EQ(got, c.items) << std::string(c.value, c.value + std::char_traits<char16_t>::length(c.value));
  }
}

TEST(ValueSyntax, NumberItems) {
  struct Case {
    const char16_t* item;
    std::int64_t value;
  } const cases[] = {
      {u"0", 0},
      {u"3696", 3696},
      {u"-3", -3},
      {u"3-", -3},           // a minus anywhere makes the item negative
      {u"1 2", 12},          // other characters are skipped
      {u"12abc3", 123},
      {u"abc", 0},
      {u"0x00C0C0C0", 0xC0C0C0},
      {u"0XfF", 255},
      {u"-0x10", -16},
      {u"0x", 0},
      {u"x10", 10},          // no prefix at the first digit: decimal
      {u"10x5", 105},
      {u"0xFFFFFFFF", 0xFFFFFFFFll},
      {u"99999999999999999999999", kNumberLimit},
      {u"-99999999999999999999999", -kNumberLimit},
      {u"0x1FFFFFFFFFFFF", kNumberLimit},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseNumberItem(c.item), c.value)
        << std::string(c.item, c.item + std::char_traits<char16_t>::length(c.item));
  }
}

TEST(ValueSyntax, StringItemsDecodeHexEscapes) {
  struct Case {
    const char16_t* item;
    std::u16string text;
  } const cases[] = {
      {u"\"Arial\"", u"Arial"},
      {u"\"\\x1B&l26A\"", u"\x1B&l26A"},
      {u"\"\\X1b\\x00z\"", std::u16string(u"\x1B\0z", 3)},
      {u"\"\\x1\"", u"\\x1"},           // too few digits: taken as written
      {u"\"\\xZZ\"", u"\\xZZ"},
      {u"\"open to the end", u"open to the end"},
      {u"Arial", u"Arial"},              // a profile reader already took the quotes away
      {u"\"\"", u""},
      {u"\"a\" trailing", u"a"},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseStringItem(c.item), c.text);
}

TEST(ValueSyntax, NumberListsStopAtTheCapacity) {
  SHORT out[4];
  std::fill(std::begin(out), std::end(out), SHORT{0x5A5A});
  EXPECT_EQ(ReadNumberList(u"1,2,3,4,5,6 ; more", out, 3), 3);
  EXPECT_EQ(out[2], 3);
  EXPECT_EQ(out[3], 0x5A5A);  // never written
  EXPECT_EQ(ReadNumberList(u"", out, 4), 0);
  EXPECT_EQ(ReadNumberList(u"7", out, 0), 0);
  EXPECT_EQ(ReadNumberList(u"7", static_cast<SHORT*>(nullptr), 4), 0);

  // A 10,000-item value into a 64-entry list.
  std::u16string longValue;
  for (int i = 0; i < 10000; ++i) longValue += u"1,";
  DWORD list[64 + 1] = {};
  list[64] = 0xDEADBEEF;
  EXPECT_EQ(ReadNumberList(longValue, list, 64), 64);
  EXPECT_EQ(list[64], 0xDEADBEEFu);
}

TEST(ValueSyntax, NumbersAreClippedToTheirField) {
  EXPECT_EQ(ClipNumber<SHORT>(-1), -1);
  EXPECT_EQ(ClipNumber<SHORT>(0xFFFF), -1);  // the unsigned pattern of the width
  EXPECT_EQ(ClipNumber<SHORT>(70000), 32767);  // beyond 16 bits: saturates
  EXPECT_EQ(ClipNumber<SHORT>(-70000), -32768);
  EXPECT_EQ(ClipNumber<WORD>(-1), 0xFFFF);
  EXPECT_EQ(ClipNumber<WORD>(-70000), 0);
  EXPECT_EQ(ClipNumber<BYTE>(300), 255);
  EXPECT_EQ(ClipNumber<DWORD>(kNumberLimit), 0xFFFFFFFFu);
  EXPECT_EQ(ClipNumber<LONG>(-kNumberLimit), INT32_MIN);
}

TEST(ValueSyntax, IntegerKeysReadLikeTheProfileReader) {
  struct Case {
    const char16_t* value;
    std::optional<std::int64_t> number;
  } const cases[] = {
      {u"30", 30},  {u" -3", -3}, {u"+7", 7},          {u"0x10", 16}, {u"12abc3", 12},
      {u"", std::nullopt},        {u"abc", std::nullopt}, {u"0x", 0},  {u"99999999999999", kNumberLimit},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseInteger(c.value), c.number);
}

TEST(ValueSyntax, YesNo) {
  struct Case {
    const char16_t* value;
    std::optional<bool> answer;
  } const cases[] = {
      {u"Yes", true},
      {u"yES", true},
      {u"  Yes ; comment", true},
      {u"No", false},
      {u"nO", false},
      {u"No ; comment", false},
      {u"Y", std::nullopt},
      {u"Ye", std::nullopt},
      {u"N", std::nullopt},
      {u"", std::nullopt},
      {u"; Yes", std::nullopt},
      {u"True", std::nullopt},
      {u"Maybe", std::nullopt},   // its first Y is not followed by "es"
      {u"1", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseYesNo(c.value), c.answer)
        << std::string(c.value, c.value + std::char_traits<char16_t>::length(c.value));
  }
}

TEST(ValueSyntax, CompressionNumberEndsAtABlankAndTakesNoMinus) {
  struct Case {
    const char16_t* value;
    std::optional<std::int64_t> number;
  } const cases[] = {
      {u"0x0601 ; support 1, level 6", 0x601},
      {u"0x0601;", 0x601},
      {u"  513 7", 513},
      {u"-5", 5},
      {u"5-1", 51},
      {u"", std::nullopt},
      {u"; 5", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseCompressionNumber(c.value), c.number);
}

TEST(ValueSyntax, CopyToFieldCutsAndTerminates) {
  WCHAR field[5];
  std::fill(std::begin(field), std::end(field), u'#');
  CopyToField(u"Arial Black", field, 5);
  EXPECT_EQ(std::u16string(field), u"Aria");
  CopyToField(u"A", field, 5);
  EXPECT_EQ(field[1], 0);
  EXPECT_EQ(field[4], 0);  // the rest of the field is cleared
}

}  // namespace
}  // namespace keld
