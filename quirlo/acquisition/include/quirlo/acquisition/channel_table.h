// The channel table: 24 data channels, each naming the source its value comes from.
//
// The table is a settings record ("channels"/"chan.txt", 2232 bytes) stored as its memory
// image, so TChannelDef is a packed little-endian layout and every offset is fixed.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quirlo::acquisition {

inline constexpr int kChannelCount = 24;
inline constexpr std::size_t kChannelTextSize = 40;  // Name and Units, NUL included
inline constexpr std::size_t kChannelTextEditLimit = 35;

// Kind of data source; stored as int32 in TChannelDef::SourceKind. Serial input 1 is 5
// while serial inputs 2..8 are 7..13: the math kind sits between them.
enum class TSourceKind : int32_t {
  None = 0,
  Analog = 1,   // index 0..7
  Rate = 2,     // index 0..5
  Total = 3,    // index 0..5
  Digital = 4,  // index 0..7
  Serial1 = 5,  // index 0..127
  Math = 6,     // index 0
  Serial2 = 7,  // 7..13 = serial inputs 2..8, index 0..127
  Serial8 = 13,
};

// 0-based serial input (0..7) that a stored kind reads, or -1 when it is not a serial kind.
int SerialInputOfKind(int32_t kind);
// Stored kind of 0-based serial input n (0..7).
int32_t KindOfSerialInput(int n);
// Number of valid source indices of a stored kind (0 for kinds that behave as none).
int SourceIndexCount(int32_t kind);

#pragma pack(push, 1)
struct TChannelDef {
  char Name[kChannelTextSize];   // NUL-terminated, default "Channel n"
  char Units[kChannelTextSize];  // NUL-terminated, default "Units"
  uint8_t IsMath;                // 1 when SourceKind is Math
  int32_t Number;                // 1-based channel number
  int32_t SourceKind;            // TSourceKind value; unknown values behave as None
  int32_t SourceIndex;           // 0-based index within the kind
};
#pragma pack(pop)

static_assert(sizeof(TChannelDef) == 93);
static_assert(offsetof(TChannelDef, Name) == 0);
static_assert(offsetof(TChannelDef, Units) == 40);
static_assert(offsetof(TChannelDef, IsMath) == 80);
static_assert(offsetof(TChannelDef, Number) == 81);
static_assert(offsetof(TChannelDef, SourceKind) == 85);
static_assert(offsetof(TChannelDef, SourceIndex) == 89);

using TChannelTable = std::array<TChannelDef, kChannelCount>;
static_assert(sizeof(TChannelTable) == 2232);

inline constexpr const char* kChannelFolder = "channels";
inline constexpr const char* kChannelFile = "chan.txt";

// "Channel n" / "Units", Analog Input 1, not math.
TChannelDef DefaultChannel(int index);
TChannelTable DefaultChannelTable();

// Text of a NUL-terminated field; stops at the field's end if a stored record has no NUL.
std::string FieldText(const char (&field)[kChannelTextSize]);
// Stores `text` cut to fit with its NUL, the rest of the field zeroed.
void SetFieldText(char (&field)[kChannelTextSize], std::string_view text);

}  // namespace quirlo::acquisition
