// The program's windows as their users meet them: start-up and what the settings store keeps
// between runs, the splash, the main window's commands with their enabling, refusals and
// messages, the modified flag, exports and help, drops, the render and texture panes with the
// drawing's pacing, and the dialogs driven as a user would (boxes found by their control ids;
// number parsing and the OK rules are the core's, tested there).
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QTemporaryDir>
#include <QToolBar>
#include <QWheelEvent>
#include <QtTest>
#include <algorithm>
#include <array>
#include <cmath>

#include "app/CMainFrame.h"
#include "app/CQnApp.h"
#include "app/CQnDoc.h"
#include "app/ExportCommands.h"
#include "app/HelpOpener.h"
#include "app/SettingsStore.h"
#include "dialogs/CAutoSelectEdit.h"
#include "dialogs/CCameraDlg.h"
#include "dialogs/CMeshExportDlg.h"
#include "dialogs/CRenderSequenceDlg.h"
#include "dialogs/CRendererSettingsDlg.h"
#include "dialogs/CStageProgressDlg.h"
#include "dialogs/QtFeedback.h"
#include "dialogs/QtText.h"
#include "settings/NumberText.h"
#include "support/EveryFieldChanged.h"
#include "support/GuiFixtures.h"
#include "support/TestTextures.h"
#include "views/CQnRView.h"
#include "views/CQnTView.h"
#include "views/CameraPreviewView.h"
#include "views/SplashWindow.h"

namespace {

const QString kSequenceKey = QStringLiteral("Settings/Render Sequence");

struct PressCounter : QWidget {  // counts the key presses and clicks reaching it
  int keys = 0, clicks = 0;
  void keyPressEvent(QKeyEvent*) override { ++keys; }
  void mousePressEvent(QMouseEvent*) override { ++clicks; }
};

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

class WindowsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QVERIFY(folder_.isValid());
    useSettingsFolder(config_);
    QVERIFY(writeTestTexture(surface_, 72, 60, false) && writeTestTexture(bump_, 64, 64, true) &&
            writeTestTexture(thin_, 1, 200, false));
    writeFileBytes(broken_, "BM not really");
  }
  void init() {
    feedback_ = std::make_unique<RecordingFeedback>();
    chooser_ = std::make_unique<ScriptedFileChooser>();
    doc_ = std::make_unique<CQnDoc>(*chooser_, *feedback_);
  }
  void cleanup() { app_.reset(), gate_.reset(), doc_.reset(); }

  // --- start-up and what is kept between runs ---
  void legacySettingsDeletedOnceWithANotice() {
    QVERIFY(QDir().mkpath(config_ + "/FERNHILL"));
    writeFileBytes(config_ + "/FERNHILL/QN.ini", "[Settings]\nOld=1\n");
    start();
    QCOMPARE(messageList(*feedback_),
             QStringList{"都合により Version 1.0 の設定情報を削除しました。\n"
                         "以後、新しい設定情報を使用します。"});
    QVERIFY(feedback_->messages.front().icon == MessageIcon::Information &&
            !QFileInfo::exists(config_ + "/FERNHILL"));
    QCOMPARE(app_->mainFrame()->windowTitle(), QStringLiteral("無題 - QN Version 3.3"));
    // Qt's own texts (standard buttons, file dialogs) come in Japanese.
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("キャンセル"));
    app_.reset(), feedback_->messages.clear();
    start();  // the second start finds nothing to delete
    QVERIFY(feedback_->messages.empty());
  }

  void commandLineDocument_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("contents");  // empty: no such file
    QTest::addColumn<QString>("title");        // of the main window; empty: start-up ends
    QTest::addColumn<QString>("message");
    QTest::newRow("a document") << "work.qnf" << QByteArray("document")
                                << "work.qnf - QN Version 3.3"
                                << "";
    QTest::newRow("not a document")
        << "notdoc.qnf" << QByteArray("QXjunk") << "無題 - QN Version 3.3"
        << "QN ドキュメントではありません。";
    QTest::newRow("unreadable") << "none.qnf" << QByteArray() << ""
                                << "";
  }
  void commandLineDocument() {
    QFETCH(QString, name);
    QFETCH(QByteArray, contents);
    QFETCH(QString, title);
    QFETCH(QString, message);
    const QString path = folder_.filePath(name);
    if (contents == "document") writeDocument(path);
    if (contents != "document" && !contents.isEmpty()) writeFileBytes(path, contents);
    app_ = std::make_unique<CQnApp>(chooser_.get(), feedback_.get());
    app_->setSplashAllowed(false);
    QCOMPARE(app_->InitInstance({"qn", path}), !title.isEmpty());
    QCOMPARE(app_->mainFrame() == nullptr, title.isEmpty());
    if (title.isEmpty()) return;
    QVERIFY(app_->mainFrame()->isVisible() && !doc()->IsModified());
    QCOMPARE(app_->mainFrame()->windowTitle(), title);  // the file's name, or untitled
    QCOMPARE(messageList(*feedback_), message.isEmpty() ? QStringList{} : QStringList{message});
    const bool opened = message.isEmpty();
    QCOMPARE(doc()->GetPathName(), opened ? path : QString());
    QCOMPARE(app_->mainFrame()->recentFiles().entries().contains(path), opened);
    QCOMPARE(doc()->renderer().settings.screenWidth, opened ? 200u : 320u);
  }

  void windowPlaceSizeAndSplitterKeptBetweenRuns() {
    openUserSettings()->remove("Window");
    start();
    CMainFrame* frame = app_->mainFrame();
    QVERIFY(QTest::qWaitForWindowExposed(frame));
    // Regression: the first window showed the sample's 640 x 480 picture with both scroll bars.
    const QSize room = frame->screen()->availableGeometry().size();
    QVERIFY(frame->width() <= room.width() && frame->height() <= room.height());
    QCOMPARE(frame->size(), frame->firstWindowSize());
    QVERIFY(frame->splitter()->sizes().at(0) == 128 && frame->splitter()->sizes().at(1) > 300);
    frame->resize(frame->sizeShowing(QSize(648, 488)));  // what the first size aims at
    doc()->renderer().settings.screenWidth = 640, doc()->renderer().settings.screenHeight = 480;
    QVERIFY(doc()->renderer().createScreen());
    doc()->UpdateAllViews();
    QTRY_COMPARE(frame->renderView()->viewport()->size(), QSize(648, 488));
    QVERIFY(frame->renderView()->horizontalScrollBar()->maximum() == 0 &&
            frame->renderView()->verticalScrollBar()->maximum() == 0);
    frame->resize(700, 520);
    frame->move(30, 40);
    frame->splitter()->setSizes({200, 400});
    QTRY_COMPARE(frame->splitter()->sizes().first(), 200);
    QVERIFY(frame->close());
    start();
    QCOMPARE(app_->mainFrame()->size(), QSize(700, 520));
    QCOMPARE(app_->mainFrame()->pos(), QPoint(30, 40));
    QCOMPARE(app_->mainFrame()->splitter()->sizes().first(), 200);
  }

  void sequenceReadWhenTheViewIsMadeWrittenWhenDestroyed_data() {
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QString>("written");  // the values read, then the reserved places as 0
    QTest::newRow("malformed") << QVariant("fast please") << "2000,20,256,50,600,0,0,0";
    QTest::newRow("reserved places") << QVariant("1,2,3,4,5,7,8,9") << "1,2,3,4,5,0,0,0";
    QTest::newRow("a list") << QVariant(QStringList{"11", "12", "13"}) << "11,12,13,50,600,0,0,0";
  }
  void sequenceReadWhenTheViewIsMadeWrittenWhenDestroyed() {
    QFETCH(QVariant, stored);
    QFETCH(QString, written);
    openUserSettings()->setValue(kSequenceKey, stored);
    {
      CQnRView view(*doc_);
      const QList<uint> read{view.startDelay, view.drawInterval, doc_->renderer().drawCount,
                             view.processCount, view.stopTime};
      for (int i = 0; i < 5; ++i) QCOMPARE(QString::number(read[i]), written.section(',', i, i));
      openUserSettings()->setValue(kSequenceKey, "overwritten at destruction");
    }
    QCOMPARE(openUserSettings()->value(kSequenceKey).toString(), written);
    openUserSettings()->remove(kSequenceKey);
  }

  // --- the splash ---
  void splashTakesTheFirstPressOnly() {
    for (const bool key : {true, false}) {  // a key, or a mouse press on the splash
      PressCounter main;
      SplashGate& gate = showSplash(main);
      QCOMPARE(gate.current()->size(), QSize(256, 192));
      QTest::mouseMove(&main, QPoint(10, 10));  // moves and releases do not close it
      QTest::mouseRelease(&main, Qt::LeftButton, {}, QPoint(10, 10));
      QVERIFY(gate.current() != nullptr);
      key ? QTest::keyClick(&main, Qt::Key_A)
          : QTest::mousePress(gate.current(), Qt::RightButton, {}, QPoint(5, 5));
      QVERIFY(gate.current() == nullptr && main.keys == 0 && main.clicks == 0);
      key ? QTest::keyClick(&main, Qt::Key_A)
          : QTest::mouseClick(&main, Qt::LeftButton, {}, QPoint(10, 10));
      QCOMPARE(main.keys + main.clicks, 1);  // the next one reaches the window
    }
    QMainWindow shortcuts;  // the first key is taken, even a shortcut
    QAction* action = shortcuts.addAction("new");
    action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    QSignalSpy triggered(action, &QAction::triggered);
    shortcuts.show();
    QVERIFY(QTest::qWaitForWindowActive(&shortcuts));
    QTest::keyClick(&shortcuts, Qt::Key_N, Qt::ControlModifier);  // works without a splash
    showSplash(shortcuts);
    QTest::keyClick(&shortcuts, Qt::Key_N, Qt::ControlModifier);
    QVERIFY(gate_->current() == nullptr && triggered.count() == 1);
  }

  void splashClosesByItselfOrNeverShows() {
    QWidget main;
    SplashGate& gate = showSplash(main);
    SplashWindow* first = gate.current();
    gate.ShowSplash(&main);  // a second show does nothing
    QVERIFY(first != nullptr && gate.current() == first);
    QTest::qWait(1000);
    QVERIFY(gate.current() == first);
    QTRY_VERIFY_WITH_TIMEOUT(gate.current() == nullptr, 3000);
    PressCounter other;
    other.show();
    SplashGate disabled;  // disabled until enabled: shows nothing, takes no key
    disabled.ShowSplash(&other);
    QTest::keyClick(&other, Qt::Key_A);
    QVERIFY(disabled.current() == nullptr && other.keys == 1);
    for (const QString embedded : {"-Embedding", "-x", "-automation"}) {  // started by another
      app_ = std::make_unique<CQnApp>(chooser_.get(), feedback_.get());
      QVERIFY(app_->InitInstance({"qn", embedded}));
      QCOMPARE(app_->splash().current() != nullptr, embedded == "-x");
      app_.reset();
    }
  }

  // --- commands ---
  void menusToolbarPromptsAndEnablingInEveryState() {
    start();
    CMainFrame* frame = app_->mainFrame();
    QStringList menus, buttons;  // the menus, the toolbar (every button with its icon)
    for (QAction* menu : frame->menuBar()->actions()) menus << menu->text();
    QCOMPARE(menus.join(' '), QStringLiteral("ファイル(&F) 表示(&V) レンダラ(&R) ヘルプ(&H)"));
    QCOMPARE(frame->action(Command::kStartRendering)->statusTip() + "|" +
                 frame->action(Command::kStartRendering)->toolTip(),
             QStringLiteral("レンダリングを開始|開始"));
    for (QAction* a : frame->findChild<QToolBar*>()->actions())
      buttons << (a->isSeparator() ? "|" : a->toolTip() + (a->icon().isNull() ? "?" : ""));
    QCOMPARE(buttons.join(' '), QStringLiteral("新規データ 開く 保存 | 表面テクスチャを開く "
                                               "バンプテクスチャを開く 再読み込み | ビットマップを"
                                               "保存 | 開始 中止 設定 カメラ設定 | ヘルプ"));
    const auto states = [frame] {  // reload, start, stop, bitmap, DXF, sequence, camera
      QString s;
      for (int c :
           {Command::kReloadTextures, Command::kStartRendering, Command::kStopRendering,
            Command::kSaveBitmap, Command::kExportDxf, Command::kSequenceSettings,
            Command::kCameraSettings, Command::kNew, Command::kOpen, Command::kSave,
            Command::kSaveAs, Command::kOpenSurfaceTexture, Command::kOpenBumpTexture,
            Command::kRendererSettings, Command::kOpenHelp, Command::kAbout, Command::kExit})
        s += frame->action(c)->isEnabled() ? '1' : '0';
      return s.endsWith("1111111111") ? s.left(7) : s;  // the last ten always enabled
    };
    QCOMPARE(states(), QStringLiteral("0001011"));
    chooser_->answer(surface_);
    frame->action(Command::kOpenSurfaceTexture)->trigger();
    QCOMPARE(states(), QStringLiteral("1001011"));
    chooser_->answer(bump_);
    frame->action(Command::kOpenBumpTexture)->trigger();
    QCOMPARE(states(), QStringLiteral("1101111"));
    frame->renderView()->startDelay = 60000;  // stays drawing while we look
    frame->action(Command::kStartRendering)->trigger();
    QCOMPARE(states(), QStringLiteral("1010000"));
    frame->OnSequenceSettings();  // late commands are refused, no window opens
    doc()->OnStartRendering();
    doc()->OnCameraSettings();
    const QStringList refused = messageList(*feedback_);
    QVERIFY(refused.size() == 3 && refused[0].contains("レンダラーの処理") &&
            refused[1].contains("レンダラの処理") && refused[2].contains("レンダラー"));
    frame->action(Command::kStopRendering)->trigger();
    QCOMPARE(states(), QStringLiteral("1101111"));
    QVERIFY(!frame->renderView()->isSequenceTimerActive());
  }

  void texturesThroughTheChooserAndDrops() {
    start();
    CMainFrame* frame = app_->mainFrame();
    chooser_->answer(surface_);
    frame->action(Command::kOpenSurfaceTexture)->trigger();
    const FileDialogRequest& request = chooser_->questions.at(0).request;
    QCOMPARE(request.title + "|" + request.filters.join('|') + "|" + request.defaultSuffix,
             QStringLiteral("表面テクスチャを開く|ビットマップ (*.bmp)|読み込める画像 (*.bmp *.png "
                            "*.jpg *.jpeg *.tif *.tiff *.hgt *.asc)|すべてのファイル (*)|bmp"));
    QVERIFY(!chooser_->questions[0].save && doc()->model().surfaceImage.isValid());
    chooser_->cancel();  // cancelling keeps the old texture
    frame->action(Command::kOpenSurfaceTexture)->trigger();
    QVERIFY(doc()->IsModified() &&
            QString::fromStdString(doc()->model().surfacePath()) == surface_);
    chooser_->answer(broken_);  // a failed load removes the old texture as well
    frame->action(Command::kOpenSurfaceTexture)->trigger();
    QVERIFY(!doc()->model().surfaceImage.isValid() && doc()->model().surfacePath().empty());
    chooser_->answer(thin_);
    frame->action(Command::kOpenBumpTexture)->trigger();
    QCOMPARE(chooser_->questions.back().request.title, QStringLiteral("バンプテクスチャを開く"));
    QCOMPARE(messageList(*feedback_),
             (QStringList{"読み込みに失敗しました。",
                          "幅または高さが1ピクセル以下のビットマップは使用できません。"}));
    CQnTView* pane = frame->textureView();  // a texture dropped opens in its block
    QVERIFY(dropFile(pane, QPoint(20, 170), bump_) && !dropFile(pane, {20, 40}, folder_.path()));
    QCOMPARE(fromLocalPath(doc()->model().bumpPath()), bump_);
    QVERIFY(!dropFile(frame->renderView()->viewport(), {50, 50}, bump_));  // not on the picture
    frame->setEnabled(false);  // as while a stage runs: no drops
    QVERIFY(!dropFile(pane, QPoint(20, 40), surface_));
  }

  void modifiedFlagSaveQuestionAndDroppedDocuments() {
    start();
    chooser_->answer(surface_);
    doc()->OnOpenSurfaceTexture();
    doc()->SetModifiedFlag(false);
    doc()->OnReloadTextures();  // a reload keeps the flag
    QVERIFY(doc()->model().surfaceImage.isValid() && !doc()->IsModified());
    doc()->SetModifiedFlag(true);
    QStringList asked;
    SaveAnswer answer = SaveAnswer::Cancel;
    doc()->setSaveQuestion([&](const QString& title) { return asked << title, answer; });
    app_->mainFrame()->action(Command::kNew)->trigger();  // cancelled: nothing changes
    QVERIFY(asked == QStringList{"無題"} && doc()->model().surfaceImage.isValid());
    const QString target = folder_.filePath("saved.qnf");
    chooser_->answer(target);
    answer = SaveAnswer::Save;  // saved first, with Save As as the file has no name yet
    app_->mainFrame()->action(Command::kNew)->trigger();
    QCOMPARE(
        chooser_->questions.back().request.title + chooser_->questions.back().request.defaultSuffix,
        QStringLiteral("名前を付けて保存qnf"));
    QVERIFY(QFileInfo::exists(target) && !doc()->model().surfaceImage.isValid() &&
            !doc()->IsModified());
    chooser_->answer(surface_);
    doc()->OnOpenSurfaceTexture();
    answer = SaveAnswer::Cancel;  // closing asks too; cancel keeps the window
    QVERIFY(!app_->mainFrame()->close() && app_->mainFrame()->isVisible());
    QWidget* picture = app_->mainFrame()->renderView()->viewport();
    const QString dropped = folder_.filePath("dropped.qnf");
    writeDocument(dropped);
    dropFile(picture, QPoint(50, 50), dropped);  // a document dropped asks first as well
    QVERIFY(asked.size() == 4 && doc()->IsModified() && doc()->GetPathName().isEmpty());
    answer = SaveAnswer::Discard;
    QVERIFY(dropFile(picture, QPoint(50, 50), dropped) && doc()->GetPathName() == dropped);
    QVERIFY(!doc()->IsModified() && doc()->renderer().settings.screenWidth == 200);
    QCOMPARE(app_->mainFrame()->recentFiles().entries().first(), dropped);
    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    doc()->OnRendererSettings();  // the renderer settings: Cancel leaves the flag, OK sets it
    QVERIFY(!doc()->IsModified());
    QTimer::singleShot(0,
                       [] { qobject_cast<QDialog*>(QApplication::activeModalWidget())->accept(); });
    doc()->OnRendererSettings();
    QVERIFY(doc()->IsModified());
  }

  void cameraOkWritesTheShownCameraCancelNothing() {
    start();
    loadBothTextures();
    doc()->SetModifiedFlag(false);
    const RenderSettings original = doc()->renderer().settings;
    QString shown;
    const auto turnHalfRound = [&shown](bool ok) {
      auto* dialog = qobject_cast<CCameraDlg*>(QApplication::activeModalWidget());
      QWidget* view = dialog->previewView();
      const QPoint from(view->width() / 2, view->height() / 2), to = from + QPoint(360, -30);
      QTest::mousePress(view, Qt::LeftButton, {}, from);
      QTest::mouseMove(view, to);
      QTest::mouseRelease(view, Qt::LeftButton, {}, to);
      shown = dialog->viewpointLabel()->text() + " | " + dialog->distanceLabel()->text();
      ok ? dialog->accept() : QTest::keyClick(view, Qt::Key_Escape);
    };
    QTimer::singleShot(0, [&] { turnHalfRound(false); });
    app_->mainFrame()->action(Command::kCameraSettings)->trigger();
    QVERIFY(!shown.isEmpty() && doc()->renderer().settings == original && !doc()->IsModified());
    QTimer::singleShot(0, [&] { turnHalfRound(true); });
    app_->mainFrame()->action(Command::kCameraSettings)->trigger();
    const RenderSettings written = doc()->renderer().settings;
    const Vec3& v = written.viewpoint;
    QCOMPARE(shown, fromUtf8(formatDouble(v.x) + ", " + formatDouble(v.y) + ", " +
                             formatDouble(v.z) + " | " + formatDouble(written.distance)));
    QVERIFY(written.viewpoint.y < 0.0 && doc()->IsModified());  // seen from the other side now
  }

  // Refused while drawing before any dialog, the save dialog (and a mesh's options), nothing
  // done on cancel, the writer's message when it fails.
  void exportCommands_data() {
    QTest::addColumn<int>("format");  // a MeshFormat, or kDxf, kBitmap
    QTest::addColumn<QString>("request");
    QTest::addColumn<QString>("written");
    QTest::newRow("DXF") << kDxf << "DXF 形式で保存|DXF ファイル (*.dxf)|dxf"
                         << "m.dxf";
    QTest::newRow("bitmap") << kBitmap
                            << "ビットマップを保存|ビットマップ (*.bmp)|PNG 画像 (*.png)|bmp"
                            << "m.bmp";
    QTest::newRow("STL") << int(MeshFormat::Stl) << "STL 形式で保存|STL ファイル (*.stl)|stl"
                         << "m.stl";
    QTest::newRow("OBJ") << int(MeshFormat::Obj) << "OBJ 形式で保存|OBJ ファイル (*.obj)|obj"
                         << "m.mtl m.obj m.png";
    QTest::newRow("PLY") << int(MeshFormat::Ply) << "PLY 形式で保存|PLY ファイル (*.ply)|ply"
                         << "m.ply";
    QTest::newRow("glTF") << int(MeshFormat::Glb) << "glTF 形式で保存|glTF バイナリ (*.glb)|glb"
                          << "m.glb";
  }
  void exportCommands() {
    QFETCH(int, format);
    QFETCH(QString, request);
    QFETCH(QString, written);
    QTemporaryDir dir;
    DocumentModel& model = doc_->model();
    QVERIFY(model.surfaceImage.create(3, 3) && model.bumpImage.create(3, 3));
    QCOMPARE(model.startRendering(), StartResult::Started);
    ScriptedFileChooser files;
    const auto run = [&] {
      feedback_->messages.clear();
      feedback_->windows.clear();
      if (format == kDxf) return runExportDxf(model, files, *feedback_);
      if (format == kBitmap) return runSaveBitmap(model, files, *feedback_);
      runExportMesh(model, files, *feedback_, MeshFormat(format));
    };
    run();  // refused while drawing, before the dialog; the rendering goes on
    QVERIFY(messageList(*feedback_)
                .join("")
                .startsWith("このコマンドは通常レンダリング中は選択できません。"));
    QVERIFY(files.questions.empty() && model.renderer.isDrawing());
    model.renderer.drawToEnd();
    const QString suffix = request.section('|', -1), target = dir.filePath("m." + suffix);
    writeFileBytes(target, "keep me");
    files.cancel();
    run();
    const FileDialogRequest& asked = files.questions.at(0).request;
    QCOMPARE(asked.title + "|" + asked.filters.join('|') + "|" + asked.defaultSuffix,
             request.section('|', 0, -2) + "|すべてのファイル (*)|" + suffix);
    QVERIFY(files.questions[0].save && feedback_->messages.empty() && feedback_->windows.empty());
    if (format >= 0) {  // the options cancelled: nothing built
      files.answer(target);
      files.meshOptions.reset();
      run();
      QVERIFY(files.optionsAsked == std::vector{MeshFormat(format)} && feedback_->windows.empty());
      files.meshOptions = MeshExportOptions{format == int(MeshFormat::Stl), 0.5};
    }
    QCOMPARE(readFileBytes(target), QByteArray("keep me"));  // nothing done on cancel
    files.answer(target);
    run();
    QCOMPARE(messageList(*feedback_), QStringList{});
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).join(' '), written);
    QVERIFY(readFileBytes(target) != "keep me" && feedback_->allWindowsClosed());
    files.answer(dir.filePath("missing-folder/m." + suffix));
    run();
    QCOMPARE(messageList(*feedback_),
             QStringList{format == kBitmap ? "保存に失敗しました。" : "書き込みに失敗しました。"});
  }

  // The help page beside the program (a build tree) or in the installed data folder;
  // "ヘルプを開けません" when it is missing or the opener fails.
  void helpPage_data() {
    QTest::addColumn<QString>("page");  // created under a prefix holding bin/
    QTest::addColumn<bool>("opens");
    QTest::newRow("build tree") << "bin/help/help.htm" << true;
    QTest::newRow("installed") << "share/qn/help/help.htm" << true;
    QTest::newRow("missing") << "bin/help/" << true;
    QTest::newRow("opener fails") << "bin/help/help.htm" << false;
  }
  void helpPage() {
    QFETCH(QString, page);
    QFETCH(bool, opens);
    QTemporaryDir prefix;
    QVERIFY(QDir(prefix.path()).mkpath("bin") &&
            QDir(prefix.path()).mkpath(QFileInfo(page).path()));
    const bool exists = !page.endsWith('/');
    if (exists) writeFileBytes(prefix.filePath(page), "<html></html>");
    QList<QUrl> urls;
    const auto opener = [&](const QUrl& url) { return urls << url, opens; };
    QCOMPARE(openHelpPage(prefix.filePath("bin"), opener, feedback_.get()), exists && opens);
    QCOMPARE(urls,
             exists ? QList<QUrl>{QUrl::fromLocalFile(prefix.filePath(page))} : QList<QUrl>{});
    QCOMPARE(messageList(*feedback_),
             exists && opens ? QStringList{} : QStringList{"ヘルプを開けません"});
    QCOMPARE(CMainFrame::GetProgramRelativePath("D:/doc/a.htm"), QString("D:/doc/a.htm"));
    QCOMPARE(CMainFrame::GetProgramRelativePath("help/help.htm"),
             QCoreApplication::applicationDirPath() + "/help/help.htm");
  }

  // --- the panes ---
  // One end-to-end check: starting paints the picture the engine draws when run directly;
  // stopping midway keeps the part painted so far.
  void renderingShowsTheEnginesPictureAndStopKeepsIt() {
    start();
    loadBothTextures();
    CQnRView* view = app_->mainFrame()->renderView();
    view->startDelay = view->stopTime = view->drawInterval = 1;
    TerrainRenderer& renderer = doc()->renderer();
    renderer.settings.viewpoint = {32.0, 110.0, 70.0};  // an oblique view over the terrain
    renderer.settings.lookAt = {32.0, 30.0, 0.0};
    app_->mainFrame()->action(Command::kStartRendering)->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!view->isSequenceTimerActive() && !renderer.isDrawing(), 30000);
    TerrainRenderer direct;
    direct.settings = renderer.settings;
    QVERIFY(direct.buildMesh(MeshPurpose::Rendering, doc()->model().surfaceImage,
                             doc()->model().bumpImage, 64, 60));
    QVERIFY(direct.averageColors() && direct.transformVertices() && direct.sortPolygons() &&
            direct.applyLighting() && direct.createScreen());
    direct.drawToEnd();
    const DibImage &shown = renderer.screen(), &expected = direct.screen();
    const int count = shown.width() * shown.height();
    QVERIFY(shown.width() == expected.width() && shown.height() == expected.height());
    QVERIFY(std::equal(shown.pixels(), shown.pixels() + count, expected.pixels()));
    QVERIFY(std::count(expected.pixels(), expected.pixels() + count, Color(0)) < count * 9 / 10);
    view->resize(400, 300);
    const QImage shot = view->viewport()->grab().toImage();
    for (int i = 0; i < count; i += 997)  // shown 4 pixels in from the corner
      QCOMPARE(shot.pixelColor(4 + i % shown.width(), 4 + i / shown.width()),
               qcolor(expected.pixels()[i]));
    view->startDelay = 0, view->processCount = 0;
    renderer.drawCount = 4;
    app_->mainFrame()->action(Command::kStartRendering)->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(renderer.drawPosition() >= 40, 20000);
    app_->mainFrame()->action(Command::kStopRendering)->trigger();
    QVERIFY(!renderer.isDrawing() && !view->isSequenceTimerActive());
    const std::vector<Color> partial(shown.pixels(), shown.pixels() + count);
    QTest::qWait(30);
    QVERIFY(std::equal(partial.begin(), partial.end(), shown.pixels()));
    QVERIFY(!std::equal(partial.begin(), partial.end(), expected.pixels()));
    QVERIFY(app_->mainFrame()->action(Command::kSaveBitmap)->isEnabled());
  }

  void renderViewScrollsTheScreenWithAMargin() {
    CQnRView view(*doc_);
    view.resize(200, 150);
    view.show();
    QCOMPARE(view.scrollTotalSize(), QSize(328, 248));
    doc_->renderer().settings.screenWidth = 640;
    doc_->renderer().settings.screenHeight = 480;
    QVERIFY(doc_->renderer().createScreen());
    view.resize(400, 300);
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.OnUpdate();
    QVERIFY(view.scrollTotalSize() == QSize(648, 488) && view.scrollPageSize() == QSize(64, 48));
    QCOMPARE(view.scrollLineSize(), QSize(6, 4));
    QScrollBar* bar = view.horizontalScrollBar();  // regression: the handles were a tenth
    QCOMPARE(bar->pageStep(), view.viewport()->width());
    QCOMPARE(bar->maximum(), 648 - view.viewport()->width());  // handle : groove = seen : 648
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(bar->value(), 70);
  }

  // The defaults: 2000 ms start, bursts of 50 ticks of 20 ms, pauses of 600 ms.
  void renderViewTickTable() {
    openUserSettings()->remove(kSequenceKey);
    CQnRView view(*doc_);
    doc_->setRenderView(&view);
    QVERIFY(doc_->model().openTexture(TextureKind::Surface, surface_.toStdString()));
    QVERIFY(doc_->model().openTexture(TextureKind::Bump, bump_.toStdString()));
    const auto begin = [&] {
      QCOMPARE(doc_->model().startRendering(), StartResult::Started);
      doc_->renderer().drawCount = 1;  // enough triangles for two bursts
      view.BeginSequence();
    };
    const auto state = [&] {
      return QList<uint>{view.burstStep, view.sequenceTimerPeriod(),
                         doc_->renderer().drawPosition()};
    };
    begin();
    QCOMPARE(state(), (QList<uint>{0, 2000, 0}));
    view.OnTimer();  // opens the burst, paints nothing
    QCOMPARE(state(), (QList<uint>{1, 20, 0}));
    for (uint tick = 1; tick <= 50; ++tick) {
      view.OnTimer();
      QCOMPARE(state(), (QList<uint>{tick + 1, 20, tick}));
    }
    view.OnTimer();  // 51 > 50: pause
    QCOMPARE(state(), (QList<uint>{0, 600, 50}));
    view.OnTimer(), view.OnTimer();  // opens the next burst, draws
    QCOMPARE(state(), (QList<uint>{2, 20, 51}));
    doc_->model().stopRendering();
    view.OnTimer();  // the tick after the stop ends the sequence in any phase
    QVERIFY(!view.isSequenceTimerActive() && !doc_->renderer().isDrawing());
    view.startDelay = 0;  // a start delay of 0 arms with the interval
    begin();
    QCOMPARE(view.sequenceTimerPeriod(), 20u);
    doc_->model().stopRendering();
    view.EndSequence();  // and no late tick of it touches a new model
    QCOMPARE(doc_->model().startRendering(), StartResult::Started);
    QTest::qWait(30);
    QVERIFY(doc_->renderer().isDrawing() && doc_->renderer().drawPosition() == 0);
  }

  void contextMenusFollowTheDocument() {
    CQnRView render(*doc_);
    CQnTView textures(*doc_);
    const auto state = [](auto& view) {
      const auto menu = view.makeContextMenu();
      QString s;
      for (QAction* a : menu->actions()) s += a->text() + QString::number(a->isEnabled());
      return s;
    };
    QCOMPARE(state(render), QStringLiteral("レンダリング開始(&R)0レンダリング中止(&E)0"));
    QVERIFY(state(textures).endsWith("テクスチャを再読み込み(&Q)0"));  // reload: once a path is set
    QVERIFY(doc_->model().openTexture(TextureKind::Bump, bump_.toStdString()));
    QVERIFY(state(textures).endsWith('1') && state(render).contains("(&R)0"));
    QVERIFY(doc_->model().openTexture(TextureKind::Surface, surface_.toStdString()));
    QCOMPARE(state(render), QStringLiteral("レンダリング開始(&R)1レンダリング中止(&E)0"));
    QCOMPARE(doc_->model().startRendering(), StartResult::Started);
    QCOMPARE(state(render), QStringLiteral("レンダリング開始(&R)0レンダリング中止(&E)1"));
  }

  void textureLayoutReductions_data() {
    QTest::addColumn<QSize>("surface");
    QTest::addColumn<QSize>("bump");
    QTest::addColumn<QSize>("surfaceDrawn");
    QTest::addColumn<QSize>("bumpDrawn");
    QTest::newRow("tall surface") << QSize(256, 512) << QSize(100, 80) << QSize(64, 128)
                                  << QSize(100, 80);
    QTest::newRow("wide, not narrowed")
        << QSize(1000, 100) << QSize(2, 2) << QSize(1000, 100) << QSize(2, 2);
  }
  void textureLayoutReductions() {
    QFETCH(QSize, surface);
    QFETCH(QSize, bump);
    QFETCH(QSize, surfaceDrawn);
    QFETCH(QSize, bumpDrawn);
    const auto empty = CQnTView(*doc_).layoutItems();
    QVERIFY(empty.size() == 4 && empty[2].position == QPoint(4, 168));
    QCOMPARE(empty[1].text, QStringLiteral("ファイルを開いてください"));
    const QString surfacePath = folder_.filePath("ls.bmp"), bumpPath = folder_.filePath("lb.bmp");
    QVERIFY(writeTestTexture(surfacePath, surface.width(), surface.height(), false));
    QVERIFY(writeTestTexture(bumpPath, bump.width(), bump.height(), true));
    QVERIFY(doc_->model().openTexture(TextureKind::Surface, surfacePath.toStdString()));
    QVERIFY(doc_->model().openTexture(TextureKind::Bump, bumpPath.toStdString()));
    CQnTView pane(*doc_);
    const auto items = pane.layoutItems();
    QCOMPARE(items.size(), size_t{6});
    QVERIFY(items[1].kind == TextureViewItem::Kind::Image && items[1].size == surfaceDrawn);
    QCOMPARE(items[4].size, bumpDrawn);
    for (int i = 0; i < 6; ++i)
      QCOMPARE(items[i].position, QPoint(4, QList<int>{4, 22, 152, 168, 186, 316}[i]));
    QCOMPARE(items[2].text + items[5].text,
             QString::asprintf("サイズ %d×%dサイズ %d×%d", surface.width(), surface.height(),
                               bump.width(), bump.height()));
    pane.resize(1100, 400);
    const Color first = doc_->model().surfaceImage.pixels()[0];
    if (surface == surfaceDrawn) QCOMPARE(pane.grab().toImage().pixelColor(4, 22), qcolor(first));
  }

  // --- small windows ---
  void meshOptionsRefuseAnErrorNotAbove0() {
    CMeshExportDlg dialog("STL 形式で保存", true, MeshExportOptions{}, *feedback_);
    QVERIFY(!dialog.simplifyBox()->isChecked() && !dialog.errorBox()->isEnabled());
    dialog.simplifyBox()->setChecked(true), dialog.solidBox()->setChecked(true);
    QVERIFY(dialog.errorBox()->isEnabled());
    for (const QString refused : {"0", "-1", "x", ""}) {
      dialog.errorBox()->setText(refused);
      dialog.accept();
      QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }
    QCOMPARE(messageList(*feedback_),
             QStringList(4, "許容誤差には 0 より大きい数を入力してください。"));
    dialog.errorBox()->setText("2.5");
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(dialog.options().simplifyError == std::optional<double>(2.5) && dialog.options().solid);
    QCOMPARE(CMeshExportDlg("PLY 形式で保存", false, {}, *feedback_).solidBox(), nullptr);
  }

  // --- the dialogs ---
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
    CRendererSettingsDlg settings(*feedback_);
    CRenderSequenceDlg sequence(*feedback_);
    sequence.setSequence({1, 2, 3, 4, 5});
    QDialog& dialog = c.sequence ? static_cast<QDialog&>(sequence) : settings;
    QVERIFY(showAndWait(dialog));
    button(settings, "check1016")->click();  // so that the slice range can take the focus
    setTexts(dialog, c.edits);
    QWidget* focusBefore = dialog.focusWidget();
    dialog.accept();
    QCOMPARE(messageList(*feedback_), c.message.isEmpty() ? QStringList{} : QStringList{c.message});
    QCOMPARE(dialog.result(), int(c.focus == kAccepted ? QDialog::Accepted : QDialog::Rejected));
    if (c.focus == kAccepted) return;
    QVERIFY(dialog.isVisible() && settings.settings() == RenderSettings{});  // nothing handed back
    QCOMPARE(members(sequence), (Members{1, 2, 3, 4, 5}));
    QLineEdit* focused = c.focus == kKeepsFocus ? nullptr : box(dialog, c.focus);
    QCOMPARE(dialog.focusWidget(), focused ? focused : focusBefore);
    if (focused) QCOMPARE(focused->selectedText(), focused->text());
  }

  void settingsEachBoxReadsIntoItsOwnSetting() {
    CRendererSettingsDlg dialog(*feedback_);
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
    CRendererSettingsDlg dialog(*feedback_);
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
    QVERIFY(dialog.settings() == everyFieldChanged() && feedback_->messages.empty());
    QTimer::singleShot(0, &dialog, [&dialog] {
      box(dialog, 1000)->setText("800");
      QTest::keyClick(&dialog, Qt::Key_Return);  // OK is the default button
    });
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QCOMPARE(dialog.settings().screenWidth, 800u);
  }

  void settingsHeightCopyRadiosAndSliceRange() {
    CRendererSettingsDlg dialog(*feedback_);
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
    CRenderSequenceDlg dialog(*feedback_);
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
    second->setText("12345");
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
    const DibImage texture = gradientTexture(64, 64);  // a ramp for the heights as well
    CCameraDlg dialog(oblique(), texture, texture, 64, 64);
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

 private:
  static constexpr int kDxf = -1, kBitmap = -2;
  CQnDoc* doc() { return app_->document(); }
  void start() {
    app_.reset();
    app_ = std::make_unique<CQnApp>(chooser_.get(), feedback_.get());
    app_->setSplashAllowed(false);
    QVERIFY(app_->InitInstance({"qn"}));
  }
  void loadBothTextures() {
    chooser_->answer(surface_);
    chooser_->answer(bump_);
    doc()->OnOpenSurfaceTexture();
    doc()->OnOpenBumpTexture();
    QVERIFY(doc()->canStartRendering());
  }
  SplashGate& showSplash(QWidget& main) {  // an enabled splash shown over main
    main.show();
    gate_ = std::make_unique<SplashGate>();
    gate_->EnableSplash(true);
    gate_->ShowSplash(&main);
    return *gate_;
  }
  void writeDocument(const QString& path) {  // both textures, a screen 200 wide
    DocumentModel model;
    QVERIFY(model.openTexture(TextureKind::Surface, surface_.toStdString()));
    QVERIFY(model.openTexture(TextureKind::Bump, bump_.toStdString()));
    model.renderer.settings.screenWidth = 200;
    QVERIFY(model.writeFile(path.toStdString()));
  }

  QTemporaryDir folder_;
  const QString config_ = folder_.filePath("config");
  const QString surface_ = folder_.filePath("surface.bmp"), bump_ = folder_.filePath("bump.bmp");
  const QString thin_ = folder_.filePath("thin.bmp"), broken_ = folder_.filePath("broken.bmp");
  std::unique_ptr<RecordingFeedback> feedback_;
  std::unique_ptr<ScriptedFileChooser> chooser_;
  std::unique_ptr<CQnDoc> doc_;  // a document of its own for the panes
  std::unique_ptr<CQnApp> app_;
  std::unique_ptr<SplashGate> gate_;
};

QTEST_MAIN(WindowsTest)
#include "tst_windows.moc"
