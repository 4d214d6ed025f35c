#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include "quirlo/acquisition/quirlo_core.h"
#include "quirlo/platform/program_folder.h"
#include "quirlo/platform/pty.h"
#include "../../platform/tests/temp_dir.h"

using quirlo::testing::ReadFileBytes;
using quirlo::testing::TempDir;

namespace qa = quirlo::acquisition;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

template <class Pred>
bool WaitFor(Pred pred, std::chrono::milliseconds limit = 3s) {
  const auto until = std::chrono::steady_clock::now() + limit;
  while (!pred()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(5ms);
  }
  return true;
}

struct CoreFixture {
  TempDir home;
  quirlo::PseudoTerminal pty;
  quirlo::QueuedDispatcher dispatcher;
  quirlo::ScriptedUiService ui;

  explicit CoreFixture(const std::string& delimiterLine = "Delimiter=T") {
    quirlo::SetProgramFolder(home.path());
    std::ofstream(home.path() / "settings.ini")
        << "[MAIN]\n" << delimiterLine << "\n[PORTS]\nCOM3=" << pty.SlavePath() << "\n";
  }

  void SendAnalog(uint16_t reading0) {
    qa::TAnalogFrame f{};
    f.Reading[0] = reading0;
    const auto p = qa::EncodeAnalogPacket(f);
    ASSERT_EQ(::write(pty.MasterFd(), p.data(), p.size()), static_cast<ssize_t>(p.size()));
  }
};

}  // namespace

TEST(qcore_Core, StartupAndShutdownInOrder) {
  CoreFixture f;
  std::vector<std::string> splash;
  {
    qa::QuirloCore core(f.dispatcher, f.ui, {.daqPort = 3});
    core.Startup([&](const std::string& text) { splash.push_back(text); });
    EXPECT_EQ(splash, (std::vector<std::string>{"Restoring channel settings...",
                                                 "Backing up channel settings...",
                                                 "Restoring digital input settings...",
                                                 "Backing up digital input settings...",
                                                 "Restoring frequency input settings...",
                                                 "Backing up frequency input settings...",
                                                 "Restoring analog input settings...",
                                                 "Backing up analog input settings..."}));
    EXPECT_EQ(core.Delimiter(), "\t");
    EXPECT_TRUE(fs::is_directory(core.DataFolder()));
    EXPECT_EQ(core.DataFolder(), f.home.path() / "Data");
    EXPECT_EQ(ReadFileBytes(f.home.path() / "channels" / "chan.txt").size(), 2232u);
    EXPECT_TRUE(core.Mcb().PortOpen());
    EXPECT_EQ(f.ui.CallCount(), 0u);

    // No box yet: the idle computation advances the time by 0.05 s per 50 ms tick.
    ASSERT_TRUE(WaitFor([&] {
      std::lock_guard lock(core.State().AcquisitionLock);
      return core.State().State.ElapsedTime >= 0.1;
    }));

    core.SetDemo(true);
    core.SetDelimiter(";");
    core.Shutdown();
    EXPECT_FALSE(core.Mcb().PortOpen());
  }
  EXPECT_EQ(quirlo::TiniSettings().ReadString("MAIN", "Delimiter", "?"), ";");
  // The demonstration names were put back before the table was saved.
  qa::TChannelTable saved{};
  const std::string bytes = ReadFileBytes(f.home.path() / "channels" / "chan.txt");
  ASSERT_EQ(bytes.size(), sizeof saved);
  std::memcpy(&saved, bytes.data(), sizeof saved);
  EXPECT_EQ(qa::FieldText(saved[0].Name), "Channel 1");
  EXPECT_EQ(qa::FieldText(saved[1].Units), "Units");
}

TEST(qcore_Core, DataFolderThatCannotBeCreatedStopsStartup) {
  CoreFixture f;
  std::ofstream(f.home.path() / "Data") << "a file where the folder should be";
  qa::QuirloCore core(f.dispatcher, f.ui, {.daqPort = 0});
  try {
    core.Startup();
    FAIL() << "start-up went on without a Data folder";
  } catch (const quirlo::SettingsFolderError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot create " + (f.home.path() / "Data").string());
  }
  core.Shutdown();
  EXPECT_FALSE(fs::exists(f.home.path() / "channels"));  // nothing saved over the user's
}

TEST(qcore_Core, FramesThroughTheMasterTimerEndTheIdlePeriod) {
  CoreFixture f;
  qa::QuirloCore core(f.dispatcher, f.ui, {.daqPort = 3});
  std::atomic<int> liveLines{0};
  core.TimerHooks().publishLiveLine = [&] { ++liveLines; };
  core.Startup();
  // Analog input 1 reads its 12-bit count (a reading is 16 times the count).
  ASSERT_EQ(core.Calibration().CalibrateGainOffset(0, "", 0, 1), qa::TCalibrateStatus::Ok);
  core.StartMasterTimer();
  f.SendAnalog(1234 * 16);
  ASSERT_TRUE(WaitFor([&] { return core.State().ChannelValue.Get(0) == 1234.0; }));
  EXPECT_TRUE(core.Computation().IdlePeriodOver());

  // A replay keeps live frames off the channel values.
  core.State().RunFlags.ReplayActive = true;
  f.SendAnalog(99 * 16);
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(core.State().ChannelValue.Get(0), 1234.0);
  core.ResumeAcquisition();
  f.SendAnalog(77 * 16);
  ASSERT_TRUE(WaitFor([&] { return core.State().ChannelValue.Get(0) == 77.0; }));

  const int percent = core.ClockTick("11.12.2026 10:00:00");
  EXPECT_GE(percent, 0);
  EXPECT_EQ(core.State().StatusText.Get(2), "CPU " + std::to_string(percent) + "%");
  EXPECT_EQ(core.State().StatusText.Get(3), "11.12.2026 10:00:00");
  EXPECT_EQ(core.State().StatusText.Get(0), "Recorder: STOPPED");
  EXPECT_EQ(core.State().StatusText.Get(1), "untitled.csv");
  core.Shutdown();
  EXPECT_FALSE(core.MasterTimer()->IsRunning());
}

TEST(qcore_Core, ChannelValuesNeverTearUnderConcurrentSteps) {
  qa::TAcquisitionState state;
  std::atomic<bool> stop{false};
  std::thread writer([&] {
    qa::TChannelValueArray values{};
    for (double v = 0; !stop.load(); v += 1) {
      values.fill(v);
      std::lock_guard lock(state.AcquisitionLock);
      state.ChannelValue.Publish(values);
    }
  });
  for (int i = 0; i < 20000; ++i) {
    const auto snap = state.ChannelValue.Snapshot();
    for (double v : snap) ASSERT_EQ(v, snap[0]) << "a snapshot mixed two steps";
  }
  stop = true;
  writer.join();
}

namespace {

struct RunResult {
  int exitCode = -1;
  std::string out;
};

// Runs the headless program; with `signalAfterFirstSecond` it is sent that signal once
// it has printed its first status line.
RunResult RunHeadlessProgram(std::vector<std::string> args, int signalAfterFirstSecond = 0) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return {};
  const pid_t child = ::fork();
  if (child == 0) {
    ::dup2(pipeFds[1], 1);
    ::close(pipeFds[0]);
    std::vector<char*> argv;
    std::string exe = QUIRLO_HEADLESS_EXE;
    argv.push_back(exe.data());
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execv(exe.c_str(), argv.data());
    ::_exit(127);
  }
  ::close(pipeFds[1]);
  RunResult result;
  char buf[4096];
  bool signalled = false;
  for (;;) {
    const ssize_t n = ::read(pipeFds[0], buf, sizeof buf);
    if (n <= 0) break;
    result.out.append(buf, static_cast<std::size_t>(n));
    if (signalAfterFirstSecond && !signalled && result.out.find("values:") != std::string::npos) {
      ::kill(child, signalAfterFirstSecond);
      signalled = true;
    }
  }
  ::close(pipeFds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (auto pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + 1)) ++n;
  return n;
}

}  // namespace

TEST(qcore_Headless, PrintsEverySecondAndSavesSettings) {
  TempDir home;
  const RunResult r =
      RunHeadlessProgram({"--home", home.path().string(), "--seconds", "2", "--port", "0", "--demo"});
  EXPECT_EQ(r.exitCode, 0) << r.out;
  EXPECT_EQ(Count(r.out, "status: Recorder: STOPPED | untitled.csv | CPU "), 2u) << r.out;
  const auto valuesAt = r.out.rfind("values:");
  ASSERT_NE(valuesAt, std::string::npos);
  std::istringstream values(r.out.substr(valuesAt + 7));
  std::vector<double> numbers;
  for (double v; numbers.size() < 24 && values >> v;) numbers.push_back(v);
  ASSERT_EQ(numbers.size(), 24u) << r.out;
  EXPECT_GT(numbers[1], 9500.0);  // the demonstration's depth after some idle steps
  EXPECT_EQ(ReadFileBytes(home.path() / "settings.ini").find("Delimiter=,") != std::string::npos, true);
  EXPECT_EQ(ReadFileBytes(home.path() / "channels" / "chan.txt").size(), 2232u);
}

TEST(qcore_Headless, SignalEndsWithNormalShutdown) {
  for (int sig : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(sig);
    TempDir home;
    const auto start = std::chrono::steady_clock::now();
    const RunResult r = RunHeadlessProgram(
        {"--home", home.path().string(), "--seconds", "60", "--port", "0", "--demo"}, sig);
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    EXPECT_NE(ReadFileBytes(home.path() / "settings.ini").find("Delimiter=,"), std::string::npos);
    // Shut down with the demonstration on: the user's names were saved, not the demo's.
    EXPECT_EQ(ReadFileBytes(home.path() / "channels" / "chan.txt").substr(0, 10),
              std::string("Channel 1\0", 10));
  }
}

TEST(qcore_Headless, BadOptionsAreRefused) {
  EXPECT_EQ(RunHeadlessProgram({"--seconds"}).exitCode, 2);
  EXPECT_EQ(RunHeadlessProgram({"--port", "x"}).exitCode, 2);
  EXPECT_EQ(RunHeadlessProgram({"--frobnicate"}).exitCode, 2);
}
