// Device-font list resources of any shape: the parser either refuses the bytes or gives
// records whose names all resolve inside the copy.
#include "keld/device_fonts.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
  std::span<std::uint8_t const> const bytes(data, size);
  for (bool drop : {false, true}) {
    auto const list = keld::ParseDevFontList(bytes, drop);
    if (!list) continue;
    if (list->records.size() * sizeof(keld::DeviceFontRecord) + 8 > size) std::abort();
    for (auto const& record : list->records) {
      if (drop && record.codePage == 932) std::abort();
      auto const name = keld::DevFontListName(*list, record);
      auto const* begin = list->resource.data();
      if (!name.empty() && (name.data() < begin || name.data() + name.size() > begin + list->resource.size())) std::abort();
    }
  }
  return 0;
}
