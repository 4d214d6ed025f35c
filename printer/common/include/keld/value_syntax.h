// The value syntax of the model data files.
//
// A value is a list of items separated by commas; a semicolon ends it (the rest is a
// comment). A number item is decimal, or hexadecimal after a "0x"/"0X" prefix; a minus sign
// anywhere in the item makes it negative and every other character is skipped, so
// " 3696 KB" reads 3696. A string item is enclosed in double quotes; inside it "\xHH" stands
// for the byte HH, which is how printer command bytes are written. Commas and semicolons
// inside quotes belong to the string.
//
// The files are edited by hand, so nothing here trusts them: numbers saturate instead of
// wrapping, a list never writes past the capacity it is given, an unterminated quote runs to
// the end of the value.
#pragma once

#include <win32/base.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace keld {

// Largest magnitude a number item reads as: every 32-bit pattern survives (0xFFFFFFFF for a
// colour), anything longer saturates.
inline constexpr std::int64_t kNumberLimit = 0xFFFFFFFFll;

// The items of a value up to its first semicolon outside quotes; each item is trimmed of
// blanks. A value that is empty or blank up to the semicolon has no items.
std::vector<std::u16string_view> SplitItems(std::u16string_view value);

// The number of one item, within [-kNumberLimit, kNumberLimit]. An item without digits is 0.
std::int64_t ParseNumberItem(std::u16string_view item);

// The text of a string item: what lies between its first double quote and the next one (or
// the end of the item), with "\xHH" decoded into the code unit HH. An item without a quote is
// taken as it stands (a profile reader hands a fully quoted value over without its quotes).
std::u16string ParseStringItem(std::u16string_view item);

// Whole-value forms of the above: the first item of the value (nullopt without one).
std::optional<std::int64_t> ParseFirstNumber(std::u16string_view value);
std::optional<std::u16string> ParseFirstString(std::u16string_view value);

// An "integer" key as the profile reader reads it: optional blanks and sign, then "0x" hex or
// decimal digits up to the first other character; nullopt when the value has no digits.
// Saturates like ParseNumberItem instead of wrapping.
std::optional<std::int64_t> ParseInteger(std::u16string_view value);

// The "Compression" number: the value syntax's digits and "0x" prefix, but it ends at the
// first blank or semicolon and takes no minus sign. nullopt when it has no digits.
std::optional<std::int64_t> ParseCompressionNumber(std::u16string_view value);

// A yes/no key: the first Y or N (either case) before any semicolon decides; "Yes" is true,
// "No" false (either case), anything else, an empty value or a semicolon first is absent.
std::optional<bool> ParseYesNo(std::u16string_view value);

// Stores a number in a field of type T. A number that fits the field's width, signed or
// unsigned, keeps its bit pattern (the files write masks and colours in hex, so 0xFFFF in a
// SHORT is -1 and -1 in a DWORD is 0xFFFFFFFF); a larger one saturates at the field's
// largest value, a smaller one at its smallest.
template <class T>
T ClipNumber(std::int64_t v) {
  static_assert(std::is_integral_v<T> && sizeof(T) <= 4);
  using S = std::make_signed_t<T>;
  using U = std::make_unsigned_t<T>;
  if (v < std::numeric_limits<S>::min()) return std::numeric_limits<T>::min();
  if (v > static_cast<std::int64_t>(std::numeric_limits<U>::max())) return std::numeric_limits<T>::max();
  return static_cast<T>(static_cast<U>(v));
}

// Reads the number items of a value into out[0 .. capacity-1]; items beyond the capacity are
// ignored. Returns how many were stored.
template <class T>
int ReadNumberList(std::u16string_view value, T* out, int capacity) {
  int n = 0;
  if (!out || capacity <= 0) return 0;
  for (std::u16string_view item : SplitItems(value)) {
    if (n >= capacity) break;
    out[n++] = ClipNumber<T>(ParseNumberItem(item));
  }
  return n;
}

// Copies text into a fixed WCHAR field of `size` units, cut to size - 1 and NUL-terminated,
// the rest of the field zeroed.
void CopyToField(std::u16string_view text, WCHAR* field, std::size_t size);

}  // namespace keld
