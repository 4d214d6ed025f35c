#include "quirlo/tools/stop_signal.h"

#include <signal.h>

namespace quirlo::tools {
namespace {

std::atomic<bool> g_stop{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

void OnSignal(int) { g_stop.store(true); }

}  // namespace

const std::atomic<bool>& InstallStopSignals() {
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  ::sigaction(SIGINT, &sa, nullptr);
  ::sigaction(SIGTERM, &sa, nullptr);
  ::signal(SIGPIPE, SIG_IGN);
  return g_stop;
}

}  // namespace quirlo::tools
