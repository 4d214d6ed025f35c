// The user's country as a telephone country code, and the Letter countries among them.
//
// The locale layer answers LOCALE_ICOUNTRY when it knows it; otherwise the country comes from
// the locale's ISO 3166 name, mapped here to its telephone code for the countries that matter
// to the paper choice (every other country is an A4 country).
#include "keld/locale_paper.h"

#include <win32/locale.h>
#include <win32/text.h>

#include <string>
#include <string_view>

namespace keld {
namespace {

constexpr LCTYPE kLocaleCountryCode = 0x0005;  // LOCALE_ICOUNTRY: decimal digits

struct IsoCountry {
  std::u16string_view iso;
  int code;
};

// The Letter countries by ISO name. Canada reports 2, as Windows has always done.
constexpr IsoCountry kIsoCountries[] = {
    {u"US", 1},   {u"PR", 1},   {u"CA", 2},   {u"PE", 51},  {u"MX", 52},  {u"AR", 54},
    {u"CL", 56},  {u"CO", 57},  {u"VE", 58},  {u"BZ", 501}, {u"GT", 502}, {u"SV", 503},
    {u"HN", 504}, {u"NI", 505}, {u"CR", 506}, {u"PA", 507}, {u"BO", 591}, {u"EC", 593},
    {u"PY", 595}, {u"UY", 598},
};

// Leading decimal digits of a text as a number; -1 when there are none.
int parse_decimal(std::u16string_view text) {
  int value = -1;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9' || value > 100000) break;
    value = (value < 0 ? 0 : value * 10) + (c - u'0');
  }
  return value;
}

std::u16string locale_text(LCTYPE type) {
  WCHAR buffer[16] = {};
  int const n = GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, 16);
  return n > 0 ? std::u16string(buffer) : std::u16string();
}

int user_country_code() {
  if (int const code = parse_decimal(locale_text(kLocaleCountryCode)); code >= 0) return code;
  std::u16string const iso = locale_text(LOCALE_SISO3166CTRYNAME);
  for (auto const& row : kIsoCountries)
    if (win32::equal_nocase(row.iso, iso)) return row.code;
  return -1;
}

}  // namespace

bool IsLetterCountryCode(int code) {
  switch (code) {
    case 1: case 2: case 51: case 52: case 54: case 56: case 57: case 58:
    case 591: case 593: case 595: case 598:
      return true;
    default:
      return code >= 501 && code <= 507;
  }
}

int isPaperDefaultLetter() { return IsLetterCountryCode(user_country_code()) ? 1 : 0; }

}  // namespace keld
