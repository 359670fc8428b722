// The progress window of long operations: owner disabled while up and given back on every
// way out, the cancel latch, the percentage rule, event pumping, and harmlessness without
// a window.
#include <QDialog>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "dialogs/CStageProgressDlg.h"
#include "dialogs/QtFeedback.h"

// Counts the paints of a progress window that show the busy form (bar hidden).
class BusyPaintProbe final : public QObject {
 public:
  explicit BusyPaintProbe(QWidget* window) : window_(window) { window->installEventFilter(this); }
  int busyPaints = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint && window_->findChild<QProgressBar*>()->isHidden())
      ++busyPaints;
    return false;
  }

 private:
  QWidget* window_;
};

class ProgressDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    owner_ = std::make_unique<QMainWindow>();
    owner_->resize(300, 200);
    owner_->show();
  }
  void cleanup() { owner_.reset(); }

  void createDisablesOwnerAndDestroyEnablesIt() {
    CStageProgressDlg dialog(owner_.get());
    QVERIFY(dialog.create());
    QVERIFY(dialog.window()->isVisible());
    QCOMPARE(dialog.window()->windowTitle(), QStringLiteral("レンダリング"));
    QVERIFY(!owner_->isEnabled());
    QVERIFY(dialog.window()->isEnabled());
    dialog.destroy();
    QVERIFY(owner_->isEnabled());
    QVERIFY(dialog.window() == nullptr);
  }

  void withoutOwnerTheMainWindowIsDisabled() {
    CStageProgressDlg dialog;
    QVERIFY(dialog.create());
    QVERIFY(!owner_->isEnabled());
    dialog.destroy();
    QVERIFY(owner_->isEnabled());
  }

  void destructionGivesTheOwnerBack() {
    {
      CStageProgressDlg dialog(owner_.get());
      QVERIFY(dialog.create());
      QVERIFY(!owner_->isEnabled());
    }
    QVERIFY(owner_->isEnabled());
  }

  void theOwnerIsTheActiveWindowAgainAfterwards() {
    owner_->show();
    owner_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(owner_.get()));
    CStageProgressDlg dialog(owner_.get());
    QVERIFY(dialog.create());
    QTRY_COMPARE(QApplication::activeWindow(), dialog.window());
    dialog.destroy();
    QTRY_COMPARE(QApplication::activeWindow(), owner_.get());
  }

  void anOwnerDisabledBeforehandStaysDisabled() {
    owner_->setEnabled(false);
    CStageProgressDlg dialog(owner_.get());
    QVERIFY(dialog.create());
    QVERIFY(!dialog.holdsOwnerDisabled());
    dialog.destroy();
    QVERIFY(!owner_->isEnabled());
  }

  void twoPressesBeforeAPollGiveOneCancel() {
    CStageProgressDlg dialog(owner_.get());
    QVERIFY(dialog.create());
    QVERIFY(!dialog.pollCancel());
    QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
    QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
    QVERIFY(dialog.pollCancel());
    QVERIFY(!dialog.pollCancel());
    QVERIFY(dialog.window()->isVisible());  // only the caller closes it
  }

  void escapeRequestsCancelAndKeepsTheWindow() {
    CStageProgressDlg dialog(owner_.get());
    QVERIFY(dialog.create());
    QTest::keyClick(dialog.window(), Qt::Key_Escape);
    QVERIFY(dialog.window()->isVisible());
    QVERIFY(dialog.pollCancel());
    QVERIFY(!dialog.pollCancel());
  }

  void closingTheWindowOnlyRequestsCancel() {
    CStageProgressDlg dialog(owner_.get());
    QVERIFY(dialog.create());
    QVERIFY(!dialog.window()->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    dialog.window()->close();
    QVERIFY(dialog.window()->isVisible());
    QVERIFY(dialog.pollCancel());
  }

  void percentageRule_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("shown");
    QTest::newRow("zero") << 0 << QStringLiteral("0%");
    QTest::newRow("thirty-seven") << 37 << QStringLiteral("37%");
    QTest::newRow("ninety-nine") << 99 << QStringLiteral("99%");
    QTest::newRow("hundred exactly") << 100 << QStringLiteral("100%");
    QTest::newRow("hundred fifty wraps") << 150 << QStringLiteral("50%");
    QTest::newRow("two hundred wraps to zero") << 200 << QStringLiteral("0%");
    QTest::newRow("negative keeps its sign") << -5 << QStringLiteral("-5%");
  }
  void percentageRule() {
    QFETCH(int, position);
    QFETCH(QString, shown);
    CStageProgressDlg dialog(owner_.get());
    QVERIFY(dialog.create());
    QCOMPARE(dialog.percentText(), QStringLiteral(" 0 %"));
    dialog.setProgress(position);
    QCOMPARE(dialog.percentText(), shown);
  }

  void setProgressReturnsThePreviousPosition() {
    CStageProgressDlg dialog(owner_.get());
    QVERIFY(dialog.create());
    QCOMPARE(dialog.setProgress(10), 0);
    QCOMPARE(dialog.setProgress(20), 10);
  }

  void progressRunsPendingEventsWithoutWaiting() {
    CStageProgressDlg dialog(owner_.get());
    QVERIFY(dialog.create());
    bool ran = false;
    QTimer::singleShot(0, this, [&ran] { ran = true; });
    QElapsedTimer clock;
    clock.start();
    dialog.setProgress(1);
    QVERIFY(ran);
    QVERIFY(clock.elapsed() < 1000);
  }

  // Between positions the queue is dispatched by time, not at every poll: a press of
  // cancel that arrives as a window event is seen within a few milliseconds of polling.
  void aCancelArrivingBetweenPositionsIsSeenWithinMilliseconds() {
    CStageProgressDlg dialog(owner_.get());
    QVERIFY(dialog.create());
    dialog.setProgress(0);
    constexpr int kPressAfter = 5;  // ms
    QElapsedTimer clock;
    clock.start();
    QTimer::singleShot(kPressAfter, this, [&] { dialog.cancelButton()->click(); });
    while (!dialog.pollCancel()) {
      if (clock.elapsed() > 5000) QFAIL("the cancel was never seen");
    }
    QVERIFY2(clock.elapsed() < kPressAfter + 50, qPrintable(QString::number(clock.elapsed())));
  }

  void messageCaptionAndBusyNotice() {
    CStageProgressDlg dialog(owner_.get());
    QVERIFY(dialog.create());
    dialog.setCaption("DXF 形式で保存");
    dialog.setMessage("ソートをおこなっています。");
    QCOMPARE(dialog.window()->windowTitle(), QStringLiteral("DXF 形式で保存"));
    QCOMPARE(dialog.messageText(), QStringLiteral("ソートをおこなっています。"));
    dialog.showBusyOnly();
    QVERIFY(!dialog.cancelButton()->isEnabled());
  }

  // The depth sort lets no event run, so its notice must be painted before it begins.
  void busyNoticeIsPaintedBeforeTheWorkBegins() {
    CStageProgressDlg dialog(owner_.get());
    QVERIFY(dialog.create());
    dialog.setMessage("ソートをおこなっています。");
    BusyPaintProbe probe(dialog.window());
    dialog.showBusyOnly();
    QVERIFY(probe.busyPaints > 0);  // counted before showBusyOnly returned
  }

  void everyCallIsHarmlessWithoutAWindow() {
    CStageProgressDlg dialog(owner_.get());
    dialog.setCaption("x");
    dialog.setMessage("y");
    QCOMPARE(dialog.setProgress(50), 0);
    QVERIFY(!dialog.pollCancel());
    dialog.showBusyOnly();
    dialog.destroy();
    QVERIFY(owner_->isEnabled());
  }

  void feedbackOpensProgressWindowsOverItsOwner() {
    QtFeedback feedback(owner_.get());
    auto progress = feedback.openProgress();
    QVERIFY(progress->create());
    QVERIFY(!owner_->isEnabled());
    progress.reset();
    QVERIFY(owner_->isEnabled());
  }

 private:
  std::unique_ptr<QMainWindow> owner_;
};

QTEST_MAIN(ProgressDialogTest)
#include "tst_progress_dialog.moc"
