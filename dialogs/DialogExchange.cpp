#include "dialogs/DialogExchange.h"

#include <QDialog>
#include <QPushButton>

#include "dialogs/CAutoSelectEdit.h"
#include "document/SettingsMessages.h"
#include "settings/NumberText.h"

QString editName(int controlId) { return QStringLiteral("edit%1").arg(controlId); }

CAutoSelectEdit* findEdit(const QWidget& dialog, int controlId) {
  auto* box = dialog.findChild<CAutoSelectEdit*>(editName(controlId));
  Q_ASSERT(box);
  return box;
}

void showText(CAutoSelectEdit* box, const std::string& text) {
  QString shown = QString::fromStdString(text);
  if (box->text() != shown) box->setText(shown);
}

void refuseBox(UserFeedback& messages, CAutoSelectEdit* box, std::string_view message) {
  messages.showMessage(message);
  selectForTyping(box);
}

void selectForTyping(CAutoSelectEdit* box) {
  box->setFocus(Qt::TabFocusReason);
  box->selectAll();
}

std::optional<std::uint32_t> readUnsignedBox(UserFeedback& messages, CAutoSelectEdit* box) {
  std::optional<std::uint32_t> read = parseUnsigned(box->text().toStdString());
  if (!read) refuseBox(messages, box, kNotAPositiveIntegerMessage);
  return read;
}

std::optional<double> readDoubleBox(UserFeedback& messages, CAutoSelectEdit* box) {
  std::optional<double> read = parseDouble(box->text().toStdString());
  if (!read) refuseBox(messages, box, kNotANumberMessage);
  return read;
}

DialogButtons makeDialogButtons(QDialog& dialog) {
  DialogButtons buttons{new QPushButton(QStringLiteral("標準")),
                        new QPushButton(QStringLiteral("OK")),
                        new QPushButton(QStringLiteral("キャンセル"))};
  buttons.defaults->setObjectName(QStringLiteral("button1021"));
  buttons.defaults->setAutoDefault(false);
  buttons.ok->setObjectName(QStringLiteral("button1"));
  buttons.ok->setDefault(true);
  buttons.cancel->setObjectName(QStringLiteral("button2"));
  buttons.cancel->setAutoDefault(false);
  // accept() is virtual: the dialog's own OK checks run.
  QObject::connect(buttons.ok, &QPushButton::clicked, &dialog, &QDialog::accept);
  QObject::connect(buttons.cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
  return buttons;
}
