// The main window on the offscreen platform, over a real acquisition core in a temporary
// program folder with a scripted user.
#include <gtest/gtest.h>

#include "qt_print.h"

#include <QApplication>
#include <QEnterEvent>
#include <QLabel>
#include <QMenuBar>
#include <QRegularExpression>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <filesystem>
#include <fstream>

#include "quirlo/acquisition/app_settings.h"
#include "quirlo/platform/program_folder.h"
#include "quirlo/presentation/main_menu_table.h"
#include "quirlo/presentation/qt/main_form.h"
#include "quirlo/presentation/qt/splash_form.h"
#include "quirlo/presentation/toolbar_layout.h"

namespace quirlo::presentation {
namespace {

namespace fs = std::filesystem;

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

class QguiMainForm : public testing::Test {
 protected:
  QguiMainForm() {
    home_ = fs::path(testing::TempDir()) /
            ("qgui_form_" + std::string(testing::UnitTest::GetInstance()
                                            ->current_test_info()
                                            ->name()));
    fs::remove_all(home_);
    fs::create_directories(home_);
    SetProgramFolder(home_);
    qputenv("QUIRLO_HOME", QByteArray::fromStdString(home_.string()));
  }
  ~QguiMainForm() override { fs::remove_all(home_); }

  std::unique_ptr<TMainForm> MakeForm() {
    return std::make_unique<TMainForm>(core_, ui_, &splash_);
  }

  fs::path home_;
  ScriptedUiService ui_;
  ImmediateDispatcher dispatcher_;
  acquisition::QuirloCore core_{dispatcher_, ui_, acquisition::TCoreOptions{0}};
  TSplashForm splash_;
};

TEST_F(QguiMainForm, MenusToolBarsAndReplayBarMatchTheCommandTables) {
  auto form = MakeForm();
  EXPECT_EQ(form->windowTitle(), "QUIRLO");
  const auto menus = form->menuBar()->actions();
  ASSERT_EQ(menus.size(), qsizetype(MainMenus().size()));
  for (size_t m = 0; m < MainMenus().size(); ++m) {
    const MenuDef& def = MainMenus()[m];
    EXPECT_EQ(menus[m]->text(), Q(def.title));
    const auto items = menus[m]->menu()->actions();
    ASSERT_EQ(items.size(), qsizetype(def.items.size())) << def.title;
    for (size_t i = 0; i < def.items.size(); ++i) {
      EXPECT_EQ(items[i]->isSeparator(), def.items[i].IsSeparator()) << def.title << " " << i;
      EXPECT_EQ(items[i]->text(), Q(def.items[i].caption)) << def.title << " " << i;
    }
  }
  EXPECT_FALSE(form->Action("FileResume")->isEnabled());
  EXPECT_EQ(form->Action("FileResume")->text(), "Res&ume Data Acquisition");
  EXPECT_TRUE(form->Action("EditSimulator")->isCheckable());
  EXPECT_TRUE(form->Action("EditCTDemo")->isCheckable());

  const auto bars = form->ToolBars();
  ASSERT_EQ(bars.size(), MainToolBars().size());
  QStringList seen;
  for (QToolBar* bar : bars) {
    EXPECT_EQ(form->toolBarArea(bar), Qt::TopToolBarArea);
    EXPECT_EQ(bar->allowedAreas(), Qt::TopToolBarArea);
    EXPECT_FALSE(bar->isFloatable());
  }
  for (QToolBar* bar : bars)
    for (QToolButton* b : bar->findChildren<QToolButton*>(QString(), Qt::FindDirectChildrenOnly))
      if (!b->objectName().startsWith("qt_")) seen << b->text() + "|" + b->toolTip();
  EXPECT_EQ(seen, QStringList({"Record|Begin a new recording",
                               "Append|Begin recording to an existing file ",
                               "Editor|Edit chart type", "Clear|Reset chart",
                               "Tag|Add an event tag to the chart",
                               "Edit|Open a file in a spreadsheet", "Print|Print this chart",
                               "Export|Export chart data or image to a file",
                               "Setup|Go to QUIRLO setup", "Exit|",
                               "Open Window |Open a saved window",
                               "New Window|Create a new window"}));

  QToolBar* replay = form->ReplayBar();
  EXPECT_EQ(replay->windowTitle(), "Replay Controls");
  EXPECT_FALSE(replay->isVisible());
  QStringList replayButtons;
  for (QAction* a : replay->actions()) replayButtons << a->objectName() + (a->isChecked() ? "*" : "");
  EXPECT_EQ(replayButtons, QStringList({"Stop", "Rewind", "Play*", "FastFwd"}));
}

TEST_F(QguiMainForm, StatusBarPanelsAndClockTick) {
  auto form = MakeForm();
  const int widths[] = {170, 635, 60, 50};
  const char* texts[] = {"Recorder: STOPPED", "untitled.csv", "CPU", "time"};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(form->StatusPanel(i)->text(), texts[i]);
    EXPECT_EQ(form->StatusPanel(i)->sizeHint().width(), widths[i]);
  }
  EXPECT_TRUE(form->StatusPanel(2)->alignment() & Qt::AlignHCenter);
  EXPECT_TRUE(form->StatusPanel(3)->alignment() & Qt::AlignHCenter);

  // Other parts write StatusText at any time; the panels follow at the next tick.
  core_.State().StatusText.Set(0, "Recorder: RECORDING");
  EXPECT_EQ(form->StatusPanel(0)->text(), "Recorder: STOPPED");
  int cpu = -1;
  form->SetCpuListener([&](int p) { cpu = p; });
  form->ClockTick();
  EXPECT_EQ(form->StatusPanel(0)->text(), "Recorder: RECORDING");
  EXPECT_TRUE(QRegularExpression("^CPU \\d+%$").match(form->StatusPanel(2)->text()).hasMatch())
      << form->StatusPanel(2)->text().toStdString();
  EXPECT_GE(cpu, 0);
  EXPECT_NE(form->StatusPanel(3)->text(), "time");
  EXPECT_FALSE(form->StatusPanel(3)->text().isEmpty());
  // The clock: short date and long time as a wall clock shows them, no time zone.
  const QDateTime at(QDate(2026, 12, 11), QTime(13, 5, 32));
  EXPECT_EQ(ClockCaption(at, QLocale("en_US")), "12/11/26 1:05:32 PM");
  EXPECT_EQ(ClockCaption(at, QLocale("de_DE")), "11.12.26 13:05:32");

  // The file panel follows the width of the status bar.
  form->resize(1000, 700);
  form->show();
  QApplication::processEvents();

  // Pointing at a tool button shows its hint as a tool tip; the panels stay in view.
  for (QToolBar* bar : form->ToolBars())
    for (QToolButton* b : bar->findChildren<QToolButton*>()) {
      QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
      QApplication::sendEvent(b, &enter);
      EXPECT_EQ(form->statusBar()->currentMessage(), "") << b->text().toStdString();
    }
  EXPECT_TRUE(form->StatusPanel(0)->isVisible());
  // The CPU and clock panels keep their widths but widen for a text that would not fit.
  form->ClockTick();
  QApplication::processEvents();
  for (int i : {2, 3}) {
    const QLabel* p = form->StatusPanel(i);
    EXPECT_GE(p->contentsRect().width(), p->fontMetrics().horizontalAdvance(p->text()))
        << p->text().toStdString();
    EXPECT_GE(p->width(), widths[i]);
  }
  const int before = form->StatusPanel(1)->sizeHint().width();
  const int barBefore = form->statusBar()->width();
  form->resize(1300, 700);
  QApplication::processEvents();
  EXPECT_EQ(form->StatusPanel(1)->sizeHint().width() - before,
            form->statusBar()->width() - barBefore);
}

TEST_F(QguiMainForm, RecordButtonFollowsRecordingStateAndStops) {
  auto form = MakeForm();
  QToolButton* record = form->findChild<QToolButton*>("Record");
  QToolButton* append = form->findChild<QToolButton*>("Append");
  form->SetRecordingState(true);
  EXPECT_EQ(record->text(), "Stop");
  EXPECT_EQ(record->toolTip(), "Stop recording");
  EXPECT_EQ(form->Action("FileNew")->text(), "Stop Recording");
  EXPECT_FALSE(form->Action("FileAppend")->isEnabled());
  EXPECT_FALSE(append->isEnabled());

  core_.State().StatusText.Set(0, "Recorder: RECORDING");
  core_.State().StatusText.Set(1, "/x/run.csv");
  record->click();  // caption "Stop": stops, no dialog
  EXPECT_EQ(ui_.CallCount(), 0u);
  EXPECT_EQ(core_.State().StatusText.Get(0), "Recorder: STOPPED");
  EXPECT_EQ(core_.State().StatusText.Get(1), "untitled.csv");

  form->SetRecordingState(false);
  EXPECT_EQ(record->text(), "Record");
  EXPECT_EQ(form->Action("FileNew")->text(), "Record...");
  EXPECT_TRUE(append->isEnabled());
  record->click();  // caption "Record": the save dialog (cancelled by the script)
  ASSERT_EQ(ui_.CallCount(), 1u);
  EXPECT_EQ(ui_.Calls()[0].caption, "Record a new file");
}

TEST_F(QguiMainForm, CommandsReachCoreAndHooks) {
  auto form = MakeForm();
  form->Action("EditCTDemo")->trigger();
  EXPECT_TRUE(core_.DemoOn());
  form->Action("EditCTDemo")->trigger();
  EXPECT_FALSE(core_.DemoOn());

  int exports = 0;
  form->SetCommandHook("ExportChartData", [&] { ++exports; });
  form->findChild<QToolButton*>("ExportBtn")->click();
  form->findChild<QToolButton*>("NewWindowBtn")->click();  // no hook yet: nothing
  EXPECT_EQ(exports, 1);

  // "Reset All Totals" resets at once until the Reset Value dialog is hooked; then it only
  // opens that dialog, and the reset waits for the user's "Reset".
  auto pending = [&] {
    std::lock_guard lock(core_.State().AcquisitionLock);
    return core_.State().State.ResetPending[0];
  };
  form->Action("ResetAll")->trigger();
  EXPECT_EQ(pending(), 1);
  {
    std::lock_guard lock(core_.State().AcquisitionLock);
    core_.State().State.ResetPending.fill(0);
  }
  int resetDialogs = 0;
  form->SetCommandHook("ResetAll", [&] { ++resetDialogs; });
  form->Action("ResetAll")->trigger();
  EXPECT_EQ(resetDialogs, 1);
  EXPECT_EQ(pending(), 0);

  form->Action("HelpContents")->trigger();
  ASSERT_EQ(ui_.CallCount(), 1u);
  EXPECT_EQ(ui_.Calls()[0].kind, UiCall::Kind::MessageBox);

  form->Action("HelpAbout")->trigger();
  EXPECT_TRUE(splash_.isVisible());
  EXPECT_TRUE(splash_.Dismissable());

  form->ShowReplayBar(true);
  EXPECT_TRUE(form->ReplayBar()->isVisible());
  form->HaltReplayDisplay();
  EXPECT_TRUE(form->ReplayBar()->findChild<QAction*>("Stop")->isChecked());
  form->Action("FileResume")->setEnabled(true);
  form->Action("FileResume")->trigger();
  EXPECT_FALSE(form->ReplayBar()->isVisible());
  EXPECT_FALSE(form->Action("FileResume")->isEnabled());
}

TEST_F(QguiMainForm, LayoutPinsReadoutPanelRightAndChartFills) {
  auto form = MakeForm();
  form->resize(1280, 900);
  form->show();
  QApplication::processEvents();
  const QWidget* client = form->centralWidget();
  const QRect panel = form->ReadoutPanel()->geometry();
  const QRect chart = form->Chart()->geometry();
  EXPECT_EQ(panel.width(), 192);
  EXPECT_EQ(panel.left(), client->width() - 192 - 1);
  EXPECT_EQ(panel.top(), 8);
  EXPECT_EQ(chart.topLeft(), QPoint(0, 5));
  EXPECT_EQ(chart.width(), panel.left() - 1);
  EXPECT_EQ(chart.height(), client->height() - 5);
  EXPECT_EQ(panel.height(), chart.height() - 9);

  // The replay bar floats over the chart's first quarter when a replay first shows it, with
  // Play checked; where the user then moves it, it stays for the next replay.
  QToolBar* replay = form->ReplayBar();
  replay->findChild<QAction*>("Stop")->setChecked(true);
  form->ShowReplayBar(true);
  QApplication::processEvents();
  const int toolBarHeight = client->y() - form->menuBar()->height();
  EXPECT_EQ(replay->pos(), form->mapToGlobal(QPoint(chart.width() / 4 + 40,
                                                    form->menuBar()->height() + toolBarHeight + 50)));
  EXPECT_TRUE(replay->findChild<QAction*>("Play")->isChecked());
  const QPoint moved = replay->pos() + QPoint(300, 200);
  replay->move(moved);
  form->ShowReplayBar(false);
  EXPECT_FALSE(replay->isVisible());
  form->ShowReplayBar(true);
  QApplication::processEvents();
  EXPECT_EQ(replay->pos(), moved);
}

TEST_F(QguiMainForm, ToolbarLayoutIsSavedAndRestored) {
  {
    auto form = MakeForm();
  }
  const fs::path record = home_ / "bars" / "bars.txt";
  ASSERT_TRUE(fs::exists(record));
  EXPECT_EQ(fs::file_size(record), 52u);

  // A stored layout with the bands reversed, the last two on a row of their own.
  const auto layout = RecordFromBands({{4, 100, true}, {3, 100, false}, {2, 100, true},
                                       {1, 100, false}});
  std::ofstream(record, std::ios::binary).write(reinterpret_cast<const char*>(&layout), 52);
  auto form = MakeForm();
  form->resize(1280, 900);
  form->show();
  QApplication::processEvents();
  const auto bars = form->ToolBars();  // in band id order 1..4
  EXPECT_LT(bars[3]->x(), bars[2]->x());
  EXPECT_EQ(bars[3]->y(), bars[2]->y());
  EXPECT_LT(bars[1]->x(), bars[0]->x());
  EXPECT_LT(bars[2]->y(), bars[1]->y());
}

TEST_F(QguiMainForm, StartUpMessagesOnSplashAndCloseWritesDelimiter) {
  splash_.show();
  auto form = MakeForm();
  EXPECT_EQ(splash_.Status()->text(), "Restoring chart settings...");
  core_.Startup([this](const std::string& text) { splash_.ShowStatus(Q(text)); });
  // The input setups restore theirs after the channel table; the analog one comes last.
  EXPECT_EQ(splash_.Status()->text(), "Backing up analog input settings...");
  EXPECT_FALSE(splash_.Dismissable());
  core_.SetDelimiter("\t");
  EXPECT_TRUE(form->close());
  std::ifstream ini(home_ / "settings.ini");
  const std::string text((std::istreambuf_iterator<char>(ini)), {});
  EXPECT_NE(text.find("Delimiter=T"), std::string::npos) << text;
  core_.Shutdown();
}

}  // namespace
}  // namespace quirlo::presentation
