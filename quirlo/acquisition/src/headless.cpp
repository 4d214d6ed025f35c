// The headless program: the acquisition core with a console instead of windows.
//
// SIGINT and SIGTERM are blocked in every thread (the mask is set before any timer thread
// starts and is inherited) and taken synchronously by the main loop with sigtimedwait, so
// the shut-down runs on the main thread exactly as when the main window closes.
#include "quirlo/acquisition/headless.h"

#include <signal.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <string>
#include <vector>

#include "quirlo/acquisition/quirlo_core.h"
#include "quirlo/platform/program_folder.h"

namespace quirlo::acquisition {

namespace {

struct HeadlessOptions {
  long seconds = 0;  // 0: until a signal
  std::optional<int> port;
  bool simulator = false;
  bool demo = false;
};

constexpr const char* kUsage =
    "usage: quirlo-headless [--home DIR] [--seconds N] [--port N] [--simulator] [--demo]\n";

bool ParseNumber(const char* text, long& out) {
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || v < 0) return false;
  out = v;
  return true;
}

// Parses what InitProgramFolder left; false with a message on stderr for bad input.
bool ParseOptions(int argc, char** argv, HeadlessOptions& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    long value = 0;
    auto next = [&](const char* name) {
      if (i + 1 >= argc || !ParseNumber(argv[i + 1], value)) {
        std::cerr << "quirlo: " << name << " needs a non-negative number\n" << kUsage;
        return false;
      }
      ++i;
      return true;
    };
    if (arg == "--headless") continue;
    if (arg == "--seconds") {
      if (!next("--seconds")) return false;
      options.seconds = value;
    } else if (arg == "--port") {
      if (!next("--port") || value > 255) return false;
      options.port = static_cast<int>(value);
    } else if (arg == "--simulator") {
      options.simulator = true;
    } else if (arg == "--demo") {
      options.demo = true;
    } else {
      std::cerr << "quirlo: unknown option " << arg << "\n" << kUsage;
      return false;
    }
  }
  return true;
}

std::string ClockCaption() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[64];
  std::strftime(text, sizeof text, "%x %X", &local);
  return text;
}

void PrintSecond(QuirloCore& core) {
  const auto texts = core.State().StatusText.GetAll();
  const auto values = core.State().ChannelValue.Snapshot();
  std::string line = "status:";
  for (std::size_t i = 0; i < texts.size(); ++i) line += (i ? " | " : " ") + texts[i];
  line += "\nvalues:";
  char number[32];
  for (double v : values) {
    std::snprintf(number, sizeof number, " %.6g", v);
    line += number;
  }
  std::fputs((line + "\n").c_str(), stdout);
  std::fflush(stdout);
}

}  // namespace

int RunHeadless(int argc, char** argv) {
  std::vector<char*> args(argv, argv + argc);
  args.push_back(nullptr);
  int count = argc;
  InitProgramFolder(count, args.data());
  HeadlessOptions options;
  if (!ParseOptions(count, args.data(), options)) return 2;

  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  sigset_t previous;
  pthread_sigmask(SIG_BLOCK, &stopSignals, &previous);

  int exitCode = 0;
  {
    QueuedDispatcher dispatcher;
    ConsoleUiService ui;
    TCoreOptions coreOptions;
    coreOptions.daqPort = options.port;
    QuirloCore core(dispatcher, ui, coreOptions);
    try {
      core.Startup([](const std::string& text) { std::cerr << text << "\n"; });
    } catch (const std::exception& e) {
      std::cerr << "QUIRLO: " << e.what() << "\n";
      exitCode = 1;
    }
    if (exitCode == 0) {
      core.StartMasterTimer();
      if (options.simulator) core.SetSimulator(true);
      if (options.demo) core.SetDemo(true);

      using Clock = std::chrono::steady_clock;
      const auto start = Clock::now();
      auto nextSecond = start + std::chrono::seconds(1);
      for (;;) {
        dispatcher.RunPending();
        const auto now = Clock::now();
        if (now >= nextSecond) {
          core.ClockTick(ClockCaption());
          PrintSecond(core);
          nextSecond += std::chrono::seconds(1);
          if (options.seconds > 0 && now - start >= std::chrono::seconds(options.seconds)) break;
        }
        timespec wait{0, 100'000'000};  // 100 ms: runs posted work promptly
        if (sigtimedwait(&stopSignals, nullptr, &wait) > 0) break;
      }
      core.Shutdown();
      dispatcher.RunPending();
    }
  }
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  return exitCode;
}

}  // namespace quirlo::acquisition
