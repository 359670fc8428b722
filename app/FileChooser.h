#pragma once
// FileChooser: how the window commands ask the user for a file name (and a mesh export for
// its options). The program uses DialogFileChooser (Qt's file dialogs, overwrite question
// included); tests inject their own. It only asks: it never opens, reads or writes the
// chosen file.

#include <QString>
#include <QStringList>
#include <optional>

#include "export/MeshExport.h"

class QWidget;

struct FileDialogRequest {
  QString title;          // window title, e.g. "表面テクスチャを開く"
  QStringList filters;    // e.g. {"ビットマップ (*.bmp)", "すべてのファイル (*)"}
  QString defaultSuffix;  // added when the user types a name without one, e.g. "bmp"
};

class FileChooser {
 public:
  virtual ~FileChooser() = default;
  // The chosen existing file, or nothing when the user cancels.
  virtual std::optional<QString> chooseOpenFile(const FileDialogRequest& request) = 0;
  // The chosen target (the user has confirmed overwriting), or nothing on cancel.
  virtual std::optional<QString> chooseSaveFile(const FileDialogRequest& request) = 0;
  // The options of a mesh export in format, or nothing on cancel. Unless overridden, the
  // defaults (no simplification, no solid).
  virtual std::optional<MeshExportOptions> chooseMeshOptions(MeshFormat format) {
    (void)format;
    return MeshExportOptions{};
  }
};

class DialogFileChooser final : public FileChooser {
 public:
  explicit DialogFileChooser(QWidget* parent = nullptr) : parent_(parent) {}
  std::optional<QString> chooseOpenFile(const FileDialogRequest& request) override;
  std::optional<QString> chooseSaveFile(const FileDialogRequest& request) override;
  // CMeshExportDlg, starting from the options chosen last time.
  std::optional<MeshExportOptions> chooseMeshOptions(MeshFormat format) override;

 private:
  QWidget* parent_;
  MeshExportOptions lastMeshOptions_;
};
