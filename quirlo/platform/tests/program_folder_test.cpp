#include "quirlo/platform/program_folder.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

namespace quirlo {
namespace {

// argv as main receives it, with the terminating null.
struct Args {
  explicit Args(std::vector<std::string> a) : text(std::move(a)) {
    for (auto& s : text) ptrs.push_back(s.data());
    ptrs.push_back(nullptr);
    argc = static_cast<int>(text.size());
  }
  std::vector<std::string> text;
  std::vector<char*> ptrs;
  int argc;
};

TEST(qplat_ProgramFolder, HomeOptionWinsOverEnvironmentAndLeavesTheOtherArguments) {
  ::setenv("QUIRLO_HOME", "/env/home", 1);
  struct Case {
    std::vector<std::string> argv;
    std::string folder;
    std::vector<std::string> rest;
  } const cases[] = {
      {{"quirlo", "--home", "/opt/q", "--headless"}, "/opt/q", {"quirlo", "--headless"}},
      {{"quirlo", "-x", "--home=/srv/q/"}, "/srv/q/", {"quirlo", "-x"}},
      {{"quirlo", "--headless"}, "/env/home", {"quirlo", "--headless"}},
      {{"quirlo", "--home"}, "/env/home", {"quirlo", "--home"}},  // no value: left alone
  };
  for (const auto& c : cases) {
    Args a(c.argv);
    const auto folder = InitProgramFolder(a.argc, a.ptrs.data());
    EXPECT_EQ(folder, std::filesystem::path(c.folder).lexically_normal()) << c.argv.back();
    EXPECT_EQ(ProgramFolder(), folder);
    ASSERT_EQ(a.argc, static_cast<int>(c.rest.size()));
    for (int i = 0; i < a.argc; ++i) EXPECT_EQ(a.ptrs[i], c.rest[i]);
    EXPECT_EQ(a.ptrs[a.argc], nullptr);
  }
  ::unsetenv("QUIRLO_HOME");
  Args plain({"quirlo"});
  EXPECT_EQ(InitProgramFolder(plain.argc, plain.ptrs.data()), ExecutableFolder());
  EXPECT_EQ(SettingsIniPath(), ExecutableFolder() / "settings.ini");
}

}  // namespace
}  // namespace quirlo
