// The user's locale as the modules see it: a Windows locale identifier (LCID) and the few
// locale facts they ask for.
//
// The user locale comes from, in order: win32::set_user_locale (a test or a host program),
// $W32_LOCALE ("de_DE" or a number: "0x0407", "1031"), $LC_ALL, $LC_MESSAGES, $LANG. A
// POSIX name "ll_CC[.codeset][@modifier]" maps through a table of the locales the printer
// family ships languages for; a known language with an unknown country takes the language's
// main country; "C", "POSIX", empty or unknown names are U.S. English (0x0409), the Windows
// default.
#pragma once

#include "win32/base.h"

using LCTYPE = DWORD;

inline constexpr LCID LOCALE_NEUTRAL = 0x0000;
inline constexpr LCID LOCALE_USER_DEFAULT = 0x0400;
inline constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x0800;

inline constexpr LCTYPE LOCALE_ILANGUAGE = 0x0001;           // LANGID, 4 hex digits
inline constexpr LCTYPE LOCALE_SABBREVLANGNAME = 0x0003;     // "ENU", "DEU", "JPN"
inline constexpr LCTYPE LOCALE_IDEFAULTCODEPAGE = 0x000B;    // OEM code page
inline constexpr LCTYPE LOCALE_IMEASURE = 0x000D;            // 0 metric, 1 U.S.
inline constexpr LCTYPE LOCALE_SENGLANGUAGE = 0x1001;        // "English"
inline constexpr LCTYPE LOCALE_IDEFAULTANSICODEPAGE = 0x1004;
inline constexpr LCTYPE LOCALE_IPAPERSIZE = 0x100A;          // 1 Letter, 9 A4
inline constexpr LCTYPE LOCALE_SISO639LANGNAME = 0x0059;     // "en"
inline constexpr LCTYPE LOCALE_SISO3166CTRYNAME = 0x005A;    // "US"
inline constexpr LCTYPE LOCALE_RETURN_NUMBER = 0x20000000;
inline constexpr LCTYPE LOCALE_NOUSEROVERRIDE = 0x80000000;

constexpr WORD PRIMARYLANGID(LANGID lang) { return lang & 0x3FF; }
constexpr WORD SUBLANGID(LANGID lang) { return lang >> 10; }
constexpr LANGID MAKELANGID(WORD primary, WORD sub) { return static_cast<LANGID>((sub << 10) | primary); }
constexpr LANGID LANGIDFROMLCID(LCID lcid) { return static_cast<LANGID>(lcid & 0xFFFF); }

namespace win32 {
// Overrides the user locale for this process; 0 removes the override.
void set_user_locale(LCID lcid);
// True when the user's country prints on Letter paper (LOCALE_IPAPERSIZE 1).
bool user_uses_letter();
}  // namespace win32

extern "C" {
LCID GetUserDefaultLCID();
LANGID GetUserDefaultLangID();
LCID GetSystemDefaultLCID();
LANGID GetSystemDefaultLangID();
LCID GetThreadLocale();
// The answer as text (or, with LOCALE_RETURN_NUMBER, as a DWORD in the buffer): the number of
// units written with the NUL; with size 0 the size needed. 0 with ERROR_INSUFFICIENT_BUFFER,
// ERROR_INVALID_PARAMETER (unknown locale) or ERROR_INVALID_FLAGS (unknown type).
int GetLocaleInfoW(LCID locale, LCTYPE type, LPWSTR data, int size);
}
