#include "quirlo/presentation/launch_mode.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace quirlo::presentation {
namespace {

TEST(QguiLaunchMode, WindowsOnlyWithADisplayAndWithoutHeadless) {
  struct Case {
    int row;
    std::vector<const char*> args;
    std::map<std::string, std::string> env;
    LaunchMode mode;
  };
  const Case cases[] = {
      {1, {"quirlo"}, {}, LaunchMode::Headless},
      {2, {"quirlo"}, {{"DISPLAY", ":0"}}, LaunchMode::Windows},
      {3, {"quirlo"}, {{"WAYLAND_DISPLAY", "wayland-0"}}, LaunchMode::Windows},
      {4, {"quirlo"}, {{"QT_QPA_PLATFORM", "offscreen"}}, LaunchMode::Windows},
      {5, {"quirlo"}, {{"DISPLAY", ""}}, LaunchMode::Headless},
      {6, {"quirlo", "--headless"}, {{"DISPLAY", ":0"}}, LaunchMode::Headless},
  };
  for (const auto& c : cases) {
    const EnvLookup env = [&](const char* name) -> std::optional<std::string> {
      const auto it = c.env.find(name);
      if (it == c.env.end()) return std::nullopt;
      return it->second;
    };
    EXPECT_EQ(ChooseLaunchMode(int(c.args.size()), c.args.data(), env), c.mode) << "row " << c.row;
  }
}

TEST(QguiLaunchMode, WindowOptions) {
  const char* good[] = {"quirlo", "--port", "7", "--demo", "-platform", "offscreen",
                        "--seconds", "3"};
  const auto o = ParseWindowOptions(8, good);
  EXPECT_EQ(o.seconds, 3);
  EXPECT_EQ(o.error, "");
  EXPECT_EQ(o.port, 7);
  EXPECT_TRUE(o.demo);
  EXPECT_FALSE(o.simulator);
  for (auto bad : std::vector<std::vector<const char*>>{
           {"quirlo", "--port"}, {"quirlo", "--port", "x"}, {"quirlo", "--port", "300"},
           {"quirlo", "--seconds", "-1"},
           {"quirlo", "--bogus"}})
    EXPECT_NE(ParseWindowOptions(int(bad.size()), bad.data()).error, "") << bad.back();
}

}  // namespace
}  // namespace quirlo::presentation
