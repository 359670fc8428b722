// The render sequence dialog: its rows, "標準", the reading order and the 0 rule.

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "dialogs/CRenderSequenceDlg.h"
#include "support/RecordingFeedback.h"

namespace {

const char* const kNotAPositiveInteger = "正の整数を入力してください。";
const char* const kZeroTiming = "タイミングに0を設定しないでください。";

using Edits = QList<QPair<int, QString>>;

QLineEdit* box(QWidget& dialog, int id) {
  auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("edit%1").arg(id));
  if (!edit) qFatal("no edit box %d", id);
  return edit;
}

QStringList messageList(const RecordingFeedback& feedback) {
  QStringList list;
  for (const std::string& text : feedback.messageTexts()) list << QString::fromStdString(text);
  return list;
}

void fillMembers(CRenderSequenceDlg& dialog) { dialog.setSequence({1, 2, 3, 4, 5}); }

// The five values as (start delay, interval, count, process count, stop time).
QList<std::uint32_t> members(const CRenderSequenceDlg& dialog) {
  const RenderSequence d = dialog.sequence();
  return {d.startDelay, d.drawInterval, d.drawCount, d.processCount, d.stopTime};
}

// Top to bottom: start delay, drawing interval, drawing count, processing count, stop time.
const int kRowIds[5] = {1001, 1002, 1005, 1004, 1003};

}  // namespace

class RenderSequenceDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void showsWarningRowsAndButtonsInOrder();
  void opensShowingTheMembersAndOkKeepsThem();
  void typingAtOnceReplacesTheFirstBox();
  void defaultsButtonShowsTheStoredDefaults();
  void readsTheBoxesInTheFixedOrder_data();
  void readsTheBoxesInTheFixedOrder();
  void zeroIsRefusedOnlyForTheDrawingInterval();
  void cancelLeavesTheCallersValues();
  void execReturnsAcceptedOnOk();
};

void RenderSequenceDialogTest::showsWarningRowsAndButtonsInOrder() {
  RecordingFeedback feedback;
  CRenderSequenceDlg dialog(feedback);
  QCOMPARE(dialog.windowTitle(), QStringLiteral("レンダリングシーケンス 設定"));
  auto* icon = dialog.findChild<QLabel*>("static1000");
  QVERIFY(icon && !icon->pixmap().isNull());
  auto* warning = dialog.findChild<QLabel*>("warningText");
  QVERIFY(warning->text().startsWith(QStringLiteral("これらの値は変更しない事をお勧めします。\n")));
  QVERIFY(warning->text().endsWith(QStringLiteral("動作が不安定になる可能性があります。")));
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  for (int row = 1; row < 5; ++row)
    QVERIFY(box(dialog, kRowIds[row - 1])->y() < box(dialog, kRowIds[row])->y());
  QCOMPARE(dialog.findChild<QPushButton*>("button1021")->text(), QStringLiteral("標準"));
  QCOMPARE(dialog.findChild<QPushButton*>("button1")->text(), QStringLiteral("OK"));
  QCOMPARE(dialog.findChild<QPushButton*>("button2")->text(), QStringLiteral("キャンセル"));
}

void RenderSequenceDialogTest::opensShowingTheMembersAndOkKeepsThem() {
  RecordingFeedback feedback;
  CRenderSequenceDlg dialog(feedback);
  fillMembers(dialog);
  dialog.show();  // opening shows the members set after construction
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  const QStringList shown{"1", "2", "3", "4", "5"};
  for (int row = 0; row < 5; ++row) QCOMPARE(box(dialog, kRowIds[row])->text(), shown[row]);
  dialog.accept();
  QCOMPARE(dialog.result(), int(QDialog::Accepted));
  QCOMPARE(members(dialog), (QList<std::uint32_t>{1, 2, 3, 4, 5}));
}

// Regression: the caret stood behind the text, so typing "50" gave "150".
void RenderSequenceDialogTest::typingAtOnceReplacesTheFirstBox() {
  RecordingFeedback feedback;
  CRenderSequenceDlg dialog(feedback);
  fillMembers(dialog);
  dialog.show();
  QVERIFY(QTest::qWaitForWindowActive(&dialog));
  QCOMPARE(QApplication::focusWidget(), box(dialog, 1001));
  QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("50"));
  QCOMPARE(box(dialog, 1001)->text(), QStringLiteral("50"));
}

void RenderSequenceDialogTest::defaultsButtonShowsTheStoredDefaults() {
  RecordingFeedback feedback;
  CRenderSequenceDlg dialog(feedback);
  fillMembers(dialog);
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  QTest::mouseClick(dialog.findChild<QPushButton*>("button1021"), Qt::LeftButton);
  const QStringList shown{"2000", "20", "256", "50", "600"};
  for (int row = 0; row < 5; ++row) QCOMPARE(box(dialog, kRowIds[row])->text(), shown[row]);
  dialog.accept();
  QCOMPARE(members(dialog), (QList<std::uint32_t>{2000, 20, 256, 50, 600}));
  QVERIFY(feedback.messages.empty());
}

void RenderSequenceDialogTest::readsTheBoxesInTheFixedOrder_data() {
  QTest::addColumn<Edits>("edits");
  QTest::addColumn<int>("focusId");
  QTest::newRow("stop time -1") << Edits{{1003, "-1"}} << 1003;
  QTest::newRow("stop time before start delay") << Edits{{1001, "x"}, {1003, "y"}} << 1003;
  QTest::newRow("start delay before processing count") << Edits{{1004, "x"}, {1001, "1.5"}} << 1001;
  QTest::newRow("processing count before interval") << Edits{{1002, ""}, {1004, "x"}} << 1004;
  QTest::newRow("interval before drawing count") << Edits{{1005, "x"}, {1002, "2 0"}} << 1002;
  QTest::newRow("drawing count last") << Edits{{1005, "4294967296"}} << 1005;
  QTest::newRow("an unreadable box wins over an interval of 0")
      << Edits{{1002, "0"}, {1005, "x"}} << 1005;
}

void RenderSequenceDialogTest::readsTheBoxesInTheFixedOrder() {
  QFETCH(Edits, edits);
  QFETCH(int, focusId);
  RecordingFeedback feedback;
  CRenderSequenceDlg dialog(feedback);
  fillMembers(dialog);
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  for (const auto& [id, text] : edits) box(dialog, id)->setText(text);
  dialog.accept();
  QCOMPARE(messageList(feedback), QStringList{kNotAPositiveInteger});
  QVERIFY(dialog.isVisible());
  QCOMPARE(dialog.focusWidget(), box(dialog, focusId));
  QCOMPARE(box(dialog, focusId)->selectedText(), box(dialog, focusId)->text());
  QCOMPARE(members(dialog), (QList<std::uint32_t>{1, 2, 3, 4, 5}));
}

void RenderSequenceDialogTest::zeroIsRefusedOnlyForTheDrawingInterval() {
  RecordingFeedback feedback;
  CRenderSequenceDlg dialog(feedback);
  fillMembers(dialog);
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  box(dialog, 1002)->setText("0");
  QWidget* focusBefore = dialog.focusWidget();
  dialog.accept();
  QCOMPARE(messageList(feedback), QStringList{kZeroTiming});
  QVERIFY(dialog.isVisible());
  QCOMPARE(dialog.focusWidget(), focusBefore);
  QCOMPARE(members(dialog), (QList<std::uint32_t>{1, 2, 3, 4, 5}));

  for (int id : {1001, 1003, 1004, 1005}) box(dialog, id)->setText("0");
  box(dialog, 1002)->setText(" 7 ");
  dialog.accept();
  QCOMPARE(dialog.result(), int(QDialog::Accepted));
  QCOMPARE(members(dialog), (QList<std::uint32_t>{0, 7, 0, 0, 0}));
  QCOMPARE(feedback.messages.size(), std::size_t(1));
}

void RenderSequenceDialogTest::cancelLeavesTheCallersValues() {
  RecordingFeedback feedback;
  CRenderSequenceDlg dialog(feedback);
  fillMembers(dialog);
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  dialog.OnDefaults();
  box(dialog, 1003)->setText("99");
  QTest::mouseClick(dialog.findChild<QPushButton*>("button2"), Qt::LeftButton);
  QCOMPARE(dialog.result(), int(QDialog::Rejected));
  QCOMPARE(members(dialog), (QList<std::uint32_t>{1, 2, 3, 4, 5}));
}

void RenderSequenceDialogTest::execReturnsAcceptedOnOk() {
  RecordingFeedback feedback;
  CRenderSequenceDlg dialog(feedback);
  fillMembers(dialog);
  QTimer::singleShot(0, &dialog, [&dialog] {
    box(dialog, 1005)->setText("512");
    QTest::keyClick(&dialog, Qt::Key_Return);  // OK is the default button
  });
  QCOMPARE(dialog.exec(), int(QDialog::Accepted));
  QCOMPARE(members(dialog), (QList<std::uint32_t>{1, 2, 512, 4, 5}));
}

QTEST_MAIN(RenderSequenceDialogTest)
#include "tst_dialogs_sequence.moc"
