// SIGINT and SIGTERM set a flag that the tools' main loops watch.
#pragma once

#include <atomic>

namespace quirlo::tools {

// Installs the handlers (once) and returns the flag they set.
const std::atomic<bool>& InstallStopSignals();

}  // namespace quirlo::tools
