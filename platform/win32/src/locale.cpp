#include "win32/locale.h"

#include "win32/error.h"
#include "win32/text.h"

#include <atomic>
#include <cstring>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

struct LocaleRow {
  LANGID id;
  char const* posix;     // "ll_CC"
  char16_t const* abbrev;
  char16_t const* english;
  UINT ansi, oem;
  bool us_measure;
  bool letter;
};

// One row per locale; the first row of a language is its main country.
constexpr LocaleRow kLocales[] = {
    {0x0409, "en_US", u"ENU", u"English", 1252, 437, true, true},
    {0x0809, "en_GB", u"ENG", u"English", 1252, 850, false, false},
    {0x1009, "en_CA", u"ENC", u"English", 1252, 850, false, true},
    {0x0C09, "en_AU", u"ENA", u"English", 1252, 850, false, false},
    {0x1409, "en_NZ", u"ENZ", u"English", 1252, 850, false, false},
    {0x1809, "en_IE", u"ENI", u"English", 1252, 850, false, false},
    {0x3409, "en_PH", u"ENP", u"English", 1252, 437, false, true},
    {0x0411, "ja_JP", u"JPN", u"Japanese", 932, 932, false, false},
    {0x0406, "da_DK", u"DAN", u"Danish", 1252, 850, false, false},
    {0x0413, "nl_NL", u"NLD", u"Dutch", 1252, 850, false, false},
    {0x0813, "nl_BE", u"NLB", u"Dutch", 1252, 850, false, false},
    {0x040B, "fi_FI", u"FIN", u"Finnish", 1252, 850, false, false},
    {0x040C, "fr_FR", u"FRA", u"French", 1252, 850, false, false},
    {0x080C, "fr_BE", u"FRB", u"French", 1252, 850, false, false},
    {0x0C0C, "fr_CA", u"FRC", u"French", 1252, 850, false, true},
    {0x100C, "fr_CH", u"FRS", u"French", 1252, 850, false, false},
    {0x0407, "de_DE", u"DEU", u"German", 1252, 850, false, false},
    {0x0C07, "de_AT", u"DEA", u"German", 1252, 850, false, false},
    {0x0807, "de_CH", u"DES", u"German", 1252, 850, false, false},
    {0x0408, "el_GR", u"ELL", u"Greek", 1253, 737, false, false},
    {0x040D, "he_IL", u"HEB", u"Hebrew", 1255, 862, false, false},
    {0x0410, "it_IT", u"ITA", u"Italian", 1252, 850, false, false},
    {0x0414, "nb_NO", u"NOR", u"Norwegian", 1252, 850, false, false},
    {0x0816, "pt_PT", u"PTG", u"Portuguese", 1252, 850, false, false},
    {0x0416, "pt_BR", u"PTB", u"Portuguese", 1252, 850, false, false},
    {0x0C0A, "es_ES", u"ESN", u"Spanish", 1252, 850, false, false},
    {0x040A, "es_ES@traditional", u"ESP", u"Spanish", 1252, 850, false, false},
    {0x080A, "es_MX", u"ESM", u"Spanish", 1252, 850, false, true},
    {0x041D, "sv_SE", u"SVE", u"Swedish", 1252, 850, false, false},
    {0x041F, "tr_TR", u"TRK", u"Turkish", 1254, 857, false, false},
    {0x0402, "bg_BG", u"BGR", u"Bulgarian", 1251, 866, false, false},
    {0x0405, "cs_CZ", u"CSY", u"Czech", 1250, 852, false, false},
    {0x040E, "hu_HU", u"HUN", u"Hungarian", 1250, 852, false, false},
    {0x0415, "pl_PL", u"PLK", u"Polish", 1250, 852, false, false},
    {0x0419, "ru_RU", u"RUS", u"Russian", 1251, 866, false, false},
    {0x0422, "uk_UA", u"UKR", u"Ukrainian", 1251, 866, false, false},
    {0x0804, "zh_CN", u"CHS", u"Chinese", 936, 936, false, false},
    {0x0404, "zh_TW", u"CHT", u"Chinese", 950, 950, false, false},
    {0x0412, "ko_KR", u"KOR", u"Korean", 949, 949, false, false},
};

std::atomic<LCID> override_lcid{0};

LocaleRow const* row_of(LANGID id) {
  for (auto const& r : kLocales)
    if (r.id == id) return &r;
  return nullptr;
}

// "de_DE.UTF-8@euro" -> the row of de_DE; a language alone or with an unknown country -> the
// language's first row; nullptr when the language is unknown.
LocaleRow const* row_of_posix(std::string_view name) {
  name = name.substr(0, name.find_first_of(".@"));
  if (name.size() < 2) return nullptr;
  std::string_view const lang = name.substr(0, name.find('_'));
  if (lang == "no" || lang == "nn") return row_of(0x0414);
  LocaleRow const* first = nullptr;
  for (auto const& r : kLocales) {
    std::string_view const posix = r.posix;
    if (posix == name) return &r;
    if (!first && posix.substr(0, posix.find('_')) == lang) first = &r;
  }
  return first;
}

LCID from_environment() {
  if (char const* v = std::getenv("W32_LOCALE"); v && *v) {
    char* end = nullptr;
    unsigned long const n = std::strtoul(v, &end, 0);
    if (end && *end == 0 && row_of(static_cast<LANGID>(n))) return static_cast<LCID>(n);
    if (auto const* r = row_of_posix(v)) return r->id;
  }
  for (char const* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    char const* v = std::getenv(var);
    if (!v || !*v) continue;
    auto const* r = row_of_posix(v);
    return r ? r->id : 0x0409;  // the first set variable decides, as in POSIX
  }
  return 0x0409;
}

LocaleRow const* resolve(LCID lcid) {
  if (lcid == LOCALE_USER_DEFAULT || lcid == LOCALE_SYSTEM_DEFAULT || lcid == LOCALE_NEUTRAL) lcid = GetUserDefaultLCID();
  return row_of(LANGIDFROMLCID(lcid));
}

std::u16string number(UINT n) { return win32::to_utf16(std::to_string(n)); }

}  // namespace

void win32::set_user_locale(LCID lcid) { override_lcid = lcid; }

bool win32::user_uses_letter() {
  LocaleRow const* r = resolve(LOCALE_USER_DEFAULT);
  return r ? r->letter : false;  // an unknown override: A4, the paper of most of the world
}

extern "C" LCID GetUserDefaultLCID() {
  if (LCID const o = override_lcid; o != 0) return o;
  return from_environment();
}
extern "C" LANGID GetUserDefaultLangID() { return LANGIDFROMLCID(GetUserDefaultLCID()); }
extern "C" LCID GetSystemDefaultLCID() { return GetUserDefaultLCID(); }
extern "C" LANGID GetSystemDefaultLangID() { return GetUserDefaultLangID(); }
extern "C" LCID GetThreadLocale() { return GetUserDefaultLCID(); }

extern "C" int GetLocaleInfoW(LCID locale, LCTYPE type, LPWSTR data, int size) {
  if (size < 0 || (size > 0 && !data)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  LocaleRow const* r = resolve(locale);
  if (!r) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  bool const as_number = type & LOCALE_RETURN_NUMBER;
  std::u16string text;
  UINT value = 0;
  bool numeric = true;
  switch (type & ~(LOCALE_RETURN_NUMBER | LOCALE_NOUSEROVERRIDE)) {
    case LOCALE_ILANGUAGE: {
      static char16_t const hex[] = u"0123456789abcdef";
      for (int shift = 12; shift >= 0; shift -= 4) text += hex[(r->id >> shift) & 0xF];
      value = r->id;
      break;
    }
    case LOCALE_SABBREVLANGNAME: text = r->abbrev; numeric = false; break;
    case LOCALE_SENGLANGUAGE: text = r->english; numeric = false; break;
    case LOCALE_IDEFAULTCODEPAGE: value = r->oem, text = number(value); break;
    case LOCALE_IDEFAULTANSICODEPAGE: value = r->ansi, text = number(value); break;
    case LOCALE_IMEASURE: value = r->us_measure ? 1 : 0, text = number(value); break;
    case LOCALE_IPAPERSIZE: value = r->letter ? 1 : 9, text = number(value); break;
    case LOCALE_SISO639LANGNAME:
      text = win32::to_utf16(std::string_view(r->posix).substr(0, 2)), numeric = false;
      break;
    case LOCALE_SISO3166CTRYNAME:
      text = win32::to_utf16(std::string_view(r->posix).substr(3, 2)), numeric = false;
      break;
    default: SetLastError(ERROR_INVALID_FLAGS); return 0;
  }
  if (as_number) {
    if (!numeric) {
      SetLastError(ERROR_INVALID_FLAGS);
      return 0;
    }
    constexpr int units = sizeof(DWORD) / sizeof(WCHAR);
    if (size == 0) return units;
    if (size < units) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return 0;
    }
    DWORD const v = value;
    std::memcpy(data, &v, sizeof v);
    return units;
  }
  int const needed = static_cast<int>(text.size()) + 1;
  if (size == 0) return needed;
  if (size < needed) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  win32::copy_truncated(text, data, static_cast<std::size_t>(size));
  return needed;
}
