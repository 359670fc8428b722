// The camera window driven with synthetic mouse and key events: each gesture moves the
// camera by what it promises, OK hands the shown values to the document, Cancel nothing,
// and the command follows the rendering's state.

#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <QtTest>
#include <cmath>

#include "app/CMainFrame.h"
#include "app/CQnApp.h"
#include "app/CQnDoc.h"
#include "dialogs/CCameraDlg.h"
#include "dialogs/QtText.h"
#include "settings/NumberText.h"
#include "support/GuiTestTextures.h"
#include "support/RecordingFeedback.h"
#include "support/ScriptedFileChooser.h"
#include "support/TestTextures.h"
#include "views/CQnRView.h"
#include "views/CameraPreviewView.h"

namespace {

enum class Gesture { Drag, ShiftDrag, RightDrag, Wheel, CtrlWheel, Key };

double rangeOf(const RenderSettings& s) {
  return std::hypot(s.viewpoint.x - s.lookAt.x, s.viewpoint.y - s.lookAt.y,
                    s.viewpoint.z - s.lookAt.z);
}

RenderSettings oblique() {
  RenderSettings s;
  s.viewpoint = {150.0, 200.0, 120.0};
  s.lookAt = {30.0, 30.0, 0.0};
  return s;
}

void wheel(QWidget* target, int delta, Qt::KeyboardModifiers modifiers) {
  const QPointF at(target->width() / 2.0, target->height() / 2.0);
  QWheelEvent event(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                    modifiers, Qt::NoScrollPhase, false);
  QApplication::sendEvent(target, &event);
}

void drag(QWidget* target, Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint delta) {
  const QPoint from(target->width() / 2, target->height() / 2);
  QTest::mousePress(target, button, modifiers, from);
  QTest::mouseMove(target, from + delta / 2);
  QTest::mouseMove(target, from + delta);
  QTest::mouseRelease(target, button, modifiers, from + delta);
}

double turnOf(const RenderSettings& s) {
  return std::atan2(s.viewpoint.y - s.lookAt.y, s.viewpoint.x - s.lookAt.x) * 180.0 /
         3.141592653589793;
}

}  // namespace

Q_DECLARE_METATYPE(Gesture)

class CameraWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QVERIFY(folder_.isValid());
    useSettingsFolder(folder_.filePath(QStringLiteral("config")));
    surface_ = folder_.filePath(QStringLiteral("surface.bmp"));
    bump_ = folder_.filePath(QStringLiteral("bump.bmp"));
    QVERIFY(writeTestTexture(surface_, 72, 60, false));
    QVERIFY(writeTestTexture(bump_, 64, 64, true));
  }

  void gesturesMoveTheCamera_data() {
    QTest::addColumn<Gesture>("gesture");
    QTest::addColumn<int>("amount");   // pixels, wheel units or a key
    QTest::addColumn<double>("turn");  // expected change in degrees
    QTest::addColumn<double>("elevation");
    QTest::addColumn<double>("rangeFactor");
    QTest::addColumn<double>("distanceFactor");
    QTest::addColumn<bool>("lookAtMoves");
    QTest::newRow("drag right turns") << Gesture::Drag << 40 << 20.0 << 0.0 << 1.0 << 1.0 << false;
    QTest::newRow("drag down raises") << Gesture::Drag << -1 << 0.0 << 10.0 << 1.0 << 1.0 << false;
    QTest::newRow("right drag moves")
        << Gesture::RightDrag << 30 << 0.0 << 0.0 << 1.0 << 1.0 << true;
    QTest::newRow("shift drag moves")
        << Gesture::ShiftDrag << 30 << 0.0 << 0.0 << 1.0 << 1.0 << true;
    QTest::newRow("wheel nears") << Gesture::Wheel << 240 << 0.0 << 0.0 << 0.81 << 1.0 << false;
    QTest::newRow("wheel back") << Gesture::Wheel << -120 << 0.0 << 0.0 << 1 / 0.9 << 1.0 << false;
    QTest::newRow("ctrl wheel focal")
        << Gesture::CtrlWheel << 120 << 0.0 << 0.0 << 1.0 << 1.1 << false;
    QTest::newRow("left key") << Gesture::Key << int(Qt::Key_Left) << -5.0 << 0.0 << 1.0 << 1.0
                              << false;
    QTest::newRow("up key") << Gesture::Key << int(Qt::Key_Up) << 0.0 << -5.0 << 1.0 << 1.0
                            << false;
    QTest::newRow("plus key") << Gesture::Key << int(Qt::Key_Plus) << 0.0 << 0.0 << 0.9 << 1.0
                              << false;
    QTest::newRow("minus key") << Gesture::Key << int(Qt::Key_Minus) << 0.0 << 0.0 << 1 / 0.9 << 1.0
                               << false;
  }

  void gesturesMoveTheCamera() {
    QFETCH(Gesture, gesture);
    QFETCH(int, amount);
    QFETCH(double, turn);
    QFETCH(double, elevation);
    QFETCH(double, rangeFactor);
    QFETCH(double, distanceFactor);
    QFETCH(bool, lookAtMoves);
    const DibImage surface = gradientTexture(64, 64);
    const DibImage bump = makeBump(64, 64, [](int x, int y) { return (x * y) % 200; });
    CCameraDlg dialog(oblique(), surface, bump, 64, 64);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const RenderSettings before = dialog.settings();
    const double elevationBefore = dialog.camera().elevationDegrees();
    QWidget* view = dialog.previewView();
    switch (gesture) {
      case Gesture::Drag:
        drag(view, Qt::LeftButton, Qt::NoModifier, amount > 0 ? QPoint(amount, 0) : QPoint(0, 20));
        break;
      case Gesture::ShiftDrag:
        drag(view, Qt::LeftButton, Qt::ShiftModifier, {amount, amount});
        break;
      case Gesture::RightDrag:
        drag(view, Qt::RightButton, Qt::NoModifier, {amount, amount});
        break;
      case Gesture::Wheel:
        wheel(view, amount, Qt::NoModifier);
        break;
      case Gesture::CtrlWheel:
        wheel(view, amount, Qt::ControlModifier);
        break;
      case Gesture::Key:
        QTest::keyClick(view, Qt::Key(amount));
        break;
    }
    const RenderSettings after = dialog.settings();
    QVERIFY(std::abs(std::remainder(turnOf(after) - turnOf(before) - turn, 360.0)) < 0.02);
    QVERIFY(std::abs(dialog.camera().elevationDegrees() - elevationBefore - elevation) < 1e-9);
    QVERIFY(std::abs(rangeOf(after) - rangeOf(before) * rangeFactor) < 0.02);
    QVERIFY(std::abs(after.distance - before.distance * distanceFactor) < 0.006);
    QCOMPARE(!(after.lookAt == before.lookAt), lookAtMoves);
    // The values shown are the settings handed back.
    const Vec3& v = after.viewpoint;
    QCOMPARE(dialog.viewpointLabel()->text(),
             fromUtf8(formatDouble(v.x) + ", " + formatDouble(v.y) + ", " + formatDouble(v.z)));
    QCOMPARE(dialog.distanceLabel()->text(), fromUtf8(formatDouble(after.distance)));
    QVERIFY(!dialog.grab().isNull());  // the preview paints at every camera
  }

  void theCoarseGridIsSaidAndTheDefaultsButtonResets() {
    const DibImage surface = gradientTexture(600, 300), bump = gradientTexture(600, 300);
    CCameraDlg dialog(oblique(), surface, bump, 600, 300);
    QCOMPARE(dialog.noteLabel()->text(),
             QStringLiteral("粗いグリッド (3 点ごと) で表示しています。"));
    QTest::mouseClick(dialog.defaultsButton(), Qt::LeftButton);
    RenderSettings expected = oblique();
    expected.viewpoint = RenderSettings{}.viewpoint;
    expected.lookAt = RenderSettings{}.lookAt;
    QCOMPARE(dialog.settings() == expected, true);
    const DibImage none;
    CCameraDlg empty(oblique(), none, none, 0, 0);
    QCOMPARE(empty.noteLabel()->text(),
             QStringLiteral("テクスチャを読み込むとプレビューが表示されます。"));
    QVERIFY(!empty.grab().isNull());
  }

  void okWritesTheShownCameraCancelNothing() {
    start();
    CQnDoc* doc = app_->document();
    QAction* command = app_->mainFrame()->action(Command::kCameraSettings);
    QVERIFY(command != nullptr && command->isEnabled());
    QCOMPARE(command->text(), QStringLiteral("カメラ設定(&C)"));
    QCOMPARE(command->statusTip(), QStringLiteral("プレビューを見ながらマウスでカメラを設定"));
    loadBothTextures();
    doc->SetModifiedFlag(false);
    const RenderSettings original = doc->renderer().settings;

    QString shown;
    QTimer::singleShot(0, [&shown] {
      auto* dialog = qobject_cast<CCameraDlg*>(QApplication::activeModalWidget());
      QCOMPARE(dialog->windowTitle(), QStringLiteral("カメラ設定"));
      drag(dialog->previewView(), Qt::LeftButton, Qt::NoModifier, {360, -30});
      shown = dialog->viewpointLabel()->text() + " | " + dialog->lookAtLabel()->text() + " | " +
              dialog->distanceLabel()->text();
      QTest::keyClick(dialog->previewView(), Qt::Key_Escape);
    });
    command->trigger();
    QVERIFY(!shown.isEmpty());
    QCOMPARE(doc->renderer().settings == original, true);
    QVERIFY(!doc->IsModified());

    QTimer::singleShot(0, [&shown] {
      auto* dialog = qobject_cast<CCameraDlg*>(QApplication::activeModalWidget());
      drag(dialog->previewView(), Qt::LeftButton, Qt::NoModifier, {360, -30});  // half round
      shown = dialog->viewpointLabel()->text() + " | " + dialog->lookAtLabel()->text() + " | " +
              dialog->distanceLabel()->text();
      dialog->accept();
    });
    command->trigger();
    const RenderSettings& written = doc->renderer().settings;
    const auto text = [](const Vec3& v) {
      return fromUtf8(formatDouble(v.x) + ", " + formatDouble(v.y) + ", " + formatDouble(v.z));
    };
    QCOMPARE(shown, text(written.viewpoint) + " | " + text(written.lookAt) + " | " +
                        fromUtf8(formatDouble(written.distance)));
    QVERIFY(written.viewpoint.y < 0.0);  // seen from the other side now
    RenderSettings others = written;
    others.viewpoint = original.viewpoint;
    QCOMPARE(others == original, true);  // only the viewpoint was moved
    QVERIFY(doc->IsModified());
  }

  void theCommandIsOffWhileDrawing() {
    start();
    loadBothTextures();
    app_->mainFrame()->renderView()->startDelay = 60000;
    app_->document()->OnStartRendering();
    QVERIFY(app_->document()->renderer().isDrawing());
    QVERIFY(!app_->mainFrame()->action(Command::kCameraSettings)->isEnabled());
    app_->document()->OnCameraSettings();  // a late command is refused, no window opens
    QCOMPARE(feedback_->messages.size(), size_t{1});
    QVERIFY(
        QString::fromStdString(feedback_->messages[0].text).contains(QStringLiteral("レンダラー")));
    app_->document()->OnStopRendering();
    QVERIFY(app_->mainFrame()->action(Command::kCameraSettings)->isEnabled());
  }

  void cleanup() { app_.reset(); }

 private:
  void start() {
    feedback_ = std::make_unique<RecordingFeedback>();
    chooser_ = std::make_unique<ScriptedFileChooser>();
    app_ = std::make_unique<CQnApp>(chooser_.get(), feedback_.get());
    app_->setSplashAllowed(false);
    QVERIFY(app_->InitInstance({QStringLiteral("qn")}));
  }
  void loadBothTextures() {
    chooser_->answer(surface_);
    chooser_->answer(bump_);
    app_->document()->OnOpenSurfaceTexture();
    app_->document()->OnOpenBumpTexture();
    QVERIFY(app_->document()->canStartRendering());
  }

  QTemporaryDir folder_;
  QString surface_, bump_;
  std::unique_ptr<RecordingFeedback> feedback_;
  std::unique_ptr<ScriptedFileChooser> chooser_;
  std::unique_ptr<CQnApp> app_;
};

QTEST_MAIN(CameraWindowTest)
#include "tst_camera_window.moc"
