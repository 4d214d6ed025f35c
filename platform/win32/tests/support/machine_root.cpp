#include "support/machine_root.h"

#include "win32/registry.h"
#include "win32/root.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace fs = std::filesystem;

namespace win32::test {

MachineRoot::MachineRoot() {
  if (char const* old = std::getenv("W32_MACHINE_ROOT")) previous_ = old;
  std::string templ = (fs::temp_directory_path() / "w32root-XXXXXX").string();
  std::vector<char> buf(templ.begin(), templ.end());
  buf.push_back('\0');
  if (!::mkdtemp(buf.data())) throw std::runtime_error("cannot create a temporary machine root");
  path_ = buf.data();
  ::setenv("W32_MACHINE_ROOT", path_.c_str(), 1);
  win32::ensure_machine_root();
}

MachineRoot::~MachineRoot() {
  win32::registry_drop_cache();
  if (previous_) ::setenv("W32_MACHINE_ROOT", previous_->c_str(), 1);
  else ::unsetenv("W32_MACHINE_ROOT");
  std::error_code ec;
  fs::remove_all(path_, ec);
}

fs::path MachineRoot::write_file(fs::path const& relative, std::string const& bytes) const {
  fs::path const file = path_ / relative;
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
  return file;
}

std::string MachineRoot::read_file(fs::path const& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace win32::test
