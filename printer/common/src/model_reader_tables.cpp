// Built-in tables of the model reader: string numbers of the papers and the media types.
//
// The language modules carry a paper's name as string 10000 + paper number and its short
// name as 11000 + paper number; a media type's name is string 9900 + media number (beside
// the paper-type names 9800-9811). The first paper row serves every paper not listed.
#include "keld/model_reader.h"

#include <array>

namespace keld {
namespace {

constexpr BuiltinPaperStrings Paper(SHORT id) {
  return {id, static_cast<SHORT>(10000 + id), static_cast<SHORT>(11000 + id)};
}

constexpr std::array kPaperStrings = {
    Paper(0),   Paper(1),   Paper(3),   Paper(4),   Paper(5),   Paper(6),   Paper(7),   Paper(8),
    Paper(9),   Paper(11),  Paper(12),  Paper(13),  Paper(14),  Paper(19),  Paper(20),  Paper(27),
    Paper(28),  Paper(31),  Paper(34),  Paper(37),  Paper(43),  Paper(70),  Paper(73),  Paper(74),
    Paper(82),  Paper(88),  Paper(91),  Paper(256), Paper(263), Paper(264), Paper(271), Paper(272),
    Paper(273), Paper(274), Paper(275),
};

// Media types 0-13: plain, thick 1, thick 2, transparency, labels, envelope, postcard,
// recycled, glossy, bond, letterhead, preprinted, coloured, automatic.
constexpr std::array<BuiltinMediaType, kBuiltinMediaTypeCount> kMediaTypes = [] {
  std::array<BuiltinMediaType, kBuiltinMediaTypeCount> t{};
  for (int i = 0; i < kBuiltinMediaTypeCount; ++i) {
    t[i] = {static_cast<SHORT>(i), static_cast<SHORT>(9900 + i), 0};
  }
  return t;
}();

}  // namespace

std::span<const BuiltinPaperStrings> BuiltinPaperStringTable() { return kPaperStrings; }

BuiltinPaperStrings const& BuiltinPaperStringsOf(int paperID) {
  for (auto const& row : kPaperStrings) {
    if (row.wPaperID == paperID) return row;
  }
  return kPaperStrings.front();
}

std::span<const BuiltinMediaType> BuiltinMediaTypeTable() { return kMediaTypes; }

}  // namespace keld
