// A font as the settings records keep it: face, size in points, style bits and a colour.
// Colours are stored the way the records hold them: 0x00BBGGRR.
#pragma once

#include <cstdint>
#include <string>

namespace quirlo::presentation {

using ColorRef = std::uint32_t;

constexpr ColorRef MakeColorRef(int r, int g, int b) {
  return ColorRef(r & 0xFF) | ColorRef(g & 0xFF) << 8 | ColorRef(b & 0xFF) << 16;
}
constexpr int RedOf(ColorRef c) { return int(c & 0xFF); }
constexpr int GreenOf(ColorRef c) { return int(c >> 8 & 0xFF); }
constexpr int BlueOf(ColorRef c) { return int(c >> 16 & 0xFF); }

struct TFontStyle {
  std::string face = "DejaVu Sans";
  int size = 10;  // points
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
  ColorRef color = 0;
  bool operator==(const TFontStyle&) const = default;
};

}  // namespace quirlo::presentation
