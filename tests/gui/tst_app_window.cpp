// The program as a whole: start-up (legacy settings, command-line document), the main
// window's menus and enabling in every state, the document commands with their messages
// and modified flag, a full rendering compared with the engine run directly, stopping in
// the middle, and the main window given back after every stage outcome.
#include <QAction>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QtTest>

#include "app/CMainFrame.h"
#include "app/CQnApp.h"
#include "app/CQnDoc.h"
#include "app/SettingsStore.h"
#include "dialogs/CStageProgressDlg.h"
#include "dialogs/QtText.h"
#include "support/GuiTestTextures.h"
#include "support/RecordingFeedback.h"
#include "support/ScriptedFileChooser.h"
#include "views/CQnRView.h"
#include "views/CQnTView.h"

namespace {

// Drags path over target at the point and drops it there; true when the drop was taken.
bool dropFile(QWidget* target, QPoint at, const QString& path) {
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(path)});
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
  return drop.isAccepted();
}

const QString kLegacyNotice = QStringLiteral(
    "都合により Version 1.0 の設定情報を削除しました。\n以後、新しい設定情報を使用します。");

QStringList texts(const RecordingFeedback& feedback) {
  QStringList list;
  for (const auto& m : feedback.messages) list << QString::fromStdString(m.text);
  return list;
}

// Real progress windows over the main window; cancel pressed with the real button at the
// first poll of the window numbered cancelWindow (0 = the first stage). Records whether
// the main window was disabled at every poll.
class WindowedFeedback final : public UserFeedback {
 public:
  QWidget* owner = nullptr;
  int cancelWindow = -1;
  int opened = 0;
  int pollsWithOwnerEnabled = 0;
  QStringList messages;

  void showMessage(std::string_view text, MessageIcon) override {
    messages << QString::fromUtf8(text.data(), qsizetype(text.size()));
  }
  std::unique_ptr<StageProgress> openProgress() override {
    return std::make_unique<Probe>(*this, opened++);
  }

 private:
  class Probe final : public StageProgress {
   public:
    Probe(WindowedFeedback& owner, int index)
        : owner_(owner), index_(index), dialog_(owner.owner) {}
    bool create() override { return dialog_.create(); }
    void setCaption(std::string_view text) override { dialog_.setCaption(text); }
    void setMessage(std::string_view text) override { dialog_.setMessage(text); }
    int setProgress(int position) override { return dialog_.setProgress(position); }
    bool pollCancel() override {
      if (owner_.owner->isEnabled()) ++owner_.pollsWithOwnerEnabled;
      if (index_ == owner_.cancelWindow && !pressed_) {
        pressed_ = true;
        QTest::mouseClick(dialog_.cancelButton(), Qt::LeftButton);
      }
      return dialog_.pollCancel();
    }
    void showBusyOnly() override { dialog_.showBusyOnly(); }
    void destroy() override { dialog_.destroy(); }

   private:
    WindowedFeedback& owner_;
    int index_;
    bool pressed_ = false;
    CStageProgressDlg dialog_;
  };
};

}  // namespace

class AppWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QVERIFY(folder_.isValid());
    useSettingsFolder(folder_.filePath(QStringLiteral("config")));
    surface_ = folder_.filePath(QStringLiteral("surface.bmp"));
    bump_ = folder_.filePath(QStringLiteral("bump.bmp"));
    QVERIFY(writeTestTexture(surface_, 72, 60, false));
    QVERIFY(writeTestTexture(bump_, 64, 64, true));
    thin_ = folder_.filePath(QStringLiteral("thin.bmp"));
    QVERIFY(writeTestTexture(thin_, 1, 200, false));
    broken_ = folder_.filePath(QStringLiteral("broken.bmp"));
    QFile file(broken_);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("BM not really");
  }

  void init() {
    feedback_ = std::make_unique<RecordingFeedback>();
    chooser_ = std::make_unique<ScriptedFileChooser>();
  }

  void cleanup() {
    app_.reset();
    feedback_.reset();
    chooser_.reset();
  }

  // --- start-up ---

  void legacySettingsAreDeletedOnceWithANotice() {
    const QString config = folder_.filePath(QStringLiteral("config"));
    QVERIFY(QDir().mkpath(config + QStringLiteral("/FERNHILL")));
    QFile legacy(config + QStringLiteral("/FERNHILL/QN.ini"));
    QVERIFY(legacy.open(QIODevice::WriteOnly));
    legacy.write("[Settings]\nOld=1\n");
    legacy.close();

    start();
    QCOMPARE(texts(*feedback_), QStringList{kLegacyNotice});
    QCOMPARE(feedback_->messages.front().icon, MessageIcon::Information);
    QVERIFY(!QFileInfo::exists(config + QStringLiteral("/FERNHILL")));

    app_.reset();
    feedback_ = std::make_unique<RecordingFeedback>();
    start();
    QVERIFY(feedback_->messages.empty());
  }

  void startsWithANewDocumentAndTheMainWindow() {
    start();
    CMainFrame* frame = app_->mainFrame();
    CQnDoc* doc = app_->document();
    QVERIFY(frame->isVisible());
    QCOMPARE(frame->windowTitle(), QStringLiteral("無題 - QN Version 3.3"));
    QVERIFY(!doc->IsModified());
    QVERIFY(doc->GetPathName().isEmpty());
    QVERIFY(doc->model().surfacePath().empty());
    QVERIFY(doc->model().bumpPath().empty());
    QVERIFY(!doc->model().surfaceImage.isValid());
    QCOMPARE(doc->renderer().settings, RenderSettings{});
    QCOMPARE(doc->renderer().drawCount, 256u);
    QCOMPARE(frame->renderView()->startDelay, 2000u);
    QVERIFY(app_->splash().current() == nullptr);  // the tests keep the splash away
    // Qt's own texts (standard buttons, file dialogs) come in Japanese.
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("キャンセル"));
  }

  // Regression: the first window (720 x 480) showed the sample's 640 x 480 picture with
  // both scroll bars.
  void firstWindowShowsTheSamplePictureWithinTheScreen() {
    openUserSettings()->remove(QStringLiteral("Window"));
    start();
    CMainFrame* frame = app_->mainFrame();
    QVERIFY(QTest::qWaitForWindowExposed(frame));
    const QSize room = frame->screen()->availableGeometry().size();
    QVERIFY(frame->width() <= room.width() && frame->height() <= room.height());
    QCOMPARE(frame->size(), frame->firstWindowSize());

    frame->resize(frame->sizeShowing(QSize(648, 488)));  // what the first size aims at
    app_->document()->renderer().settings.screenWidth = 640;
    app_->document()->renderer().settings.screenHeight = 480;
    QVERIFY(app_->document()->renderer().createScreen());
    app_->document()->UpdateAllViews();
    QTRY_COMPARE(frame->renderView()->viewport()->size(), QSize(648, 488));
    QCOMPARE(frame->renderView()->horizontalScrollBar()->maximum(), 0);
    QCOMPARE(frame->renderView()->verticalScrollBar()->maximum(), 0);
  }

  // Regression: "CAP", "NUM" and "SCRL" stayed grey whatever the keyboard's state.
  void lockIndicatorsFollowTheKeyboard() {
    start();
    CMainFrame* frame = app_->mainFrame();
    for (int i = 0; i < 4; ++i)
      QVERIFY(!frame->lockIndicator(i)->isEnabled());  // offscreen: unknown
    LockStates states;
    states.caps = true;
    states.num = false;
    states.scroll = true;  // kana unknown
    frame->setLockStateReader([&states] { return states; });
    QCOMPARE(frame->lockIndicator(0)->text(), QStringLiteral("カナ"));
    const bool lit[] = {false, true, false, true};
    for (int i = 0; i < 4; ++i) QCOMPARE(frame->lockIndicator(i)->isEnabled(), lit[i]);
    states.caps = false;
    QTRY_VERIFY(!frame->lockIndicator(1)->isEnabled());  // a change shows without any event
  }

  void droppedFilesOpenAsTheirCommandsWould() {
    start();
    CMainFrame* frame = app_->mainFrame();
    CQnDoc* doc = app_->document();
    CQnTView* pane = frame->textureView();
    QVERIFY(dropFile(pane, QPoint(20, 40), surface_));  // the surface block
    QCOMPARE(fromLocalPath(doc->model().surfacePath()), surface_);
    QVERIFY(doc->IsModified());
    QVERIFY(dropFile(pane, QPoint(20, 200), bump_));  // the bump block
    QCOMPARE(fromLocalPath(doc->model().bumpPath()), bump_);
    QVERIFY(dropFile(pane, QPoint(20, 170), thin_));  // the bump caption: the bump block
    QVERIFY(!doc->model().bumpImage.isValid());
    QVERIFY(dropFile(pane, QPoint(20, 10), broken_));
    QVERIFY(!doc->model().surfaceImage.isValid());
    QCOMPARE(
        texts(*feedback_),
        (QStringList{QStringLiteral("幅または高さが1ピクセル以下のビットマップは使用できません。"),
                     QStringLiteral("読み込みに失敗しました。")}));

    // A document dropped anywhere asks about the unsaved changes first.
    const QString docPath = folder_.filePath(QStringLiteral("dropped.qnf"));
    QVERIFY(doc->OnSaveDocument(docPath));
    doc->SetModifiedFlag(true);
    int asked = 0;
    doc->setSaveQuestion([&](const QString&) {
      ++asked;
      return SaveAnswer::Discard;
    });
    QVERIFY(dropFile(frame->renderView()->viewport(), QPoint(50, 50), docPath));
    QCOMPARE(asked, 1);
    QVERIFY(!doc->IsModified());

    QVERIFY(!dropFile(pane, QPoint(20, 40), folder_.path()));  // a folder is no texture
    QVERIFY(!dropFile(frame->renderView()->viewport(), QPoint(50, 50), surface_));
    frame->setEnabled(false);  // as while a stage runs
    QVERIFY(!dropFile(pane, QPoint(20, 40), surface_));
    QVERIFY(!dropFile(frame->renderView()->viewport(), QPoint(50, 50), docPath));
    frame->setEnabled(true);
  }

  void windowPlaceAndPanesAreKeptBetweenRuns() {
    start();
    CMainFrame* frame = app_->mainFrame();
    QVERIFY(QTest::qWaitForWindowExposed(frame));
    frame->resize(700, 520);
    frame->splitter()->setSizes({200, 400});
    QTRY_COMPARE(frame->splitter()->sizes().first(), 200);
    QVERIFY(frame->close());
    app_.reset();
    start();
    QCOMPARE(app_->mainFrame()->size(), QSize(700, 520));
    QCOMPARE(app_->mainFrame()->splitter()->sizes().first(), 200);
    openUserSettings()->remove(QStringLiteral("Window"));
  }

  void commandLineDocumentIsOpened() {
    const QString docPath = folder_.filePath(QStringLiteral("work.qnf"));
    {
      DocumentModel model;
      QVERIFY(model.openTexture(TextureKind::Surface, surface_.toStdString()));
      QVERIFY(model.openTexture(TextureKind::Bump, bump_.toStdString()));
      model.renderer.settings.screenWidth = 200;
      QVERIFY(model.writeFile(docPath.toStdString()));
    }
    start({QStringLiteral("qn"), docPath});
    CQnDoc* doc = app_->document();
    QCOMPARE(doc->GetPathName(), docPath);
    QVERIFY(!doc->IsModified());
    QCOMPARE(doc->renderer().settings.screenWidth, 200u);
    QVERIFY(doc->model().surfaceImage.isValid());
    QVERIFY(doc->model().bumpImage.isValid());
    QCOMPARE(app_->mainFrame()->windowTitle(), QStringLiteral("work.qnf - QN Version 3.3"));
    QVERIFY(app_->mainFrame()->recentFiles().entries().contains(docPath));
  }

  void unreadableCommandLineDocumentEndsStartUp() {
    app_ = std::make_unique<CQnApp>(chooser_.get(), feedback_.get());
    app_->setSplashAllowed(false);
    QVERIFY(
        !app_->InitInstance({QStringLiteral("qn"), folder_.filePath(QStringLiteral("none.qnf"))}));
    QVERIFY(app_->mainFrame() == nullptr);
  }

  void refusedCommandLineDocumentLeavesANewDocument() {
    const QString notDoc = folder_.filePath(QStringLiteral("notdoc.qnf"));
    QFile file(notDoc);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("QXjunkjunkjunk");
    file.close();
    start({QStringLiteral("qn"), notDoc});
    QVERIFY(app_->mainFrame()->isVisible());
    QVERIFY(app_->document()->GetPathName().isEmpty());
    QCOMPARE(texts(*feedback_), QStringList{QStringLiteral("QN ドキュメントではありません。")});
  }

  // --- the main window ---

  void menusShortcutsPromptsAndPanes() {
    start();
    CMainFrame* frame = app_->mainFrame();
    QStringList menus;
    for (QAction* menu : frame->menuBar()->actions()) menus << menu->text();
    QCOMPARE(menus, (QStringList{"ファイル(&F)", "表示(&V)", "レンダラ(&R)", "ヘルプ(&H)"}));
    QCOMPARE(frame->action(Command::kNew)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_N));
    QCOMPARE(frame->action(Command::kOpen)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    QCOMPARE(frame->action(Command::kSave)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
    QCOMPARE(frame->action(Command::kReloadTextures)->shortcut(),
             QKeySequence(Qt::CTRL | Qt::Key_Q));
    QCOMPARE(frame->action(Command::kStartRendering)->statusTip(),
             QStringLiteral("レンダリングを開始"));
    QCOMPARE(frame->action(Command::kStartRendering)->toolTip(), QStringLiteral("開始"));
    QCOMPARE(frame->action(Command::kExportDxf)->text(), QStringLiteral("DXF 形式(&D)"));
    QCOMPARE(frame->action(Command::kSequenceSettings)->statusTip(),
             QStringLiteral("レンダリングシーケンスの設定"));
    QCOMPARE(frame->readyLabel()->text(), QStringLiteral("レディ"));
    for (const char* indicator : {"カナ", "CAP", "NUM", "SCRL"})
      QVERIFY(frame->statusBar()->findChild<QLabel*>(QString::fromUtf8(indicator)) != nullptr);

    auto* bar = frame->findChild<QToolBar*>();
    QStringList buttons;
    for (QAction* a : bar->actions()) buttons << (a->isSeparator() ? "|" : a->toolTip());
    QCOMPARE(buttons,
             (QStringList{"新規データ", "開く", "保存", "|", "表面テクスチャを開く",
                          "バンプテクスチャを開く", "再読み込み", "|", "ビットマップを保存", "|",
                          "開始", "中止", "設定", "カメラ設定", "|", "ヘルプ"}));
    for (QAction* a : bar->actions())
      if (!a->isSeparator()) QVERIFY2(!a->icon().isNull(), qPrintable(a->toolTip()));

    QCOMPARE(frame->splitter()->widget(0), static_cast<QWidget*>(frame->textureView()));
    QCOMPARE(frame->splitter()->widget(1), static_cast<QWidget*>(frame->renderView()));
    QCOMPARE(frame->splitter()->sizes().at(0), 128);
    QVERIFY(frame->splitter()->sizes().at(1) > 300);
  }

  void programRelativePath() {
    QCOMPARE(CMainFrame::GetProgramRelativePath(QStringLiteral("help/help.htm")),
             QCoreApplication::applicationDirPath() + QStringLiteral("/help/help.htm"));
    QCOMPARE(CMainFrame::GetProgramRelativePath(QStringLiteral("D:/doc/a.htm")),
             QStringLiteral("D:/doc/a.htm"));
  }

  void enablingInEveryState() {
    start();
    CMainFrame* frame = app_->mainFrame();
    CQnDoc* doc = app_->document();
    // reload, start, stop, save bitmap, export DXF, sequence settings
    auto states = [frame] {
      QList<bool> s;
      for (int c : {Command::kReloadTextures, Command::kStartRendering, Command::kStopRendering,
                    Command::kSaveBitmap, Command::kExportDxf, Command::kSequenceSettings})
        s << frame->action(c)->isEnabled();
      return s;
    };
    auto alwaysEnabled = [frame] {
      for (int c :
           {Command::kNew, Command::kOpen, Command::kSave, Command::kSaveAs,
            Command::kOpenSurfaceTexture, Command::kOpenBumpTexture, Command::kRendererSettings,
            Command::kOpenHelp, Command::kAbout, Command::kExit})
        if (!frame->action(c)->isEnabled()) return false;
      return true;
    };
    QCOMPARE(states(), (QList<bool>{false, false, false, true, false, true}));
    QVERIFY(alwaysEnabled());

    chooser_->answer(surface_);
    frame->action(Command::kOpenSurfaceTexture)->trigger();
    QCOMPARE(states(), (QList<bool>{true, false, false, true, false, true}));

    chooser_->answer(bump_);
    frame->action(Command::kOpenBumpTexture)->trigger();
    QCOMPARE(states(), (QList<bool>{true, true, false, true, true, true}));

    frame->renderView()->startDelay = 60000;  // stays drawing while we look
    frame->action(Command::kStartRendering)->trigger();
    QVERIFY(doc->renderer().isDrawing());
    QCOMPARE(states(), (QList<bool>{true, false, true, false, false, false}));
    QVERIFY(alwaysEnabled());

    frame->action(Command::kStopRendering)->trigger();
    QCOMPARE(states(), (QList<bool>{true, true, false, true, true, true}));
    QVERIFY(!frame->renderView()->isSequenceTimerActive());
  }

  void openingTexturesThroughTheChooser() {
    start();
    CMainFrame* frame = app_->mainFrame();
    CQnDoc* doc = app_->document();

    chooser_->answer(surface_);
    frame->action(Command::kOpenSurfaceTexture)->trigger();
    QCOMPARE(chooser_->questions.size(), size_t{1});
    const FileDialogRequest& request = chooser_->questions[0].request;
    QCOMPARE(request.title, QStringLiteral("表面テクスチャを開く"));
    QCOMPARE(request.filters,
             (QStringList{"ビットマップ (*.bmp)",
                          "読み込める画像 (*.bmp *.png *.jpg *.jpeg *.tif *.tiff *.hgt *.asc)",
                          "すべてのファイル (*)"}));
    QCOMPARE(request.defaultSuffix, QStringLiteral("bmp"));
    QVERIFY(!chooser_->questions[0].save);
    QVERIFY(doc->model().surfaceImage.isValid());
    QVERIFY(doc->IsModified());

    chooser_->cancel();  // cancelling keeps the old texture
    frame->action(Command::kOpenSurfaceTexture)->trigger();
    QVERIFY(doc->model().surfaceImage.isValid());
    QCOMPARE(QString::fromStdString(doc->model().surfacePath()), surface_);

    chooser_->answer(broken_);  // a failed load removes the old texture as well
    frame->action(Command::kOpenSurfaceTexture)->trigger();
    QVERIFY(!doc->model().surfaceImage.isValid());
    QVERIFY(doc->model().surfacePath().empty());

    chooser_->answer(thin_);
    frame->action(Command::kOpenBumpTexture)->trigger();
    QCOMPARE(chooser_->questions.back().request.title, QStringLiteral("バンプテクスチャを開く"));
    QVERIFY(!doc->model().bumpImage.isValid());
    QCOMPARE(texts(*feedback_),
             (QStringList{"読み込みに失敗しました。",
                          "幅または高さが1ピクセル以下のビットマップは使用できません。"}));
  }

  void reloadKeepsTheModifiedFlag() {
    start();
    CQnDoc* doc = app_->document();
    chooser_->answer(surface_);
    doc->OnOpenSurfaceTexture();
    doc->SetModifiedFlag(false);
    doc->OnReloadTextures();
    QVERIFY(doc->model().surfaceImage.isValid());
    QVERIFY(!doc->IsModified());
  }

  void saveSaveAsAndTheSaveQuestion() {
    start();
    CQnDoc* doc = app_->document();
    chooser_->answer(surface_);
    doc->OnOpenSurfaceTexture();
    QVERIFY(doc->IsModified());

    QStringList asked;
    SaveAnswer answer = SaveAnswer::Cancel;
    doc->setSaveQuestion([&](const QString& title) {
      asked << title;
      return answer;
    });
    app_->mainFrame()->action(Command::kNew)->trigger();  // cancelled: nothing changes
    QCOMPARE(asked, QStringList{QStringLiteral("無題")});
    QVERIFY(doc->model().surfaceImage.isValid());

    const QString target = folder_.filePath(QStringLiteral("saved.qnf"));
    chooser_->answer(target);
    answer = SaveAnswer::Save;  // save first (as the file has no name yet: Save As)
    app_->mainFrame()->action(Command::kNew)->trigger();
    QCOMPARE(chooser_->questions.back().request.title, QStringLiteral("名前を付けて保存"));
    QCOMPARE(chooser_->questions.back().request.defaultSuffix, QStringLiteral("qnf"));
    QVERIFY(QFileInfo::exists(target));
    QVERIFY(!doc->model().surfaceImage.isValid());  // then the new document
    QVERIFY(!doc->IsModified());

    chooser_->answer(surface_);
    doc->OnOpenSurfaceTexture();
    answer = SaveAnswer::Cancel;  // closing asks too; cancel keeps the window
    QVERIFY(!app_->mainFrame()->close());
    QVERIFY(app_->mainFrame()->isVisible());
    answer = SaveAnswer::Discard;
    QVERIFY(doc->OpenDocumentFile(target));
    QVERIFY(doc->model().surfaceImage.isValid());
    QCOMPARE(app_->mainFrame()->recentFiles().entries().first(), target);
  }

  void rendererSettingsOkMarksModifiedCancelDoesNot() {
    start();
    CQnDoc* doc = app_->document();
    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    doc->OnRendererSettings();
    QVERIFY(!doc->IsModified());
    QTimer::singleShot(0, [] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      dialog->accept();
    });
    doc->OnRendererSettings();
    QVERIFY(doc->IsModified());
  }

  void sequenceSettingsRefusedWhileRendering() {
    start();
    loadBothTextures();
    app_->mainFrame()->renderView()->startDelay = 60000;
    app_->document()->OnStartRendering();
    QVERIFY(app_->document()->renderer().isDrawing());
    app_->mainFrame()->OnSequenceSettings();
    app_->document()->OnStartRendering();
    QCOMPARE(feedback_->messages.size(), size_t{2});
    QVERIFY(texts(*feedback_)[0].contains(QStringLiteral("レンダラーの処理")));
    QVERIFY(texts(*feedback_)[1].contains(QStringLiteral("レンダラの処理")));
    app_->document()->OnStopRendering();
  }

  // --- rendering ---

  void fullRenderingMatchesTheEngineRunDirectly() {
    start();
    loadBothTextures();
    CQnRView* view = app_->mainFrame()->renderView();
    view->startDelay = 0;
    view->drawInterval = 1;
    view->processCount = 5;
    view->stopTime = 1;
    TerrainRenderer& renderer = app_->document()->renderer();
    // An oblique view over the whole terrain.
    renderer.settings.viewpoint = {32.0, 110.0, 70.0};
    renderer.settings.lookAt = {32.0, 30.0, 0.0};
    app_->mainFrame()->action(Command::kStartRendering)->trigger();
    QVERIFY(renderer.isDrawing());
    QTRY_VERIFY_WITH_TIMEOUT(!view->isSequenceTimerActive(), 30000);
    QVERIFY(!renderer.isDrawing());

    TerrainRenderer direct;
    direct.settings = renderer.settings;
    DibImage surface, bump;
    QVERIFY(surface.load(surface_.toStdString()));
    QVERIFY(bump.load(bump_.toStdString()));
    QVERIFY(direct.buildMesh(MeshPurpose::Rendering, surface, bump, 64, 60));
    QVERIFY(direct.averageColors() && direct.transformVertices() && direct.sortPolygons() &&
            direct.applyLighting() && direct.createScreen());
    direct.drawToEnd();

    const DibImage& shown = renderer.screen();
    QCOMPARE(shown.width(), direct.screen().width());
    QCOMPARE(shown.height(), direct.screen().height());
    const int count = shown.width() * shown.height();
    QVERIFY(std::equal(shown.pixels(), shown.pixels() + count, direct.screen().pixels()));
    int lit = 0;
    for (int i = 0; i < count; ++i) lit += direct.screen().pixels()[i] != 0;
    QVERIFY(lit > count / 10);  // a real picture, not a black screen

    view->resize(400, 300);
    const QImage shot = view->viewport()->grab().toImage();
    for (int y = 0; y < shown.height(); y += 7)
      for (int x = 0; x < shown.width(); x += 5) {
        const Color c = direct.screen().pixels()[y * shown.width() + x];
        QCOMPARE(shot.pixelColor(4 + x, 4 + y),
                 QColor(int(redOf(c)), int(greenOf(c)), int(blueOf(c))));
      }
    QCOMPARE(shot.pixelColor(1, 1), view->palette().color(QPalette::Button));
  }

  void stopInTheMiddleKeepsThePartialPicture() {
    start();
    loadBothTextures();
    CQnRView* view = app_->mainFrame()->renderView();
    view->startDelay = 0;
    view->drawInterval = 1;
    view->processCount = 0;
    app_->document()->renderer().drawCount = 64;
    CMainFrame* frame = app_->mainFrame();
    frame->action(Command::kStartRendering)->trigger();
    TerrainRenderer& renderer = app_->document()->renderer();
    QTRY_VERIFY_WITH_TIMEOUT(renderer.drawPosition() >= 640, 20000);
    frame->action(Command::kStopRendering)->trigger();
    QVERIFY(!renderer.isDrawing());
    QVERIFY(!view->isSequenceTimerActive());
    const std::vector<Color> partial(renderer.screen().pixels(),
                                     renderer.screen().pixels() + 320 * 240);
    QVERIFY(std::any_of(partial.begin(), partial.end(), [](Color c) { return c != 0; }));
    QTest::qWait(30);
    QVERIFY(std::equal(partial.begin(), partial.end(), renderer.screen().pixels()));
    QVERIFY(frame->action(Command::kStartRendering)->isEnabled());
    QVERIFY(frame->action(Command::kSaveBitmap)->isEnabled());
    const QImage shot = view->viewport()->grab().toImage();
    const Color c = partial[120 * 320 + 160];
    QCOMPARE(shot.pixelColor(164, 124), QColor(int(redOf(c)), int(greenOf(c)), int(blueOf(c))));
  }

  void mainWindowEnabledAfterEveryStageOutcome_data() {
    QTest::addColumn<int>("cancelWindow");
    QTest::addColumn<QString>("message");
    QTest::newRow("completed") << -1 << QString();
    QTest::newRow("surface division cancelled")
        << 0 << QStringLiteral("レンダリングを中止します。");
    QTest::newRow("colour averaging cancelled")
        << 1 << QStringLiteral("レンダリングを中止します。");
    QTest::newRow("vertex transform cancelled")
        << 2 << QStringLiteral("レンダリングを中止します。");
    QTest::newRow("lighting cancelled") << 4 << QStringLiteral("レンダリングを中止します。");
  }
  void mainWindowEnabledAfterEveryStageOutcome() {
    QFETCH(int, cancelWindow);
    QFETCH(QString, message);
    WindowedFeedback windowed;
    windowed.cancelWindow = cancelWindow;
    app_ = std::make_unique<CQnApp>(chooser_.get(), &windowed);
    app_->setSplashAllowed(false);
    QVERIFY(app_->InitInstance({QStringLiteral("qn")}));
    windowed.owner = app_->mainFrame();
    chooser_->answer(surface_);
    chooser_->answer(bump_);
    app_->document()->OnOpenSurfaceTexture();
    app_->document()->OnOpenBumpTexture();
    app_->mainFrame()->renderView()->startDelay = 60000;

    app_->mainFrame()->action(Command::kStartRendering)->trigger();
    QVERIFY(app_->mainFrame()->isEnabled());
    QCOMPARE(windowed.pollsWithOwnerEnabled, 0);
    QCOMPARE(windowed.opened, cancelWindow < 0 ? 5 : cancelWindow + 1);
    QCOMPARE(app_->document()->renderer().isDrawing(), cancelWindow < 0);
    QCOMPARE(windowed.messages, message.isEmpty() ? QStringList{} : QStringList{message});
    app_->document()->OnStopRendering();
    app_.reset();
  }

 private:
  void start(const QStringList& arguments = {QStringLiteral("qn")}) {
    app_ = std::make_unique<CQnApp>(chooser_.get(), feedback_.get());
    app_->setSplashAllowed(false);
    QVERIFY(app_->InitInstance(arguments));
  }
  void loadBothTextures() {
    chooser_->answer(surface_);
    chooser_->answer(bump_);
    app_->document()->OnOpenSurfaceTexture();
    app_->document()->OnOpenBumpTexture();
    QVERIFY(app_->document()->canStartRendering());
  }

  QTemporaryDir folder_;
  QString surface_, bump_, thin_, broken_;
  std::unique_ptr<RecordingFeedback> feedback_;
  std::unique_ptr<ScriptedFileChooser> chooser_;
  std::unique_ptr<CQnApp> app_;
};

QTEST_MAIN(AppWindowTest)
#include "tst_app_window.moc"
