// The rules behind the user paper, user long-paper and custom-size dialogs, without widgets.
//
// A dialog opens an edit session on a snapshot of its store, validates each entry the user
// types (GetCheckUDPData / GetCheckUDLData), keeps the additions, modifications and
// deletions in the session's pending list (Set...ModfyData) and writes nothing until OK
// (WriteUDPChanges / WriteUDLChanges), which rewrites "KELD.INI" and rebuilds the block.
//
// Sizes are typed in millimetres with one decimal or in inches with two decimals and kept in
// 0.1 mm (inches: hundredths x 2540 / 1000, rounded). Super-long positions are typed in
// millimetres (one decimal) or inches (three decimals) and kept in 600-dpi dots and 0.001 inch.
//
// A name may not hold a comma (it ends the name in the stored line) or a control character
// (the profile line cannot carry line breaks, and tabs and other controls would not survive
// the blank trimming of the profile reader); blanks around a name are dropped. An empty name
// is refused too. All three give message 1907.
#pragma once

#include "keld/model_layout.h"
#include "keld/user_paper_store.h"

#include <win32/base.h>

#include <string>
#include <string_view>
#include <vector>

namespace keld {

// Message numbers of the language module.
enum : int {
  kMsgWidthOverLength = 1904,
  kMsgWidthOutOfRange = 1905,
  kMsgLengthOutOfRange = 1906,
  kMsgBadNameCharacter = 1907,
  kMsgNameInUse = 1908,
  kMsgTooManyPapers = 1916,
  kMsgConfirmDelete = 3800,
  kMsgConfirmDeleteCaption = 3801,
  kMsgStartOutOfRange = 11353,
  kMsgCutOutOfRange = 11354,
  kMsgMarginOutOfRange = 11355,
};

inline constexpr int kMaxUserPapers = 32;
inline constexpr int kUserPaperNameEditChars = 12;  // the user paper dialog's name box
inline constexpr int kUserLongNameEditChars = 37;   // the long-paper dialog's name box
inline constexpr int kSizeEditChars = 7;

enum class LengthUnit { Millimetre = 0, Inch = 1 };

// Which field a refused entry puts the focus on.
enum class EditField { None, Name, Width, Length, Start, Cut, Margin };

// ---- Units -----------------------------------------------------------------------------------

// A typed size in 0.1 mm: millimetres with at most one decimal, inches with at most two.
// False for anything else (empty, signs, other characters, too many decimals or digits).
bool ParseSizeText(std::u16string_view text, LengthUnit unit, int* tenthsMm);
// 2159 -> "215.9" (mm) or "8.50" (inch).
std::u16string FormatSizeText(int tenthsMm, LengthUnit unit);

// A typed super-long position: millimetres (one decimal) or inches (three decimals), signed
// when `allowNegative`. Gives 600-dpi dots and 0.001 inch; negative values round down.
bool ParsePositionText(std::u16string_view text, LengthUnit unit, bool allowNegative, LONG* dots, LONG* mil);
std::u16string FormatPositionText(LONG dots, LONG mil, LengthUnit unit);

// ---- Rules of one model ----------------------------------------------------------------------

struct EditRules {
  FreeSizeLimits limits{};                  // custom-size limits in force (0.1 mm used)
  bool wideAllowed = false;                 // capability WideUserDefinePaper
  std::vector<std::u16string> modelWords;   // first word of every paper name of the model
};
// The rules of a loaded model (limits from GetFreePaperInfo, names from its active list).
EditRules GetEditRules(ModelRecord const* info);

// The long-paper dialog's paper-cut box is ticked and disabled while the model's defaults set
// "UDSLP_Cut_Disabled" to 1 and the job is not collated.
bool IsPaperCutForced(ModelRecord const* info, bool collated);

// The model's default paper in 0.1 mm (the custom-size dialog's "default size" button).
bool GetDefaultPaperSize(ModelRecord const* info, int* width, int* length);

// Custom size (paper 256): the width, length and width-over-length checks. 0 when accepted
// (width and length set), else the message number with the field to focus.
int CheckFreeSize(EditRules const& rules, std::u16string_view widthText, std::u16string_view lengthText,
                  LengthUnit unit, int* width, int* length, EditField* focus);

// ---- Edit sessions ---------------------------------------------------------------------------

enum class ChangeKind { Add = 1, Modify = 2, Delete = 3 };

// A paper of a pending addition carries a temporary negative identifier until OK.
struct UserPaperChange {
  ChangeKind kind;
  UserPaperRecord paper;
};
struct UserLongChange {
  ChangeKind kind;
  UserLongPaperRecord paper;
};

struct UserPaperSession {
  EditRules rules;
  UserPaperStore base;                  // the store as the dialog opened it
  std::vector<UserPaperChange> changes; // pending, in the order made
  SHORT nextTemporaryId = -1;
};
struct UserLongSession {
  EditRules rules;
  UserLongPaperStore base;
  std::vector<UserLongChange> changes;
  SHORT nextTemporaryId = -1;
};

UserPaperSession OpenUserPaperSession(EditRules rules);  // snapshot of the current block
UserLongSession OpenUserLongSession(EditRules rules);

// The papers as the dialog lists them: the store with the pending changes applied.
std::vector<UserPaperRecord> SessionPapers(UserPaperSession const& session);
std::vector<UserLongPaperRecord> SessionPapers(UserLongSession const& session);

// One typed user paper entry.
struct UserPaperInput {
  std::u16string name;
  std::u16string width;   // as typed, in `unit`
  std::u16string length;
  LengthUnit unit = LengthUnit::Millimetre;
  bool envelope = false;
};

// Checks in order: name characters (1907), name in use (1908), width (1905), length (1906),
// width over length unless wide papers are allowed (1904). `editingId` is the paper being
// modified (0 for a new one; its own name does not count as in use). 0 when accepted, with
// the record filled (identifier `editingId`).
int GetCheckUDPData(UserPaperSession const& session, UserPaperInput const& input, int editingId,
                    UserPaperRecord* out, EditField* focus);

struct UserLongInput {
  std::u16string name;
  std::u16string width;
  std::u16string length;
  LengthUnit unit = LengthUnit::Millimetre;   // of width and length
  std::u16string start;                       // start position, cut length, margin
  std::u16string cut;
  std::u16string margin;
  LengthUnit positionUnit = LengthUnit::Millimetre;
  SHORT printMode = 0;
  SHORT adjMode = 0;
  SHORT paperCut = 0;
  SHORT further = 0;
};

// Checks in order: name (1907, 1908), width within the custom-size width limits (1905),
// length from 508 up to the maximum length (1906), start position -31575 ... 33960 dots
// (-32768 ... 32767 with adjustment mode 1) (11353), cut length 0-32767 dots (11354), margin
// 0-65535 dots (11355), width over length unless wide papers are allowed (1904).
int GetCheckUDLData(UserLongSession const& session, UserLongInput const& input, int editingId,
                    UserLongPaperRecord* out, EditField* focus);

// Pending changes. Add: a checked record (its identifier is replaced by a temporary one, which
// is returned); 1916 when the list already holds 32 papers. Modify / Delete: the record's
// identifier names the paper; a pending addition is changed or dropped in place. Returns the
// identifier (Add), 1 (Modify, Delete), or 0 for an identifier the list does not hold.
int SetUDPModfyData(UserPaperSession& session, ChangeKind kind, UserPaperRecord const& paper);
int SetUDLModfyData(UserLongSession& session, ChangeKind kind, UserLongPaperRecord const& paper);
// The pending change at `index`; the number of pending changes (out may be null).
int GetUDPModfyData(UserPaperSession const& session, int index, UserPaperChange* out);
int GetUDLModfyData(UserLongSession const& session, int index, UserLongChange* out);

// OK: assigns identifiers to the additions (one above the highest in use; when that is at the
// top of the range, the lowest free one), writes every added or modified paper, removes
// every deleted paper's key, rewrites "PaperEntry" and "numDefine" and rebuilds the block.
// Returns 1, or 0 when "KELD.INI" could not be written (the block is rebuilt from what the
// file holds). The session's changes are cleared on success.
int WriteUDPChanges(UserPaperSession& session);
int WriteUDLChanges(UserLongSession& session);

// The identifier a new paper takes, given the identifiers in use. 0 when the range is full.
int NextUserPaperId(std::vector<int> const& inUse);
int NextUserLongId(std::vector<int> const& inUse);

// The size and envelope state of a user paper for the job settings; 0 when unknown.
int GetUserPaperForJob(int paperId, SHORT* width, SHORT* length, SHORT* envelope);

}  // namespace keld
