#include "dialogs/CMeshExportDlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "dialogs/QtText.h"
#include "engine/StageProgress.h"

namespace {

constexpr std::string_view kBadErrorMessage = "許容誤差には 0 より大きい数を入力してください。";
constexpr double kDefaultError = 0.5;  // half a grid cell: visibly the same terrain

}  // namespace

CMeshExportDlg::CMeshExportDlg(const QString& title, bool offerSolid,
                               const MeshExportOptions& initial, UserFeedback& messages,
                               QWidget* parent)
    : QDialog(parent), messages_(messages), options_(initial) {
  setWindowTitle(title);
  auto* layout = new QVBoxLayout(this);
  simplify_ = new QCheckBox(QStringLiteral("メッシュを簡略化する(&M)"), this);
  simplify_->setChecked(initial.simplifyError.has_value());
  layout->addWidget(simplify_);
  auto* form = new QFormLayout;
  error_ = new QLineEdit(QString::number(initial.simplifyError.value_or(kDefaultError)), this);
  error_->setEnabled(simplify_->isChecked());
  form->addRow(QStringLiteral("許容誤差 (グリッド間隔と高さの単位)(&E):"), error_);
  layout->addLayout(form);
  connect(simplify_, &QCheckBox::toggled, error_, &QWidget::setEnabled);
  if (offerSolid) {
    solid_ =
        new QCheckBox(QStringLiteral("底と側面を付けて閉じた立体にする (3D プリント用)(&S)"), this);
    solid_->setChecked(initial.solid);
    layout->addWidget(solid_);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
  connect(buttons, &QDialogButtonBox::accepted, this, &CMeshExportDlg::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

void CMeshExportDlg::accept() {
  MeshExportOptions read;
  read.solid = solid_ != nullptr && solid_->isChecked();
  if (simplify_->isChecked()) {
    bool number = false;
    const double error = error_->text().trimmed().toDouble(&number);
    if (!number || !std::isfinite(error) || !(error > 0)) {
      messages_.showMessage(kBadErrorMessage);
      error_->setFocus();
      error_->selectAll();
      return;
    }
    read.simplifyError = error;
  }
  options_ = read;
  QDialog::accept();
}
