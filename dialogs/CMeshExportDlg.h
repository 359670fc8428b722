#pragma once
// CMeshExportDlg: the options of a mesh export after its file is chosen: simplification with
// its largest error (in grid cells and height units) and, for STL, the closed solid for 3-D
// printing. It hands back the options; it writes nothing itself.

#include <QDialog>

#include "export/MeshExport.h"

class QCheckBox;
class QLineEdit;
class UserFeedback;

class CMeshExportDlg : public QDialog {
  Q_OBJECT

 public:
  // title: the format's caption ("STL 形式で保存"); offerSolid: show the solid box (STL).
  // Refusals of the error box go to messages.
  CMeshExportDlg(const QString& title, bool offerSolid, const MeshExportOptions& initial,
                 UserFeedback& messages, QWidget* parent = nullptr);

  MeshExportOptions options() const { return options_; }
  QCheckBox* simplifyBox() const { return simplify_; }
  QLineEdit* errorBox() const { return error_; }
  QCheckBox* solidBox() const { return solid_; }  // null unless offered

  // Takes the boxes; an error that is not a number above 0 is refused with its message.
  void accept() override;

 private:
  UserFeedback& messages_;
  MeshExportOptions options_;
  QCheckBox* simplify_;
  QLineEdit* error_;
  QCheckBox* solid_ = nullptr;
};
