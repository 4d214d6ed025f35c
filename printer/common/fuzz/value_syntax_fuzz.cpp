// Fuzzes the parsers of the model data files' values: items, numbers, strings, yes/no, the
// compression number and the three hardware strings. Lists are read into arrays with guard
// words on both sides: a count beyond the capacity or a touched guard aborts.
#include "keld/masks.h"
#include "keld/value_syntax.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr std::uint32_t kGuard = 0xA5A5A5A5u;

template <class T, int Capacity>
void ReadGuarded(std::u16string_view value) {
  struct {
    std::uint32_t before;
    T items[Capacity];
    std::uint32_t after;
  } buffer;
  buffer.before = kGuard;
  buffer.after = kGuard;
  const int n = keld::ReadNumberList(value, buffer.items, Capacity);
  if (n < 0 || n > Capacity || buffer.before != kGuard || buffer.after != kGuard) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Half the inputs as UTF-16 code units, half as bytes widened one by one, so that plain
  // ASCII corpora reach the parsers too.
  std::u16string value;
  if (size > 0 && (data[0] & 1)) {
    value.resize((size - 1) / 2);
    std::memcpy(value.data(), data + 1, value.size() * 2);
  } else {
    for (std::size_t i = size > 0 ? 1 : 0; i < size; ++i) value.push_back(data[i]);
  }

  for (std::u16string_view item : keld::SplitItems(value)) {
    const std::int64_t n = keld::ParseNumberItem(item);
    if (n > keld::kNumberLimit || n < -keld::kNumberLimit) std::abort();
    if (keld::ParseStringItem(item).size() > item.size()) std::abort();
  }
  ReadGuarded<SHORT, 4>(value);
  ReadGuarded<DWORD, 64>(value);
  ReadGuarded<BYTE, 1>(value);
  (void)keld::ParseFirstString(value);
  (void)keld::ParseInteger(value);
  (void)keld::ParseCompressionNumber(value);
  (void)keld::ParseYesNo(value);
  (void)keld::ParseSourceMask(value);
  if (keld::ParseFinisherType(value) & 0x8000) std::abort();
  (void)keld::ParseIntrayType(value);

  WCHAR field[8];
  keld::CopyToField(value, field, 8);
  if (field[7] != 0) std::abort();
  return 0;
}
