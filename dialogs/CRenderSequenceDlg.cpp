#include "dialogs/CRenderSequenceDlg.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QStyle>
#include <QVBoxLayout>
#include <optional>

#include "dialogs/CAutoSelectEdit.h"
#include "dialogs/DialogExchange.h"
#include "settings/NumberText.h"

namespace {

enum ControlId {
  kWarningIcon = 1000,
  kStartDelay = 1001,
  kDrawInterval = 1002,
  kStopTime = 1003,
  kProcessCount = 1004,
  kDrawCount = 1005,
};

// The values of the stored setting "2000,20,256,50,600,0,0,0".
constexpr std::uint32_t kDefaultStartDelay = 2000;
constexpr std::uint32_t kDefaultDrawInterval = 20;
constexpr std::uint32_t kDefaultDrawCount = 256;
constexpr std::uint32_t kDefaultProcessCount = 50;
constexpr std::uint32_t kDefaultStopTime = 600;

constexpr std::string_view kZeroIntervalMessage = "タイミングに0を設定しないでください。";

void fillBox(CAutoSelectEdit* box, std::uint32_t value) { showText(box, formatUnsigned(value)); }

}  // namespace

CRenderSequenceDlg::CRenderSequenceDlg(UserFeedback& messages, QWidget* parent)
    : QDialog(parent), messages_(messages) {
  buildWindow();
  fillControls();
}

void CRenderSequenceDlg::fillControls() {
  fillBox(edit(kStopTime), stopTime);
  fillBox(edit(kStartDelay), startDelay);
  fillBox(edit(kProcessCount), processCount);
  fillBox(edit(kDrawInterval), drawInterval);
  fillBox(edit(kDrawCount), drawCount);
}

void CRenderSequenceDlg::showEvent(QShowEvent* event) {
  // Opening shows the members as the caller left them; a window-system re-show does not.
  if (!event->spontaneous()) {
    fillControls();
    selectForTyping(edit(kStartDelay));
  }
  QDialog::showEvent(event);
}

void CRenderSequenceDlg::accept() {
  // The order of reading is fixed: the first box that fails is the one reported.
  struct Box {
    int id;
    std::uint32_t value;
  } boxes[] = {
      {kStopTime, 0}, {kStartDelay, 0}, {kProcessCount, 0}, {kDrawInterval, 0}, {kDrawCount, 0}};
  for (Box& box : boxes) {
    std::optional<std::uint32_t> read = readUnsignedBox(messages_, edit(box.id));
    if (!read) return;
    box.value = *read;
  }
  // Only the drawing interval is a timer period that must not be 0; a 0 in the other boxes
  // just means no wait or no pause.
  if (boxes[3].value == 0) {
    messages_.showMessage(kZeroIntervalMessage);
    return;
  }
  stopTime = boxes[0].value;
  startDelay = boxes[1].value;
  processCount = boxes[2].value;
  drawInterval = boxes[3].value;
  drawCount = boxes[4].value;
  QDialog::accept();
}

void CRenderSequenceDlg::OnDefaults() {
  fillBox(edit(kStartDelay), kDefaultStartDelay);
  fillBox(edit(kDrawInterval), kDefaultDrawInterval);
  fillBox(edit(kDrawCount), kDefaultDrawCount);
  fillBox(edit(kProcessCount), kDefaultProcessCount);
  fillBox(edit(kStopTime), kDefaultStopTime);
}

CAutoSelectEdit* CRenderSequenceDlg::edit(int controlId) const {
  return findEdit(*this, controlId);
}

void CRenderSequenceDlg::buildWindow() {
  setWindowTitle(QStringLiteral("レンダリングシーケンス 設定"));

  auto* icon = new QLabel;
  icon->setObjectName(QStringLiteral("static%1").arg(kWarningIcon));
  int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
  icon->setPixmap(style()
                      ->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, this)
                      .pixmap(iconSize, iconSize));
  icon->setAlignment(Qt::AlignTop);
  auto* warning = new QLabel(QStringLiteral(
      "これらの値は変更しない事をお勧めします。\n"
      "これらの値を変更するとマシンパワーによってはパフォーマンスを向上させる事ができますが、"
      "システムに著しい負荷がかかりシステム・アプリケーションともに動作が不安定になる可能性が"
      "あります。"));
  warning->setWordWrap(true);
  warning->setObjectName(QStringLiteral("warningText"));
  auto* warningRow = new QHBoxLayout;
  warningRow->addWidget(icon);
  warningRow->addWidget(warning, 1);

  // Rows from top to bottom: start delay, drawing interval, drawing count, processing
  // count, stop time.
  struct Row {
    const char* label;
    int id;
    const char* unit;
  } rows[] = {{"開始遅延", kStartDelay, "ミリ秒"},
              {"描画間隔", kDrawInterval, "ミリ秒"},
              {"描画数", kDrawCount, "回"},
              {"処理回数", kProcessCount, "回"},
              {"停止時間", kStopTime, "ミリ秒"}};
  auto* grid = new QGridLayout;
  for (int r = 0; r < 5; ++r) {
    auto* box = new CAutoSelectEdit(this);
    box->setObjectName(editName(rows[r].id));
    grid->addWidget(new QLabel(QString::fromUtf8(rows[r].label)), r, 0);
    grid->addWidget(box, r, 1);
    grid->addWidget(new QLabel(QString::fromUtf8(rows[r].unit)), r, 2);
  }

  const DialogButtons dialogButtons = makeDialogButtons(*this);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(dialogButtons.defaults);
  buttons->addWidget(dialogButtons.ok);
  buttons->addWidget(dialogButtons.cancel);
  buttons->addStretch();

  auto* body = new QHBoxLayout;
  body->addLayout(grid, 1);
  body->addLayout(buttons);
  auto* whole = new QVBoxLayout(this);
  whole->addLayout(warningRow);
  whole->addLayout(body);
  setMinimumWidth(380);

  connect(dialogButtons.defaults, &QPushButton::clicked, this, &CRenderSequenceDlg::OnDefaults);
}
