// Quirlo's entry: start-up behind the splash window, the main window, shut-down.
//
// The order matters: the splash shows first and reports what each part restores; the main
// window is built before the acquisition core restores its settings (the core also makes sure
// the "Data" folder exists, without which the program does not start); only when the main
// window is on screen does the 20 ms master timer start, so the first ticks never race the
// window's construction. Shut-down runs the other way round: the window's close query, the
// window (saving its tool bar layout), then the core (delimiter, channel table, port, timers).
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <memory>

#include "quirlo/acquisition/headless.h"
#include "quirlo/acquisition/quirlo_core.h"
#include "quirlo/platform/program_folder.h"
#include "quirlo/presentation/launch_mode.h"
#include "quirlo/presentation/reset_value.h"
#include "quirlo/presentation/qt/input_dialog_set.h"
#include "quirlo/presentation/qt/main_form.h"
#include "quirlo/presentation/qt/qt_dispatcher.h"
#include "quirlo/presentation/qt/qt_ui_service.h"
#include "quirlo/presentation/qt/splash_form.h"
#include "quirlo/presentation/splash_texts.h"

namespace {

using namespace quirlo;
using namespace quirlo::presentation;

std::atomic<bool> stopRequested{false};

extern "C" void RequestStop(int) { stopRequested = true; }

int RunWindows(int argc, char** argv) {
  InitProgramFolder(argc, argv);
  QApplication app(argc, argv);
  app.setApplicationName(QString::fromUtf8(kApplicationTitle.data()));
  const TWindowOptions options = ParseWindowOptions(argc, argv);
  if (!options.error.empty()) {
    std::cerr << "quirlo: " << options.error << "\n"
              << "usage: quirlo [--headless] [--home DIR] [--port N] [--seconds N] [--simulator]"
                 " [--demo]\n";
    return 2;
  }

  TQtDispatcher dispatcher;
  TQtUiService ui;
  TSplashForm splash;
  splash.show();
  splash.ShowStatus("Starting...");
  QApplication::processEvents();

  acquisition::TCoreOptions coreOptions;
  coreOptions.daqPort = options.port;
  acquisition::QuirloCore core(dispatcher, ui, coreOptions);
  // The splash window puts the delimiter to its default before the stored one is read.
  core.SetDelimiter(",");
  auto showStatus = [&splash](const std::string& text) {
    splash.ShowStatus(QString::fromStdString(text));
  };

  // The reset value chosen in the Reset Value dialog is what the computation restarts
  // totals and time-based math channels from; the computation asks for it on the timer
  // thread, so it is hooked in before anything runs.
  TComputationResets resets(core.State(), core.Computation(),
                            {[&core](int index) { core.Calibration().ResetTotal(index); }, {}});
  // Shared with the hook, so a computation step that still runs while this function unwinds
  // never reads a value that is gone.
  const auto resetLogic =
      std::make_shared<TResetValueLogic>(ui, resets, ChannelInfoOf(core.State()));
  acquisition::TComputationHooks computationHooks;
  computationHooks.resetValue = [resetLogic] { return resetLogic->GetResetValue(); };
  core.SetComputationHooks(std::move(computationHooks));

  std::unique_ptr<TMainForm> form;
  std::unique_ptr<TInputDialogSet> inputDialogs;
  try {
    // Without its "Data" folder the program does not start; this is known before the main
    // window restores anything of its own.
    core.Saver().EnsureFolder(acquisition::kDataFolder);
    form = std::make_unique<TMainForm>(core, ui, &splash);
    core.Startup(showStatus);
  } catch (const std::exception& e) {
    splash.hide();
    std::cerr << "quirlo: " << e.what() << "\n";
    QMessageBox box(QMessageBox::Critical, QString::fromUtf8(kApplicationTitle.data()),
                    QString::fromStdString(e.what()), QMessageBox::Ok);
    // --seconds bounds the whole run, the error box included.
    if (options.seconds) QTimer::singleShot(*options.seconds * 1000, &box, &QMessageBox::reject);
    box.exec();
    return 1;
  }
  splash.hide();
  form->showMaximized();
  form->repaint();
  // The input setups (calibration and filter dialogs) and the Reset Value dialog, over the
  // records the core has just loaded; their live values follow the master timer.
  inputDialogs = std::make_unique<TInputDialogSet>(core.State(), core.Calibration(),
                                                   core.Filters(), ui, *resetLogic, form.get());
  inputDialogs->AttachTimer(core.TimerHooks(), dispatcher);
  form->SetCommandHook("ResetAll", [&inputDialogs] { inputDialogs->ResetAllTotals(); });
  // "Setup" leads to the input setups, starting at the analog inputs; their links reach the
  // digital and frequency inputs and every filter. The setup diagram takes this place when
  // it exists.
  form->SetCommandHook("EditSetup", [&inputDialogs, &form] { inputDialogs->ShowAnalogCal(form.get()); });
  core.StartMasterTimer();
  if (options.simulator) form->Action("EditSimulator")->trigger();
  if (options.demo) form->Action("EditCTDemo")->trigger();

  // SIGINT, SIGTERM and --seconds close the window as the user would, so every setting is
  // saved on the way out.
  std::signal(SIGINT, RequestStop);
  std::signal(SIGTERM, RequestStop);
  QTimer stopPoll;
  QObject::connect(&stopPoll, &QTimer::timeout, form.get(), [&form] {
    if (stopRequested) form->close();
  });
  stopPoll.start(100);
  if (options.seconds) QTimer::singleShot(*options.seconds * 1000, form.get(), [&form] {
    form->close();
  });

  const int rc = app.exec();
  // The input dialogs go before the main window that owns them; a refresh the master
  // timer posts after that finds them gone and does nothing.
  inputDialogs.reset();
  form.reset();
  core.Shutdown();
  return rc;
}

}  // namespace

int main(int argc, char** argv) {
  const auto env = [](const char* name) -> std::optional<std::string> {
    const char* v = std::getenv(name);
    if (!v) return std::nullopt;
    return std::string(v);
  };
  if (ChooseLaunchMode(argc, argv, env) == LaunchMode::Headless)
    return acquisition::RunHeadless(argc, argv);
  return RunWindows(argc, argv);
}
