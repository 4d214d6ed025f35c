// The data layer's per-process state: the shared block of model entries and the common
// tables, and the accessors every part of both modules reads the model data through.
//
// The shared block is a header (common tables loaded, their two versions, number of entries)
// followed by one 17496-byte model entry per model used so far; it starts with one entry and
// grows by one for each further model, and entries are never removed until the module
// detaches. Each entry lives in its own allocation, so the addresses handed out by
// GetUDDetailTBL, GetPrinterInfo and GetUIDefauleTBL stay valid when the block grows. The
// common tables (the 64-record paper table, its count, the three dither tables of 129
// dwords) are module globals beside it.
//
// GetBinaryFileDataEx loads a model on first use and refreshes it when the "Ver" values of its
// data files change (or when forced). In the configuration role the tables come from the
// cache files when their versions match and are otherwise rebuilt from the text files and
// written back; in the rendering role they come from the cache files alone (cache_files.h).
//
// This header names the layouts only by declaration so that it combines with any other
// header of the layer; include keld/model_layout.h to read their fields.
#pragma once

#include <win32/base.h>

#include <string_view>

namespace keld {

struct ModelEntry;
struct ModelRecord;
struct DefaultsTable;
struct VersionRecord;
struct FreeSizeLimits;
struct PaperTable;
struct SharedBlockHeader;

// ---- Loading and the version record ------------------------------------------------------

// Loads or refreshes the model (steps: block, versions of the data files, common tables, the
// model, then the version record). Returns 1 when the entry's four versions differ from those
// in `record`, else 0 (also 0 without a record or without a model name); the entry's four
// versions and two zero shorts are then copied into `record`.
int GetBinaryFileDataEx(LPCWSTR modelName, VersionRecord* record, BOOL force);
int GetBinaryFileData(LPCWSTR modelName, VersionRecord* record);

// ---- Accessors -----------------------------------------------------------------------------

// The model's entry, or null when the name is empty, no block exists or the model is not
// loaded. Names compare with ASCII case ignored.
ModelEntry* GetUDDetailTBL(LPCWSTR modelName);
// The loaded entry that holds `info` as its model record or its saved-setting record; null
// for a record that is not in the block. Unlike a lookup by the record's name, this finds the
// entry whatever name it was loaded under.
ModelEntry* GetModelEntryOfRecord(ModelRecord const* info);
// The model's default job settings table, or null.
DefaultsTable* GetUIDefauleTBL(LPCWSTR modelName);
// The model record, or null. Clears bit 0 of InfoType; in the configuration role a model
// without capability Japan takes the inch or the millimetre paper list as its active list,
// as the user's country says (isPaperDefaultLetter).
ModelRecord* GetPrinterInfo(LPCWSTR modelName);
// The custom-size limits in force for a model record of the block: "UDFinisherSize_Portrait"
// on an A3 printer with its finisher installed, else "UDFreeSize_Portrait". Null for a record
// that is not in the block.
FreeSizeLimits* GetFreePaperInfo(ModelRecord const* info);

// Sets the dither table references (1-3, 0 for none) from the dither entry codes.
void ResolveDitherTables(ModelRecord& info);

// ---- Common tables -------------------------------------------------------------------------

PaperTable* GetCommonPaperTable();
// Papers in the common table: 64 until the table is read from the text files, then the
// number read.
int GetCommonPaperCount();
void SetCommonPaperCount(int count);
// Dither table 1-3 (129 dwords), null for other numbers.
DWORD* GetCommonDitherTable(int number);
// The dither table of entry 0-63 (mesh 0-31, line 32-63) of a model, or null.
DWORD const* GetModelDitherTable(ModelRecord const* info, int entry);

// ---- The block itself ----------------------------------------------------------------------

// The header, or null before the first load.
SharedBlockHeader* GetSharedBlockHeader();
// Frees the block and the common tables (module detach). The next load starts afresh.
void FreeSharedBlock();

// How the tables were obtained since the block was last freed: caches accepted, rebuilds
// from the text files, cache files written. For diagnostics and tests.
struct DataLoadCounters {
  int commonCacheHits = 0;
  int commonRebuilds = 0;
  int modelCacheHits = 0;
  int modelRebuilds = 0;
  int cacheWrites = 0;
};
DataLoadCounters GetDataLoadCounters();

}  // namespace keld
