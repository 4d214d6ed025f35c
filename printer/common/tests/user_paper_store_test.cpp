// The user paper stores: the "PaperEntry" walk, reading the stores from KELD.INI, merging the
// regional predefined papers and the queries on the blocks.
#include "keld/user_paper_store.h"

#include <support/machine_root.h>
#include <win32/profile.h>
#include <win32/text.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace keld {
namespace {

using win32::test::MachineRootTest;

std::string utf8(std::u16string_view s) { return win32::to_utf8(s); }

std::u16string read_key(LPCWSTR section, LPCWSTR key) {
  WCHAR buf[512] = {};
  GetPrivateProfileStringW(section, key, u"<missing>", buf, 512, kUserPaperFile);
  return buf;
}

// Limits of the CP-2100 data set: 76.2-215.9 mm wide, 127.0-355.6 mm long.
constexpr FreeSizeLimits kLimits{2159, 3556, 2550, 4200, 762, 1270, 900, 1500};

TEST(PaperEntryWalk, NumbersUpToTheFirstMissingComma) {
  struct Case {
    int row;
    std::u16string text;
    int limit;
    std::vector<int> ids;
  } const cases[] = {
      {1, u"277,278,", 32, {277, 278}},  // as written
      {2, u"277,278", 32, {277, 278}},   // no trailing comma: the same
      {3, u"", 32, {}},
      {4, u"277 278,279,", 32, {277}},   // stops at a number not followed by a comma
      {5, u"277,x,278,", 32, {277}},     // stops at an item that is no number
      {6, u" 277 , 278 ,", 32, {277, 278}},
      {7, u"277,278,279,", 2, {277, 278}},  // at most numDefine numbers
      {8, u"277,278,", 0, {}},
      {9, u",277,", 32, {}},
  };
  for (auto const& c : cases) EXPECT_EQ(ParsePaperEntry(c.text, c.limit), c.ids) << "row " << c.row;
}

TEST(UserPaperLines, RoundTripAndLimits) {
  UserPaperRecord p = ParseUserPaperLine(277, u"Index Card 5 x 8,1270,2032,0,1");
  EXPECT_EQ(utf8(p.name), "Index Card 5 x 8");
  EXPECT_EQ(p.width, 1270);
  EXPECT_EQ(p.length, 2032);
  EXPECT_EQ(p.envelope, 0);
  EXPECT_EQ(p.unit, 1);
  EXPECT_EQ(FormatUserPaperLine(p), u"Index Card 5 x 8,1270,2032,0,1");

  // A name is cut at 39 characters; garbage and missing numbers read as 0.
  UserPaperRecord q = ParseUserPaperLine(278, u"0123456789012345678901234567890123456789XYZ,abc,12x");
  EXPECT_EQ(std::u16string(q.name).size(), 39u);
  EXPECT_EQ(q.width, 0);
  EXPECT_EQ(q.length, 12);
  EXPECT_EQ(q.envelope, 0);

  UserLongPaperRecord l =
      ParseUserLongLine(537, u"Banner,2100,9000,3,1x,1,1,1,-200,32767,60000,-333,54611,100000");
  EXPECT_EQ(l.unit, 1);  // the unit item begins with the digit 1
  EXPECT_EQ(l.further, 3);
  EXPECT_EQ(l.startDots, -200);
  EXPECT_EQ(l.cutDots, 32767);
  EXPECT_EQ(l.marginDots, 60000);  // margins beyond 16 bits come back whole
  EXPECT_EQ(l.cutMil, 54611);
  EXPECT_EQ(l.marginMil, 100000);
  EXPECT_EQ(ParseUserLongLine(537, FormatUserLongLine(l)).marginMil, 100000);
  EXPECT_EQ(FormatUserLongLine(ParseUserLongLine(537, u"B,1,2,3,0,5,6,7,8,9,10,11,12,13")),
            u"B,1,2,3,0,5,6,7,8,9,10,11,12,13");
}

TEST(UserPaperDisplay, MillimetresAndInches) {
  EXPECT_EQ(UserPaperDisplayName(u"Card", 1270, 2032, false), u"Card 127.0 x 203.2mm");
  EXPECT_EQ(UserPaperDisplayName(u"Card", 1270, 2032, true), u"Card 5.00 x 8.00in");
  EXPECT_EQ(FormatHundredthsIn(2159), u"8.50");
  EXPECT_EQ(FormatTenthsMm(5), u"0.5");
}

class UserPaperStoreTest : public MachineRootTest {
 protected:
  void write_store(std::string const& text) { root().write_file("Windows/KELD.INI", text); }
};

TEST_F(UserPaperStoreTest, ReloadKeepsOnlyPapersThatExist) {
  write_store(
      "[UserDefPaper]\r\n"
      "numDefine=6\r\n"
      "PaperEntry=280,277,9,277,300,281,\r\n"
      "Paper277=Card, with comma,1270,2032,0,1\r\n"
      "Paper280=Wide,3000,2000,1,0\r\n"
      "Paper281=Narrow,500,2000,0,0\r\n"
      "Paper9=Bogus,1,1,0,0\r\n");
  EXPECT_EQ(ReloadUDPInfo(), 3);
  UserPaperStore s = GetUserPaperStore();
  ASSERT_EQ(s.papers.size(), 3u);
  EXPECT_EQ(s.header.count, 3);
  EXPECT_EQ(s.header.highestId, 281);
  // Out-of-range 9, the repeated 277 and the missing Paper300 line are left out.
  EXPECT_EQ(s.papers[0].id, 280);
  EXPECT_EQ(s.papers[1].id, 277);
  EXPECT_EQ(utf8(s.papers[1].name), "Card");
  EXPECT_EQ(s.papers[2].id, 281);
}

TEST_F(UserPaperStoreTest, MissingOrGarbageCountsGiveAnEmptyStore) {
  for (std::string count : {"0", "-5", "abc", ""}) {
    write_store("[UserDefPaper]\r\nnumDefine=" + count + "\r\nPaperEntry=277,\r\nPaper277=A,1000,2000,0,0\r\n");
    EXPECT_EQ(ReloadUDPInfo(), 0) << count;
    EXPECT_EQ(GetUserPaperStore().header.highestId, kUserPaperBaseId);
  }
  std::filesystem::remove(root().windows() / "KELD.INI");
  EXPECT_EQ(ReloadUDPInfo(), 0);
  EXPECT_EQ(ReloadUDLInfo(), 0);
  EXPECT_EQ(GetUserLongPaperStore().header.highestId, kUserLongBaseId);
}

TEST_F(UserPaperStoreTest, RegionalPapersMergeWithoutOverwritingTheUsersOwn) {
  auto regional = root().write_file("drv/REG.INI",
                                    "[UserDefPaper]\r\nnumDefine=2\r\nPaperEntry=277,278\r\n"
                                    "Paper277=Index Card 5 x 8,1270,2032,0,1\r\nPaper278=Slip,1000,1500,0,0\r\n"
                                    "[UserDefLong]\r\nnumDefine=1\r\nPaperEntry=537,\r\n"
                                    "Paper537=Banner 210 x 900,2100,9000,0,0,0,0,0,0,0,0,0,0,0\r\n");
  std::u16string reg = win32::to_utf16(regional.string());
  write_store("[UserDefPaper]\r\nnumDefine=1\r\nPaperEntry=278,\r\nPaper278=Mine,2000,2500,0,0\r\n");

  EXPECT_EQ(SetUDP_Read(reg.c_str()), 1);
  EXPECT_EQ(SetUDP_Read(reg.c_str()), 1);  // a second merge adds nothing
  EXPECT_EQ(read_key(kUserPaperSection, u"PaperEntry"), u"278,277,");
  EXPECT_EQ(read_key(kUserPaperSection, u"numDefine"), u"2");
  EXPECT_EQ(read_key(kUserPaperSection, u"Paper278"), u"Mine,2000,2500,0,0");
  EXPECT_EQ(read_key(kUserPaperSection, u"Paper277"), u"Index Card 5 x 8,1270,2032,0,1");

  EXPECT_EQ(SetUDL_Read(reg.c_str()), 1);
  EXPECT_EQ(ReloadUDLInfo(), 1);
  UserLongPaperStore l = GetUserLongPaperStore();
  EXPECT_EQ(l.header.highestId, 537);
  EXPECT_EQ(l.papers[0].length, 9000);

  // A regional file without papers changes nothing.
  auto empty = root().write_file("drv/EMPTY.INI", "[UserDefPaper]\r\nnumDefine=0\r\n");
  EXPECT_EQ(SetUDP_Read(win32::to_utf16(empty.string()).c_str()), 0);
  EXPECT_EQ(SetUDP_Read(nullptr), 0);
  EXPECT_EQ(ReloadUDPInfo(), 2);
}

TEST_F(UserPaperStoreTest, QueriesSelectByTheCustomSizeLimits) {
  write_store(
      "[UserDefPaper]\r\nnumDefine=3\r\nPaperEntry=277,278,279,\r\n"
      "Paper277=Card,1270,2032,0,1\r\n"
      "Paper278=Huge,3000,5000,1,0\r\n"
      "Paper279=Env,1100,2200,1,0\r\n");
  ASSERT_EQ(ReloadUDPInfo(), 3);

  EXPECT_EQ(QueryUDPInfo(kLimits, kUdCount, nullptr, 0), 2);
  EXPECT_EQ(QueryUDPInfo(kLimits, kUdCount | kUdViolating, nullptr, 0), 1);
  EXPECT_EQ(QueryUDPInfo(kLimits, kUdCount | kUdAll, nullptr, 0), 3);

  SHORT ids[3] = {-1, -1, -1};
  EXPECT_EQ(QueryUDPInfo(kLimits, kUdId, ids, 0), 2);
  EXPECT_EQ(ids[0], 277);
  EXPECT_EQ(ids[1], 279);
  EXPECT_EQ(ids[2], -1);  // nothing written past the selection

  UdIdName names[3] = {};
  EXPECT_EQ(QueryUDPInfo(kLimits, kUdIdName | kUdAll, names, 0), 3);
  EXPECT_EQ(names[0].id, 277);
  EXPECT_EQ(utf8(names[0].name), "Card 5.00 x 8.00in");
  EXPECT_EQ(utf8(names[1].name), "Huge 300.0 x 500.0mm");

  UdIdSizeLong sizes[2] = {};
  EXPECT_EQ(QueryUDPInfo(kLimits, kUdIdSizeLong, sizes, 0), 2);
  EXPECT_EQ(sizes[1].id, 279);
  EXPECT_EQ(sizes[1].length, 2200);

  // The identifier walk: next identifier, sign bit for a paper outside the limits, 0 at the end.
  UserPaperRecord rec{};
  EXPECT_EQ(QueryUDPInfo(kLimits, kUdRecord, &rec, 277), 278);
  EXPECT_EQ(rec.width, 1270);
  EXPECT_EQ(QueryUDPInfo(kLimits, kUdEnvelope, nullptr, 278), static_cast<LONG>(0x80000000u | 279));
  EXPECT_EQ(QueryUDPInfo(kLimits, kUdEnvelope, nullptr, 279), 0);
  EXPECT_EQ(QueryUDPInfo(kLimits, kUdEnvelope, nullptr, 300), -1);

  WCHAR shortName[kUdShortNameChars];
  QueryUDPInfo(kLimits, kUdName, shortName, 277);
  EXPECT_EQ(utf8(shortName), "Card");
  SHORT highest = 0;
  EXPECT_EQ(QueryUDPInfo(kLimits, kUdHighestId, &highest, 0), 279);
  EXPECT_EQ(highest, 279);
}

TEST_F(UserPaperStoreTest, LongPaperQueriesAcceptTwoInchLengths) {
  write_store(
      "[UserDefLong]\r\nnumDefine=2\r\nPaperEntry=537,540,\r\n"
      "Paper537=Short,2000,508,0,0,0,0,0,0,0,0,0,0,0\r\n"
      "Paper540=TooShort,2000,507,0,0,0,0,0,0,0,0,0,0,0\r\n");
  ASSERT_EQ(ReloadUDLInfo(), 2);
  EXPECT_EQ(QueryUDLInfo(kLimits, kUdCount, nullptr, 0), 1);
  UserLongPaperRecord rec[2] = {};
  EXPECT_EQ(QueryUDLInfo(kLimits, kUdRecord | kUdAll, rec, 0), 2);
  EXPECT_EQ(utf8(rec[1].name), "TooShort");
  EXPECT_EQ(QueryUDLInfo(kLimits, kUdHighestId, nullptr, 0), 540);
}

}  // namespace
}  // namespace keld
