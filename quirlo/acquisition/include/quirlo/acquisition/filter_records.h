// The settings records of the input filters, one per input, stored as their memory image
// by TSaver:
//
//   "ainfilters"/"ainfilters.txt"    8 x TAnalogFilterCfg   (51688 bytes)
//   "ratefilters"/"ratefilters.txt"  6 x TRateFilterCfg     (38814 bytes)
//   "dinfilters"/"dinfilters.txt"    8 x TDigitalFilterCfg  (51544 bytes)
//
// Each record once held the address of its live filter objects in 4-byte fields. Here the
// objects live beside the records, so those fields are always written as 0 and ignored on
// reading. The 6400 reserved bytes at the end of each record have no meaning here; they
// are carried through unchanged so that existing files keep their size and contents.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "quirlo/acquisition/acquisition_state.h"

namespace quirlo::acquisition {

// FilterType of analog and frequency inputs.
inline constexpr uint8_t kFilterNone = 0;
inline constexpr uint8_t kFilterMovingAverage = 1;
inline constexpr uint8_t kFilterExponential = 2;
inline constexpr uint8_t kFilterButterworth = 3;  // listed in the dialog, never chosen
// FilterType of digital inputs.
inline constexpr uint8_t kFilterDebounce = 1;

inline constexpr std::size_t kFilterDescriptionSize = 32;
inline constexpr std::size_t kFilterReservedSize = 6400;

#pragma pack(push, 1)
struct TAnalogFilterCfg {
  uint8_t FilterType;
  char Description[kFilterDescriptionSize];  // copy of the calibration's description
  double Unfiltered;                         // last value received
  double Filtered;                           // last value passed on
  uint32_t ExpObject;                        // always 0 (see above)
  uint32_t AvgObject;                        // always 0
  int32_t Counts;                            // "Average Counts" N
  uint8_t Reserved[kFilterReservedSize];
};

struct TRateFilterCfg {
  uint8_t FilterType;
  char Description[kFilterDescriptionSize];
  double Filtered;    // last filtered rate
  double Unfiltered;  // last rate received
  double Total;       // last total received; totals are never filtered
  uint32_t ExpObject;
  uint32_t AvgObject;
  int32_t Counts;
  uint8_t Reserved[kFilterReservedSize];
};

struct TDigitalFilterCfg {
  uint8_t FilterType;
  char Description[kFilterDescriptionSize];
  uint8_t Unfiltered;  // last state received (0/1)
  uint8_t Filtered;    // last state passed on
  uint32_t DebounceObject;
  int32_t Counts;
  uint8_t Reserved[kFilterReservedSize];
};
#pragma pack(pop)

static_assert(sizeof(TAnalogFilterCfg) == 6461);
static_assert(offsetof(TAnalogFilterCfg, Description) == 1);
static_assert(offsetof(TAnalogFilterCfg, Unfiltered) == 33);
static_assert(offsetof(TAnalogFilterCfg, Filtered) == 41);
static_assert(offsetof(TAnalogFilterCfg, ExpObject) == 49);
static_assert(offsetof(TAnalogFilterCfg, AvgObject) == 53);
static_assert(offsetof(TAnalogFilterCfg, Counts) == 57);
static_assert(offsetof(TAnalogFilterCfg, Reserved) == 61);

static_assert(sizeof(TRateFilterCfg) == 6469);
static_assert(offsetof(TRateFilterCfg, Description) == 1);
static_assert(offsetof(TRateFilterCfg, Filtered) == 33);
static_assert(offsetof(TRateFilterCfg, Unfiltered) == 41);
static_assert(offsetof(TRateFilterCfg, Total) == 49);
static_assert(offsetof(TRateFilterCfg, ExpObject) == 57);
static_assert(offsetof(TRateFilterCfg, AvgObject) == 61);
static_assert(offsetof(TRateFilterCfg, Counts) == 65);
static_assert(offsetof(TRateFilterCfg, Reserved) == 69);

static_assert(sizeof(TDigitalFilterCfg) == 6443);
static_assert(offsetof(TDigitalFilterCfg, Description) == 1);
static_assert(offsetof(TDigitalFilterCfg, Unfiltered) == 33);
static_assert(offsetof(TDigitalFilterCfg, Filtered) == 34);
static_assert(offsetof(TDigitalFilterCfg, DebounceObject) == 35);
static_assert(offsetof(TDigitalFilterCfg, Counts) == 39);
static_assert(offsetof(TDigitalFilterCfg, Reserved) == 43);

using TAnalogFilterFile = std::array<TAnalogFilterCfg, kAnalogInputs>;
using TRateFilterFile = std::array<TRateFilterCfg, kRateInputs>;
using TDigitalFilterFile = std::array<TDigitalFilterCfg, kDigitalInputs>;
static_assert(sizeof(TAnalogFilterFile) == 51688);
static_assert(sizeof(TRateFilterFile) == 38814);
static_assert(sizeof(TDigitalFilterFile) == 51544);

inline constexpr const char* kAnalogFilterFolder = "ainfilters";
inline constexpr const char* kAnalogFilterFile = "ainfilters.txt";
inline constexpr const char* kRateFilterFolder = "ratefilters";
inline constexpr const char* kRateFilterFile = "ratefilters.txt";
inline constexpr const char* kDigitalFilterFolder = "dinfilters";
inline constexpr const char* kDigitalFilterFile = "dinfilters.txt";

// Text of a description; stops at the field's end when a stored record has no NUL.
std::string FilterDescriptionText(const char (&field)[kFilterDescriptionSize]);
// Stores `text` cut to 31 characters with its NUL, the rest of the field zeroed.
void SetFilterDescriptionText(char (&field)[kFilterDescriptionSize], std::string_view text);

}  // namespace quirlo::acquisition
