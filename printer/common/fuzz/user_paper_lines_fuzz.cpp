// Hand-edited "KELD.INI" lines and typed dialog texts: parsing never reads out of bounds, and
// a parsed paper written back reads the same again.
#include "keld/user_paper_edit.h"
#include "keld/user_paper_store.h"

#include <win32/text.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
  std::u16string text = win32::to_utf16(std::string_view(reinterpret_cast<char const*>(data), size));
  keld::ParsePaperEntry(text, 64);

  keld::UserPaperRecord paper = keld::ParseUserPaperLine(277, text);
  keld::UserPaperRecord again = keld::ParseUserPaperLine(277, keld::FormatUserPaperLine(paper));
  if (std::memcmp(&paper, &again, sizeof paper) != 0) std::abort();

  keld::UserLongPaperRecord longPaper = keld::ParseUserLongLine(537, text);
  keld::UserLongPaperRecord longAgain = keld::ParseUserLongLine(537, keld::FormatUserLongLine(longPaper));
  if (std::memcmp(&longPaper, &longAgain, sizeof longPaper) != 0) std::abort();

  int tenths = 0;
  LONG dots = 0, mil = 0;
  keld::ParseSizeText(text, keld::LengthUnit::Inch, &tenths);
  keld::ParsePositionText(text, keld::LengthUnit::Millimetre, true, &dots, &mil);
  return 0;
}
