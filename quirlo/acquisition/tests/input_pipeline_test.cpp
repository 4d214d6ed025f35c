// The whole input road on a running core: packets from a box on a pseudo-terminal through
// TMcb, calibration and the filters to the channel values, and the box commands back.
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>
#include <vector>

#include "quirlo/acquisition/quirlo_core.h"
#include "quirlo/platform/program_folder.h"
#include "quirlo/platform/pty.h"
#include "../../platform/tests/temp_dir.h"

namespace qa = quirlo::acquisition;
using quirlo::testing::TempDir;
using Bytes = std::vector<uint8_t>;
using namespace std::chrono_literals;

namespace {

struct Box {
  TempDir home;
  quirlo::PseudoTerminal pty;
  quirlo::QueuedDispatcher dispatcher;
  quirlo::ScriptedUiService ui;

  Box() {
    quirlo::SetProgramFolder(home.path());
    std::ofstream(home.path() / "settings.ini") << "[PORTS]\nCOM3=" << pty.SlavePath() << "\n";
  }

  template <std::size_t N>
  void Send(const std::array<uint8_t, N>& packet) {
    ASSERT_EQ(::write(pty.MasterFd(), packet.data(), N), static_cast<ssize_t>(N));
  }

  // Bytes the host sent to the box, waiting up to a second for `want` of them.
  Bytes Received(std::size_t want) {
    Bytes out;
    const auto until = std::chrono::steady_clock::now() + 1s;
    while (out.size() < want && std::chrono::steady_clock::now() < until) {
      pollfd p{pty.MasterFd(), POLLIN, 0};
      if (::poll(&p, 1, 20) <= 0) continue;
      uint8_t buf[64];
      const ssize_t n = ::read(pty.MasterFd(), buf, sizeof buf);
      if (n > 0) out.insert(out.end(), buf, buf + n);
    }
    return out;
  }
};

// Polls the link (as the master timer would) until channel `ch` reads `value`.
bool PollUntil(qa::QuirloCore& core, int ch, double value) {
  const auto until = std::chrono::steady_clock::now() + 2s;
  while (std::chrono::steady_clock::now() < until) {
    core.Mcb().Poll();
    if (core.State().ChannelValue.Get(ch) == value) return true;
    std::this_thread::sleep_for(2ms);
  }
  return false;
}

void Assign(qa::QuirloCore& core, int ch, qa::TSourceKind kind, int index) {
  std::lock_guard lock(core.State().AcquisitionLock);
  core.State().Table[ch].SourceKind = static_cast<int32_t>(kind);
  core.State().Table[ch].SourceIndex = index;
}

qa::TAnalogFrame Analog(int count, uint8_t bits) {
  qa::TAnalogFrame f{};
  for (auto& r : f.Reading) r = static_cast<uint16_t>(count * 16);
  f.DigitalBits = bits;
  return f;
}

}  // namespace

TEST(qcore_calibration_Pipeline, PacketsReachTheChannelsCalibratedAndFiltered) {
  Box box;
  {
    // A stored frequency record asks for quadrature on input 2.
    std::filesystem::create_directories(box.home.path() / "rate");
    std::string rate(252, '\0');
    rate[1 * 42 + 41] = 1;
    std::ofstream(box.home.path() / "rate" / "rate.txt", std::ios::binary) << rate;
  }
  qa::QuirloCore core(box.dispatcher, box.ui, {.daqPort = 3});
  std::vector<std::string> splash;
  core.Startup([&](const std::string& t) { splash.push_back(t); });
  EXPECT_EQ(box.ui.CallCount(), 0u);
  EXPECT_EQ(splash.back(), "Backing up analog input settings...");
  EXPECT_EQ(box.Received(5), (Bytes{0x16, 0x03, 0x1B, 0x00, 0x02}));  // mask at start-up

  Assign(core, 0, qa::TSourceKind::Analog, 0);
  Assign(core, 1, qa::TSourceKind::Digital, 2);
  Assign(core, 2, qa::TSourceKind::Digital, 7);
  Assign(core, 3, qa::TSourceKind::Rate, 1);
  Assign(core, 4, qa::TSourceKind::Total, 1);

  ASSERT_EQ(core.Calibration().CalibrateGainOffset(0, "level", 0, 0.5), qa::TCalibrateStatus::Ok);
  ASSERT_EQ(core.Calibration().CalibrateRate(1, "flow", 10, 1, 1), qa::TCalibrateStatus::Ok);
  EXPECT_EQ(box.Received(5), (Bytes{0x16, 0x03, 0x1B, 0x00, 0x02}));  // Calibrate resends
  // A two-sample moving average on analog input 1, primed with 0.
  ASSERT_TRUE(core.Filters().Apply(qa::TFilterKind::Analog, 0, qa::kFilterMovingAverage, 2));

  // Count 1000 calibrates to 500; the average passes 250, then 500.
  box.Send(qa::EncodeAnalogPacket(Analog(1000, 0b1000'0100)));
  ASSERT_TRUE(PollUntil(core, 0, 250.0)) << core.State().ChannelValue.Get(0);
  EXPECT_EQ(core.State().ChannelValue.Get(1), 0.0);  // input 3 set, active low: Off
  box.Send(qa::EncodeAnalogPacket(Analog(1000, 0b1000'0100)));
  ASSERT_TRUE(PollUntil(core, 0, 500.0)) << core.State().ChannelValue.Get(0);
  // Digital states reach the table after the frame's step; the next step shows them.
  box.Send(qa::EncodeAnalogPacket(Analog(1000, 0b1000'0000)));
  box.Send(qa::EncodeAnalogPacket(Analog(1000, 0b1000'0000)));
  ASSERT_TRUE(PollUntil(core, 1, 1.0));
  EXPECT_EQ(core.State().ChannelValue.Get(2), 1.0);  // input 8 set, active high: On

  // Rate frame: K 10 per minute; 5 Hz is 30 per minute, 250 counts are a total of 25.
  qa::TRateFrame rf{};
  rf.Count[1] = 250;
  rf.Frequency[1] = 5;
  rf.QuadratureBits = 0b10;
  box.Send(qa::EncodeRatePacket(rf));
  box.Send(qa::EncodeAnalogPacket(Analog(1000, 0)));  // rates show at the next step
  ASSERT_TRUE(PollUntil(core, 3, 30.0)) << core.State().ChannelValue.Get(3);
  EXPECT_EQ(core.State().ChannelValue.Get(4), 25.0);
  EXPECT_DOUBLE_EQ(core.Calibration().RateLive(1).Rate, 30.0);

  // A total reset from the computation goes to the box as command 4.
  core.Computation().ResetAll();
  box.Send(qa::EncodeAnalogPacket(Analog(1000, 0)));
  Bytes sent;
  const auto until = std::chrono::steady_clock::now() + 2s;
  while (sent.size() < 5 && std::chrono::steady_clock::now() < until) {
    core.Mcb().Poll();
    uint8_t buf[16];
    const ssize_t n = ::read(box.pty.MasterFd(), buf, sizeof buf);  // non-blocking
    if (n > 0) sent.insert(sent.end(), buf, buf + n);
    std::this_thread::sleep_for(2ms);
  }
  const Bytes more = box.Received(6);  // and nothing after it
  sent.insert(sent.end(), more.begin(), more.end());
  // Channel 5 (total of input 2) resets the box's count of input index 1; every channel
  // was flagged, and the total channel is the only one that sends anything.
  EXPECT_EQ(sent, (Bytes{0x16, 0x04, 0x1B, 0x00, 0x01}));

  core.Shutdown();
  std::ifstream in(box.home.path() / "analog" / "analog.txt", std::ios::binary);
  qa::TAnalogCalSet saved{};
  in.read(reinterpret_cast<char*>(&saved), sizeof saved);
  ASSERT_TRUE(in);
  EXPECT_EQ(saved[0].C1, 0.5);
  EXPECT_EQ(qa::DescriptionText(saved[0].Description), "level");
  EXPECT_TRUE(std::filesystem::exists(box.home.path() / "ainfilters" / "ainfilters.txt"));
}
