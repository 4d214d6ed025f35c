// The two programs end to end: QLSim launched by the feed client from the program's
// folder, and quirlo-boxemu on a pseudo-terminal of its own or on a given device.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "../../platform/tests/temp_dir.h"
#include "quirlo/acquisition/packet.h"
#include "quirlo/platform/feed.h"
#include "quirlo/platform/program_folder.h"
#include "quirlo/platform/pty.h"
#include "quirlo/platform/serial_port.h"

namespace quirlo {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

TEST(qplat_QLSim, LaunchedByTheLinkServesFieldsThatChangeEvery20ms) {
  testing::TempDir home, sockets;
  ::setenv("QUIRLO_FEED_DIR", sockets.path().c_str(), 1);
  SetProgramFolder(home.path());
  fs::create_symlink(QPLAT_QLSIM, home.path() / "QLSim");

  FeedClient client;
  client.SetServiceApplication("QLSim.exe");
  ASSERT_TRUE(client.SetLink("QLSim", "Data"));
  ASSERT_TRUE(client.OpenLink());
  ASSERT_TRUE(client.StartAdvise());
  client.SetItem("QLSimServer");
  for (int i = 0; i < 200 && client.UpdateCount() < 10; ++i) std::this_thread::sleep_for(10ms);
  EXPECT_GE(client.UpdateCount(), 10u);  // the sine of field 2 moves
  const std::string text = client.Text();
  // Default: a frequency of 10 and an integer analog reading near 2048.
  ASSERT_EQ(text.rfind("10,", 0), 0u) << text;
  const int reading = std::atoi(text.c_str() + 3);
  EXPECT_GE(reading, 1048);
  EXPECT_LE(reading, 3048);
  client.CloseLink();  // QLSim ends with its last client
  ::unsetenv("QUIRLO_FEED_DIR");
}

TEST(qplat_BoxEmuProgram, PrintsItsPtyAndSendsPackets) {
  testing::TempDir dir;
  const fs::path link = dir.path() / "box.pty";
  const std::string cmd = std::string("'") + QPLAT_BOXEMU + "' --pty --pty-link '" +
                          link.string() + "' --seconds 1 --analog 1=constant:777 2>/dev/null";
  FILE* out = ::popen(cmd.c_str(), "r");
  ASSERT_NE(out, nullptr);
  char line[256] = {};
  ASSERT_NE(std::fgets(line, sizeof line, out), nullptr);
  std::string slave(line);
  slave.erase(slave.find_last_not_of('\n') + 1);
  EXPECT_EQ(slave.rfind("/dev/pts/", 0), 0u) << slave;

  SerialPort port;
  port.SetDevicePath(slave);
  ASSERT_TRUE(port.Open()) << port.LastError();
  struct Sink : acquisition::TPacketSink {
    int analog = 0, rate = 0, bad = 0;
    uint16_t reading = 0;
    void OnAnalogFrame(const acquisition::TAnalogFrame& f) override { ++analog; reading = f.Reading[0]; }
    void OnRateFrame(const acquisition::TRateFrame&) override { ++rate; }
    void OnBadPacket(uint32_t) override { ++bad; }
  } sink;
  acquisition::TPacketReceiver rx;
  uint8_t buf[512];
  for (int i = 0; i < 100 && sink.analog < 10; ++i) {
    std::this_thread::sleep_for(20ms);
    rx.Feed(buf, port.GetBlock(buf, sizeof buf), sink);
  }
  EXPECT_GE(sink.analog, 10);
  EXPECT_EQ(sink.reading, 777);
  EXPECT_EQ(sink.bad, 0);
  port.Close();
  ::pclose(out);  // the --seconds limit ends it
  std::FILE* f = std::fopen(link.c_str(), "r");
  ASSERT_NE(f, nullptr);
  char written[256] = {};
  ASSERT_NE(std::fgets(written, sizeof written, f), nullptr);
  std::fclose(f);
  EXPECT_EQ(std::string(written), slave + "\n");
}

TEST(qplat_BoxEmuProgram, WritesToAGivenDeviceAndObeysCommands) {
  PseudoTerminal line;  // the test plays Quirlo on the master side
  const std::string cmd = std::string("'") + QPLAT_BOXEMU + "' --device '" + line.SlavePath() +
                          "' --seconds 1 --corrupt 1 2>&1";
  FILE* out = ::popen(cmd.c_str(), "r");
  ASSERT_NE(out, nullptr);
  std::vector<uint8_t> bytes;
  uint8_t buf[512];
  bool sent = false;
  for (int i = 0; i < 300 && bytes.size() < 800; ++i) {
    std::this_thread::sleep_for(10ms);
    const ssize_t n = ::read(line.MasterFd(), buf, sizeof buf);
    if (n > 0) bytes.insert(bytes.end(), buf, buf + n);
    if (!sent && !bytes.empty()) {  // the box is listening: send a quadrature mask
      const uint8_t mask[] = {0x16, 0x03, 0x1A, 0x00, 0x01};
      ASSERT_EQ(::write(line.MasterFd(), mask, sizeof mask), 5);
      sent = true;
    }
  }
  std::string report;
  char text[512];
  while (std::fgets(text, sizeof text, out)) report += text;
  EXPECT_EQ(::pclose(out), 0) << report;
  struct Sink : acquisition::TPacketSink {
    int good = 0;
    void OnAnalogFrame(const acquisition::TAnalogFrame&) override { ++good; }
    void OnRateFrame(const acquisition::TRateFrame&) override { ++good; }
    void OnBadPacket(uint32_t) override {}
  } sink;
  acquisition::TPacketReceiver rx;
  rx.Feed(bytes.data(), bytes.size(), sink);
  EXPECT_GE(rx.BadPacketCount(), 25u);  // --corrupt 1: every packet fails its checksum
  EXPECT_EQ(sink.good, 0);
  EXPECT_NE(report.find("obeyed 1 commands"), std::string::npos) << report;
}

// Runs a command line; returns its exit status and what it printed on stdout.
std::pair<int, std::string> RunProgram(const std::string& command) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return {-1, out};
  char buf[512];
  while (size_t n = std::fread(buf, 1, sizeof buf, pipe)) out.append(buf, n);
  const int status = ::pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

TEST(qplat_CalibrateProgram, StoresWhatTheNextRunReadsAndRefusesBadValues) {
  testing::TempDir home;
  const std::string program = std::string(QPLAT_CALIBRATE) + " --home '" + home.path().string() + "'";
  auto [rc, out] = RunProgram(program + " --description Pressure --analog 2 --fixed 4-20mA 0 100"
                                        " --rate 3 --kfactor 10 --timebase minute");
  ASSERT_EQ(rc, 0) << out;

  std::tie(rc, out) = RunProgram(program + " --show");
  ASSERT_EQ(rc, 0);
  // Count 819 reads 0 and count 4095 reads 100: gain 100/3276, offset -25.
  EXPECT_NE(out.find("analog 2: 4-20mA offset -25 gain 0.03052503053 low 0 high 100 \"Pressure\""),
            std::string::npos) << out;
  EXPECT_NE(out.find("rate 3: K-factor 10 per minute"), std::string::npos) << out;

  // A bad value ends the run with status 2 before anything is saved.
  const std::string before = testing::ReadFileBytes(home.path() / "analog" / "analog.txt");
  for (const char* bad : {" --analog 9 --fixed 0-5V 0 5", " --analog 1 --fixed 1-5V 0 5",
                          " --analog 1 --fixed 0-5V 0 x", " --rate 1 --kfactor nan"}) {
    std::tie(rc, out) = RunProgram(program + bad + " 2>/dev/null");
    EXPECT_EQ(rc, 2) << bad;
  }
  EXPECT_EQ(testing::ReadFileBytes(home.path() / "analog" / "analog.txt"), before);
}

}  // namespace
}  // namespace quirlo
