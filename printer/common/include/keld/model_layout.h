// Fixed layouts of the printer data layer.
//
// Every record here is either a file (the two cache files), a contract between the two
// modules (the model entry that KELD_UI writes into the model cache and KELD_UM copies back
// whole), or part of a saved driver setting. So every byte position is fixed: little-endian,
// no implicit padding (each gap is a named reserved field), and every offset that someone
// reads is checked at compile time below.
//
// The records are laid out so that every field sits at its natural alignment; that keeps
// them free of padding without a packing pragma, and callers may take the address of any
// field. Pointer-sized fields of the original records keep 4 bytes and hold an index or a
// code, never an address.
#pragma once

#include <win32/base.h>

#include <bit>
#include <cstddef>
#include <type_traits>

namespace keld {

static_assert(std::endian::native == std::endian::little,
              "the data layer's files and records are little-endian");

// ---- Capacities ---------------------------------------------------------------------------

inline constexpr int kCommonPaperCount = 64;     // records of the common paper table
inline constexpr int kModelPaperListSize = 64;   // paper lists of the model record
inline constexpr int kModelListSize = 32;        // source, paper-type and media-type lists
inline constexpr int kDitherEntryCount = 64;     // 32 mesh entries followed by 32 line entries
inline constexpr int kDitherEntriesPerKind = 32;
inline constexpr int kSubstEntryCount = 32;      // font substitution defaults of a model
inline constexpr int kMediaTypeCount = 32;       // media-type records of a model entry
inline constexpr int kFreeSizeSetCount = 6;      // [USERFREESIZE] keys
inline constexpr int kFreeSizeValueCount = 8;    // numbers per [USERFREESIZE] key
inline constexpr int kDitherTableCount = 3;
inline constexpr int kDitherTableBytes = 516;    // one dither table of the common module
inline constexpr int kDitherTableDwords = kDitherTableBytes / 4;  // 129
inline constexpr int kPaperCommandBytes = 8;     // paper-selection command per orientation

// ---- Common paper table -------------------------------------------------------------------

// Printable area, margins and selection command of one paper in one orientation.
// Sizes in 1/300 inch; the command bytes are sent by the renderer.
struct PaperOrientation {
  SHORT wPrintWidth;
  SHORT wPrintLength;
  SHORT wLeftMargin;
  SHORT wTopMargin;
  SHORT wCommandLength;                 // number of valid bytes in bCommand (at most 8)
  BYTE bCommand[kPaperCommandBytes];
};
static_assert(sizeof(PaperOrientation) == 18);

// One paper of the common paper table ([AllPaper] of the common data file).
struct PaperRecord {
  SHORT wPaperID;           // paper number (identifier used in job settings)
  SHORT wNameStringID;      // string number of the name in the language module
  WCHAR szName[64];         // name from the data file; a type-1 name is a pattern
  SHORT wShortNameStringID; // string number of the short name
  SHORT wPaperType;         // bit 0 name pattern, bit 2 media type in wMediaType bits 4-7,
                            // 16 super-long paper
  LONG lValue;              // fourth item of "AllPaper<n>" (not interpreted by the layer)
  SHORT wWidth;             // 1/300 inch
  SHORT wLength;            // 1/300 inch
  PaperOrientation portrait;
  PaperOrientation landscape;
  SHORT wWidthMM;           // 0.1 mm (0 when the data file gives none)
  SHORT wLengthMM;          // 0.1 mm
};

struct PaperTable {
  PaperRecord papers[kCommonPaperCount];
};

// ---- Model record -------------------------------------------------------------------------

// A list of indexes with its count and default index, as the model record keeps them.
template <int N>
struct ModelList {
  DWORD dwItems[N];
  DWORD dwCount;
  DWORD dwDefault;
};

// Capability word bits ([PRINTERINFO] yes/no keys).
enum : DWORD {
  kCapTrue1200 = 0x00000001,
  kCapResidentFont = 0x00000002,
  kCapJapan = 0x00000004,
  kCapA3Printer = 0x00000008,
  kCapNoWatermark = 0x00000010,
  kCapDuplex = 0x00000020,
  kCapDirectRaster = 0x00000040,
  kCapHeiseFont = 0x00000080,
  kCapEnvRotate = 0x00000200,
  kCapCollate = 0x00000400,
  kCapFontSubstitution = 0x00000800,
  kCapDuplexOption = 0x00001000,
  kCapFast600 = 0x00002000,
  kCapOnlyFast600 = 0x00004000,
  kCapMonochrome = 0x00008000,
  kCapReversePortrait = 0x00010000,
  kCapMKK = 0x00020000,
  kCapGL2 = 0x00040000,
  kCapMTP_ShortFeed = 0x00100000,
  kCapFinisher = 0x00200000,
  kCapWideUserDefinePaper = 0x00800000,
  kCapMPT_Duplex = 0x01000000,
  kCapEnvMode = 0x02000000,
};

// Run-time flag in the finisher word: a finisher is installed (kept in step with the job
// settings, never read from a file).
inline constexpr WORD kFinisherInstalled = 0x8000;

// Description of one printer model ([PRINTERINFO] and [DITHER] of its data files).
struct ModelRecord {
  SHORT InfoType;
  WCHAR szModelName[65];
  DWORD dwCapability;
  DWORD iLogoBmpID;
  ModelList<kModelPaperListSize> paperList;      // active list: one of the three below
  DWORD dwReserved1;
  ModelList<kModelPaperListSize> paperListInch;  // "PaperSize_inch" / "PaperOrder_inch"
  DWORD dwReserved2;
  ModelList<kModelPaperListSize> paperListMM;    // "PaperSize_mm" / "PaperOrder_mm"
  DWORD dwReserved3[2];
  ModelList<kModelListSize> sourceList;          // "Source" / "SourceOrder"
  DWORD dwReserved4;
  ModelList<kModelListSize> paperTypeList;       // "PaperType" / "PaperTypeOrder"
  DWORD dwReserved5;
  ModelList<kModelListSize> mediaTypeList;       // "MediaType" / "MediatypeOrder"
  DWORD dwReserved6;
  // Dither table of each entry (mesh 0-31, line 32-63) as a table number 1-3, 0 for none.
  // The original kept addresses here; a number is valid in both modules.
  DWORD dwDitherTable[kDitherEntryCount];
  DWORD dwDefAvlMemory;
  WORD wPPM;
  WORD wModelID;
  WORD wFinisherType;                            // finisher word (see masks.h)
  BYTE bDitherCode[kDitherEntryCount];           // the numbers of "UDlpgrayEntryMesh/Line"
  SHORT QualityType[4];                          // resolution index of codes -4, -3, -2, -1
  SHORT Measure;
  DWORD dwIntrayType;                            // in-tray mask
};

// ---- Default job settings table -----------------------------------------------------------

// Default job settings of a model, filled from the keys its fields are named after.
// Short fields unless the type says otherwise.
struct DefaultsTable {
  WCHAR szModelName[64];
  WCHAR szRegionFile[64];          // path of the regional data file
  LONG UDfitpage;                  // 256
  SHORT wDefaultPaperID;           // 260
  SHORT wReserved262;
  SHORT wDefaultPaperWidth;        // 264, 0.1 mm
  SHORT wDefaultPaperLength;       // 266, 0.1 mm
  SHORT UDCoverPrint;              // 268
  SHORT UDSource_Cover;            // 270 (stored as a source number)
  SHORT UDCoverPrintThick;         // 272
  SHORT UDDriverSetting_Pinfof;    // 274
  SHORT UDOrientation;             // 276
  SHORT UDPortDirect;              // 278
  SHORT UDLandDirect;              // 280
  SHORT UDLongEdge;                // 282
  SHORT UDCopies;                  // 284
  SHORT UDwJobType;                // 286, always 0
  SHORT UDfCollate;                // 288
  SHORT wReserved290;
  LONG UDdwJobTypeOption;          // 292
  SHORT UDSouceOption;             // 296
  SHORT UDautotray;                // 298
  SHORT UDsizechk;                 // 300
  SHORT UDDuplex;                  // 302
  SHORT UDHdd;                     // 304
  SHORT UDJobSpool;                // 306
  SHORT UDFinisher;                // 308
  SHORT wPaperOption1;             // 310
  SHORT wPaperOption2;             // 312
  SHORT wReserved314;
  LONG UDdwFinishingMode;          // 316
  LONG UDmultipage;                // 320
  LONG UDdwPageBorder;             // 324
  LONG UDmultiPort;                // 328
  LONG UDmultiLand;                // 332
  LONG UDdwSignature;              // 336
  LONG UD2UP;                      // 340
  LONG UDRightToLeft;              // 344
  LONG UDEnlarge;                  // 348
  LONG UDRegistMarks;              // 352
  DWORD UDdwRegistColor;           // 356
  LONG UDOverlap;                  // 360
  LONG UDOverlapWidth;             // 364
  LONG UDCstmX;                    // 368
  LONG UDCstmY;                    // 372
  LONG UDDirectionPort;            // 376
  LONG UDDirectionAuto;            // 380
  SHORT UDdmScale;                 // 384
  SHORT UDBandArea_Nup;            // 386
  SHORT UDBandArea_BookLet;        // 388
  SHORT UDBandWidth_Nup;           // 390
  SHORT UDBandWidth_BookLet;       // 392
  SHORT UDOutputBin;               // 394
  DWORD dwFinisherMode;            // 396
  SHORT UDColorProcessMode;        // 400
  SHORT UDdmDuplex;                // 402
  SHORT UDcolormode;               // 404
  SHORT UDhalftone;                // 406
  SHORT UDcoloradjust;             // 408
  SHORT UDcoloradjustOpt;          // 410
  SHORT UDfOverPrint;              // 412
  SHORT UDBlackFinish;             // 414
  SHORT UDfColor;                  // 416
  SHORT UDPrintQuality;            // 418
  SHORT UDImageThinOut;            // 420
  SHORT UDfDriverExpand;           // 422
  SHORT UDRop_MultiColor;          // 424
  SHORT UDAlMatte;                 // 426
  SHORT UDSpoolEMF;                // 428
  SHORT UDTIFF;                    // 430
  SHORT UDAdjLine;                 // 432
  SHORT UDAP_Collate;              // 434
  SHORT UDOUTorBIT;                // 436
  SHORT wWatermark;                // 438, watermark selector
  WCHAR szWatermarkID[20];         // 440
  SHORT UDwFontSize;               // 480
  SHORT UDwAngle;                  // 482
  WCHAR UDszFont[32];              // 484
  LONG UDlfWeight;                 // 548
  LONG UDlfItalic;                 // 552
  DWORD UDdwColor;                 // 556
  DWORD dwReserved560;             // 560
  LONG UDxOffset;                  // 564
  LONG UDyOffset;                  // 568
  SHORT UDBasePos;                 // 572
  SHORT UDTrim;                    // 574
  SHORT UDWM_XOffset;              // 576
  SHORT UDWM_YOffset;              // 578
  SHORT UDDocContents;             // 580
  SHORT UDEnvWarningDlg;           // 582
  SHORT UDFreeHdd_General32;       // 584
  SHORT UDFreeMem_General32;       // 586
  SHORT UDFreeGdi_General32;       // 588
  SHORT UDFreeHdd_DTP32;           // 590
  SHORT UDFreeMem_DTP32;           // 592
  SHORT UDFreeGdi_DTP32;           // 594
  SHORT UDEnableEnv;               // 596
  SHORT wReserved598;
  LONG lOverlayMode;               // 600
  SHORT UDTonerSave;               // 604
  SHORT wColorAdjust1;             // 606, colour image adjustments
  SHORT wColorAdjust2;             // 608
  SHORT wMonoAdjust1;              // 610, monochrome image adjustments
  SHORT wMonoAdjust2;              // 612
  SHORT UDMPFisManual;             // 614
  BYTE bReserved616[2360 - 616];
  SHORT UDMaintenanceCycle;        // 2360
  SHORT wCompressionSupport;       // 2362, low byte of "Compression"
  SHORT wCompressionLevel;         // 2364, bits 8-15 of "Compression"
  SHORT UDCMYDensity;              // 2366
  SHORT UDPaperCut;                // 2368
  SHORT wPaper1Width;              // 2370, paper number 1, 0.1 mm
  SHORT wPaper1Length;             // 2372
  SHORT UDSLP_PrtMode;             // 2374
  SHORT UDSLP_AdjMode;             // 2376
  SHORT wReserved2378;
  LONG UDSLP_Start;                // 2380
  LONG UDSLP_Cut;                  // 2384
  SHORT UDSLP_Margin;              // 2388
  SHORT UDColorDensity;            // 2390
  SHORT UDScaleField;              // 2392
  SHORT UDBkOverlay;               // 2394
  SHORT UDSLP_Cut_Disabled;        // 2396
  SHORT wReserved2398;
};

// ---- Model entry --------------------------------------------------------------------------

// Version stamps of the four data files an entry was built from, as callers keep them
// (wCommonVer ... of the job settings record) followed by two zero shorts.
struct VersionRecord {
  SHORT wCommonVer;
  SHORT wRegionVer;
  SHORT wModelVer;
  SHORT wCustomVer;
  SHORT wReserved[2];
};

// One font substitution default ([SUBSTTABLE] key "1", "2", ...).
struct FontSubstEntry {
  WCHAR szTrueTypeName[64];
  WCHAR szPrinterFontName[64];
  SHORT wNumber;
};

// One media type: the first three numbers come from the built-in media table, the mask
// from [AllMediatype].
struct MediaTypeRecord {
  SHORT wMediaType;
  SHORT wStringID;
  DWORD dwSourceMask;
  SHORT wValue;
  SHORT wZero;
  BYTE bReserved[8];
};

// Index of each [USERFREESIZE] key in ModelEntry::freeSize.
enum FreeSizeSet : int {
  kDPIChangePortrait = 0,
  kDPIChangeLandscape = 1,
  kFreeSizePortrait = 2,
  kFreeSizeLandscape = 3,
  kFinisherSizePortrait = 4,
  kFinisherSizeLandscape = 5,
};

// Eight numbers of one [USERFREESIZE] key.
struct FreeSizeLimits {
  SHORT wMaxWidthMM;      // 0.1 mm
  SHORT wMaxLengthMM;
  SHORT wMaxWidthDots;    // 300 dpi
  SHORT wMaxLengthDots;
  SHORT wMinWidthMM;
  SHORT wMinLengthMM;
  SHORT wMinWidthDots;
  SHORT wMinLengthDots;
};

// Everything the layer knows of one model: the unit of the shared block and of the model
// cache file.
struct ModelEntry {
  DWORD dwLoaded;
  VersionRecord versions;
  ModelRecord info;
  DefaultsTable defaults;
  FontSubstEntry subst[kSubstEntryCount];
  SHORT wSubstCapacity;                       // always kSubstEntryCount
  FreeSizeLimits freeSize[kFreeSizeSetCount];
  SHORT wReserved12482;
  DWORD dwPaperSourceMask[kCommonPaperCount]; // one per common-table paper
  MediaTypeRecord mediaTypes[kMediaTypeCount];
  SHORT wMediaTypeCount;
  SHORT wReserved13382;
  ModelRecord savedInfo;                      // of the saved driver setting in use
  DefaultsTable savedDefaults;                // of the saved driver setting in use
};

// ---- Shared block and cache files ---------------------------------------------------------

// Start of the per-process block; model entries follow it back to back.
struct SharedBlockHeader {
  DWORD dwCommonLoaded;
  SHORT wCommonVer;
  SHORT wRegionVer;
  SHORT wModelCount;
  SHORT wReserved;
};

using DitherTable = DWORD[kDitherTableDwords];

// The common cache file ("<common module base name>.cah" in the system directory).
struct CommonCacheFile {
  DWORD dwSize;          // 13332
  SHORT wCommonVer;
  SHORT wRegionVer;
  PaperTable paperTable;
  DitherTable dither[kDitherTableCount];
};

// The model cache file ("<model data file base name>.cah" in the system directory).
struct ModelCacheFile {
  DWORD dwSize;          // 17500
  ModelEntry entry;
};

// ---- Compile-time checks of the contracts -------------------------------------------------

#define KELD_AT(type, field, offset) static_assert(offsetof(type, field) == (offset))

KELD_AT(PaperRecord, wPaperID, 0);
KELD_AT(PaperRecord, wNameStringID, 2);
KELD_AT(PaperRecord, szName, 4);
KELD_AT(PaperRecord, wShortNameStringID, 132);
KELD_AT(PaperRecord, wPaperType, 134);
KELD_AT(PaperRecord, lValue, 136);
KELD_AT(PaperRecord, wWidth, 140);
KELD_AT(PaperRecord, wLength, 142);
KELD_AT(PaperRecord, portrait.wPrintWidth, 144);
KELD_AT(PaperRecord, portrait.wTopMargin, 150);
KELD_AT(PaperRecord, portrait.wCommandLength, 152);
KELD_AT(PaperRecord, portrait.bCommand, 154);
KELD_AT(PaperRecord, landscape.wPrintWidth, 162);
KELD_AT(PaperRecord, landscape.wTopMargin, 168);
KELD_AT(PaperRecord, landscape.wCommandLength, 170);
KELD_AT(PaperRecord, landscape.bCommand, 172);
KELD_AT(PaperRecord, wWidthMM, 180);
KELD_AT(PaperRecord, wLengthMM, 182);
static_assert(sizeof(PaperRecord) == 184);
static_assert(sizeof(PaperTable) == 11776);

KELD_AT(ModelRecord, InfoType, 0);
KELD_AT(ModelRecord, szModelName, 2);
KELD_AT(ModelRecord, dwCapability, 132);
KELD_AT(ModelRecord, iLogoBmpID, 136);
KELD_AT(ModelRecord, paperList.dwItems, 140);
KELD_AT(ModelRecord, paperList.dwCount, 396);
KELD_AT(ModelRecord, paperList.dwDefault, 400);
KELD_AT(ModelRecord, paperListInch.dwItems, 408);
KELD_AT(ModelRecord, paperListInch.dwCount, 664);
KELD_AT(ModelRecord, paperListInch.dwDefault, 668);
KELD_AT(ModelRecord, paperListMM.dwItems, 676);
KELD_AT(ModelRecord, paperListMM.dwCount, 932);
KELD_AT(ModelRecord, paperListMM.dwDefault, 936);
KELD_AT(ModelRecord, sourceList.dwItems, 948);
KELD_AT(ModelRecord, sourceList.dwCount, 1076);
KELD_AT(ModelRecord, sourceList.dwDefault, 1080);
KELD_AT(ModelRecord, paperTypeList.dwItems, 1088);
KELD_AT(ModelRecord, paperTypeList.dwCount, 1216);
KELD_AT(ModelRecord, paperTypeList.dwDefault, 1220);
KELD_AT(ModelRecord, mediaTypeList.dwItems, 1228);
KELD_AT(ModelRecord, mediaTypeList.dwCount, 1356);
KELD_AT(ModelRecord, mediaTypeList.dwDefault, 1360);
KELD_AT(ModelRecord, dwDitherTable, 1368);
KELD_AT(ModelRecord, dwDefAvlMemory, 1624);
KELD_AT(ModelRecord, wPPM, 1628);
KELD_AT(ModelRecord, wModelID, 1630);
KELD_AT(ModelRecord, wFinisherType, 1632);
KELD_AT(ModelRecord, bDitherCode, 1634);
KELD_AT(ModelRecord, QualityType, 1698);
KELD_AT(ModelRecord, Measure, 1706);
KELD_AT(ModelRecord, dwIntrayType, 1708);
static_assert(sizeof(ModelRecord) == 1712);

KELD_AT(DefaultsTable, szModelName, 0);
KELD_AT(DefaultsTable, szRegionFile, 128);
KELD_AT(DefaultsTable, UDfitpage, 256);
KELD_AT(DefaultsTable, wDefaultPaperID, 260);
KELD_AT(DefaultsTable, wDefaultPaperWidth, 264);
KELD_AT(DefaultsTable, wDefaultPaperLength, 266);
KELD_AT(DefaultsTable, UDCoverPrint, 268);
KELD_AT(DefaultsTable, UDSource_Cover, 270);
KELD_AT(DefaultsTable, UDCoverPrintThick, 272);
KELD_AT(DefaultsTable, UDDriverSetting_Pinfof, 274);
KELD_AT(DefaultsTable, UDOrientation, 276);
KELD_AT(DefaultsTable, UDPortDirect, 278);
KELD_AT(DefaultsTable, UDLandDirect, 280);
KELD_AT(DefaultsTable, UDLongEdge, 282);
KELD_AT(DefaultsTable, UDCopies, 284);
KELD_AT(DefaultsTable, UDwJobType, 286);
KELD_AT(DefaultsTable, UDfCollate, 288);
KELD_AT(DefaultsTable, UDdwJobTypeOption, 292);
KELD_AT(DefaultsTable, UDSouceOption, 296);
KELD_AT(DefaultsTable, UDautotray, 298);
KELD_AT(DefaultsTable, UDsizechk, 300);
KELD_AT(DefaultsTable, UDDuplex, 302);
KELD_AT(DefaultsTable, UDHdd, 304);
KELD_AT(DefaultsTable, UDJobSpool, 306);
KELD_AT(DefaultsTable, UDFinisher, 308);
KELD_AT(DefaultsTable, wPaperOption1, 310);
KELD_AT(DefaultsTable, wPaperOption2, 312);
KELD_AT(DefaultsTable, UDdwFinishingMode, 316);
KELD_AT(DefaultsTable, UDmultipage, 320);
KELD_AT(DefaultsTable, UDdwPageBorder, 324);
KELD_AT(DefaultsTable, UDmultiPort, 328);
KELD_AT(DefaultsTable, UDmultiLand, 332);
KELD_AT(DefaultsTable, UDdwSignature, 336);
KELD_AT(DefaultsTable, UD2UP, 340);
KELD_AT(DefaultsTable, UDRightToLeft, 344);
KELD_AT(DefaultsTable, UDEnlarge, 348);
KELD_AT(DefaultsTable, UDRegistMarks, 352);
KELD_AT(DefaultsTable, UDdwRegistColor, 356);
KELD_AT(DefaultsTable, UDOverlap, 360);
KELD_AT(DefaultsTable, UDOverlapWidth, 364);
KELD_AT(DefaultsTable, UDCstmX, 368);
KELD_AT(DefaultsTable, UDCstmY, 372);
KELD_AT(DefaultsTable, UDDirectionPort, 376);
KELD_AT(DefaultsTable, UDDirectionAuto, 380);
KELD_AT(DefaultsTable, UDdmScale, 384);
KELD_AT(DefaultsTable, UDBandArea_Nup, 386);
KELD_AT(DefaultsTable, UDBandArea_BookLet, 388);
KELD_AT(DefaultsTable, UDBandWidth_Nup, 390);
KELD_AT(DefaultsTable, UDBandWidth_BookLet, 392);
KELD_AT(DefaultsTable, UDOutputBin, 394);
KELD_AT(DefaultsTable, dwFinisherMode, 396);
KELD_AT(DefaultsTable, UDColorProcessMode, 400);
KELD_AT(DefaultsTable, UDdmDuplex, 402);
KELD_AT(DefaultsTable, UDcolormode, 404);
KELD_AT(DefaultsTable, UDhalftone, 406);
KELD_AT(DefaultsTable, UDcoloradjust, 408);
KELD_AT(DefaultsTable, UDcoloradjustOpt, 410);
KELD_AT(DefaultsTable, UDfOverPrint, 412);
KELD_AT(DefaultsTable, UDBlackFinish, 414);
KELD_AT(DefaultsTable, UDfColor, 416);
KELD_AT(DefaultsTable, UDPrintQuality, 418);
KELD_AT(DefaultsTable, UDImageThinOut, 420);
KELD_AT(DefaultsTable, UDfDriverExpand, 422);
KELD_AT(DefaultsTable, UDRop_MultiColor, 424);
KELD_AT(DefaultsTable, UDAlMatte, 426);
KELD_AT(DefaultsTable, UDSpoolEMF, 428);
KELD_AT(DefaultsTable, UDTIFF, 430);
KELD_AT(DefaultsTable, UDAdjLine, 432);
KELD_AT(DefaultsTable, UDAP_Collate, 434);
KELD_AT(DefaultsTable, UDOUTorBIT, 436);
KELD_AT(DefaultsTable, wWatermark, 438);
KELD_AT(DefaultsTable, szWatermarkID, 440);
KELD_AT(DefaultsTable, UDwFontSize, 480);
KELD_AT(DefaultsTable, UDwAngle, 482);
KELD_AT(DefaultsTable, UDszFont, 484);
KELD_AT(DefaultsTable, UDlfWeight, 548);
KELD_AT(DefaultsTable, UDlfItalic, 552);
KELD_AT(DefaultsTable, UDdwColor, 556);
KELD_AT(DefaultsTable, dwReserved560, 560);
KELD_AT(DefaultsTable, UDxOffset, 564);
KELD_AT(DefaultsTable, UDyOffset, 568);
KELD_AT(DefaultsTable, UDBasePos, 572);
KELD_AT(DefaultsTable, UDTrim, 574);
KELD_AT(DefaultsTable, UDWM_XOffset, 576);
KELD_AT(DefaultsTable, UDWM_YOffset, 578);
KELD_AT(DefaultsTable, UDDocContents, 580);
KELD_AT(DefaultsTable, UDEnvWarningDlg, 582);
KELD_AT(DefaultsTable, UDFreeHdd_General32, 584);
KELD_AT(DefaultsTable, UDFreeMem_General32, 586);
KELD_AT(DefaultsTable, UDFreeGdi_General32, 588);
KELD_AT(DefaultsTable, UDFreeHdd_DTP32, 590);
KELD_AT(DefaultsTable, UDFreeMem_DTP32, 592);
KELD_AT(DefaultsTable, UDFreeGdi_DTP32, 594);
KELD_AT(DefaultsTable, UDEnableEnv, 596);
KELD_AT(DefaultsTable, lOverlayMode, 600);
KELD_AT(DefaultsTable, UDTonerSave, 604);
KELD_AT(DefaultsTable, wColorAdjust1, 606);
KELD_AT(DefaultsTable, wColorAdjust2, 608);
KELD_AT(DefaultsTable, wMonoAdjust1, 610);
KELD_AT(DefaultsTable, wMonoAdjust2, 612);
KELD_AT(DefaultsTable, UDMPFisManual, 614);
KELD_AT(DefaultsTable, UDMaintenanceCycle, 2360);
KELD_AT(DefaultsTable, wCompressionSupport, 2362);
KELD_AT(DefaultsTable, wCompressionLevel, 2364);
KELD_AT(DefaultsTable, UDCMYDensity, 2366);
KELD_AT(DefaultsTable, UDPaperCut, 2368);
KELD_AT(DefaultsTable, wPaper1Width, 2370);
KELD_AT(DefaultsTable, wPaper1Length, 2372);
KELD_AT(DefaultsTable, UDSLP_PrtMode, 2374);
KELD_AT(DefaultsTable, UDSLP_AdjMode, 2376);
KELD_AT(DefaultsTable, UDSLP_Start, 2380);
KELD_AT(DefaultsTable, UDSLP_Cut, 2384);
KELD_AT(DefaultsTable, UDSLP_Margin, 2388);
KELD_AT(DefaultsTable, UDColorDensity, 2390);
KELD_AT(DefaultsTable, UDScaleField, 2392);
KELD_AT(DefaultsTable, UDBkOverlay, 2394);
KELD_AT(DefaultsTable, UDSLP_Cut_Disabled, 2396);
static_assert(sizeof(DefaultsTable) == 2400);

static_assert(sizeof(VersionRecord) == 12);
static_assert(sizeof(FontSubstEntry) == 258);
KELD_AT(FontSubstEntry, szPrinterFontName, 128);
KELD_AT(FontSubstEntry, wNumber, 256);
KELD_AT(MediaTypeRecord, wStringID, 2);
KELD_AT(MediaTypeRecord, dwSourceMask, 4);
KELD_AT(MediaTypeRecord, wValue, 8);
KELD_AT(MediaTypeRecord, wZero, 10);
static_assert(sizeof(MediaTypeRecord) == 20);
static_assert(sizeof(FreeSizeLimits) == 16);

KELD_AT(ModelEntry, dwLoaded, 0);
KELD_AT(ModelEntry, versions, 4);
KELD_AT(ModelEntry, versions.wReserved, 12);
KELD_AT(ModelEntry, info, 16);
KELD_AT(ModelEntry, defaults, 1728);
KELD_AT(ModelEntry, subst, 4128);
KELD_AT(ModelEntry, wSubstCapacity, 12384);
KELD_AT(ModelEntry, freeSize, 12386);
KELD_AT(ModelEntry, dwPaperSourceMask, 12484);
KELD_AT(ModelEntry, mediaTypes, 12740);
KELD_AT(ModelEntry, wMediaTypeCount, 13380);
KELD_AT(ModelEntry, savedInfo, 13384);
KELD_AT(ModelEntry, savedDefaults, 15096);
static_assert(sizeof(ModelEntry) == 17496);

KELD_AT(SharedBlockHeader, wCommonVer, 4);
KELD_AT(SharedBlockHeader, wRegionVer, 6);
KELD_AT(SharedBlockHeader, wModelCount, 8);
static_assert(sizeof(SharedBlockHeader) == 12);

KELD_AT(CommonCacheFile, wCommonVer, 4);
KELD_AT(CommonCacheFile, wRegionVer, 6);
KELD_AT(CommonCacheFile, paperTable, 8);
KELD_AT(CommonCacheFile, dither, 11784);
static_assert(sizeof(CommonCacheFile) == 13332);

KELD_AT(ModelCacheFile, entry, 4);
KELD_AT(ModelCacheFile, entry.versions, 8);
static_assert(sizeof(ModelCacheFile) == 17500);

#undef KELD_AT

// No record has implicit padding: every byte is a named field, so a record copied to or from
// a file carries exactly the bytes above.
static_assert(std::has_unique_object_representations_v<PaperTable>);
static_assert(std::has_unique_object_representations_v<ModelEntry>);
static_assert(std::has_unique_object_representations_v<SharedBlockHeader>);
static_assert(std::has_unique_object_representations_v<CommonCacheFile>);
static_assert(std::has_unique_object_representations_v<ModelCacheFile>);

static_assert(std::is_trivially_copyable_v<ModelEntry> && std::is_standard_layout_v<ModelEntry>);

}  // namespace keld
