// Paper, source, paper-type, media-type, quality and memory lookups on the models of the
// data set, loaded through the data layer into a fresh machine root.
#include "keld/paper_tables.h"

#include "keld/data_layer.h"
#include "keld/data_role.h"
#include "keld/data_set.h"
#include "keld/model_files.h"
#include "keld/user_paper_edit.h"
#include "keld/user_paper_store.h"

#include <support/machine_root.h>
#include <win32/module.h>
#include <win32/text.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace keld {
namespace {

constexpr WCHAR kCP2100[] = u"Zozarad CP-2100";
constexpr WCHAR kCP3300[] = u"Zozarad CP-3300D";

std::string utf8(std::u16string_view s) { return win32::to_utf8(s); }

class PaperTablesTest : public win32::test::MachineRootTest {
 protected:
  void SetUp() override {
    std::error_code ec;
    auto driver = install_data_set(root().path(), ec);
    ASSERT_FALSE(ec) << ec.message();
    SetDataDirectory(win32::to_utf16(driver.string()));
    root().write_file("Windows/KELD.INI",
                      "[UserDefPaper]\r\nnumDefine=2\r\nPaperEntry=277,278,\r\n"
                      "Paper277=Card,1270,2032,0,1\r\nPaper278=Env,1100,2200,1,0\r\n"
                      "[UserDefLong]\r\nnumDefine=1\r\nPaperEntry=537,\r\n"
                      "Paper537=Banner,2100,9000,0,0,0,0,0,0,0,0,0,0,0\r\n");
    info_ = load(kCP2100);
    ASSERT_NE(info_, nullptr);
    ReloadUDPInfo();
    ReloadUDLInfo();
  }
  void TearDown() override {
    FreePaperNames();
    SetDataRole(DataRole::Configuration);
    FreeSharedBlock();
    SetDataDirectory(u"");
  }
  static ModelRecord const* load(LPCWSTR model) {
    GetBinaryFileDataEx(model, nullptr, TRUE);
    return GetPrinterInfo(model);
  }
  // Index of a paper in the common table, -1 when missing.
  static int common_index(int paperId) {
    PaperTable const* t = GetCommonPaperTable();
    for (int i = 0; t != nullptr && i < kCommonPaperCount; ++i)
      if (t->papers[i].wPaperID == paperId) return i;
    return -1;
  }

  ModelRecord const* info_ = nullptr;
};

TEST_F(PaperTablesTest, PaperRowsAndTheirSizes) {
  int a4 = SearchPaper(info_, 9);
  ASSERT_GE(a4, 0);
  EXPECT_EQ(GetInternlPaperID(info_, a4), 9);
  EXPECT_EQ(GetInternlPaperType(info_, a4), 0);
  PaperExtent e{};
  EXPECT_EQ(GetInternlPaperSize(info_, a4, &e), 1);
  EXPECT_EQ(e.width, 2480);
  EXPECT_EQ(e.length, 3508);
  GetInternlPaper1Par10mmSize(info_, a4, &e);
  EXPECT_EQ(e.width, 2100);
  EXPECT_EQ(e.length, 2970);
  GetInternlPaperPageSize(info_, a4, 1, &e);
  EXPECT_EQ(e.width, 2380);
  GetInternlPaperPageSize(info_, a4, 2, &e);
  EXPECT_EQ(e.width, 3408);
  GetInternlPaperMargine(info_, a4, 1, &e);
  EXPECT_EQ(e.width, 50);
  EXPECT_EQ(e.length, 50);
  EXPECT_EQ(GetInternlPaperfSource(info_, a4), GetUDDetailTBL(kCP2100)->dwPaperSourceMask[common_index(9)]);
  EXPECT_NE(GetInternlPaperfSource(info_, a4), 0u);

  // Rows out of range: zero for sizes, the default row for printable area and margins.
  int rows = static_cast<int>(info_->paperList.dwCount);
  EXPECT_EQ(GetInternlPaperID(info_, rows), 0);
  EXPECT_EQ(GetInternlPaperID(info_, -1), 0);
  EXPECT_EQ(GetInternlPaperSize(info_, rows, &e), 0);
  EXPECT_EQ(e.width, 0);
  PaperExtent byDefault{};
  GetInternlPaperPageSize(info_, static_cast<int>(info_->paperList.dwDefault), 1, &byDefault);
  GetInternlPaperPageSize(info_, 500, 1, &e);
  EXPECT_EQ(e.width, byDefault.width);
  EXPECT_EQ(e.length, byDefault.length);
  EXPECT_EQ(GetInternlPaperfSource(info_, rows), 0u);
}

TEST_F(PaperTablesTest, SearchPaperCodes) {
  EXPECT_EQ(SearchPaper(info_, 0), kPaperNotFound);  // also with user papers stored
  EXPECT_EQ(SearchPaper(info_, 277), kPaperIsUser);
  EXPECT_EQ(SearchPaper(info_, 537), kPaperIsUserLong);
  EXPECT_EQ(SearchPaper(info_, 279), kPaperNotFound);
  EXPECT_EQ(SearchPaper(info_, 8), kPaperNotFound);  // A3 is not a paper of this model
  EXPECT_EQ(SearchPaper(nullptr, 9), kPaperNotFound);

  // The rendering module asks no store: every unknown identifier but 0 is a user paper.
  SetDataRole(DataRole::Rendering);
  EXPECT_GE(SearchPaper(info_, 9), 0);
  EXPECT_EQ(SearchPaper(info_, 0), kPaperNotFound);
  EXPECT_EQ(SearchPaper(info_, 537), kPaperIsUser);
  EXPECT_EQ(SearchPaper(info_, 8), kPaperIsUser);
}

TEST_F(PaperTablesTest, RegionalPapersReachTheStoresWhenTheTablesAreRebuilt) {
  std::filesystem::remove(root().windows() / "KELD.INI");
  ReloadUDPInfo();
  ReloadUDLInfo();
  EXPECT_EQ(SearchPaper(info_, 277), kPaperNotFound);
  ASSERT_EQ(load(kCP2100), info_);  // a forced load reads the text files again
  EXPECT_EQ(SearchPaper(info_, 277), kPaperIsUser);
  EXPECT_EQ(SearchPaper(info_, 537), kPaperIsUserLong);
  UserPaperRecord card{};
  EXPECT_EQ(GetUDPInfo(info_, kUdRecord, &card, 277), 0);  // the only paper
  EXPECT_EQ(utf8(card.name), "Index Card 5 x 8");
  EXPECT_EQ(card.unit, 1);
}

TEST_F(PaperTablesTest, PatternNamesAndShortNames) {
  int custom = common_index(263);
  ASSERT_GE(custom, 0);
  ModelRecord model = *info_;  // a model whose first paper is the pattern paper
  model.paperList.dwItems[0] = static_cast<DWORD>(custom);
  WCHAR text[64];
  EXPECT_EQ(GetInternlPaperNameAndID(&model, 0, text, 64, 2100, 2970), 263);
  EXPECT_EQ(utf8(text), "Custom 210.0 x 297.0mm");
  model.Measure = 1;
  GetInternlPaperNameAndID(&model, 0, text, 64, 2159, 2794);
  EXPECT_EQ(utf8(text), "Custom 8.50 x 11.00inch");
  GetInternlPaperNameAndID(&model, 0, text, 8, 2159, 2794);
  EXPECT_EQ(utf8(text), "Custom ");  // cut to the buffer

  int a4 = SearchPaper(info_, 9);
  EXPECT_EQ(GetInternlPaperNameAndID(info_, a4, text, 64, 0, 0), 9);
  EXPECT_EQ(utf8(text), "A4 210 x 297 mm");
  InitInternlPaperName(nullptr);  // no language module: the data file's names stay
  EXPECT_EQ(GetInternlShortPaperNameAndID(info_, a4, text, 64), 9);
  EXPECT_EQ(utf8(text), "A4 210 x 297 mm");
  EXPECT_EQ(GetInternlPaperNameAndID(info_, 99, text, 64, 0, 0), 0);
  EXPECT_EQ(text[0], u'\0');
}

TEST_F(PaperTablesTest, NamesFromALanguageModule) {
#ifndef KELD_TEST_LANGUAGE
  GTEST_SKIP() << "the test language module is not part of this build (printer/common/CMakeLists.txt)";
#else
  HMODULE lang = LoadLibraryW(win32::to_utf16(KELD_TEST_LANGUAGE).c_str());
  ASSERT_NE(lang, nullptr);
  InitInternlPaperName(lang);
  InitPaperSourceName(lang);
  InitPaperTypeName(lang);
  WCHAR text[64];
  int a4 = SearchPaper(info_, 9);
  GetInternlPaperNameAndID(info_, a4, text, 64, 0, 0);
  EXPECT_EQ(utf8(text), "A4 Paper 210 x 297 mm");
  GetInternlShortPaperNameAndID(info_, a4, text, 64);
  EXPECT_EQ(utf8(text), "A4");
  int letter = SearchPaper(info_, 1);  // the module has no name for Letter: the data file's stays
  GetInternlPaperNameAndID(info_, letter, text, 64, 0, 0);
  EXPECT_EQ(utf8(text), "Letter 8 1/2 x 11 in");
  GetInternlShortPaperNameAndID(info_, letter, text, 64);
  EXPECT_EQ(utf8(text), "Letter 8 1/2 x 11 in");

  EXPECT_EQ(GetPaperSourceName(info_, 0, text, 64), 11);
  EXPECT_EQ(utf8(text), "Auto Select");
  GetPaperSourceName(info_, 1, text, 64);
  EXPECT_EQ(utf8(text), "Tray 1");
  EXPECT_EQ(GetPaperSourceName(info_, 2, text, 64), 0);  // no string 201
  EXPECT_EQ(GetPaperSourceName(info_, 9, text, 64), 0);
  GetPaperTypeName(info_, 3, text, 64);
  EXPECT_EQ(utf8(text), "Thick 2");

  ModelRecord model = *info_;
  model.paperList.dwItems[0] = static_cast<DWORD>(common_index(263));
  GetInternlPaperNameAndID(&model, 0, text, 64, 2100, 2970);
  EXPECT_EQ(utf8(text), "Custom 210.0 x 297.0MM");  // the module's unit word
  FreePaperNames();
  FreeLibrary(lang);
#endif
}

TEST_F(PaperTablesTest, SourcesAndPaperTypes) {
  // CP-2100 sources: built-in rows 0, 1, 2, 7 = identifiers 7, 1, 259, 4.
  EXPECT_EQ(SearchSource(info_, 259), 2);
  EXPECT_EQ(SearchSource(info_, 4), 3);
  EXPECT_EQ(SearchSource(info_, 260), -1);
  EXPECT_EQ(GetSourceID(info_, 2), 259u);
  EXPECT_EQ(GetSourceID(info_, 31), 7u);  // out of range: the default row
  EXPECT_EQ(GetSourceID(info_, 256 + 3), 515u);
  EXPECT_EQ(GetSourceID(info_, 256 + 99), 512u);
  EXPECT_EQ(GetDefaultSource(info_), 7);
  EXPECT_EQ(SearchPaperType(info_, 515), 3);
  EXPECT_EQ(SearchPaperType(info_, 520), -1);
  EXPECT_EQ(SearchPaperType(info_, 3), -1);

  ModelRecord model = *info_;
  model.sourceList.dwItems[1] |= 0x00030000;  // flags travel in the high word
  EXPECT_EQ(GetSourceID(&model, 1), 0x00030001u);
  model.sourceList.dwDefault = 0xFFFFFFFF;  // no default source: the default paper type
  model.paperTypeList.dwDefault = 2;
  EXPECT_EQ(GetDefaultSource(&model), 514);
  for (DWORD row : {32u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {  // "PaperTypeOrder" beyond the list
    model.paperTypeList.dwDefault = row;
    EXPECT_EQ(GetDefaultSource(&model), 0) << row;
  }

  WCHAR text[32] = u"x";
  InitPaperSourceName(nullptr);
  EXPECT_EQ(GetPaperSourceName(info_, 0, text, 32), 0);  // no language module, no name
  EXPECT_EQ(text[0], u'\0');
}

TEST_F(PaperTablesTest, MediaTypes) {
  ModelEntry const* entry = GetUDDetailTBL(kCP2100);
  ASSERT_NE(GetMediatypeData(info_), nullptr);
  // CP-2100 list "13,4,3,...": row 1 is media record 4.
  MediaTypeRecord const& m = entry->mediaTypes[4];
  EXPECT_EQ(GetMediatypeID(info_, 1), m.wMediaType);
  EXPECT_EQ(GetMediatypeSource(info_, 1), m.dwSourceMask);
  EXPECT_EQ(GetMediatypeResID(info_, 1), m.wStringID);
  EXPECT_EQ(SearchMediatype(info_, entry->mediaTypes[3].wMediaType), 2);
  EXPECT_EQ(SearchMediatype(info_, 12345), -1);
  EXPECT_EQ(GetMediatypeID(info_, 40), 0);
  EXPECT_EQ(GetMediatypeSource(info_, -1), 0u);
}

TEST_F(PaperTablesTest, Envelopes) {
  struct Case {
    int id, variant, envelope;
  } const cases[] = {
      {73, 0, 1}, {74, 0, 1}, {91, 0, 1}, {264, 0, 1}, {271, 0, 1}, {274, 0, 1}, {275, 0, 0},
      {256, 1, 1}, {256, 0, 0}, {9, 1, 0}, {277, 0, 0}, {278, 0, 1}, {300, 0, 0},
  };
  for (auto const& c : cases) EXPECT_EQ(isEnvelope(info_, c.id, c.variant), c.envelope) << c.id;
}

TEST_F(PaperTablesTest, QualityToResolution) {
  // CP-2100 slots "5,1,0,-1": -4 1200 dpi, -3 600, -2 300, -1 not offered.
  struct Case {
    int code, dpi, codeAfter;
  } const cases[] = {{-4, 1200, -4}, {-3, 600, -3}, {-2, 300, -2}, {-1, 300, -2}, {-5, -5, -5}, {0, 0, 0}};
  for (auto const& c : cases) {
    int code = c.code;
    EXPECT_EQ(GetInternalDPI(info_, &code), c.dpi) << c.code;
    EXPECT_EQ(code, c.codeAfter) << c.code;
  }
  ModelRecord model = *info_;
  model.QualityType[0] = -1;  // -4 not offered either: no resolution
  int code = -4;
  EXPECT_EQ(GetInternalDPI(&model, &code), -4);
  model.QualityType[3] = 9;  // a slot beyond the table counts as none
  EXPECT_EQ(GetInternalResOption(&model, -1, 0), -1);

  EXPECT_EQ(GetInternalResOption(info_, -2, 0), 0x10);
  EXPECT_EQ(GetInternalResOption(info_, -1, 0), -1);
  EXPECT_EQ(GetInternalResOption(info_, -3, 1), 0);  // no True1200
  ModelRecord const* cp3300 = load(kCP3300);        // True1200, slots "7,5,1,0"
  ASSERT_NE(cp3300, nullptr);
  EXPECT_EQ(GetInternalResOption(cp3300, -3, 1), 0x20);
  EXPECT_EQ(GetInternalResOption(cp3300, -3, 0), 0);
  EXPECT_EQ(GetInternalResOption(cp3300, -4, 1), 0x02);
  EXPECT_EQ(GetDefaultQuality(info_), -3);
}

TEST_F(PaperTablesTest, PrinterMemory) {
  struct Case {
    DWORD kb;
    int cls;
  } const classes[] = {{0, 0}, {4096, 0}, {4097, 1}, {8192, 1}, {12288, 1}, {20480, 2}, {36864, 3}, {40000, 0}};
  for (auto const& c : classes) EXPECT_EQ(ConvertPrintMemToID(c.kb), c.cls) << c.kb;
  EXPECT_EQ(ConvertPrintMemToSize(info_, ConvertPrintMemToID(8192), 600), 11088u);  // resident fonts
  EXPECT_EQ(ConvertPrintMemToSize(info_, 0, 300), 3156u);
  EXPECT_EQ(ConvertPrintMemToSize(info_, 3, 1200), 35504u);
  EXPECT_EQ(ConvertPrintMemToSize(info_, 7, 600), 2996u);  // unknown class
  ModelRecord const* cp3300 = load(kCP3300);              // no resident fonts: 180 more
  EXPECT_EQ(ConvertPrintMemToSize(cp3300, 1, 600), 11268u);
  EXPECT_EQ(ConvertPrintMemToSizePN37(cp3300, 1, 600), 11268u);
}

TEST_F(PaperTablesTest, UserPaperQueriesAndEditRulesOfTheModel) {
  // CP-2100 limits: 76.2-215.9 mm wide, 127.0-355.6 mm long; both user papers fit.
  EXPECT_EQ(GetUDPInfo(info_, kUdCount, nullptr, 0), 2);
  EXPECT_EQ(GetUDPInfo(info_, kUdId, nullptr, 277), 278);
  EXPECT_EQ(GetUDLInfo(info_, kUdCount | kUdViolating, nullptr, 0), 1);  // 900 mm long
  EXPECT_EQ(GetUDPInfo(nullptr, kUdCount, nullptr, 0), -1);

  EditRules rules = GetEditRules(info_);
  EXPECT_EQ(rules.limits.wMaxWidthMM, 2159);
  EXPECT_FALSE(rules.wideAllowed);
  UserPaperSession s = OpenUserPaperSession(rules);
  EditField focus{};
  EXPECT_EQ(GetCheckUDPData(s, {u"A4", u"100", u"200"}, 0, nullptr, &focus), kMsgNameInUse);
  EXPECT_EQ(GetCheckUDPData(s, {u"Card", u"100", u"200"}, 0, nullptr, &focus), kMsgNameInUse);
  EXPECT_EQ(GetCheckUDPData(s, {u"Mine", u"215.9", u"215.9"}, 0, nullptr, &focus), 0);
  DefaultsTable* defaults = GetUIDefauleTBL(kCP2100);
  ASSERT_NE(defaults, nullptr);
  EXPECT_FALSE(IsPaperCutForced(info_, false));
  defaults->UDSLP_Cut_Disabled = 1;
  EXPECT_TRUE(IsPaperCutForced(info_, false));
  EXPECT_FALSE(IsPaperCutForced(info_, true));

  int w = 0, l = 0;
  ASSERT_TRUE(GetDefaultPaperSize(info_, &w, &l));
  EXPECT_GT(w, 0);
  EXPECT_GT(l, 0);
}

}  // namespace
}  // namespace keld
