// Editing rules of the user paper, user long-paper and custom-size dialogs: typed units, the
// checks and their message numbers, the pending change lists, identifier allocation and the
// rewrite of KELD.INI on OK.
#include "keld/user_paper_edit.h"

#include <support/machine_root.h>
#include <win32/profile.h>
#include <win32/text.h>

#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

namespace keld {
namespace {

using win32::test::MachineRootTest;

std::string utf8(std::u16string_view s) { return win32::to_utf8(s); }

// Custom-size limits of a wide model: 76.2-328.0 mm wide, 127.0-1200.0 mm long.
constexpr FreeSizeLimits kWideLimits{3280, 12000, 3874, 14173, 762, 1270, 900, 1500};

EditRules rules(bool wide = false) {
  EditRules r;
  r.limits = kWideLimits;
  r.wideAllowed = wide;
  r.modelWords = {u"Letter", u"A4", u"Custom"};
  return r;
}

UserPaperRecord paper(SHORT id, std::u16string_view name, SHORT w, SHORT l) {
  UserPaperRecord p{};
  p.id = id;
  std::copy(name.begin(), name.end(), p.name);
  p.width = w;
  p.length = l;
  return p;
}

TEST(TypedUnits, SizesInMillimetresAndInches) {
  struct Case {
    int row;
    std::u16string text;
    LengthUnit unit;
    bool ok;
    int tenths;
  } const cases[] = {
      {1, u"210", LengthUnit::Millimetre, true, 2100},
      {2, u"210.5", LengthUnit::Millimetre, true, 2105},
      {3, u"210.55", LengthUnit::Millimetre, false, 0},  // one decimal only
      {4, u".5", LengthUnit::Millimetre, true, 5},
      {5, u"8.5", LengthUnit::Inch, true, 2159},  // 850 x 2540 / 1000 = 2159
      {6, u"11.00", LengthUnit::Inch, true, 2794},
      {7, u"8.505", LengthUnit::Inch, false, 0},
      {8, u"", LengthUnit::Millimetre, false, 0},
      {9, u"-5", LengthUnit::Millimetre, false, 0},
      {10, u"12a", LengthUnit::Millimetre, false, 0},
      {11, u"1.2.3", LengthUnit::Millimetre, false, 0},
      {12, u"12345678", LengthUnit::Millimetre, false, 0},  // longer than the edit box
      {13, u"4000", LengthUnit::Millimetre, false, 0},      // beyond a short
  };
  for (auto const& c : cases) {
    int tenths = -1;
    EXPECT_EQ(ParseSizeText(c.text, c.unit, &tenths), c.ok) << "row " << c.row;
    if (c.ok) {
      EXPECT_EQ(tenths, c.tenths) << "row " << c.row;
    }
  }
  EXPECT_EQ(FormatSizeText(2159, LengthUnit::Inch), u"8.50");
  EXPECT_EQ(FormatSizeText(2159, LengthUnit::Millimetre), u"215.9");
}

TEST(TypedUnits, PositionsToDotsAndThousandths) {
  struct Case {
    int row;
    std::u16string text;
    LengthUnit unit;
    LONG dots, mil;
  } const cases[] = {
      {1, u"25.4", LengthUnit::Millimetre, 600, 1000},
      {2, u"1.000", LengthUnit::Inch, 600, 1000},
      {3, u"0.1", LengthUnit::Millimetre, 2, 4},    // 2.36 dots, 3.94 thousandths
      {4, u"-0.1", LengthUnit::Millimetre, -2, -4},  // negative positions round down
      {5, u"-52.625", LengthUnit::Inch, -31575, -52625},
  };
  for (auto const& c : cases) {
    LONG dots = 0, mil = 0;
    ASSERT_TRUE(ParsePositionText(c.text, c.unit, true, &dots, &mil)) << "row " << c.row;
    EXPECT_EQ(dots, c.dots) << "row " << c.row;
    EXPECT_EQ(mil, c.mil) << "row " << c.row;
  }
  EXPECT_FALSE(ParsePositionText(u"-1", LengthUnit::Millimetre, false, nullptr, nullptr));
  EXPECT_FALSE(ParsePositionText(u"1.0001", LengthUnit::Inch, true, nullptr, nullptr));
}

TEST(UserPaperChecks, MessagesInOrder) {
  UserPaperSession s;
  s.rules = rules();
  s.base.papers = {paper(277, u"Card", 1270, 2032), paper(278, u"Slip", 1000, 1500)};
  struct Case {
    int row;
    UserPaperInput in;
    int editingId;
    int message;
    EditField focus;
  } const cases[] = {
      {1, {u"A4", u"100", u"200"}, 0, kMsgNameInUse, EditField::Name},  // first word of "A4 210 x 297 mm"
      {2, {u"letter", u"100", u"200"}, 0, kMsgNameInUse, EditField::Name},
      {3, {u"card", u"100", u"200"}, 0, kMsgNameInUse, EditField::Name},
      {4, {u"Card", u"100", u"200"}, 277, 0, EditField::None},  // its own name
      {5, {u"My,Paper", u"100", u"200"}, 0, kMsgBadNameCharacter, EditField::Name},
      {6, {u"Tab\tName", u"100", u"200"}, 0, kMsgBadNameCharacter, EditField::Name},
      {7, {u"   ", u"100", u"200"}, 0, kMsgBadNameCharacter, EditField::Name},
      {8, {u"Mine", u"50", u"50"}, 0, kMsgWidthOutOfRange, EditField::Width},  // width before length
      {9, {u"Mine", u"x", u"200"}, 0, kMsgWidthOutOfRange, EditField::Width},
      {10, {u"Mine", u"100", u"126.9"}, 0, kMsgLengthOutOfRange, EditField::Length},
      {11, {u"Mine", u"300", u"200"}, 0, kMsgWidthOverLength, EditField::Width},
      {12, {u"Mine", u"8.5", u"11", LengthUnit::Inch, true}, 0, 0, EditField::None},
  };
  for (auto const& c : cases) {
    UserPaperRecord out{};
    EditField focus = EditField::None;
    EXPECT_EQ(GetCheckUDPData(s, c.in, c.editingId, &out, &focus), c.message) << "row " << c.row;
    EXPECT_EQ(focus, c.focus) << "row " << c.row;
  }
  UserPaperRecord out{};
  ASSERT_EQ(GetCheckUDPData(s, {u"  Mine  ", u"8.5", u"11", LengthUnit::Inch, true}, 0, &out, nullptr), 0);
  EXPECT_EQ(utf8(out.name), "Mine");
  EXPECT_EQ(out.width, 2159);
  EXPECT_EQ(out.length, 2794);
  EXPECT_EQ(out.envelope, 1);
  EXPECT_EQ(out.unit, 1);

  // 300 mm wide, 200 mm long passes on a model that allows wide user papers.
  s.rules.wideAllowed = true;
  EXPECT_EQ(GetCheckUDPData(s, {u"Mine", u"300", u"200"}, 0, nullptr, nullptr), 0);
  EXPECT_EQ(CheckFreeSize(rules(false), u"300", u"200", LengthUnit::Millimetre, nullptr, nullptr, nullptr),
            kMsgWidthOverLength);
  int w = 0, l = 0;
  EXPECT_EQ(CheckFreeSize(rules(false), u"8.5", u"14", LengthUnit::Inch, &w, &l, nullptr), 0);
  EXPECT_EQ(l, 3556);
}

TEST(UserPaperChecks, PendingChangesCountForNames) {
  UserPaperSession s;
  s.rules = rules();
  s.base.papers = {paper(277, u"Card", 1270, 2032)};
  int added = SetUDPModfyData(s, ChangeKind::Add, paper(0, u"New", 1000, 2000));
  EXPECT_LT(added, 0);  // a temporary identifier until OK
  EXPECT_EQ(GetCheckUDPData(s, {u"new", u"100", u"200"}, 0, nullptr, nullptr), kMsgNameInUse);
  EXPECT_EQ(SetUDPModfyData(s, ChangeKind::Delete, paper(277, u"Card", 1270, 2032)), 1);
  EXPECT_EQ(GetCheckUDPData(s, {u"Card", u"100", u"200"}, 0, nullptr, nullptr), 0);
}

TEST(UserPaperSessionList, AddModifyDeleteAndTheLimitOf32) {
  UserPaperSession s;
  s.rules = rules();
  for (SHORT i = 0; i < 30; ++i) s.base.papers.push_back(paper(static_cast<SHORT>(277 + i), u"P", 1000, 2000));
  int a = SetUDPModfyData(s, ChangeKind::Add, paper(0, u"A", 1000, 2000));
  int b = SetUDPModfyData(s, ChangeKind::Add, paper(0, u"B", 1000, 2000));
  EXPECT_EQ(SetUDPModfyData(s, ChangeKind::Add, paper(0, u"C", 1000, 2000)), kMsgTooManyPapers);

  // A pending addition is changed or dropped in place.
  EXPECT_EQ(SetUDPModfyData(s, ChangeKind::Modify, paper(static_cast<SHORT>(a), u"A2", 1100, 2000)), 1);
  EXPECT_EQ(SetUDPModfyData(s, ChangeKind::Delete, paper(static_cast<SHORT>(b), u"B", 1000, 2000)), 1);
  EXPECT_EQ(GetUDPModfyData(s, 0, nullptr), 1);
  UserPaperChange c{};
  GetUDPModfyData(s, 0, &c);
  EXPECT_EQ(c.kind, ChangeKind::Add);
  EXPECT_EQ(utf8(c.paper.name), "A2");

  // A stored paper keeps one entry: its latest modification, or its deletion.
  SetUDPModfyData(s, ChangeKind::Modify, paper(277, u"X", 1000, 2000));
  SetUDPModfyData(s, ChangeKind::Modify, paper(277, u"Y", 1000, 2000));
  EXPECT_EQ(GetUDPModfyData(s, 0, nullptr), 2);
  SetUDPModfyData(s, ChangeKind::Delete, paper(277, u"Y", 1000, 2000));
  EXPECT_EQ(GetUDPModfyData(s, 1, &c), 2);
  EXPECT_EQ(c.kind, ChangeKind::Delete);
  EXPECT_EQ(SessionPapers(s).size(), 30u);
  EXPECT_EQ(SetUDPModfyData(s, ChangeKind::Modify, paper(277, u"Z", 1000, 2000)), 0);  // deleted
  EXPECT_EQ(SetUDPModfyData(s, ChangeKind::Delete, paper(999, u"Z", 1000, 2000)), 0);
}

TEST(UserPaperIds, OneAboveTheHighestThenTheLowestFree) {
  std::vector<int> full(kLastUserPaperId - kFirstUserPaperId + 1);
  std::iota(full.begin(), full.end(), kFirstUserPaperId);
  struct Case {
    int row;
    std::vector<int> inUse;
    int next;
  } const cases[] = {
      {1, {}, 277},
      {2, {277, 300}, 301},
      {3, {531}, 532},
      {4, {532}, 276},  // above 531: lowest free from 276 up
      {5, {276, 277, 532}, 278},
      {6, full, 0},
  };
  for (auto const& c : cases) EXPECT_EQ(NextUserPaperId(c.inUse), c.next) << "row " << c.row;
  EXPECT_EQ(NextUserLongId({}), 537);
  EXPECT_EQ(NextUserLongId({540}), 541);
  EXPECT_EQ(NextUserLongId({575, 537}), 538);
}

class UserPaperWriteTest : public MachineRootTest {
 protected:
  std::u16string key(LPCWSTR section, LPCWSTR k) {
    WCHAR buf[256] = {};
    GetPrivateProfileStringW(section, k, u"<missing>", buf, 256, kUserPaperFile);
    return buf;
  }
};

TEST_F(UserPaperWriteTest, OkRewritesTheStoreAndTheBlock) {
  root().write_file("Windows/KELD.INI",
                    "[UserDefPaper]\r\nnumDefine=2\r\nPaperEntry=277,280,\r\n"
                    "Paper277=Card,1270,2032,0,1\r\nPaper280=Old,1000,2000,0,0\r\n");
  ASSERT_EQ(ReloadUDPInfo(), 2);
  UserPaperSession s = OpenUserPaperSession(rules());
  SetUDPModfyData(s, ChangeKind::Delete, s.base.papers[1]);
  UserPaperRecord card{};
  ASSERT_EQ(GetCheckUDPData(s, {u"Card", u"130", u"210"}, 277, &card, nullptr), 0);
  SetUDPModfyData(s, ChangeKind::Modify, card);
  UserPaperRecord fresh{};
  ASSERT_EQ(GetCheckUDPData(s, {u"Fresh", u"100", u"200", LengthUnit::Millimetre, true}, 0, &fresh, nullptr), 0);
  SetUDPModfyData(s, ChangeKind::Add, fresh);
  SetUDPModfyData(s, ChangeKind::Add, paper(0, u"Second", 1000, 1500));

  ASSERT_EQ(WriteUDPChanges(s), 1);
  EXPECT_EQ(GetUDPModfyData(s, 0, nullptr), 0);
  EXPECT_EQ(key(kUserPaperSection, u"Paper280"), u"<missing>");
  EXPECT_EQ(key(kUserPaperSection, u"Paper277"), u"Card,1300,2100,0,0");
  EXPECT_EQ(key(kUserPaperSection, u"Paper278"), u"Fresh,1000,2000,1,0");
  EXPECT_EQ(key(kUserPaperSection, u"Paper279"), u"Second,1000,1500,0,0");
  EXPECT_EQ(key(kUserPaperSection, u"PaperEntry"), u"277,278,279,");
  EXPECT_EQ(key(kUserPaperSection, u"numDefine"), u"3");

  UserPaperStore block = GetUserPaperStore();
  ASSERT_EQ(block.papers.size(), 3u);
  EXPECT_EQ(block.header.highestId, 279);
  SHORT w = 0, l = 0, env = 0;
  EXPECT_EQ(GetUserPaperForJob(278, &w, &l, &env), 1);
  EXPECT_EQ(env, 1);
  EXPECT_EQ(GetUserPaperForJob(280, &w, &l, &env), 0);
}

TEST_F(UserPaperWriteTest, LongPapersCheckedWrittenAndReadBack) {
  ASSERT_EQ(ReloadUDLInfo(), 0);
  UserLongSession s = OpenUserLongSession(rules());
  UserLongInput in;
  in.name = u"Banner";
  in.width = u"210";
  in.length = u"900";
  in.start = u"-52.625";
  in.cut = u"54.612";
  in.margin = u"109.225";
  in.positionUnit = LengthUnit::Inch;
  in.paperCut = 1;

  struct Case {
    int row;
    void (*change)(UserLongInput&);
    int message;
  } const cases[] = {
      {1, [](UserLongInput&) {}, 0},
      {2, [](UserLongInput& i) { i.name = u"A4"; }, kMsgNameInUse},
      {3, [](UserLongInput& i) { i.width = u"50"; }, kMsgWidthOutOfRange},
      {4, [](UserLongInput& i) { i.length = u"50.8"; }, kMsgWidthOverLength},  // 2 inches passes the length check
      {5, [](UserLongInput& i) { i.length = u"50.7"; }, kMsgLengthOutOfRange},
      {6, [](UserLongInput& i) { i.start = u"-52.626"; }, kMsgStartOutOfRange},
      {7, [](UserLongInput& i) { i.start = u"-52.626"; i.adjMode = 1; }, 0},
      {8, [](UserLongInput& i) { i.start = u"56.600"; }, 0},
      {9, [](UserLongInput& i) { i.start = u"56.600"; i.adjMode = 1; }, kMsgStartOutOfRange},
      {10, [](UserLongInput& i) { i.cut = u"54.613"; }, kMsgCutOutOfRange},
      {11, [](UserLongInput& i) { i.cut = u"-1"; }, kMsgCutOutOfRange},
      {12, [](UserLongInput& i) { i.margin = u"109.226"; }, kMsgMarginOutOfRange},
      {13, [](UserLongInput& i) { i.width = u"300"; i.length = u"200"; }, kMsgWidthOverLength},
  };
  for (auto const& c : cases) {
    UserLongInput changed = in;
    c.change(changed);
    EXPECT_EQ(GetCheckUDLData(s, changed, 0, nullptr, nullptr), c.message) << "row " << c.row;
  }

  UserLongPaperRecord rec{};
  ASSERT_EQ(GetCheckUDLData(s, in, 0, &rec, nullptr), 0);
  EXPECT_LT(SetUDLModfyData(s, ChangeKind::Add, rec), 0);
  ASSERT_EQ(WriteUDLChanges(s), 1);
  EXPECT_EQ(key(kUserLongSection, u"PaperEntry"), u"537,");
  UserLongPaperStore block = GetUserLongPaperStore();
  ASSERT_EQ(block.papers.size(), 1u);
  UserLongPaperRecord const& back = block.papers[0];
  EXPECT_EQ(back.id, 537);
  EXPECT_EQ(back.startDots, -31575);
  EXPECT_EQ(back.cutDots, 32767);
  EXPECT_EQ(back.marginDots, 65535);
  EXPECT_EQ(back.marginMil, 109225);
  EXPECT_EQ(back.paperCut, 1);
}

}  // namespace
}  // namespace keld
