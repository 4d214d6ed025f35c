// A fresh machine root for one test: a new temporary folder, named by W32_MACHINE_ROOT
// while the object lives, removed with everything in it afterwards. The previous value of
// W32_MACHINE_ROOT comes back on destruction.
//
//   class MyTest : public win32::test::MachineRootTest {};
//   TEST_F(MyTest, X) { auto ini = root().windows() / "KELD.INI"; ... }
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

namespace win32::test {

class MachineRoot {
 public:
  MachineRoot();
  ~MachineRoot();
  MachineRoot(MachineRoot const&) = delete;
  MachineRoot& operator=(MachineRoot const&) = delete;

  std::filesystem::path const& path() const { return path_; }
  std::filesystem::path windows() const { return path_ / "Windows"; }
  std::filesystem::path system32() const { return path_ / "Windows" / "System32"; }

  // Writes bytes to a file below the root, creating folders; returns its path.
  std::filesystem::path write_file(std::filesystem::path const& relative, std::string const& bytes) const;
  // The whole content of a file ("" when missing).
  static std::string read_file(std::filesystem::path const& file);

 private:
  std::filesystem::path path_;
  std::optional<std::string> previous_;
};

class MachineRootTest : public ::testing::Test {
 protected:
  MachineRoot const& root() const { return root_; }

 private:
  MachineRoot root_;
};

}  // namespace win32::test
