// Calibration records of the analog, digital and frequency inputs.
//
// Each kind is one settings file holding the memory image of its records ("analog/
// analog.txt": 8 x 489 bytes, "digital/digital.txt": 8 x 33, "rate/rate.txt": 6 x 42),
// packed little-endian with every offset fixed, read and written through TSaver.
//
// Loading is defensive because the files are plain memory images that anything may have
// written: a file that ends inside a record leaves that record all zero (as if missing),
// and values no edit can produce are made harmless (see the Load functions). The 400
// reserved bytes of an analog record are carried through unchanged.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "quirlo/acquisition/acquisition_state.h"
#include "quirlo/recording/saver.h"

namespace quirlo::acquisition {

static_assert(std::endian::native == std::endian::little,
              "calibration files are the little-endian memory image of their records");

inline constexpr std::size_t kCalDescriptionSize = 32;  // NUL included
inline constexpr std::size_t kAnalogReservedSize = 400;
inline constexpr int kFullScaleCount = 4095;  // highest 12-bit count

// Fixed Scale ranges (TAnalogCal::Range).
enum class TAnalogRange : uint8_t { mA0to20 = 0, mA4to20 = 1, V0to5 = 2 };
// Rate shown per (TRateCal::Timebase).
enum class TTimebase : uint8_t { Second = 0, Minute = 1, Hour = 2 };

#pragma pack(push, 1)
// One analog input: value = C0 + C1*s + C2*s^2 + C3*s^3 for the smoothed 12-bit count s.
struct TAnalogCal {
  double C0;           // offset
  double C1;           // gain
  double C2;           // quadratic term; every calibration sets it to 0
  double C3;           // cubic term; every calibration sets it to 0
  double LowDisplay;   // low range display value of Fixed Scale
  double HighDisplay;  // high range display value of Fixed Scale
  uint8_t Range;       // TAnalogRange
  char Description[kCalDescriptionSize];
  int32_t LowCounts;   // Auto Scale low point, raw counts
  int32_t HighCounts;  // Auto Scale high point, raw counts
  uint8_t Reserved[kAnalogReservedSize];
};

// One digital input: state = bit XOR ActiveLow.
struct TDigitalCal {
  uint8_t ActiveLow;  // 0 = active "High", 1 = active "Low"
  char Description[kCalDescriptionSize];
};

// One frequency input: Total = Count / KFactor, Rate = Frequency / KFactor per timebase.
struct TRateCal {
  double KFactor;  // counts per engineering unit; 0 is taken as 1.0
  char Description[kCalDescriptionSize];
  uint8_t Timebase;    // TTimebase
  uint8_t Quadrature;  // 1 = the input counts in both directions
};
#pragma pack(pop)

static_assert(sizeof(TAnalogCal) == 489);
static_assert(offsetof(TAnalogCal, C0) == 0);
static_assert(offsetof(TAnalogCal, C1) == 8);
static_assert(offsetof(TAnalogCal, C2) == 16);
static_assert(offsetof(TAnalogCal, C3) == 24);
static_assert(offsetof(TAnalogCal, LowDisplay) == 32);
static_assert(offsetof(TAnalogCal, HighDisplay) == 40);
static_assert(offsetof(TAnalogCal, Range) == 48);
static_assert(offsetof(TAnalogCal, Description) == 49);
static_assert(offsetof(TAnalogCal, LowCounts) == 81);
static_assert(offsetof(TAnalogCal, HighCounts) == 85);
static_assert(offsetof(TAnalogCal, Reserved) == 89);

static_assert(sizeof(TDigitalCal) == 33);
static_assert(offsetof(TDigitalCal, ActiveLow) == 0);
static_assert(offsetof(TDigitalCal, Description) == 1);

static_assert(sizeof(TRateCal) == 42);
static_assert(offsetof(TRateCal, KFactor) == 0);
static_assert(offsetof(TRateCal, Description) == 8);
static_assert(offsetof(TRateCal, Timebase) == 40);
static_assert(offsetof(TRateCal, Quadrature) == 41);

using TAnalogCalSet = std::array<TAnalogCal, kAnalogInputs>;
using TDigitalCalSet = std::array<TDigitalCal, kDigitalInputs>;
using TRateCalSet = std::array<TRateCal, kRateInputs>;
static_assert(sizeof(TAnalogCalSet) == 3912);
static_assert(sizeof(TDigitalCalSet) == 264);
static_assert(sizeof(TRateCalSet) == 252);

inline constexpr const char* kAnalogCalFolder = "analog";
inline constexpr const char* kAnalogCalFile = "analog.txt";
inline constexpr const char* kDigitalCalFolder = "digital";
inline constexpr const char* kDigitalCalFile = "digital.txt";
inline constexpr const char* kRateCalFolder = "rate";
inline constexpr const char* kRateCalFile = "rate.txt";

// Digital inputs 1..6 are always active low; only inputs 7 and 8 keep a stored choice.
inline constexpr int kFirstChoosableDigital = 6;  // 0-based

// Text of a description; stops at the field's end when a stored record has no NUL.
std::string DescriptionText(const char (&field)[kCalDescriptionSize]);
// Stores `text` cut to 31 characters with its NUL, the rest of the field zeroed.
void SetDescriptionText(char (&field)[kCalDescriptionSize], std::string_view text);

// Make records that came from outside (a file, a complete settings file) safe to use:
//  - analog: if any of C0..C3 is NaN or infinite the four coefficients become 0 (the
//    input reads 0, as an uncalibrated one does); a non-finite LowDisplay or HighDisplay
//    becomes 0; a Range other than 0..2 becomes 0 ("0-20mA"). Reserved bytes untouched.
//  - digital: ActiveLow becomes 0 or 1 (any non-zero is 1); inputs 1..6 are forced to 1.
//  - rate: a non-finite KFactor becomes 1.0; a Timebase other than 0..2 becomes 0
//    ("Second"); Quadrature becomes 0 or 1.
// Finite coefficients are kept whatever they are: they are the user's own.
void SanitizeAnalog(TAnalogCalSet& records);
void SanitizeDigital(TDigitalCalSet& records);
void SanitizeRate(TRateCalSet& records);

// Loads one file into `records`. A missing file leaves every byte 0; a record the file
// does not fully cover is left all 0; the result is sanitized as above. Returns what
// TSaver read. Throws SettingsFolderError when the folder can neither be found nor made.
LoadResult LoadAnalogCal(TSaver& saver, TAnalogCalSet& records);
LoadResult LoadDigitalCal(TSaver& saver, TDigitalCalSet& records);
LoadResult LoadRateCal(TSaver& saver, TRateCalSet& records);

bool SaveAnalogCal(TSaver& saver, const TAnalogCalSet& records);
bool SaveDigitalCal(TSaver& saver, const TDigitalCalSet& records);
bool SaveRateCal(TSaver& saver, const TRateCalSet& records);

// Bit i = Quadrature of frequency input i + 1.
uint8_t QuadratureMask(const TRateCalSet& records);

}  // namespace quirlo::acquisition
