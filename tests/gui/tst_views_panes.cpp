// The render view (sequence setting, tick table, scroll extents, context menu, late
// ticks), the texture view (layout, context menu) and the splash window.
#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include "app/CQnDoc.h"
#include "app/SettingsStore.h"
#include "support/GuiTestTextures.h"
#include "support/RecordingFeedback.h"
#include "support/ScriptedFileChooser.h"
#include "views/CQnRView.h"
#include "views/CQnTView.h"
#include "views/SplashWindow.h"

namespace {

const QString kSequenceKey = QStringLiteral("Settings/Render Sequence");

QString storedSequence() {
  const auto settings = openUserSettings();
  return settings->value(kSequenceKey).toString();
}

void storeSequence(const QVariant& text) {
  const auto settings = openUserSettings();
  if (text.isValid())
    settings->setValue(kSequenceKey, text);
  else
    settings->remove(kSequenceKey);
}

// A widget that counts the key presses and clicks reaching it.
class PressCounter : public QWidget {
 public:
  int keys = 0;
  int clicks = 0;

 protected:
  void keyPressEvent(QKeyEvent*) override { ++keys; }
  void mousePressEvent(QMouseEvent*) override { ++clicks; }
};

}  // namespace

class PanesTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QVERIFY(folder_.isValid());
    useSettingsFolder(folder_.path());
    surface_ = folder_.filePath(QStringLiteral("s.bmp"));
    bump_ = folder_.filePath(QStringLiteral("b.bmp"));
    QVERIFY(writeTestTexture(surface_, 48, 40, false));
    QVERIFY(writeTestTexture(bump_, 48, 40, true));
  }

  void init() {
    feedback_ = std::make_unique<RecordingFeedback>();
    doc_ = std::make_unique<CQnDoc>(chooser_, *feedback_);
  }
  void cleanup() {
    doc_.reset();
    feedback_.reset();
  }

  // --- the render view and the settings store ---

  void sequenceSettingReadAtCreationAndWrittenAtDestruction_data() {
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QList<uint>>("values");
    QTest::addColumn<QString>("written");
    QTest::newRow("absent") << QVariant() << QList<uint>{2000, 20, 256, 50, 600}
                            << "2000,20,256,50,600,0,0,0";
    QTest::newRow("short") << QVariant(QStringLiteral("100,10,5"))
                           << QList<uint>{100, 10, 5, 50, 600} << "100,10,5,50,600,0,0,0";
    QTest::newRow("malformed") << QVariant(QStringLiteral("fast please"))
                               << QList<uint>{2000, 20, 256, 50, 600} << "2000,20,256,50,600,0,0,0";
    QTest::newRow("reserved places written back as 0")
        << QVariant(QStringLiteral("1,2,3,4,5,7,8,9")) << QList<uint>{1, 2, 3, 4, 5}
        << "1,2,3,4,5,0,0,0";
    QTest::newRow("unquoted list in the file")
        << QVariant(QStringList{QStringLiteral("11"), QStringLiteral("12"), QStringLiteral("13")})
        << QList<uint>{11, 12, 13, 50, 600} << "11,12,13,50,600,0,0,0";
  }
  void sequenceSettingReadAtCreationAndWrittenAtDestruction() {
    QFETCH(QVariant, stored);
    QFETCH(QList<uint>, values);
    QFETCH(QString, written);
    storeSequence(stored);
    {
      CQnRView view(*doc_);
      const QList<uint> got{view.startDelay, view.drawInterval, doc_->renderer().drawCount,
                            view.processCount, view.stopTime};
      QCOMPARE(got, values);
      storeSequence(QStringLiteral("overwritten at destruction"));
    }
    QCOMPARE(storedSequence(), written);
  }

  void defaultScreenAndScrollExtent() {
    storeSequence(QVariant());
    CQnRView view(*doc_);
    view.resize(200, 150);
    view.show();
    QCOMPARE(view.scrollTotalSize(), QSize(328, 248));
    const QImage shot = view.viewport()->grab().toImage();
    const QColor face = view.palette().color(QPalette::Button);
    QCOMPARE(shot.pixelColor(2, 2), face);             // the margin shows the button face
    QCOMPARE(shot.pixelColor(4, 4), QColor(0, 0, 0));  // the black default screen
    int w = 0, h = 0;
    QVERIFY(doc_->renderer().getScreenSize(&w, &h));
    QCOMPARE(QSize(w, h), QSize(320, 240));
  }

  void scrollExtentFollowsTheScreenImage() {
    CQnRView view(*doc_);
    doc_->renderer().settings.screenWidth = 640;
    doc_->renderer().settings.screenHeight = 480;
    view.OnUpdate();
    QCOMPARE(view.scrollTotalSize(), QSize(328, 248));  // the settings alone change nothing
    QVERIFY(doc_->renderer().createScreen());
    view.OnUpdate();
    QCOMPARE(view.scrollTotalSize(), QSize(648, 488));
    QCOMPARE(view.scrollPageSize(), QSize(64, 48));
    QCOMPARE(view.scrollLineSize(), QSize(6, 4));
  }

  // Regression: the handles were a tenth of the bar, the page distance, whatever was seen.
  void scrollHandlesShowTheVisibleShareAndPagesMoveATenth() {
    CQnRView view(*doc_);
    doc_->renderer().settings.screenWidth = 640;
    doc_->renderer().settings.screenHeight = 480;
    QVERIFY(doc_->renderer().createScreen());
    view.resize(400, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.OnUpdate();
    QScrollBar* bar = view.horizontalScrollBar();
    const int visible = view.viewport()->width();
    QCOMPARE(bar->pageStep(), visible);
    QCOMPARE(bar->maximum(), 648 - visible);  // handle : groove = visible : 648
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    QCOMPARE(bar->value(), 64);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(bar->value(), 70);
    QTest::keyClick(&view, Qt::Key_PageDown);
    QCOMPARE(view.verticalScrollBar()->value(), 48);
  }

  void tickTableOfTheDefaults() {
    storeSequence(QVariant());
    CQnRView view(*doc_);
    doc_->setRenderView(&view);
    QVERIFY(doc_->model().openTexture(TextureKind::Surface, surface_.toStdString()));
    QVERIFY(doc_->model().openTexture(TextureKind::Bump, bump_.toStdString()));
    QCOMPARE(doc_->model().startRendering(), StartResult::Started);
    doc_->renderer().drawCount = 1;  // enough triangles for two bursts; periods stay the defaults
    QVERIFY(doc_->renderer().polygonCount() > 120);

    view.BeginSequence();
    QCOMPARE(view.sequenceTimerPeriod(), 2000u);
    QCOMPARE(view.burstStep, 0u);
    view.OnTimer();  // 2000: opens the burst, paints nothing
    QCOMPARE(view.burstStep, 1u);
    QCOMPARE(view.sequenceTimerPeriod(), 20u);
    QCOMPARE(doc_->renderer().drawPosition(), 0u);
    for (uint tick = 1; tick <= 50; ++tick) {  // 2020 .. 3000: fifty drawing ticks
      view.OnTimer();
      QCOMPARE(view.burstStep, tick + 1);
      QCOMPARE(view.sequenceTimerPeriod(), 20u);
      QCOMPARE(doc_->renderer().drawPosition(), tick);
    }
    view.OnTimer();  // 3020: 51 > 50, pause
    QCOMPARE(view.burstStep, 0u);
    QCOMPARE(view.sequenceTimerPeriod(), 600u);
    QCOMPARE(doc_->renderer().drawPosition(), 50u);
    view.OnTimer();  // 3620: opens the next burst
    QCOMPARE(view.burstStep, 1u);
    QCOMPARE(view.sequenceTimerPeriod(), 20u);
    view.OnTimer();  // 3640: first drawing tick of the second burst
    QCOMPARE(view.burstStep, 2u);
    QCOMPARE(doc_->renderer().drawPosition(), 51u);
    QVERIFY(view.isSequenceTimerActive());

    doc_->model().stopRendering();
    view.OnTimer();  // the tick after the stop ends the sequence in any phase
    QVERIFY(!view.isSequenceTimerActive());
    QVERIFY(!doc_->renderer().isDrawing());
  }

  void noPausesWhenProcessCountOrStopTimeIsZero_data() {
    QTest::addColumn<uint>("processCount");
    QTest::addColumn<uint>("stopTime");
    QTest::newRow("processCount 0") << 0u << 600u;
    QTest::newRow("stopTime 0") << 50u << 0u;
  }
  void noPausesWhenProcessCountOrStopTimeIsZero() {
    QFETCH(uint, processCount);
    QFETCH(uint, stopTime);
    CQnRView view(*doc_);
    view.processCount = processCount;
    view.stopTime = stopTime;
    view.startDelay = 0;
    QVERIFY(doc_->model().openTexture(TextureKind::Surface, surface_.toStdString()));
    QVERIFY(doc_->model().openTexture(TextureKind::Bump, bump_.toStdString()));
    QCOMPARE(doc_->model().startRendering(), StartResult::Started);
    doc_->renderer().drawCount = 1;
    view.BeginSequence();
    QCOMPARE(view.sequenceTimerPeriod(), 20u);  // startDelay 0 arms with drawInterval
    view.OnTimer();
    for (uint tick = 1; tick <= 60; ++tick) {
      view.OnTimer();
      QCOMPARE(view.burstStep, 1u);
      QCOMPARE(doc_->renderer().drawPosition(), tick);
    }
    doc_->model().stopRendering();
    view.EndSequence();
  }

  void endSequenceKeepsALateTickFromTouchingANewModel() {
    CQnRView view(*doc_);
    QVERIFY(doc_->model().openTexture(TextureKind::Surface, surface_.toStdString()));
    QVERIFY(doc_->model().openTexture(TextureKind::Bump, bump_.toStdString()));
    QCOMPARE(doc_->model().startRendering(), StartResult::Started);
    view.BeginSequence();
    doc_->model().stopRendering();
    view.EndSequence();
    QVERIFY(!view.isSequenceTimerActive());
    // A new model is built while no timer of the old sequence is left to fire.
    QCOMPARE(doc_->model().startRendering(), StartResult::Started);
    QTest::qWait(50);
    QVERIFY(doc_->renderer().isDrawing());
    QCOMPARE(doc_->renderer().drawPosition(), 0u);
    doc_->model().stopRendering();
  }

  void renderContextMenuEnabling() {
    CQnRView view(*doc_);
    auto enabling = [&view] {
      const auto menu = view.makeContextMenu();
      const QList<QAction*> items = menu->actions();
      return QPair<bool, bool>(items.at(0)->isEnabled(), items.at(1)->isEnabled());
    };
    QCOMPARE(enabling(), qMakePair(false, false));  // no textures
    QVERIFY(doc_->model().openTexture(TextureKind::Surface, surface_.toStdString()));
    QCOMPARE(enabling(), qMakePair(false, false));  // one missing
    QVERIFY(doc_->model().openTexture(TextureKind::Bump, bump_.toStdString()));
    QCOMPARE(enabling(), qMakePair(true, false));
    QCOMPARE(doc_->model().startRendering(), StartResult::Started);
    QCOMPARE(enabling(), qMakePair(false, true));
    const auto menu = view.makeContextMenu();
    QCOMPARE(menu->actions().at(0)->text(), QStringLiteral("レンダリング開始(&R)"));
    QCOMPARE(menu->actions().at(1)->text(), QStringLiteral("レンダリング中止(&E)"));
    doc_->model().stopRendering();
  }

  // --- the texture view ---

  void textureLayoutWithoutTextures() {
    CQnTView view(*doc_);
    const auto items = view.layoutItems();
    QCOMPARE(items.size(), size_t{4});
    QCOMPARE(items[0].text, QStringLiteral("表面テクスチャ"));
    QCOMPARE(items[0].position, QPoint(4, 4));
    QCOMPARE(items[0].pixelHeight, 16);
    QVERIFY(items[0].bold);
    QCOMPARE(items[1].text, QStringLiteral("ファイルを開いてください"));
    QCOMPARE(items[1].position, QPoint(4, 22));
    QCOMPARE(items[1].color, QColor(180, 180, 180));
    QCOMPARE(items[1].pixelHeight, 12);
    QCOMPARE(items[2].text, QStringLiteral("バンプテクスチャ"));
    QCOMPARE(items[2].position, QPoint(4, 168));
    QCOMPARE(items[3].text, QStringLiteral("ファイルを開いてください"));
    QCOMPARE(items[3].position, QPoint(4, 186));
  }

  void textureLayoutReductions_data() {
    QTest::addColumn<QSize>("surface");
    QTest::addColumn<QSize>("bump");
    QTest::addColumn<QSize>("surfaceDrawn");
    QTest::addColumn<QSize>("bumpDrawn");
    QTest::newRow("tall surface, small bump")
        << QSize(256, 512) << QSize(100, 80) << QSize(64, 128) << QSize(100, 80);
    QTest::newRow("just over 128 high")
        << QSize(300, 129) << QSize(128, 128) << QSize(297, 128) << QSize(128, 128);
    QTest::newRow("wide and low, never narrowed")
        << QSize(1000, 100) << QSize(2, 2) << QSize(1000, 100) << QSize(2, 2);
  }
  void textureLayoutReductions() {
    QFETCH(QSize, surface);
    QFETCH(QSize, bump);
    QFETCH(QSize, surfaceDrawn);
    QFETCH(QSize, bumpDrawn);
    const QString surfacePath = folder_.filePath(QStringLiteral("ls.bmp"));
    const QString bumpPath = folder_.filePath(QStringLiteral("lb.bmp"));
    QVERIFY(writeTestTexture(surfacePath, surface.width(), surface.height(), false));
    QVERIFY(writeTestTexture(bumpPath, bump.width(), bump.height(), true));
    QVERIFY(doc_->model().openTexture(TextureKind::Surface, surfacePath.toStdString()));
    QVERIFY(doc_->model().openTexture(TextureKind::Bump, bumpPath.toStdString()));
    CQnTView view(*doc_);
    const auto items = view.layoutItems();
    QCOMPARE(items.size(), size_t{6});
    QCOMPARE(items[1].kind, TextureViewItem::Kind::Image);
    QCOMPARE(items[1].position, QPoint(4, 22));
    QCOMPARE(items[1].size, surfaceDrawn);
    QCOMPARE(items[2].text,
             QStringLiteral("サイズ %1×%2").arg(surface.width()).arg(surface.height()));
    QCOMPARE(items[2].position, QPoint(4, 152));
    QCOMPARE(items[3].position, QPoint(4, 168));
    QCOMPARE(items[4].position, QPoint(4, 186));
    QCOMPARE(items[4].size, bumpDrawn);
    QCOMPARE(items[5].position, QPoint(4, 316));
    QCOMPARE(items[5].text, QStringLiteral("サイズ %1×%2").arg(bump.width()).arg(bump.height()));
  }

  void texturePicturePaintedAtItsPlace() {
    QVERIFY(doc_->model().openTexture(TextureKind::Surface, surface_.toStdString()));
    CQnTView view(*doc_);
    view.resize(128, 400);
    const QImage shot = view.grab().toImage();
    const Color first = doc_->model().surfaceImage.pixels()[0];
    QCOMPARE(shot.pixelColor(4, 22),
             QColor(int(redOf(first)), int(greenOf(first)), int(blueOf(first))));
    const Color last = doc_->model().surfaceImage.pixels()[48 * 40 - 1];
    QCOMPARE(shot.pixelColor(4 + 47, 22 + 39),
             QColor(int(redOf(last)), int(greenOf(last)), int(blueOf(last))));
    QCOMPARE(shot.pixelColor(2, 300), view.palette().color(QPalette::Base));
  }

  void textureContextMenuEnablesReloadWhenAPathIsSet() {
    CQnTView view(*doc_);
    auto reloadEnabled = [&view] { return view.makeContextMenu()->actions().at(2)->isEnabled(); };
    const auto menu = view.makeContextMenu();
    QCOMPARE(menu->actions().at(0)->text(), QStringLiteral("表面テクスチャを開く(&T)"));
    QCOMPARE(menu->actions().at(1)->text(), QStringLiteral("バンプテクスチャを開く(&B)"));
    QCOMPARE(menu->actions().at(2)->text(), QStringLiteral("テクスチャを再読み込み(&Q)"));
    QVERIFY(menu->actions().at(0)->isEnabled());
    QVERIFY(menu->actions().at(1)->isEnabled());
    QVERIFY(!reloadEnabled());
    QVERIFY(doc_->model().openTexture(TextureKind::Bump, bump_.toStdString()));
    QVERIFY(reloadEnabled());
  }

  // --- the splash window ---

  void splashConsumesTheFirstKeyAndClosesOnIt() {
    PressCounter main;
    main.resize(200, 100);
    main.show();
    SplashGate gate;
    gate.EnableSplash(true);
    gate.ShowSplash(&main);
    QVERIFY(gate.current() != nullptr);
    QCOMPARE(gate.current()->size(), QSize(256, 192));
    QTest::keyClick(&main, Qt::Key_A);
    QVERIFY(gate.current() == nullptr);
    QCOMPARE(main.keys, 0);
    QTest::keyClick(&main, Qt::Key_A);
    QCOMPARE(main.keys, 1);
  }

  void splashKeepsShortcutsFromTheKey() {
    QMainWindow main;
    auto* action = new QAction(&main);
    action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    main.addAction(action);
    QSignalSpy triggered(action, &QAction::triggered);
    main.show();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    QTest::keyClick(&main, Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(triggered.count(), 1);  // the shortcut works without a splash
    SplashGate gate;
    gate.EnableSplash(true);
    gate.ShowSplash(&main);
    QTest::keyClick(&main, Qt::Key_N, Qt::ControlModifier);
    QVERIFY(gate.current() == nullptr);
    QCOMPARE(triggered.count(), 1);
    QTest::qWait(50);  // the closed splash goes away with the next events
    main.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    QTest::keyClick(&main, Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(triggered.count(), 2);
  }

  void splashClosesOnAPressButNotOnMovesOrReleases() {
    PressCounter main;
    main.resize(200, 100);
    main.show();
    SplashGate gate;
    gate.EnableSplash(true);
    gate.ShowSplash(&main);
    QTest::mouseMove(&main, QPoint(10, 10));
    QTest::mouseRelease(&main, Qt::LeftButton, {}, QPoint(10, 10));
    QVERIFY(gate.current() != nullptr);
    QTest::mousePress(gate.current(), Qt::RightButton, {}, QPoint(5, 5));
    QVERIFY(gate.current() == nullptr);
    QTest::mouseClick(&main, Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(main.clicks, 1);
  }

  void splashClosesByItselfAfterItsTime() {
    QWidget main;
    main.show();
    SplashGate gate;
    gate.EnableSplash(true);
    gate.ShowSplash(&main);
    QTest::qWait(1000);
    QVERIFY(gate.current() != nullptr);
    QTRY_VERIFY_WITH_TIMEOUT(gate.current() == nullptr, 3000);
  }

  void disabledSplashShowsNothingAndConsumesNothing() {
    PressCounter main;
    main.show();
    SplashGate gate;
    gate.ShowSplash(&main);
    QVERIFY(gate.current() == nullptr);
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
    QVERIFY(!gate.PreTranslateSplashMessage(&key));
    QTest::keyClick(&main, Qt::Key_A);
    QCOMPARE(main.keys, 1);
  }

  void aSecondShowKeepsTheFirstSplash() {
    QWidget main;
    main.show();
    SplashGate gate;
    gate.EnableSplash(true);
    gate.ShowSplash(&main);
    SplashWindow* first = gate.current();
    gate.ShowSplash(&main);
    QCOMPARE(gate.current(), first);
    gate.HideSplash();
    QVERIFY(gate.current() == nullptr);
  }

 private:
  QTemporaryDir folder_;
  QString surface_;
  QString bump_;
  ScriptedFileChooser chooser_;
  std::unique_ptr<RecordingFeedback> feedback_;
  std::unique_ptr<CQnDoc> doc_;
};

QTEST_MAIN(PanesTest)
#include "tst_views_panes.moc"
