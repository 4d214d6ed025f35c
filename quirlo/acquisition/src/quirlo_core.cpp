#include "quirlo/acquisition/quirlo_core.h"

namespace quirlo::acquisition {

namespace {
constexpr const char* kAppTitle = "QUIRLO";
}

QuirloCore::QuirloCore(Dispatcher& dispatcher, UiService& ui, TCoreOptions options)
    : dispatcher_(dispatcher), ui_(ui), options_(options) {
  mcb_.SetDelimiter(&state_.Delimiter);
  calibration_.SetBoxCommands({[this](uint8_t mask) { mcb_.SendQuadratureMask(mask); },
                               [this](int index) { mcb_.ResetCount(index); }});
  SetComputationHooks({});
}

QuirloCore::~QuirloCore() {
  try {
    Shutdown();
  } catch (...) {
    // A destructor reports nothing further: Shutdown's own steps do not throw.
  }
}

void QuirloCore::SetComputationHooks(TComputationHooks hooks) {
  if (!hooks.resetTotal) {
    hooks.resetTotal = [this](int index) { calibration_.ResetTotal(index); };
  }
  computation_.SetHooks(std::move(hooks));
}

std::filesystem::path QuirloCore::DataFolder() const { return saver_.FolderPath(kDataFolder); }

void QuirloCore::Startup(const SplashFn& splash) {
  if (started_) return;
  auto show = [&](const char* text) {
    if (splash) splash(text);
  };

  // Main window: the delimiter, then the "Data" folder, without which the program does
  // not start (SettingsFolderError carries "Cannot create <path>").
  TiniSettings ini;
  state_.Delimiter.Set(ReadDelimiter(ini));
  delimiterRead_ = true;
  saver_.EnsureFolder(kDataFolder);

  // Data channel assignment: the channel table. A folder that cannot be created is
  // reported and start-up goes on with the defaults, which are then not saved over
  // whatever the user had.
  show("Restoring channel settings...");
  try {
    TChannelTable table = DefaultChannelTable();
    LoadChannelTable(saver_, table);
    {
      std::lock_guard lock(state_.AcquisitionLock);
      state_.Table = table;
    }
    tableLoaded_ = true;
  } catch (const SettingsFolderError& e) {
    ui_.MessageBox(e.what(), kAppTitle, MsgIcon::Error, MsgButtons::Ok);
  }
  show("Backing up channel settings...");
  computation_.ReloadTable();
  StartIdleTimer();

  // Acquisition box link.
  mcb_.OpenPort(options_.daqPort.value_or(kDefaultDaqPort));

  // Digital, frequency and analog input setups with their filters. The frequency
  // records' quadrature mask goes to the box just opened.
  for (const std::string& error : calibration_.Load(saver_, splash)) {
    ui_.MessageBox(error, kAppTitle, MsgIcon::Error, MsgButtons::Ok);
  }
  inputsLoaded_ = true;
  try {
    filters_.Load(saver_);
    filtersLoaded_ = true;
  } catch (const SettingsFolderError& e) {
    ui_.MessageBox(e.what(), kAppTitle, MsgIcon::Error, MsgButtons::Ok);
  }
  started_ = true;
}

void QuirloCore::StartIdleTimer() {
  idleTimer_.Start(kIdlePeriod, [this] {
    // The first analog frame ends the idle period for good.
    if (!computation_.IdleTick()) idleTimer_.Stop();
  });
}

void QuirloCore::StartMasterTimer() {
  if (timer_) return;
  TTimerHooks hooks = timerHooks_;
  hooks.pollBox = [this] { mcb_.Poll(); };
  timer_ = std::make_unique<TTimerModule>(dispatcher_, std::move(hooks));
  timer_->Start();
}

void QuirloCore::Shutdown() {
  if (shutDown_) return;
  shutDown_ = true;
  if (delimiterRead_) {
    TiniSettings ini;
    WriteDelimiter(ini, state_.Delimiter.Get());
  }
  idleTimer_.Stop();
  // The demonstration's names are never saved: the user's own go back first.
  computation_.RestoreDemoNames();
  if (tableLoaded_) {
    TChannelTable table;
    {
      std::lock_guard lock(state_.AcquisitionLock);
      table = state_.Table;
    }
    SaveChannelTable(saver_, table);
  }
  // The input setups and their filters save their records as they go; frames that still
  // arrive are no longer filtered or handed on. Calibration kinds whose folder failed at
  // start-up are not saved over (the stage keeps track).
  filters_.StopFiltering();
  if (inputsLoaded_) calibration_.Save(saver_);
  if (filtersLoaded_) filters_.Save(saver_);
  mcb_.ClosePort();
  if (mcb_.SimulatorOn()) mcb_.StopSimulator();
  if (timer_) timer_->Stop();
}

void QuirloCore::SetSimulator(bool on) {
  if (on) {
    mcb_.StartSimulator();
  } else {
    mcb_.StopSimulator();
  }
}

int QuirloCore::ClockTick(const std::string& clockCaption) {
  const int percent = cpu_.Sample();
  state_.StatusText.Set(TStatusTexts::Cpu, "CPU " + std::to_string(percent) + "%");
  state_.StatusText.Set(TStatusTexts::Clock, clockCaption);
  return percent;
}

void QuirloCore::ResumeAcquisition() {
  state_.RunFlags.ReplayActive.store(false);
  state_.RunFlags.ReplayComplete.store(false);
}

}  // namespace quirlo::acquisition
