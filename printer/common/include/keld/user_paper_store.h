// The user paper stores: papers the user defines by name and size (identifiers 276-532) and
// user long papers (537-575), kept in the machine-wide profile file "KELD.INI".
//
//   [UserDefPaper]                    [UserDefLong]
//   numDefine=2                       numDefine=1
//   PaperEntry=277,278,               PaperEntry=537,
//   Paper277=name,w,l,env,unit        Paper537=name,w,l,n,unit,mode,adj,cut,s,c,m,s,c,m
//
// Widths and lengths are 0.1 mm. A name ends at the first comma of its line and keeps at
// most 39 characters. The profile file is the truth; each process keeps one in-memory block
// per store (a header and one packed record per paper), rebuilt by ReloadUDPInfo /
// ReloadUDLInfo whenever the file may have changed (start-up, property sheets, capability
// queries, device contexts). The rendering module never reads these stores.
//
// The regional data file may carry the same two sections with predefined papers;
// SetUDP_Read / SetUDL_Read copy them into "KELD.INI" when the common tables are rebuilt.
#pragma once

#include "keld/model_layout.h"

#include <win32/base.h>

#include <cstddef>
#include <string>
#include <vector>

namespace keld {

inline constexpr WCHAR kUserPaperFile[] = u"KELD.INI";
inline constexpr WCHAR kUserPaperSection[] = u"UserDefPaper";
inline constexpr WCHAR kUserLongSection[] = u"UserDefLong";

// Identifier ranges. A store's "highest identifier in use" starts one below its range.
inline constexpr SHORT kFirstUserPaperId = 276;
inline constexpr SHORT kLastUserPaperId = 532;
inline constexpr SHORT kFirstUserLongId = 537;
inline constexpr SHORT kLastUserLongId = 575;
inline constexpr SHORT kUserPaperBaseId = 276;  // highest in use of an empty paper store
inline constexpr SHORT kUserLongBaseId = 536;   // highest in use of an empty long store

inline constexpr int kUserPaperNameChars = 39;  // stored name length without the NUL

#pragma pack(push, 1)

// Header of a store block.
struct UserPaperHeader {
  SHORT highestId;  // highest identifier in use (276 / 536 when none)
  SHORT count;      // records that follow
};
static_assert(sizeof(UserPaperHeader) == 4);

// One user paper (90 bytes).
struct UserPaperRecord {
  SHORT id;        // 276-532
  WCHAR name[40];  // NUL-terminated, at most 39 characters
  SHORT width;     // 0.1 mm
  SHORT length;    // 0.1 mm
  SHORT envelope;  // 1: fed as an envelope
  SHORT unit;      // 1: shown in inches, 0: millimetres
};
static_assert(sizeof(UserPaperRecord) == 90);
static_assert(offsetof(UserPaperRecord, name) == 2);
static_assert(offsetof(UserPaperRecord, width) == 82);
static_assert(offsetof(UserPaperRecord, length) == 84);
static_assert(offsetof(UserPaperRecord, envelope) == 86);
static_assert(offsetof(UserPaperRecord, unit) == 88);

// One user long paper (120 bytes) with its super-long settings.
struct UserLongPaperRecord {
  SHORT id;         // 537-575
  WCHAR name[40];   // NUL-terminated, at most 39 characters
  SHORT width;      // 0.1 mm
  SHORT length;     // 0.1 mm
  SHORT further;    // kept as stored
  SHORT unit;       // 1: shown in inches
  SHORT printMode;  // super-long print mode
  SHORT adjMode;    // adjustment mode (1: wide start-position range)
  SHORT paperCut;   // 1: cut after printing
  LONG startDots;   // start position, 600-dpi dots
  LONG cutDots;     // cut length, 600-dpi dots
  LONG marginDots;  // margin, 600-dpi dots
  LONG startMil;    // start position, 0.001 inch
  LONG cutMil;      // cut length, 0.001 inch
  LONG marginMil;   // margin, 0.001 inch
};
static_assert(sizeof(UserLongPaperRecord) == 120);
static_assert(offsetof(UserLongPaperRecord, name) == 2);
static_assert(offsetof(UserLongPaperRecord, width) == 82);
static_assert(offsetof(UserLongPaperRecord, length) == 84);
static_assert(offsetof(UserLongPaperRecord, further) == 86);
static_assert(offsetof(UserLongPaperRecord, unit) == 88);
static_assert(offsetof(UserLongPaperRecord, printMode) == 90);
static_assert(offsetof(UserLongPaperRecord, adjMode) == 92);
static_assert(offsetof(UserLongPaperRecord, paperCut) == 94);
static_assert(offsetof(UserLongPaperRecord, startDots) == 96);
static_assert(offsetof(UserLongPaperRecord, cutDots) == 100);
static_assert(offsetof(UserLongPaperRecord, marginDots) == 104);
static_assert(offsetof(UserLongPaperRecord, startMil) == 108);
static_assert(offsetof(UserLongPaperRecord, cutMil) == 112);
static_assert(offsetof(UserLongPaperRecord, marginMil) == 116);

#pragma pack(pop)

// A snapshot of one store block.
struct UserPaperStore {
  UserPaperHeader header{kUserPaperBaseId, 0};
  std::vector<UserPaperRecord> papers;
};
struct UserLongPaperStore {
  UserPaperHeader header{kUserLongBaseId, 0};
  std::vector<UserLongPaperRecord> papers;
};

// Long papers may be as short as 2 inches, below the custom-size minimum length.
inline constexpr SHORT kUserLongMinLength = 508;

// ---- Loading -------------------------------------------------------------------------------

// Rebuild the process's block of the store from "KELD.INI" (the profile cache is flushed
// first). Returns the number of papers read.
int ReloadUDPInfo();
int ReloadUDLInfo();

// Copy the predefined papers of the regional data file (a profile file name or path) into
// "KELD.INI": each listed paper is written under its own identifier unless the store already
// holds a paper there, "PaperEntry" gains the identifiers it lacks and "numDefine" follows.
// Returns 1 when something was merged, 0 when the regional file defines no papers.
int SetUDP_Read(LPCWSTR regionalFile);
int SetUDL_Read(LPCWSTR regionalFile);

// Copies of the current blocks (empty stores before the first reload).
UserPaperStore GetUserPaperStore();
UserLongPaperStore GetUserLongPaperStore();
// Replace a block directly (after the store was rewritten by the editor).
void SetUserPaperStore(UserPaperStore store);
void SetUserLongPaperStore(UserLongPaperStore store);

// ---- Profile lines -------------------------------------------------------------------------

// "PaperEntry" walk: numbers separated by commas; the walk stops after a number not followed
// by a comma, at the first item that is not a number, or after `limit` numbers.
std::vector<int> ParsePaperEntry(std::u16string_view text, int limit);
std::u16string FormatPaperEntry(std::vector<int> const& ids);  // "%d," repeated

// "Paper%d" lines. Parsing never fails: missing numbers read as 0.
UserPaperRecord ParseUserPaperLine(SHORT id, std::u16string_view line);
UserLongPaperRecord ParseUserLongLine(SHORT id, std::u16string_view line);
std::u16string FormatUserPaperLine(UserPaperRecord const& paper);
std::u16string FormatUserLongLine(UserLongPaperRecord const& paper);
std::u16string UserPaperKey(int id);  // "Paper%d"

// ---- Queries -------------------------------------------------------------------------------

// Request codes of GetUDPInfo / GetUDLInfo: the low byte selects what is written per paper;
// kUdAll selects every paper, kUdViolating only papers outside the custom-size limits,
// neither only papers within them.
enum : DWORD {
  kUdCount = 1,          // nothing written
  kUdId = 2,             // SHORT
  kUdDisplayName = 3,    // WCHAR[64] "name w x lmm" / "name w x lin"
  kUdIdName = 4,         // UdIdName
  kUdSize = 5,           // UdSize
  kUdIdSize = 6,         // UdIdSize
  kUdRecord = 7,         // the store's record
  kUdIdRecord = 8,       // SHORT id, then the record
  kUdEnvelope = 9,       // SHORT
  kUdIdEnvelope = 10,    // UdIdValue
  kUdHighestId = 11,     // one SHORT: the header's highest identifier
  kUdSizeLong = 12,      // UdSizeLong
  kUdIdSizeLong = 13,    // UdIdSizeLong
  kUdName = 14,          // WCHAR[16], the name cut to 15 characters
  kUdSelectedCount = 15, // nothing written
  kUdUnit = 16,          // SHORT
  kUdAll = 0x100,
  kUdViolating = 0x200,
};
inline constexpr int kUdDisplayNameChars = 64;
inline constexpr int kUdShortNameChars = 16;

#pragma pack(push, 1)
struct UdIdName {
  SHORT id;
  WCHAR name[kUdDisplayNameChars];
};
struct UdSize {
  SHORT width, length;
};
struct UdIdSize {
  SHORT id, width, length;
};
struct UdIdValue {
  SHORT id, value;
};
struct UdSizeLong {
  LONG width, length;
};
struct UdIdSizeLong {
  LONG id, width, length;
};
#pragma pack(pop)
static_assert(sizeof(UdIdName) == 130 && sizeof(UdIdSize) == 6 && sizeof(UdIdSizeLong) == 12);

// Queries on the current blocks with the given custom-size limits (model_layout.h). id 0: every selected paper is written
// in turn to `out` (which must hold that many elements; null writes nothing) and the result is
// the number of selected papers. id non-zero: only that paper is written and the result is the
// identifier of the paper after it (0 after the last), with bit 31 set when the paper lies
// outside the limits; -1 when the store has no such paper. kUdHighestId writes one SHORT and
// returns the highest identifier.
LONG QueryUDPInfo(FreeSizeLimits const& limits, DWORD request, void* out, int id);
LONG QueryUDLInfo(FreeSizeLimits const& limits, DWORD request, void* out, int id);

// Size of one written element for a request (0 when nothing is written per paper).
std::size_t UdElementSize(DWORD request, bool longStore);

// "%s %s x %smm" / "%s %s x %sin": width and length in 0.1 mm shown with one decimal in
// millimetres, or with two decimals in inches when `inch` is set.
std::u16string UserPaperDisplayName(std::u16string_view name, int width, int length, bool inch);
std::u16string FormatTenthsMm(int tenths);      // 2100 -> "210.0"
std::u16string FormatHundredthsIn(int tenths);  // 2159 -> "8.50"

}  // namespace keld
