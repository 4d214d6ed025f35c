// Reading and writing the two cache files, with the acceptance rules of each module role.
//
// A cache is read with one extra byte asked for, so that a file longer than its layout is
// refused as surely as a short one: only a file of exactly the layout's size is taken.
#include "keld/cache_files.h"

#include "data_layer_state.h"
#include "keld/data_role.h"
#include "keld/model_files.h"
#include "keld/model_reader.h"
#include "keld/user_paper_store.h"

#include <win32/files.h>
#include <win32/root.h>
#include <win32/text.h>

#include <cstring>
#include <memory>
#include <new>

namespace keld {
namespace {

detail::DataLayerState& state() { return detail::DataLayerState::Instance(); }

bool configuration() { return GetDataRole() == DataRole::Configuration; }

// "<system dir>/<file name of dataFile up to its first period>.cah", or empty. Only the file
// name counts, so a data file named with folders cannot put the cache outside the system
// directory.
std::u16string cache_path(std::u16string_view dataFile) {
  std::size_t const slash = dataFile.find_last_of(u"\\/");
  if (slash != std::u16string_view::npos) dataFile.remove_prefix(slash + 1);
  std::u16string_view const base = dataFile.substr(0, dataFile.find(u'.'));
  if (base.empty()) return {};
  WCHAR dir[MAX_PATH];
  UINT const n = GetSystemDirectoryW(dir, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  std::u16string path(dir, n);
  path += u'/';
  path += base;
  path += u".cah";
  return path;
}

class FileHandle {
 public:
  explicit FileHandle(HANDLE h) : h_(h) {}
  ~FileHandle() {
    if (ok()) CloseHandle(h_);
  }
  FileHandle(FileHandle const&) = delete;
  FileHandle& operator=(FileHandle const&) = delete;
  bool ok() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
  HANDLE get() const { return h_; }

 private:
  HANDLE h_;
};

// Reads the whole file into `layout` when it is exactly sizeof(T) bytes and starts with that
// size as a dword.
template <typename T>
bool read_cache(std::u16string const& path, T& layout) {
  if (path.empty()) return false;
  FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.ok()) return false;
  auto buffer = std::make_unique<unsigned char[]>(sizeof(T) + 1);
  DWORD total = 0;
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file.get(), buffer.get() + total, static_cast<DWORD>(sizeof(T) + 1 - total), &got, nullptr))
      return false;
    if (got == 0) break;
    total += got;
    if (total == sizeof(T) + 1) break;
  }
  if (total != sizeof(T)) return false;
  std::memcpy(&layout, buffer.get(), sizeof(T));
  return layout.dwSize == sizeof(T);
}

bool write_cache(std::u16string const& path, void const* bytes, DWORD size) {
  if (path.empty()) return false;
  FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.ok()) return false;
  DWORD written = 0;
  bool const ok = WriteFile(file.get(), bytes, size, &written, nullptr) && written == size;
  if (ok) ++state().Counters().cacheWrites;
  return ok;
}

// True when a cached entry was built for `modelName`. Two models whose data files share a
// base name share a cache file; the entry's own model name tells them apart. The record
// keeps at most 64 characters of the name.
bool built_for(ModelEntry const& entry, LPCWSTR modelName) {
  std::u16string_view const name = win32::wview(modelName).substr(0, std::size(entry.info.szModelName) - 1);
  std::u16string_view stored(entry.info.szModelName, std::size(entry.info.szModelName));
  stored = stored.substr(0, stored.find(u'\0'));
  return win32::equal_nocase(stored, name);
}

void stamp(VersionRecord& versions, VersionRecord const& files) {
  versions = files;
  versions.wReserved[0] = 0;
  versions.wReserved[1] = 0;
}

// The common tables from the text files (dither tables, paper table), then the user paper
// stores with the regional file's predefined papers merged in.
void rebuild_common_tables() {
  auto& common = state().Common();
  SetCommonPaperCount(StaticTblDefault_Read(common.paperTable, common.dither));
  WCHAR regional[MAX_PATH] = {};
  if (GetShimukeIniFileName(regional, MAX_PATH, TRUE) > 0) {
    SetUDP_Read(regional);
    SetUDL_Read(regional);
  }
  ReloadUDPInfo();
  ReloadUDLInfo();
}

}  // namespace

std::u16string CommonCacheNameMake() {
  WCHAR name[MAX_PATH] = {};
  if (GetCommonDLLFileName(name, MAX_PATH, FALSE) <= 0) return {};
  return cache_path(name);
}

std::u16string ModelCacheNameMake(LPCWSTR modelName) {
  WCHAR name[MAX_PATH] = {};
  if (GetModelIniFileName(modelName, name, MAX_PATH, FALSE) <= 0) return {};
  return cache_path(name);
}

int InputCommonCacheFile(VersionRecord const& files, BOOL force) {
  auto& layer = state();
  SharedBlockHeader& header = layer.Header();
  auto& common = layer.Common();
  try {
    auto cache = std::make_unique<CommonCacheFile>();
    bool accepted = !(force && configuration()) && read_cache(CommonCacheNameMake(), *cache);
    if (accepted && configuration())
      accepted = cache->wCommonVer == files.wCommonVer && cache->wRegionVer == files.wRegionVer;
    if (accepted) {
      std::memcpy(&common.paperTable, &cache->paperTable, sizeof common.paperTable);
      std::memcpy(common.dither, cache->dither, sizeof common.dither);
      header.wCommonVer = cache->wCommonVer;
      header.wRegionVer = cache->wRegionVer;
      header.dwCommonLoaded = 1;
      ++layer.Counters().commonCacheHits;
      return 1;
    }
  } catch (std::bad_alloc const&) {
    return 0;
  }
  if (!configuration()) return 0;  // the renderer never reads the text files

  header.wCommonVer = files.wCommonVer;
  header.wRegionVer = files.wRegionVer;
  rebuild_common_tables();
  OutputCommonCacheFile();
  header.dwCommonLoaded = 1;
  ++layer.Counters().commonRebuilds;
  return 0;
}

int OutputCommonCacheFile() {
  if (!configuration()) return 0;
  auto& layer = state();
  try {
    auto cache = std::make_unique<CommonCacheFile>();
    std::memset(cache.get(), 0, sizeof *cache);
    cache->dwSize = sizeof(CommonCacheFile);
    cache->wCommonVer = layer.Header().wCommonVer;
    cache->wRegionVer = layer.Header().wRegionVer;
    std::memcpy(&cache->paperTable, &layer.Common().paperTable, sizeof cache->paperTable);
    std::memcpy(cache->dither, layer.Common().dither, sizeof cache->dither);
    return write_cache(CommonCacheNameMake(), cache.get(), sizeof *cache) ? 1 : 0;
  } catch (std::bad_alloc const&) {
    return 0;
  }
}

int InputModelCacheFile(LPCWSTR modelName, ModelEntry& entry, VersionRecord const& files, BOOL force) {
  auto& layer = state();
  try {
    auto cache = std::make_unique<ModelCacheFile>();
    bool accepted = !(force && configuration()) && read_cache(ModelCacheNameMake(modelName), *cache) &&
                    built_for(cache->entry, modelName);
    if (accepted && configuration()) {
      VersionRecord const& v = cache->entry.versions;
      accepted = v.wCommonVer == files.wCommonVer && v.wRegionVer == files.wRegionVer &&
                 v.wModelVer == files.wModelVer && v.wCustomVer == files.wCustomVer;
    }
    if (accepted) {
      std::memcpy(&entry, &cache->entry, sizeof entry);
      // The table references of the file are numbers; derive them again from the codes so
      // that a cache of any origin points at this module's tables.
      ResolveDitherTables(entry.info);
      ResolveDitherTables(entry.savedInfo);
      entry.dwLoaded = 1;
      ++layer.Counters().modelCacheHits;
      return 1;
    }
  } catch (std::bad_alloc const&) {
    return 0;
  }
  if (!configuration()) return 0;  // no cache: the model stays as it was

  stamp(entry.versions, files);
  UIDefault_Read(modelName, entry, layer.Common().paperTable, GetCommonPaperCount());
  ResolveDitherTables(entry.info);
  entry.dwLoaded = 0;
  OutputModelCacheFile(modelName, entry);
  entry.dwLoaded = 1;
  ++layer.Counters().modelRebuilds;
  return 0;
}

int OutputModelCacheFile(LPCWSTR modelName, ModelEntry const& entry) {
  if (!configuration()) return 0;
  try {
    auto cache = std::make_unique<ModelCacheFile>();
    cache->dwSize = sizeof(ModelCacheFile);
    std::memcpy(&cache->entry, &entry, sizeof entry);
    return write_cache(ModelCacheNameMake(modelName), cache.get(), sizeof *cache) ? 1 : 0;
  } catch (std::bad_alloc const&) {
    return 0;
  }
}

}  // namespace keld
