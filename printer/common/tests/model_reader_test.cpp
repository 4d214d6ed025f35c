// Reading the model data files: the shipped data set for each of its three models, and small
// hand-written files for the rules and for bad input.
#include "keld/data_set.h"
#include "keld/masks.h"
#include "keld/model_files.h"
#include "keld/model_layout.h"
#include "keld/model_reader.h"

#include "support/machine_root.h"

#include <win32/error.h>
#include <win32/locale.h>
#include <win32/profile.h>
#include <win32/registry.h>
#include <win32/text.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

namespace keld {
namespace {

namespace fs = std::filesystem;

std::u16string W(std::string const& s) { return win32::to_utf16(s); }
std::u16string Text(const WCHAR* field) { return std::u16string(field); }

class ModelReaderTest : public win32::test::MachineRootTest {
 protected:
  void SetUp() override {
    win32::profile_flush_cache();
    win32::set_user_locale(0x0409);  // United States: Letter, not Japanese
  }
  void TearDown() override {
    SetDataDirectory(u"");
    win32::set_user_locale(0);
    win32::profile_flush_cache();
  }

  // The shipped data set, with the layer pointed at it.
  fs::path InstallDataSet() {
    std::error_code ec;
    const fs::path driver = install_data_set(root().path(), ec);
    EXPECT_FALSE(ec) << ec.message();
    SetDataDirectory(W(driver.string()));
    return driver;
  }

  // A hand-written data set: an index for "Test Model" and the given files.
  void WriteFiles(std::initializer_list<std::pair<std::string, std::string>> files) {
    root().write_file("drv/KELD.DAT",
                      "[Common]\nInitDataFile1=NONE.DLL\nInitDataFile2=COMMON.INI\nInitDataFile3=REGION.INI\n"
                      "[Test Model]\nDefaultFile=MODEL.INI\nCustomFile=MODELC.INI\n");
    for (auto const& [name, text] : files) root().write_file("drv/" + name, text);
    win32::profile_flush_cache();
    SetDataDirectory(W((root().path() / "drv").string()));
  }

  // Reads "Test Model" over a common table of Letter (paper 1) and A4 (paper 9).
  std::unique_ptr<ModelEntry> ReadTestModel() {
    auto entry = std::make_unique<ModelEntry>();
    std::memset(entry.get(), 0, sizeof *entry);
    PaperTable papers{};
    papers.papers[0].wPaperID = 1;
    papers.papers[0].wWidth = 2550;
    papers.papers[0].wLength = 3300;
    papers.papers[1].wPaperID = 9;
    papers.papers[1].wWidth = 2480;
    papers.papers[1].wLength = 3508;
    UIDefault_Read(u"Test Model", *entry, papers, 2);
    return entry;
  }
};

// ---- The shipped data set ------------------------------------------------------------------

TEST_F(ModelReaderTest, CommonTablesOfTheDataSet) {
  InstallDataSet();
  PaperTable table;
  DitherTable dither[kDitherTableCount];
  std::memset(dither, 0xCC, sizeof dither);
  const int count = StaticTblDefault_Read(table, dither);
  EXPECT_EQ(count, 32);

  PaperRecord const& letter = table.papers[0];
  EXPECT_EQ(letter.wPaperID, 1);
  EXPECT_EQ(Text(letter.szName), u"Letter 8 1/2 x 11 in");
  EXPECT_EQ(letter.wNameStringID, 10001);
  EXPECT_EQ(letter.wShortNameStringID, 11001);
  EXPECT_EQ(letter.wWidth, 2550);
  EXPECT_EQ(letter.wLength, 3300);
  EXPECT_EQ(letter.portrait.wPrintWidth, 2450);
  EXPECT_EQ(letter.portrait.wTopMargin, 50);
  ASSERT_EQ(letter.portrait.wCommandLength, 5);
  EXPECT_EQ(std::memcmp(letter.portrait.bCommand, "\x1B&l2A", 5), 0);
  EXPECT_EQ(letter.landscape.wPrintWidth, 3200);
  EXPECT_EQ(letter.wWidthMM, 2159);
  EXPECT_EQ(letter.wLengthMM, 2794);

  PaperRecord const& superLong = table.papers[20];
  EXPECT_EQ(superLong.wPaperID, 275);
  EXPECT_EQ(superLong.wPaperType, 16);
  // Records after the last paper stay empty.
  EXPECT_EQ(table.papers[32].wPaperID, 0);

  // Dither tables: a cell of at least 2 x 1 and a tone curve from 0 to 255.
  for (int i = 0; i < kDitherTableCount; ++i) {
    const auto* bytes = reinterpret_cast<const BYTE*>(dither[i]);
    EXPECT_GT(bytes[0] * bytes[2], 1) << i;
    EXPECT_EQ(bytes[4 + 255], 255) << i;
  }
}

TEST_F(ModelReaderTest, EachModelOfTheDataSet) {
  InstallDataSet();
  PaperTable papers;
  DitherTable dither[kDitherTableCount];
  const int count = StaticTblDefault_Read(papers, dither);

  struct Expect {
    const char16_t* model;
    DWORD capability;
    WORD ppm;
    SHORT spoolEmf;
    SHORT compressionSupport, compressionLevel;
    int substEntries;
  } const models[] = {
      {u"Zozarad CP-2100", 0x00042E02, 21, 0, 0, 0, 5},
      {u"Zozarad CP-3300D", 0x01223661, 33, 0, 1, 6, -1},
      {u"Zozarad CP-4500A3", 0x03A53E28, 45, 0, 1, 6, -1},
  };
  for (auto const& m : models) {
    SCOPED_TRACE(win32::to_utf8(m.model));
    auto entry = std::make_unique<ModelEntry>();
    std::memset(entry.get(), 0, sizeof *entry);
    entry->versions.wModelVer = 77;  // left alone
    UIDefault_Read(m.model, *entry, papers, count);

    ModelRecord const& info = entry->info;
    EXPECT_EQ(Text(info.szModelName), m.model);
    EXPECT_EQ(info.dwCapability, m.capability) << std::hex << info.dwCapability;
    EXPECT_EQ(info.wPPM, m.ppm);
    EXPECT_EQ(entry->versions.wModelVer, 77);
    // U.S. user: the inch list is active.
    EXPECT_EQ(info.paperList.dwCount, info.paperListInch.dwCount);
    EXPECT_EQ(std::memcmp(info.paperList.dwItems, info.paperListInch.dwItems, sizeof info.paperList.dwItems), 0);
    EXPECT_GT(info.sourceList.dwCount, 0u);
    EXPECT_EQ(info.mediaTypeList.dwCount, 13u);

    DefaultsTable const& d = entry->defaults;
    EXPECT_EQ(Text(d.szModelName), m.model);
    EXPECT_EQ(Text(d.szRegionFile), u"\\spool\\drivers\\w32x86\\3\\KELDREG.INI");
    EXPECT_EQ(d.UDwJobType, 0);
    EXPECT_EQ(d.UDSpoolEMF, m.spoolEmf);
    EXPECT_EQ(d.UDdwSignature, -1);
    EXPECT_EQ(d.UDdwRegistColor, 0x00C0C0C0u);
    EXPECT_EQ(d.UDBandWidth_Nup, 0);
    EXPECT_EQ(Text(d.UDszFont), u"Arial");
    EXPECT_EQ(d.UDPrintQuality, -3);
    EXPECT_EQ(d.UDSource_Cover, 7);  // row 0 of the source list: automatic
    EXPECT_EQ(d.wMonoAdjust1, 128);
    EXPECT_EQ(d.wCompressionSupport, m.compressionSupport);
    EXPECT_EQ(d.wCompressionLevel, m.compressionLevel);
    // Default paper: Letter, (2550 * 2540 + 1500) / 3000 = 2159.
    EXPECT_EQ(d.wDefaultPaperID, 1);
    EXPECT_EQ(d.wDefaultPaperWidth, 2159);
    EXPECT_EQ(d.wDefaultPaperLength, 2794);
    EXPECT_EQ(d.wPaper1Width, 2159);

    EXPECT_EQ(entry->wSubstCapacity, kSubstEntryCount);
    if (m.substEntries >= 0) {
      int n = 0;
      while (n < kSubstEntryCount && entry->subst[n].szTrueTypeName[0]) ++n;
      EXPECT_EQ(n, m.substEntries);
    }
    EXPECT_EQ(entry->wMediaTypeCount, kBuiltinMediaTypeCount);
    EXPECT_EQ(entry->mediaTypes[13].wMediaType, 13);
    for (int i = 0; i < count; ++i) EXPECT_NE(entry->dwPaperSourceMask[i], 0u) << i;
    EXPECT_EQ(entry->dwPaperSourceMask[count], 0u);
  }
}

TEST_F(ModelReaderTest, TheFirstModelInDetail) {
  InstallDataSet();
  win32::set_user_locale(0x0407);  // Germany: the millimetre list
  PaperTable papers;
  DitherTable dither[kDitherTableCount];
  const int count = StaticTblDefault_Read(papers, dither);
  auto entry = std::make_unique<ModelEntry>();
  UIDefault_Read(u"Zozarad CP-2100", *entry, papers, count);

  ModelRecord const& info = entry->info;
  EXPECT_EQ(info.paperList.dwItems[0], 3u);  // "PaperSize_mm" starts with A4
  EXPECT_EQ(info.sourceList.dwCount, 4u);
  EXPECT_EQ(info.QualityType[0], 5);
  EXPECT_EQ(info.QualityType[3], -1);
  EXPECT_EQ(info.dwIntrayType, 0x0001u | 0x0002u | 0x0020u);
  EXPECT_EQ(info.wFinisherType, 0);
  EXPECT_EQ(info.wModelID, 21);
  EXPECT_EQ(info.dwDefAvlMemory, 3696u);
  EXPECT_EQ(info.bDitherCode[0], 2);
  EXPECT_EQ(info.dwDitherTable[2], 1u);
  EXPECT_EQ(info.bDitherCode[32], 3);
  EXPECT_EQ(info.dwDitherTable[63], 3u);

  // A4 is the default: 2480 x 3508 dots, its length one dot longer before rounding.
  EXPECT_EQ(entry->defaults.wDefaultPaperID, 9);
  EXPECT_EQ(entry->defaults.wDefaultPaperWidth, 2100);
  EXPECT_EQ(entry->defaults.wDefaultPaperLength, 2971);

  EXPECT_EQ(Text(entry->subst[0].szTrueTypeName), u"Arial");
  EXPECT_EQ(Text(entry->subst[0].szPrinterFontName), u"DejaVu Sans");
  EXPECT_EQ(entry->subst[0].wNumber, 1);
  EXPECT_EQ(entry->freeSize[kFreeSizePortrait].wMaxWidthMM, 2159);
  EXPECT_EQ(entry->freeSize[kFreeSizeLandscape].wMinLengthDots, 900);
  EXPECT_EQ(entry->dwPaperSourceMask[6], ParseSourceMask(u"TRAY.______M__ + STK.U_ + FIN.__ + EJS_______"));
}

TEST_F(ModelReaderTest, FileNamesAndVersionsFromTheIndex) {
  const fs::path driver = InstallDataSet();
  const std::u16string dir = W(driver.string()) + u"/";
  EXPECT_EQ(GetDataDirectory(), dir);

  WCHAR buffer[300];
  EXPECT_EQ(GetCommonIniFileName(buffer, 300, FALSE), 11u);
  EXPECT_EQ(Text(buffer), u"KELDCOM.INI");
  GetModelIniFileName04(u"Zozarad CP-3300D", buffer, 300, TRUE);
  EXPECT_EQ(Text(buffer), dir + u"CP3300DC.INI");
  // A name that does not fit is not cut into another name.
  std::fill(std::begin(buffer), std::end(buffer), u'#');
  EXPECT_EQ(GetShimukeIniFileName(buffer, 11, FALSE), 0u);
  EXPECT_EQ(buffer[0], 0);
  EXPECT_EQ(GetModelIniFileName(u"No Such Model", buffer, 300, TRUE), 0u);

  SHORT versions[4] = {-1, -1, -1, -1};
  ASSERT_TRUE(GetInitDataFileVersion(u"Zozarad CP-2100", versions));
  EXPECT_EQ(versions[0], 2);
  EXPECT_EQ(versions[1], 1);
  EXPECT_EQ(versions[2], 2);
  EXPECT_EQ(versions[3], 2);
  ASSERT_TRUE(GetInitDataFileVersion(u"No Such Model", versions));
  EXPECT_EQ(versions[2], 0);
  EXPECT_EQ(versions[3], 0);

  struct Case {
    int number;
    const char16_t* section;
    const char16_t* name;
  } const cases[] = {
      {11, u"Zozarad CP-2100", u"KELDS%s.DLL"},
      {12, nullptr, u"KELDR%s.DLL"},
      {51, u"Zozarad CP-2100", u"KELD%s.HLP"},
      {51, u"Zozarad CP-4500A3", u"KELDA3%s.HLP"},  // the model's section first
      {90, u"", u"KELD_UM.DLL"},
      {2, u"Zozarad CP-2100", u""},                 // a known key nobody sets
      {3, u"Zozarad CP-2100", u""},                 // not a file number
  };
  for (auto const& c : cases) {
    const DWORD n = GetDriverUseFileName(c.number, nullptr, c.section, buffer, 300);
    EXPECT_EQ(Text(buffer), c.name) << c.number;
    EXPECT_EQ(n, std::char_traits<char16_t>::length(c.name));
  }
  EXPECT_EQ(GetDriverUseFileName(11, nullptr, nullptr, buffer, 5), 4u);
  EXPECT_EQ(Text(buffer), u"KELD");
}

TEST_F(ModelReaderTest, CapabilityFileFromTheDriverRegistrationOrTheDataDirectory) {
  const fs::path driver = InstallDataSet();
  const std::u16string dir = W(driver.string()) + u"/";
  EXPECT_EQ(GetCAPFileName(u"Zozarad CP-2100"), dir + u"KELD.CAP");

  // A registered driver names its capability file among its dependent files.
  root().write_file("spool/drivers/w32x86/3/OTHER.cap", "[Capability]\nZozarad CP-2100=X\n[X]\nCompression=0x0302\n");
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE,
                            u"System\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT x86\\Drivers\\"
                            u"Version-3\\Zozarad CP-2100",
                            0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const std::u16string files(u"KELDDATA.DLL\0OTHER.cap\0KELD.CAP\0\0", 33);
  ASSERT_EQ(RegSetValueExW(key, u"Dependent Files", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(files.data()),
                           static_cast<DWORD>(files.size() * sizeof(WCHAR))),
            ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(GetCAPFileName(u"Zozarad CP-2100"), dir + u"OTHER.cap");
  EXPECT_EQ(ReadCompressionNumber(GetCAPFileName(u"Zozarad CP-2100"), u"Zozarad CP-2100"), 0x0302u);
  EXPECT_EQ(ReadCompressionNumber(dir + u"KELD.CAP", u"Zozarad CP-2100"), 0u);  // no key
  EXPECT_EQ(ReadCompressionNumber(dir + u"KELD.CAP", u"No Such Model"), 0u);
}

// ---- Rules, on hand-written files -----------------------------------------------------------

TEST_F(ModelReaderTest, SubstitutionTableStopsAtTheFirstMissingKey) {
  WriteFiles({{"MODEL.INI",
               "[SUBSTTABLE]\n1=\"Arial\", \"DejaVu Sans\", 1\n2=\"Times New Roman\", \"DejaVu Serif\", 2\n"
               "4=\"Verdana\", \"DejaVu Sans\", 4\n"},
              // The custom file has no say in the substitution table.
              {"MODELC.INI", "[SUBSTTABLE]\n3=\"Courier New\", \"DejaVu Sans Mono\", 3\n"}});
  auto entry = ReadTestModel();
  EXPECT_EQ(Text(entry->subst[1].szTrueTypeName), u"Times New Roman");
  EXPECT_EQ(entry->subst[1].wNumber, 2);
  EXPECT_EQ(entry->subst[2].szTrueTypeName[0], 0);
  EXPECT_EQ(entry->subst[3].szTrueTypeName[0], 0);
}

TEST_F(ModelReaderTest, DefaultsTableInTwoPasses) {
  WriteFiles({{"MODEL.INI",
               "[COPIES]\nUDwJobType=1\nUDCopies=5\n[LAYOUTTYPE]\nUDdwRegistColor=0x00FF00, 7\n"
               "[ETC]\nUDBandWidth_Nup=50, 100\n[WATERMARK]\nUDwAngle=30\nUDszFont=\"Courier New\" ; face\n"
               "[PAPER]\nUDSource_Cover=2\n"},
              {"MODELC.INI",
               "[COPIES]\nUDwJobType=3\nUDCopies=9\n[ETC]\nUDBandWidth_Nup=\n[WATERMARK]\nUDwAngle=\n"
               "[PRINTERINFO]\nSource=1,2,3,7\n"}});
  auto entry = ReadTestModel();
  DefaultsTable const& d = entry->defaults;
  EXPECT_EQ(d.UDwJobType, 0);                   // never anything but 0
  EXPECT_EQ(d.UDCopies, 9);                     // the custom file wins
  EXPECT_EQ(d.UDdwRegistColor, 0x00FF00u);      // only the model file sets it
  EXPECT_EQ(d.UDBandWidth_Nup, 50);             // an empty list in the custom file keeps it
  EXPECT_EQ(d.UDwAngle, 30);                    // an empty integer keeps the first pass
  EXPECT_EQ(Text(d.UDszFont), u"Courier New");
  EXPECT_EQ(d.UDSource_Cover, 260);             // row 2 of the custom source list (entry 3)
  EXPECT_EQ(d.UDdmScale, 100);                  // built-in defaults
  EXPECT_EQ(d.UDImageThinOut, 100);
  EXPECT_EQ(d.UDfDriverExpand, 1);
  EXPECT_EQ(d.UDWM_XOffset, 118);
  EXPECT_EQ(d.UDlfWeight, 400);
}

TEST_F(ModelReaderTest, SpoolEmfIsTurnedByTheCustomPass) {
  struct Case {
    const char* model;
    const char* custom;
    SHORT stored;
  } const cases[] = {
      {"", "", 1},
      {"UDSpoolEMF=1\n", "", 0},
      {"UDSpoolEMF=0\n", "UDSpoolEMF=1\n", 0},
      {"UDSpoolEMF=1\n", "UDSpoolEMF=2\n", 1},
  };
  for (auto const& c : cases) {
    WriteFiles({{"MODEL.INI", std::string("[DETAILSETTING]\n") + c.model},
                {"MODELC.INI", std::string("[DETAILSETTING]\n") + c.custom}});
    EXPECT_EQ(ReadTestModel()->defaults.UDSpoolEMF, c.stored) << c.model << " / " << c.custom;
  }
}

TEST_F(ModelReaderTest, DefaultPaperSizeIsRoundedFromDots) {
  struct Case {
    int dots, resolution;
    SHORT tenthMM;
  } const cases[] = {
      {2550, 300, 2159},  // 2159.5 rounds down: (dots * 2540 + 5r) / 10r
      {2480, 300, 2100},
      {3508, 300, 2970},
      {3509, 300, 2971},
      {4200, 300, 3556},
      {4961, 600, 2100},
      {0, 300, 0},
      {100, 0, 0},
      {32767, 1, 32767},  // clipped to the field
  };
  for (auto const& c : cases) EXPECT_EQ(DotsToTenthMM(c.dots, c.resolution), c.tenthMM) << c.dots;

  // Paper 9 adds one dot to its length, other papers do not.
  WriteFiles({{"MODEL.INI", "[PRINTERINFO]\nJapan=Yes\nPaperSize=1, 0\nPaperOrder=0\n"}});
  EXPECT_EQ(ReadTestModel()->defaults.wDefaultPaperLength, 2971);
  WriteFiles({{"MODEL.INI", "[PRINTERINFO]\nJapan=Yes\nPaperSize=1, 0\nPaperOrder=1\n"}});
  auto entry = ReadTestModel();
  EXPECT_EQ(entry->defaults.wDefaultPaperID, 1);
  EXPECT_EQ(entry->defaults.wDefaultPaperLength, 2794);
}

TEST_F(ModelReaderTest, HeiseFontIsReadOnJapaneseSystemsOnly) {
  WriteFiles({{"MODEL.INI", "[PRINTERINFO]\nHeiseFont=Yes\nTrue1200=Yes\nJapan=No\nGL2=maybe\n"},
              {"MODELC.INI", "[PRINTERINFO]\nTrue1200=No\nJapan= ; not set here\n"}});
  const DWORD onUS = ReadTestModel()->info.dwCapability;
  EXPECT_EQ(onUS & kCapHeiseFont, 0u);                   // from the built-in word
  EXPECT_EQ(onUS & kCapTrue1200, 0u);                    // the custom file wins
  EXPECT_EQ(onUS & kCapJapan, 0u);                       // absent in custom, No in model
  EXPECT_EQ(onUS & kCapGL2, kCapGL2);                    // not a yes/no: the built-in bit
  EXPECT_EQ(onUS & ~(kCapHeiseFont | kCapTrue1200 | kCapJapan), kDefaultCapability & ~kCapJapan);

  win32::set_user_locale(0x0411);
  EXPECT_EQ(ReadTestModel()->info.dwCapability & kCapHeiseFont, kCapHeiseFont);
}

TEST_F(ModelReaderTest, ABlankCustomKeyKeepsTheModelFilesValue) {
  WriteFiles({{"MODEL.INI", "[PRINTERINFO]\nJapan=Yes\nwPPM=45\nPaperOrder=2\ndwDefAvlMemory=19600\nMeasure=1\n"},
              {"MODELC.INI", "[PRINTERINFO]\nwPPM=\nPaperOrder=  \ndwDefAvlMemory=\nMeasure=0\n"}});
  auto entry = ReadTestModel();
  ModelRecord const& info = entry->info;
  EXPECT_EQ(info.wPPM, 45);
  EXPECT_EQ(info.paperList.dwDefault, 2u);
  EXPECT_EQ(info.dwDefAvlMemory, 19600u);
  EXPECT_EQ(info.Measure, 0);  // a value in the custom file still wins
}

TEST_F(ModelReaderTest, ActivePaperList) {
  ModelRecord info{};
  info.paperList.dwCount = 3;
  info.paperListInch.dwCount = 2;
  info.paperListInch.dwItems[0] = 5;
  info.paperListMM.dwCount = 0;  // this model has no millimetre list
  ChooseActivePaperList(info, true);
  EXPECT_EQ(info.paperList.dwCount, 2u);
  EXPECT_EQ(info.paperList.dwItems[0], 5u);

  info.paperList.dwCount = 3;
  ChooseActivePaperList(info, false);
  EXPECT_EQ(info.paperList.dwCount, 3u);  // kept rather than left empty

  info.dwCapability = kCapJapan;
  ChooseActivePaperList(info, true);
  EXPECT_EQ(info.paperList.dwCount, 3u);
}

// ---- Bad files --------------------------------------------------------------------------------

TEST_F(ModelReaderTest, NoFilesGiveTheBuiltInDefaults) {
  SetDataDirectory(W((root().path() / "empty").string()));
  auto entry = std::make_unique<ModelEntry>();
  std::memset(entry.get(), 0xCC, sizeof *entry);
  PaperTable papers{};
  UIDefault_Read(u"Test Model", *entry, papers, 0);
  ModelRecord const& info = entry->info;
  EXPECT_EQ(info.dwCapability, kDefaultCapability);
  EXPECT_EQ(info.paperList.dwCount, 28u);  // capability Japan: the "PaperSize" list
  EXPECT_EQ(info.paperList.dwItems[0], 23u);
  EXPECT_EQ(info.paperList.dwDefault, 1u);
  EXPECT_EQ(info.sourceList.dwCount, 7u);
  EXPECT_EQ(info.iLogoBmpID, 1u);
  EXPECT_EQ(info.wPPM, 30);
  EXPECT_EQ(info.wFinisherType, 0x1A01);
  EXPECT_EQ(info.dwIntrayType, 0u);
  EXPECT_EQ(info.bDitherCode[14], 2);
  EXPECT_EQ(info.bDitherCode[15], 0);
  EXPECT_EQ(info.dwDitherTable[15], 0u);
  EXPECT_EQ(info.QualityType[1], 2);
  EXPECT_EQ(entry->defaults.wDefaultPaperID, 0);  // no common table to find it in
  EXPECT_EQ(entry->defaults.UDBasePos, 3);
  EXPECT_EQ(Text(entry->defaults.UDszFont), u"Arial");
  EXPECT_EQ(entry->defaults.wCompressionSupport, 0);
  EXPECT_EQ(entry->freeSize[kFinisherSizePortrait].wMinLengthDots, 1748);
  EXPECT_EQ(entry->subst[0].szTrueTypeName[0], 0);
  EXPECT_EQ(entry->mediaTypes[0].dwSourceMask, ParseSourceMask(kDefaultSourceMask));
  // The saved-setting copies are not the reader's.
  EXPECT_EQ(entry->savedInfo.InfoType, static_cast<SHORT>(0xCCCC));

  PaperTable table;
  DitherTable dither[kDitherTableCount];
  std::memset(dither, 0xCC, sizeof dither);
  EXPECT_EQ(StaticTblDefault_Read(table, dither), 0);
  EXPECT_EQ(dither[2][128], 0u);
}

TEST_F(ModelReaderTest, OversizedAndMalformedValuesAreClipped) {
  std::string many = "PaperSize=";
  for (int i = 0; i < 100; ++i) many += std::to_string(i % 2) + ",";
  const std::string huge(10000, '7');
  WriteFiles({{"MODEL.INI",
               "[PRINTERINFO]\nJapan=Yes\n" + many + "\nPaperOrder=99\nwPPM=99999999999\nwModelID=-5\n"
               "QualityType=1\nSource=" + huge + "\nIntrayType=TRAY.12\n[DITHER]\nUDlpgrayEntryMesh=9,0x2,-1\n"
               "[USERFREESIZE]\nUDFreeSize_Portrait=1,2,3\n"
               "[SUBSTTABLE]\n1=\"" + std::string(200, 'F') + "\", \"unterminated, 3\n"
               "[WATERMARK]\nUDszFont=\"" + huge + "\"\n"},
              {"COMMON.INI",
               "[AllPaper]\nAllPaper1=9, \"" + huge + "\", 0, 0, 2480, 3508\n"
               "AllPaper_port1=1, 2, 3, 4, 12, \"\\x1B&l26A\\x1B&l26A\"\n"
               "AllPaper_land1=1, 2, 3, 4, 40, \"AB\"\nAllPaper_mmSize1=\n"
               "AllPaper2=1, \"unterminated, 1, 2\n"}});
  auto entry = ReadTestModel();
  ModelRecord const& info = entry->info;
  EXPECT_EQ(info.paperList.dwCount, 64u);
  EXPECT_EQ(info.paperList.dwDefault, 99u);  // kept; readers check it against the count
  EXPECT_EQ(entry->defaults.wDefaultPaperID, 0);
  EXPECT_EQ(info.wPPM, 0xFFFF);
  EXPECT_EQ(info.wModelID, static_cast<WORD>(-5));
  EXPECT_EQ(info.QualityType[0], 1);
  EXPECT_EQ(info.QualityType[1], 2);  // the rest keep their defaults
  EXPECT_EQ(info.sourceList.dwCount, 1u);
  EXPECT_EQ(info.sourceList.dwItems[0], 0xFFFFFFFFu);
  EXPECT_EQ(info.dwIntrayType, 0u);
  EXPECT_EQ(info.bDitherCode[0], 9);
  EXPECT_EQ(info.dwDitherTable[0], 0u);
  EXPECT_EQ(info.dwDitherTable[1], 2u);
  EXPECT_EQ(info.dwDitherTable[2], 0u);
  EXPECT_EQ(entry->freeSize[kFreeSizePortrait].wMaxLengthMM, 2);
  EXPECT_EQ(entry->freeSize[kFreeSizePortrait].wMaxLengthDots, 14173);  // default kept
  EXPECT_EQ(Text(entry->subst[0].szTrueTypeName), std::u16string(63, u'F'));
  EXPECT_EQ(Text(entry->subst[0].szPrinterFontName), u"unterminated, 3");
  EXPECT_EQ(Text(entry->defaults.UDszFont), std::u16string(31, u'7'));

  PaperTable table;
  EXPECT_EQ(ReadCommonPaperTable(W((root().path() / "drv" / "COMMON.INI").string()), table), 2);
  EXPECT_EQ(Text(table.papers[0].szName), std::u16string(63, u'7'));
  // A count beyond the 8 command bytes or beyond the string is cut to what was stored.
  EXPECT_EQ(table.papers[0].portrait.wCommandLength, 8);
  EXPECT_EQ(std::memcmp(table.papers[0].portrait.bCommand, "\x1B&l26A\x1B&", 8), 0);
  EXPECT_EQ(table.papers[0].landscape.wCommandLength, 2);
  EXPECT_EQ(table.papers[0].wWidthMM, 0);
  EXPECT_EQ(Text(table.papers[1].szName), u"unterminated, 1, 2");
  EXPECT_EQ(table.papers[1].wWidth, 0);
}

TEST_F(ModelReaderTest, EncodingsAndTruncatedFiles) {
  // UTF-16 with a BOM, Windows-1252 and a file cut in the middle of a line.
  std::u16string utf16 = u"\xFEFF[PRINTERINFO]\r\nwPPM=44\r\nMonochrome=Yes\r\n[SUBSTTABLE]\r\n1=\"Caf\u00E9\", \"X\", 1\r\n";
  std::string bytes(reinterpret_cast<const char*>(utf16.data()), utf16.size() * 2);
  WriteFiles({{"MODEL.INI", bytes}, {"MODELC.INI", "[PRINTERINFO]\nwModelID=12\n[WATERMARK]\nUDszFont=\"Na\xEFve\" ; face"}});
  auto entry = ReadTestModel();
  EXPECT_EQ(entry->info.wPPM, 44);
  EXPECT_EQ(entry->info.wModelID, 12);
  EXPECT_EQ(entry->info.dwCapability & kCapMonochrome, kCapMonochrome);
  EXPECT_EQ(Text(entry->subst[0].szTrueTypeName), u"Caf\u00E9");
  EXPECT_EQ(Text(entry->defaults.UDszFont), u"Na\u00EFve");

  WriteFiles({{"MODEL.INI", "[PRINTERINFO]\nwPPM=1"}, {"MODELC.INI", ""},
              {"COMMON.INI", "[AllPaper]\nAllPaper1=9, \"A4\", 0, 0, 2480, 35"}});
  EXPECT_EQ(ReadTestModel()->info.wPPM, 1);
  PaperTable table;
  EXPECT_EQ(ReadCommonPaperTable(W((root().path() / "drv" / "COMMON.INI").string()), table), 1);
  EXPECT_EQ(table.papers[0].wLength, 35);
  EXPECT_EQ(table.papers[0].portrait.wCommandLength, 0);
}

}  // namespace
}  // namespace keld
