#pragma once
// CMainFrame: the program's one top-level window: menus, toolbar, status bar with its
// prompts and lock indicators, and a splitter with the texture view (128 pixels) on the
// left and the render view on the right. It routes commands to the document, keeps their
// enabling current, and handles the help page and the render sequence settings itself.
// It holds no document data.

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <functional>

#include "app/LockStates.h"
#include "app/RecentFileList.h"

class CQnDoc;
class CQnRView;
class CQnTView;
class QAction;
class QLabel;
class QMenu;
class QSplitter;
class QToolBar;
class QUrl;
class SplashGate;
class UserFeedback;

// The command numbers of the menus, toolbar and accelerators.
namespace Command {
inline constexpr int kNew = 57600;
inline constexpr int kOpen = 57601;
inline constexpr int kSave = 57603;
inline constexpr int kSaveAs = 57604;
inline constexpr int kExit = 57665;
inline constexpr int kAbout = 57664;
inline constexpr int kToolBar = 59392;
inline constexpr int kStatusBar = 59393;
inline constexpr int kStartRendering = 32771;
inline constexpr int kStopRendering = 32772;
inline constexpr int kRendererSettings = 32773;
inline constexpr int kOpenSurfaceTexture = 32774;
inline constexpr int kOpenBumpTexture = 32775;
inline constexpr int kSaveBitmap = 32776;
inline constexpr int kOpenHelp = 32777;
inline constexpr int kSequenceSettings = 32786;
inline constexpr int kReloadTextures = 32788;
inline constexpr int kExportDxf = 32791;
inline constexpr int kExportStl = 32792;
inline constexpr int kExportObj = 32793;
inline constexpr int kExportPly = 32794;
inline constexpr int kExportGltf = 32795;
inline constexpr int kCameraSettings = 32796;
}  // namespace Command

class CMainFrame : public QMainWindow {
  Q_OBJECT

 public:
  // doc and feedback must outlive the frame; splash may be null (no splash).
  CMainFrame(CQnDoc& doc, UserFeedback& feedback, SplashGate* splash = nullptr,
             QWidget* parent = nullptr);
  ~CMainFrame() override;

  CQnRView* renderView() const { return renderView_; }
  CQnTView* textureView() const { return textureView_; }
  QSplitter* splitter() const { return splitter_; }
  // The action of a command number (see Command), or null.
  QAction* action(int command) const { return actions_.value(command); }
  QLabel* readyLabel() const { return ready_; }
  const RecentFileList& recentFiles() const { return recent_; }

  // Path beside the running executable, unless path already holds a ":" (then as given).
  static QString GetProgramRelativePath(const QString& path);
  // The window size whose render view shows a picture (with margins) of that size without
  // scroll bars beside the texture pane at its first width.
  QSize sizeShowing(QSize picture) const;
  // The first window's size: the sample's picture without scroll bars, within the screen.
  QSize firstWindowSize() const;

  // Where the lock indicators take their states from (tests); the default asks the platform.
  void setLockStateReader(LockStateReader reader);
  // The indicator of a lock that is on is shown enabled, any other grey.
  QLabel* lockIndicator(int index) const { return lockLabels_[index]; }  // カナ, CAP, NUM, SCRL

  // Replaces how the help page is opened (tests); the default asks the desktop.
  void setUrlOpener(std::function<bool(const QUrl&)> opener) { urlOpener_ = std::move(opener); }

 public slots:
  void OnOpenHelp();
  void OnSequenceSettings();
  void OnAppAbout();
  // The update handlers of every command, and the window title.
  void updateCommandStates();
  void refreshLockIndicators();

 protected:
  void closeEvent(QCloseEvent* event) override;
  // A dropped ".qnf" file is opened as by the open command (save question first). While a
  // stage runs the window is disabled and takes no drop.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  QAction* addCommand(QMenu* menu, int command, const QString& text, const QString& prompt);
  void buildMenus();
  void buildToolBar();
  void buildStatusBar();
  void buildPanes();
  void rebuildRecentMenu();
  void recordRecentFile(const QString& path);
  void forgetRecentFile(const QString& path);
  void saveRecentFiles() const;
  // The window's geometry and the splitter, kept in the settings store between runs: read
  // when the frame is made (the first time firstWindowSize), written when it is closed.
  void restoreWindowLayout();
  void saveWindowLayout() const;

  CQnDoc& doc_;
  UserFeedback& feedback_;
  QHash<int, QAction*> actions_;
  QSplitter* splitter_ = nullptr;
  QToolBar* toolBar_ = nullptr;
  CQnTView* textureView_ = nullptr;
  CQnRView* renderView_ = nullptr;
  QLabel* ready_ = nullptr;
  QMenu* fileMenu_ = nullptr;
  QAction* recentAnchor_ = nullptr;  // the separator above "アプリケーションの終了"
  QList<QAction*> recentActions_;
  RecentFileList recent_;
  std::function<bool(const QUrl&)> urlOpener_;
  QLabel* lockLabels_[4] = {};
  LockStateReader lockReader_;
  QTimer lockTimer_;
};
