#include "app/CQnDoc.h"

#include <QFile>
#include <QFileInfo>
#include <QMessageBox>

#include "app/ExportCommands.h"
#include "app/FileChooser.h"
#include "dialogs/CCameraDlg.h"
#include "dialogs/CRendererSettingsDlg.h"
#include "dialogs/QtText.h"
#include "engine/BusyRefusal.h"
#include "views/CQnRView.h"

namespace {

FileDialogRequest bitmapOpenSpec(const QString& title) {
  return {title,
          {QStringLiteral("ビットマップ (*.bmp)"),
           QStringLiteral("読み込める画像 (*.bmp *.png *.jpg *.jpeg *.tif *.tiff *.hgt *.asc)"),
           QStringLiteral("すべてのファイル (*)")},
          QStringLiteral("bmp")};
}

FileDialogRequest documentSpec(const QString& title) {
  return {title,
          {QStringLiteral("QN Document (*.qnf)"), QStringLiteral("すべてのファイル (*)")},
          QStringLiteral("qnf")};
}

}  // namespace

CQnDoc::CQnDoc(FileChooser& chooser, UserFeedback& feedback, QObject* parent)
    : QObject(parent), chooser_(chooser), feedback_(feedback), model_(&feedback) {}

CQnDoc::~CQnDoc() = default;

void CQnDoc::setRenderView(CQnRView* view) { renderView_ = view; }

CQnRView* CQnDoc::renderView() const { return renderView_.data(); }

void CQnDoc::SetModifiedFlag(bool modified) {
  if (modified_ == modified) return;
  modified_ = modified;
  emit stateChanged();
}

QString CQnDoc::GetTitle() const {
  return pathName_.isEmpty() ? QStringLiteral("無題") : QFileInfo(pathName_).fileName();
}

bool CQnDoc::OnNewDocument() {
  pathName_.clear();
  modified_ = false;
  model_.newDocument();
  emit stateChanged();
  return true;
}

OpenOutcome CQnDoc::OnOpenDocument(const QString& path) {
  const DocumentReadResult result = model_.readFile(toLocalPath(path));
  switch (result) {
    case DocumentReadResult::Read:
      pathName_ = QFileInfo(path).absoluteFilePath();
      modified_ = false;
      emit documentFileUsed(pathName_);
      emit stateChanged();
      UpdateAllViews();
      return OpenOutcome::Opened;
    case DocumentReadResult::NotDocument:
    case DocumentReadResult::NewerVersion:
      // The reader has shown why; the document stays as it was.
      return OpenOutcome::Refused;
    case DocumentReadResult::FileError:
      feedback_.showMessage("ファイルを開けませんでした。");
      return OpenOutcome::Failed;
    case DocumentReadResult::Truncated:
      return OpenOutcome::Failed;
  }
  return OpenOutcome::Failed;
}

bool CQnDoc::OnSaveDocument(const QString& path) {
  if (!model_.writeFile(toLocalPath(path))) {
    feedback_.showMessage("保存に失敗しました。");
    return false;
  }
  pathName_ = QFileInfo(path).absoluteFilePath();
  modified_ = false;
  emit documentFileUsed(pathName_);
  emit stateChanged();
  return true;
}

SaveAnswer CQnDoc::askToSave() const {
  if (saveQuestion_) return saveQuestion_(GetTitle());
  const auto answer = QMessageBox::question(
      dialogParent_.data(), QStringLiteral("QN"),
      QStringLiteral("%1 への変更を保存しますか?").arg(GetTitle()),
      QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
  if (answer == QMessageBox::Yes) return SaveAnswer::Save;
  if (answer == QMessageBox::No) return SaveAnswer::Discard;
  return SaveAnswer::Cancel;
}

bool CQnDoc::SaveModified() {
  if (!modified_) return true;
  switch (askToSave()) {
    case SaveAnswer::Save:
      return OnFileSave();
    case SaveAnswer::Discard:
      return true;
    case SaveAnswer::Cancel:
      return false;
  }
  return false;
}

void CQnDoc::OnFileNew() {
  if (!SaveModified()) return;
  OnNewDocument();
  UpdateAllViews();
}

void CQnDoc::OnFileOpen() {
  const auto chosen = chooser_.chooseOpenFile(documentSpec(QStringLiteral("開く")));
  if (chosen) OpenDocumentFile(*chosen);
}

bool CQnDoc::OpenDocumentFile(const QString& path) {
  if (!SaveModified()) return false;
  if (OnOpenDocument(path) == OpenOutcome::Opened) return true;
  emit documentFileFailed(path);
  return false;
}

bool CQnDoc::OnFileSave() {
  if (pathName_.isEmpty()) return OnFileSaveAs();
  return OnSaveDocument(pathName_);
}

bool CQnDoc::OnFileSaveAs() {
  const auto chosen = chooser_.chooseSaveFile(documentSpec(QStringLiteral("名前を付けて保存")));
  if (!chosen) return false;
  return OnSaveDocument(*chosen);
}

void CQnDoc::openTexture(TextureKind kind, const QString& title) {
  const auto chosen = chooser_.chooseOpenFile(bitmapOpenSpec(title));
  if (!chosen) return;
  OpenTextureFile(kind, *chosen);
}

void CQnDoc::OpenTextureFile(TextureKind kind, const QString& path) {
  // The model empties the texture first and shows its own message on a refusal.
  if (model_.openTexture(kind, toLocalPath(path))) SetModifiedFlag(true);
  UpdateAllViews();
  emit stateChanged();
}

void CQnDoc::OnOpenSurfaceTexture() {
  openTexture(TextureKind::Surface, QStringLiteral("表面テクスチャを開く"));
}

void CQnDoc::OnOpenBumpTexture() {
  openTexture(TextureKind::Bump, QStringLiteral("バンプテクスチャを開く"));
}

void CQnDoc::OnReloadTextures() {
  model_.reloadTextures();
  UpdateAllViews();
  emit stateChanged();
}

void CQnDoc::endPendingSequence() {
  if (renderView_ != nullptr) renderView_->EndSequence();
}

void CQnDoc::OnStartRendering() {
  if (refuseWhileDrawing(model_.renderer, feedback_, RefusedCommand::StartRendering)) return;
  if (renderView_ == nullptr) return;  // the document always has its render view
  endPendingSequence();
  switch (model_.startRendering()) {
    case StartResult::Started:
      renderView_->BeginSequence();
      UpdateAllViews();
      break;
    case StartResult::ScreenFailed:
      UpdateAllViews();
      break;
    case StartResult::StageFailed:
    case StartResult::Refused:
      break;
  }
  emit stateChanged();
}

void CQnDoc::OnStopRendering() {
  model_.stopRendering();
  // The sequence ends now rather than at its next tick; the part drawn so far stays.
  endPendingSequence();
  emit stateChanged();
}

void CQnDoc::OnRendererSettings() {
  CRendererSettingsDlg dialog(feedback_, dialogParent_.data());
  dialog.setSettings(model_.renderer.settings);
  if (dialog.exec() != QDialog::Accepted) return;
  model_.renderer.settings = dialog.settings();
  SetModifiedFlag(true);
}

void CQnDoc::OnCameraSettings() {
  if (refuseWhileDrawing(model_.renderer, feedback_)) return;
  int width = 0, height = 0;
  model_.gridSize(&width, &height);
  CCameraDlg dialog(model_.renderer.settings, model_.surfaceImage, model_.bumpImage, width, height,
                    dialogParent_.data());
  if (dialog.exec() != QDialog::Accepted) return;
  const RenderSettings chosen = dialog.settings();
  RenderSettings& settings = model_.renderer.settings;
  settings.viewpoint = chosen.viewpoint;
  settings.lookAt = chosen.lookAt;
  settings.distance = chosen.distance;
  SetModifiedFlag(true);
  UpdateAllViews();
}

void CQnDoc::OnSaveBitmap() {
  runSaveBitmap(model_, chooser_, feedback_);
  emit stateChanged();
}

void CQnDoc::OnExportDxf() {
  if (!model_.renderer.isDrawing()) endPendingSequence();
  runExportDxf(model_, chooser_, feedback_);
  emit stateChanged();
}

void CQnDoc::OnExportMesh(MeshFormat format) {
  if (!model_.renderer.isDrawing()) endPendingSequence();
  runExportMesh(model_, chooser_, feedback_, format);
  emit stateChanged();
}

void CQnDoc::UpdateAllViews() { emit viewsUpdateRequested(); }
