// Reading one model's description from its text files (see keld/model_reader.h).
#include "keld/model_reader.h"

#include "keld/locale_paper.h"
#include "keld/masks.h"
#include "keld/model_files.h"
#include "keld/value_syntax.h"

#include <win32/locale.h>
#include <win32/text.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

namespace keld {
namespace {

struct CapabilityKey {
  const char16_t* key;
  DWORD bit;
};

constexpr std::array<CapabilityKey, 23> kCapabilityKeys = {{
    {u"True1200", kCapTrue1200},
    {u"ResidentFont", kCapResidentFont},
    {u"Japan", kCapJapan},
    {u"A3Printer", kCapA3Printer},
    {u"NoWatermark", kCapNoWatermark},
    {u"Duplex", kCapDuplex},
    {u"DirectRaster", kCapDirectRaster},
    {u"HeiseFont", kCapHeiseFont},
    {u"EnvRotate", kCapEnvRotate},
    {u"Collate", kCapCollate},
    {u"FontSubstitution", kCapFontSubstitution},
    {u"DuplexOption", kCapDuplexOption},
    {u"Fast600", kCapFast600},
    {u"OnlyFast600", kCapOnlyFast600},
    {u"Monochrome", kCapMonochrome},
    {u"ReversePortrait", kCapReversePortrait},
    {u"MKK", kCapMKK},
    {u"GL2", kCapGL2},
    {u"MTP_ShortFeed", kCapMTP_ShortFeed},
    {u"Finisher", kCapFinisher},
    {u"WideUserDefinePaper", kCapWideUserDefinePaper},
    {u"MPT_Duplex", kCapMPT_Duplex},
    {u"EnvMode", kCapEnvMode},
}};

// [USERFREESIZE] keys in the order of ModelEntry::freeSize, with their defaults.
struct FreeSizeKey {
  const char16_t* key;
  const char16_t* fallback;
};
constexpr std::array<FreeSizeKey, kFreeSizeSetCount> kFreeSizeKeys = {{
    {u"UDDPIChange_Portrait", u" 3280,  4572,  3874,  5400,   762,  1270,   900,  1500"},
    {u"UDDPIChange_Landscape", u" 4572,  3280,  5400,  3874,  1270,   762,  1500,   900"},
    {u"UDFreeSize_Portrait", u" 3280, 12000,  3874, 14173,   762,  1270,   900,  1500"},
    {u"UDFreeSize_Landscape", u"12000,  3280, 14173,  3874,  1270,   762,  1500,   900"},
    {u"UDFinisherSize_Portrait", u" 2970, 12000,  3508, 14173,  1000,  1480,  1181,  1748"},
    {u"UDFinisherSize_Landscape", u"12000,  2970, 14173,  3508,  1480,  1000,  1748,  1181"},
}};

constexpr char16_t kInfo[] = u"PRINTERINFO";
constexpr char16_t kDefaultPaperSize[] =
    u"23, 0, 1, 2,24, 3, 5, 6,26, 7, 8,27,28,22,25,9,10,11,12,13,30,15,31,16,20,17,18,19";
constexpr char16_t kDefaultDither[] = u"3,3,2,3,3,2,3,3,2,3,3,2,3,3,2";

// An "integer" key: missing or empty gives the default, text without digits 0.
std::int64_t IntegerOf(std::optional<std::u16string> const& value, std::int64_t fallback) {
  if (!value || value->find_first_not_of(u" \t") == std::u16string::npos) return fallback;
  return ParseInteger(*value).value_or(0);
}

// An "integer" key of [PRINTERINFO]: the model file's value over the built-in default, then
// the custom file's over that. A key that is blank in the custom file keeps the model file's
// value, as it does in the default job settings.
std::int64_t Integer(ModelFiles const& files, const char16_t* key, std::int64_t fallback) {
  const std::int64_t model = IntegerOf(ReadProfileValue(files.modelFile, kInfo, key), fallback);
  return IntegerOf(ReadProfileValue(files.customFile, kInfo, key), model);
}

template <int N>
void ReadList(ModelFiles const& files, const char16_t* listKey, const char16_t* listDefault, const char16_t* orderKey,
              std::int64_t orderDefault, ModelList<N>& list) {
  std::memset(&list, 0, sizeof list);
  list.dwCount = static_cast<DWORD>(ReadNumberList(files.Value(kInfo, listKey, listDefault), list.dwItems, N));
  // Kept as written: -1 is meaningful (a default source row of -1 means the default paper
  // type); readers check the index against the count.
  list.dwDefault = ClipNumber<DWORD>(Integer(files, orderKey, orderDefault));
}

void ReadDither(ModelFiles const& files, const char16_t* key, BYTE* codes, DWORD* tables) {
  LONG numbers[kDitherEntriesPerKind] = {};
  const int n = ReadNumberList(files.Value(u"DITHER", key, kDefaultDither), numbers, kDitherEntriesPerKind);
  for (int i = 0; i < kDitherEntriesPerKind; ++i) {
    const LONG code = i < n ? numbers[i] : 0;
    codes[i] = ClipNumber<BYTE>(code);
    tables[i] = code >= 1 && code <= kDitherTableCount ? static_cast<DWORD>(code) : 0;
  }
}

}  // namespace

ModelFiles ModelFiles::Find(std::u16string_view model) {
  ModelFiles files;
  files.model = std::u16string(model);
  if (!model.empty()) {
    files.modelFile = DataFileName(model, u"DefaultFile", true);
    files.customFile = DataFileName(model, u"CustomFile", true);
  }
  return files;
}

std::optional<std::u16string> ModelFiles::Lookup(std::u16string_view section, std::u16string_view key) const {
  if (auto v = ReadProfileValue(customFile, section, key)) return v;
  return ReadProfileValue(modelFile, section, key);
}

std::u16string ModelFiles::Value(std::u16string_view section, std::u16string_view key,
                                 std::u16string_view fallback) const {
  return Lookup(section, key).value_or(std::u16string(fallback));
}

bool IsJapaneseSystem() {
  if (GetSystemDefaultLangID() != 1041) return false;
  DWORD codePage = 0;
  const int n = GetLocaleInfoW(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                               reinterpret_cast<LPWSTR>(&codePage), sizeof codePage / sizeof(WCHAR));
  return n > 0 && codePage == 932;
}

DWORD ReadCapabilityWord(ModelFiles const& files) {
  const bool japanese = IsJapaneseSystem();
  DWORD word = 0;
  for (CapabilityKey const& c : kCapabilityKeys) {
    std::optional<bool> on;
    if (c.bit != kCapHeiseFont || japanese) {
      for (std::u16string const* file : {&files.customFile, &files.modelFile}) {
        if (auto value = ReadProfileValue(*file, kInfo, c.key)) on = ParseYesNo(*value);
        if (on) break;
      }
    }
    if (on.value_or((kDefaultCapability & c.bit) != 0)) word |= c.bit;
  }
  return word;
}

void ReadModelRecord(ModelFiles const& files, ModelRecord& info) {
  std::memset(&info, 0, sizeof info);
  info.InfoType = ClipNumber<SHORT>(Integer(files, u"InfoType", 0));
  CopyToField(files.model, info.szModelName, std::size(info.szModelName));
  info.dwCapability = ReadCapabilityWord(files);
  info.iLogoBmpID = ClipNumber<DWORD>(Integer(files, u"iLogoBmpID", 1));

  ReadList(files, u"PaperSize", kDefaultPaperSize, u"PaperOrder", 1, info.paperList);
  ReadList(files, u"PaperSize_inch", u"", u"PaperOrder_inch", 0, info.paperListInch);
  ReadList(files, u"PaperSize_mm", u"", u"PaperOrder_mm", 0, info.paperListMM);
  ReadList(files, u"Source", u"0,1,2,3,4,5,7", u"SourceOrder", 0, info.sourceList);
  ReadList(files, u"PaperType", u"0,1,2,3,4,5,6,7", u"PaperTypeOrder", 0, info.paperTypeList);
  ReadList(files, u"MediaType", u"13,4,3,0,1,2,9,11,12,5,6,7,8", u"MediatypeOrder", 0, info.mediaTypeList);

  ReadDither(files, u"UDlpgrayEntryMesh", info.bDitherCode, info.dwDitherTable);
  ReadDither(files, u"UDlpgrayEntryLine", info.bDitherCode + kDitherEntriesPerKind,
             info.dwDitherTable + kDitherEntriesPerKind);

  // A number key: the custom file's first number, else the model file's, else the default.
  auto memory = [&](std::u16string const& file) -> std::optional<std::int64_t> {
    const auto value = ReadProfileValue(file, kInfo, u"dwDefAvlMemory");
    return value ? ParseFirstNumber(*value) : std::nullopt;
  };
  info.dwDefAvlMemory = ClipNumber<DWORD>(memory(files.customFile).value_or(memory(files.modelFile).value_or(3696)));
  info.wPPM = ClipNumber<WORD>(Integer(files, u"wPPM", 30));
  info.wModelID = ClipNumber<WORD>(Integer(files, u"wModelID", 1));
  info.wFinisherType = ParseFinisherType(files.Value(kInfo, u"wFinisherType", kDefaultFinisherType));

  const SHORT qualityDefaults[4] = {3, 2, 1, 0};
  std::memcpy(info.QualityType, qualityDefaults, sizeof qualityDefaults);
  ReadNumberList(files.Value(kInfo, u"QualityType", u"3,2,1,0"), info.QualityType, 4);

  info.Measure = ClipNumber<SHORT>(Integer(files, u"Measure", 0));
  info.dwIntrayType = ParseIntrayType(files.Value(kInfo, u"IntrayType", kDefaultIntrayType));
}

void ChooseActivePaperList(ModelRecord& info, bool letter) {
  if (info.dwCapability & kCapJapan) return;
  const auto& chosen = letter ? info.paperListInch : info.paperListMM;
  if (chosen.dwCount == 0) return;
  info.paperList = chosen;
}

int ReadSubstTable(ModelFiles const& files, FontSubstEntry (&subst)[kSubstEntryCount]) {
  std::memset(subst, 0, sizeof subst);
  int n = 0;
  for (; n < kSubstEntryCount; ++n) {
    const std::u16string key = win32::to_utf16(std::to_string(n + 1));
    const auto value = ReadProfileValue(files.modelFile, u"SUBSTTABLE", key);
    if (!value) break;
    const auto items = SplitItems(*value);
    FontSubstEntry& e = subst[n];
    if (items.size() > 0) CopyToField(ParseStringItem(items[0]), e.szTrueTypeName, std::size(e.szTrueTypeName));
    if (items.size() > 1) CopyToField(ParseStringItem(items[1]), e.szPrinterFontName, std::size(e.szPrinterFontName));
    if (items.size() > 2) e.wNumber = ClipNumber<SHORT>(ParseNumberItem(items[2]));
  }
  return n;
}

DWORD ReadCompressionNumber(std::u16string_view capFile, std::u16string_view model) {
  if (capFile.empty() || model.empty()) return 0;
  const auto section = ReadProfileValue(capFile, u"Capability", model);
  if (!section || section->empty()) return 0;
  const auto value = ReadProfileValue(capFile, *section, u"Compression");
  if (!value) return 0;
  return ClipNumber<DWORD>(ParseCompressionNumber(*value).value_or(0));
}

void UIDefault_Read(LPCWSTR model, ModelEntry& entry, PaperTable const& papers, int paperCount) {
  const ModelFiles files = ModelFiles::Find(win32::wview(model));
  paperCount = std::clamp(paperCount, 0, kCommonPaperCount);

  ReadModelRecord(files, entry.info);
  ChooseActivePaperList(entry.info, isPaperDefaultLetter() != 0);

  ReadDefaultsTable(files, entry.info, papers, paperCount, entry.defaults);
  const DWORD compression = ReadCompressionNumber(GetCAPFileName(files.model), files.model);
  entry.defaults.wCompressionSupport = static_cast<SHORT>(compression & 0xFF);
  entry.defaults.wCompressionLevel = static_cast<SHORT>((compression >> 8) & 0xFF);

  ReadSubstTable(files, entry.subst);
  entry.wSubstCapacity = kSubstEntryCount;

  for (int i = 0; i < kFreeSizeSetCount; ++i) {
    SHORT values[kFreeSizeValueCount] = {};
    ReadNumberList(kFreeSizeKeys[i].fallback, values, kFreeSizeValueCount);
    ReadNumberList(files.Value(u"USERFREESIZE", kFreeSizeKeys[i].key, kFreeSizeKeys[i].fallback), values,
                   kFreeSizeValueCount);
    static_assert(sizeof values == sizeof(FreeSizeLimits));
    std::memcpy(&entry.freeSize[i], values, sizeof values);
  }
  entry.wReserved12482 = 0;

  std::memset(entry.dwPaperSourceMask, 0, sizeof entry.dwPaperSourceMask);
  for (int i = 0; i < paperCount; ++i) {
    const std::u16string key = win32::to_utf16(std::to_string(i + 1));
    entry.dwPaperSourceMask[i] = ParseSourceMask(files.Value(u"PaperSourceType", key, kDefaultSourceMask));
  }

  std::memset(entry.mediaTypes, 0, sizeof entry.mediaTypes);
  const auto media = BuiltinMediaTypeTable();
  for (std::size_t i = 0; i < media.size(); ++i) {
    const std::u16string key = win32::to_utf16(std::to_string(i + 1));
    MediaTypeRecord& r = entry.mediaTypes[i];
    r.wMediaType = media[i].wMediaType;
    r.wStringID = media[i].wStringID;
    r.dwSourceMask = ParseSourceMask(files.Value(u"AllMediatype", key, kDefaultSourceMask));
    r.wValue = media[i].wValue;
  }
  entry.wMediaTypeCount = static_cast<SHORT>(media.size());
  entry.wReserved13382 = 0;
}

}  // namespace keld
