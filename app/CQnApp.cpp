#include "app/CQnApp.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QPointer>

#include "app/CMainFrame.h"
#include "app/CQnDoc.h"
#include "app/FileChooser.h"
#include "app/SettingsStore.h"
#include "dialogs/QtFeedback.h"

namespace {

const char kLegacyNotice[] =
    "都合により Version 1.0 の設定情報を削除しました。\n以後、新しい設定情報を使用します。";

// Qt's file dialogs over the main window, which exists only after the document.
class OwnedDialogChooser final : public FileChooser {
 public:
  void setParent(QWidget* parent) { parent_ = parent; }
  std::optional<QString> chooseOpenFile(const FileDialogRequest& request) override {
    return DialogFileChooser(parent_.data()).chooseOpenFile(request);
  }
  std::optional<QString> chooseSaveFile(const FileDialogRequest& request) override {
    return DialogFileChooser(parent_.data()).chooseSaveFile(request);
  }

 private:
  QPointer<QWidget> parent_;
};

bool isSwitch(const QString& argument) { return argument.startsWith(QLatin1Char('-')); }

// An embedded or automated start shows no splash.
bool asksForNoSplash(const QStringList& arguments) {
  for (const QString& argument : arguments) {
    const QString name = argument.mid(1);
    if (isSwitch(argument) &&
        (name.compare(QStringLiteral("Embedding"), Qt::CaseInsensitive) == 0 ||
         name.compare(QStringLiteral("Automation"), Qt::CaseInsensitive) == 0))
      return true;
  }
  return false;
}

QString documentArgument(const QStringList& arguments) {
  for (qsizetype i = 1; i < arguments.size(); ++i)
    if (!isSwitch(arguments.at(i))) return arguments.at(i);
  return {};
}

}  // namespace

CQnApp::CQnApp(FileChooser* chooser, UserFeedback* feedback)
    : chooser_(chooser), feedback_(feedback) {
  if (chooser_ == nullptr) {
    ownChooser_ = std::make_unique<OwnedDialogChooser>();
    chooser_ = ownChooser_.get();
  }
  if (feedback_ == nullptr) {
    ownFeedback_ = std::make_unique<QtFeedback>();
    feedback_ = ownFeedback_.get();
  }
}

CQnApp::~CQnApp() {
  // The views write their settings as they go; the document outlives them.
  frame_.reset();
  doc_.reset();
}

void CQnApp::installQtTranslation() {
  if (qtTranslator_.load(QStringLiteral("qtbase_ja"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QCoreApplication::installTranslator(&qtTranslator_);
}

bool CQnApp::InitInstance(const QStringList& arguments) {
  splash_.EnableSplash(splashAllowed_ && !asksForNoSplash(arguments));
  installQtTranslation();

  if (deleteLegacySettings()) feedback_->showMessage(kLegacyNotice, MessageIcon::Information);

  doc_ = std::make_unique<CQnDoc>(*chooser_, *feedback_);
  frame_ = std::make_unique<CMainFrame>(*doc_, *feedback_, &splash_);
  if (auto* qtFeedback = dynamic_cast<QtFeedback*>(feedback_)) qtFeedback->setOwner(frame_.get());
  if (auto* ownDialogs = dynamic_cast<OwnedDialogChooser*>(chooser_))
    ownDialogs->setParent(frame_.get());

  doc_->OnNewDocument();
  const QString path = documentArgument(arguments);
  if (!path.isEmpty()) {
    switch (doc_->OnOpenDocument(path)) {
      case OpenOutcome::Opened:
        break;
      case OpenOutcome::Refused:
        // A refused file leaves the new document in place; start-up goes on.
        break;
      case OpenOutcome::Failed:
        frame_.reset();
        doc_.reset();
        return false;
    }
  }
  doc_->UpdateAllViews();
  frame_->show();
  frame_->repaint();
  return true;
}
