// Loading the models of the real data set into the shared block, and the accessors on it.
#include "keld/data_layer.h"
#include "keld/model_layout.h"
#include "support/data_layer_fixture.h"

#include <cstring>
#include <string>

namespace {

using keld::test::kModel2100;
using keld::test::kModel3300;
using keld::test::kModel4500;

class DataLayerTest : public keld::test::DataLayerTest {};

std::u16string text(WCHAR const* s, std::size_t capacity) {
  std::size_t n = 0;
  while (n < capacity && s[n]) ++n;
  return {s, n};
}

TEST_F(DataLayerTest, EveryModelOfTheDataSetLoads) {
  for (char16_t const* model : {kModel2100, kModel3300, kModel4500}) {
    SCOPED_TRACE(win32::to_utf8(model));
    SHORT files[4] = {};
    ASSERT_TRUE(keld::GetInitDataFileVersion(model, files));
    keld::VersionRecord record{};
    EXPECT_EQ(keld::GetBinaryFileData(model, &record), 1) << "a zero record differs from the data files";
    EXPECT_EQ(record.wCommonVer, files[0]);
    EXPECT_EQ(record.wRegionVer, files[1]);
    EXPECT_EQ(record.wModelVer, files[2]);
    EXPECT_EQ(record.wCustomVer, files[3]);
    EXPECT_NE(files[2], 0) << "the model file carries a version";

    keld::ModelEntry* entry = keld::GetUDDetailTBL(model);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->dwLoaded, 1u);
    EXPECT_EQ(text(entry->info.szModelName, 65), model);
    EXPECT_GT(entry->info.paperList.dwCount, 0u);
    EXPECT_EQ(keld::GetUIDefauleTBL(model), &entry->defaults);
    EXPECT_EQ(keld::GetPrinterInfo(model), &entry->info);

    // The same record again: nothing differs.
    EXPECT_EQ(keld::GetBinaryFileData(model, &record), 0);
  }
  EXPECT_EQ(keld::GetSharedBlockHeader()->wModelCount, 3);
  EXPECT_EQ(keld::GetSharedBlockHeader()->dwCommonLoaded, 1u);
  EXPECT_GT(keld::GetCommonPaperCount(), 0);
}

TEST_F(DataLayerTest, VersionRecordIsComparedAndCopied) {
  keld::VersionRecord record{};
  keld::GetBinaryFileData(kModel2100, &record);
  keld::VersionRecord const current = record;

  struct Case {
    char const* what;
    int field;  // 0-3 a version, 4-5 a reserved short
    int result;
  };
  Case const cases[] = {
      {"common", 0, 1}, {"regional", 1, 1}, {"model", 2, 1}, {"custom", 3, 1},
      {"first reserved short", 4, 0}, {"second reserved short", 5, 0},
  };
  for (auto const& c : cases) {
    keld::VersionRecord probe = current;
    SHORT* fields = &probe.wCommonVer;
    fields[c.field] = static_cast<SHORT>(fields[c.field] + 1);
    EXPECT_EQ(keld::GetBinaryFileData(kModel2100, &probe), c.result) << c.what;
    EXPECT_EQ(std::memcmp(&probe, &current, sizeof probe), 0) << c.what << ": the entry's versions and two zeros";
  }
  EXPECT_EQ(keld::GetBinaryFileData(kModel2100, nullptr), 0);
  EXPECT_NE(keld::GetUDDetailTBL(kModel2100), nullptr);
}

TEST_F(DataLayerTest, NamesAndUnloadedModels) {
  EXPECT_EQ(keld::GetUDDetailTBL(kModel2100), nullptr) << "no block yet";
  EXPECT_EQ(keld::GetSharedBlockHeader(), nullptr);
  keld::VersionRecord record{};
  EXPECT_EQ(keld::GetBinaryFileData(u"", &record), 0);
  EXPECT_EQ(keld::GetBinaryFileData(nullptr, &record), 0);
  EXPECT_EQ(keld::GetSharedBlockHeader(), nullptr) << "no name, no block";

  keld::GetBinaryFileData(kModel2100, &record);
  EXPECT_EQ(keld::GetUDDetailTBL(u"ZOZARAD cp-2100"), keld::GetUDDetailTBL(kModel2100)) << "ASCII case ignored";
  EXPECT_EQ(keld::GetUDDetailTBL(u""), nullptr);
  EXPECT_EQ(keld::GetUDDetailTBL(nullptr), nullptr);
  EXPECT_EQ(keld::GetUDDetailTBL(kModel3300), nullptr) << "never loaded";
  EXPECT_EQ(keld::GetPrinterInfo(kModel3300), nullptr);
  EXPECT_EQ(keld::GetUIDefauleTBL(kModel3300), nullptr);
}

TEST_F(DataLayerTest, SecondModelGrowsTheBlockAndKeepsEarlierEntriesInPlace) {
  keld::VersionRecord record{};
  keld::GetBinaryFileData(kModel2100, &record);
  EXPECT_EQ(keld::GetSharedBlockHeader()->wModelCount, 1);
  keld::ModelEntry* first = keld::GetUDDetailTBL(kModel2100);
  std::string const before(reinterpret_cast<char const*>(first), sizeof *first);

  keld::GetBinaryFileData(kModel4500, &record);
  EXPECT_EQ(keld::GetSharedBlockHeader()->wModelCount, 2);
  keld::GetBinaryFileData(kModel2100, &record);
  keld::GetBinaryFileData(u"zozarad CP-4500a3", &record);
  EXPECT_EQ(keld::GetSharedBlockHeader()->wModelCount, 2) << "a known model adds no entry";

  EXPECT_EQ(keld::GetUDDetailTBL(kModel2100), first);
  EXPECT_EQ(std::string(reinterpret_cast<char const*>(first), sizeof *first), before);
  EXPECT_NE(keld::GetUDDetailTBL(kModel4500), first);

  // Each record leads back to its own entry.
  EXPECT_EQ(keld::GetModelEntryOfRecord(&first->info), first);
  EXPECT_EQ(keld::GetModelEntryOfRecord(&first->savedInfo), first);
  keld::ModelEntry* second = keld::GetUDDetailTBL(kModel4500);
  EXPECT_EQ(keld::GetModelEntryOfRecord(&second->info), second);
  keld::ModelRecord stray{};
  EXPECT_EQ(keld::GetModelEntryOfRecord(&stray), nullptr);
  EXPECT_EQ(keld::GetModelEntryOfRecord(nullptr), nullptr);
}

TEST_F(DataLayerTest, PrinterInfoClearsInfoTypeBitAndFollowsTheUserCountry) {
  keld::VersionRecord record{};
  keld::GetBinaryFileData(kModel2100, &record);
  keld::ModelRecord* info = keld::GetPrinterInfo(kModel2100);
  ASSERT_NE(info, nullptr);
  ASSERT_EQ(info->dwCapability & keld::kCapJapan, 0u);
  ASSERT_GT(info->paperListInch.dwCount, 0u);
  ASSERT_GT(info->paperListMM.dwCount, 0u);

  info->InfoType = 0x0003;
  win32::set_user_locale(0x0409);  // United States: Letter
  info = keld::GetPrinterInfo(kModel2100);
  EXPECT_EQ(info->InfoType, 0x0002);
  EXPECT_EQ(std::memcmp(&info->paperList, &info->paperListInch, sizeof info->paperList), 0);

  win32::set_user_locale(0x0407);  // Germany: A4
  info = keld::GetPrinterInfo(kModel2100);
  EXPECT_EQ(std::memcmp(&info->paperList, &info->paperListMM, sizeof info->paperList), 0);

  // The renderer keeps whatever list is in force.
  keld::SetDataRole(keld::DataRole::Rendering);
  win32::set_user_locale(0x0409);
  info = keld::GetPrinterInfo(kModel2100);
  EXPECT_EQ(std::memcmp(&info->paperList, &info->paperListMM, sizeof info->paperList), 0);
}

TEST_F(DataLayerTest, JapaneseModelKeepsItsPaperSizeList) {
  set_key("CP2100C.INI", u"PRINTERINFO", u"Japan", u"Yes");
  keld::VersionRecord record{};
  keld::GetBinaryFileData(kModel2100, &record);
  keld::ModelRecord* info = keld::GetPrinterInfo(kModel2100);
  ASSERT_NE(info, nullptr);
  ASSERT_NE(info->dwCapability & keld::kCapJapan, 0u);
  auto const list = info->paperList;
  for (LCID lcid : {0x0409u, 0x0407u}) {
    win32::set_user_locale(lcid);
    info = keld::GetPrinterInfo(kModel2100);
    EXPECT_EQ(std::memcmp(&info->paperList, &list, sizeof list), 0) << lcid;
  }
}

TEST_F(DataLayerTest, FreePaperLimitsFollowTheFinisherOfA3Printers) {
  keld::VersionRecord record{};
  keld::GetBinaryFileData(kModel2100, &record);
  keld::GetBinaryFileData(kModel4500, &record);
  keld::ModelEntry* a4 = keld::GetUDDetailTBL(kModel2100);
  keld::ModelEntry* a3 = keld::GetUDDetailTBL(kModel4500);
  ASSERT_NE(a3->info.dwCapability & keld::kCapA3Printer, 0u);
  ASSERT_EQ(a4->info.dwCapability & keld::kCapA3Printer, 0u);

  struct Case {
    keld::ModelEntry* entry;
    bool finisher;
    int set;
  };
  Case const cases[] = {
      {a3, false, keld::kFreeSizePortrait},
      {a3, true, keld::kFinisherSizePortrait},
      {a4, false, keld::kFreeSizePortrait},
      {a4, true, keld::kFreeSizePortrait},
  };
  for (auto const& c : cases) {
    WORD& word = c.entry->info.wFinisherType;
    word = static_cast<WORD>(c.finisher ? word | keld::kFinisherInstalled : word & ~keld::kFinisherInstalled);
    EXPECT_EQ(keld::GetFreePaperInfo(&c.entry->info), &c.entry->freeSize[c.set]);
  }
  keld::ModelRecord stray{};
  EXPECT_EQ(keld::GetFreePaperInfo(&stray), nullptr);
  EXPECT_EQ(keld::GetFreePaperInfo(nullptr), nullptr);
}

TEST_F(DataLayerTest, DitherReferencesAreTableNumbersOfTheCommonModule) {
  keld::VersionRecord record{};
  keld::GetBinaryFileData(kModel2100, &record);
  keld::ModelRecord const* info = keld::GetPrinterInfo(kModel2100);
  int resolved = 0;
  for (int i = 0; i < keld::kDitherEntryCount; ++i) {
    int const code = info->bDitherCode[i];
    DWORD const* table = keld::GetModelDitherTable(info, i);
    if (code >= 1 && code <= 3) {
      EXPECT_EQ(info->dwDitherTable[i], static_cast<DWORD>(code));
      EXPECT_EQ(table, keld::GetCommonDitherTable(code));
      ++resolved;
    } else {
      EXPECT_EQ(table, nullptr) << i;
    }
  }
  EXPECT_GT(resolved, 0);
  // The tables themselves came from the common module.
  for (int n = 1; n <= 3; ++n) EXPECT_NE(keld::GetCommonDitherTable(n)[0], 0u) << n;
  EXPECT_EQ(keld::GetCommonDitherTable(0), nullptr);
  EXPECT_EQ(keld::GetCommonDitherTable(4), nullptr);
  EXPECT_EQ(keld::GetModelDitherTable(info, 64), nullptr);
}

TEST_F(DataLayerTest, FreeingTheBlockForgetsEverything) {
  keld::VersionRecord record{};
  keld::GetBinaryFileData(kModel2100, &record);
  keld::FreeSharedBlock();
  EXPECT_EQ(keld::GetSharedBlockHeader(), nullptr);
  EXPECT_EQ(keld::GetUDDetailTBL(kModel2100), nullptr);
  EXPECT_EQ(keld::GetCommonPaperCount(), keld::kCommonPaperCount);
  EXPECT_EQ(keld::GetCommonDitherTable(1)[0], 0u);
}

}  // namespace
