#include "app/CMainFrame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QUrl>

#include "app/CQnDoc.h"
#include "app/DroppedFiles.h"
#include "app/HelpOpener.h"
#include "app/SettingsStore.h"
#include "dialogs/CAboutDlg.h"
#include "dialogs/CRenderSequenceDlg.h"
#include "dialogs/QtText.h"
#include "engine/BusyRefusal.h"
#include "views/CQnRView.h"
#include "views/CQnTView.h"
#include "views/SplashWindow.h"

// The images are compiled into the library; a static library must register them itself
// (at global scope, where the resource initialiser is declared).
static void registerResources() { Q_INIT_RESOURCE(qn); }

namespace {

constexpr int kTextureViewWidth = 128;
constexpr int kLockPollMs = 200;
// Where the window's place and size and the split between the panes are kept.
const QString kGeometryKey = QStringLiteral("Window/Geometry");
const QString kSplitterKey = QStringLiteral("Window/Splitter");

// The stored string of a command: status-bar prompt, line break, tooltip.
struct Prompt {
  int command;
  const char* text;
};
constexpr Prompt kPrompts[] = {
    {Command::kNew, "新規にデータを作成\n新規データ"},
    {Command::kOpen, "既存の設定ファイルを開く\n開く"},
    {Command::kSave, "作業中の設定を上書きして保存\n保存"},
    {Command::kSaveAs, "作業中の設定を新しい名前で保存\n名前をつけて保存"},
    {Command::kOpenSurfaceTexture,
     "表面テクスチャとして使用するビットマップを開く\n表面テクスチャを開く"},
    {Command::kOpenBumpTexture,
     "バンプテクスチャとして使用するビットマップを開く\nバンプテクスチャを開く"},
    {Command::kReloadTextures, "テクスチャとして使用するビットマップを再読み込み\n再読み込み"},
    {Command::kSaveBitmap, "レンダリングの結果をビットマップ形式で保存\nビットマップを保存"},
    {Command::kStartRendering, "レンダリングを開始\n開始"},
    {Command::kStopRendering, "レンダリングを中止\n中止"},
    {Command::kRendererSettings, "レンダラの設定\n設定"},
    {Command::kCameraSettings, "プレビューを見ながらマウスでカメラを設定\nカメラ設定"},
    {Command::kOpenHelp, "ヘルプを開く\nヘルプ"},
    {Command::kSequenceSettings, "レンダリングシーケンスの設定\nシーケンス設定"},
    {Command::kExportDxf, "地形モデルをDXF形式で保存\nDXF形式で保存"},
    {Command::kExportStl, "地形モデルをSTL形式で保存\nSTL形式で保存"},
    {Command::kExportObj, "地形モデルをテクスチャ付きのOBJ形式で保存\nOBJ形式で保存"},
    {Command::kExportPly, "地形モデルを頂点色付きのPLY形式で保存\nPLY形式で保存"},
    {Command::kExportGltf, "地形モデルをglTF形式で保存\nglTF形式で保存"},
    {Command::kAbout, "プログラムの情報、バージョンそして著作権を表示\nバージョン情報"},
    {Command::kExit, "アプリケーションを終了し、ファイルの保存を指示\n終了"},
};

QString promptOf(int command) {
  for (const Prompt& prompt : kPrompts)
    if (prompt.command == command) return QString::fromUtf8(prompt.text);
  return {};
}

QIcon toolbarIcon(const char* name) {
  return QIcon(QStringLiteral(":/toolbar/%1.png").arg(QLatin1String(name)));
}

}  // namespace

CMainFrame::CMainFrame(CQnDoc& doc, UserFeedback& feedback, SplashGate* splash, QWidget* parent)
    : QMainWindow(parent), doc_(doc), feedback_(feedback) {
  registerResources();
  setWindowIcon(QIcon(QStringLiteral(":/qn.png")));
  setAcceptDrops(true);
  buildPanes();
  buildMenus();
  buildToolBar();
  buildStatusBar();
  {
    const auto settings = openUserSettings();
    recent_.load(*settings);
  }
  rebuildRecentMenu();

  doc_.setRenderView(renderView_);
  doc_.setDialogParent(this);
  connect(&doc_, &CQnDoc::viewsUpdateRequested, renderView_, &CQnRView::OnUpdate);
  connect(&doc_, &CQnDoc::viewsUpdateRequested, textureView_, qOverload<>(&QWidget::update));
  connect(&doc_, &CQnDoc::viewsUpdateRequested, this, &CMainFrame::updateCommandStates);
  connect(&doc_, &CQnDoc::stateChanged, this, &CMainFrame::updateCommandStates);
  connect(&doc_, &CQnDoc::documentFileUsed, this, &CMainFrame::recordRecentFile);
  connect(&doc_, &CQnDoc::documentFileFailed, this, &CMainFrame::forgetRecentFile);
  connect(renderView_, &CQnRView::sequenceTicked, this, &CMainFrame::updateCommandStates);
  updateCommandStates();
  restoreWindowLayout();

  if (splash != nullptr) splash->ShowSplash(this);
}

CMainFrame::~CMainFrame() {
  saveRecentFiles();
  doc_.setRenderView(nullptr);
}

QString CMainFrame::GetProgramRelativePath(const QString& path) {
  if (path.contains(QLatin1Char(':'))) return path;
  return QDir(QCoreApplication::applicationDirPath()).filePath(path);
}

void CMainFrame::buildPanes() {
  splitter_ = new QSplitter(Qt::Horizontal, this);
  textureView_ = new CQnTView(doc_, splitter_);
  renderView_ = new CQnRView(doc_, splitter_);
  splitter_->addWidget(textureView_);
  splitter_->addWidget(renderView_);
  splitter_->setStretchFactor(0, 0);
  splitter_->setStretchFactor(1, 1);
  splitter_->setCollapsible(0, false);
  splitter_->setSizes({kTextureViewWidth, 10000});
  setCentralWidget(splitter_);
  // Commands and keys go to the render view whichever pane was clicked.
  renderView_->setFocus();
}

QAction* CMainFrame::addCommand(QMenu* menu, int command, const QString& text,
                                const QString& prompt) {
  auto* action = new QAction(text, this);
  const QStringList parts = prompt.split(QLatin1Char('\n'));
  if (!parts.isEmpty() && !parts.first().isEmpty()) action->setStatusTip(parts.first());
  if (parts.size() > 1) action->setToolTip(parts.at(1));
  if (menu != nullptr) menu->addAction(action);
  actions_.insert(command, action);
  return action;
}

void CMainFrame::buildMenus() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
  fileMenu_ = file;
  auto add = [this](QMenu* menu, int command, const char* text) {
    return addCommand(menu, command, QString::fromUtf8(text), promptOf(command));
  };
  QAction* fileNew = add(file, Command::kNew, "新規作成(&N)");
  fileNew->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
  fileNew->setIcon(toolbarIcon("new"));
  connect(fileNew, &QAction::triggered, &doc_, &CQnDoc::OnFileNew);
  QAction* fileOpen = add(file, Command::kOpen, "開く(&O)");
  fileOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  fileOpen->setIcon(toolbarIcon("open"));
  connect(fileOpen, &QAction::triggered, &doc_, &CQnDoc::OnFileOpen);
  QAction* fileSave = add(file, Command::kSave, "上書き保存(&S)");
  fileSave->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  fileSave->setIcon(toolbarIcon("save"));
  connect(fileSave, &QAction::triggered, &doc_, &CQnDoc::OnFileSave);
  connect(add(file, Command::kSaveAs, "名前を付けて保存(&A)"), &QAction::triggered, &doc_,
          &CQnDoc::OnFileSaveAs);
  file->addSeparator();
  QAction* surface = add(file, Command::kOpenSurfaceTexture, "表面テクスチャを開く(&T)");
  surface->setIcon(toolbarIcon("surface"));
  connect(surface, &QAction::triggered, &doc_, &CQnDoc::OnOpenSurfaceTexture);
  QAction* bump = add(file, Command::kOpenBumpTexture, "バンプテクスチャを開く(&B)");
  bump->setIcon(toolbarIcon("bump"));
  connect(bump, &QAction::triggered, &doc_, &CQnDoc::OnOpenBumpTexture);
  QAction* reload = add(file, Command::kReloadTextures, "テクスチャを再読み込み(&Q)");
  reload->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  reload->setIcon(toolbarIcon("reload"));
  connect(reload, &QAction::triggered, &doc_, &CQnDoc::OnReloadTextures);
  file->addSeparator();
  QMenu* exportMenu = file->addMenu(QStringLiteral("エクスポート(&E)"));
  connect(add(exportMenu, Command::kExportDxf, "DXF 形式(&D)"), &QAction::triggered, &doc_,
          &CQnDoc::OnExportDxf);
  const struct {
    int command;
    const char* text;
    MeshFormat format;
  } meshCommands[] = {{Command::kExportStl, "STL 形式(&S)", MeshFormat::Stl},
                      {Command::kExportObj, "OBJ 形式(&O)", MeshFormat::Obj},
                      {Command::kExportPly, "PLY 形式(&P)", MeshFormat::Ply},
                      {Command::kExportGltf, "glTF 形式(&G)", MeshFormat::Glb}};
  for (const auto& mesh : meshCommands) {
    const MeshFormat format = mesh.format;
    connect(add(exportMenu, mesh.command, mesh.text), &QAction::triggered, &doc_,
            [this, format] { doc_.OnExportMesh(format); });
  }
  QAction* saveBitmap = add(file, Command::kSaveBitmap, "ビットマップを保存(&R)");
  saveBitmap->setIcon(toolbarIcon("savebitmap"));
  connect(saveBitmap, &QAction::triggered, &doc_, &CQnDoc::OnSaveBitmap);
  file->addSeparator();
  recentAnchor_ = file->addSeparator();
  QAction* exitAction = add(file, Command::kExit, "アプリケーションの終了(&X)");
  connect(exitAction, &QAction::triggered, this, &QWidget::close);

  QMenu* view = menuBar()->addMenu(QStringLiteral("表示(&V)"));
  QAction* toolBarToggle = add(view, Command::kToolBar, "ツール バー(&T)");
  toolBarToggle->setStatusTip(QStringLiteral("ツール バーの表示/非表示"));
  toolBarToggle->setCheckable(true);
  toolBarToggle->setChecked(true);
  QAction* statusToggle = add(view, Command::kStatusBar, "ステータス バー(&S)");
  statusToggle->setStatusTip(QStringLiteral("ステータス バーの表示/非表示"));
  statusToggle->setCheckable(true);
  statusToggle->setChecked(true);
  connect(statusToggle, &QAction::toggled, this,
          [this](bool shown) { statusBar()->setVisible(shown); });

  QMenu* renderer = menuBar()->addMenu(QStringLiteral("レンダラ(&R)"));
  QAction* start = add(renderer, Command::kStartRendering, "レンダリング開始(&R)");
  start->setIcon(toolbarIcon("start"));
  connect(start, &QAction::triggered, &doc_, &CQnDoc::OnStartRendering);
  QAction* stop = add(renderer, Command::kStopRendering, "レンダリング中止(&E)");
  stop->setIcon(toolbarIcon("stop"));
  connect(stop, &QAction::triggered, &doc_, &CQnDoc::OnStopRendering);
  QAction* settings = add(renderer, Command::kRendererSettings, "設定(&S)");
  settings->setIcon(toolbarIcon("settings"));
  connect(settings, &QAction::triggered, &doc_, &CQnDoc::OnRendererSettings);
  QAction* camera = add(renderer, Command::kCameraSettings, "カメラ設定(&C)");
  camera->setIcon(toolbarIcon("camera"));
  connect(camera, &QAction::triggered, &doc_, &CQnDoc::OnCameraSettings);
  connect(add(renderer, Command::kSequenceSettings, "シーケンス設定(&Q)"), &QAction::triggered,
          this, &CMainFrame::OnSequenceSettings);

  QMenu* help = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
  QAction* helpPage = add(help, Command::kOpenHelp, "ヘルプ(&H)");
  helpPage->setIcon(toolbarIcon("help"));
  connect(helpPage, &QAction::triggered, this, &CMainFrame::OnOpenHelp);
  connect(add(help, Command::kAbout, "QN のバージョン情報(&A)"), &QAction::triggered, this,
          &CMainFrame::OnAppAbout);

  // Menus show the enabling of the moment, as the update handlers would.
  for (QMenu* menu : {file, view, renderer, help})
    connect(menu, &QMenu::aboutToShow, this, &CMainFrame::updateCommandStates);
}

void CMainFrame::buildToolBar() {
  QToolBar* bar = addToolBar(QStringLiteral("ツール バー"));
  toolBar_ = bar;
  bar->setObjectName(QStringLiteral("toolBar"));
  bar->setIconSize(QSize(16, 16));
  bar->setAllowedAreas(Qt::AllToolBarAreas);
  for (int command :
       {Command::kNew, Command::kOpen, Command::kSave, 0, Command::kOpenSurfaceTexture,
        Command::kOpenBumpTexture, Command::kReloadTextures, 0, Command::kSaveBitmap, 0,
        Command::kStartRendering, Command::kStopRendering, Command::kRendererSettings,
        Command::kCameraSettings, 0, Command::kOpenHelp}) {
    if (command == 0)
      bar->addSeparator();
    else
      bar->addAction(action(command));
  }
  // The view menu's item is the only way to hide and show the bar.
  bar->setContextMenuPolicy(Qt::PreventContextMenu);
  connect(action(Command::kToolBar), &QAction::toggled, bar, &QWidget::setVisible);
}

void CMainFrame::buildStatusBar() {
  ready_ = new QLabel(QStringLiteral("レディ"), this);
  // A normal widget: hidden while a prompt is shown, back when the prompt goes.
  statusBar()->addWidget(ready_, 1);
  const char* const names[] = {"カナ", "CAP", "NUM", "SCRL"};
  for (int i = 0; i < 4; ++i) {
    auto* label = new QLabel(QString::fromUtf8(names[i]), this);
    label->setObjectName(QString::fromUtf8(names[i]));
    label->setAlignment(Qt::AlignCenter);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(label->text()) + 12);
    label->setEnabled(false);  // grey until a lock is known to be on
    statusBar()->addPermanentWidget(label);
    lockLabels_[i] = label;
  }
  setLockStateReader(systemLockStateReader());
  // The server tells no program of a change unasked: its states are read a few times a second.
  lockTimer_.setInterval(kLockPollMs);
  connect(&lockTimer_, &QTimer::timeout, this, &CMainFrame::refreshLockIndicators);
  lockTimer_.start();
}

void CMainFrame::setLockStateReader(LockStateReader reader) {
  lockReader_ = std::move(reader);
  refreshLockIndicators();
}

void CMainFrame::refreshLockIndicators() {
  if (!lockReader_) return;
  const LockStates states = lockReader_();
  const std::optional<bool> shown[] = {states.kana, states.caps, states.num, states.scroll};
  for (int i = 0; i < 4; ++i) lockLabels_[i]->setEnabled(shown[i].value_or(false));
}

void CMainFrame::rebuildRecentMenu() {
  for (QAction* old : recentActions_) {
    fileMenu_->removeAction(old);
    old->deleteLater();
  }
  recentActions_.clear();
  actions_.remove(57616);
  const QStringList& entries = recent_.entries();
  if (entries.isEmpty()) {
    auto* placeholder = new QAction(QStringLiteral("最近使ったファイル"), this);
    placeholder->setEnabled(false);
    fileMenu_->insertAction(recentAnchor_, placeholder);
    recentActions_.append(placeholder);
    actions_.insert(57616, placeholder);
    return;
  }
  for (int i = 0; i < entries.size(); ++i) {
    const QString path = entries.at(i);
    auto* entry =
        new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(QDir::toNativeSeparators(path)), this);
    entry->setStatusTip(QStringLiteral("指定のファイルを開く"));
    connect(entry, &QAction::triggered, &doc_, [this, path] { doc_.OpenDocumentFile(path); });
    fileMenu_->insertAction(recentAnchor_, entry);
    recentActions_.append(entry);
    actions_.insert(57616 + i, entry);
  }
}

void CMainFrame::recordRecentFile(const QString& path) {
  recent_.add(path);
  saveRecentFiles();
  rebuildRecentMenu();
}

void CMainFrame::forgetRecentFile(const QString& path) {
  recent_.remove(path);
  saveRecentFiles();
  rebuildRecentMenu();
}

void CMainFrame::saveRecentFiles() const {
  const auto settings = openUserSettings();
  recent_.save(*settings);
}

void CMainFrame::updateCommandStates() {
  action(Command::kReloadTextures)->setEnabled(doc_.canReloadTextures());
  action(Command::kStartRendering)->setEnabled(doc_.canStartRendering());
  action(Command::kStopRendering)->setEnabled(doc_.canStopRendering());
  action(Command::kSaveBitmap)->setEnabled(doc_.canSaveBitmap());
  for (int command : {Command::kExportDxf, Command::kExportStl, Command::kExportObj,
                      Command::kExportPly, Command::kExportGltf})
    action(command)->setEnabled(doc_.canExportDxf());
  action(Command::kSequenceSettings)->setEnabled(doc_.canEditSequence());
  action(Command::kCameraSettings)->setEnabled(doc_.canSetCamera());
  setWindowTitle(doc_.GetTitle() + QStringLiteral(" - ") + qnVersionTitle());
}

void CMainFrame::OnOpenHelp() {
  // The page lies in "help" beside the executable.
  openHelpPage(QCoreApplication::applicationDirPath(), urlOpener_ ? urlOpener_ : openUrlWithSystem,
               &feedback_);
}

void CMainFrame::OnSequenceSettings() {
  CRenderSequenceDlg dialog(feedback_, this);
  TerrainRenderer& engine = doc_.renderer();
  if (refuseWhileDrawing(engine, feedback_)) return;
  dialog.setSequence(renderView_->sequence());
  if (dialog.exec() != QDialog::Accepted) return;
  renderView_->setSequence(dialog.sequence());
}

void CMainFrame::OnAppAbout() {
  CAboutDlg about(this);
  about.exec();
}

namespace {

// Only a document is taken anywhere in the window; textures go to the texture pane.
bool carriesDocument(const QMimeData* data) {
  const std::optional<QString> file = droppedLocalFile(data);
  return file && isDocumentFileName(*file);
}

}  // namespace

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
  if (carriesDocument(event->mimeData())) event->acceptProposedAction();
}

void CMainFrame::dragMoveEvent(QDragMoveEvent* event) {
  if (carriesDocument(event->mimeData())) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
  const std::optional<QString> file = droppedLocalFile(event->mimeData());
  if (!file || !isDocumentFileName(*file)) return;
  event->acceptProposedAction();
  doc_.OpenDocumentFile(*file);  // asks about unsaved changes first, as the open command does
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  if (!doc_.SaveModified()) {
    event->ignore();
    return;
  }
  saveWindowLayout();
  QMainWindow::closeEvent(event);
}

QSize CMainFrame::sizeShowing(QSize picture) const {
  const int viewFrame = 2 * renderView_->frameWidth();
  const int width = kTextureViewWidth + splitter_->handleWidth() + picture.width() + viewFrame;
  const int bars = menuBar()->sizeHint().height() + toolBar_->sizeHint().height() +
                   statusBar()->sizeHint().height();
  return {width, picture.height() + viewFrame + bars};
}

QSize CMainFrame::firstWindowSize() const {
  // The sample's 640 x 480 picture with its 4-pixel margins, beside the texture pane, with
  // no scroll bar; but never more than the screen has room for beside its window frame.
  const QSize wanted = sizeShowing(QSize(640 + 8, 480 + 8));
  const QScreen* shownOn = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
  if (shownOn == nullptr) return wanted;
  constexpr int kRoomForFrame = 48;
  const QSize room = shownOn->availableGeometry().size() - QSize(kRoomForFrame, kRoomForFrame);
  return wanted.boundedTo(room);
}

void CMainFrame::restoreWindowLayout() {
  const auto settings = openUserSettings();
  const QByteArray geometry = settings->value(kGeometryKey).toByteArray();
  if (geometry.isEmpty() || !restoreGeometry(geometry)) resize(firstWindowSize());
  const QByteArray panes = settings->value(kSplitterKey).toByteArray();
  if (!panes.isEmpty()) splitter_->restoreState(panes);
}

void CMainFrame::saveWindowLayout() const {
  const auto settings = openUserSettings();
  settings->setValue(kGeometryKey, saveGeometry());
  settings->setValue(kSplitterKey, splitter_->saveState());
}
