// Reading the model data files into the fixed tables of model_layout.h.
//
// This is the configuration module's side of the data layer: it parses the text files when
// a cache is missing or stale (the rendering module never calls it). Every key resolves the
// same way: the model's custom file first, then the model data file, then the built-in
// default. Whatever the files hold, the tables come out filled: a missing file or key gives
// the default, a bad number is clipped, a list longer than its table is cut.
#pragma once

#include "keld/model_layout.h"

#include <win32/base.h>

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace keld {

// Capability bits of a key that is in neither file.
inline constexpr DWORD kDefaultCapability = 0x01842C2E;

// ---- Built-in tables ----------------------------------------------------------------------

// String numbers of a paper in the language modules, by paper number. Papers that are not
// listed take the first row.
struct BuiltinPaperStrings {
  SHORT wPaperID;
  SHORT wNameStringID;
  SHORT wShortNameStringID;
};
std::span<const BuiltinPaperStrings> BuiltinPaperStringTable();
BuiltinPaperStrings const& BuiltinPaperStringsOf(int paperID);

// The media types a model can offer, in the order of the [AllMediatype] keys "1", "2", ...
// Media number (what the job settings store), name string number, a further value.
struct BuiltinMediaType {
  SHORT wMediaType;
  SHORT wStringID;
  SHORT wValue;
};
inline constexpr int kBuiltinMediaTypeCount = 14;
std::span<const BuiltinMediaType> BuiltinMediaTypeTable();

// ---- The files of one model ---------------------------------------------------------------

struct ModelFiles {
  std::u16string model;       // driver name
  std::u16string modelFile;   // full path of "DefaultFile" (empty when the index lacks it)
  std::u16string customFile;  // full path of "CustomFile"

  static ModelFiles Find(std::u16string_view model);

  // The value of a key: custom file first, then the model data file; nullopt when neither
  // has it.
  std::optional<std::u16string> Lookup(std::u16string_view section, std::u16string_view key) const;
  // Lookup, or `fallback` when neither file has the key.
  std::u16string Value(std::u16string_view section, std::u16string_view key, std::u16string_view fallback) const;
};

// True on a Japanese system (language 1041 with ANSI code page 932): only there is
// "HeiseFont" read.
bool IsJapaneseSystem();

// The capability word of [PRINTERINFO]: each key's yes/no from the custom file, else the
// model file, else the bit of kDefaultCapability. A value that is not a clear yes or no counts
// as absent.
DWORD ReadCapabilityWord(ModelFiles const& files);

// Fills the model record from [PRINTERINFO] and [DITHER]. The active paper list is the
// "PaperSize" list until ChooseActivePaperList runs.
void ReadModelRecord(ModelFiles const& files, ModelRecord& info);

// The active paper list: on a model with capability Japan the "PaperSize" list; otherwise
// the inch list when `letter` (isPaperDefaultLetter), else the millimetre list. A model that
// lacks the chosen list (count 0) keeps the "PaperSize" list rather than offer no paper.
void ChooseActivePaperList(ModelRecord& info, bool letter);

// Fills the default job settings table: first from the model data file over the built-in
// defaults, then from the custom file over the first pass. `info` gives the source list
// (for "UDSource_Cover") and the default paper; `papers` the paper sizes.
void ReadDefaultsTable(ModelFiles const& files, ModelRecord const& info, PaperTable const& papers, int paperCount,
                       DefaultsTable& table);

// Font substitution defaults of [SUBSTTABLE] (model data file only): keys "1", "2", ... up to
// 32, stopping at the first missing key. Returns the number of entries read.
int ReadSubstTable(ModelFiles const& files, FontSubstEntry (&subst)[kSubstEntryCount]);

// The model's "Compression" number from its section of the capability file (0 when missing).
DWORD ReadCompressionNumber(std::u16string_view capFile, std::u16string_view model);

// Fills one model entry from the text files: model record, default job settings, font
// substitution defaults, custom-size limits, paper and media masks, media-type count. The
// version stamps, the loaded flag and the saved-setting copies (savedInfo, savedDefaults) are
// left as they are. `papers` and `paperCount` are the common paper table in force.
void UIDefault_Read(LPCWSTR model, ModelEntry& entry, PaperTable const& papers, int paperCount);

// ---- Common tables ------------------------------------------------------------------------

// The common paper table from [AllPaper] of the common data file: "AllPaper<n>",
// "AllPaper_port<n>", "AllPaper_land<n>" and "AllPaper_mmSize<n>" for n = 1 ... 64 until
// "AllPaper<n>" is missing. Records not read are zero. Returns the number of papers read.
int ReadCommonPaperTable(std::u16string_view commonFile, PaperTable& table);

// The three dither tables (resource type 263, names 1-3, 516 bytes) of the common resource
// module; a table that cannot be had stays zero. Returns how many were loaded.
int ReadDitherTables(std::u16string_view moduleFile, DitherTable (&tables)[kDitherTableCount]);

// The text-file half of loading the common tables: the dither tables from the common
// resource module and the paper table from the common data file, both named by the index.
// Returns the number of papers read. (The user paper stores are read by the caller.)
int StaticTblDefault_Read(PaperTable& table, DitherTable (&dither)[kDitherTableCount]);

// Dots at `resolution` dpi to 0.1 mm, rounded: (dots * 2540 + 5r) / (10r).
SHORT DotsToTenthMM(int dots, int resolution);

}  // namespace keld
