#include "quirlo/platform/feed.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <thread>

#include "quirlo/platform/program_folder.h"
#include "temp_dir.h"

namespace quirlo {
namespace {

using namespace std::chrono_literals;

// Every test gets its own socket folder, so tests may run side by side.
class qplat_Feed : public ::testing::Test {
 protected:
  void SetUp() override { ::setenv("QUIRLO_FEED_DIR", dir_.path().c_str(), 1); }
  void TearDown() override { ::unsetenv("QUIRLO_FEED_DIR"); }

  template <class Pred>
  static bool WaitFor(Pred pred) {
    for (int i = 0; i < 400; ++i) {
      if (pred()) return true;
      std::this_thread::sleep_for(5ms);
    }
    return pred();
  }

  testing::TempDir dir_;
};

TEST_F(qplat_Feed, SocketPathIsNamedFromServiceAndTopic) {
  EXPECT_EQ(FeedSocketPath("QLSim", "Data"), dir_.path() / "quirlo-feed-QLSim-Data.sock");
  EXPECT_EQ(FeedSocketPath("a/b c", "D"), dir_.path() / "quirlo-feed-a_b_c-D.sock");
}

TEST_F(qplat_Feed, AdviseDeliversTheCurrentValueAndEveryChange) {
  FeedServer server("QLSim", "Data");
  server.SetItem("QLSimServer", "12,345");
  ASSERT_TRUE(server.Start()) << server.LastError();
  FeedServer rival("QLSim", "Data");
  EXPECT_FALSE(rival.Start());  // one server per service and topic

  FeedClient client;
  ASSERT_TRUE(client.SetLink("QLSim", "Data"));
  ASSERT_TRUE(client.OpenLink());
  ASSERT_TRUE(client.StartAdvise());
  client.SetItem("QLSimServer");
  ASSERT_TRUE(WaitFor([&] { return client.Text() == "12,345"; })) << client.Text();

  // Texts may hold the delimiter, tabs, anything but line breaks (sent as blanks).
  server.SetItem("Other", "ignored");
  server.SetItem("QLSimServer", "7\t8;9 \"x\"\nrest");
  ASSERT_TRUE(WaitFor([&] { return client.Text() == "7\t8;9 \"x\" rest"; })) << client.Text();
  const std::string longText(kMaxItemText + 100, 'z');
  server.SetItem("QLSimServer", longText);
  ASSERT_TRUE(WaitFor([&] { return client.Text().size() == kMaxItemText; }));

  // The server going away closes the link; the last value stays readable.
  server.Stop();
  ASSERT_TRUE(WaitFor([&] { return !client.IsOpen(); }));
  EXPECT_EQ(client.Text().size(), kMaxItemText);
}

TEST_F(qplat_Feed, EachStepFailsOnItsOwnWithoutAServer) {
  FeedClient client;
  EXPECT_FALSE(client.SetLink("", "Data"));
  ASSERT_TRUE(client.SetLink("Nobody", "Data"));
  EXPECT_FALSE(client.OpenLink());     // no server, no service application
  EXPECT_FALSE(client.StartAdvise());  // link not open
  client.SetItem("QLSimServer");
  EXPECT_EQ(client.Text(), "");
}

TEST_F(qplat_Feed, OpenLinkLaunchesTheServiceApplicationFromTheProgramFolder) {
  testing::TempDir home;
  SetProgramFolder(home.path());
  const auto script = home.path() / "QLSim";
  std::ofstream(script) << "#!/bin/sh\nexec '" << QPLAT_FEED_HELPER
                        << "' Launched Data QLSimServer '1,2,3'\n";
  ::chmod(script.c_str(), 0755);

  FeedClient client;
  client.SetServiceApplication("QLSim.exe");  // the link's name for it
  ASSERT_TRUE(client.SetLink("Launched", "Data"));
  ASSERT_TRUE(client.OpenLink());
  ASSERT_TRUE(client.StartAdvise());
  client.SetItem("QLSimServer");
  EXPECT_TRUE(WaitFor([&] { return client.Text() == "1,2,3"; })) << client.Text();
  client.CloseLink();  // lets the helper end
  EXPECT_FALSE(client.IsOpen());
}

TEST_F(qplat_Feed, AMissingServiceApplicationFailsTheOpen) {
  testing::TempDir home;
  SetProgramFolder(home.path());
  FeedClient client;
  client.SetServiceApplication("QLSim.exe");
  client.SetLaunchTimeout(100ms);
  ASSERT_TRUE(client.SetLink("Absent", "Data"));
  EXPECT_FALSE(client.OpenLink());
}

}  // namespace
}  // namespace quirlo
