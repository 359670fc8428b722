// CAutoSelectEdit: the pointer coming over the box focuses it with all text selected; while
// the box keeps the focus, pointer movement leaves the user's selection alone.

#include <QEnterEvent>
#include <QVBoxLayout>
#include <QtTest>

#include "dialogs/CAutoSelectEdit.h"

namespace {

// Sends the pointer onto the box from outside it, as the window system does.
void enter(QWidget* widget) {
  QPointF inside(5, 5);
  QEnterEvent event(inside, widget->mapTo(widget->window(), inside), widget->mapToGlobal(inside));
  QApplication::sendEvent(widget, &event);
}

void move(QWidget* widget, QPoint at) {
  QMouseEvent event(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                    Qt::NoModifier);
  QApplication::sendEvent(widget, &event);
}

}  // namespace

class AutoSelectEditTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void pointerOverAnotherBoxFocusesItWithAllTextSelected();
  void pointerMovesInsideTheFocusedBoxKeepTheUserSelection();
  void clickingAfterwardsPlacesTheCaret();
  void keyboardFocusMovedAwayIsTakenBackByThePointer();
  void disabledBoxIgnoresThePointer();

 private:
  QWidget* window_ = nullptr;
  CAutoSelectEdit* first_ = nullptr;
  CAutoSelectEdit* second_ = nullptr;
};

void AutoSelectEditTest::init() {
  window_ = new QWidget;
  auto* layout = new QVBoxLayout(window_);
  first_ = new CAutoSelectEdit;
  first_->setText("320");
  second_ = new CAutoSelectEdit;
  second_->setText("12345");
  layout->addWidget(first_);
  layout->addWidget(second_);
  window_->show();
  window_->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(window_));
  first_->setFocus();
  QVERIFY(first_->hasFocus());
}

void AutoSelectEditTest::cleanup() { delete window_; }

void AutoSelectEditTest::pointerOverAnotherBoxFocusesItWithAllTextSelected() {
  QVERIFY(!second_->hasSelectedText());
  QTest::mouseMove(second_, QPoint(4, 4));
  QVERIFY(second_->hasFocus());
  QCOMPARE(second_->selectedText(), QStringLiteral("12345"));
  QTest::keyClicks(second_, "77");
  QCOMPARE(second_->text(), QStringLiteral("77"));  // typing replaces the value
}

void AutoSelectEditTest::pointerMovesInsideTheFocusedBoxKeepTheUserSelection() {
  enter(second_);
  QVERIFY(second_->hasFocus());
  second_->setSelection(1, 2);
  move(second_, QPoint(8, 5));
  move(second_, QPoint(12, 6));
  enter(second_);  // leaving and coming back while it keeps the focus
  QCOMPARE(second_->selectedText(), QStringLiteral("23"));
}

void AutoSelectEditTest::clickingAfterwardsPlacesTheCaret() {
  enter(second_);
  QVERIFY(second_->hasSelectedText());
  QTest::mouseClick(second_, Qt::LeftButton, Qt::NoModifier, QPoint(2, second_->height() / 2));
  QVERIFY(!second_->hasSelectedText());
  QCOMPARE(second_->cursorPosition(), 0);
}

void AutoSelectEditTest::keyboardFocusMovedAwayIsTakenBackByThePointer() {
  enter(second_);
  QVERIFY(second_->hasFocus());
  first_->setFocus(Qt::TabFocusReason);
  first_->deselect();
  move(second_, QPoint(6, 6));  // the pointer never left the box
  QVERIFY(second_->hasFocus());
  QCOMPARE(second_->selectedText(), QStringLiteral("12345"));
}

void AutoSelectEditTest::disabledBoxIgnoresThePointer() {
  second_->setEnabled(false);
  enter(second_);
  move(second_, QPoint(6, 6));
  QVERIFY(first_->hasFocus());
  QVERIFY(!second_->hasSelectedText());
}

QTEST_MAIN(AutoSelectEditTest)
#include "tst_dialogs_autoselect.moc"
