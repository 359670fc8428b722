// The windows' own life: start-up, the splash, what the settings store keeps between runs, the
// shipped help page, the progress window's texts, stopping and drops on the picture, the small
// dialogs' texts and refusals.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>

#include "app/CMainFrame.h"
#include "app/CQnApp.h"
#include "app/CQnDoc.h"
#include "app/HelpOpener.h"
#include "app/SettingsStore.h"
#include "dialogs/CAboutDlg.h"
#include "dialogs/CCameraDlg.h"
#include "dialogs/CMeshExportDlg.h"
#include "dialogs/CStageProgressDlg.h"
#include "dialogs/QtFeedback.h"
#include "support/GuiDrops.h"
#include "support/GuiTestTextures.h"
#include "support/QtFileContents.h"
#include "support/ScriptedFileChooser.h"
#include "support/TestTextures.h"
#include "views/CQnRView.h"
#include "views/CQnTView.h"
#include "views/SplashWindow.h"

namespace {

const QString kSequenceKey = QStringLiteral("Settings/Render Sequence");

struct PressCounter : QWidget {  // counts the key presses and clicks reaching it
  int keys = 0, clicks = 0;
  void keyPressEvent(QKeyEvent*) override { ++keys; }
  void mousePressEvent(QMouseEvent*) override { ++clicks; }
};

}  // namespace

class WindowLifecycleTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QVERIFY(folder_.isValid());
    useSettingsFolder(config_);
    QVERIFY(writeTestTexture(surface_, 72, 60, false) && writeTestTexture(bump_, 64, 64, true));
  }
  void init() {
    feedback_ = std::make_unique<RecordingFeedback>();
    chooser_ = std::make_unique<ScriptedFileChooser>();
  }
  void cleanup() { app_.reset(), gate_.reset(); }

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
    const auto row = [](const char* name, const char* file, QByteArray bytes, QString title,
                        QString message) {
      QTest::newRow(name) << file << bytes << title << message;
    };
    row("a document", "work.qnf", "document", "work.qnf - QN Version 3.3", "");
    row("not a document", "notdoc.qnf", "QXjunk", "無題 - QN Version 3.3",
        "QN ドキュメントではありません。");
    row("unreadable", "none.qnf", "", "", "");
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
    QCOMPARE(doc()->model().surfaceImage.isValid() && doc()->model().bumpImage.isValid(), opened);
  }

  void splashTakesTheFirstPressOnly_data() {
    QTest::addColumn<bool>("key");
    QTest::newRow("key") << true;
    QTest::newRow("mouse press on the splash") << false;
  }
  void splashTakesTheFirstPressOnly() {
    QFETCH(bool, key);
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

  void splashKeepsAShortcutFromTheFirstKey() {
    QMainWindow main;
    QAction* action = main.addAction("new");
    action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    QSignalSpy triggered(action, &QAction::triggered);
    main.show();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    QTest::keyClick(&main, Qt::Key_N, Qt::ControlModifier);  // works without a splash
    showSplash(main);
    QTest::keyClick(&main, Qt::Key_N, Qt::ControlModifier);
    QVERIFY(gate_->current() == nullptr && triggered.count() == 1);
  }

  void splashClosesByItselfAndASecondShowDoesNothing() {
    QWidget main;
    SplashGate& gate = showSplash(main);
    SplashWindow* first = gate.current();
    gate.ShowSplash(&main);
    QVERIFY(first != nullptr && gate.current() == first);
    QTest::qWait(1000);
    QVERIFY(gate.current() == first);
    QTRY_VERIFY_WITH_TIMEOUT(gate.current() == nullptr, 3000);
  }

  void disabledSplashIsNeverShown() {
    PressCounter main;
    main.show();
    SplashGate gate;  // disabled until enabled
    gate.ShowSplash(&main);
    QVERIFY(gate.current() == nullptr);
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
    QVERIFY(!gate.PreTranslateSplashMessage(&key));
    QTest::keyClick(&main, Qt::Key_A);
    QCOMPARE(main.keys, 1);
    for (const QString embedded : {"-Embedding", "-x", "-automation"}) {  // started by another
      app_ = std::make_unique<CQnApp>(chooser_.get(), feedback_.get());
      QVERIFY(app_->InitInstance({"qn", embedded}));
      QCOMPARE(app_->splash().current() != nullptr, embedded == "-x");
      app_.reset();
    }
  }

  void windowPlaceSizeAndSplitterKeptBetweenRuns() {
    start();
    QVERIFY(QTest::qWaitForWindowExposed(app_->mainFrame()));
    app_->mainFrame()->resize(700, 520);
    app_->mainFrame()->move(30, 40);
    app_->mainFrame()->splitter()->setSizes({200, 400});
    QTRY_COMPARE(app_->mainFrame()->splitter()->sizes().first(), 200);
    QVERIFY(app_->mainFrame()->close());
    app_.reset();
    start();
    QCOMPARE(app_->mainFrame()->size(), QSize(700, 520));
    QCOMPARE(app_->mainFrame()->pos(), QPoint(30, 40));
    QCOMPARE(app_->mainFrame()->splitter()->sizes().first(), 200);
  }

  // Regression: the first window showed the sample's 640 x 480 picture with both scroll bars.
  void firstWindowShowsTheSamplePictureWithinTheScreen() {
    openUserSettings()->remove("Window");
    start();
    CMainFrame* frame = app_->mainFrame();
    QVERIFY(QTest::qWaitForWindowExposed(frame));
    const QSize room = frame->screen()->availableGeometry().size();
    QVERIFY(frame->width() <= room.width() && frame->height() <= room.height());
    QCOMPARE(frame->size(), frame->firstWindowSize());
    frame->resize(frame->sizeShowing(QSize(648, 488)));  // what the first size aims at
    RenderSettings& settings = doc()->renderer().settings;
    settings.screenWidth = 640, settings.screenHeight = 480;
    QVERIFY(doc()->renderer().createScreen());
    doc()->UpdateAllViews();
    QTRY_COMPARE(frame->renderView()->viewport()->size(), QSize(648, 488));
    const CQnRView* view = frame->renderView();  // no scroll bar either way
    QVERIFY(view->horizontalScrollBar()->maximum() == 0 &&
            view->verticalScrollBar()->maximum() == 0);
  }

  void sequenceReadWhenTheViewIsMadeWrittenWhenDestroyed_data() {
    QTest::addColumn<QVariant>("stored");  // invalid: none
    QTest::addColumn<QString>("written");  // the values read, then the reserved places as 0
    QTest::newRow("absent") << QVariant() << "2000,20,256,50,600,0,0,0";
    QTest::newRow("short") << QVariant("100,10,5") << "100,10,5,50,600,0,0,0";
    QTest::newRow("malformed") << QVariant("fast please") << "2000,20,256,50,600,0,0,0";
    QTest::newRow("reserved places") << QVariant("1,2,3,4,5,7,8,9") << "1,2,3,4,5,0,0,0";
    QTest::newRow("a list") << QVariant(QStringList{"11", "12", "13"}) << "11,12,13,50,600,0,0,0";
  }
  void sequenceReadWhenTheViewIsMadeWrittenWhenDestroyed() {
    QFETCH(QVariant, stored);
    QFETCH(QString, written);
    stored.isValid() ? openUserSettings()->setValue(kSequenceKey, stored)
                     : openUserSettings()->remove(kSequenceKey);
    CQnDoc doc(*chooser_, *feedback_);
    {
      CQnRView view(doc);
      const QList<uint> read{view.startDelay, view.drawInterval, doc.renderer().drawCount,
                             view.processCount, view.stopTime};
      for (int i = 0; i < 5; ++i) QCOMPARE(QString::number(read[i]), written.section(',', i, i));
      openUserSettings()->setValue(kSequenceKey, "overwritten at destruction");
    }
    QCOMPARE(openUserSettings()->value(kSequenceKey).toString(), written);
    openUserSettings()->remove(kSequenceKey);
  }

  void helpPageLinksResolveAndItsCopyLiesBesideTheProgram() {
    const QString source = QStringLiteral(QN_SOURCE_DIR "/resources/help/");
    const QString text = QString::fromUtf8(readFileBytes(source + "help.htm"));
    for (const char* needle :
         {"charset=\"utf-8\"", "バンプテクスチャ", "表面テクスチャ", "環境光", "スライス",
          "レンダリングシーケンス", "DXF", "qn-render", "--print-settings", ".qnf"})
      QVERIFY2(text.contains(QString::fromUtf8(needle)), needle);
    QRegularExpression link("(?:href|src)=\"([^\"#:]*)(?:#([^\"]*))?\"");
    int links = 0;
    for (auto it = link.globalMatch(text); it.hasNext(); ++links) {
      const auto match = it.next();  // a page or picture shipped beside, or an anchor here
      const QString file = match.captured(1), anchor = match.captured(2);
      if (!file.isEmpty()) QVERIFY2(QFile::exists(source + file), qPrintable(file));
      if (file.isEmpty()) QVERIFY2(text.contains("id=\"" + anchor + "\""), qPrintable(anchor));
    }
    QVERIFY(links > 10);
    const QString programDir = QStringLiteral(QN_BINARY_DIR "/bin");
    if (!QFile::exists(programDir + "/qn")) QSKIP("qn is not built in this build folder");
    QList<QUrl> opened;
    QVERIFY(openHelpPage(
        programDir, [&](const QUrl& url) { return opened << url, true; }, feedback_.get()));
    QCOMPARE(opened, QList<QUrl>{QUrl::fromLocalFile(programDir + "/help/help.htm")});
    for (const char* file : {"help.htm", "help.css"})
      QCOMPARE(readFileBytes(programDir + "/help/" + file), readFileBytes(source + file));
  }

  void progressPercentText_data() {  // modulo 100, the sign kept
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("shown");
    const QStringList shown{"0%", "37%", "99%", "100%", "50%", "0%", "-5%"};
    int row = 0;
    for (int position : {0, 37, 99, 100, 150, 200, -5})
      QTest::addRow("%d", position) << position << shown[row++];
  }
  void progressPercentText() {
    QFETCH(int, position);
    QFETCH(QString, shown);
    CStageProgressDlg dialog;
    QVERIFY(dialog.create());
    QCOMPARE(dialog.percentText(), QStringLiteral(" 0 %"));
    QCOMPARE(dialog.setProgress(position), 0);
    QCOMPARE(dialog.percentText(), shown);
    QCOMPARE(dialog.setProgress(1), position);  // hands back the position before
  }

  void progressTextsOwnersAndQtFeedbackWindows() {
    QMainWindow owner;
    owner.show(), owner.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&owner));
    CStageProgressDlg dialog;  // every call harmless before the window exists
    dialog.setCaption("x"), dialog.setMessage("y"), dialog.showBusyOnly();
    QVERIFY(dialog.setProgress(50) == 0 && !dialog.pollCancel());
    dialog.destroy();
    QVERIFY(owner.isEnabled());
    QVERIFY(dialog.create() && !owner.isEnabled());  // no owner given: the main window
    QCOMPARE(dialog.window()->windowTitle(), QStringLiteral("レンダリング"));
    QVERIFY(!dialog.window()->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    QTRY_COMPARE(QApplication::activeWindow(), dialog.window());
    dialog.setCaption("DXF 形式で保存");
    dialog.setMessage("ソートをおこなっています。");
    QCOMPARE(dialog.window()->windowTitle() + "|" + dialog.messageText(),
             QStringLiteral("DXF 形式で保存|ソートをおこなっています。"));
    dialog.destroy();
    QVERIFY(owner.isEnabled() && dialog.window() == nullptr);
    QTRY_COMPARE(QApplication::activeWindow(), &owner);  // the owner is active again
    QtFeedback feedback(&owner);
    auto progress = feedback.openProgress();
    QVERIFY(progress->create() && !owner.isEnabled());
    progress.reset();
    QVERIFY(owner.isEnabled());
  }

  void stoppingMidwayKeepsThePartPaintedSoFar() {
    start();
    chooser_->answer(surface_), chooser_->answer(bump_);
    doc()->OnOpenSurfaceTexture(), doc()->OnOpenBumpTexture();
    CMainFrame* frame = app_->mainFrame();
    CQnRView* view = frame->renderView();
    view->startDelay = 0, view->drawInterval = 1, view->processCount = 0;
    TerrainRenderer& renderer = doc()->renderer();
    renderer.drawCount = 64;
    frame->action(Command::kStartRendering)->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(renderer.drawPosition() >= 640, 20000);
    frame->action(Command::kStopRendering)->trigger();
    QVERIFY(!renderer.isDrawing() && !view->isSequenceTimerActive());
    const std::vector<Color> partial(renderer.screen().pixels(),
                                     renderer.screen().pixels() + 320 * 240);
    QVERIFY(std::any_of(partial.begin(), partial.end(), [](Color c) { return c != 0; }));
    QTest::qWait(30);
    QVERIFY(std::equal(partial.begin(), partial.end(), renderer.screen().pixels()));
    QVERIFY(frame->action(Command::kStartRendering)->isEnabled() &&
            frame->action(Command::kSaveBitmap)->isEnabled());
    const Color c = partial[120 * 320 + 160];  // painted 4 pixels in from the corner
    QCOMPARE(view->viewport()->grab().toImage().pixelColor(164, 124),
             QColor(int(redOf(c)), int(greenOf(c)), int(blueOf(c))));
  }

  void dropsOntoThePicture() {
    start();
    CMainFrame* frame = app_->mainFrame();
    QWidget* picture = frame->renderView()->viewport();
    const QString document = folder_.filePath("dropped.qnf");
    writeDocument(document);
    chooser_->answer(surface_);
    doc()->OnOpenSurfaceTexture();
    QStringList asked;
    SaveAnswer answer = SaveAnswer::Cancel;
    doc()->setSaveQuestion([&](const QString& title) { return asked << title, answer; });
    QVERIFY(!dropFile(picture, QPoint(50, 50), bump_));  // a texture is not taken there
    QVERIFY(doc()->model().bumpPath().empty() && asked.isEmpty());
    dropFile(picture, QPoint(50, 50), document);  // asked first; cancelled keeps the changes
    QVERIFY(asked.size() == 1 && doc()->IsModified() && doc()->GetPathName().isEmpty());
    answer = SaveAnswer::Discard;
    QVERIFY(dropFile(picture, QPoint(50, 50), document));
    QVERIFY(asked.size() == 2 && !doc()->IsModified() && doc()->GetPathName() == document);
    QVERIFY(doc()->renderer().settings.screenWidth == 200 && doc()->model().bumpImage.isValid());
    frame->setEnabled(false);  // as while a stage runs: no drops
    QVERIFY(!dropFile(picture, QPoint(50, 50), document) && asked.size() == 2);
  }

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

  void aboutBoxShowsTheProgramNameAndVersion() {
    CAboutDlg about;
    QCOMPARE(about.windowTitle(), QStringLiteral("QN のバージョン情報"));
    QStringList texts;
    for (auto* label : about.findChildren<QLabel*>()) texts << label->text();
    QVERIFY(texts.contains(QStringLiteral("３次元地形画像レンダラ QN Version 3.3")));
    auto* ok = about.findChild<QPushButton*>("button1");
    QVERIFY(ok && ok->text() == QStringLiteral("OK"));
    QTimer::singleShot(0, ok, &QPushButton::click);
    QCOMPARE(about.exec(), int(QDialog::Accepted));
  }

  void lockIndicatorsPathsAndTexturePane() {
    start();
    CMainFrame* frame = app_->mainFrame();
    LockStates states;
    states.caps = states.scroll = true;  // kana unknown
    frame->setLockStateReader([&states] { return states; });
    const bool lit[] = {false, true, false, true};
    for (int i = 0; i < 4; ++i) QCOMPARE(frame->lockIndicator(i)->isEnabled(), lit[i]);
    states.caps = false;
    QTRY_VERIFY(!frame->lockIndicator(1)->isEnabled());  // a change shows without any event
    QCOMPARE(CMainFrame::GetProgramRelativePath("help/help.htm"),
             QCoreApplication::applicationDirPath() + "/help/help.htm");
    QCOMPARE(CMainFrame::GetProgramRelativePath("D:/doc/a.htm"), QString("D:/doc/a.htm"));
    CQnDoc* doc = app_->document();
    const auto empty = CQnTView(*doc).layoutItems();
    QCOMPARE(empty.size(), size_t{4});
    QCOMPARE(empty[1].text, QStringLiteral("ファイルを開いてください"));
    QCOMPARE(empty[2].position, QPoint(4, 168));
    QVERIFY(doc->model().openTexture(TextureKind::Surface, surface_.toStdString()));
    CQnTView pane(*doc);
    pane.resize(128, 400);
    const QImage shot = pane.grab().toImage();
    const Color first = doc->model().surfaceImage.pixels()[0];
    QCOMPARE(shot.pixelColor(4, 22),
             QColor(int(redOf(first)), int(greenOf(first)), int(blueOf(first))));
  }

  void cameraNotes_data() {
    QTest::addColumn<QSize>("size");  // of both textures; empty: none loaded
    QTest::addColumn<QString>("note");
    QTest::newRow("coarse grid") << QSize(600, 300) << "粗いグリッド (3 点ごと) で表示しています。";
    QTest::newRow("258 wide") << QSize(258, 40) << "粗いグリッド (2 点ごと) で表示しています。";
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
    RenderSettings stored = expected;
    stored.viewpoint = {150, 200, 120}, stored.lookAt = {30, 30, 0}, stored.distance = 500;
    CCameraDlg dialog(stored, texture, texture, size.width(), size.height());
    QCOMPARE(dialog.noteLabel()->text(), note);
    QCOMPARE(dialog.noteLabel()->isVisibleTo(&dialog), !note.isEmpty());
    QVERIFY(!dialog.grab().isNull());
    QTest::mouseClick(dialog.defaultsButton(), Qt::LeftButton);
    QVERIFY(dialog.settings() == expected);
    QCOMPARE(dialog.defaultsButton()->text(), QStringLiteral("標準"));
  }

 private:
  CQnDoc* doc() { return app_->document(); }
  SplashGate& showSplash(QWidget& main) {  // an enabled splash shown over main
    main.show();
    gate_ = std::make_unique<SplashGate>();
    gate_->EnableSplash(true);
    gate_->ShowSplash(&main);
    return *gate_;
  }
  void start() {
    app_ = std::make_unique<CQnApp>(chooser_.get(), feedback_.get());
    app_->setSplashAllowed(false);
    QVERIFY(app_->InitInstance({"qn"}));
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
  std::unique_ptr<RecordingFeedback> feedback_;
  std::unique_ptr<ScriptedFileChooser> chooser_;
  std::unique_ptr<CQnApp> app_;
  std::unique_ptr<SplashGate> gate_;
};

QTEST_MAIN(WindowLifecycleTest)
#include "tst_window_lifecycle.moc"
