// Small settings of the main window: the field delimiter in settings.ini and the tool bar
// layout record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "quirlo/recording/ini_settings.h"
#include "quirlo/acquisition/channel_table.h"
#include "quirlo/recording/saver.h"

namespace quirlo::acquisition {

inline constexpr const char* kMainSection = "MAIN";
inline constexpr const char* kDelimiterKey = "Delimiter";

// The stored text "T" means a tab; any other text is used as it is, except that an empty
// one falls back to "," (fields joined by nothing could never be split again).
std::string DelimiterFromStored(const std::string& stored);
// A tab is stored as "T", any other text as itself.
std::string DelimiterToStored(const std::string& delimiter);

std::string ReadDelimiter(const TiniSettings& ini);
bool WriteDelimiter(TiniSettings& ini, const std::string& delimiter);

#pragma pack(push, 1)
struct TToolbarBand {
  int32_t Id;     // band identifier
  int32_t Index;  // position among the bands
  int32_t Width;
  uint8_t Break;  // 1 = the band starts a new row
};
struct TToolbarLayout {
  TToolbarBand Band[4];  // the first four bands, in band order
};
#pragma pack(pop)

static_assert(sizeof(TToolbarBand) == 13);
static_assert(offsetof(TToolbarBand, Id) == 0);
static_assert(offsetof(TToolbarBand, Index) == 4);
static_assert(offsetof(TToolbarBand, Width) == 8);
static_assert(offsetof(TToolbarBand, Break) == 12);
static_assert(sizeof(TToolbarLayout) == 52);

inline constexpr const char* kToolbarFolder = "bars";
inline constexpr const char* kToolbarFile = "bars.txt";

// Fills `layout` from "bars/bars.txt" when there is one; `layout` should hold the current
// layout first, so that a missing file leaves it unchanged. Throws SettingsFolderError.
bool LoadToolbarLayout(TSaver& saver, TToolbarLayout& layout);
bool SaveToolbarLayout(TSaver& saver, const TToolbarLayout& layout);

// The channel table from "channels/chan.txt" (or its factory twin); when neither exists,
// the defaults, written back at once. Returns whether a file was read.
bool LoadChannelTable(TSaver& saver, TChannelTable& table);
bool SaveChannelTable(TSaver& saver, const TChannelTable& table);

}  // namespace quirlo::acquisition
