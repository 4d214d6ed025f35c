#include "quirlo/acquisition/app_settings.h"

namespace quirlo::acquisition {

std::string DelimiterFromStored(const std::string& stored) {
  if (stored.empty()) return ",";
  if (stored == "T") return "\t";
  return stored;
}

std::string DelimiterToStored(const std::string& delimiter) {
  return delimiter == "\t" ? std::string("T") : delimiter;
}

std::string ReadDelimiter(const TiniSettings& ini) {
  return DelimiterFromStored(ini.ReadString(kMainSection, kDelimiterKey, ","));
}

bool WriteDelimiter(TiniSettings& ini, const std::string& delimiter) {
  return ini.WriteString(kMainSection, kDelimiterKey, DelimiterToStored(delimiter));
}

bool LoadToolbarLayout(TSaver& saver, TToolbarLayout& layout) {
  return static_cast<bool>(saver.Load(kToolbarFolder, kToolbarFile, layout));
}

bool SaveToolbarLayout(TSaver& saver, const TToolbarLayout& layout) {
  return saver.Save(kToolbarFolder, kToolbarFile, layout);
}

bool LoadChannelTable(TSaver& saver, TChannelTable& table) {
  if (saver.Load(kChannelFolder, kChannelFile, table)) return true;
  table = DefaultChannelTable();
  saver.Save(kChannelFolder, kChannelFile, table);
  return false;
}

bool SaveChannelTable(TSaver& saver, const TChannelTable& table) {
  return saver.Save(kChannelFolder, kChannelFile, table);
}

}  // namespace quirlo::acquisition
