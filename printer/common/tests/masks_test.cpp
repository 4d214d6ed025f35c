// The hardware strings: each grammar against a table of strings, with a wrong character in
// each kind of token and strings that end early.
#include "keld/masks.h"
#include "keld/model_layout.h"

#include <gtest/gtest.h>

#include <string>

namespace keld {
namespace {

std::string Narrow(std::u16string_view s) { return std::string(s.begin(), s.end()); }

TEST(Masks, SourceMask) {
  struct Case {
    std::u16string_view text;
    DWORD mask;
  } const cases[] = {
      // The default: trays 1-5, A, M, D; both stackers, both finisher bins, every EJS bit.
      {kDefaultSourceMask, 0x01 | 0x02 | 0x10 | 0x20 | 0x40 | 0x80 | 0x0C | 0x100 | 0x30000 | 0xC0000 | 0x5F000000},
      {u"TRAY._________ + STK.__ + FIN.__ + EJS_______", 0},
      {u"TRAY.12___AM__ + STK.UD + FIN.__ + EJS_______", 0x01 | 0x02 | 0x80 | 0x0C | 0x30000},
      {u"TRAY.________F", 0x200},
      {u"tray.1____am_f + stk.u_", 0x01 | 0x80 | 0x0C | 0x200 | 0x10000},  // either case
      {u"EJS2______ + EJS___2___", 0x01000000 | 0x02000000},
      {u"EJS_3__3PS", 0x04000000 | 0x08000000 | 0x10000000 | 0x40000000},
      {u"EJS__L____", 0},
      // A wrong character allows everything its token describes; other tokens are kept.
      {u"TRAY.1X_______ + STK.U_", 0xFF | 0x10000},
      {u"TRAY.______M_F + STK.U_", 0x0C | 0x200 | 0x10000},
      {u"TRAY.______MDX", 0xFF | 0x100},
      {u"STK.UX + FIN.U_", 0x30000 | 0x40000},
      {u"FIN.?D", 0xC0000},
      {u"TRAY.1________ + EJS2____Q_", 0x01 | 0x5F000000},
      // Only the first letter names a token; other characters between tokens are skipped.
      {u"T----1________", 0x01},
      {u"+ + 123 STK.D_", 0x30000},  // D in the U position is a wrong character
      // Ending inside a token counts as a wrong character there.
      {u"TRAY.12", 0xFF},
      {u"STK.U", 0x30000 | 0x10000},
      {u"EJS23", 0x5F000000},
      {u"T", 0xFF},
      {u"", 0},
      // A comment is not read as tokens.
      {u"STK.U_ ; Face-down stacker only", 0x10000},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseSourceMask(c.text), c.mask) << Narrow(c.text);
}

TEST(Masks, FinisherType) {
  struct Case {
    std::u16string_view text;
    WORD value;
  } const cases[] = {
      {kDefaultFinisherType, 0x0001 | 0x0200 | 0x0800 | 0x1000},
      {u"PUNCH.___ + TRAY._____", 0},
      {u"PUNCH.234 + TRAY.12345", 0x0007 | 0x1F00},
      {u"PUNCH.23_ + TRAY.1____", 0x0003 | 0x0100},
      {u"PUNCH.2X4 + TRAY.1____", 0x0001 | 0x0100},   // wrong punch: the punch part is 1
      {u"PUNCH._34 + TRAY.1_X__", 0x0006 | 0x0100 | 0x1A00},  // wrong tray: adds 0x1A00
      {u"PUNCH.2", 0x0001},
      {u"TRAY.", 0x1A00},
      {u"", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseFinisherType(c.text), c.value) << Narrow(c.text);
  // The installed-finisher flag is never taken from the file.
  EXPECT_EQ(ParseFinisherType(u"PUNCH.234 + TRAY.12345 + TRAY.12345") & kFinisherInstalled, 0);
}

TEST(Masks, IntrayType) {
  struct Case {
    std::u16string_view text;
    DWORD value;
  } const cases[] = {
      {kDefaultIntrayType, 0},
      {u"TRAY.12___M__", 0x0001 | 0x0002 | 0x0020},
      {u"TRAY.12345MED", 0x007F | 0x8000},
      {u"tray.____5_e_", 0x0010 | 0x0040},
      {u"TRAY.12__AM__", 0},  // a wrong character makes the whole value 0
      {u"TRAY.12", 0},
      {u"", 0},
      {u"TRAY.1_______ ; Tray 1 only", 0x0001},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseIntrayType(c.text), c.value) << Narrow(c.text);
}

TEST(Masks, SourceAndBinBits) {
  const std::pair<int, DWORD> sources[] = {{1, 0x01}, {259, 0x02}, {4, 0x04}, {257, 0x04}, {260, 0x10},
                                           {261, 0x20}, {262, 0x40}, {7, 0x80}, {258, 0x80}, {0, 0x80}};
  for (auto [source, bit] : sources) EXPECT_EQ(SourceMaskBit(source), bit) << source;
  const std::pair<int, DWORD> bins[] = {{1, 0x10000}, {0, 0x20000}, {17, 0x40000}, {18, 0x80000}, {2, 0}};
  for (auto [bin, bit] : bins) EXPECT_EQ(BinMaskBit(bin), bit) << bin;
}

}  // namespace
}  // namespace keld
