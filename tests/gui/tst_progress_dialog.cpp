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

#include <functional>
#include <string>
#include <vector>

#include "dialogs/CStageProgressDlg.h"
#include "dialogs/QtFeedback.h"
#include "engine/TerrainRenderer.h"
#include "raster/DibImage.h"

// The window's progress windows with the messages recorded instead of shown in a modal box.
class WindowProgressFeedback final : public UserFeedback {
 public:
  explicit WindowProgressFeedback(QWidget* owner) : windows_(owner) {}
  std::vector<std::string> messages;
  std::function<void()> onMessage;
  void showMessage(std::string_view text, MessageIcon) override {
    messages.emplace_back(text);
    if (onMessage) onMessage();
  }
  std::unique_ptr<StageProgress> openProgress() override { return windows_.openProgress(); }

 private:
  QtFeedback windows_;
};

// Textures big enough that each stage runs for a while (4.5 million triangles).
inline DibImage stageTexture(bool bump) {
  DibImage image;
  image.create(1500, 1500);
  for (int i = 0; i < 1500 * 1500; ++i)
    image.pixels()[i] =
        bump ? makeColor(std::uint32_t(i * 7 % 251), 0, 0) : Color(i * 2654435761u & 0xFFFFFFu);
  return image;
}

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

  // The stages with the window's own progress windows: a cancel pressed during each ends
  // it with its message within 50 ms, and the window's timers and paints run meanwhile.
  void stagesSeeCancelAndKeepTheWindowAlive_data() {
    QTest::addColumn<int>("stage");
    QTest::newRow("subdivision") << 0;
    QTest::newRow("colour averaging") << 1;
    QTest::newRow("transform") << 2;
    QTest::newRow("lighting") << 4;
  }
  void stagesSeeCancelAndKeepTheWindowAlive() {
    QFETCH(int, stage);
    static const DibImage surface = stageTexture(false), bump = stageTexture(true);
    WindowProgressFeedback feedback(owner_.get());
    TerrainRenderer r;
    r.setFeedback(&feedback);
    r.settings.viewpoint = {-300, -300, 900};  // every triangle in view
    r.settings.lookAt = {750, 750, 0};
    const std::function<bool()> stages[] = {
        [&] { return r.buildMesh(MeshPurpose::Rendering, surface, bump, 1500, 1500); },
        [&] { return r.averageColors(); }, [&] { return r.transformVertices(); },
        [&] { return r.sortPolygons(); }, [&] { return r.applyLighting(); }};
    for (int s = 0; s < stage; ++s) QVERIFY(stages[s]());

    // A timer of the main window keeps ticking and the main window keeps painting; a few
    // ticks into the stage, cancel is pressed.
    QElapsedTimer clock;
    clock.start();
    int ticks = 0;
    qint64 lastTick = 0, longestGap = 0, pressedAt = -1;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, this, [&] {
      const qint64 now = clock.elapsed();
      if (ticks++ > 0) longestGap = std::max(longestGap, now - lastTick);
      lastTick = now;
      owner_->update();
      if (pressedAt >= 0 || ticks < 3) return;
      for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* button = w->isVisible() ? w->findChild<QPushButton*>() : nullptr;
        if (button == nullptr || !button->isEnabled()) continue;
        pressedAt = now;
        button->click();
      }
    });
    ticker.start(1);
    qint64 end = -1;  // when the cancel message came
    feedback.onMessage = [&] { end = clock.elapsed(); };
    QVERIFY(!stages[stage]());
    ticker.stop();
    QCOMPARE(feedback.messages, std::vector<std::string>{"レンダリングを中止します。"});
    QVERIFY(pressedAt >= 0 && end >= pressedAt);
    QVERIFY2(end - pressedAt < 50, qPrintable(QString::number(end - pressedAt)));
    // Dispatched all along, with no long pause (a generous bound: a machine's first touch
    // of a model's memory may stall it a while).
    QVERIFY2(longestGap < 250, qPrintable(QString::number(longestGap)));
  }

 private:
  std::unique_ptr<QMainWindow> owner_;
};

QTEST_MAIN(ProgressDialogTest)
#include "tst_progress_dialog.moc"
