// Texts of the splash window and about box.
#pragma once

#include <string_view>

namespace quirlo::presentation {

inline constexpr std::string_view kApplicationTitle = "QUIRLO";
inline constexpr std::string_view kVersionCaption = "Version 1.7.2";
inline constexpr std::string_view kPlatformCaption = "for Linux";
inline constexpr std::string_view kSplashLines[] = {
    "Field Data Acquisition",
    "Readouts, strip charts, recording and replay",
};

}  // namespace quirlo::presentation
