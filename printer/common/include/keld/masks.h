// The three hardware strings of the model data files.
//
// Source/bin/finishing mask (keys of [PaperSourceType] and [AllMediatype]), e.g.
//   "TRAY.12345AMD_ + STK.UD + FIN.UD + EJS23L23PS"
// Tokens are recognised by their first letter (T, S, F, E, either case) and are followed,
// after their name ("TRAY.", "STK.", "FIN.", "EJS"), by one position per feature: the
// feature's character, or '_' when absent. A wrong character in a token allows everything
// that token describes, so a typing error never hides a tray:
//   TRAY. 1 2 3 4 5 A M D F  -> 0x01 0x02 0x10 0x20 0x40 0x80 0x0C 0x100 0x200
//                               (wrong: low byte 0xFF)
//   STK.  U D                -> 0x10000 0x20000          (wrong: 0x30000)
//   FIN.  U D                -> 0x40000 0x80000          (wrong: 0xC0000)
//   EJS   2 3 L 2 3 P S      -> 0x01000000 0x04000000 - 0x02000000 0x08000000 0x10000000
//                               0x40000000               (wrong: 0x5F000000)
// A string that ends inside a token counts as a wrong character there.
//
// Finisher string ("wFinisherType"), e.g. "PUNCH.2__ + TRAY._2_45":
//   PUNCH. 2 3 4   -> 0x0001 0x0002 0x0004  (wrong: the punch part is 0x0001)
//   TRAY.  1 2 3 4 5 -> 0x0100 0x0200 0x0400 0x0800 0x1000 (wrong: adds 0x1A00)
// Bit 0x8000 is never read from the file (kFinisherInstalled, model_layout.h).
//
// In-tray string ("IntrayType"), e.g. "TRAY.12___M__":
//   TRAY. 1 2 3 4 5 M E D -> 0x0001 0x0002 0x0004 0x0008 0x0010 0x0020 0x0040 0x8000
//   (wrong: the whole value is 0)
//
// Letters match in either case; a semicolon ends the string (the rest is a comment).
#pragma once

#include <win32/base.h>

#include <string_view>

namespace keld {

inline constexpr char16_t kDefaultSourceMask[] = u"TRAY.12345AMD_ + STK.UD + FIN.UD + EJS23L23PS";
inline constexpr char16_t kDefaultFinisherType[] = u"PUNCH.2__ + TRAY._2_45";
inline constexpr char16_t kDefaultIntrayType[] = u"TRAY.________";

DWORD ParseSourceMask(std::u16string_view text);
WORD ParseFinisherType(std::u16string_view text);
DWORD ParseIntrayType(std::u16string_view text);

// The source bit of a paper source (bin) number as the masks carry it: source 1 -> 0x01,
// 259 -> 0x02, 4 and 257 -> 0x04, 260 -> 0x10, 261 -> 0x20, 262 -> 0x40, others -> 0x80.
DWORD SourceMaskBit(int source);
// The bit of an output bin: bin 1 -> 0x10000, 0 -> 0x20000, 17 -> 0x40000, 18 -> 0x80000;
// 0 for other bins.
DWORD BinMaskBit(int bin);

}  // namespace keld
