// quirlo-boxemu: the acquisition-box emulator on a serial device or a pseudo-terminal.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

#include "quirlo/platform/pty.h"
#include "quirlo/platform/serial_port.h"
#include "quirlo/tools/box_emulator.h"
#include "quirlo/tools/command_line.h"
#include "quirlo/tools/stop_signal.h"

namespace {

const char kUsage[] =
    "usage: quirlo-boxemu (--device PATH | --pty [--pty-link FILE]) [options]\n"
    "  --device PATH      write to this serial device (57600 baud, 8N1)\n"
    "  --pty              create a pseudo-terminal; its slave path is the first line of output\n"
    "  --pty-link FILE    also write the slave path into FILE\n"
    "  --analog N=WAVE    analog input N (1-8), 16-bit reading\n"
    "  --freq N=WAVE      frequency input N (1-6), hertz\n"
    "  --digital BITS     digital input bits (decimal or 0x..)\n"
    "  --digital-wave N=WAVE  digital input N (1-8) is on while WAVE is above 0\n"
    "  --count N=VALUE    starting pulse count of frequency input N (1-6)\n"
    "  --quadrature MASK  quadrature mask until the host sends one\n"
    "  --analog-rate HZ   analog packets per second (default 50)\n"
    "  --rate-rate HZ     rate packets per second (default 10)\n"
    "  --corrupt SHARE    share of packets sent with a broken checksum (0..1)\n"
    "  --seed N           seed of the corruption choice\n"
    "  --seconds N        stop after N seconds (default: run until SIGINT/SIGTERM)\n"
    "WAVE is KIND[:AMPLITUDE[:OFFSET[:PERIOD]]] with KIND sine, ramp, square or constant,\n"
    "PERIOD in seconds.\n";

const quirlo::tools::CommandLine args("quirlo-boxemu", kUsage);

}  // namespace

int main(int argc, char** argv) {
  using namespace quirlo;
  tools::BoxConfig config = tools::BoxConfig::Defaults();
  std::string device, ptyLink;
  bool usePty = false;
  double seconds = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&] { return args.Next(argc, argv, i); };
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      return 0;
    } else if (arg == "--device") {
      device = value();
    } else if (arg == "--pty") {
      usePty = true;
    } else if (arg == "--pty-link") {
      ptyLink = value();
    } else if (arg == "--analog" || arg == "--freq") {
      const bool analog = arg == "--analog";
      auto w = tools::ParseIndexedWaveform(value(), analog ? 8 : 6);
      if (!w) args.Fail("bad waveform for " + arg);
      (analog ? config.analog.data() : config.frequency.data())[w->index] = w->wave;
    } else if (arg == "--digital-wave") {
      auto w = tools::ParseIndexedWaveform(value(), 8);
      if (!w) args.Fail("bad waveform for " + arg);
      config.digital[static_cast<std::size_t>(w->index)] = w->wave;
    } else if (arg == "--count") {
      const std::string v = value();
      const auto eq = v.find('=');
      if (eq == std::string::npos) args.Fail("bad value for --count");
      const long n = args.Integer(v.substr(0, eq), "--count", 1, 6, 0);
      config.initialCount[static_cast<std::size_t>(n - 1)] =
          static_cast<int32_t>(args.Integer(v.substr(eq + 1), "--count", INT32_MIN, INT32_MAX, 0));
    } else if (arg == "--digital") {
      config.digitalBits = static_cast<uint8_t>(args.Integer(value(), "--digital", 0, 255, 0));
    } else if (arg == "--quadrature") {
      config.quadratureBits = static_cast<uint8_t>(args.Integer(value(), "--quadrature", 0, 63, 0));
    } else if (arg == "--analog-rate") {
      config.analogPerSecond = static_cast<int>(args.Integer(value(), "--analog-rate", 0, 1000, 0));
    } else if (arg == "--rate-rate") {
      config.ratePerSecond = static_cast<int>(args.Integer(value(), "--rate-rate", 0, 1000, 0));
    } else if (arg == "--corrupt") {
      config.corruptShare = args.Real(value(), "--corrupt", 0, 1);
    } else if (arg == "--seed") {
      config.seed = static_cast<uint32_t>(args.Integer(value(), "--seed", 0, 0xFFFFFFFFL, 0));
    } else if (arg == "--seconds") {
      seconds = args.Real(value(), "--seconds", 0, 1e9);
    } else {
      args.Fail("unknown option " + arg);
    }
  }
  if (usePty == !device.empty()) args.Fail("give either --device PATH or --pty");
  if (!ptyLink.empty() && !usePty) args.Fail("--pty-link needs --pty");

  const auto& stop = tools::InstallStopSignals();
  std::unique_ptr<PseudoTerminal> pty;
  SerialPort port;
  int fd = -1;
  if (usePty) {
    try {
      pty = std::make_unique<PseudoTerminal>();
    } catch (const std::exception& e) {
      std::cerr << "quirlo-boxemu: cannot create a pseudo-terminal: " << e.what() << "\n";
      return 1;
    }
    fd = pty->MasterFd();
    std::cout << pty->SlavePath() << std::endl;
    if (!ptyLink.empty()) {
      std::ofstream link(ptyLink, std::ios::trunc);
      link << pty->SlavePath() << "\n";
      if (!link.flush()) {
        std::cerr << "quirlo-boxemu: cannot write " << ptyLink << "\n";
        return 1;
      }
    }
  } else {
    port.SetDevicePath(device);
    port.SetBaud(57600);
    if (!port.Open()) {
      std::cerr << "quirlo-boxemu: " << port.LastError() << "\n";
      return 1;
    }
    fd = port.NativeHandle();
  }

  tools::BoxEmulator box(fd, config);
  std::optional<std::chrono::milliseconds> duration;
  if (seconds > 0) duration = std::chrono::milliseconds(static_cast<long long>(seconds * 1000));
  box.Run(stop, duration);
  const auto& s = box.Stats();
  std::cerr << "quirlo-boxemu: sent " << s.analogSent << " analog and " << s.rateSent
            << " rate packets (" << s.corrupted << " corrupted, " << s.dropped
            << " dropped); obeyed " << s.commandsObeyed << " commands, ignored "
            << s.commandsBad << " with a bad checksum\n";
  return 0;
}
