// TMainForm: Quirlo's main window.
//
// Menus, the four tool bars, the floating replay bar and the status bar are built from the
// command tables; what a command does is decided by TMainCommands or by the acquisition core,
// and commands that belong to parts not yet present run a hook (SetCommandHook) or nothing.
// The main chart and the readout panel are placeholder frames that already follow the
// window's layout rules.
#pragma once

#include <QDateTime>
#include <QLocale>
#include <QMainWindow>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "quirlo/acquisition/quirlo_core.h"
#include "quirlo/presentation/main_commands.h"
#include "quirlo/presentation/main_layout.h"
#include "quirlo/presentation/toolbar_layout.h"

class QFrame;
class QLabel;
class QToolBar;
class QToolButton;

namespace quirlo::presentation {

class TSplashForm;

// The clock label's caption: the locale's short date and long time, without a time zone.
QString ClockCaption(const QDateTime& now, const QLocale& locale);

class TMainForm : public QMainWindow, private TMainView {
  Q_OBJECT
 public:
  // Builds the window; restores the tool bar layout and reports its steps on the splash.
  TMainForm(acquisition::QuirloCore& core, UiService& ui, TSplashForm* splash,
            QWidget* parent = nullptr);
  // Saves the tool bar layout record.
  ~TMainForm() override;

  TMainCommands& Commands() { return *commands_; }
  // Runs `fn` for a command whose part is not built into the window (an action name such as
  // "FilePrint", or a handler such as "ExportChartData", "NewWindowClick", "StopClick").
  void SetCommandHook(const std::string& command, std::function<void()> fn);
  // Receives the CPU percentage of every clock tick (the display hub adapts its rate to it).
  void SetCpuListener(std::function<void(int percent)> fn) { cpuListener_ = std::move(fn); }

  // Operations for other parts of the program.
  void SetRecordingState(bool on) { commands_->SetRecordingState(on); }
  void ResumeAcquisition() { commands_->FileResumeExecute(); }
  void ShowReplayBar(bool visible) override;
  void HaltReplayDisplay();
  void ClearChart() override;

  // The clock's once-a-second tick: CPU and clock texts, then all four panels from StatusText.
  void ClockTick();

  QAction* Action(const QString& name) const;
  QToolBar* ReplayBar() const { return replayBar_; }
  QLabel* StatusPanel(int index) const;
  QFrame* Chart() const { return chart_; }
  QFrame* ReadoutPanel() const { return panel_; }
  std::vector<QToolBar*> ToolBars() const { return toolBars_; }

 protected:
  void closeEvent(QCloseEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void BuildMenus();
  void BuildToolBars();
  void BuildReplayBar();
  void BuildStatusBar();
  void BuildClient();
  void RestoreToolbarLayout();
  void SaveToolbarLayout();
  std::vector<TBandPlacement> CurrentBands() const;
  void PlaceToolBars(const std::vector<TBandPlacement>& bands);
  void ApplyLayout();
  void ShowStatusTexts();
  int ToolBarAreaHeight() const;

  void RunCommand(const std::string& command, bool checked = false);
  void RunHook(const std::string& command);

  // TMainView
  void ApplyRecordingCaptions(const RecordingCaptions& captions) override;
  void SetResumeEnabled(bool enabled) override;
  double LastChartX() override { return 0.0; }  // the placeholder chart has no points
  void ShowAbout() override;
  void CloseWindow() override { close(); }

  acquisition::QuirloCore& core_;
  UiService& ui_;
  TSplashForm* splash_;
  std::unique_ptr<TMainCommands> commands_;
  std::map<std::string, std::function<void()>> hooks_;
  std::function<void(int)> cpuListener_;
  std::map<QString, QAction*> actions_;
  std::vector<QToolBar*> toolBars_;
  QToolButton* recordButton_ = nullptr;
  QToolBar* replayBar_ = nullptr;
  bool replayBarPlaced_ = false;  // placed at its first showing, as the window is on screen
  QLabel* panels_[TStatusPanels::kCount] = {};
  TStatusPanels panelWidths_;
  QWidget* client_ = nullptr;
  QFrame* chart_ = nullptr;
  QFrame* panel_ = nullptr;
  QTimer clock_;
};

}  // namespace quirlo::presentation
