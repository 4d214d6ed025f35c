#include <gtest/gtest.h>

#include "qt_print.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "quirlo/presentation/qt/input_dialog.h"
#include "quirlo/presentation/qt/note_list_box.h"
#include "quirlo/presentation/qt/numedit.h"
#include "quirlo/presentation/qt/splash_form.h"

namespace quirlo::presentation {
namespace {

TEST(QguiQtNumEdit, ShowsAutoSetValueAndRefusesJunk) {
  TNumEdit edit;
  EXPECT_EQ(edit.text(), "0");
  EXPECT_EQ(edit.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
  edit.AutoSet(-250);
  EXPECT_EQ(edit.Decimals(), 1);
  EXPECT_EQ(edit.text(), "-250.0");
  edit.setText("abc");
  emit edit.editingFinished();
  EXPECT_EQ(edit.text(), "-250.0");
  EXPECT_EQ(edit.Value(), -250);
  edit.setText("12.345");
  emit edit.editingFinished();
  EXPECT_EQ(edit.Value(), 12.345);
  EXPECT_EQ(edit.text(), "12.3");
}

// Runs `action` on the dialog once it is shown modally.
void WhenShown(TInputDialog& dlg, std::function<void()> action) {
  QTimer::singleShot(0, &dlg, [&dlg, action] {
    ASSERT_TRUE(dlg.isVisible());
    action();
  });
}

TEST(QguiQtInputDialog, OkReturnsTextCancelReturnsDefault) {
  TInputDialog dlg;
  WhenShown(dlg, [&] {
    EXPECT_EQ(dlg.windowTitle(), "Event Tag");
    EXPECT_EQ(dlg.Label()->text(), "Enter a tag for this event.");
    EXPECT_EQ(dlg.Edit()->text(), "old");
    dlg.Edit()->setText("new");
    dlg.OKBtn()->click();
  });
  EXPECT_EQ(dlg.Ask("Event Tag", "Enter a tag for this event.", "old"), "new");
  EXPECT_TRUE(dlg.Accepted());

  WhenShown(dlg, [&] {
    dlg.Edit()->setText("typed");
    dlg.CancelBtn()->click();
  });
  EXPECT_EQ(dlg.Ask("T", "P", "12.5"), "12.5");
  EXPECT_FALSE(dlg.Accepted());

  // Another window takes the focus (one the modal dialog does not block: its own child).
  bool stillOpen = false;
  WhenShown(dlg, [&] {
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    dlg.Edit()->setText("typed");
    auto* other = new QWidget(&dlg, Qt::Window);
    other->show();
    other->activateWindow();
    QTimer::singleShot(5000, &dlg, [&] {  // a dialog that ignored the loss must not hang
      stillOpen = dlg.isVisible();
      dlg.reject();
    });
  });
  EXPECT_EQ(dlg.Ask("T", "P", "kept"), "kept");
  EXPECT_FALSE(dlg.Accepted());
  EXPECT_FALSE(stillOpen);
}

TEST(QguiQtSplashForm, CaptionsAndDismissal) {
  TSplashForm splash;
  EXPECT_EQ(splash.findChild<QLabel*>("Version")->text(), "Version 1.7.2");
  EXPECT_EQ(splash.findChild<QLabel*>("Platform")->text(), "for Linux");
  splash.show();
  splash.ShowStatus("Restoring chart settings...");
  EXPECT_EQ(splash.Status()->text(), "Restoring chart settings...");
  // During start-up neither a click on a text nor a key hides it.
  QTest::mouseClick(splash.Status(), Qt::LeftButton);
  QTest::keyClick(&splash, Qt::Key_Space);
  EXPECT_TRUE(splash.isVisible());
  splash.hide();

  splash.ShowAbout();
  EXPECT_TRUE(splash.isVisible());
  QTest::mouseClick(splash.findChild<QLabel*>("Version"), Qt::LeftButton);
  EXPECT_FALSE(splash.isVisible());
  splash.ShowAbout();
  QTest::keyClick(&splash, Qt::Key_A);
  EXPECT_FALSE(splash.isVisible());
}

TEST(QguiQtNoteListBox, LeftDragMovesTheListAndSelectsNothing) {
  QWidget chart;
  chart.resize(400, 300);
  auto* list = new TMyTntListBox(&chart);
  list->addItems({"tag 1", "tag 2"});
  list->setGeometry(10, 10, 120, 80);
  chart.show();
  QWidget* vp = list->viewport();
  const QPoint start(20, 10);
  QTest::mousePress(vp, Qt::LeftButton, {}, start);
  QMouseEvent move(QEvent::MouseMove, QPointF(start + QPoint(30, 25)),
                   QPointF(vp->mapToGlobal(start + QPoint(30, 25))), Qt::NoButton,
                   Qt::LeftButton, {});
  QApplication::sendEvent(vp, &move);
  QTest::mouseRelease(vp, Qt::LeftButton, {}, start + QPoint(30, 25));
  EXPECT_EQ(list->pos(), QPoint(40, 35));

  // Dragged far past the chart's edge, the point held stays on the chart.
  const QPoint held = vp->mapTo(&chart, start);
  QTest::mousePress(vp, Qt::LeftButton, {}, start);
  const QPoint far = vp->mapToGlobal(start) + QPoint(2000, 2000);
  QMouseEvent away(QEvent::MouseMove, QPointF(vp->mapFromGlobal(far)), QPointF(far), Qt::NoButton,
                   Qt::LeftButton, {});
  QApplication::sendEvent(vp, &away);
  QTest::mouseRelease(vp, Qt::LeftButton, {}, vp->mapFromGlobal(far));
  EXPECT_EQ(list->pos() + (held - QPoint(40, 35)), QPoint(399, 299));
  QTest::mouseDClick(vp, Qt::LeftButton, {}, start);
  QTest::mouseClick(vp, Qt::RightButton, {}, start);
  EXPECT_TRUE(list->selectedItems().isEmpty());
}

}  // namespace
}  // namespace quirlo::presentation
