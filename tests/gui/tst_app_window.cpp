// The program's windows: the main window's commands, messages, enabling and modified flag, the
// stages' progress windows, the export and help commands, and the render and texture panes.
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QSplitter>
#include <QTemporaryDir>
#include <QToolBar>
#include <QtTest>
#include <algorithm>

#include "app/CMainFrame.h"
#include "app/CQnApp.h"
#include "app/CQnDoc.h"
#include "app/ExportCommands.h"
#include "app/HelpOpener.h"
#include "app/SettingsStore.h"
#include "dialogs/CCameraDlg.h"
#include "dialogs/QtText.h"
#include "settings/NumberText.h"
#include "support/GuiDrops.h"
#include "support/GuiTestTextures.h"
#include "support/QtFileContents.h"
#include "support/ScriptedFileChooser.h"
#include "support/WindowedFeedback.h"
#include "views/CQnRView.h"
#include "views/CQnTView.h"
#include "views/CameraPreviewView.h"

namespace {

QColor qcolor(Color c) { return QColor(int(redOf(c)), int(greenOf(c)), int(blueOf(c))); }

}  // namespace

class AppWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QVERIFY(folder_.isValid());
    useSettingsFolder(folder_.filePath("config"));
    QVERIFY(writeTestTexture(surface_, 72, 60, false) && writeTestTexture(bump_, 64, 64, true) &&
            writeTestTexture(thin_, 1, 200, false));
    writeFileBytes(broken_, "BM not really");
  }
  void init() {
    feedback_ = std::make_unique<RecordingFeedback>();
    chooser_ = std::make_unique<ScriptedFileChooser>();
    doc_ = std::make_unique<CQnDoc>(*chooser_, *feedback_);
  }
  void cleanup() { app_.reset(), doc_.reset(); }

  void menusToolbarPromptsAndEnablingInEveryState() {
    start();
    CMainFrame* frame = app_->mainFrame();
    QStringList menus, buttons;  // the menus, the toolbar (every button with its icon), prompts
    for (QAction* menu : frame->menuBar()->actions()) menus << menu->text();
    QCOMPARE(menus.join(' '), QStringLiteral("ファイル(&F) 表示(&V) レンダラ(&R) ヘルプ(&H)"));
    QCOMPARE(frame->action(Command::kReloadTextures)->shortcut(),
             QKeySequence(Qt::CTRL | Qt::Key_Q));
    const auto prompt = [frame](int c) {
      return frame->action(c)->statusTip() + "|" + frame->action(c)->toolTip();
    };
    QCOMPARE(prompt(Command::kStartRendering), QStringLiteral("レンダリングを開始|開始"));
    QVERIFY(prompt(Command::kCameraSettings).startsWith("プレビューを見ながら"));
    for (QAction* a : frame->findChild<QToolBar*>()->actions())
      buttons << (a->isSeparator() ? "|" : a->toolTip() + (a->icon().isNull() ? "?" : ""));
    QCOMPARE(buttons.join(' '), QStringLiteral("新規データ 開く 保存 | 表面テクスチャを開く "
                                               "バンプテクスチャを開く 再読み込み | ビットマップを"
                                               "保存 | 開始 中止 設定 カメラ設定 | ヘルプ"));
    QVERIFY(frame->splitter()->sizes().at(0) == 128 && frame->splitter()->sizes().at(1) > 300);
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
    QVERIFY(doc()->renderer().isDrawing());
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
    QCOMPARE(fromLocalPath(doc()->model().bumpPath()), bump_);  // the caption is the block's
    frame->setEnabled(false);                                   // as while a stage runs: no drops
    QVERIFY(!dropFile(pane, QPoint(20, 40), surface_));
  }

  void modifiedFlagAndTheSaveQuestion() {
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
    answer = SaveAnswer::Discard;
    QVERIFY(doc()->OpenDocumentFile(target) && doc()->model().surfaceImage.isValid());
    QCOMPARE(app_->mainFrame()->recentFiles().entries().first(), target);
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

  // One end-to-end check: starting paints the picture the engine draws when run directly.
  void renderingShowsTheEnginesPicture() {
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
  }

  void mainWindowEnabledAfterEveryStageOutcome_data() {
    QTest::addColumn<int>("cancelWindow");
    QTest::newRow("completed") << -1;
    QTest::newRow("surface division cancelled") << 0;
    QTest::newRow("colour averaging cancelled") << 1;
    QTest::newRow("lighting cancelled") << 4;
  }
  void mainWindowEnabledAfterEveryStageOutcome() {
    QFETCH(int, cancelWindow);
    WindowedFeedback windowed;
    windowed.cancelWindow = cancelWindow;
    app_ = std::make_unique<CQnApp>(chooser_.get(), &windowed);
    app_->setSplashAllowed(false);
    QVERIFY(app_->InitInstance({"qn"}));
    windowed.owner = app_->mainFrame();
    loadBothTextures();
    app_->mainFrame()->renderView()->startDelay = 60000;
    app_->mainFrame()->action(Command::kStartRendering)->trigger();
    QVERIFY(app_->mainFrame()->isEnabled() && windowed.pollsWithOwnerEnabled == 0);
    QCOMPARE(windowed.opened, cancelWindow < 0 ? 5 : cancelWindow + 1);
    QCOMPARE(doc()->renderer().isDrawing(), cancelWindow < 0);
    QCOMPARE(windowed.messages,
             cancelWindow < 0 ? QStringList{} : QStringList{"レンダリングを中止します。"});
    app_.reset();
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
    QTest::newRow("only the folder") << "bin/help/" << true;
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
    QCOMPARE(bar->value(), 64);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(bar->value(), 70);
  }

  // The defaults: 2000 ms start, bursts of 50 ticks of 20 ms, pauses of 600 ms.
  void renderViewTickTable() {
    openUserSettings()->remove("Settings/Render Sequence");  // the defaults
    CQnRView view(*doc_);
    doc_->setRenderView(&view);
    QVERIFY(doc_->model().openTexture(TextureKind::Surface, surface_.toStdString()));
    QVERIFY(doc_->model().openTexture(TextureKind::Bump, bump_.toStdString()));
    QCOMPARE(doc_->model().startRendering(), StartResult::Started);
    doc_->renderer().drawCount = 1;  // enough triangles for two bursts
    const auto state = [&] {
      return QList<uint>{view.burstStep, view.sequenceTimerPeriod(),
                         doc_->renderer().drawPosition()};
    };
    view.BeginSequence();
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
    for (const auto& [processCount, stopTime] : {std::pair{0u, 600u}, {50u, 0u}}) {
      view.processCount = processCount;  // either 0: no pauses
      view.stopTime = stopTime;
      view.startDelay = 0;
      QCOMPARE(doc_->model().startRendering(), StartResult::Started);
      doc_->renderer().drawCount = 1;
      view.BeginSequence();
      QCOMPARE(view.sequenceTimerPeriod(), 20u);  // a start delay of 0 arms with the interval
      view.OnTimer();
      for (uint tick = 1; tick <= 60; ++tick) {
        view.OnTimer();
        QCOMPARE(state(), (QList<uint>{1, 20, tick}));
      }
      doc_->model().stopRendering();
      view.EndSequence();  // and no late tick of it touches a new model
      QVERIFY(!view.isSequenceTimerActive());
      QCOMPARE(doc_->model().startRendering(), StartResult::Started);
      QTest::qWait(30);
      QVERIFY(doc_->renderer().isDrawing() && doc_->renderer().drawPosition() == 0);
      doc_->model().stopRendering();
    }
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
    QTest::newRow("over 128 high")
        << QSize(300, 129) << QSize(128, 128) << QSize(297, 128) << QSize(128, 128);
    QTest::newRow("wide, not narrowed")
        << QSize(1000, 100) << QSize(2, 2) << QSize(1000, 100) << QSize(2, 2);
  }
  void textureLayoutReductions() {
    QFETCH(QSize, surface);
    QFETCH(QSize, bump);
    QFETCH(QSize, surfaceDrawn);
    QFETCH(QSize, bumpDrawn);
    const QString surfacePath = folder_.filePath("ls.bmp"), bumpPath = folder_.filePath("lb.bmp");
    QVERIFY(writeTestTexture(surfacePath, surface.width(), surface.height(), false));
    QVERIFY(writeTestTexture(bumpPath, bump.width(), bump.height(), true));
    QVERIFY(doc_->model().openTexture(TextureKind::Surface, surfacePath.toStdString()));
    QVERIFY(doc_->model().openTexture(TextureKind::Bump, bumpPath.toStdString()));
    const auto items = CQnTView(*doc_).layoutItems();
    QCOMPARE(items.size(), size_t{6});
    QVERIFY(items[1].kind == TextureViewItem::Kind::Image && items[1].size == surfaceDrawn);
    QCOMPARE(items[4].size, bumpDrawn);
    for (int i = 0; i < 6; ++i)
      QCOMPARE(items[i].position, QPoint(4, QList<int>{4, 22, 152, 168, 186, 316}[i]));
    QCOMPARE(items[2].text + items[5].text,
             QString::asprintf("サイズ %d×%dサイズ %d×%d", surface.width(), surface.height(),
                               bump.width(), bump.height()));
  }

 private:
  static constexpr int kDxf = -1, kBitmap = -2;
  CQnDoc* doc() { return app_->document(); }
  void start(const QStringList& arguments = {"qn"}) {
    app_.reset();
    app_ = std::make_unique<CQnApp>(chooser_.get(), feedback_.get());
    app_->setSplashAllowed(false);
    QVERIFY(app_->InitInstance(arguments));
  }
  void loadBothTextures() {
    chooser_->answer(surface_);
    chooser_->answer(bump_);
    doc()->OnOpenSurfaceTexture();
    doc()->OnOpenBumpTexture();
    QVERIFY(doc()->canStartRendering());
  }

  QTemporaryDir folder_;
  const QString surface_ = folder_.filePath("surface.bmp"), bump_ = folder_.filePath("bump.bmp");
  const QString thin_ = folder_.filePath("thin.bmp"), broken_ = folder_.filePath("broken.bmp");
  std::unique_ptr<RecordingFeedback> feedback_;
  std::unique_ptr<ScriptedFileChooser> chooser_;
  std::unique_ptr<CQnDoc> doc_;  // a document of its own for the panes
  std::unique_ptr<CQnApp> app_;
};

QTEST_MAIN(AppWindowTest)
#include "tst_app_window.moc"
