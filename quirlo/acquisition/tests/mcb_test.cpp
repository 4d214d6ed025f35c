#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <mutex>
#include <thread>
#include <vector>

#include "quirlo/acquisition/mcb.h"
#include "quirlo/platform/program_folder.h"
#include "quirlo/platform/pty.h"
#include "../../platform/tests/temp_dir.h"

using quirlo::testing::ReadFileBytes;
using quirlo::testing::TempDir;

namespace qa = quirlo::acquisition;
using Bytes = std::vector<uint8_t>;

namespace {

struct RecordingHandler : qa::TFrameHandler {
  mutable std::mutex mutex;
  std::vector<qa::TAnalogFrame> analog;
  std::vector<uint8_t> digital;
  std::vector<qa::TRateFrame> rate;
  void OnAnalogFrame(const qa::TAnalogFrame& f) override {
    std::lock_guard lock(mutex);
    analog.push_back(f);
  }
  void OnDigitalBits(uint8_t bits) override {
    std::lock_guard lock(mutex);
    digital.push_back(bits);
  }
  void OnRateFrame(const qa::TRateFrame& f) override {
    std::lock_guard lock(mutex);
    rate.push_back(f);
  }
  std::size_t AnalogCount() const {
    std::lock_guard lock(mutex);
    return analog.size();
  }
};

// A program's folder whose settings.ini maps COM3 to a pseudo-terminal and COM9 to a
// device that does not exist.
struct PortFixture {
  TempDir home;
  quirlo::PseudoTerminal pty;
  quirlo::QueuedDispatcher dispatcher;
  quirlo::ScriptedUiService ui;
  RecordingHandler handler;
  std::unique_ptr<qa::TMcb> mcb;

  PortFixture() {
    quirlo::SetProgramFolder(home.path());
    std::ofstream(home.path() / "settings.ini")
        << "[PORTS]\nCOM3=" << pty.SlavePath() << "\nCOM9=" << (home.path() / "no-tty").string()
        << "\n";
    mcb = std::make_unique<qa::TMcb>(handler, dispatcher, ui);
  }

  Bytes ReadMaster(std::size_t want) {
    Bytes out;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (out.size() < want && std::chrono::steady_clock::now() < until) {
      pollfd p{pty.MasterFd(), POLLIN, 0};
      if (::poll(&p, 1, 50) <= 0) continue;
      uint8_t buf[64];
      const ssize_t n = ::read(pty.MasterFd(), buf, sizeof buf);
      if (n > 0) out.insert(out.end(), buf, buf + n);
    }
    return out;
  }

  void WriteMaster(const Bytes& bytes) {
    ASSERT_EQ(::write(pty.MasterFd(), bytes.data(), bytes.size()),
              static_cast<ssize_t>(bytes.size()));
  }

  // Polls until `count` analog frames arrived (bytes need a moment through the pty).
  void PollUntil(std::size_t count) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (handler.AnalogCount() < count && std::chrono::steady_clock::now() < until) {
      mcb->Poll();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    mcb->Poll();
  }
};

Bytes AnalogPacket(uint16_t reading0, uint8_t bits) {
  qa::TAnalogFrame f{};
  f.Reading[0] = reading0;
  f.DigitalBits = bits;
  const auto p = qa::EncodeAnalogPacket(f);
  return {p.begin(), p.end()};
}

}  // namespace

TEST(qcore_Mcb, CommandsGoOutOverTheSerialLine) {
  PortFixture f;
  f.mcb->OpenPort(3);
  ASSERT_TRUE(f.mcb->PortOpen());
  EXPECT_EQ(f.ui.CallCount(), 0u);

  f.mcb->ResetCount(3);
  EXPECT_EQ(f.ReadMaster(5), (Bytes{0x16, 0x04, 0x1D, 0x00, 0x03}));
  f.mcb->SendQuadratureMask(0);
  EXPECT_EQ(f.ReadMaster(5), (Bytes{0x16, 0x03, 0x19, 0x00, 0x00}));
  // A stored channel's index outside the six inputs resets nothing (256 is not input 1).
  for (int index : {6, 256, -1}) f.mcb->ResetCount(index);
  f.mcb->ResetCount(5);
  EXPECT_EQ(f.ReadMaster(5), (Bytes{0x16, 0x04, 0x1F, 0x00, 0x05}));

  f.mcb->OpenPort(0);  // "Off": closed, nothing reported, nothing sent
  EXPECT_FALSE(f.mcb->PortOpen());
  f.mcb->ResetCount(1);
  EXPECT_TRUE(f.ReadMaster(1).empty());
  EXPECT_EQ(f.ui.CallCount(), 0u);
}

TEST(qcore_Mcb, MissingAndBusyPortsAreReportedOncePerOpen) {
  PortFixture f;
  f.mcb->OpenPort(9);
  EXPECT_FALSE(f.mcb->PortOpen());
  {
    quirlo::SerialPort other;  // another program holds COM3
    other.SetDevicePath(f.pty.SlavePath());
    ASSERT_TRUE(other.Open());
    f.mcb->OpenPort(3);
    EXPECT_FALSE(f.mcb->PortOpen());
  }
  const auto calls = f.ui.Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].text, "The data acquisition COM port could not be found.");
  EXPECT_EQ(calls[0].caption, "Error - Port Not Found");
  EXPECT_EQ(calls[0].icon, quirlo::MsgIcon::Error);
  EXPECT_EQ(calls[1].text, "The data acquisition COM port is in use by another application.");
  EXPECT_EQ(calls[1].caption, "Error - Port In Use");

  // Freed again: the next open succeeds, and opening the same number again does nothing.
  f.mcb->OpenPort(3);
  EXPECT_TRUE(f.mcb->PortOpen());
  f.mcb->OpenPort(3);
  EXPECT_TRUE(f.mcb->PortOpen());
  EXPECT_EQ(f.ui.CallCount(), 2u);
}

TEST(qcore_Mcb, PollDecodesAndCountsBadPacketsOnTheUiThread) {
  PortFixture f;
  std::vector<std::string> shown;
  f.mcb->SetBadPacketListener([&](const std::string& text) { shown.push_back(text); });
  f.mcb->OpenPort(3);
  ASSERT_TRUE(f.mcb->PortOpen());

  Bytes bad = AnalogPacket(1, 0);
  bad[10] ^= 0x01;
  Bytes stream = AnalogPacket(100, 0x81);
  for (const Bytes& part : {bad, AnalogPacket(200, 0x02), bad}) {
    stream.insert(stream.end(), part.begin(), part.end());
  }
  f.WriteMaster(stream);
  f.PollUntil(2);

  ASSERT_EQ(f.handler.analog.size(), 2u);
  EXPECT_EQ(+f.handler.analog[1].Reading[0], 200);
  EXPECT_EQ(f.handler.digital, (std::vector<uint8_t>{0x81, 0x02}));  // after each frame
  EXPECT_EQ(f.mcb->BadPacketCount(), 2u);
  EXPECT_TRUE(shown.empty());  // nothing touched the screen from the polling thread
  f.dispatcher.RunPending();
  EXPECT_EQ(shown, (std::vector<std::string>{"1", "2"}));
}

TEST(qcore_Simulator, FieldsOfTheFeedText) {
  struct Row {
    const char* text;
    const char* delimiters;
    int field;
    bool found;
    long value;
  };
  const Row rows[] = {
      {"12,345", ",", 0, true, 12},     {"12,345", ",", 1, true, 345},
      {"7", ",", 1, false, 0},          {"", ",", 0, false, 0},
      {",,12,,345", ",", 1, true, 345},  // runs of delimiters count as one
      {"12\t-8", "\t", 1, true, -8},    {"12;x9", ";", 1, true, 0},  // no digits: 0
      {"3.9,1e3", ",", 0, true, 3},     {"1,99999999999", ",", 1, true, 2147483647},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::Message() << r.text << " field " << r.field);
    long value = -1;
    EXPECT_EQ(qa::SimulatorField(r.text, r.delimiters, r.field, value), r.found);
    if (r.found) {
      EXPECT_EQ(value, r.value);
    }
  }
  // Only the first 511 characters count.
  long value = 0;
  const std::string longText = std::string(510, '1') + ",5";
  EXPECT_FALSE(qa::SimulatorField(longText, ",", 1, value));
}

TEST(qcore_Simulator, StepsMakeAnalogAndEveryFifthRateFrame) {
  quirlo::QueuedDispatcher dispatcher;
  quirlo::ScriptedUiService ui;
  RecordingHandler handler;
  qa::TMcb mcb(handler, dispatcher, ui);
  for (int step = 0; step < 10; ++step) mcb.SimulatorStep("12,345");
  ASSERT_EQ(handler.analog.size(), 10u);
  for (const auto& frame : handler.analog) EXPECT_EQ(+frame.Reading[0], 345);
  ASSERT_EQ(handler.rate.size(), 2u);
  EXPECT_EQ(+handler.rate[0].Frequency[0], 12);
  EXPECT_EQ(+handler.rate[0].Count[0], 12);
  EXPECT_EQ(+handler.rate[1].Count[0], 24);
  EXPECT_TRUE(handler.digital.empty());  // the simulator does not feed the digital stage

  for (int step = 0; step < 5; ++step) mcb.SimulatorStep("7");
  EXPECT_EQ(+handler.analog.back().Reading[0], 0);
  ASSERT_EQ(handler.rate.size(), 3u);
  EXPECT_EQ(+handler.rate[2].Frequency[0], 7);
  EXPECT_EQ(+handler.rate[2].Count[0], 31);

  qa::TSharedText semicolon(";");
  mcb.SetDelimiter(&semicolon);
  mcb.SimulatorStep("5;6");
  EXPECT_EQ(+handler.analog.back().Reading[0], 6);
}

TEST(qcore_Simulator, FeedReplacesTheBox) {
  TempDir home;
  quirlo::SetProgramFolder(home.path());
  ::setenv("QUIRLO_FEED_DIR", home.path().c_str(), 1);
  quirlo::FeedServer server("QLSim", "Data");
  ASSERT_TRUE(server.Start()) << server.LastError();
  server.SetItem("QLSimServer", "12,345");

  quirlo::QueuedDispatcher dispatcher;
  quirlo::ScriptedUiService ui;
  RecordingHandler handler;
  qa::TMcb mcb(handler, dispatcher, ui);
  mcb.StartSimulator();
  EXPECT_TRUE(mcb.SimulatorOn());
  EXPECT_EQ(ui.CallCount(), 0u);
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  bool seen = false;
  while (!seen && std::chrono::steady_clock::now() < until) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::lock_guard lock(handler.mutex);
    seen = !handler.rate.empty() && !handler.analog.empty() &&
           handler.analog.back().Reading[0] == 345;
  }
  mcb.StopSimulator();
  EXPECT_FALSE(mcb.SimulatorOn());
  ASSERT_TRUE(seen);
  std::lock_guard lock(handler.mutex);
  EXPECT_EQ(+handler.rate.back().Frequency[0], 12);
}

TEST(qcore_Simulator, FailuresAreReportedAndTheTimerRunsOnZeros) {
  TempDir home;  // no simulator program here, no server
  quirlo::SetProgramFolder(home.path());
  ::setenv("QUIRLO_FEED_DIR", home.path().c_str(), 1);
  quirlo::QueuedDispatcher dispatcher;
  quirlo::ScriptedUiService ui;
  RecordingHandler handler;
  qa::TMcb mcb(handler, dispatcher, ui);
  mcb.StartSimulator();
  const auto calls = ui.Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].text, "Can't open link to data simulator");
  EXPECT_EQ(calls[1].text, "Can't start advise link with data simulator");
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (handler.AnalogCount() < 2 && std::chrono::steady_clock::now() < until) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  mcb.StopSimulator();
  ASSERT_GE(handler.AnalogCount(), 2u);
  std::lock_guard lock(handler.mutex);
  EXPECT_EQ(+handler.analog.back().Reading[0], 0);
}
