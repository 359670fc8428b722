// The dialogs driven as a user would (boxes found by their control ids). Number parsing and the
// OK rules are the core's, tested there; here: reading order, ranges, messages, focus, hand-back.
#include <QCheckBox>
#include <QEnterEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QWheelEvent>
#include <QtTest>
#include <array>
#include <cmath>

#include "dialogs/CAutoSelectEdit.h"
#include "dialogs/CCameraDlg.h"
#include "dialogs/CRenderSequenceDlg.h"
#include "dialogs/CRendererSettingsDlg.h"
#include "dialogs/CStageProgressDlg.h"
#include "dialogs/QtFeedback.h"
#include "dialogs/QtText.h"
#include "settings/NumberText.h"
#include "support/EveryFieldChanged.h"
#include "support/GuiFixtures.h"
#include "support/TestTextures.h"
#include "views/CameraPreviewView.h"

namespace {

using Edits = QList<QPair<int, QString>>;
using Members = QList<std::uint32_t>;
constexpr int kKeepsFocus = 0, kAccepted = -1;  // or the id of the box that takes the focus
const QString kNaN = "数字を入力してください。", kNotUInt = "正の整数を入力してください。";
const QString kUnit = "0 から 1 までの数字を入力してください。";

QLineEdit* box(QWidget& d, int id) { return d.findChild<QLineEdit*>(QString("edit%1").arg(id)); }
QAbstractButton* button(QWidget& d, const char* name) {
  return d.findChild<QAbstractButton*>(name);
}
void setTexts(QWidget& dialog, const Edits& edits) {
  for (const auto& [id, text] : edits) box(dialog, id)->setText(text);
}
QString texts(QWidget& dialog, const QList<int>& ids) {
  QStringList shown;
  for (int id : ids) shown << box(dialog, id)->text();
  return shown.join(' ');
}
bool showAndWait(QWidget& w) { return w.show(), QTest::qWaitForWindowExposed(&w); }
Members members(const CRenderSequenceDlg& dialog) {
  const RenderSequence d = dialog.sequence();
  return {d.startDelay, d.drawInterval, d.drawCount, d.processCount, d.stopTime};
}
struct OkCase {  // OK pressed in either dialog; the sequence dialog holds 1, 2, 3, 4, 5
  bool sequence;
  Edits edits;
  QString message;
  int focus;
};

void enter(QWidget* w) {  // the pointer onto the box from outside, as the window system does
  QEnterEvent event(QPointF(5, 5), w->mapTo(w->window(), QPointF(5, 5)),
                    w->mapToGlobal(QPointF(5, 5)));
  QApplication::sendEvent(w, &event);
}
void move(QWidget* w, QPoint at) {
  QMouseEvent event(QEvent::MouseMove, at, w->mapToGlobal(at), Qt::NoButton, Qt::NoButton, {});
  QApplication::sendEvent(w, &event);
}

enum Gesture { Drag, Wheel, Key };
struct GestureCase {
  Gesture gesture;
  Qt::MouseButton button;
  Qt::KeyboardModifiers keys;
  QPoint amount;  // dragged by, wheel turned by (y), key pressed (x)
  double turn, elevation, rangeFactor, distanceFactor;  // degrees, degrees, factors
  bool lookAtMoves;
};
RenderSettings oblique() {
  RenderSettings s;
  s.viewpoint = {150.0, 200.0, 120.0};
  s.lookAt = {30.0, 30.0, 0.0};
  return s;
}

}  // namespace

Q_DECLARE_METATYPE(OkCase)
Q_DECLARE_METATYPE(GestureCase)

class DialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void okReadsInOrderAndRefusesWithOneMessage_data() {
    QTest::addColumn<OkCase>("c");
    const auto row = [](const char* name, OkCase c) { QTest::newRow(name) << c; };
    const QString kByte = "0 から 255 までの整数を入力してください。";
    row("colour 1.5 before the size rule", {false, {{10007, "1.5"}, {1000, "0"}}, kUnit, 10007});
    row("blue before green", {false, {{10005, "x"}, {10006, "2"}, {10007, "-.5"}}, kUnit, 10007});
    row("direction before viewpoint", {false, {{1003, "a"}, {10002, "b"}}, kNaN, 10002});
    row("distance before height", {false, {{1001, "a"}, {1002, "b"}}, kNaN, 1002});
    row("slice minimum first", {false, {{10101, "300"}, {10102, "x"}}, kByte, 10101});
    row("a rule keeps the focus",
        {false, {{1000, "0"}}, "スクリーンの[サイズ]は0より大きい値を指定してください。", 0});
    row("ranges and rules pass", {false, {{10009, "1"}, {10101, "254"}, {10102, "255"}}, "", -1});
    row("stop time first", {true, {{1001, "x"}, {1003, "y"}}, kNotUInt, 1003});
    row("start delay next", {true, {{1004, "x"}, {1001, "1.5"}}, kNotUInt, 1001});
    row("interval next", {true, {{1005, "x"}, {1002, "y"}}, kNotUInt, 1002});
    row("unreadable before interval 0", {true, {{1002, "0"}, {1005, "x"}}, kNotUInt, 1005});
    row("interval 0", {true, {{1002, "0"}}, "タイミングに0を設定しないでください。", 0});
  }
  void okReadsInOrderAndRefusesWithOneMessage() {
    QFETCH(OkCase, c);
    RecordingFeedback feedback;
    CRendererSettingsDlg settings(feedback);
    CRenderSequenceDlg sequence(feedback);
    sequence.setSequence({1, 2, 3, 4, 5});
    QDialog& dialog = c.sequence ? static_cast<QDialog&>(sequence) : settings;
    QVERIFY(showAndWait(dialog));
    button(settings, "check1016")->click();  // so that the slice range can take the focus
    setTexts(dialog, c.edits);
    QWidget* focusBefore = dialog.focusWidget();
    dialog.accept();
    QCOMPARE(messageList(feedback), c.message.isEmpty() ? QStringList{} : QStringList{c.message});
    QCOMPARE(dialog.result(), int(c.focus == kAccepted ? QDialog::Accepted : QDialog::Rejected));
    if (c.focus == kAccepted) return;
    QVERIFY(dialog.isVisible() && settings.settings() == RenderSettings{});  // nothing handed back
    QCOMPARE(members(sequence), (Members{1, 2, 3, 4, 5}));
    QLineEdit* focused = c.focus == kKeepsFocus ? nullptr : box(dialog, c.focus);
    QCOMPARE(dialog.focusWidget(), focused ? focused : focusBefore);
    if (focused) QCOMPARE(focused->selectedText(), focused->text());
  }

  void settingsEachBoxReadsIntoItsOwnSetting() {
    RecordingFeedback feedback;
    CRendererSettingsDlg dialog(feedback);
    // Distinct values everywhere, so a box wired to the wrong setting shows.
    setTexts(dialog,
             {{1000, "101"},  {1001, "102"},   {1002, "103.5"}, {1019, "0.5"},  {1003, "1"},
              {1004, "2"},    {1005, "3"},     {1006, "4"},     {1007, "5"},    {1008, "6"},
              {10001, "7"},   {10002, "8"},    {10003, "9"},    {10005, "0.1"}, {10006, "0.2"},
              {10007, "0.3"}, {10009, "0.75"}, {10101, "12"},   {10102, "34"},  {1011, "10"}});
    button(dialog, "radio1013")->click();
    button(dialog, "check1016")->click();
    dialog.accept();
    const RenderSettings s = dialog.settings();
    QCOMPARE(QList<uint>({s.screenWidth, s.screenHeight, s.sliceMin, s.sliceMax}),
             QList<uint>({101, 102, 12, 34}));
    QCOMPARE(QList<double>({s.distance, s.nearLimit, s.ambient, s.emphasisRate}),
             QList<double>({103.5, 0.5, 0.75, 10.0}));
    QVERIFY((s.viewpoint == Vec3{1, 2, 3}) && (s.lookAt == Vec3{4, 5, 6}));
    QVERIFY((s.lightDirection == Vec3{7, 8, 9}) && (s.lightColor == Vec3{0.1, 0.2, 0.3}));
    QCOMPARE(QList<int>({s.sliceEnabled, s.subdivisionMode, s.wireframe}), QList<int>({1, 1, 0}));
  }

  void settingsShowStoredValuesDefaultsAndCancel() {
    RecordingFeedback feedback;
    CRendererSettingsDlg dialog(feedback);
    dialog.setSettings(everyFieldChanged());  // shown as stored, the height not copied
    QCOMPARE(texts(dialog, {1001, 1002, 10009, 1004}), QStringLiteral("480 500.5 0.3 300"));
    QVERIFY(button(dialog, "radio1014")->isChecked() && button(dialog, "check1018")->isChecked());
    dialog.show();  // regression: the caret stood behind the text, "640" gave "320640"
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("64"));
    QCOMPARE(box(dialog, 1000)->text(), QStringLiteral("64"));
    QTest::mouseClick(button(dialog, "button1021"), Qt::LeftButton);  // "標準"
    QCOMPARE(texts(dialog, {1000,  1001,  1002,  1019,  1003,  1004,  1005,  1006, 1007,  1008,
                            10009, 10001, 10002, 10003, 10005, 10006, 10007, 1011, 10101, 10102}),
             QStringLiteral("320 240 240 2 0 0 256 0 0 0 0.5 1 1 1 1 1 1 0.25 0 255"));
    QVERIFY(!button(dialog, "check1016")->isChecked() && !button(dialog, "check1018")->isChecked());
    QVERIFY(button(dialog, "radio1012")->isChecked() && !box(dialog, 10101)->isEnabled());
    QVERIFY(dialog.settings() == everyFieldChanged());  // the defaults reach the caller on OK
    QTest::mouseClick(button(dialog, "button2"), Qt::LeftButton);
    QVERIFY(dialog.result() == QDialog::Rejected && !dialog.isVisible());
    QVERIFY(dialog.settings() == everyFieldChanged() && feedback.messages.empty());
    QTimer::singleShot(0, &dialog, [&dialog] {
      box(dialog, 1000)->setText("800");
      QTest::keyClick(&dialog, Qt::Key_Return);  // OK is the default button
    });
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QCOMPARE(dialog.settings().screenWidth, 800u);
  }

  void settingsHeightCopyRadiosAndSliceRange() {
    RecordingFeedback feedback;
    CRendererSettingsDlg dialog(feedback);
    QVERIFY(showAndWait(dialog));
    QLineEdit *height = box(dialog, 1001), *distance = box(dialog, 1002);
    height->setFocus();
    height->selectAll();
    for (const QString text : {"6", "60", "600"}) {  // each keystroke is copied
      QTest::keyClick(height, text.back().toLatin1());
      QCOMPARE(height->text() + " " + distance->text(), text + " " + text);
    }
    QTest::keyClick(height, Qt::Key_Backspace);
    QCOMPARE(distance->text(), QStringLiteral("60"));
    distance->setText("750");  // a distance typed afterwards is read as it stands
    dialog.accept();
    QVERIFY(dialog.settings().screenHeight == 60 && dialog.settings().distance == 750.0);
    QVERIFY(showAndWait(dialog) && !box(dialog, 10101)->isEnabled());
    QAbstractButton* check = button(dialog, "check1016");
    const QPoint onIndicator(6, check->height() / 2);  // a wide check box reacts near its text
    QTest::mouseClick(check, Qt::LeftButton, {}, onIndicator);
    QVERIFY(box(dialog, 10101)->isEnabled() && box(dialog, 10102)->isEnabled());
    QVERIFY(dialog.findChild<QLabel*>("label10100")->isEnabled());
    QTest::mouseClick(check, Qt::LeftButton, {}, onIndicator);
    QVERIFY(!box(dialog, 10102)->isEnabled());
  }

  void sequenceRowsDefaultsCancelAndOk() {
    RecordingFeedback feedback;
    CRenderSequenceDlg dialog(feedback);
    dialog.setSequence({1, 2, 3, 4, 5});
    dialog.show();  // opening shows the members set after construction
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    const QList<int> rows{1001, 1002, 1005, 1004, 1003};  // top to bottom
    QCOMPARE(texts(dialog, rows), QStringLiteral("1 2 3 4 5"));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("64"));  // typed over, too
    QCOMPARE(box(dialog, 1001)->text(), QStringLiteral("64"));
    QTest::mouseClick(button(dialog, "button1021"), Qt::LeftButton);
    QCOMPARE(texts(dialog, rows), QStringLiteral("2000 20 256 50 600"));
    QTest::mouseClick(button(dialog, "button2"), Qt::LeftButton);
    QCOMPARE(members(dialog), (Members{1, 2, 3, 4, 5}));  // the members change only on OK
    QTimer::singleShot(0, &dialog, [&dialog] {
      dialog.OnDefaults();
      box(dialog, 1002)->setText(" 7 ");
      QTest::keyClick(&dialog, Qt::Key_Return);  // OK is the default button
    });
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QCOMPARE(members(dialog), (Members{2000, 7, 256, 50, 600}));
  }

  void autoSelectEditFocusesAndSelectsUnderThePointer() {
    QWidget window;
    auto *first = new CAutoSelectEdit(&window), *second = new CAutoSelectEdit(&window);
    second->move(0, 40);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    first->setFocus();
    second->setText("12345");
    QTest::mouseMove(second, QPoint(4, 4));
    QVERIFY(second->hasFocus() && second->selectedText() == "12345");
    QTest::keyClicks(second, "77");
    QCOMPARE(second->text(), QStringLiteral("77"));  // typing replaces the value
    second->setText("12345");  // moves inside, or leaving and coming back, keep the selection
    second->setSelection(1, 2);
    move(second, QPoint(8, 5));
    enter(second);
    QCOMPARE(second->selectedText(), QStringLiteral("23"));
    first->setFocus(Qt::TabFocusReason);  // keyboard focus moved away is taken back
    move(second, QPoint(6, 6));           // the pointer never left the box
    QVERIFY(second->hasFocus() && second->selectedText() == "12345");
    QTest::mouseClick(second, Qt::LeftButton, {}, QPoint(2, second->height() / 2));
    QVERIFY(!second->hasSelectedText() && second->cursorPosition() == 0);  // a click: the caret
  }

  void cameraGestures_data() {
    QTest::addColumn<GestureCase>("c");
    const auto row = [](const char* name, GestureCase c) { QTest::newRow(name) << c; };
    row("drag right turns", {Drag, Qt::LeftButton, {}, {40, 0}, 20, 0, 1, 1, false});
    row("drag down raises", {Drag, Qt::LeftButton, {}, {0, 20}, 0, 10, 1, 1, false});
    row("right drag moves", {Drag, Qt::RightButton, {}, {30, 30}, 0, 0, 1, 1, true});
    row("shift drag moves", {Drag, Qt::LeftButton, Qt::ShiftModifier, {30, 30}, 0, 0, 1, 1, true});
    row("wheel nears", {Wheel, Qt::NoButton, {}, {0, 240}, 0, 0, 0.81, 1, false});
    row("ctrl wheel focal",
        {Wheel, Qt::NoButton, Qt::ControlModifier, {0, 120}, 0, 0, 1, 1.1, false});
    row("left key", {Key, Qt::NoButton, {}, {Qt::Key_Left, 0}, -5, 0, 1, 1, false});
    row("up key", {Key, Qt::NoButton, {}, {Qt::Key_Up, 0}, 0, -5, 1, 1, false});
    row("plus key", {Key, Qt::NoButton, {}, {Qt::Key_Plus, 0}, 0, 0, 0.9, 1, false});
  }
  void cameraGestures() {
    QFETCH(GestureCase, c);
    const DibImage surface = gradientTexture(64, 64);
    const DibImage bump = makeBump(64, 64, [](int x, int y) { return x * y % 200; });
    CCameraDlg dialog(oblique(), surface, bump, 64, 64);
    QVERIFY(showAndWait(dialog));
    const auto camera = [&dialog] {  // turn, elevation, range, distance
      const RenderSettings s = dialog.settings();
      const Vec3 d{s.viewpoint.x - s.lookAt.x, s.viewpoint.y - s.lookAt.y,
                   s.viewpoint.z - s.lookAt.z};
      return std::array{std::atan2(d.y, d.x) * 180 / M_PI, dialog.camera().elevationDegrees(),
                        std::hypot(d.x, d.y, d.z), s.distance};
    };
    const auto before = camera();
    const Vec3 lookAt = dialog.settings().lookAt;
    QWidget* view = dialog.previewView();
    const QPoint from(view->width() / 2, view->height() / 2), to = from + c.amount;
    if (c.gesture == Key) {
      QTest::keyClick(view, Qt::Key(c.amount.x()));
    } else if (c.gesture == Wheel) {
      QWheelEvent event(from, view->mapToGlobal(QPointF(from)), {}, c.amount, Qt::NoButton, c.keys,
                        Qt::NoScrollPhase, false);
      QApplication::sendEvent(view, &event);
    } else {
      QTest::mousePress(view, c.button, c.keys, from);
      QTest::mouseMove(view, (from + to) / 2);
      QTest::mouseMove(view, to);
      QTest::mouseRelease(view, c.button, c.keys, to);
    }
    const auto after = camera();
    QVERIFY(std::abs(std::remainder(after[0] - before[0] - c.turn, 360.0)) < 0.02);
    QVERIFY(std::abs(after[1] - before[1] - c.elevation) < 1e-9);
    QVERIFY(std::abs(after[2] - before[2] * c.rangeFactor) < 0.02);
    QVERIFY(std::abs(after[3] - before[3] * c.distanceFactor) < 0.006);
    QCOMPARE(!(dialog.settings().lookAt == lookAt), c.lookAtMoves);
    QCOMPARE(dialog.distanceLabel()->text(), fromUtf8(formatDouble(after[3])));
  }

  void cameraNotes_data() {
    QTest::addColumn<QSize>("size");  // of both textures; empty: none loaded
    QTest::addColumn<QString>("note");
    QTest::newRow("coarse grid") << QSize(600, 300) << "粗いグリッド (3 点ごと) で表示しています。";
    QTest::newRow("every point") << QSize(257, 257) << "";
    QTest::newRow("no textures") << QSize() << "テクスチャを読み込むとプレビューが表示されます。";
  }
  void cameraNotes() {
    QFETCH(QSize, size);
    QFETCH(QString, note);
    const DibImage texture =
        size.isEmpty() ? DibImage() : gradientTexture(size.width(), size.height());
    RenderSettings expected;  // after 標準: the default camera, the other settings as they were
    expected.screenWidth = 500;
    RenderSettings stored = oblique();
    stored.screenWidth = 500, stored.distance = 500;
    CCameraDlg dialog(stored, texture, texture, size.width(), size.height());
    QCOMPARE(dialog.noteLabel()->text(), note);
    QCOMPARE(dialog.noteLabel()->isVisibleTo(&dialog), !note.isEmpty());
    QVERIFY(!dialog.grab().isNull());
    QTest::mouseClick(dialog.defaultsButton(), Qt::LeftButton);
    QVERIFY(dialog.settings() == expected && dialog.defaultsButton()->text() == "標準");
  }

  // --- the progress window ---

  void progressWindowHoldsItsOwnerAndLatchesCancel() {
    QMainWindow owner;
    owner.show(), owner.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&owner));
    {
      CStageProgressDlg early;  // every call harmless before the window exists
      early.setCaption("x"), early.setMessage("y"), early.showBusyOnly();
      QVERIFY(early.setProgress(50) == 0 && !early.pollCancel());
      early.destroy();
      QVERIFY(owner.isEnabled());
      QVERIFY(early.create() && !owner.isEnabled());  // no owner given: the main window
      QCOMPARE(early.window()->windowTitle(), QStringLiteral("レンダリング"));
      QVERIFY(!early.window()->windowFlags().testFlag(Qt::WindowCloseButtonHint));
      QTRY_COMPARE(QApplication::activeWindow(), early.window());
      early.setCaption("DXF 形式で保存");
      early.setMessage("ソートをおこなっています。");
      QCOMPARE(early.window()->windowTitle() + "|" + early.messageText(),
               QStringLiteral("DXF 形式で保存|ソートをおこなっています。"));
      early.destroy();
      QVERIFY(owner.isEnabled() && early.window() == nullptr);
      QTRY_COMPARE(QApplication::activeWindow(), &owner);  // the owner is active again
    }
    {
      CStageProgressDlg dialog(&owner);
      QVERIFY(dialog.create() && !owner.isEnabled());
      QVERIFY(!dialog.pollCancel());
      QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);  // two presses: one cancel
      QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
      QVERIFY(dialog.pollCancel() && !dialog.pollCancel());
      QTest::keyClick(dialog.window(), Qt::Key_Escape);
      QVERIFY(dialog.pollCancel() && !dialog.pollCancel());
      dialog.window()->close();  // closing only requests cancel: the caller closes it
      QVERIFY(dialog.window()->isVisible() && dialog.pollCancel());
      dialog.destroy();
      QVERIFY(owner.isEnabled() && dialog.create());
    }
    QVERIFY(owner.isEnabled());  // destruction gives the owner back
    QtFeedback feedback(&owner);
    auto progress = feedback.openProgress();
    QVERIFY(progress->create() && !owner.isEnabled());
    progress.reset();
    QVERIFY(owner.isEnabled());
    owner.setEnabled(false);  // an owner disabled beforehand stays so
    CStageProgressDlg dialog(&owner);
    QVERIFY(dialog.create() && !dialog.holdsOwnerDisabled());
    dialog.destroy();
    QVERIFY(!owner.isEnabled());
  }

  void progressPumpsEventsAndPaintsTheBusyNotice() {
    CStageProgressDlg dialog;
    QVERIFY(dialog.create());
    bool ran = false;
    QTimer::singleShot(0, this, [&ran] { ran = true; });
    QElapsedTimer clock;
    clock.start();
    dialog.setProgress(1);  // runs pending events without waiting
    QVERIFY(ran && clock.elapsed() < 1000);
    // Between positions events are dispatched by time, not at every poll: a press of cancel
    // arriving as a window event is seen within a few milliseconds of polling.
    clock.restart();
    QTimer::singleShot(5, this, [&] { dialog.cancelButton()->click(); });
    while (!dialog.pollCancel())
      if (clock.elapsed() > 5000) QFAIL("the cancel was never seen");
    QVERIFY2(clock.elapsed() < 55, qPrintable(QString::number(clock.elapsed())));
    // The depth sort lets no event run, so its notice is painted before showBusyOnly returns.
    struct BusyPaints : QObject {
      int count = 0;
      bool eventFilter(QObject* w, QEvent* e) override {
        count += e->type() == QEvent::Paint &&
                 static_cast<QWidget*>(w)->findChild<QProgressBar*>()->isHidden();
        return false;
      }
    } probe;
    dialog.window()->installEventFilter(&probe);
    dialog.showBusyOnly();
    QVERIFY(probe.count > 0 && !dialog.cancelButton()->isEnabled());
  }
};

QTEST_MAIN(DialogsTest)
#include "tst_dialogs.moc"
