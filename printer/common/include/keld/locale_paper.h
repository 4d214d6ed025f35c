// Which paper family the user's country prints on by default.
//
// Models that are not Japanese carry two paper lists, one ordered for inch papers and one for
// millimetre papers; the list in force follows the user's country. The countries that use
// Letter are named by their telephone country codes, the numbers Windows reports as the
// locale's country (LOCALE_ICOUNTRY): North America and most of Latin America.
#pragma once

namespace keld {

// True when `countryCode` (a telephone country code, e.g. 1, 52, 591) is a Letter country.
bool IsLetterCountryCode(int countryCode);

// 1 when the user's country uses Letter as its default paper, else 0.
int isPaperDefaultLetter();

}  // namespace keld
