#include "dialogs/CRendererSettingsDlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QVBoxLayout>
#include <optional>
#include <string>

#include "dialogs/CAutoSelectEdit.h"
#include "dialogs/DialogExchange.h"
#include "document/SettingsMessages.h"
#include "settings/NumberText.h"

namespace {

// Ids of the controls, which also name the edit boxes ("edit1002") for the tests.
enum ControlId {
  kScreenWidth = 1000,
  kScreenHeight = 1001,
  kDistance = 1002,
  kViewpointX = 1003,
  kViewpointY = 1004,
  kViewpointZ = 1005,
  kLookAtX = 1006,
  kLookAtY = 1007,
  kLookAtZ = 1008,
  kEmphasisRate = 1011,
  kRadioAuto = 1012,
  kSliceCheck = 1016,
  kWireframeCheck = 1018,
  kNearLimit = 1019,
  kLightDirX = 10001,
  kLightDirY = 10002,
  kLightDirZ = 10003,
  kLightRed = 10005,
  kLightGreen = 10006,
  kLightBlue = 10007,
  kAmbient = 10009,
  kSliceRangeLabel = 10100,
  kSliceMin = 10101,
  kSliceMax = 10102,
};

// Range checks made while a box is read, with the message of a value outside the range.
struct UnsignedRange {
  bool (*contains)(std::uint32_t);
  SettingsRule rule;
};
struct DoubleRange {
  bool (*contains)(double);
  SettingsRule rule;
};
constexpr DoubleRange kUnitRange{inUnitRange, SettingsRule::UnitRange};
constexpr UnsignedRange kByteRange{inByteRange, SettingsRule::ByteRange};

}  // namespace

// One pass of the data exchange: fills the boxes from a settings record or reads them back
// into it. Reading reports the first failure, gives that box the focus with its text
// selected, and makes every later call do nothing, so the visit stops there.
class CRendererSettingsDlg::Exchange {
 public:
  Exchange(CRendererSettingsDlg& dialog, Direction direction)
      : dialog_(dialog), reading_(direction == Direction::Read) {}

  bool ok() const { return ok_; }

  void unsignedBox(int id, std::uint32_t& value, std::optional<UnsignedRange> range = {}) {
    if (!ok_) return;
    CAutoSelectEdit* box = dialog_.edit(id);
    if (!reading_) return showText(box, formatUnsigned(value));
    std::optional<std::uint32_t> read = readUnsignedBox(dialog_.messages_, box);
    if (!read) return fail();
    if (range && !range->contains(*read)) return fail(box, settingsRuleMessage(range->rule));
    value = *read;
  }

  void doubleBox(int id, double& value, std::optional<DoubleRange> range = {}) {
    if (!ok_) return;
    CAutoSelectEdit* box = dialog_.edit(id);
    if (!reading_) return showText(box, formatDouble(value));
    std::optional<double> read = readDoubleBox(dialog_.messages_, box);
    if (!read) return fail();
    if (range && !range->contains(*read)) return fail(box, settingsRuleMessage(range->rule));
    value = *read;
  }

  // A check box is 1 when checked, 0 when not; a stored value other than 1 shows unchecked.
  void checkBox(QCheckBox* box, std::int32_t& value) {
    if (!ok_) return;
    if (reading_)
      value = box->isChecked() ? 1 : 0;
    else
      box->setChecked(value == 1);
  }

  // The index of the checked button, −1 when none is; a value outside 0..2 checks none.
  void radioGroup(QRadioButton* const (&buttons)[3], std::int32_t& value) {
    if (!ok_) return;
    if (reading_) {
      value = -1;
      for (int i = 0; i < 3; ++i)
        if (buttons[i]->isChecked()) value = i;
      return;
    }
    // Automatic exclusivity never lets the last checked button go; lift it to clear all.
    for (QRadioButton* button : buttons) button->setAutoExclusive(false);
    for (int i = 0; i < 3; ++i) buttons[i]->setChecked(i == value);
    for (QRadioButton* button : buttons) button->setAutoExclusive(true);
  }

 private:
  void fail() { ok_ = false; }
  void fail(CAutoSelectEdit* box, std::string_view message) {
    refuseBox(dialog_.messages_, box, message);
    fail();
  }

  CRendererSettingsDlg& dialog_;
  bool reading_;
  bool ok_ = true;
};

CRendererSettingsDlg::CRendererSettingsDlg(UserFeedback& messages, QWidget* parent)
    : QDialog(parent), messages_(messages) {
  buildWindow();
  fillControls(settings_);
}

void CRendererSettingsDlg::setSettings(const RenderSettings& settings) {
  settings_ = settings;
  fillControls(settings_);
}

bool CRendererSettingsDlg::exchange(Direction direction, RenderSettings& s) {
  exchanging_ = true;
  Exchange x(*this, direction);
  // The order is fixed: when reading, the first box that fails is the one reported.
  x.radioGroup(subdivisionRadios_, s.subdivisionMode);
  x.doubleBox(kLightBlue, s.lightColor.z, kUnitRange);
  x.doubleBox(kLightGreen, s.lightColor.y, kUnitRange);
  x.doubleBox(kLightRed, s.lightColor.x, kUnitRange);
  x.doubleBox(kLightDirX, s.lightDirection.x);
  x.doubleBox(kLightDirY, s.lightDirection.y);
  x.doubleBox(kLightDirZ, s.lightDirection.z);
  x.doubleBox(kLookAtX, s.lookAt.x);
  x.doubleBox(kLookAtY, s.lookAt.y);
  x.doubleBox(kLookAtZ, s.lookAt.z);
  x.doubleBox(kViewpointX, s.viewpoint.x);
  x.doubleBox(kViewpointY, s.viewpoint.y);
  x.doubleBox(kViewpointZ, s.viewpoint.z);
  x.doubleBox(kDistance, s.distance);
  x.unsignedBox(kScreenHeight, s.screenHeight);
  x.doubleBox(kNearLimit, s.nearLimit);
  x.unsignedBox(kScreenWidth, s.screenWidth);
  x.doubleBox(kAmbient, s.ambient, kUnitRange);
  x.checkBox(sliceCheck_, s.sliceEnabled);
  x.unsignedBox(kSliceMin, s.sliceMin, kByteRange);
  x.unsignedBox(kSliceMax, s.sliceMax, kByteRange);
  x.doubleBox(kEmphasisRate, s.emphasisRate);
  x.checkBox(wireframeCheck_, s.wireframe);
  exchanging_ = false;
  return x.ok();
}

void CRendererSettingsDlg::fillControls(const RenderSettings& settings) {
  RenderSettings shown = settings;  // filling only reads it
  exchange(Direction::Fill, shown);
  UpdateSliceRange();
}

void CRendererSettingsDlg::accept() {
  RenderSettings read = settings_;
  if (!exchange(Direction::Read, read)) return;
  if (std::optional<SettingsProblem> broken = checkOkRules(read)) {
    messages_.showMessage(
        settingsRuleMessage(broken->rule));  // the dialog stays open; the focus stays where it is
    return;
  }
  settings_ = read;
  QDialog::accept();
}

void CRendererSettingsDlg::showEvent(QShowEvent* event) {
  // Opening puts the first box ready for typing over its value.
  if (!event->spontaneous()) selectForTyping(edit(kScreenWidth));
  QDialog::showEvent(event);
}

void CRendererSettingsDlg::OnDefaults() { fillControls(RenderSettings{}); }

void CRendererSettingsDlg::UpdateSliceRange() {
  bool enabled = sliceCheck_->isChecked();
  sliceRangeLabel_->setEnabled(enabled);
  edit(kSliceMin)->setEnabled(enabled);
  edit(kSliceMax)->setEnabled(enabled);
}

void CRendererSettingsDlg::onHeightEdited(const QString& text) {
  if (exchanging_) return;
  edit(kDistance)->setText(text);
}

CAutoSelectEdit* CRendererSettingsDlg::edit(int controlId) const {
  return findEdit(*this, controlId);
}

void CRendererSettingsDlg::buildWindow() {
  setWindowTitle(QStringLiteral("レンダラ 設定"));

  auto newEdit = [this](int id) {
    auto* box = new CAutoSelectEdit(this);
    box->setObjectName(editName(id));
    box->setMinimumWidth(56);
    return box;
  };
  auto label = [](const char* text) { return new QLabel(QString::fromUtf8(text)); };
  // A row of the form: label, then the boxes side by side.
  auto row = [&](QGridLayout* grid, int r, const char* text, std::initializer_list<int> ids) {
    grid->addWidget(label(text), r, 0);
    int column = 1;
    for (int id : ids) grid->addWidget(newEdit(id), r, column++);
  };

  auto* screen = new QGroupBox(QStringLiteral("スクリーン"));
  auto* screenGrid = new QGridLayout(screen);
  row(screenGrid, 0, "サイズ", {kScreenWidth, kScreenHeight});
  row(screenGrid, 1, "距離", {kDistance});
  row(screenGrid, 2, "最小", {kNearLimit});

  auto* camera = new QGroupBox(QStringLiteral("カメラ"));
  auto* cameraGrid = new QGridLayout(camera);
  row(cameraGrid, 0, "視点", {kViewpointX, kViewpointY, kViewpointZ});
  row(cameraGrid, 1, "注視点", {kLookAtX, kLookAtY, kLookAtZ});

  auto* light = new QGroupBox(QStringLiteral("光源"));
  auto* lightGrid = new QGridLayout(light);
  row(lightGrid, 0, "環境光", {kAmbient});
  row(lightGrid, 1, "方向", {kLightDirX, kLightDirY, kLightDirZ});
  row(lightGrid, 2, "RGB", {kLightRed, kLightGreen, kLightBlue});

  auto* other = new QGroupBox(QStringLiteral("その他"));
  auto* otherGrid = new QGridLayout(other);
  row(otherGrid, 0, "強調率", {kEmphasisRate});
  wireframeCheck_ = new QCheckBox(QStringLiteral("ワイヤフレーム"));
  wireframeCheck_->setObjectName(QStringLiteral("check%1").arg(kWireframeCheck));
  otherGrid->addWidget(wireframeCheck_, 1, 0, 1, 2);

  auto* slice = new QGroupBox(QStringLiteral("スライス"));
  auto* sliceGrid = new QGridLayout(slice);
  sliceCheck_ = new QCheckBox(QStringLiteral("スライス使用"));
  sliceCheck_->setObjectName(QStringLiteral("check%1").arg(kSliceCheck));
  sliceGrid->addWidget(sliceCheck_, 0, 0, 1, 3);
  sliceRangeLabel_ = label("範囲");
  sliceRangeLabel_->setObjectName(QStringLiteral("label%1").arg(kSliceRangeLabel));
  sliceGrid->addWidget(sliceRangeLabel_, 1, 0);
  sliceGrid->addWidget(newEdit(kSliceMin), 1, 1);
  sliceGrid->addWidget(newEdit(kSliceMax), 1, 2);

  auto* subdivision = new QGroupBox(QStringLiteral("曲面分割"));
  auto* subdivisionBox = new QVBoxLayout(subdivision);
  const char* radioTexts[3] = {"自動", "固定分割A", "固定分割B"};
  for (int i = 0; i < 3; ++i) {
    subdivisionRadios_[i] = new QRadioButton(QString::fromUtf8(radioTexts[i]));
    subdivisionRadios_[i]->setObjectName(QStringLiteral("radio%1").arg(kRadioAuto + i));
    subdivisionBox->addWidget(subdivisionRadios_[i]);
  }

  const DialogButtons dialogButtons = makeDialogButtons(*this);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(dialogButtons.defaults);
  buttons->addWidget(dialogButtons.ok);
  buttons->addWidget(dialogButtons.cancel);

  auto* left = new QVBoxLayout;
  left->addWidget(screen);
  left->addWidget(camera);
  left->addWidget(light);
  left->addStretch();
  auto* right = new QVBoxLayout;
  right->addWidget(other);
  right->addWidget(slice);
  right->addWidget(subdivision);
  right->addStretch();
  auto* columns = new QHBoxLayout;
  columns->addLayout(left);
  columns->addLayout(right);
  auto* whole = new QVBoxLayout(this);
  whole->addLayout(columns);
  whole->addLayout(buttons);

  connect(dialogButtons.defaults, &QPushButton::clicked, this, &CRendererSettingsDlg::OnDefaults);
  connect(sliceCheck_, &QCheckBox::clicked, this, &CRendererSettingsDlg::UpdateSliceRange);
  // textEdited, not textChanged: only the user's typing, deleting and pasting are copied.
  connect(edit(kScreenHeight), &QLineEdit::textEdited, this, &CRendererSettingsDlg::onHeightEdited);
}
