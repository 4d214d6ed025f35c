// Paper, source, paper-type, media-type and resolution lookups over the model record, the
// common paper table and the model entry of the shared block.
//
// List items come from data files, so every index read from a list is checked against the
// table it points into before use: an item beyond the table is treated like a missing row.
#include "keld/paper_tables.h"

#include "keld/data_layer.h"
#include "keld/data_role.h"
#include "keld/user_paper_edit.h"
#include "keld/user_paper_store.h"

#include <win32/resource.h>
#include <win32/text.h>

#include <algorithm>
#include <array>
#include <mutex>
#include <string>

namespace keld {
namespace {

// Names loaded from the language module; the module is kept for the short paper names.
struct LoadedNames {
  std::mutex mutex;
  HMODULE module = nullptr;
  std::array<std::u16string, kSourceCount> sources;
  std::array<std::u16string, kPaperTypeCount> paperTypes;
  std::u16string unitWord;  // string 700 replaces the millimetre unit word when present
};
LoadedNames& names() {
  static LoadedNames n;
  return n;
}

std::u16string load_string(HMODULE module, UINT id) {
  if (module == nullptr || id == 0) return {};
  WCHAR buf[256] = {};
  int n = LoadStringW(module, id, buf, 256);
  return n > 0 ? std::u16string(buf, static_cast<std::size_t>(n)) : std::u16string();
}

template <int N>
bool in_list(ModelList<N> const& list, int row) {
  return row >= 0 && static_cast<DWORD>(row) < std::min<DWORD>(list.dwCount, N);
}

// The common-table paper of a row of the active list, or null.
PaperRecord const* paper_at(ModelRecord const* info, int row) {
  if (info == nullptr || !in_list(info->paperList, row)) return nullptr;
  DWORD index = info->paperList.dwItems[row];
  PaperTable const* table = GetCommonPaperTable();
  if (table == nullptr || index >= static_cast<DWORD>(kCommonPaperCount)) return nullptr;
  return &table->papers[index];
}

// The row itself when valid, else the list's default row.
int row_or_default(ModelRecord const* info, int row) {
  if (info != nullptr && !in_list(info->paperList, row)) return static_cast<int>(info->paperList.dwDefault);
  return row;
}

ModelEntry const* entry_of(ModelRecord const* info) {
  return info == nullptr ? nullptr : GetUDDetailTBL(info->szModelName);
}

std::u16string_view name_view(WCHAR const* text, std::size_t max) {
  return std::u16string_view(text, std::find(text, text + max, u'\0') - text);
}

int write_text(std::u16string_view text, LPWSTR out, int size) {
  if (out == nullptr || size <= 0) return 0;
  return static_cast<int>(win32::copy_truncated(text, out, static_cast<std::size_t>(size)));
}

// "%s" fields of a pattern name take the given texts in turn; "%%" is a percent sign; any
// other '%' stays as it is. Nothing of the pattern is ever used as a format string.
std::u16string fill_pattern(std::u16string_view pattern, std::u16string const& first, std::u16string const& second) {
  std::u16string out;
  int field = 0;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == u'%' && i + 1 < pattern.size() && pattern[i + 1] == u's') {
      out += field == 0 ? first : field == 1 ? second : std::u16string();
      ++field;
      ++i;
    } else if (pattern[i] == u'%' && i + 1 < pattern.size() && pattern[i + 1] == u'%') {
      out += u'%';
      ++i;
    } else {
      out += pattern[i];
    }
  }
  return out;
}

// The built-in table index of a source or paper-type list entry (low 10 bits).
int table_index(DWORD item) { return static_cast<int>(item & 0x3FF); }
DWORD entry_flags(DWORD item) { return item & 0xFFFF0000u; }

int media_index(ModelRecord const* info, ModelEntry const* entry, int row) {
  if (info == nullptr || entry == nullptr || !in_list(info->mediaTypeList, row)) return -1;
  DWORD index = info->mediaTypeList.dwItems[row];
  int count = std::clamp<int>(entry->wMediaTypeCount, 0, kMediaTypeCount);
  return index < static_cast<DWORD>(count) ? static_cast<int>(index) : -1;
}

// Resolution-table index of a quality code, -1 when the code has no slot.
int quality_slot(ModelRecord const* info, int code) {
  if (info == nullptr || code < -4 || code > -1) return -1;
  int slot = info->QualityType[code + 4];
  return slot >= 0 && slot < static_cast<int>(std::size(kResolutionTable)) ? slot : -1;
}

}  // namespace

// ---- Papers ----------------------------------------------------------------------------------

int SearchPaper(ModelRecord const* info, int paperId) {
  if (info != nullptr) {
    DWORD count = std::min<DWORD>(info->paperList.dwCount, kModelPaperListSize);
    for (DWORD row = 0; row < count; ++row) {
      PaperRecord const* paper = paper_at(info, static_cast<int>(row));
      if (paper != nullptr && paper->wPaperID == paperId && paperId != 0) return static_cast<int>(row);
    }
  }
  if (paperId == 0) return kPaperNotFound;
  if (GetDataRole() == DataRole::Rendering) return kPaperIsUser;
  auto has = [&](auto const& papers) {
    return std::any_of(papers.begin(), papers.end(), [&](auto const& p) { return p.id == paperId; });
  };
  if (has(GetUserPaperStore().papers)) return kPaperIsUser;
  if (has(GetUserLongPaperStore().papers)) return kPaperIsUserLong;
  return kPaperNotFound;
}

int GetInternlPaperID(ModelRecord const* info, int row) {
  PaperRecord const* p = paper_at(info, row);
  return p ? p->wPaperID : 0;
}

int GetInternlPaperType(ModelRecord const* info, int row) {
  PaperRecord const* p = paper_at(info, row);
  return p ? p->wPaperType : 0;
}

int GetInternlPaperSize(ModelRecord const* info, int row, PaperExtent* out) {
  if (out == nullptr) return 0;
  PaperRecord const* p = paper_at(info, row);
  *out = p ? PaperExtent{p->wWidth, p->wLength} : PaperExtent{0, 0};
  return p ? 1 : 0;
}

int GetInternlPaper1Par10mmSize(ModelRecord const* info, int row, PaperExtent* out) {
  if (out == nullptr) return 0;
  PaperRecord const* p = paper_at(info, row);
  if (p == nullptr) {
    *out = {0, 0};
    return 0;
  }
  // A paper without a millimetre size in the data file is converted from its 1/300-inch size.
  if (p->wWidthMM == 0 && p->wLengthMM == 0)
    *out = {(LONG{p->wWidth} * 2540 + 150) / 300, (LONG{p->wLength} * 2540 + 150) / 300};
  else
    *out = {p->wWidthMM, p->wLengthMM};
  return 1;
}

namespace {

// The portrait (orientation 1) or landscape numbers of a row's paper, the default row's for
// a row beyond the list; null when the model has no such paper.
PaperOrientation const* orientation_at(ModelRecord const* info, int row, int orientation) {
  PaperRecord const* p = paper_at(info, row_or_default(info, row));
  if (p == nullptr) return nullptr;
  return orientation == 1 ? &p->portrait : &p->landscape;
}

}  // namespace

int GetInternlPaperPageSize(ModelRecord const* info, int row, int orientation, PaperExtent* out) {
  if (out == nullptr) return 0;
  PaperOrientation const* o = orientation_at(info, row, orientation);
  *out = o ? PaperExtent{o->wPrintWidth, o->wPrintLength} : PaperExtent{0, 0};
  return o ? 1 : 0;
}

int GetInternlPaperMargine(ModelRecord const* info, int row, int orientation, PaperExtent* out) {
  if (out == nullptr) return 0;
  PaperOrientation const* o = orientation_at(info, row, orientation);
  *out = o ? PaperExtent{o->wLeftMargin, o->wTopMargin} : PaperExtent{0, 0};
  return o ? 1 : 0;
}

DWORD GetInternlPaperfSource(ModelRecord const* info, int row) {
  ModelEntry const* entry = entry_of(info);
  if (entry == nullptr || paper_at(info, row) == nullptr) return 0;
  return entry->dwPaperSourceMask[info->paperList.dwItems[row]];
}

int GetInternlPaperNameAndID(ModelRecord const* info, int row, LPWSTR text, int size, int width, int length) {
  PaperRecord const* p = paper_at(info, row);
  if (p == nullptr) {
    write_text(u"", text, size);
    return 0;
  }
  std::u16string_view name = name_view(p->szName, 64);
  if ((p->wPaperType & 1) != 0) {
    bool inch = info->Measure != 0;
    auto value = [&](int v) { return inch ? FormatHundredthsIn(v) : FormatTenthsMm(v); };
    write_text(fill_pattern(name, value(width), value(length) + GetPaperUnitWord(inch)), text, size);
  } else {
    write_text(name, text, size);
  }
  return p->wPaperID;
}

int GetInternlShortPaperNameAndID(ModelRecord const* info, int row, LPWSTR text, int size) {
  PaperRecord const* p = paper_at(info, row);
  if (p == nullptr) {
    write_text(u"", text, size);
    return 0;
  }
  HMODULE module;
  {
    std::lock_guard lock(names().mutex);
    module = names().module;
  }
  std::u16string shortName = load_string(module, static_cast<UINT>(static_cast<WORD>(p->wShortNameStringID)));
  write_text(shortName.empty() ? name_view(p->szName, 64) : std::u16string_view(shortName), text, size);
  return p->wPaperID;
}

void InitInternlPaperName(HMODULE languageModule) {
  {
    std::lock_guard lock(names().mutex);
    names().module = languageModule;
    names().unitWord = load_string(languageModule, kUnitWordStringId);
  }
  PaperTable* table = GetCommonPaperTable();
  if (table == nullptr || languageModule == nullptr) return;
  int count = std::clamp(GetCommonPaperCount(), 0, kCommonPaperCount);
  for (int i = 0; i < count; ++i) {
    PaperRecord& p = table->papers[i];
    std::u16string name = load_string(languageModule, static_cast<UINT>(static_cast<WORD>(p.wNameStringID)));
    if (name.empty()) continue;
    std::fill(std::begin(p.szName), std::end(p.szName), u'\0');
    win32::copy_truncated(name, p.szName, 64);
  }
}

void InitPaperSourceName(HMODULE languageModule) {
  std::lock_guard lock(names().mutex);
  for (int i = 0; i < kSourceCount; ++i) {
    std::u16string name = load_string(languageModule, kSourceTable[i].stringId);
    if (!name.empty()) names().sources[i] = name;
  }
}

void InitPaperTypeName(HMODULE languageModule) {
  std::lock_guard lock(names().mutex);
  for (int i = 0; i < kPaperTypeCount; ++i) {
    std::u16string name = load_string(languageModule, kPaperTypeStringBase + static_cast<UINT>(i));
    if (!name.empty()) names().paperTypes[i] = name;
  }
}

void FreePaperNames() {
  std::lock_guard lock(names().mutex);
  names().module = nullptr;
  names().sources = {};
  names().paperTypes = {};
  names().unitWord.clear();
}

std::u16string GetPaperUnitWord(bool inch) {
  if (inch) return u"inch";
  std::lock_guard lock(names().mutex);
  return names().unitWord.empty() ? u"mm" : names().unitWord;
}

// ---- Sources, paper types, media types --------------------------------------------------------

int SearchSource(ModelRecord const* info, int sourceId) {
  if (info == nullptr) return -1;
  for (int row = 0; in_list(info->sourceList, row); ++row) {
    int index = table_index(info->sourceList.dwItems[row]);
    if (index < kSourceCount && kSourceTable[index].id == sourceId) return row;
  }
  return -1;
}

int SearchPaperType(ModelRecord const* info, int paperTypeId) {
  if (info == nullptr) return -1;
  for (int row = 0; in_list(info->paperTypeList, row); ++row) {
    int index = table_index(info->paperTypeList.dwItems[row]);
    if (index < kPaperTypeCount && kFirstPaperTypeSource + index == paperTypeId) return row;
  }
  return -1;
}

int SearchMediatype(ModelRecord const* info, int mediaNumber) {
  ModelEntry const* entry = entry_of(info);
  if (entry == nullptr) return -1;
  for (int row = 0; in_list(info->mediaTypeList, row); ++row) {
    int index = media_index(info, entry, row);
    if (index >= 0 && entry->mediaTypes[index].wMediaType == mediaNumber) return row;
  }
  return -1;
}

DWORD GetSourceID(ModelRecord const* info, int value) {
  if (info == nullptr) return 0;
  bool paperType = value >= 256;
  auto const& list = paperType ? info->paperTypeList : info->sourceList;
  int row = paperType ? value - 256 : value;
  if (!in_list(list, row)) row = static_cast<int>(list.dwDefault);
  if (!in_list(list, row)) return 0;
  DWORD item = list.dwItems[row];
  int index = table_index(item);
  int id = 0;
  if (paperType && index < kPaperTypeCount) id = kFirstPaperTypeSource + index;
  if (!paperType && index < kSourceCount) id = kSourceTable[index].id;
  return id == 0 ? 0 : entry_flags(item) | static_cast<DWORD>(id);
}

int GetDefaultSource(ModelRecord const* info) {
  if (info == nullptr) return 0;
  if (info->sourceList.dwDefault == 0xFFFFFFFFu) {
    // The default row comes from the data file; one beyond the list names no paper type
    // however large it is, so it is capped before it becomes a paper-type value.
    DWORD row = std::min<DWORD>(info->paperTypeList.dwDefault, kModelListSize);
    return static_cast<int>(GetSourceID(info, 256 + static_cast<int>(row)) & 0xFFFF);
  }
  return static_cast<int>(GetSourceID(info, static_cast<int>(info->sourceList.dwDefault)) & 0xFFFF);
}

int GetPaperSourceName(ModelRecord const* info, int row, LPWSTR text, int size) {
  std::u16string name;
  if (info != nullptr && in_list(info->sourceList, row)) {
    int index = table_index(info->sourceList.dwItems[row]);
    std::lock_guard lock(names().mutex);
    if (index < kSourceCount) name = names().sources[index];
  }
  return write_text(name, text, size);
}

int GetPaperTypeName(ModelRecord const* info, int row, LPWSTR text, int size) {
  std::u16string name;
  if (info != nullptr && in_list(info->paperTypeList, row)) {
    int index = table_index(info->paperTypeList.dwItems[row]);
    std::lock_guard lock(names().mutex);
    if (index < kPaperTypeCount) name = names().paperTypes[index];
  }
  return write_text(name, text, size);
}

MediaTypeRecord const* GetMediatypeData(ModelRecord const* info) {
  ModelEntry const* entry = entry_of(info);
  return entry ? entry->mediaTypes : nullptr;
}

int GetMediatypeID(ModelRecord const* info, int row) {
  ModelEntry const* entry = entry_of(info);
  int index = media_index(info, entry, row);
  return index < 0 ? 0 : entry->mediaTypes[index].wMediaType;
}

DWORD GetMediatypeSource(ModelRecord const* info, int row) {
  ModelEntry const* entry = entry_of(info);
  int index = media_index(info, entry, row);
  return index < 0 ? 0 : entry->mediaTypes[index].dwSourceMask;
}

int GetMediatypeResID(ModelRecord const* info, int row) {
  ModelEntry const* entry = entry_of(info);
  int index = media_index(info, entry, row);
  return index < 0 ? 0 : entry->mediaTypes[index].wStringID;
}

int isEnvelope(ModelRecord const*, int paperId, int envelopeVariant) {
  switch (paperId) {
    case 73: case 74: case 91: case kCustomEnvelopeId: case 271: case 272: case 273: case 274: return 1;
    case kCustomPaperId: return envelopeVariant ? 1 : 0;
    default: break;
  }
  if (paperId < kFirstUserPaperId || paperId > kLastUserPaperId) return 0;
  for (UserPaperRecord const& p : GetUserPaperStore().papers)
    if (p.id == paperId) return p.envelope ? 1 : 0;
  return 0;
}

// ---- Quality and memory -----------------------------------------------------------------------

int GetDefaultQuality(ModelRecord const* info) {
  DefaultsTable const* defaults = info ? GetUIDefauleTBL(info->szModelName) : nullptr;
  int code = defaults ? defaults->UDPrintQuality : 0;
  return code >= -4 && code <= -1 ? code : -3;
}

int GetInternalDPI(ModelRecord const* info, int* qualityCode) {
  if (qualityCode == nullptr) return 0;
  int code = *qualityCode;
  if (code < -4 || code > -1) return code;
  while (quality_slot(info, code) < 0 && code > -4) --code;
  *qualityCode = code;
  int slot = quality_slot(info, code);
  return slot < 0 ? code : kResolutionTable[slot].dpi;
}

int GetInternalResOption(ModelRecord const* info, int qualityCode, int flag) {
  int slot = quality_slot(info, qualityCode);
  if (slot < 0) return -1;
  if ((info->dwCapability & kCapTrue1200) != 0 && qualityCode == -3 && flag) return 0x20;
  return kResolutionTable[slot].options;
}

int ConvertPrintMemToID(DWORD memoryKB) {
  if (memoryKB <= 4096) return 0;
  if (memoryKB <= 12288) return 1;
  if (memoryKB <= 20480) return 2;
  if (memoryKB <= 36864) return 3;
  return 0;
}

DWORD ConvertPrintMemToSize(ModelRecord const* info, int memoryClass, int dpi) {
  static constexpr DWORD kUsable[] = {3316, 11408, 19600, 35984};
  DWORD size = memoryClass >= 0 && memoryClass < 4 ? kUsable[memoryClass] : kUsable[0];
  size -= dpi == 300 ? 160 : dpi == 600 ? 320 : 480;
  if (info != nullptr && (info->dwCapability & kCapResidentFont) == 0) size += 180;
  return size;
}

// The second memory rule of the driver family gives the same figures.
DWORD ConvertPrintMemToSizePN37(ModelRecord const* info, int memoryClass, int dpi) {
  return ConvertPrintMemToSize(info, memoryClass, dpi);
}

// ---- Editing rules of a model ----------------------------------------------------------------

EditRules GetEditRules(ModelRecord const* info) {
  EditRules rules;
  if (info == nullptr) return rules;
  if (FreeSizeLimits const* limits = GetFreePaperInfo(info)) rules.limits = *limits;
  rules.wideAllowed = (info->dwCapability & kCapWideUserDefinePaper) != 0;
  PaperTable const* table = GetCommonPaperTable();
  DWORD count = std::min<DWORD>(info->paperList.dwCount, kModelPaperListSize);
  for (DWORD row = 0; table != nullptr && row < count; ++row) {
    DWORD index = info->paperList.dwItems[row];
    if (index >= static_cast<DWORD>(kCommonPaperCount)) continue;
    WCHAR const* name = table->papers[index].szName;
    std::u16string_view full(name, std::find(name, name + 64, u'\0') - name);
    std::u16string_view word = full.substr(0, std::min(full.find(u' '), full.size()));
    if (!word.empty()) rules.modelWords.emplace_back(word);
  }
  return rules;
}

bool IsPaperCutForced(ModelRecord const* info, bool collated) {
  DefaultsTable const* defaults = info ? GetUIDefauleTBL(info->szModelName) : nullptr;
  return defaults != nullptr && defaults->UDSLP_Cut_Disabled == 1 && !collated;
}

bool GetDefaultPaperSize(ModelRecord const* info, int* width, int* length) {
  if (info == nullptr) return false;
  PaperExtent size{};
  if (!GetInternlPaper1Par10mmSize(info, static_cast<int>(info->paperList.dwDefault), &size)) return false;
  if (width) *width = size.width;
  if (length) *length = size.length;
  return true;
}

// ---- User paper queries -----------------------------------------------------------------------

LONG GetUDPInfo(ModelRecord const* info, DWORD request, void* out, int id) {
  FreeSizeLimits const* limits = info ? GetFreePaperInfo(info) : nullptr;
  return limits ? QueryUDPInfo(*limits, request, out, id) : -1;
}

LONG GetUDLInfo(ModelRecord const* info, DWORD request, void* out, int id) {
  FreeSizeLimits const* limits = info ? GetFreePaperInfo(info) : nullptr;
  return limits ? QueryUDLInfo(*limits, request, out, id) : -1;
}

}  // namespace keld
