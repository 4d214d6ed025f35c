// The shared block, the common tables and the accessors over them.
//
// A model is looked up by the name it was loaded under, not by the name inside its record:
// an entry that could not be filled (the rendering module without a model cache) keeps a
// zero record, and it must still be found again instead of growing the block on every call.
#include "data_layer_state.h"

#include "keld/cache_files.h"
#include "keld/data_role.h"
#include "keld/locale_paper.h"
#include "keld/model_files.h"
#include "keld/model_reader.h"

#include <win32/text.h>

#include <cstring>

namespace keld {
namespace detail {

DataLayerState::DataLayerState() : common_(std::make_unique<CommonTables>()) {}

DataLayerState& DataLayerState::Instance() {
  static DataLayerState state;
  return state;
}

ModelEntry* DataLayerState::Find(std::u16string_view name) {
  for (auto& slot : slots_)
    if (win32::equal_nocase(slot.name, name)) return slot.entry.get();
  return nullptr;
}

ModelEntry& DataLayerState::Add(std::u16string_view name) {
  if (!hasBlock_) {
    header_ = SharedBlockHeader{};
    hasBlock_ = true;
  }
  slots_.push_back(Slot{std::u16string(name), std::make_unique<ModelEntry>()});
  header_.wModelCount = static_cast<SHORT>(slots_.size());
  return *slots_.back().entry;
}

ModelEntry* DataLayerState::OwnerOf(ModelRecord const* info) {
  for (auto& slot : slots_)
    if (&slot.entry->info == info || &slot.entry->savedInfo == info) return slot.entry.get();
  return nullptr;
}

void DataLayerState::Free() {
  slots_.clear();
  header_ = SharedBlockHeader{};
  hasBlock_ = false;
  *common_ = CommonTables{};
  counters_ = DataLoadCounters{};
}

}  // namespace detail

namespace {

detail::DataLayerState& state() { return detail::DataLayerState::Instance(); }

bool same_versions(VersionRecord const& a, VersionRecord const& b) {
  return a.wCommonVer == b.wCommonVer && a.wRegionVer == b.wRegionVer && a.wModelVer == b.wModelVer &&
         a.wCustomVer == b.wCustomVer;
}

// The entry of a loaded model, or null.
ModelEntry* loaded_entry(LPCWSTR modelName) {
  std::u16string_view const name = win32::wview(modelName);
  if (name.empty() || !state().HasBlock()) return nullptr;
  ModelEntry* entry = state().Find(name);
  return entry && entry->dwLoaded ? entry : nullptr;
}

}  // namespace

int GetBinaryFileDataEx(LPCWSTR modelName, VersionRecord* record, BOOL force) {
  std::u16string_view const name = win32::wview(modelName);
  if (name.empty()) return 0;
  auto& layer = state();
  try {
    // 1. The block, and the model's entry in it (counted at once).
    ModelEntry* entry = layer.HasBlock() ? layer.Find(name) : nullptr;
    if (!entry) entry = &layer.Add(name);

    // 2. The versions of the four data files as they are now.
    SHORT v[4] = {};
    GetInitDataFileVersion(modelName, v);
    VersionRecord const files{v[0], v[1], v[2], v[3], {0, 0}};

    // 3. Common tables.
    SharedBlockHeader const& header = layer.Header();
    if (!header.dwCommonLoaded || entry->versions.wCommonVer != files.wCommonVer ||
        entry->versions.wRegionVer != files.wRegionVer || force)
      InputCommonCacheFile(files, force);

    // 4. The model.
    if (!entry->dwLoaded || entry->versions.wModelVer != files.wModelVer ||
        entry->versions.wCustomVer != files.wCustomVer || force)
      InputModelCacheFile(modelName, *entry, files, force);

    // 5. The caller's version record.
    if (!record) return 0;
    int const differs = same_versions(*record, entry->versions) ? 0 : 1;
    *record = entry->versions;
    record->wReserved[0] = 0;
    record->wReserved[1] = 0;
    return differs;
  } catch (...) {
    return 0;  // no memory for the block: the model stays unloaded; no failure leaves the layer
  }
}

int GetBinaryFileData(LPCWSTR modelName, VersionRecord* record) {
  return GetBinaryFileDataEx(modelName, record, FALSE);
}

ModelEntry* GetUDDetailTBL(LPCWSTR modelName) { return loaded_entry(modelName); }

ModelEntry* GetModelEntryOfRecord(ModelRecord const* info) {
  ModelEntry* entry = info ? state().OwnerOf(info) : nullptr;
  return entry && entry->dwLoaded ? entry : nullptr;
}

DefaultsTable* GetUIDefauleTBL(LPCWSTR modelName) {
  ModelEntry* entry = loaded_entry(modelName);
  return entry ? &entry->defaults : nullptr;
}

ModelRecord* GetPrinterInfo(LPCWSTR modelName) {
  ModelEntry* entry = loaded_entry(modelName);
  if (!entry) return nullptr;
  ModelRecord& info = entry->info;
  info.InfoType = static_cast<SHORT>(info.InfoType & ~1);
  // The renderer keeps the list the configuration module left in the model cache.
  if (GetDataRole() == DataRole::Configuration && !(info.dwCapability & kCapJapan))
    ChooseActivePaperList(info, isPaperDefaultLetter() != 0);
  return &info;
}

FreeSizeLimits* GetFreePaperInfo(ModelRecord const* info) {
  ModelEntry* entry = GetModelEntryOfRecord(info);
  if (!entry) return nullptr;
  bool const finisher = (info->dwCapability & kCapA3Printer) && (info->wFinisherType & kFinisherInstalled);
  return &entry->freeSize[finisher ? kFinisherSizePortrait : kFreeSizePortrait];
}

void ResolveDitherTables(ModelRecord& info) {
  for (int i = 0; i < kDitherEntryCount; ++i) {
    BYTE const code = info.bDitherCode[i];
    info.dwDitherTable[i] = code >= 1 && code <= kDitherTableCount ? code : 0;
  }
}

PaperTable* GetCommonPaperTable() { return &state().Common().paperTable; }
int GetCommonPaperCount() { return state().Common().paperCount; }
void SetCommonPaperCount(int count) {
  state().Common().paperCount = count < 0 ? 0 : count > kCommonPaperCount ? kCommonPaperCount : count;
}

DWORD* GetCommonDitherTable(int number) {
  if (number < 1 || number > kDitherTableCount) return nullptr;
  return state().Common().dither[number - 1];
}

DWORD const* GetModelDitherTable(ModelRecord const* info, int entry) {
  if (!info || entry < 0 || entry >= kDitherEntryCount) return nullptr;
  return GetCommonDitherTable(static_cast<int>(info->dwDitherTable[entry]));
}

SharedBlockHeader* GetSharedBlockHeader() { return state().HasBlock() ? &state().Header() : nullptr; }

void FreeSharedBlock() { state().Free(); }

DataLoadCounters GetDataLoadCounters() { return state().Counters(); }

}  // namespace keld
