#include "quirlo/presentation/qt/main_form.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QDateTime>
#include <QFrame>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QPainter>
#include <QResizeEvent>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>

#include "quirlo/acquisition/app_settings.h"
#include "quirlo/platform/program_folder.h"
#include "quirlo/presentation/clock_format.h"
#include "quirlo/presentation/main_menu_table.h"
#include "quirlo/presentation/qt/splash_form.h"
#include "quirlo/presentation/splash_texts.h"

namespace quirlo::presentation {

namespace {

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

// Simple drawn images for the recorder button: a red dot to record, a dark square to stop.
QIcon RecorderIcon(int imageIndex) {
  QPixmap pm(24, 24);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  if (imageIndex == RecordingCaptionsFor(true).imageIndex) {
    p.setBrush(QColor(40, 40, 40));
    p.drawRect(5, 5, 14, 14);
  } else {
    p.setBrush(QColor(200, 30, 30));
    p.drawEllipse(4, 4, 16, 16);
  }
  return QIcon(pm);
}

QStyle::StandardPixmap ButtonImage(std::string_view command) {
  static const std::map<std::string_view, QStyle::StandardPixmap> images = {
      {"FileAppend", QStyle::SP_FileDialogContentsView},
      {"EditBtnClick", QStyle::SP_FileDialogDetailedView},
      {"ChartReset", QStyle::SP_DialogResetButton},
      {"TagBtnClick", QStyle::SP_FileDialogInfoView},
      {"FileOpen", QStyle::SP_DialogOpenButton},
      {"FilePrint", QStyle::SP_FileIcon},
      {"ExportChartData", QStyle::SP_DialogSaveButton},
      {"EditSetup", QStyle::SP_ComputerIcon},
      {"FileExit", QStyle::SP_DialogCloseButton},
      {"LoadWindowClick", QStyle::SP_DirOpenIcon},
      {"NewWindowClick", QStyle::SP_FileDialogNewFolder},
      {"Stop", QStyle::SP_MediaStop},
      {"Rewind", QStyle::SP_MediaSeekBackward},
      {"Play", QStyle::SP_MediaPlay},
      {"FastFwd", QStyle::SP_MediaSeekForward},
  };
  const auto it = images.find(command);
  return it == images.end() ? QStyle::SP_TitleBarMenuButton : it->second;
}

// A status bar panel of a set width. The file panel is the one that gives way when the bar is
// too narrow; the others keep their widths, and a panel that fits its text (CPU, clock) widens
// rather than cut its centred text at both ends.
class TStatusPanel : public QLabel {
 public:
  enum class Kind { Fixed, Shrinking, FitsText };
  TStatusPanel(int width, Qt::Alignment align, Kind kind, QWidget* parent)
      : QLabel(parent), width_(width), kind_(kind) {
    setAlignment(align | Qt::AlignVCenter);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
  }
  void SetWidth(int width) {
    width_ = width;
    updateGeometry();
  }
  QSize sizeHint() const override {
    const QSize text = QLabel::sizeHint();
    return {kind_ == Kind::FitsText ? std::max(width_, text.width()) : width_, text.height()};
  }
  QSize minimumSizeHint() const override {
    return {kind_ == Kind::Shrinking ? 0 : sizeHint().width(), QLabel::minimumSizeHint().height()};
  }

 private:
  int width_;
  Kind kind_;
};

}  // namespace

TMainForm::TMainForm(acquisition::QuirloCore& core, UiService& ui, TSplashForm* splash,
                     QWidget* parent)
    : QMainWindow(parent), core_(core), ui_(ui), splash_(splash) {
  setObjectName("MainForm");
  setWindowTitle(Q(kApplicationTitle));
  commands_ = std::make_unique<TMainCommands>(ui, static_cast<TMainView&>(*this), ProgramFolder());
  TMainHooks& h = commands_->Hooks();
  h.setStatus = [this](int panel, const std::string& text) {
    core_.State().StatusText.Set(panel, text);
  };
  h.endReplay = [this] { core_.ResumeAcquisition(); };
  h.writeDelimiter = [this] {
    TiniSettings ini;
    acquisition::WriteDelimiter(ini, core_.Delimiter());
  };

  BuildClient();
  BuildMenus();
  BuildToolBars();
  BuildStatusBar();
  BuildReplayBar();
  RestoreToolbarLayout();
  // The main chart's settings record belongs to the chart; until it exists the chart keeps
  // its defaults and there is nothing to back up.
  if (splash_) splash_->ShowStatus("Restoring chart settings...");
  ShowStatusTexts();
  connect(&clock_, &QTimer::timeout, this, &TMainForm::ClockTick);
  clock_.start(1000);
}

TMainForm::~TMainForm() {
  clock_.stop();
  SaveToolbarLayout();
}

void TMainForm::BuildClient() {
  client_ = new QWidget(this);
  client_->setObjectName("Client");
  setCentralWidget(client_);
  chart_ = new QFrame(client_);
  chart_->setObjectName("MCF");
  chart_->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  const Rect c = kInitialChartRect;
  chart_->setGeometry(c.left, c.top, c.width, c.height);
  panel_ = new QFrame(client_);
  panel_->setObjectName("ReadoutPanel");
  panel_->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
  panel_->resize(kReadoutPanelWidth, kReadoutPanelHeight);
  client_->installEventFilter(this);
}

void TMainForm::BuildMenus() {
  for (const MenuDef& menuDef : MainMenus()) {
    QMenu* menu = menuBar()->addMenu(Q(menuDef.title));
    for (const MenuItemDef& item : menuDef.items) {
      if (item.IsSeparator()) {
        menu->addSeparator();
        continue;
      }
      auto* action = new QAction(Q(item.caption), this);
      const std::string name(item.action);
      action->setObjectName(Q(item.action));
      action->setEnabled(item.enabledAtStart);
      action->setCheckable(item.checkable);
      connect(action, &QAction::triggered, this,
              [this, name](bool checked) { RunCommand(name, checked); });
      menu->addAction(action);
      actions_[action->objectName()] = action;
    }
  }
}

void TMainForm::BuildToolBars() {
  for (const ToolBarDef& barDef : MainToolBars()) {
    auto* bar = new QToolBar(Q(barDef.title), this);
    bar->setObjectName(Q(barDef.name));
    bar->setProperty("bandId", barDef.bandId);
    bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    // Bands move within the tool bar area only: that area is what the layout record keeps
    // and what the chart and readout panel are placed below.
    bar->setMovable(true);
    bar->setAllowedAreas(Qt::TopToolBarArea);
    bar->setFloatable(false);
    for (const ToolButtonDef& b : barDef.buttons) {
      auto* button = new QToolButton(bar);
      button->setObjectName(Q(b.name));
      button->setText(Q(b.caption));
      // The hint shows as a tool tip only: the status bar keeps its four panels.
      button->setToolTip(Q(b.hint));
      button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
      button->setIcon(style()->standardIcon(ButtonImage(b.command)));
      const std::string command(b.command);
      if (QAction* action = Action(Q(command))) {
        // The button is bound to the action: it follows its enabled state and triggers it.
        button->setEnabled(action->isEnabled());
        connect(action, &QAction::enabledChanged, button, &QWidget::setEnabled);
        connect(button, &QToolButton::clicked, action, [action] { action->trigger(); });
      } else {
        connect(button, &QToolButton::clicked, this, [this, command] { RunCommand(command); });
      }
      if (command == "FileNew") recordButton_ = button;
      bar->addWidget(button);
    }
    addToolBar(Qt::TopToolBarArea, bar);
    toolBars_.push_back(bar);
  }
  // The menu item keeps its "&Record..." until the recorder first changes state.
  const int image = commands_->Captions().imageIndex;
  Action("FileNew")->setIcon(RecorderIcon(image));
  recordButton_->setIcon(RecorderIcon(image));
}

void TMainForm::BuildReplayBar() {
  replayBar_ = new QToolBar(Q(kReplayBarTitle), this);
  replayBar_->setObjectName("ReplayBar");
  replayBar_->setWindowTitle(Q(kReplayBarTitle));
  replayBar_->setWindowFlags(Qt::Tool);
  auto* group = new QActionGroup(replayBar_);
  group->setExclusive(true);
  for (const ReplayButtonDef& b : ReplayButtons()) {
    auto* action = replayBar_->addAction(style()->standardIcon(ButtonImage(b.name)), Q(b.name));
    action->setObjectName(Q(b.name));
    action->setCheckable(true);
    action->setChecked(b.checkedAtStart);
    group->addAction(action);
    const std::string handler = std::string(b.name) + "Click";
    connect(action, &QAction::triggered, this, [this, handler] { RunHook(handler); });
  }
  replayBar_->hide();
}

void TMainForm::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  for (int i = 0; i < TStatusPanels::kCount; ++i) {
    using Kind = TStatusPanel::Kind;
    const bool centred = i >= 2;
    const Kind kind = centred ? Kind::FitsText : i == 1 ? Kind::Shrinking : Kind::Fixed;
    auto* panel = new TStatusPanel(panelWidths_.Width(i),
                                   centred ? Qt::AlignHCenter : Qt::AlignLeft, kind, bar);
    panel->setObjectName(QString("Panel%1").arg(i));
    bar->addWidget(panel);
    panels_[i] = panel;
  }
  bar->installEventFilter(this);
}

QAction* TMainForm::Action(const QString& name) const {
  const auto it = actions_.find(name);
  return it == actions_.end() ? nullptr : it->second;
}

QLabel* TMainForm::StatusPanel(int index) const {
  return index >= 0 && index < TStatusPanels::kCount ? panels_[index] : nullptr;
}

void TMainForm::SetCommandHook(const std::string& command, std::function<void()> fn) {
  hooks_[command] = std::move(fn);
}

void TMainForm::RunHook(const std::string& command) {
  const auto it = hooks_.find(command);
  if (it != hooks_.end() && it->second) it->second();
}

void TMainForm::RunCommand(const std::string& command, bool checked) {
  TMainCommands& c = *commands_;
  if (command == "FileNew") c.FileNewExecute();
  else if (command == "FileAppend") c.FileAppendExecute();
  else if (command == "FileOpen") c.FileOpenExecute();
  else if (command == "FileGraph") c.FileGraphExecute();
  else if (command == "FileReplay") c.FileReplayExecute();
  else if (command == "FileResume") c.FileResumeExecute();
  else if (command == "FileExit") c.FileExitExecute();
  else if (command == "TagBtnClick") c.TagBtnClick();
  else if (command == "HelpAbout") c.HelpAboutExecute();
  else if (command == "HelpContents") c.HelpContentsExecute();
  else if (command == "EditSimulator") core_.SetSimulator(checked);
  else if (command == "EditCTDemo") core_.SetDemo(checked);
  // "&Reset All Totals" asks for the reset value in the Reset Value dialog when one is
  // hooked; without it every resettable channel restarts at 0 at once.
  else if (command == "ResetAll" && !hooks_.count(command)) core_.Computation().ResetAll();
  else if (command == "ChartReset") ClearChart();
  else RunHook(command);
}

void TMainForm::ApplyRecordingCaptions(const RecordingCaptions& captions) {
  if (QAction* record = Action("FileNew")) {
    record->setText(Q(captions.actionCaption));
    record->setIcon(RecorderIcon(captions.imageIndex));
  }
  if (recordButton_) {
    recordButton_->setText(Q(captions.buttonCaption));
    recordButton_->setToolTip(Q(captions.buttonHint));
    recordButton_->setIcon(RecorderIcon(captions.imageIndex));
  }
  if (QAction* append = Action("FileAppend")) append->setEnabled(captions.appendEnabled);
}

void TMainForm::SetResumeEnabled(bool enabled) {
  if (QAction* resume = Action("FileResume")) resume->setEnabled(enabled);
}

int TMainForm::ToolBarAreaHeight() const {
  return client_->geometry().top() - (menuBar() ? menuBar()->height() : 0);
}

void TMainForm::ShowReplayBar(bool visible) {
  if (QAction* play = replayBar_->findChild<QAction*>("Play")) play->setChecked(true);
  if (visible && !replayBarPlaced_) {
    // Floated once over the chart; afterwards it stays where the user puts it. The position
    // counts from below the menu bar, the top of the window's client area.
    const Point at = ReplayBarPosition(
        {chart_->x(), chart_->y(), chart_->width(), chart_->height()}, ToolBarAreaHeight());
    replayBar_->move(mapToGlobal(QPoint(at.x, at.y + menuBar()->height())));
    replayBarPlaced_ = true;
  }
  replayBar_->setVisible(visible);
}

void TMainForm::HaltReplayDisplay() {
  if (QAction* stop = replayBar_->findChild<QAction*>("Stop")) stop->setChecked(true);
  RunHook("SetDisplayStopped");
}

void TMainForm::ClearChart() { RunHook("ClearChart"); }

void TMainForm::ShowAbout() {
  if (splash_) splash_->ShowAbout();
}

void TMainForm::ApplyLayout() {
  // The client widget already lies between the tool bars and the status bar, so both
  // heights are 0 in its coordinates.
  const MainLayout l = ComputeMainLayout(client_->width(), client_->height(), 0, 0);
  chart_->setGeometry(l.chart.left, l.chart.top, l.chart.width, l.chart.height);
  panel_->setGeometry(l.panel.left, l.panel.top, l.panel.width, l.panel.height);
}

bool TMainForm::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::Resize) {
    if (watched == client_) {
      ApplyLayout();
    } else if (watched == statusBar()) {
      const auto* r = static_cast<QResizeEvent*>(e);
      if (r->oldSize().isValid()) {
        panelWidths_.BarResized(r->oldSize().width(), r->size().width());
        static_cast<TStatusPanel*>(panels_[1])->SetWidth(panelWidths_.Width(1));
      }
    }
  }
  return QMainWindow::eventFilter(watched, e);
}

void TMainForm::ShowStatusTexts() {
  const auto texts = core_.State().StatusText.GetAll();
  for (int i = 0; i < TStatusPanels::kCount; ++i) panels_[i]->setText(Q(texts[i]));
}

QString ClockCaption(const QDateTime& now, const QLocale& locale) {
  const std::string longTime = WithoutTimeZone(locale.timeFormat(QLocale::LongFormat).toStdString());
  return locale.toString(now.date(), QLocale::ShortFormat) + " " +
         locale.toString(now.time(), QString::fromStdString(longTime));
}

void TMainForm::ClockTick() {
  const int percent =
      core_.ClockTick(ClockCaption(QDateTime::currentDateTime(), QLocale()).toStdString());
  ShowStatusTexts();
  if (cpuListener_) cpuListener_(percent);
}

std::vector<TBandPlacement> TMainForm::CurrentBands() const {
  std::vector<QToolBar*> bars = toolBars_;
  std::stable_sort(bars.begin(), bars.end(), [](QToolBar* a, QToolBar* b) {
    return std::pair(a->y(), a->x()) < std::pair(b->y(), b->x());
  });
  std::vector<TBandPlacement> bands;
  for (size_t i = 0; i < bars.size(); ++i) {
    const bool startsRow = i == 0 || bars[i]->y() != bars[i - 1]->y();
    bands.push_back({bars[i]->property("bandId").toInt(), bars[i]->width(), startsRow});
  }
  return bands;
}

void TMainForm::PlaceToolBars(const std::vector<TBandPlacement>& bands) {
  for (QToolBar* bar : toolBars_) removeToolBar(bar);
  for (const TBandPlacement& band : bands) {
    const auto it = std::find_if(toolBars_.begin(), toolBars_.end(), [&](QToolBar* b) {
      return b->property("bandId").toInt() == band.id;
    });
    if (it == toolBars_.end()) continue;
    if (band.startsRow && band.id != bands.front().id) addToolBarBreak(Qt::TopToolBarArea);
    addToolBar(Qt::TopToolBarArea, *it);
    (*it)->show();
  }
}

void TMainForm::RestoreToolbarLayout() {
  std::vector<int> ids;
  for (QToolBar* bar : toolBars_) ids.push_back(bar->property("bandId").toInt());
  // The current layout goes in first, so a missing file changes nothing.
  acquisition::TToolbarLayout record = RecordFromBands(CurrentBands());
  try {
    if (!acquisition::LoadToolbarLayout(core_.Saver(), record)) return;
  } catch (const SettingsFolderError& e) {
    // Start-up goes on with the current layout.
    ui_.MessageBox(e.what(), std::string(kApplicationTitle), MsgIcon::Error, MsgButtons::Ok);
    return;
  }
  if (const auto bands = BandsFromRecord(record, ids)) PlaceToolBars(*bands);
}

void TMainForm::SaveToolbarLayout() {
  try {
    acquisition::SaveToolbarLayout(core_.Saver(), RecordFromBands(CurrentBands()));
  } catch (const SettingsFolderError& e) {
    ui_.MessageBox(e.what(), std::string(kApplicationTitle), MsgIcon::Error, MsgButtons::Ok);
  }
}

void TMainForm::closeEvent(QCloseEvent* e) {
  if (commands_->CloseQuery()) {
    // The program ends with its main window: no floating bar or about box keeps it alive.
    replayBar_->hide();
    if (splash_) splash_->hide();
    e->accept();
  } else {
    e->ignore();
  }
}

}  // namespace quirlo::presentation
