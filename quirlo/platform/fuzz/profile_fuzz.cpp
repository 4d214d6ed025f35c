// Any settings.ini content: reading never fails, and a value that WriteString accepts
// reads back unchanged while the file's other keys keep their values.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "quirlo/platform/profile_file.h"

namespace {

const std::filesystem::path& File() {
  static const std::filesystem::path file =
      std::filesystem::temp_directory_path() / ("qplat-profile-fuzz-" + std::to_string(::getpid()) + ".ini");
  return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Layout: section \0 key \0 value \0 file content.
  std::string parts[4];
  int part = 0;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0 && part < 3) {
      ++part;
      continue;
    }
    parts[part] += static_cast<char>(data[i]);
  }
  const auto& [section, key, value, content] = parts;
  { std::ofstream(File(), std::ios::binary | std::ios::trunc) << content; }
  quirlo::profile::ReadString(File(), section, key, "x");
  if (quirlo::profile::WriteString(File(), section, key, value)) {
    const std::string back = quirlo::profile::ReadString(File(), section, key, "x", 100000);
    if (back != value && value.find('\0') == std::string::npos) std::abort();
  }
  return 0;
}
