// The value syntax of the model data files (see keld/value_syntax.h).
#include "keld/value_syntax.h"

#include <algorithm>
#include <cstring>

namespace keld {
namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

std::u16string_view Trim(std::u16string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Appends one digit to a magnitude, saturating at kNumberLimit.
std::int64_t Accumulate(std::int64_t magnitude, int base, int digit) {
  const std::int64_t next = magnitude * base + digit;
  return next > kNumberLimit ? kNumberLimit : next;
}

// Where a "0x"/"0X" prefix starts the digits of `text` (its first digit is that '0'), the
// position after the prefix; else npos.
std::size_t HexPrefixEnd(std::u16string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!IsDigit(text[i])) continue;
    if (text[i] == u'0' && i + 1 < text.size() && (text[i + 1] == u'x' || text[i + 1] == u'X')) return i + 2;
    return std::u16string_view::npos;
  }
  return std::u16string_view::npos;
}

// Digits of an item or of the compression number: skips everything that is not a digit of
// the base; `minus` tells whether a '-' was seen. Returns nullopt when no digit was found.
std::optional<std::int64_t> ScanDigits(std::u16string_view text, bool allowMinus) {
  const std::size_t hexStart = HexPrefixEnd(text);
  const bool hex = hexStart != std::u16string_view::npos;
  std::size_t i = hex ? hexStart : 0;
  // A minus before the prefix still counts ("-0x10").
  bool negative = allowMinus && hex && text.substr(0, hexStart).find(u'-') != std::u16string_view::npos;
  bool any = hex;  // "0x" alone reads as 0
  std::int64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c == u'-' && allowMinus) {
      negative = true;
    } else if (hex && HexValue(c) >= 0) {
      magnitude = Accumulate(magnitude, 16, HexValue(c));
      any = true;
    } else if (!hex && IsDigit(c)) {
      magnitude = Accumulate(magnitude, 10, c - u'0');
      any = true;
    }
  }
  if (!any) return std::nullopt;
  return negative ? -magnitude : magnitude;
}

}  // namespace

std::vector<std::u16string_view> SplitItems(std::u16string_view value) {
  std::vector<std::u16string_view> items;
  bool quoted = false;
  std::size_t start = 0;
  std::size_t end = value.size();
  for (std::size_t i = 0; i < value.size(); ++i) {
    const char16_t c = value[i];
    if (c == u'"') {
      quoted = !quoted;
    } else if (!quoted && c == u';') {
      end = i;
      break;
    } else if (!quoted && c == u',') {
      items.push_back(Trim(value.substr(start, i - start)));
      start = i + 1;
    }
  }
  const std::u16string_view last = Trim(value.substr(start, end - start));
  // "" and "  ;comment" have no items; "1," has two (the second empty).
  if (!items.empty() || !last.empty()) items.push_back(last);
  return items;
}

std::int64_t ParseNumberItem(std::u16string_view item) { return ScanDigits(item, true).value_or(0); }

std::u16string ParseStringItem(std::u16string_view item) {
  const std::size_t open = item.find(u'"');
  if (open == std::u16string_view::npos) return std::u16string(Trim(item));
  std::u16string out;
  for (std::size_t i = open + 1; i < item.size() && item[i] != u'"'; ++i) {
    if (item[i] == u'\\' && i + 3 < item.size() && (item[i + 1] == u'x' || item[i + 1] == u'X') &&
        HexValue(item[i + 2]) >= 0 && HexValue(item[i + 3]) >= 0) {
      out.push_back(static_cast<char16_t>(HexValue(item[i + 2]) * 16 + HexValue(item[i + 3])));
      i += 3;
    } else {
      out.push_back(item[i]);
    }
  }
  return out;
}

std::optional<std::int64_t> ParseFirstNumber(std::u16string_view value) {
  const auto items = SplitItems(value);
  if (items.empty()) return std::nullopt;
  return ParseNumberItem(items.front());
}

std::optional<std::u16string> ParseFirstString(std::u16string_view value) {
  const auto items = SplitItems(value);
  if (items.empty()) return std::nullopt;
  return ParseStringItem(items.front());
}

std::optional<std::int64_t> ParseInteger(std::u16string_view value) {
  std::size_t i = 0;
  while (i < value.size() && IsBlank(value[i])) ++i;
  bool negative = false;
  if (i < value.size() && (value[i] == u'-' || value[i] == u'+')) negative = value[i++] == u'-';
  int base = 10;
  if (i + 1 < value.size() && value[i] == u'0' && (value[i + 1] == u'x' || value[i + 1] == u'X')) {
    base = 16;
    i += 2;
  }
  bool any = base == 16;
  std::int64_t magnitude = 0;
  for (; i < value.size(); ++i) {
    const int d = base == 16 ? HexValue(value[i]) : (IsDigit(value[i]) ? value[i] - u'0' : -1);
    if (d < 0) break;
    magnitude = Accumulate(magnitude, base, d);
    any = true;
  }
  if (!any) return std::nullopt;
  return negative ? -magnitude : magnitude;
}

std::optional<std::int64_t> ParseCompressionNumber(std::u16string_view value) {
  std::size_t i = 0;
  while (i < value.size() && IsBlank(value[i])) ++i;
  std::size_t end = i;
  while (end < value.size() && !IsBlank(value[end]) && value[end] != u';') ++end;
  return ScanDigits(value.substr(i, end - i), false);
}

std::optional<bool> ParseYesNo(std::u16string_view value) {
  auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; };
  for (std::size_t i = 0; i < value.size(); ++i) {
    const char16_t c = lower(value[i]);
    if (c == u';') return std::nullopt;
    if (c == u'y') {
      if (i + 2 < value.size() && lower(value[i + 1]) == u'e' && lower(value[i + 2]) == u's') return true;
      return std::nullopt;
    }
    if (c == u'n') {
      if (i + 1 < value.size() && lower(value[i + 1]) == u'o') return false;
      return std::nullopt;
    }
  }
  return std::nullopt;
}

void CopyToField(std::u16string_view text, WCHAR* field, std::size_t size) {
  if (!field || size == 0) return;
  const std::size_t n = std::min(text.size(), size - 1);
  std::memcpy(field, text.data(), n * sizeof(WCHAR));
  std::memset(field + n, 0, (size - n) * sizeof(WCHAR));
}

}  // namespace keld
