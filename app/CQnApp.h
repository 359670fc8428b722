#pragma once
// CQnApp: the program's start-up. In order: the splash enabled from the command line,
// Qt's own texts in Japanese, the settings of version 1.0 deleted once (with a notice),
// the document and the main frame made, a new document or the document named on the
// command line, the main window shown. Owns the document, the frame, the splash gate
// and the default file chooser and message sink, unless others are given.

#include <QStringList>
#include <QTranslator>
#include <memory>

#include "views/SplashWindow.h"

class CMainFrame;
class CQnDoc;
class FileChooser;
class UserFeedback;

class CQnApp {
 public:
  // chooser and feedback replace the dialogs and message boxes (tests); null means the
  // program's own. Given ones must outlive the application object.
  explicit CQnApp(FileChooser* chooser = nullptr, UserFeedback* feedback = nullptr);
  ~CQnApp();
  CQnApp(const CQnApp&) = delete;
  CQnApp& operator=(const CQnApp&) = delete;

  // Start-up with the program's arguments (the first is the program itself). False when
  // the document named on the command line could not be opened: the program then ends.
  bool InitInstance(const QStringList& arguments);

  // Keeps the splash from showing whatever the command line says (tests).
  void setSplashAllowed(bool allowed) { splashAllowed_ = allowed; }

  CMainFrame* mainFrame() const { return frame_.get(); }
  CQnDoc* document() const { return doc_.get(); }
  SplashGate& splash() { return splash_; }

 private:
  void installQtTranslation();

  std::unique_ptr<FileChooser> ownChooser_;
  std::unique_ptr<UserFeedback> ownFeedback_;
  FileChooser* chooser_ = nullptr;
  UserFeedback* feedback_ = nullptr;
  bool splashAllowed_ = true;
  QTranslator qtTranslator_;
  SplashGate splash_;
  std::unique_ptr<CQnDoc> doc_;
  std::unique_ptr<CMainFrame> frame_;
};
