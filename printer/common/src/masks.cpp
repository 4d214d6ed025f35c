// The hardware strings of the model data files (see keld/masks.h).
#include "keld/masks.h"

#include <cstddef>
#include <initializer_list>

namespace keld {
namespace {

struct Position {
  char16_t c;  // the feature's character (upper case)
  DWORD bit;
};

char16_t Upper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; }

// One token: skips its name (`nameLength` characters, whatever they are: the first letter
// already chose the token) and reads one character per position. Adds the bits found to
// `bits`; returns false when a position held a wrong character or the text ended early.
// `at` moves past the token.
bool ReadToken(std::u16string_view text, std::size_t& at, std::size_t nameLength,
               std::initializer_list<Position> positions, DWORD& bits) {
  at += nameLength;
  bool ok = true;
  for (const Position& p : positions) {
    if (at >= text.size()) return false;
    const char16_t c = Upper(text[at++]);
    if (c == p.c) {
      bits |= p.bit;
    } else if (c != u'_') {
      ok = false;
    }
  }
  return ok;
}

// The value up to its comment: the letters of a comment would read as tokens.
std::u16string_view WithoutComment(std::u16string_view text) { return text.substr(0, text.find(u';')); }

}  // namespace

DWORD ParseSourceMask(std::u16string_view text) {
  text = WithoutComment(text);
  DWORD mask = 0;
  std::size_t at = 0;
  while (at < text.size()) {
    switch (Upper(text[at])) {
      case u'T':
        if (!ReadToken(text, at, 5,
                       {{u'1', 0x01}, {u'2', 0x02}, {u'3', 0x10}, {u'4', 0x20}, {u'5', 0x40}, {u'A', 0x80},
                        {u'M', 0x0C}, {u'D', 0x100}, {u'F', 0x200}},
                       mask)) {
          mask |= 0xFF;
        }
        break;
      case u'S':
        if (!ReadToken(text, at, 4, {{u'U', 0x10000}, {u'D', 0x20000}}, mask)) mask |= 0x30000;
        break;
      case u'F':
        if (!ReadToken(text, at, 4, {{u'U', 0x40000}, {u'D', 0x80000}}, mask)) mask |= 0xC0000;
        break;
      case u'E':
        if (!ReadToken(text, at, 3,
                       {{u'2', 0x01000000}, {u'3', 0x04000000}, {u'L', 0}, {u'2', 0x02000000}, {u'3', 0x08000000},
                        {u'P', 0x10000000}, {u'S', 0x40000000}},
                       mask)) {
          mask |= 0x5F000000;
        }
        break;
      default:
        ++at;
    }
  }
  return mask;
}

WORD ParseFinisherType(std::u16string_view text) {
  text = WithoutComment(text);
  DWORD punch = 0;
  DWORD trays = 0;
  std::size_t at = 0;
  while (at < text.size()) {
    switch (Upper(text[at])) {
      case u'P':
        if (!ReadToken(text, at, 6, {{u'2', 0x0001}, {u'3', 0x0002}, {u'4', 0x0004}}, punch)) punch = 0x0001;
        break;
      case u'T':
        if (!ReadToken(text, at, 5, {{u'1', 0x0100}, {u'2', 0x0200}, {u'3', 0x0400}, {u'4', 0x0800}, {u'5', 0x1000}},
                       trays)) {
          trays |= 0x1A00;
        }
        break;
      default:
        ++at;
    }
  }
  return static_cast<WORD>(punch | trays);
}

DWORD ParseIntrayType(std::u16string_view text) {
  text = WithoutComment(text);
  DWORD trays = 0;
  std::size_t at = 0;
  while (at < text.size()) {
    if (Upper(text[at]) != u'T') {
      ++at;
      continue;
    }
    if (!ReadToken(text, at, 5,
                   {{u'1', 0x0001}, {u'2', 0x0002}, {u'3', 0x0004}, {u'4', 0x0008}, {u'5', 0x0010}, {u'M', 0x0020},
                    {u'E', 0x0040}, {u'D', 0x8000}},
                   trays)) {
      return 0;
    }
  }
  return trays;
}

DWORD SourceMaskBit(int source) {
  switch (source) {
    case 1: return 0x01;
    case 259: return 0x02;
    case 4:
    case 257: return 0x04;
    case 260: return 0x10;
    case 261: return 0x20;
    case 262: return 0x40;
    default: return 0x80;
  }
}

DWORD BinMaskBit(int bin) {
  switch (bin) {
    case 1: return 0x10000;
    case 0: return 0x20000;
    case 17: return 0x40000;
    case 18: return 0x80000;
    default: return 0;
  }
}

}  // namespace keld
