// QLSim: the data simulator. Serves item "QLSimServer" of service "QLSim", topic "Data"
// on the local feed socket: fields separated by the delimiter, updated every 20 ms.
// Quirlo reads field 1 as a frequency and field 2 as analog reading 0.
//
// Started by Quirlo's link (no options) it serves the defaults and ends when its last
// client has gone; --stay keeps it running until SIGINT/SIGTERM.
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "quirlo/platform/feed.h"
#include "quirlo/platform/periodic_timer.h"
#include "quirlo/tools/command_line.h"
#include "quirlo/tools/sim_text.h"
#include "quirlo/tools/stop_signal.h"
#include "quirlo/tools/waveform.h"

namespace {

const char kUsage[] =
    "usage: QLSim [options]\n"
    "  --fields N          number of fields (default 2, at most 64)\n"
    "  --field N=WAVE      waveform of field N (1-based)\n"
    "  --delimiter C       field separator (default \",\"; T or tab for a tab)\n"
    "  --decimals N        decimal places of the values (default 0)\n"
    "  --interval MS       update interval (default 20)\n"
    "  --seconds N         stop after N seconds\n"
    "  --stay              keep serving after the last client has gone\n"
    "WAVE is KIND[:AMPLITUDE[:OFFSET[:PERIOD]]] with KIND sine, ramp, square or constant,\n"
    "PERIOD in seconds. Defaults: field 1 constant 10 (a frequency), field 2 a sine\n"
    "around 2048 (an analog reading), further fields sines of growing period.\n";

const quirlo::tools::CommandLine args("QLSim", kUsage);

quirlo::tools::Waveform DefaultField(int index) {
  using quirlo::tools::Waveform;
  if (index == 0) return Waveform::Constant(10);
  return Waveform::Sine(1000, 2048, 5.0 * index);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace quirlo;
  int fieldCount = 2;
  std::vector<tools::IndexedWaveform> given;
  std::vector<std::string> givenText;
  std::string delimiter = ",";
  int decimals = 0;
  long intervalMs = 20;
  double seconds = 0;
  bool stay = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&] { return args.Next(argc, argv, i); };
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      return 0;
    } else if (arg == "--fields") {
      fieldCount = static_cast<int>(args.Integer(value(), "--fields", 1, 64));
    } else if (arg == "--field") {
      givenText.push_back(value());
    } else if (arg == "--delimiter") {
      delimiter = tools::DelimiterFromOption(value());
    } else if (arg == "--decimals") {
      decimals = static_cast<int>(args.Integer(value(), "--decimals", 0, 9));
    } else if (arg == "--interval") {
      intervalMs = args.Integer(value(), "--interval", 1, 60000);
    } else if (arg == "--seconds") {
      seconds = args.Real(value(), "--seconds", 0, 1e9);
    } else if (arg == "--stay") {
      stay = true;
    } else {
      args.Fail("unknown option " + arg);
    }
  }
  std::vector<tools::Waveform> fields;
  for (int i = 0; i < fieldCount; ++i) fields.push_back(DefaultField(i));
  for (const auto& text : givenText) {  // after --fields, whatever the order given
    auto w = tools::ParseIndexedWaveform(text, fieldCount);
    if (!w) args.Fail("bad --field " + text);
    fields[static_cast<std::size_t>(w->index)] = w->wave;
  }

  const auto& stop = tools::InstallStopSignals();
  FeedServer server("QLSim", "Data");
  const auto start = std::chrono::steady_clock::now();
  auto publish = [&] {
    const std::chrono::duration<double> t = std::chrono::steady_clock::now() - start;
    server.SetItem("QLSimServer", tools::SimulatorText(fields, t.count(), delimiter, decimals));
  };
  publish();
  if (!server.Start()) {
    std::cerr << "QLSim: " << server.LastError() << "\n";
    return 1;
  }
  PeriodicTimer timer;
  timer.Start(std::chrono::milliseconds(intervalMs), publish);

  bool hadClient = false;
  while (!stop.load()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const std::chrono::duration<double> t = std::chrono::steady_clock::now() - start;
    if (seconds > 0 && t.count() >= seconds) break;
    const bool any = server.ClientCount() > 0;
    if (!stay && hadClient && !any) break;
    hadClient = hadClient || any;
  }
  timer.Stop();
  server.Stop();
  return 0;
}
