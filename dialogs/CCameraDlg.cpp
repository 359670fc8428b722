#include "dialogs/CCameraDlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "dialogs/QtText.h"
#include "settings/NumberText.h"
#include "views/CameraPreviewView.h"

namespace {

QString shown(double value) { return fromUtf8(formatDouble(value)); }
QString shown(const Vec3& v) {
  return shown(v.x) + QStringLiteral(", ") + shown(v.y) + QStringLiteral(", ") + shown(v.z);
}

}  // namespace

CCameraDlg::CCameraDlg(const RenderSettings& settings, const DibImage& surface,
                       const DibImage& bump, int width, int height, QWidget* parent)
    : QDialog(parent), settings_(settings), camera_(settings) {
  setWindowTitle(QStringLiteral("カメラ設定"));
  auto* layout = new QVBoxLayout(this);
  preview_ = new CameraPreviewView(this);
  // Null, and so no picture, while the preview could not be prepared.
  preview_->setPictureSource(
      [this](QSize box) { return engine_.render(this->settings(), box.width(), box.height()); });
  layout->addWidget(preview_, 1);

  note_ = new QLabel(this);
  if (!surface.isValid() || !bump.isValid() || width < 2 || height < 2)
    note_->setText(QStringLiteral("テクスチャを読み込むとプレビューが表示されます。"));
  else if (!engine_.prepare(surface, bump, width, height, settings_))
    note_->setText(QStringLiteral("プレビューを作れませんでした。"));
  else if (engine_.step() > 1)
    note_->setText(
        QStringLiteral("粗いグリッド (%1 点ごと) で表示しています。").arg(engine_.step()));
  note_->setVisible(!note_->text().isEmpty());
  layout->addWidget(note_);

  auto* values = new QFormLayout;
  viewpoint_ = new QLabel(this);
  lookAt_ = new QLabel(this);
  distance_ = new QLabel(this);
  for (QLabel* label : {viewpoint_, lookAt_, distance_})
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  values->addRow(QStringLiteral("視点:"), viewpoint_);
  values->addRow(QStringLiteral("注視点:"), lookAt_);
  values->addRow(QStringLiteral("距離:"), distance_);
  layout->addLayout(values);
  layout->addWidget(new QLabel(
      QStringLiteral("左ドラッグ: 回転　右ドラッグ (Shift+左): 移動　ホイール: 近づく/離れる　"
                     "Ctrl+ホイール: 距離　矢印キー, +/-: 少しずつ"),
      this));

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
  defaults_ = buttons->addButton(QStringLiteral("標準"), QDialogButtonBox::ResetRole);
  // Enter in the preview is OK, the keys there move the camera.
  for (QAbstractButton* button : buttons->buttons()) button->setFocusPolicy(Qt::TabFocus);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(defaults_, &QPushButton::clicked, this, [this] {
    camera_.reset();
    changed();
  });
  layout->addWidget(buttons);

  connect(preview_, &CameraPreviewView::turnDragged, this, &CCameraDlg::turnBy);
  connect(preview_, &CameraPreviewView::moveDragged, this, &CCameraDlg::moveBy);
  connect(preview_, &CameraPreviewView::rangeWheeled, this, [this](double notches) {
    camera_.scaleRange(std::pow(kRangePerNotch, notches));
    changed();
  });
  connect(preview_, &CameraPreviewView::distanceWheeled, this, [this](double notches) {
    camera_.scaleDistance(std::pow(kDistancePerNotch, notches));
    changed();
  });
  preview_->setFocus();
  changed();
}

void CCameraDlg::turnBy(QPoint delta) {
  camera_.turn(delta.x() * kDegreesPerPixel, delta.y() * kDegreesPerPixel);
  changed();
}

void CCameraDlg::moveBy(QPoint delta) {
  // The terrain under the pointer follows it: at the look-at point's depth one pixel of the
  // preview is range / (focal distance in preview pixels) terrain units.
  const double scale = CameraPreview::fitScale(settings_, preview_->width(), preview_->height());
  const double unitsPerPixel = camera_.range() / (camera_.distance() * scale);
  camera_.move(-delta.x() * unitsPerPixel, delta.y() * unitsPerPixel);
  changed();
}

void CCameraDlg::changed() {
  viewpoint_->setText(shown(camera_.viewpoint()));
  lookAt_->setText(shown(camera_.lookAt()));
  distance_->setText(shown(camera_.distance()));
  preview_->invalidate();
}
