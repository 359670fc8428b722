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

constexpr std::string_view kZeroIntervalMessage = "タイミングに0を設定しないでください。";

void fillBox(CAutoSelectEdit* box, std::uint32_t value) { showText(box, formatUnsigned(value)); }

}  // namespace

CRenderSequenceDlg::CRenderSequenceDlg(UserFeedback& messages, QWidget* parent)
    : QDialog(parent), messages_(messages) {
  buildWindow();
  fillControls(sequence_);
}

void CRenderSequenceDlg::setSequence(const RenderSequence& values) {
  sequence_ = values;
  fillControls(sequence_);
}

void CRenderSequenceDlg::fillControls(const RenderSequence& values) {
  fillBox(edit(kStopTime), values.stopTime);
  fillBox(edit(kStartDelay), values.startDelay);
  fillBox(edit(kProcessCount), values.processCount);
  fillBox(edit(kDrawInterval), values.drawInterval);
  fillBox(edit(kDrawCount), values.drawCount);
}

void CRenderSequenceDlg::showEvent(QShowEvent* event) {
  // Opening shows the values as the caller left them; a window-system re-show does not.
  if (!event->spontaneous()) {
    fillControls(sequence_);
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
  sequence_.stopTime = boxes[0].value;
  sequence_.startDelay = boxes[1].value;
  sequence_.processCount = boxes[2].value;
  sequence_.drawInterval = boxes[3].value;
  sequence_.drawCount = boxes[4].value;
  QDialog::accept();
}

void CRenderSequenceDlg::OnDefaults() { fillControls(RenderSequence{}); }

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
