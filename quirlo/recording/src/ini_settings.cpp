#include "quirlo/recording/ini_settings.h"

#include <cstdlib>

#include "quirlo/platform/profile_file.h"
#include "quirlo/platform/program_folder.h"

namespace quirlo {

TiniSettings::TiniSettings(const std::string& fileName)
    : path_(ProgramFolder() / (fileName.empty() ? kDefaultFileName : fileName)) {}

TiniSettings TiniSettings::AtPath(const std::filesystem::path& file) {
  return TiniSettings(AtPathTag{}, file);
}

std::string TiniSettings::ReadString(const std::string& section, const std::string& key,
                                     const std::string& fallback) const {
  return profile::ReadString(path_, section, key, fallback);
}

int TiniSettings::ReadInteger(const std::string& section, const std::string& key,
                              int fallback) const {
  const std::string text = ReadString(section, key, "");
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (end == text.c_str()) return fallback;
  return static_cast<int>(v);
}

bool TiniSettings::WriteString(const std::string& section, const std::string& key,
                               const std::string& value) {
  return profile::WriteString(path_, section, key, value);
}

bool TiniSettings::WriteInteger(const std::string& section, const std::string& key,
                                int value) {
  return WriteString(section, key, std::to_string(value));
}

}  // namespace quirlo
