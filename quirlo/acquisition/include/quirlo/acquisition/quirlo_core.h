// QuirloCore: the acquisition application without its windows.
//
// It owns the acquisition state, the box link, the computation, the master timer and the
// idle timer, and runs the start-up and shut-down of everything that is not a window, in
// the program's order. The Qt program and the headless program both drive it:
//
//   QuirloCore core(dispatcher, ui);
//   core.Startup(splash);      // delimiter, "Data" folder, channel table, box port,
//                              // calibration and filter records
//   ... show the main window ...
//   core.StartMasterTimer();   // the 20 ms cycle; the idle computation already runs
//   ...
//   core.Shutdown();           // delimiter, records, port, simulator, timer
//
// Frames from the box go through the input pipeline: calibration, then the input
// filters, then the computation.
//
// Messages for the user go through the UiService on the calling thread; whatever the
// timer threads produce for the screen goes through the Dispatcher.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "quirlo/acquisition/acquisition_state.h"
#include "quirlo/acquisition/app_settings.h"
#include "quirlo/acquisition/calibration.h"
#include "quirlo/acquisition/computation.h"
#include "quirlo/acquisition/cpu_usage.h"
#include "quirlo/acquisition/input_filters.h"
#include "quirlo/acquisition/input_pipeline.h"
#include "quirlo/acquisition/mcb.h"
#include "quirlo/acquisition/timer_module.h"
#include "quirlo/platform/dispatcher.h"
#include "quirlo/platform/periodic_timer.h"
#include "quirlo/platform/ui_service.h"
#include "quirlo/recording/ini_settings.h"
#include "quirlo/recording/saver.h"

namespace quirlo::acquisition {

inline constexpr int kDefaultDaqPort = 3;  // COM3
inline constexpr const char* kDataFolder = "Data";
inline constexpr std::chrono::milliseconds kIdlePeriod{50};

struct TCoreOptions {
  // Box port number (COMn). Unset: COM3, the default DaqPort; the saved port settings
  // record is not read here (its owner, the serial port settings, reopens the port).
  std::optional<int> daqPort;
};

class QuirloCore {
 public:
  using SplashFn = std::function<void(const std::string&)>;

  QuirloCore(Dispatcher& dispatcher, UiService& ui, TCoreOptions options = {});
  ~QuirloCore();  // runs Shutdown when it has not run
  QuirloCore(const QuirloCore&) = delete;
  QuirloCore& operator=(const QuirloCore&) = delete;

  // Reads the delimiter, makes sure "Data" exists (throws SettingsFolderError "Cannot
  // create <path>" otherwise: the program must not start), loads the channel table with
  // its splash messages, opens the box port, starts the idle computation, then loads the
  // calibration records (sending the quadrature mask to the box) and the filter records.
  // A calibration or filter folder that cannot be made is reported and start-up goes on.
  void Startup(const SplashFn& splash = {});
  // Starts the 20 ms master timer; called once the main window is on screen.
  void StartMasterTimer();
  // Writes the delimiter, saves the channel table (demonstration names put back first),
  // stops filtering and saves the calibration and filter records, closes the port, the
  // simulator feed and the timers. Safe to call twice.
  void Shutdown();

  // Hooks of the once-a-second jobs and the serial input poll; set before
  // StartMasterTimer. pollBox is the core's own and is not replaced.
  TTimerHooks& TimerHooks() { return timerHooks_; }
  // Math, reset and broadcast hooks of the computation; set before Startup.
  // Without resetTotal, a total reset goes to the box link through the calibration
  // stage (ResetTotal).
  void SetComputationHooks(TComputationHooks hooks);

  TAcquisitionState& State() { return state_; }
  TChannelComputation& Computation() { return computation_; }
  TMcb& Mcb() { return mcb_; }
  TInputCalibration& Calibration() { return calibration_; }
  TInputFilters& Filters() { return filters_; }
  TTimerModule* MasterTimer() { return timer_.get(); }
  TSaver& Saver() { return saver_; }

  std::filesystem::path DataFolder() const;
  std::string Delimiter() const { return state_.Delimiter.Get(); }
  void SetDelimiter(std::string delimiter) { state_.Delimiter.Set(std::move(delimiter)); }

  // "R&un Data Simulator" and "&Run Coiled Tubing Demo".
  void SetSimulator(bool on);
  bool SimulatorOn() const { return mcb_.SimulatorOn(); }
  void SetDemo(bool on) { computation_.SetDemo(on); }
  bool DemoOn() const { return computation_.DemoOn(); }

  // The clock label's once-a-second tick: StatusText[2] = "CPU n%", StatusText[3] = the
  // clock caption. Returns the CPU percentage (for the chart's refresh rate).
  int ClockTick(const std::string& clockCaption);

  // Live data again after a replay: clears ReplayActive and ReplayComplete (restoring
  // "temp.rcf" belongs to the settings manager).
  void ResumeAcquisition();

  bool IsStarted() const { return started_; }

 private:
  void StartIdleTimer();

  Dispatcher& dispatcher_;
  UiService& ui_;
  TCoreOptions options_;
  TSaver saver_;
  TAcquisitionState state_;
  TChannelComputation computation_{state_};
  TInputCalibration calibration_{state_};
  TInputFilters filters_{state_, computation_};
  TInputPipeline pipeline_{state_, calibration_, filters_};
  TMcb mcb_{pipeline_, dispatcher_, ui_};
  TTimerHooks timerHooks_;
  std::unique_ptr<TTimerModule> timer_;
  PeriodicTimer idleTimer_;
  TCpuMeter cpu_;
  bool started_ = false;
  bool delimiterRead_ = false;
  bool tableLoaded_ = false;
  bool inputsLoaded_ = false;
  bool filtersLoaded_ = false;
  bool shutDown_ = false;
};

}  // namespace quirlo::acquisition
