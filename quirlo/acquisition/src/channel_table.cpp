#include "quirlo/acquisition/channel_table.h"

#include <algorithm>
#include <cstring>

namespace quirlo::acquisition {

int SerialInputOfKind(int32_t kind) {
  if (kind == static_cast<int32_t>(TSourceKind::Serial1)) return 0;
  if (kind >= static_cast<int32_t>(TSourceKind::Serial2) &&
      kind <= static_cast<int32_t>(TSourceKind::Serial8)) {
    return kind - 6;
  }
  return -1;
}

int32_t KindOfSerialInput(int n) {
  return n == 0 ? static_cast<int32_t>(TSourceKind::Serial1) : 6 + n;
}

int SourceIndexCount(int32_t kind) {
  switch (static_cast<TSourceKind>(kind)) {
    case TSourceKind::Analog:
    case TSourceKind::Digital:
      return 8;
    case TSourceKind::Rate:
    case TSourceKind::Total:
      return 6;
    case TSourceKind::Math:
      return 1;
    default:
      return SerialInputOfKind(kind) >= 0 ? 128 : 0;
  }
}

TChannelDef DefaultChannel(int index) {
  TChannelDef def{};
  SetFieldText(def.Name, "Channel " + std::to_string(index + 1));
  SetFieldText(def.Units, "Units");
  def.IsMath = 0;
  def.Number = index + 1;
  def.SourceKind = static_cast<int32_t>(TSourceKind::Analog);
  def.SourceIndex = 0;
  return def;
}

TChannelTable DefaultChannelTable() {
  TChannelTable table{};
  for (int i = 0; i < kChannelCount; ++i) table[i] = DefaultChannel(i);
  return table;
}

std::string FieldText(const char (&field)[kChannelTextSize]) {
  const char* end = std::find(field, field + kChannelTextSize, '\0');
  return std::string(field, end);
}

void SetFieldText(char (&field)[kChannelTextSize], std::string_view text) {
  std::memset(field, 0, kChannelTextSize);
  std::memcpy(field, text.data(), std::min(text.size(), kChannelTextSize - 1));
}

}  // namespace quirlo::acquisition
