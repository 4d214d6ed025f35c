// The link from a device font to the model's font-substitution default (private to the
// layer). Kept apart from the font-list code: the two layout headers each name their own
// dither table.
#pragma once

#include <cstdint>
#include <string_view>

namespace keld {
struct ModelEntry;
struct FontSubstEntry;
}  // namespace keld

namespace keld::detail {

// 1 + the index of the first substitution default whose printer font name equals `name`
// (ASCII case ignored); 0 for none, for an empty name or without an entry.
std::uint32_t FindSubstitutionLink(ModelEntry const* entry, std::u16string_view name);
// The default a link names, or null.
FontSubstEntry const* SubstitutionAt(ModelEntry const* entry, std::uint32_t link);
// Its TrueType face name (empty for null).
std::u16string_view SubstitutionFaceName(FontSubstEntry const* subst);

}  // namespace keld::detail
