#include "quirlo/platform/program_folder.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <system_error>

namespace quirlo {
namespace {

std::mutex g_mutex;
std::optional<std::filesystem::path> g_folder;

std::filesystem::path Absolute(const std::filesystem::path& p) {
  std::error_code ec;
  auto abs = std::filesystem::absolute(p, ec);
  return (ec ? p : abs).lexically_normal();
}

std::filesystem::path FromEnvironmentOrExe() {
  if (const char* home = std::getenv("QUIRLO_HOME"); home && *home) return Absolute(home);
  return ExecutableFolder();
}

}  // namespace

std::filesystem::path ExecutableFolder() {
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return Absolute(".");
  return exe.parent_path();
}

std::filesystem::path ProgramFolder() {
  std::lock_guard lock(g_mutex);
  if (!g_folder) g_folder = FromEnvironmentOrExe();
  return *g_folder;
}

void SetProgramFolder(const std::filesystem::path& folder) {
  std::lock_guard lock(g_mutex);
  g_folder = Absolute(folder);
}

std::filesystem::path InitProgramFolder(int& argc, char** argv) {
  std::optional<std::filesystem::path> home;
  int out = 1;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (std::strcmp(arg, "--home") == 0 && i + 1 < argc) {
      home = argv[++i];
    } else if (std::strncmp(arg, "--home=", 7) == 0) {
      home = arg + 7;
    } else {
      argv[out++] = argv[i];
    }
  }
  if (argc > 0) {
    argc = out;
    argv[argc] = nullptr;
  }
  std::lock_guard lock(g_mutex);
  g_folder = home ? Absolute(*home) : FromEnvironmentOrExe();
  return *g_folder;
}

std::filesystem::path SettingsIniPath() { return ProgramFolder() / "settings.ini"; }

}  // namespace quirlo
