#include "quirlo/tools/box_emulator.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <thread>
#include <vector>

#include "quirlo/platform/pty.h"
#include "quirlo/platform/serial_port.h"

namespace quirlo::tools {
namespace {

using namespace std::chrono_literals;
using acquisition::TAnalogFrame;
using acquisition::TRateFrame;

// Packets cut from a byte stream and checked with a checksum written out here, apart from
// the packet encoder's, so that both would have to be wrong the same way to pass.
struct Decoded {
  std::vector<TAnalogFrame> analog;
  std::vector<TRateFrame> rate;
  int bad = 0;
};

void DecodeStream(const std::vector<uint8_t>& bytes, Decoded& out) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    if (bytes[i] != 0x16 || i + 1 >= bytes.size()) {
      ++i;
      continue;
    }
    const uint8_t type = bytes[i + 1];
    const std::size_t len = type == 1 ? 21 : type == 2 ? 41 : 0;
    ASSERT_NE(len, 0u) << "unknown type " << int(type) << " at " << i;
    ASSERT_LE(i + len, bytes.size()) << "truncated packet";
    unsigned sum = 0;
    for (std::size_t k = 0; k < len; ++k) sum += (k == 2 || k == 3) ? 0 : bytes[i + k];
    const unsigned stored = bytes[i + 2] | (bytes[i + 3] << 8);
    if ((sum & 0xFFFF) != stored) {
      ++out.bad;
    } else if (type == 1) {
      TAnalogFrame f;
      std::memcpy(&f, &bytes[i + 4], sizeof f);
      out.analog.push_back(f);
    } else {
      TRateFrame f;
      std::memcpy(&f, &bytes[i + 4], sizeof f);
      out.rate.push_back(f);
    }
    i += len;
  }
}

class qplat_BoxEmulator : public ::testing::Test {
 protected:
  void SetUp() override {
    port_.SetDevicePath(pty_.SlavePath());
    ASSERT_TRUE(port_.Open()) << port_.LastError();
  }

  // Steps the box in 100 ms slices, reading the line after each so it never fills up.
  std::vector<uint8_t> Run(BoxEmulator& box, int ms) {
    std::vector<uint8_t> bytes;
    for (int done = 0; done < ms; done += 100) {
      box.Step(100);
      Drain(bytes);
    }
    return bytes;
  }

  void Drain(std::vector<uint8_t>& bytes) {
    uint8_t buf[4096];
    for (int idle = 0; idle < 3;) {
      const std::size_t n = port_.GetBlock(buf, sizeof buf);
      bytes.insert(bytes.end(), buf, buf + n);
      if (n == 0) {
        ++idle;
        std::this_thread::sleep_for(1ms);
      }
    }
  }

  void SendCommand(std::array<uint8_t, 5> cmd) { ASSERT_EQ(port_.PutBlock(cmd.data(), 5), 5u); }

  // Steps until the box has taken `n` more commands (the pty hands bytes over asynchronously).
  void StepUntilCommands(BoxEmulator& box, uint64_t total) {
    for (int i = 0; i < 200 && box.Stats().commandsObeyed + box.Stats().commandsBad < total; ++i) {
      std::this_thread::sleep_for(2ms);
      box.Step(1);
    }
  }

  PseudoTerminal pty_;
  SerialPort port_;
};

TEST_F(qplat_BoxEmulator, OneSecondHoldsFiftyAnalogAndTenRatePacketsOfTheConfiguredInputs) {
  BoxConfig cfg;
  cfg.analog[0] = Waveform::Constant(1234);
  cfg.analog[7] = Waveform::Constant(70000);  // clamped to the 16-bit range
  cfg.digitalBits = 0xA5;
  cfg.digital[1] = *Waveform::Parse("square:1:0:0.4");  // on for 0.2 s, off for 0.2 s
  cfg.frequency[0] = Waveform::Constant(100);
  cfg.initialCount[2] = 1000;
  cfg.frequency[2] = Waveform::Constant(-30);  // not in quadrature: magnitude
  BoxEmulator box(pty_.MasterFd(), cfg);
  Decoded d;
  DecodeStream(Run(box, 1000), d);
  ASSERT_EQ(d.analog.size(), 50u);
  ASSERT_EQ(d.rate.size(), 10u);
  EXPECT_EQ(+d.bad, 0);
  EXPECT_EQ(+d.analog[10].Reading[0], 1234);
  EXPECT_EQ(+d.analog[10].Reading[7], 65535);
  EXPECT_EQ(+d.analog[4].DigitalBits, 0xA7);   // t = 0.10 s: bit 1 on
  EXPECT_EQ(+d.analog[14].DigitalBits, 0xA5);  // t = 0.30 s: bit 1 off
  EXPECT_EQ(+d.rate[9].Frequency[0], 100);
  EXPECT_EQ(+d.rate[9].Frequency[2], 30);
  EXPECT_EQ(+d.rate[9].Count[0], 100);  // one second at 100 Hz
  EXPECT_EQ(+d.rate[4].Count[0], 50);
  EXPECT_EQ(+d.rate[9].Count[2], 1030);
}

TEST_F(qplat_BoxEmulator, CorruptsRoughlyTheRequestedShare) {
  BoxConfig cfg = BoxConfig::Defaults();
  cfg.corruptShare = 0.2;
  cfg.seed = 7;
  BoxEmulator box(pty_.MasterFd(), cfg);
  Decoded d;
  DecodeStream(Run(box, 20000), d);  // 1200 packets
  const auto total = d.analog.size() + d.rate.size() + static_cast<std::size_t>(d.bad);
  EXPECT_EQ(total, 1200u);
  EXPECT_EQ(static_cast<uint64_t>(d.bad), box.Stats().corrupted);  // every corruption is caught
  EXPECT_GT(d.bad, 170);
  EXPECT_LT(d.bad, 310);
  EXPECT_EQ(box.Stats().dropped, 0u);
}

TEST_F(qplat_BoxEmulator, ObeysQuadratureMaskAndCountResetAndIgnoresBadChecksums) {
  BoxConfig cfg;
  cfg.frequency[0] = Waveform::Constant(-20);
  cfg.frequency[1] = Waveform::Constant(10);
  BoxEmulator box(pty_.MasterFd(), cfg);
  Decoded before;
  DecodeStream(Run(box, 1000), before);
  ASSERT_FALSE(before.rate.empty());
  EXPECT_EQ(+before.rate.back().Frequency[0], 20);
  EXPECT_EQ(+before.rate.back().QuadratureBits, 0);

  SendCommand({0x16, 0x03, 0x1A, 0x00, 0x01});  // input 1 in quadrature
  StepUntilCommands(box, 1);
  EXPECT_EQ(box.QuadratureBits(), 0x01);
  SendCommand({0x16, 0x04, 0x00, 0x00, 0x01});  // reset input 2, checksum wrong
  StepUntilCommands(box, 2);
  EXPECT_EQ(box.Stats().commandsBad, 1u);
  EXPECT_GE(box.Count(1), 10);
  SendCommand({0x16, 0x04, 0x1B, 0x00, 0x01});  // reset input 2
  StepUntilCommands(box, 3);
  EXPECT_EQ(box.Stats().commandsObeyed, 2u);
  EXPECT_LE(box.Count(1), 1);

  Decoded after;
  DecodeStream(Run(box, 1000), after);
  ASSERT_FALSE(after.rate.empty());
  EXPECT_EQ(+after.rate.back().Frequency[0], -20);  // runs backwards now
  EXPECT_EQ(+after.rate.back().QuadratureBits, 0x01);
  EXPECT_LE(+after.rate.back().Count[1], 12);  // restarted from 0: one second at 10 Hz
}

}  // namespace
}  // namespace quirlo::tools
