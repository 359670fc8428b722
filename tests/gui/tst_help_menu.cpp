// The help menu: the help command's page lookup ("<program folder>/help/help.htm" handed
// to the opener, "ヘルプを開けません" when the page is missing or the opener fails), the
// shipped guide, and the about box.

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "app/HelpOpener.h"
#include "dialogs/CAboutDlg.h"
#include "support/QtFileContents.h"
#include "support/RecordingFeedback.h"

namespace {

const char* const kCannotOpen = "ヘルプを開けません";

struct RecordingOpener {
  QList<QUrl> urls;
  bool succeed = true;
  UrlOpener opener() {
    return [this](const QUrl& url) {
      urls << url;
      return succeed;
    };
  }
};

}  // namespace

class HelpMenuTest : public QObject {
  Q_OBJECT

 private slots:
  void opensThePageBesideTheProgram_data();
  void opensThePageBesideTheProgram();
  void missingPageIsReportedWithoutOpening();
  void failingOpenerIsReported();
  void shippedPageIsAJapaneseGuide();
  void builtProgramHasItsHelpPageBesideIt();
  void aboutBoxShowsTheProgramNameAndVersion();
};

void HelpMenuTest::opensThePageBesideTheProgram_data() {
  QTest::addColumn<QString>("page");  // where the page lies, under a prefix holding bin/
  QTest::addRow("build tree: beside the program") << "bin/help/help.htm";
  QTest::addRow("installed: the data folder") << "share/qn/help/help.htm";
}

void HelpMenuTest::opensThePageBesideTheProgram() {
  QFETCH(QString, page);
  QTemporaryDir prefix;
  QVERIFY(QDir(prefix.path()).mkpath("bin"));
  QVERIFY(QDir(prefix.path()).mkpath(QFileInfo(page).path()));
  writeFileBytes(prefix.filePath(page), "<html></html>");
  RecordingOpener opener;
  RecordingFeedback feedback;
  QVERIFY(openHelpPage(prefix.filePath("bin"), opener.opener(), &feedback));
  QCOMPARE(opener.urls, QList<QUrl>{QUrl::fromLocalFile(prefix.filePath(page))});
  QVERIFY(feedback.messages.empty());
}

void HelpMenuTest::missingPageIsReportedWithoutOpening() {
  QTemporaryDir program;
  QVERIFY(QDir(program.path()).mkpath("help"));  // the folder alone is not enough
  RecordingOpener opener;
  RecordingFeedback feedback;
  QVERIFY(!openHelpPage(program.path(), opener.opener(), &feedback));
  QVERIFY(opener.urls.isEmpty());
  QCOMPARE(feedback.messageTexts(), std::vector<std::string>{kCannotOpen});
  QCOMPARE(feedback.messages[0].icon, MessageIcon::Warning);
}

void HelpMenuTest::failingOpenerIsReported() {
  QTemporaryDir program;
  QVERIFY(QDir(program.path()).mkpath("help"));
  writeFileBytes(program.filePath("help/help.htm"), "<html></html>");
  RecordingOpener opener;
  opener.succeed = false;
  RecordingFeedback feedback;
  QVERIFY(!openHelpPage(program.path(), opener.opener(), &feedback));
  QCOMPARE(opener.urls.size(), 1);
  QCOMPARE(feedback.messageTexts(), std::vector<std::string>{kCannotOpen});
}

void HelpMenuTest::shippedPageIsAJapaneseGuide() {
  // The page in the source tree is the one the build copies beside the program.
  QFile page(QStringLiteral(QN_SOURCE_DIR "/resources/help/help.htm"));
  QVERIFY(page.open(QIODevice::ReadOnly));
  QString text = QString::fromUtf8(page.readAll());
  for (const char* needle :
       {"charset=\"utf-8\"", "バンプテクスチャ", "表面テクスチャ", "環境光", "スライス",
        "レンダリングシーケンス", "DXF", "qn-render", "--print-settings", ".qnf"})
    QVERIFY2(text.contains(QString::fromUtf8(needle)), needle);
  // Every local page or picture the guide links to is shipped with it.
  QRegularExpression link(QStringLiteral("(?:href|src)=\"([^\"#:]+)[^\"]*\""));
  for (auto it = link.globalMatch(text); it.hasNext();) {
    QString target = it.next().captured(1);
    QVERIFY2(QFile::exists(QStringLiteral(QN_SOURCE_DIR "/resources/help/") + target),
             qPrintable(target));
  }
}

void HelpMenuTest::builtProgramHasItsHelpPageBesideIt() {
  const QString programDir = QStringLiteral(QN_BINARY_DIR "/bin");
  if (!QFile::exists(programDir + "/qn")) QSKIP("qn is not built in this build folder");
  RecordingOpener opener;
  RecordingFeedback feedback;
  QVERIFY(openHelpPage(programDir, opener.opener(), &feedback));
  QCOMPARE(readFileBytes(helpPagePath(programDir)),
           readFileBytes(QStringLiteral(QN_SOURCE_DIR "/resources/help/help.htm")));
}

void HelpMenuTest::aboutBoxShowsTheProgramNameAndVersion() {
  CAboutDlg about;
  QCOMPARE(about.windowTitle(), QStringLiteral("QN のバージョン情報"));
  QStringList texts;
  for (auto* label : about.findChildren<QLabel*>()) texts << label->text();
  QVERIFY(texts.contains(QStringLiteral("３次元地形画像レンダラ QN Version 3.3")));
  auto* ok = about.findChild<QPushButton*>("button1");
  QVERIFY(ok && ok->text() == QStringLiteral("OK"));
  QTimer::singleShot(0, ok, &QPushButton::click);
  QCOMPARE(about.exec(), int(QDialog::Accepted));
}

QTEST_MAIN(HelpMenuTest)
#include "tst_help_menu.moc"
