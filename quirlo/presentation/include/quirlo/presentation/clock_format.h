// The clock's time pattern: the locale's long time without a time zone.
//
// The clock label shows the short date and the long time, as a wall clock does ("12/11/26
// 1:05:32 PM"). Qt's long time patterns end in a time-zone field ("h:mm:ss AP t"), which
// would push the zone name into the narrow clock panel of the status bar, so it is cut out.
#pragma once

#include <string>
#include <string_view>

namespace quirlo::presentation {

// `pattern` (Qt time pattern syntax: letters are fields, text in single quotes is literal)
// without its time-zone fields ('t' runs) and the blanks that joined them to the rest.
std::string WithoutTimeZone(std::string_view pattern);

}  // namespace quirlo::presentation
