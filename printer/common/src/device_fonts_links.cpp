#include "device_fonts_links.h"

#include "keld/model_layout.h"

#include <win32/text.h>

namespace keld::detail {
namespace {

std::u16string_view bounded(WCHAR const* text, std::size_t capacity) {
  std::size_t n = 0;
  while (n < capacity && text[n]) ++n;
  return {text, n};
}

}  // namespace

std::uint32_t FindSubstitutionLink(ModelEntry const* entry, std::u16string_view name) {
  if (!entry || name.empty()) return 0;
  for (int i = 0; i < kSubstEntryCount; ++i) {
    auto const& subst = entry->subst[i];
    if (win32::equal_nocase(bounded(subst.szPrinterFontName, std::size(subst.szPrinterFontName)), name))
      return static_cast<std::uint32_t>(i + 1);
  }
  return 0;
}

FontSubstEntry const* SubstitutionAt(ModelEntry const* entry, std::uint32_t link) {
  if (!entry || link == 0 || link > static_cast<std::uint32_t>(kSubstEntryCount)) return nullptr;
  return &entry->subst[link - 1];
}

std::u16string_view SubstitutionFaceName(FontSubstEntry const* subst) {
  return subst ? bounded(subst->szTrueTypeName, std::size(subst->szTrueTypeName)) : std::u16string_view();
}

}  // namespace keld::detail
