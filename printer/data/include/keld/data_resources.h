// Binary resources of the printer family's data set: the layouts that the build tools write,
// the data layer reads and the renderer uses. All little-endian, packed.
//
// Common resource module ("KELDCOM.DLL"), resource type 263, names 1, 2, 3: DitherResource.
// Driver data file ("KELDDATA.DLL"):
//   type 272, name 1  device-font list: DWORD count, DWORD byte size, then `count`
//                     DeviceFontRecord (52 bytes each), then the font names (NUL-terminated
//                     UTF-16 at even offsets; a record's nameOffset counts from the start of
//                     the resource). The byte size covers records and names, so the resource
//                     is exactly byte size + 8 bytes long.
//   type 373, name 2  the substitution list: same layout; each record's name is the face name
//                     of a document font that the device font (its metrics) replaces.
//   type 258, name n  FontMetrics of the device font whose record carries n at offset 8.
#pragma once

#include <cstddef>
#include <cstdint>

namespace keld {

inline constexpr std::uint16_t kDitherTableType = 263;
inline constexpr std::uint16_t kFontMetricsType = 258;
inline constexpr std::uint16_t kDeviceFontListType = 272;
inline constexpr std::uint16_t kSubstituteFontListType = 373;

// A dither table: the cell size, a tone curve and the threshold matrix of the cell, row by
// row (cellWidth x cellHeight bytes, at most 256; the rest of the 256 bytes is zero).
// Thresholds run from 1 to 255: a cell prints at grey level G when its threshold <= G.
#pragma pack(push, 1)
struct DitherResource {
  std::uint16_t cellWidth;
  std::uint16_t cellHeight;
  std::uint8_t toneCurve[256];
  std::uint8_t thresholds[256];
};
#pragma pack(pop)
static_assert(sizeof(DitherResource) == 516 && offsetof(DitherResource, toneCurve) == 4 &&
              offsetof(DitherResource, thresholds) == 260);

// One device font (52 bytes). Offsets 0, 6, 8, 10, 17, 20 and 24 are read by the data layer;
// the rest belongs to the renderer's font selection ("SD" font definition of HP-GL/2).
#pragma pack(push, 1)
struct DeviceFontRecord {
  std::uint32_t nameOffset;     //  0 UTF-16 name, offset from the start of the resource
  std::uint16_t typeface;       //  4 PCL typeface number
  std::uint16_t kind;           //  6 font-kind word (0: scalable outline font)
  std::uint16_t metricsId;      //  8 name of its FontMetrics resource (type 258)
  std::uint16_t codePage;       // 10 code page of the font's single-byte codes (1252)
  std::uint16_t glyphSetId;     // 12 0: the engine's default 256-character set
  std::uint16_t glyphSetEncoding;  // 14
  std::uint8_t charSet;         // 16 character set (0 = ANSI)
  std::uint8_t flags;           // 17 bit 0 proportional, bit 3 may be a substitution target
  std::uint16_t strokeWeight;   // 18 PCL stroke weight (0 medium, 3 bold)
  std::uint32_t substitution;   // 20 filled at load time (substitution default link)
  std::uint32_t metricsCopy;    // 24 filled at load time (renderer's metrics copy)
  std::uint16_t style;          // 28 PCL style word (0 upright, 1 italic)
  std::uint16_t symbolSet;      // 30 PCL symbol-set value (629 = "19U")
  std::uint16_t pitchCentiCpi;  // 32 fixed-pitch fonts: characters per inch x 100; else 0
  std::uint16_t heightCentiPt;  // 34 fixed-size fonts: height in points x 100; else 0
  std::uint8_t reserved[16];    // 36
};
#pragma pack(pop)
static_assert(sizeof(DeviceFontRecord) == 52 && offsetof(DeviceFontRecord, kind) == 6 &&
              offsetof(DeviceFontRecord, metricsId) == 8 && offsetof(DeviceFontRecord, codePage) == 10 &&
              offsetof(DeviceFontRecord, flags) == 17 && offsetof(DeviceFontRecord, substitution) == 20 &&
              offsetof(DeviceFontRecord, metricsCopy) == 24 && offsetof(DeviceFontRecord, style) == 28);

inline constexpr std::uint8_t kFontProportional = 0x01;
inline constexpr std::uint8_t kFontSubstitutionTarget = 0x08;

// Header of a device-font list resource (types 272 and 373).
#pragma pack(push, 1)
struct DeviceFontListHeader {
  std::uint32_t count;
  std::uint32_t byteSize;  // records and names: the resource size - 8
};
#pragma pack(pop)
static_assert(sizeof(DeviceFontListHeader) == 8);

// Font metrics of a device font (type 258), measured from the font itself at build time. All
// lengths are in font units (unitsPerEm to the em); y grows upwards from the baseline.
// The header is followed, at `widthsOffset`, by `widthCount` advance widths (WORD, font units)
// for the codes 0 to widthCount - 1 of `codePage` (0 where the font has no glyph), and at
// `kerningOffset` by `kerningCount` KerningPair records for pairs of those codes.
#pragma pack(push, 1)
struct FontMetrics {
  char magic[4];              //   0 "KFM1"
  std::uint16_t headerSize;   //   4 sizeof(FontMetrics)
  std::uint16_t unitsPerEm;   //   6
  std::int16_t ascender;      //   8
  std::int16_t descender;     //  10 negative below the baseline
  std::int16_t lineGap;       //  12
  std::int16_t maxCharInc;    //  14 widest advance
  std::int16_t avgCharWidth;  //  16
  std::int16_t capHeight;     //  18
  std::int16_t xHeight;       //  20
  std::int16_t underlinePosition;   // 22
  std::int16_t underlineThickness;  // 24
  std::int16_t strikeoutPosition;   // 26
  std::int16_t strikeoutSize;       // 28
  std::int16_t boxXMin, boxYMin, boxXMax, boxYMax;  // 30 font box
  std::uint16_t weight;       //  38 100..900
  std::uint8_t italic;        //  40
  std::uint8_t fixedPitch;    //  41
  std::uint8_t charSet;       //  42
  std::uint8_t firstChar;     //  43
  std::uint8_t lastChar;      //  44
  std::uint8_t defaultChar;   //  45
  std::uint8_t breakChar;     //  46
  std::uint8_t reserved;      //  47
  std::uint16_t codePage;     //  48
  std::uint16_t widthCount;   //  50
  std::uint32_t widthsOffset;   // 52
  std::uint32_t kerningCount;   // 56
  std::uint32_t kerningOffset;  // 60
  char16_t faceName[32];      //  64 NUL-terminated
};
struct KerningPair {
  std::uint8_t first;
  std::uint8_t second;
  std::int16_t amount;  // font units added to the first character's advance
};
#pragma pack(pop)
static_assert(sizeof(FontMetrics) == 128 && offsetof(FontMetrics, weight) == 38 &&
              offsetof(FontMetrics, codePage) == 48 && offsetof(FontMetrics, widthsOffset) == 52 &&
              offsetof(FontMetrics, faceName) == 64);
static_assert(sizeof(KerningPair) == 4);

}  // namespace keld
