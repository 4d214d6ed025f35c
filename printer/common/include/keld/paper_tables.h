// Paper, source, paper-type, media-type and resolution lookups.
//
// Every lookup takes the model record (GetPrinterInfo) first. A "row" is a position in one of
// the model's lists; the list item is an index into a table: the common paper table for
// papers, the built-in source and paper-type tables below for sources and paper types, the
// model entry's media records for media types. Lookups never fail hard: a paper that is not
// found is -1, an out-of-range row gives 0, an empty text or (where said) the default row.
//
// Paper identifiers: 1-255 standard paper codes, 256 custom size (263, 264 its variants, 264
// the envelope one), 271-274 model envelopes, 275 super-long paper, 276-532 user papers,
// 537-575 user long papers.
//
// Names: the common paper table carries the data file's names; InitInternlPaperName replaces
// them with the strings of a language module. Sources and paper types have no names until
// InitPaperSourceName / InitPaperTypeName load them.
#pragma once

#include "keld/model_layout.h"

#include <win32/base.h>

#include <string>

namespace keld {

// Lookup results for papers that are not rows of the active list.
inline constexpr int kPaperNotFound = -1;
inline constexpr int kPaperIsUser = -2;
inline constexpr int kPaperIsUserLong = -3;

inline constexpr int kCustomPaperId = 256;
inline constexpr int kCustomPaperId263 = 263;
inline constexpr int kCustomEnvelopeId = 264;
inline constexpr int kSuperLongPaperId = 275;
inline constexpr int kFirstPaperTypeSource = 512;  // dmDefaultSource of a paper type

// One entry of the built-in source and paper-type tables.
struct SourceEntry {
  SHORT id;        // DMBIN_* below 256, the driver's own from 256, paper types from 512
  UINT stringId;   // name in the language module
};
inline constexpr SourceEntry kSourceTable[] = {
    {7, 211}, {1, 200}, {259, 201}, {260, 204}, {261, 209}, {262, 210}, {258, 202}, {4, 203},
};
inline constexpr int kSourceCount = 8;
inline constexpr int kPaperTypeCount = 12;  // 512-523, names 9800-9811
inline constexpr UINT kPaperTypeStringBase = 9800;
inline constexpr UINT kUnitWordStringId = 700;

// One resolution of the model's "QualityType" slots.
struct Resolution {
  SHORT dpi;
  SHORT options;
};
inline constexpr Resolution kResolutionTable[] = {
    {300, 0x10}, {600, 0}, {600, 0x01}, {600, 0x02}, {600, 0x20}, {1200, 0}, {600, 0x40}, {1200, 0x02},
};

// Width and length of a paper in the unit the call names.
struct PaperExtent {
  LONG width;
  LONG length;
};

// ---- Papers --------------------------------------------------------------------------------

// Row of the paper in the active list; -1 not found (always for 0), -2 user paper, -3 user
// long paper. The rendering module consults no user store: any other identifier gives -2.
int SearchPaper(ModelRecord const* info, int paperId);
int GetInternlPaperID(ModelRecord const* info, int row);
int GetInternlPaperType(ModelRecord const* info, int row);
// Width and length in 1/300 inch / in 0.1 mm. 1 on success, 0 (out zeroed) for a bad row.
int GetInternlPaperSize(ModelRecord const* info, int row, PaperExtent* out);
int GetInternlPaper1Par10mmSize(ModelRecord const* info, int row, PaperExtent* out);
// Printable width and length / left and top margin for orientation 1 (portrait) or any other
// value (landscape); a row beyond the list takes the default row.
int GetInternlPaperPageSize(ModelRecord const* info, int row, int orientation, PaperExtent* out);
int GetInternlPaperMargine(ModelRecord const* info, int row, int orientation, PaperExtent* out);
// Source/bin/finishing mask of the paper (0 for a bad row).
DWORD GetInternlPaperfSource(ModelRecord const* info, int row);
// Writes the display name and returns the identifier (0 and an empty text for a bad row). A
// pattern name (paper type bit 0) gets width and length (0.1 mm) filled in: millimetres with
// one decimal, or inches with two decimals on models whose measure is inch, followed by the
// unit word.
int GetInternlPaperNameAndID(ModelRecord const* info, int row, LPWSTR text, int size, int width, int length);
// Writes the short name from the language module (the full name when it has none).
int GetInternlShortPaperNameAndID(ModelRecord const* info, int row, LPWSTR text, int size);

// Name loading from a language module (null or a module without the string: names stay).
// The paper module is kept for the short names: it must stay loaded until FreePaperNames or
// the next InitInternlPaperName.
void InitInternlPaperName(HMODULE languageModule);
void InitPaperSourceName(HMODULE languageModule);
void InitPaperTypeName(HMODULE languageModule);
// Forgets the loaded source, paper-type and unit names and the language module (module
// detach, or before the language module is freed). Paper names live in the common table.
void FreePaperNames();
// The unit word of pattern names ("mm" / "inch" until a language module says otherwise).
std::u16string GetPaperUnitWord(bool inch);

// ---- Sources, paper types, media types ------------------------------------------------------

int SearchSource(ModelRecord const* info, int sourceId);
int SearchPaperType(ModelRecord const* info, int paperTypeId);
int SearchMediatype(ModelRecord const* info, int mediaNumber);
// value >= 256: paper-type row value - 256, else a source row; rows out of range take the
// default row. The identifier in the low word, the list entry's flags (its high word) in the
// high word; 0 when the list is empty.
DWORD GetSourceID(ModelRecord const* info, int value);
// The identifier of the default source, or of the default paper type when the default source
// row is -1 (no flags).
int GetDefaultSource(ModelRecord const* info);
int GetPaperSourceName(ModelRecord const* info, int row, LPWSTR text, int size);
int GetPaperTypeName(ModelRecord const* info, int row, LPWSTR text, int size);

MediaTypeRecord const* GetMediatypeData(ModelRecord const* info);
int GetMediatypeID(ModelRecord const* info, int row);
DWORD GetMediatypeSource(ModelRecord const* info, int row);
int GetMediatypeResID(ModelRecord const* info, int row);

// 1 for an envelope: papers 73, 74, 91, 264 and 271-274, paper 256 with its envelope variant
// chosen, a user paper with its envelope flag set.
int isEnvelope(ModelRecord const* info, int paperId, int envelopeVariant);

// ---- Quality and memory ---------------------------------------------------------------------

// The model's default quality code (-4 ... -1), else -3.
int GetDefaultQuality(ModelRecord const* info);
// Resolution of a quality code; a code whose slot is -1 falls to the next lower code and the
// code is updated. No slot: the (negative) code itself.
int GetInternalDPI(ModelRecord const* info, int* qualityCode);
// Option bits of the code's resolution; 0x20 on True1200 models for code -3 when flag is set;
// -1 when the code has no slot.
int GetInternalResOption(ModelRecord const* info, int qualityCode, int flag);

// Memory class of a printer memory in KB, and the usable memory (KB) of a class at a resolution.
int ConvertPrintMemToID(DWORD memoryKB);
DWORD ConvertPrintMemToSize(ModelRecord const* info, int memoryClass, int dpi);
DWORD ConvertPrintMemToSizePN37(ModelRecord const* info, int memoryClass, int dpi);

// ---- User paper queries -------------------------------------------------------------------

// Queries on the user stores (user_paper_store.h) with the model's custom-size limits in force;
// -1 for a record that is not one of the loaded models.
LONG GetUDPInfo(ModelRecord const* info, DWORD request, void* out, int id);
LONG GetUDLInfo(ModelRecord const* info, DWORD request, void* out, int id);

}  // namespace keld
