// The box emulator on a pseudo-terminal, read by the real serial port through TMcb.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "quirlo/acquisition/mcb.h"
#include "quirlo/platform/program_folder.h"
#include "quirlo/platform/pty.h"
#include "quirlo/tools/box_emulator.h"
#include "../../platform/tests/temp_dir.h"

using quirlo::testing::ReadFileBytes;
using quirlo::testing::TempDir;

namespace qa = quirlo::acquisition;
using namespace std::chrono_literals;

namespace {

struct CountingHandler : qa::TFrameHandler {
  uint64_t analog = 0, rate = 0;
  qa::TAnalogFrame last{};
  qa::TRateFrame lastRate{};
  void OnAnalogFrame(const qa::TAnalogFrame& f) override {
    ++analog;
    last = f;
  }
  void OnDigitalBits(uint8_t) override {}
  void OnRateFrame(const qa::TRateFrame& f) override {
    ++rate;
    lastRate = f;
  }
};

}  // namespace

TEST(qcore_BoxLink, EmulatorThroughSerialPortWithCorruptShare) {
  TempDir home;
  quirlo::PseudoTerminal pty;
  quirlo::SetProgramFolder(home.path());
  std::ofstream(home.path() / "settings.ini") << "[PORTS]\nCOM3=" << pty.SlavePath() << "\n";

  quirlo::tools::BoxConfig config = quirlo::tools::BoxConfig::Defaults();
  config.corruptShare = 0.1;
  config.seed = 7;
  config.digitalBits = 0x5A;
  quirlo::tools::BoxEmulator box(pty.MasterFd(), config);

  quirlo::QueuedDispatcher dispatcher;
  quirlo::ScriptedUiService ui;
  CountingHandler handler;
  qa::TMcb mcb(handler, dispatcher, ui);
  mcb.OpenPort(3);
  ASSERT_TRUE(mcb.PortOpen());

  // Three emulated seconds in 20 ms ticks, polled like the master timer does.
  for (int tick = 0; tick < 150; ++tick) {
    box.Step(20);
    mcb.Poll();
  }
  const auto& stats = box.Stats();
  const uint64_t sent = stats.analogSent + stats.rateSent;
  const auto until = std::chrono::steady_clock::now() + 3s;
  while (handler.analog + handler.rate + mcb.BadPacketCount() < sent &&
         std::chrono::steady_clock::now() < until) {
    std::this_thread::sleep_for(5ms);
    mcb.Poll();
  }
  ASSERT_EQ(stats.dropped, 0u);
  EXPECT_EQ(stats.analogSent, 150u);
  EXPECT_EQ(stats.rateSent, 30u);
  EXPECT_GT(stats.corrupted, 0u);
  EXPECT_EQ(mcb.BadPacketCount(), stats.corrupted);
  EXPECT_EQ(handler.analog + handler.rate, sent - stats.corrupted);
  EXPECT_EQ(handler.last.DigitalBits, 0x5A);
  EXPECT_EQ(+handler.lastRate.Frequency[0], 100);

  // Commands go the other way and the box obeys them.
  mcb.SendQuadratureMask(0x05);
  mcb.ResetCount(0);
  const auto commandsUntil = std::chrono::steady_clock::now() + 2s;
  while (box.Stats().commandsObeyed < 2 && std::chrono::steady_clock::now() < commandsUntil) {
    std::this_thread::sleep_for(5ms);
    box.Step(1);  // 1 ms of emulated time: reads waiting commands
  }
  EXPECT_EQ(box.Stats().commandsObeyed, 2u);
  EXPECT_EQ(box.Stats().commandsBad, 0u);
  EXPECT_EQ(box.QuadratureBits(), 0x05);
  EXPECT_LT(box.Count(0), 20);  // about 300 before the reset
}
