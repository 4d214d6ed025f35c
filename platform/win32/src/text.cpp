#include "win32/text.h"

#include <algorithm>

namespace win32 {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void append_utf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

void append_utf16(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out += static_cast<char16_t>(c);
  } else {
    c -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (c >> 10));
    out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
  }
}

// Decodes one UTF-8 sequence at text[i]; advances i past it, or past the maximal bad
// subsequence and returns U+FFFD. The allowed second-byte ranges exclude overlong forms,
// surrogates and values above U+10FFFF.
char32_t decode_utf8(std::string_view text, std::size_t& i) {
  auto const b0 = static_cast<unsigned char>(text[i++]);
  if (b0 < 0x80) return b0;
  int extra = 0;
  unsigned char lo = 0x80, hi = 0xBF;
  char32_t c = 0;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    extra = 1, c = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    extra = 2, c = b0 & 0x0F;
    if (b0 == 0xE0) lo = 0xA0;
    if (b0 == 0xED) hi = 0x9F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    extra = 3, c = b0 & 0x07;
    if (b0 == 0xF0) lo = 0x90;
    if (b0 == 0xF4) hi = 0x8F;
  } else {
    return kReplacement;
  }
  for (int k = 0; k < extra; ++k) {
    if (i >= text.size()) return kReplacement;
    auto const b = static_cast<unsigned char>(text[i]);
    if (b < lo || b > hi) return kReplacement;
    lo = 0x80, hi = 0xBF;
    c = (c << 6) | (b & 0x3F);
    ++i;
  }
  return c;
}

// Bytes 0x80-0x9F of Windows-1252; 0 marks the five unassigned ones.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

}  // namespace

std::string to_utf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = kReplacement;
    }
    append_utf8(out, c);
  }
  return out;
}

std::u16string to_utf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) append_utf16(out, decode_utf8(utf8, i));
  return out;
}

bool is_valid_utf8(std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size();) {
    std::size_t const start = i;
    if (decode_utf8(bytes, i) == kReplacement &&
        bytes.substr(start, i - start) != "\xEF\xBF\xBD")
      return false;
  }
  return true;
}

std::u16string from_cp1252(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (char ch : bytes) {
    auto const b = static_cast<unsigned char>(ch);
    char16_t const c = (b >= 0x80 && b < 0xA0 && kCp1252High[b - 0x80]) ? kCp1252High[b - 0x80] : b;
    out += c;
  }
  return out;
}

std::string to_cp1252(std::u16string_view text, bool* lossless) {
  std::string out;
  out.reserve(text.size());
  bool all = true;
  for (char16_t c : text) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
      out += static_cast<char>(c);
      continue;
    }
    auto const* hit = std::find(std::begin(kCp1252High), std::end(kCp1252High), c);
    if (c != 0 && hit != std::end(kCp1252High)) {
      out += static_cast<char>(0x80 + (hit - std::begin(kCp1252High)));
    } else if (c >= 0x80 && c < 0xA0 && kCp1252High[c - 0x80] == 0) {
      out += static_cast<char>(c);  // an unassigned byte decodes to itself
    } else {
      out += '?';
      all = false;
    }
  }
  if (lossless) *lossless = all;
  return out;
}

std::u16string_view wview(LPCWSTR text) { return text ? std::u16string_view(text) : std::u16string_view(); }

char16_t ascii_lower(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }

int compare_nocase(std::u16string_view a, std::u16string_view b) {
  std::size_t const n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    char16_t const x = ascii_lower(a[i]), y = ascii_lower(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool equal_nocase(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && compare_nocase(a, b) == 0;
}

std::u16string lower_ascii(std::u16string_view text) {
  std::u16string out(text);
  for (auto& c : out) c = ascii_lower(c);
  return out;
}

std::size_t copy_truncated(std::u16string_view text, WCHAR* buf, std::size_t size) {
  if (!buf || size == 0) return 0;
  std::size_t const n = std::min(text.size(), size - 1);
  std::copy_n(text.data(), n, buf);
  buf[n] = 0;
  return n;
}

}  // namespace win32

extern "C" int lstrlenW(LPCWSTR text) { return static_cast<int>(win32::wview(text).size()); }

extern "C" LPWSTR lstrcpynW(LPWSTR dest, LPCWSTR src, int max) {
  if (!dest || max <= 0) return dest;
  std::size_t const limit = static_cast<std::size_t>(max);
  std::size_t n = 0;
  while (src && n + 1 < limit && src[n]) {
    dest[n] = src[n];
    ++n;
  }
  dest[n] = 0;
  return dest;
}

extern "C" LPWSTR lstrcpyW(LPWSTR dest, LPCWSTR src) {
  if (!dest) return nullptr;
  auto const s = win32::wview(src);
  std::copy(s.begin(), s.end(), dest);
  dest[s.size()] = 0;
  return dest;
}

extern "C" LPWSTR lstrcatW(LPWSTR dest, LPCWSTR src) {
  if (!dest) return nullptr;
  lstrcpyW(dest + lstrlenW(dest), src);
  return dest;
}

extern "C" int lstrcmpW(LPCWSTR a, LPCWSTR b) {
  auto const c = win32::wview(a).compare(win32::wview(b));
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

extern "C" int lstrcmpiW(LPCWSTR a, LPCWSTR b) { return win32::compare_nocase(win32::wview(a), win32::wview(b)); }
