// The renderer settings dialog driven as a user would: boxes found by their control ids,
// typed into with QTest, OK and "標準" pressed; messages captured by a recorder.

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include "dialogs/CRendererSettingsDlg.h"
#include "support/EveryFieldChanged.h"
#include "support/RecordingFeedback.h"

namespace {

const char* const kNotANumber = "数字を入力してください。";
const char* const kNotAPositiveInteger = "正の整数を入力してください。";
const char* const kUnitRange = "0 から 1 までの数字を入力してください。";
const char* const kByteRange = "0 から 255 までの整数を入力してください。";
const char* const kSizeRule = "スクリーンの[サイズ]は0より大きい値を指定してください。";
const char* const kDistanceRule = "スクリーンの[距離]は0より大きい値を指定してください。";
const char* const kNearRule = "スクリーンの[最小]は0より大きい値を指定してください。";
const char* const kDirectionRule = "光源の[方向]は最低ひとつを0以外の値にしてください。";
const char* const kColorRule = "光源の[RGB]をすべて0にすると何も表示されません。";
const char* const kSliceRule = "スライスの[範囲]は左値を右値より小さい値にしてください。";

using Edits = QList<QPair<int, QString>>;

QLineEdit* box(QWidget& dialog, int id) {
  auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("edit%1").arg(id));
  if (!edit) qFatal("no edit box %d", id);
  return edit;
}

QAbstractButton* button(QWidget& dialog, const QString& name) {
  auto* b = dialog.findChild<QAbstractButton*>(name);
  if (!b) qFatal("no button %s", qPrintable(name));
  return b;
}

// Replaces the whole text of a box by typing, as a user who selected it all would.
void typeInto(QLineEdit* edit, const QString& text) {
  edit->selectAll();
  if (text.isEmpty())
    QTest::keyClick(edit, Qt::Key_Delete);
  else
    QTest::keyClicks(edit, text);
}

QStringList messageList(const RecordingFeedback& feedback) {
  QStringList list;
  for (const std::string& text : feedback.messageTexts()) list << QString::fromStdString(text);
  return list;
}

}  // namespace

class RendererSettingsDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void showsTitleGroupsAndButtons();
  void opensShowingTheStoredValuesAndOkKeepsThem();
  void typingAtOnceReplacesTheFirstBox();
  void eachBoxReadsIntoItsOwnSetting();
  void firstConversionFailureIsTheOnlyOneReported_data();
  void firstConversionFailureIsTheOnlyOneReported();
  void okRulesRefuseInOrderWithTheirMessages_data();
  void okRulesRefuseInOrderWithTheirMessages();
  void defaultsButtonShowsTheDefaultsAndCopiesNothing();
  void typingTheHeightCopiesEachKeystrokeIntoTheDistance();
  void fillingAndReadingNeverCopyTheHeight();
  void subdivisionOutsideTheRangeChecksNoneAndReadsMinusOne();
  void sliceCheckBoxEnablesTheRange();
  void cancelChangesNothing();
  void execReturnsAcceptedOnOk();
};

void RendererSettingsDialogTest::showsTitleGroupsAndButtons() {
  RecordingFeedback feedback;
  CRendererSettingsDlg dialog(feedback);
  QCOMPARE(dialog.windowTitle(), QStringLiteral("レンダラ 設定"));
  QStringList groups;
  for (auto* group : dialog.findChildren<QGroupBox*>()) groups << group->title();
  groups.sort();
  QStringList expected{"スクリーン", "カメラ", "光源", "その他", "スライス", "曲面分割"};
  expected.sort();
  QCOMPARE(groups, expected);
  QCOMPARE(dialog.findChildren<QLineEdit*>().size(), 20);
  QCOMPARE(button(dialog, "button1021")->text(), QStringLiteral("標準"));
  QCOMPARE(button(dialog, "button1")->text(), QStringLiteral("OK"));
  QCOMPARE(button(dialog, "button2")->text(), QStringLiteral("キャンセル"));
  QVERIFY(qobject_cast<QPushButton*>(button(dialog, "button1"))->isDefault());
}

void RendererSettingsDialogTest::opensShowingTheStoredValuesAndOkKeepsThem() {
  RecordingFeedback feedback;
  CRendererSettingsDlg dialog(feedback);
  RenderSettings stored = everyFieldChanged();
  dialog.setSettings(stored);
  QCOMPARE(box(dialog, 1001)->text(), QStringLiteral("480"));
  QCOMPARE(box(dialog, 1002)->text(), QStringLiteral("500.5"));
  QCOMPARE(box(dialog, 10009)->text(), QStringLiteral("0.3"));
  QCOMPARE(box(dialog, 1004)->text(), QStringLiteral("300"));
  QVERIFY(button(dialog, "radio1014")->isChecked());
  QVERIFY(button(dialog, "check1018")->isChecked());
  dialog.accept();
  QCOMPARE(dialog.result(), int(QDialog::Accepted));
  QVERIFY(feedback.messages.empty());
  QVERIFY(dialog.settings() == stored);
}

// Regression: the caret stood behind the text, so typing "640" gave "320640".
void RendererSettingsDialogTest::typingAtOnceReplacesTheFirstBox() {
  RecordingFeedback feedback;
  CRendererSettingsDlg dialog(feedback);
  dialog.show();
  QVERIFY(QTest::qWaitForWindowActive(&dialog));
  QCOMPARE(QApplication::focusWidget(), box(dialog, 1000));
  QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("640"));
  QCOMPARE(box(dialog, 1000)->text(), QStringLiteral("640"));
}

void RendererSettingsDialogTest::eachBoxReadsIntoItsOwnSetting() {
  RecordingFeedback feedback;
  CRendererSettingsDlg dialog(feedback);
  // Distinct values everywhere, so a box wired to the wrong setting shows.
  const Edits edits{{1000, "101"},   {1001, "102"},  {1002, "103.5"}, {1019, "0.5"},
                    {1003, "1"},     {1004, "2"},    {1005, "3"},     {1006, "4"},
                    {1007, "5"},     {1008, "6"},    {10001, "7"},    {10002, "8"},
                    {10003, "9"},    {10005, "0.1"}, {10006, "0.2"},  {10007, "0.3"},
                    {10009, "0.75"}, {10101, " 12"}, {10102, "34\t"}, {1011, "1e1"}};
  for (const auto& [id, text] : edits) box(dialog, id)->setText(text);
  button(dialog, "radio1013")->click();
  button(dialog, "check1016")->click();
  dialog.accept();
  QCOMPARE(messageList(feedback), QStringList{});
  RenderSettings s = dialog.settings();
  QCOMPARE(s.screenWidth, 101u);
  QCOMPARE(s.screenHeight, 102u);
  QCOMPARE(s.distance, 103.5);
  QCOMPARE(s.nearLimit, 0.5);
  QVERIFY((s.viewpoint == Vec3{1, 2, 3}));
  QVERIFY((s.lookAt == Vec3{4, 5, 6}));
  QVERIFY((s.lightDirection == Vec3{7, 8, 9}));
  QVERIFY((s.lightColor == Vec3{0.1, 0.2, 0.3}));
  QCOMPARE(s.ambient, 0.75);
  QCOMPARE(s.sliceEnabled, 1);
  QCOMPARE(s.sliceMin, 12u);
  QCOMPARE(s.sliceMax, 34u);
  QCOMPARE(s.subdivisionMode, 1);
  QCOMPARE(s.emphasisRate, 10.0);
  QCOMPARE(s.wireframe, 0);
}

void RendererSettingsDialogTest::firstConversionFailureIsTheOnlyOneReported_data() {
  QTest::addColumn<Edits>("edits");
  QTest::addColumn<QString>("message");
  QTest::addColumn<int>("focusId");
  QTest::newRow("light colour 1.5 before the size rule")
      << Edits{{10007, "1.5"}, {1000, "0"}} << kUnitRange << 10007;
  QTest::newRow("blue is read before green and red")
      << Edits{{10005, "x"}, {10006, "2"}, {10007, "-0.5"}} << kUnitRange << 10007;
  QTest::newRow("green is read before red")
      << Edits{{10005, "x"}, {10006, "1.01"}} << kUnitRange << 10006;
  QTest::newRow("direction before the viewpoint")
      << Edits{{1003, "a"}, {10002, "b"}} << kNotANumber << 10002;
  QTest::newRow("distance before the height")
      << Edits{{1001, "a"}, {1002, "b"}} << kNotANumber << 1002;
  QTest::newRow("negative width") << Edits{{1000, "-5"}} << kNotAPositiveInteger << 1000;
  QTest::newRow("empty near limit") << Edits{{1019, ""}} << kNotANumber << 1019;
  QTest::newRow("ambient above 1") << Edits{{10009, "1.0001"}} << kUnitRange << 10009;
  QTest::newRow("slice maximum 256 while the slice is off")
      << Edits{{10102, "256"}} << kByteRange << 10102;
  QTest::newRow("slice minimum before maximum")
      << Edits{{10101, "300"}, {10102, "x"}} << kByteRange << 10101;
  QTest::newRow("emphasis rate last, a zero written as .0")
      << Edits{{1011, ".0"}} << kNotANumber << 1011;
  QTest::newRow("a zero written as -0 is refused") << Edits{{10001, "-0"}} << kNotANumber << 10001;
}

void RendererSettingsDialogTest::firstConversionFailureIsTheOnlyOneReported() {
  QFETCH(Edits, edits);
  QFETCH(QString, message);
  QFETCH(int, focusId);
  RecordingFeedback feedback;
  CRendererSettingsDlg dialog(feedback);
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  button(dialog, "check1016")->click();  // the slice range can take the focus
  for (const auto& [id, text] : edits) box(dialog, id)->setText(text);
  dialog.accept();
  QCOMPARE(messageList(feedback), QStringList{message});
  QVERIFY(dialog.isVisible());
  QVERIFY(dialog.settings() == RenderSettings{});
  QLineEdit* offending = box(dialog, focusId);
  QCOMPARE(dialog.focusWidget(), offending);
  QCOMPARE(offending->selectedText(), offending->text());
}

void RendererSettingsDialogTest::okRulesRefuseInOrderWithTheirMessages_data() {
  QTest::addColumn<Edits>("edits");
  QTest::addColumn<QString>("message");  // empty: accepted
  QTest::newRow("width 0") << Edits{{1000, "0"}} << kSizeRule;
  QTest::newRow("height 0 before distance -1") << Edits{{1001, "0"}, {1002, "-1"}} << kSizeRule;
  QTest::newRow("distance -1") << Edits{{1002, "-1"}} << kDistanceRule;
  QTest::newRow("distance 0") << Edits{{1002, "0"}} << kDistanceRule;
  QTest::newRow("distance 0.0001 passes") << Edits{{1002, "0.0001"}} << QString();
  QTest::newRow("near limit 0") << Edits{{1019, "0.0"}} << kNearRule;
  QTest::newRow("direction and colour all 0 shows the direction only")
      << Edits{{10001, "0"}, {10002, "0"}, {10003, "0"}, {10005, "0"}, {10006, "0"}, {10007, "0"}}
      << kDirectionRule;
  QTest::newRow("one direction component suffices")
      << Edits{{10001, "0"}, {10002, "0"}, {10003, "-3"}} << QString();
  QTest::newRow("colour all 0") << Edits{{10005, "0"}, {10006, "0"}, {10007, "0"}} << kColorRule;
  QTest::newRow("slice 128 to 128 with the slice off")
      << Edits{{10101, "128"}, {10102, "128"}} << kSliceRule;
  QTest::newRow("slice 200 to 100") << Edits{{10101, "200"}, {10102, "100"}} << kSliceRule;
  QTest::newRow("slice 254 to 255 passes") << Edits{{10101, "254"}, {10102, "255"}} << QString();
}

void RendererSettingsDialogTest::okRulesRefuseInOrderWithTheirMessages() {
  QFETCH(Edits, edits);
  QFETCH(QString, message);
  RecordingFeedback feedback;
  CRendererSettingsDlg dialog(feedback);
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  for (const auto& [id, text] : edits) box(dialog, id)->setText(text);
  QWidget* focusBefore = dialog.focusWidget();
  dialog.accept();
  if (message.isEmpty()) {
    QCOMPARE(messageList(feedback), QStringList{});
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    return;
  }
  QCOMPARE(messageList(feedback), QStringList{message});
  QVERIFY(dialog.isVisible());
  QCOMPARE(dialog.focusWidget(), focusBefore);  // a rule moves no focus
  QVERIFY(dialog.settings() == RenderSettings{});
}

void RendererSettingsDialogTest::defaultsButtonShowsTheDefaultsAndCopiesNothing() {
  RecordingFeedback feedback;
  CRendererSettingsDlg dialog(feedback);
  dialog.setSettings(everyFieldChanged());
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  typeInto(box(dialog, 1001), "600");
  QCOMPARE(box(dialog, 1002)->text(), QStringLiteral("600"));
  QTest::mouseClick(button(dialog, "button1021"), Qt::LeftButton);

  const QList<QPair<int, QString>> expected{
      {1000, "320"},  {1001, "240"}, {1002, "240"},  {1019, "2"},  {1003, "0"},
      {1004, "0"},    {1005, "256"}, {1006, "0"},    {1007, "0"},  {1008, "0"},
      {10009, "0.5"}, {10001, "1"},  {10002, "1"},   {10003, "1"}, {10005, "1"},
      {10006, "1"},   {10007, "1"},  {1011, "0.25"}, {10101, "0"}, {10102, "255"}};
  for (const auto& [id, text] : expected) {
    if (box(dialog, id)->text() != text)
      QFAIL(qPrintable(QStringLiteral("box %1 shows %2, expected %3")
                           .arg(id)
                           .arg(box(dialog, id)->text(), text)));
  }
  QVERIFY(!button(dialog, "check1016")->isChecked());
  QVERIFY(!button(dialog, "check1018")->isChecked());
  QVERIFY(button(dialog, "radio1012")->isChecked());
  QVERIFY(!box(dialog, 10101)->isEnabled());
  QVERIFY(!box(dialog, 10102)->isEnabled());
  QVERIFY(!dialog.findChild<QLabel*>("label10100")->isEnabled());
  QVERIFY(feedback.messages.empty());
  // The defaults reach the caller only through OK.
  QVERIFY(dialog.settings() == everyFieldChanged());
  dialog.accept();
  QVERIFY(dialog.settings() == RenderSettings{});
}

void RendererSettingsDialogTest::typingTheHeightCopiesEachKeystrokeIntoTheDistance() {
  RecordingFeedback feedback;
  CRendererSettingsDlg dialog(feedback);
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  QLineEdit* height = box(dialog, 1001);
  QLineEdit* distance = box(dialog, 1002);
  height->setFocus();
  height->selectAll();
  const QStringList shown{"6", "60", "600"};
  for (const QString& text : shown) {
    QTest::keyClick(height, text.back().toLatin1());
    QCOMPARE(height->text(), text);
    QCOMPARE(distance->text(), text);
  }
  QTest::keyClick(height, Qt::Key_Backspace);
  QCOMPARE(distance->text(), QStringLiteral("60"));
  // The user may then type another distance, which OK reads as it stands.
  typeInto(distance, "750");
  dialog.accept();
  QCOMPARE(dialog.settings().screenHeight, 60u);
  QCOMPARE(dialog.settings().distance, 750.0);

  dialog.show();
  // Letters are copied too, and reported on the distance box, which is read first.
  typeInto(height, "abc");
  QCOMPARE(distance->text(), QStringLiteral("abc"));
  dialog.accept();
  QCOMPARE(messageList(feedback), QStringList{kNotANumber});
  QCOMPARE(dialog.focusWidget(), distance);
}

void RendererSettingsDialogTest::fillingAndReadingNeverCopyTheHeight() {
  RecordingFeedback feedback;
  CRendererSettingsDlg dialog(feedback);
  RenderSettings stored;
  stored.screenHeight = 480;
  stored.distance = 500.0;
  dialog.setSettings(stored);
  QCOMPARE(box(dialog, 1002)->text(), QStringLiteral("500"));
  dialog.OnDefaults();
  QCOMPARE(box(dialog, 1002)->text(), QStringLiteral("240"));
  dialog.setSettings(stored);
  dialog.accept();
  QCOMPARE(dialog.settings().screenHeight, 480u);
  QCOMPARE(dialog.settings().distance, 500.0);
  QCOMPARE(box(dialog, 1002)->text(), QStringLiteral("500"));
}

void RendererSettingsDialogTest::subdivisionOutsideTheRangeChecksNoneAndReadsMinusOne() {
  RecordingFeedback feedback;
  CRendererSettingsDlg dialog(feedback);
  RenderSettings stored;
  stored.subdivisionMode = 1;
  dialog.setSettings(stored);
  QVERIFY(button(dialog, "radio1013")->isChecked());
  stored.subdivisionMode = 5;
  dialog.setSettings(stored);
  for (const char* name : {"radio1012", "radio1013", "radio1014"})
    QVERIFY2(!button(dialog, name)->isChecked(), name);
  dialog.accept();
  QCOMPARE(dialog.result(), int(QDialog::Accepted));
  QCOMPARE(dialog.settings().subdivisionMode, -1);

  // Choosing a button afterwards still works, and the group stays exclusive.
  dialog.setSettings(stored);
  button(dialog, "radio1014")->click();
  button(dialog, "radio1013")->click();
  QVERIFY(!button(dialog, "radio1014")->isChecked());
  dialog.accept();
  QCOMPARE(dialog.settings().subdivisionMode, 1);
}

void RendererSettingsDialogTest::sliceCheckBoxEnablesTheRange() {
  RecordingFeedback feedback;
  CRendererSettingsDlg dialog(feedback);
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  QVERIFY(!box(dialog, 10101)->isEnabled());
  QAbstractButton* sliceCheck = button(dialog, "check1016");
  const QPoint onIndicator(6, sliceCheck->height() / 2);  // a wide check box reacts near its text
  QTest::mouseClick(sliceCheck, Qt::LeftButton, Qt::NoModifier, onIndicator);
  QVERIFY(box(dialog, 10101)->isEnabled());
  QVERIFY(box(dialog, 10102)->isEnabled());
  QVERIFY(dialog.findChild<QLabel*>("label10100")->isEnabled());
  QTest::mouseClick(sliceCheck, Qt::LeftButton, Qt::NoModifier, onIndicator);
  QVERIFY(!box(dialog, 10102)->isEnabled());
  RenderSettings stored;
  stored.sliceEnabled = 1;
  dialog.setSettings(stored);
  QVERIFY(box(dialog, 10101)->isEnabled());
}

void RendererSettingsDialogTest::cancelChangesNothing() {
  RecordingFeedback feedback;
  CRendererSettingsDlg dialog(feedback);
  dialog.setSettings(everyFieldChanged());
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  typeInto(box(dialog, 1001), "123");
  box(dialog, 1000)->setText("0");  // a refused OK first
  dialog.accept();
  QCOMPARE(messageList(feedback), QStringList{kSizeRule});
  QTest::mouseClick(button(dialog, "button2"), Qt::LeftButton);
  QCOMPARE(dialog.result(), int(QDialog::Rejected));
  QVERIFY(!dialog.isVisible());
  QVERIFY(dialog.settings() == everyFieldChanged());
}

void RendererSettingsDialogTest::execReturnsAcceptedOnOk() {
  RecordingFeedback feedback;
  CRendererSettingsDlg dialog(feedback);
  dialog.setSettings(everyFieldChanged());
  QTimer::singleShot(0, &dialog, [&dialog] {
    box(dialog, 1000)->setText("800");
    QTest::mouseClick(button(dialog, "button1"), Qt::LeftButton);
  });
  QCOMPARE(dialog.exec(), int(QDialog::Accepted));
  RenderSettings expected = everyFieldChanged();
  expected.screenWidth = 800;
  QVERIFY(dialog.settings() == expected);
}

QTEST_MAIN(RendererSettingsDialogTest)
#include "tst_dialogs_renderer.moc"
