#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <thread>

#include "quirlo/platform/pty.h"
#include "quirlo/platform/serial_port.h"
#include "temp_dir.h"

namespace quirlo {
namespace {

using namespace std::chrono_literals;

// Waits until the port reports at least n waiting bytes (the pty hands bytes over
// asynchronously), at most one second.
std::size_t WaitForBytes(const SerialPort& port, std::size_t n) {
  for (int i = 0; i < 200 && port.InBuffUsed() < n; ++i) std::this_thread::sleep_for(5ms);
  return port.InBuffUsed();
}

TEST(qplat_SerialPort, ReadsAndWritesThroughAPseudoTerminal) {
  PseudoTerminal pty;
  SerialPort port;
  port.SetDevicePath(pty.SlavePath());
  ASSERT_TRUE(port.SetBaud(57600));
  ASSERT_TRUE(port.Open()) << port.LastError();
  EXPECT_TRUE(port.IsOpen());

  unsigned char buf[16];
  EXPECT_EQ(port.InBuffUsed(), 0u);
  EXPECT_EQ(port.GetBlock(buf, sizeof buf), 0u);  // nothing waiting: returns at once

  const unsigned char sent[] = {0x16, 0x01, 0x00, 0x0A, 0xFF};
  ASSERT_EQ(::write(pty.MasterFd(), sent, sizeof sent), 5);
  ASSERT_EQ(WaitForBytes(port, 5), 5u);
  EXPECT_EQ(port.GetBlock(buf, 2), 2u);
  EXPECT_EQ(port.InBuffUsed(), 3u);
  EXPECT_EQ(port.GetBlock(buf + 2, sizeof buf - 2), 3u);
  EXPECT_EQ(std::vector<unsigned char>(buf, buf + 5), std::vector<unsigned char>(sent, sent + 5));

  EXPECT_GT(port.OutBuffFree(), 0u);
  EXPECT_LE(port.OutBuffFree(), SerialPort::kDefaultOutBuffSize);
  const char line[] = "12.5,3\r\n";
  ASSERT_EQ(port.PutBlock(line, 8), 8u);
  char got[16] = {};
  std::size_t n = 0;
  for (int i = 0; i < 200 && n < 8; ++i) {
    const ssize_t r = ::read(pty.MasterFd(), got + n, sizeof got - n);
    if (r > 0) n += static_cast<std::size_t>(r); else std::this_thread::sleep_for(5ms);
  }
  EXPECT_EQ(std::string(got, n), line);

  port.Close();
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(port.InBuffUsed(), 0u);
  EXPECT_EQ(port.PutBlock(line, 8), 0u);
}

TEST(qplat_SerialPort, RefusesUnsupportedLineSettings) {
  SerialPort port;
  EXPECT_FALSE(port.SetBaud(12345));
  EXPECT_FALSE(port.SetDataBits(9));
  EXPECT_FALSE(port.SetStopBits(3));
  EXPECT_EQ(port.Baud(), 9600);
  PseudoTerminal pty;
  port.SetDevicePath(pty.SlavePath());
  ASSERT_TRUE(port.Open()) << port.LastError();
  // Applied to the open line at once, every parity included. A pseudo-terminal takes
  // 8 data bits only: its refusal keeps the old setting.
  EXPECT_FALSE(port.SetDataBits(7));
  EXPECT_EQ(port.DataBits(), 8);
  EXPECT_TRUE(port.SetStopBits(2));
  for (auto p : {Parity::Odd, Parity::Even, Parity::Mark, Parity::Space, Parity::None})
    EXPECT_TRUE(port.SetParity(p));
  EXPECT_TRUE(port.SetBaud(115200));
}

TEST(qplat_SerialPort, ExistsAndInUseForFreeHeldAndMissingPorts) {
  PseudoTerminal pty;
  const std::string path = pty.SlavePath();
  EXPECT_TRUE(SerialPort::ExistsPath(path));
  EXPECT_FALSE(SerialPort::InUsePath(path));

  SerialPort holder;
  holder.SetDevicePath(path);
  ASSERT_TRUE(holder.Open()) << holder.LastError();
  EXPECT_TRUE(SerialPort::ExistsPath(path));  // held ports still exist
  EXPECT_TRUE(SerialPort::InUsePath(path));
  SerialPort second;
  second.SetDevicePath(path);
  EXPECT_FALSE(second.Open());
  EXPECT_NE(second.LastError().find(path), std::string::npos) << second.LastError();

  holder.Close();
  EXPECT_FALSE(SerialPort::InUsePath(path));
  EXPECT_TRUE(second.Open()) << second.LastError();

  EXPECT_FALSE(SerialPort::ExistsPath("/dev/quirlo-no-such-port"));
  EXPECT_FALSE(SerialPort::InUsePath("/dev/quirlo-no-such-port"));
  SerialPort missing;
  missing.SetDevicePath("/dev/quirlo-no-such-port");
  EXPECT_FALSE(missing.Open());
}

TEST(qplat_SerialPort, APortListedWithoutAUartDoesNotExist) {
  testing::TempDir sys;
  for (auto [name, type] : {std::pair{"ttyS0", "4\n"}, std::pair{"ttyS3", "0\n"}}) {
    std::filesystem::create_directories(sys.path() / name);
    std::ofstream(sys.path() / name / "type") << type;
  }
  EXPECT_FALSE(detail::SysfsSaysNoUart("/dev/ttyS0", sys.path()));
  EXPECT_TRUE(detail::SysfsSaysNoUart("/dev/ttyS3", sys.path()));
  EXPECT_FALSE(detail::SysfsSaysNoUart("/dev/ttyUSB0", sys.path()));  // not listed: no verdict
}

TEST(qplat_SerialPort, MapsComNumbersThroughThePortsSection) {
  testing::TempDir dir;
  const auto ini = dir.path() / "settings.ini";
  std::ofstream(ini) << "[MAIN]\nDelimiter=,\n[PORTS]\nCOM3=/dev/ttyUSB0\ncom12 = /dev/pts/7\n";
  struct Case {
    int n;
    const char* path;
  } const cases[] = {
      {3, "/dev/ttyUSB0"}, {12, "/dev/pts/7"}, {1, "/dev/ttyS0"}, {4, "/dev/ttyS3"}, {0, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(SerialPort::PathForCom(c.n, ini), c.path) << "COM" << c.n;
  EXPECT_EQ(SerialPort::PathForCom(2, dir.path() / "missing.ini"), "/dev/ttyS1");
}

}  // namespace
}  // namespace quirlo
