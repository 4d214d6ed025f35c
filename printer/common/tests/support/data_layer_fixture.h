// A machine root with the printer family's data set installed, the data layer pointed at its
// driver folder and started afresh for every test. Tests that change the module role get the
// configuration role back afterwards.
#pragma once

#include "keld/data_layer.h"
#include "keld/data_role.h"
#include "keld/model_files.h"

#include <keld/data_set.h>
#include <support/machine_root.h>
#include <win32/locale.h>
#include <win32/profile.h>
#include <win32/text.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace keld::test {

inline constexpr char16_t kModel2100[] = u"Zozarad CP-2100";
inline constexpr char16_t kModel3300[] = u"Zozarad CP-3300D";
inline constexpr char16_t kModel4500[] = u"Zozarad CP-4500A3";

class DataLayerTest : public win32::test::MachineRootTest {
 protected:
  void SetUp() override {
    std::error_code ec;
    driver_ = install_data_set(root().path(), ec);
    ASSERT_FALSE(ec) << ec.message();
    win32::profile_flush_cache();
    SetDataDirectory(win32::to_utf16(driver_.string()));
    SetDataRole(DataRole::Configuration);
    FreeSharedBlock();
  }
  void TearDown() override {
    SetDataRole(DataRole::Configuration);
    FreeSharedBlock();
    SetDataDirectory(u"");
    win32::set_user_locale(0);
    win32::profile_flush_cache();
  }

  std::filesystem::path const& driver() const { return driver_; }
  std::u16string driver_file(char const* name) const { return win32::to_utf16((driver_ / name).string()); }
  std::filesystem::path system_file(char const* name) const { return root().system32() / name; }

  // Sets a key of an installed data file.
  void set_key(char const* file, char16_t const* section, char16_t const* key, char16_t const* value) const {
    ASSERT_TRUE(WritePrivateProfileStringW(section, key, value, driver_file(file).c_str()));
  }

 private:
  std::filesystem::path driver_;
};

}  // namespace keld::test
