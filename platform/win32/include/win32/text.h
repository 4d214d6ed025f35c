// UTF-16 text of the layer: conversions to and from UTF-8 and the few string calls the
// modules use.
//
// WCHAR text is UTF-16 as on Windows; Linux file names, environment variables and 8-bit
// files are UTF-8. Conversions never fail and never read past their input: a malformed
// sequence (a stray continuation byte, an overlong form, a lone surrogate, a truncated
// tail) becomes one U+FFFD per maximal bad subsequence.
//
// Case-insensitive comparison folds ASCII letters only (A-Z to a-z), then compares code
// units; that is what registry key names, profile section and key names and file names of
// the machine need, and it does not depend on the process locale.
#pragma once

#include "win32/base.h"

#include <string>
#include <string_view>

namespace win32 {

std::string to_utf8(std::u16string_view text);
std::u16string to_utf16(std::string_view utf8);

// Windows-1252, the ANSI code page of the Western locales: decoding never fails (the five
// unassigned bytes map to the C1 controls of the same value); encoding reports whether every
// character had a byte, putting '?' where it had none.
std::u16string from_cp1252(std::string_view bytes);
std::string to_cp1252(std::u16string_view text, bool* lossless = nullptr);

// True when the bytes are well-formed UTF-8 (ASCII included).
bool is_valid_utf8(std::string_view bytes);

// A null pointer is an empty text.
std::u16string_view wview(LPCWSTR text);

char16_t ascii_lower(char16_t c);
int compare_nocase(std::u16string_view a, std::u16string_view b);
bool equal_nocase(std::u16string_view a, std::u16string_view b);
std::u16string lower_ascii(std::u16string_view text);

// Copies text into buf of size units (NUL included), truncating; returns units copied
// without the NUL. size 0 writes nothing.
std::size_t copy_truncated(std::u16string_view text, WCHAR* buf, std::size_t size);

}  // namespace win32

extern "C" {
int lstrlenW(LPCWSTR text);
// Copies at most max - 1 units and always terminates (when max > 0).
LPWSTR lstrcpynW(LPWSTR dest, LPCWSTR src, int max);
LPWSTR lstrcpyW(LPWSTR dest, LPCWSTR src);
LPWSTR lstrcatW(LPWSTR dest, LPCWSTR src);
int lstrcmpW(LPCWSTR a, LPCWSTR b);
int lstrcmpiW(LPCWSTR a, LPCWSTR b);
}
