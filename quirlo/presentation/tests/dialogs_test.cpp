// The dialog wrappers, the Qt user-interface service and the Qt dispatcher, driven through the
// dialogs they really open.
#include <gtest/gtest.h>

#include <QApplication>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFontDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <filesystem>
#include <thread>

#include "qt_print.h"
#include "quirlo/presentation/qt/dialog_wrappers.h"
#include "quirlo/presentation/qt/input_dialog.h"
#include "quirlo/presentation/qt/qt_dispatcher.h"
#include "quirlo/presentation/qt/qt_ui_service.h"

namespace quirlo::presentation {
namespace {

namespace fs = std::filesystem;

// Runs `action` on the modal dialog as soon as it is up (retrying until it is).
void OnModal(std::function<void(QWidget*)> action) {
  auto* timer = new QTimer;
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, action] {
    if (QWidget* w = QApplication::activeModalWidget()) {
      timer->stop();
      timer->deleteLater();
      action(w);
    }
  });
  timer->start();
}

fs::path TempFolder(const char* name) {
  const fs::path p = fs::path(testing::TempDir()) / name;
  fs::remove_all(p);
  fs::create_directories(p);
  return p;
}

TEST(QguiDialogs, ColorPickReturnsChosenColourOnlyOnOk) {
  TColorPick pick;
  pick.color = QColor(10, 20, 30);
  OnModal([](QWidget* w) {
    auto* dlg = qobject_cast<QColorDialog*>(w);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(dlg->currentColor(), QColor(10, 20, 30));
    EXPECT_EQ(QColorDialog::customColor(15), QColor(Qt::black));
    dlg->setCurrentColor(QColor(200, 100, 50));
    dlg->accept();
  });
  EXPECT_TRUE(pick.Execute());
  EXPECT_EQ(pick.color, QColor(200, 100, 50));
  EXPECT_EQ(ToColorRef(pick.color), 0x003264C8u);  // stored as 0x00BBGGRR

  OnModal([](QWidget* w) { static_cast<QDialog*>(w)->reject(); });
  EXPECT_FALSE(pick.Execute());
  EXPECT_EQ(pick.color, QColor(200, 100, 50));
}

TEST(QguiDialogs, ColorPickKeepsItsOwnCustomColours) {
  TColorPick pick;
  OnModal([](QWidget* w) {
    QColorDialog::setCustomColor(3, QColor(255, 0, 0));  // the user adds a custom colour
    static_cast<QDialog*>(w)->accept();
  });
  ASSERT_TRUE(pick.Execute());
  EXPECT_EQ(pick.customColors[3], QColor(255, 0, 0));

  // Another request starts black; the first one shows its colour again next time.
  TColorPick other;
  QColor seen;
  OnModal([&](QWidget* w) {
    seen = QColorDialog::customColor(3);
    static_cast<QDialog*>(w)->reject();
  });
  other.Execute();
  EXPECT_EQ(seen, QColor(Qt::black));
  OnModal([&](QWidget* w) {
    seen = QColorDialog::customColor(3);
    static_cast<QDialog*>(w)->reject();
  });
  pick.Execute();
  EXPECT_EQ(seen, QColor(255, 0, 0));
}

TEST(QguiDialogs, FontPickTakesFaceSizeStyleAndKeepsColour) {
  TFontStyle font;
  font.face = "DejaVu Sans";
  font.size = 10;
  font.color = MakeColorRef(1, 2, 3);
  OnModal([](QWidget* w) {
    auto* fonts = w->findChild<QFontDialog*>();
    ASSERT_NE(fonts, nullptr);
    QFont chosen = fonts->currentFont();
    chosen.setPointSize(14);
    chosen.setUnderline(true);
    chosen.setStrikeOut(true);
    fonts->setCurrentFont(chosen);
    static_cast<QDialog*>(w)->accept();
  });
  TFontPick pick;
  ASSERT_TRUE(pick.Execute(font));
  EXPECT_EQ(font.face, "DejaVu Sans");
  EXPECT_EQ(font.size, 14);
  EXPECT_TRUE(font.underline);
  EXPECT_TRUE(font.strikeOut);
  EXPECT_EQ(font.color, MakeColorRef(1, 2, 3));

  const TFontStyle before = font;
  OnModal([](QWidget* w) { static_cast<QDialog*>(w)->reject(); });
  EXPECT_FALSE(pick.Execute(font));
  EXPECT_EQ(font, before);
}

// Types `path` into the file dialog's name field and presses its accept button.
void TypeAndAccept(QWidget* w, const QString& path) {
  auto* dlg = qobject_cast<QFileDialog*>(w);
  ASSERT_NE(dlg, nullptr);
  auto* edit = dlg->findChild<QLineEdit*>("fileNameEdit");
  ASSERT_NE(edit, nullptr);
  edit->setText(path);
  static_cast<QDialog*>(dlg)->accept();  // QFileDialog::accept checks the typed name
}

TEST(QguiDialogs, SaveFileAddsExtensionAndRefusesMissingFolder) {
  const fs::path dir = TempFolder("qgui_savefile");
  TGetSaveFile save;
  save.title = "Record a new file";
  save.initialDir = QString::fromStdString(dir.string());
  save.defaultExt = "csv";
  save.filter = "Comma separated values (*.csv)|*.csv";
  OnModal([&](QWidget* w) {
    EXPECT_EQ(w->windowTitle(), "Record a new file");
    EXPECT_EQ(static_cast<QFileDialog*>(w)->nameFilters(),
              QStringList{"Comma separated values (*.csv)"});
    TypeAndAccept(w, QString::fromStdString((dir / "run1").string()));
  });
  ASSERT_TRUE(save.Execute(true));
  EXPECT_EQ(save.fileName.toStdString(), (dir / "run1.csv").string());

  // A folder that does not exist: a warning, the dialog stays; then the user cancels.
  bool warned = false;
  OnModal([&](QWidget* w) {
    OnModal([&](QWidget* box) {
      warned = qobject_cast<QMessageBox*>(box) != nullptr &&
               static_cast<QMessageBox*>(box)->text().contains("does not exist");
      static_cast<QDialog*>(box)->accept();
      OnModal([](QWidget* again) { static_cast<QDialog*>(again)->reject(); });
    });
    TypeAndAccept(w, QString::fromStdString((dir / "nowhere" / "x.csv").string()));
  });
  EXPECT_FALSE(save.Execute(false));
  EXPECT_TRUE(warned);
  fs::remove_all(dir);
}

TEST(QguiUiService, MessageBoxAnswersAndOffThreadCallsDoNotWait) {
  TQtUiService ui;
  OnModal([](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->windowTitle(), "File does not exist");
    EXPECT_EQ(box->icon(), QMessageBox::Question);
    box->button(QMessageBox::Ok)->click();
  });
  EXPECT_EQ(ui.MessageBox("Cannot append", "File does not exist", MsgIcon::Question,
                          MsgButtons::OkCancel),
            MsgResult::Ok);

  // From a timer thread: answered as dismissed at once; the box shows later on the Qt thread.
  MsgResult offThread = MsgResult::None;
  std::optional<std::string> path = "unchanged";
  std::string value = "v";
  bool query = true;
  std::thread t([&] {
    offThread = ui.MessageBox("late", "Late", MsgIcon::Error, MsgButtons::YesNo);
    path = ui.SaveFileDialog({});
    query = ui.InputQuery("c", "p", value);
  });
  t.join();
  EXPECT_EQ(offThread, MsgResult::No);
  EXPECT_FALSE(path);
  EXPECT_FALSE(query);
  EXPECT_EQ(value, "v");
  bool shown = false;
  OnModal([&](QWidget* w) {
    shown = static_cast<QMessageBox*>(w)->text() == "late";
    static_cast<QDialog*>(w)->reject();
  });
  QElapsedTimer clock;
  clock.start();
  while (!shown && clock.elapsed() < 5000) QApplication::processEvents(QEventLoop::AllEvents, 20);
  EXPECT_TRUE(shown);
}

TEST(QguiUiService, InputQueryChangesValueOnlyOnOk) {
  TQtUiService ui;
  std::string value = "old";
  OnModal([](QWidget* w) {
    auto* dlg = qobject_cast<TInputDialog*>(w);
    ASSERT_NE(dlg, nullptr);
    dlg->Edit()->setText("new");
    dlg->CancelBtn()->click();
  });
  EXPECT_FALSE(ui.InputQuery("Event Tag", "Enter a tag for this event.", value));
  EXPECT_EQ(value, "old");
  // The closed dialog's loss of activation reaches the platform late; let it pass before the
  // next dialog opens, or it would count as that dialog losing the focus.
  for (int i = 0; i < 5; ++i) QApplication::processEvents(QEventLoop::AllEvents, 10);
  OnModal([](QWidget* w) {
    auto* dlg = qobject_cast<TInputDialog*>(w);
    ASSERT_NE(dlg, nullptr);
    dlg->Edit()->setText("new");
    dlg->OKBtn()->click();
  });
  EXPECT_TRUE(ui.InputQuery("Event Tag", "Enter a tag for this event.", value));
  EXPECT_EQ(value, "new");
}

TEST(QguiQtDispatcher, RunsPostedWorkOnTheQtThreadInOrder) {
  std::vector<int> order;
  std::vector<bool> onQtThread;
  {
    TQtDispatcher dispatcher;
    std::thread t([&] {
      for (int i = 0; i < 3; ++i)
        dispatcher.Post([&, i] {
          order.push_back(i);
          onQtThread.push_back(QThread::currentThread() == qApp->thread());
        });
    });
    t.join();
    EXPECT_TRUE(order.empty());  // nothing runs on the posting thread
    QElapsedTimer clock;
    clock.start();
    while (order.size() < 3 && clock.elapsed() < 5000) QApplication::processEvents();
    dispatcher.Post([&] { order.push_back(99); });  // dropped: the dispatcher goes first
  }
  QApplication::processEvents();
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(onQtThread, (std::vector<bool>{true, true, true}));
}

}  // namespace
}  // namespace quirlo::presentation
