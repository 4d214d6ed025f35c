// The common tables from the text files: the paper table of the common data file and the
// three dither tables of the common resource module (see keld/model_reader.h).
#include "keld/model_files.h"
#include "keld/model_reader.h"
#include "keld/value_syntax.h"

#include <win32/module.h>
#include <win32/resource.h>
#include <win32/text.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace keld {
namespace {

std::u16string Numbered(const char* key, int n) { return win32::to_utf16(key + std::to_string(n)); }

// "AllPaper_port<n>" / "AllPaper_land<n>": four numbers, a byte count, the quoted command.
// The stored count never exceeds the bytes stored, so a reader of the record never sends
// bytes the file did not give.
void ReadOrientation(std::u16string_view value, PaperOrientation& o) {
  const auto items = SplitItems(value);
  SHORT numbers[4] = {};
  for (std::size_t i = 0; i < 4 && i < items.size(); ++i) numbers[i] = ClipNumber<SHORT>(ParseNumberItem(items[i]));
  o.wPrintWidth = numbers[0];
  o.wPrintLength = numbers[1];
  o.wLeftMargin = numbers[2];
  o.wTopMargin = numbers[3];
  const std::int64_t count = items.size() > 4 ? ParseNumberItem(items[4]) : 0;
  const std::u16string command = items.size() > 5 ? ParseStringItem(items[5]) : std::u16string();
  std::int64_t n = std::min<std::int64_t>({count, static_cast<std::int64_t>(command.size()), kPaperCommandBytes});
  if (n < 0) n = 0;
  for (std::int64_t i = 0; i < n; ++i) o.bCommand[i] = static_cast<BYTE>(command[static_cast<std::size_t>(i)]);
  o.wCommandLength = static_cast<SHORT>(n);
}

}  // namespace

int ReadCommonPaperTable(std::u16string_view commonFile, PaperTable& table) {
  std::memset(&table, 0, sizeof table);
  int n = 0;
  for (; n < kCommonPaperCount; ++n) {
    const auto head = ReadProfileValue(commonFile, u"AllPaper", Numbered("AllPaper", n + 1));
    if (!head) break;
    PaperRecord& p = table.papers[n];
    const auto items = SplitItems(*head);
    auto number = [&](std::size_t i) { return i < items.size() ? ParseNumberItem(items[i]) : 0; };
    p.wPaperID = ClipNumber<SHORT>(number(0));
    if (items.size() > 1) CopyToField(ParseStringItem(items[1]), p.szName, std::size(p.szName));
    p.wPaperType = ClipNumber<SHORT>(number(2));
    p.lValue = ClipNumber<LONG>(number(3));
    p.wWidth = ClipNumber<SHORT>(number(4));
    p.wLength = ClipNumber<SHORT>(number(5));

    BuiltinPaperStrings const& strings = BuiltinPaperStringsOf(p.wPaperID);
    p.wNameStringID = strings.wNameStringID;
    p.wShortNameStringID = strings.wShortNameStringID;

    ReadOrientation(ReadProfileValue(commonFile, u"AllPaper", Numbered("AllPaper_port", n + 1)).value_or(u""),
                    p.portrait);
    ReadOrientation(ReadProfileValue(commonFile, u"AllPaper", Numbered("AllPaper_land", n + 1)).value_or(u""),
                    p.landscape);
    SHORT mm[2] = {};
    ReadNumberList(ReadProfileValue(commonFile, u"AllPaper", Numbered("AllPaper_mmSize", n + 1)).value_or(u""), mm,
                   2);
    p.wWidthMM = mm[0];
    p.wLengthMM = mm[1];
  }
  return n;
}

int ReadDitherTables(std::u16string_view moduleFile, DitherTable (&tables)[kDitherTableCount]) {
  std::memset(tables, 0, sizeof tables);
  if (moduleFile.empty()) return 0;
  const std::u16string name(moduleFile);
  HMODULE module = LoadLibraryW(name.c_str());
  if (!module) return 0;
  int loaded = 0;
  for (int i = 0; i < kDitherTableCount; ++i) {
    HRSRC res = FindResourceW(module, MAKEINTRESOURCEW(static_cast<WORD>(i + 1)), MAKEINTRESOURCEW(263));
    if (!res || SizeofResource(module, res) < static_cast<DWORD>(kDitherTableBytes)) continue;
    const void* bytes = LockResource(LoadResource(module, res));
    if (!bytes) continue;
    std::memcpy(tables[i], bytes, kDitherTableBytes);
    ++loaded;
  }
  FreeLibrary(module);
  return loaded;
}

int StaticTblDefault_Read(PaperTable& table, DitherTable (&dither)[kDitherTableCount]) {
  ReadDitherTables(DataFileName(u"Common", u"InitDataFile1", true), dither);
  return ReadCommonPaperTable(DataFileName(u"Common", u"InitDataFile2", true), table);
}

}  // namespace keld
