// Lays the KELD printer family's data set into a machine root, as an installer would: every
// file of the staged driver folder (text data files, KELDCOM and KELDDATA modules) is copied
// into <root>/spool/drivers/w32x86/3. Tests and front ends link target keld_data_set.
#pragma once

#include <filesystem>
#include <system_error>

namespace keld {

inline std::filesystem::path driver_stage() { return KELD_DRIVER_STAGE; }

// Returns the driver folder, or an empty path (and `ec` set) when copying failed.
inline std::filesystem::path install_data_set(const std::filesystem::path& root, std::error_code& ec) {
  namespace fs = std::filesystem;
  const fs::path driver = root / "spool" / "drivers" / "w32x86" / "3";
  fs::create_directories(driver, ec);
  if (!ec) fs::create_directories(root / "Windows" / "System32", ec);
  if (!ec) fs::copy(driver_stage(), driver, fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
  return ec ? fs::path() : driver;
}

}  // namespace keld
