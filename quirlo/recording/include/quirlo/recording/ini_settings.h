// TiniSettings: small text settings in "settings.ini" in the program's folder (the field
// delimiter, section "MAIN", key "Delimiter"; serial device paths, section "PORTS").
// Values are read through a 256-character buffer (at most 255 characters come back);
// writing keeps every other section and key of the file. See quirlo/platform/profile_file.h
// for the file rules.
#pragma once

#include <filesystem>
#include <string>

namespace quirlo {

class TiniSettings {
 public:
  static constexpr const char* kDefaultFileName = "settings.ini";

  // The file `fileName` in the program's folder.
  explicit TiniSettings(const std::string& fileName = kDefaultFileName);
  // A file at an explicit path.
  static TiniSettings AtPath(const std::filesystem::path& file);

  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& fallback) const;
  // The leading decimal integer of the value (C-library rule), or `fallback` when the key
  // is missing or its value starts with no number.
  int ReadInteger(const std::string& section, const std::string& key, int fallback) const;

  // False when the file could not be written or a text holds a line break.
  bool WriteString(const std::string& section, const std::string& key,
                   const std::string& value);
  bool WriteInteger(const std::string& section, const std::string& key, int value);

  const std::filesystem::path& Path() const { return path_; }

 private:
  struct AtPathTag {};
  TiniSettings(AtPathTag, std::filesystem::path file) : path_(std::move(file)) {}
  std::filesystem::path path_;
};

}  // namespace quirlo
