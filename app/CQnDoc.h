#pragma once
// CQnDoc: the window side of the one QN document. Wraps DocumentModel (settings, textures,
// engine) and adds what belongs to the window program: the document's file name and
// modified flag, the save question, the file dialogs of its commands, and the refresh of
// its views. It never paints; the views read the model at each paint.

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <string>

#include "document/DocumentModel.h"
#include "export/MeshFormats.h"

class CQnRView;
class FileChooser;
class QWidget;
class UserFeedback;

// The answers to "save changes?".
enum class SaveAnswer { Save, Discard, Cancel };

// How opening a document file ended.
enum class OpenOutcome {
  Opened,   // the document now holds the file
  Refused,  // not a document or a newer version: its message was shown, nothing changed
  Failed,   // unreadable or truncated: its message was shown, nothing changed
};

class CQnDoc : public QObject {
  Q_OBJECT

 public:
  // chooser and feedback must outlive the document.
  CQnDoc(FileChooser& chooser, UserFeedback& feedback, QObject* parent = nullptr);
  ~CQnDoc() override;

  DocumentModel& model() { return model_; }
  const DocumentModel& model() const { return model_; }
  TerrainRenderer& renderer() { return model_.renderer; }
  const TerrainRenderer& renderer() const { return model_.renderer; }

  // The render view that paces drawing; the start command needs it.
  void setRenderView(CQnRView* view);
  CQnRView* renderView() const;
  // The owner of the settings dialog and of the save question.
  void setDialogParent(QWidget* parent) { dialogParent_ = parent; }
  // Replaces the "save changes?" box (tests answer it themselves).
  using SaveQuestion = std::function<SaveAnswer(const QString& title)>;
  void setSaveQuestion(SaveQuestion question) { saveQuestion_ = std::move(question); }

  bool IsModified() const { return modified_; }
  void SetModifiedFlag(bool modified = true);
  // The full path of the document file; empty for a new document.
  const QString& GetPathName() const { return pathName_; }
  // The file name, or "無題" for a new document.
  QString GetTitle() const;

  // The new-document step: default settings, no textures, no file name, not modified.
  bool OnNewDocument();
  // Reads a document file into this document; on success it takes the file's name and is
  // not modified. A refused or failed file leaves the document as it was.
  OpenOutcome OnOpenDocument(const QString& path);
  // Writes the document; on success it takes the file's name and is not modified. Shows
  // "保存に失敗しました。" when the file could not be written.
  bool OnSaveDocument(const QString& path);
  // Asks whether to save a modified document. False when the user cancels or the save
  // failed: the caller must then keep the document.
  bool SaveModified();

  // Update rules of the commands.
  bool canReloadTextures() const { return model_.canReloadTextures(); }
  bool canStartRendering() const { return model_.canStartRendering(); }
  bool canStopRendering() const { return model_.canStopRendering(); }
  bool canSaveBitmap() const { return model_.canSaveBitmap(); }
  bool canExportDxf() const { return model_.canStartRendering(); }
  bool canEditSequence() const { return !model_.renderer.isDrawing(); }
  bool canSetCamera() const { return !model_.renderer.isDrawing(); }

 public slots:
  // The file commands (new, open, save, save as) and opening a recent file.
  void OnFileNew();
  void OnFileOpen();
  bool OnFileSave();
  bool OnFileSaveAs();
  // Asks to save, then opens path. False when the user cancelled or the open failed.
  bool OpenDocumentFile(const QString& path);

  // The document commands.
  // What the open-texture commands do once a file is chosen (also for a dropped file).
  void OpenTextureFile(TextureKind kind, const QString& path);
  void OnOpenSurfaceTexture();
  void OnOpenBumpTexture();
  void OnReloadTextures();
  void OnStartRendering();
  void OnStopRendering();
  void OnRendererSettings();
  // The camera window: refused while a rendering is drawing (its command is disabled then);
  // on OK the viewpoint, look-at point and distance are the document's.
  void OnCameraSettings();
  void OnSaveBitmap();
  void OnExportDxf();
  void OnExportMesh(MeshFormat format);

  // Every view recomputes and repaints from the model.
  void UpdateAllViews();

 signals:
  void viewsUpdateRequested();
  // Something the commands' enabling, the title or the modified flag depend on changed.
  void stateChanged();
  // A document file was opened or saved under path (the recent-file list takes it).
  void documentFileUsed(const QString& path);
  // Opening path failed (the recent-file list drops it).
  void documentFileFailed(const QString& path);

 private:
  void openTexture(TextureKind kind, const QString& title);
  // Ends the render view's timer so that a late tick of the last sequence never touches
  // a model that a stage is about to build.
  void endPendingSequence();
  SaveAnswer askToSave() const;

  FileChooser& chooser_;
  UserFeedback& feedback_;
  DocumentModel model_;
  QPointer<CQnRView> renderView_;
  QPointer<QWidget> dialogParent_;
  SaveQuestion saveQuestion_;
  QString pathName_;
  bool modified_ = false;
};
