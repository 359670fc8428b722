// The two export commands end to end: a scripted file chooser in place of the save
// dialog, the real core writers, messages and progress captured by a recorder.

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>
#include <deque>

#include "app/ExportCommands.h"
#include "app/FileChooser.h"
#include "dialogs/CMeshExportDlg.h"
#include "document/DocumentModel.h"
#include "raster/Color.h"
#include "support/QtFileContents.h"
#include "support/RecordingFeedback.h"

namespace {

const char* const kBusyRefusal =
    "このコマンドは通常レンダリング中は選択できません。\n"
    "システムがレンダラーの処理に追いつかずアプリケーションが不安定な状態になっています。\n"
    "レンダリングシーケンスを調節してみてください。";

// Answers save dialogs from a script (a path, or nothing for cancel) and remembers what
// each dialog asked.
class ScriptedChooser final : public FileChooser {
 public:
  std::deque<std::optional<QString>> answers;
  QList<FileDialogRequest> asked;

  std::optional<QString> chooseOpenFile(const FileDialogRequest&) override {
    qFatal("an export command opened a file");
    return std::nullopt;
  }
  std::optional<QString> chooseSaveFile(const FileDialogRequest& request) override {
    asked << request;
    if (answers.empty()) return std::nullopt;
    std::optional<QString> answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::optional<MeshExportOptions> meshOptions = MeshExportOptions{};  // nothing: cancel
  std::vector<MeshFormat> optionsAsked;
  std::optional<MeshExportOptions> chooseMeshOptions(MeshFormat format) override {
    optionsAsked.push_back(format);
    return meshOptions;
  }
};

// Two 3 x 3 textures: 2 x 2 cells, so 8 triangles.
void loadSmallTextures(DocumentModel& doc) {
  QVERIFY(doc.surfaceImage.create(3, 3));
  QVERIFY(doc.bumpImage.create(3, 3));
  for (int i = 0; i < 9; ++i) {
    doc.surfaceImage.pixels()[i] = makeColor(200, 100, std::uint32_t(20 * i));
    doc.bumpImage.pixels()[i] = makeColor(std::uint32_t(30 * i), 0, 0);
  }
}

std::vector<std::string> texts(std::initializer_list<const char*> list) {
  return std::vector<std::string>(list.begin(), list.end());
}

}  // namespace

class ExportCommandsTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void dxfExportWritesTheMeshToTheChosenFile();
  void dxfCancelledDialogLeavesTheTargetUnchanged();
  void dxfUnwritableTargetIsReported();
  void dxfIsRefusedWhileRendering();
  void meshExportAsksForTheFileThenTheOptions_data();
  void meshExportAsksForTheFileThenTheOptions();
  void meshOptionsDialogHandsBackWhatItShows();
  void bitmapSaveWritesTheRenderedPicture();
  void bitmapCancelledDialogLeavesTheTargetUnchanged();
  void bitmapUnwritableTargetIsReported();
  void bitmapIsRefusedWhileRendering();

 private:
  std::unique_ptr<QTemporaryDir> dir_;  // a fresh folder for every test
  QTemporaryDir& folder() { return *dir_; }
  RecordingFeedback feedback_;
  std::unique_ptr<DocumentModel> doc_;
  ScriptedChooser chooser_;
};

void ExportCommandsTest::init() {
  feedback_ = RecordingFeedback();
  chooser_ = ScriptedChooser();
  doc_ = std::make_unique<DocumentModel>(&feedback_);
  dir_ = std::make_unique<QTemporaryDir>();
  QVERIFY(folder().isValid());
}

void ExportCommandsTest::dxfExportWritesTheMeshToTheChosenFile() {
  loadSmallTextures(*doc_);
  const QString target = folder().filePath("mesh.dxf");
  writeFileBytes(target, "an older drawing");
  chooser_.answers = {target};
  runExportDxf(*doc_, chooser_, feedback_);

  QCOMPARE(chooser_.asked.size(), 1);
  QCOMPARE(chooser_.asked[0].title, QStringLiteral("DXF 形式で保存"));
  QCOMPARE(chooser_.asked[0].filters,
           (QStringList{"DXF ファイル (*.dxf)", "すべてのファイル (*)"}));
  QCOMPARE(chooser_.asked[0].defaultSuffix, QStringLiteral("dxf"));
  QVERIFY(feedback_.messages.empty());

  QByteArray dxf = readFileBytes(target);
  QVERIFY(dxf.startsWith("0\r\nSECTION\r\n2\r\nENTITIES\r\n"));
  QVERIFY(dxf.endsWith("0\r\nENDSEC\r\n0\r\nEOF\r\n"));
  QCOMPARE(dxf.count("3DFACE"), 8);
  QCOMPARE(dxf.count("\r\n"), 10 + 8 * 30);
  // The bump's red 240 at the bottom-right corner, times the emphasis 0.25, in hundredths.
  QVERIFY(dxf.contains("\r\n6000.00\r\n"));
  QVERIFY(!doc_->renderer.isDrawing());
  QVERIFY(feedback_.allWindowsClosed());
  QCOMPARE(QDir(folder().path()).entryList(QDir::Files), QStringList{"mesh.dxf"});
}

void ExportCommandsTest::dxfCancelledDialogLeavesTheTargetUnchanged() {
  loadSmallTextures(*doc_);
  const QString target = folder().filePath("keep.dxf");
  writeFileBytes(target, "keep me");
  chooser_.answers = {std::nullopt};
  runExportDxf(*doc_, chooser_, feedback_);
  QCOMPARE(chooser_.asked.size(), 1);
  QCOMPARE(readFileBytes(target), QByteArray("keep me"));
  QVERIFY(feedback_.messages.empty());
  QVERIFY(feedback_.windows.empty());  // no mesh was built
}

void ExportCommandsTest::dxfUnwritableTargetIsReported() {
  loadSmallTextures(*doc_);
  const QString target = folder().filePath("missing-folder/mesh.dxf");
  chooser_.answers = {target};
  runExportDxf(*doc_, chooser_, feedback_);
  QCOMPARE(feedback_.messageTexts(), texts({"書き込みに失敗しました。"}));
  QVERIFY(!QFile::exists(target));
  QVERIFY(!doc_->renderer.isDrawing());
  QVERIFY(feedback_.allWindowsClosed());
}

void ExportCommandsTest::dxfIsRefusedWhileRendering() {
  loadSmallTextures(*doc_);
  QCOMPARE(doc_->startRendering(), StartResult::Started);
  QVERIFY(doc_->renderer.isDrawing());
  feedback_.messages.clear();
  chooser_.answers = {folder().filePath("mesh.dxf")};
  runExportDxf(*doc_, chooser_, feedback_);
  QCOMPARE(feedback_.messageTexts(), texts({kBusyRefusal}));
  QVERIFY(chooser_.asked.isEmpty());    // refused before the dialog
  QVERIFY(doc_->renderer.isDrawing());  // the rendering goes on
  QVERIFY(!QFile::exists(folder().filePath("mesh.dxf")));
}

void ExportCommandsTest::meshExportAsksForTheFileThenTheOptions_data() {
  QTest::addColumn<int>("format");
  QTest::addColumn<QString>("title");
  QTest::addColumn<QString>("filter");
  QTest::addColumn<QString>("suffix");
  QTest::addColumn<QStringList>("written");  // the files of a completed export
  QTest::addRow("STL") << int(MeshFormat::Stl) << "STL 形式で保存"
                       << "STL ファイル (*.stl)"
                       << "stl" << QStringList{"m.stl"};
  QTest::addRow("OBJ") << int(MeshFormat::Obj) << "OBJ 形式で保存"
                       << "OBJ ファイル (*.obj)"
                       << "obj" << QStringList{"m.mtl", "m.obj", "m.png"};
  QTest::addRow("PLY") << int(MeshFormat::Ply) << "PLY 形式で保存"
                       << "PLY ファイル (*.ply)"
                       << "ply" << QStringList{"m.ply"};
  QTest::addRow("glTF") << int(MeshFormat::Glb) << "glTF 形式で保存"
                        << "glTF バイナリ (*.glb)"
                        << "glb" << QStringList{"m.glb"};
}

void ExportCommandsTest::meshExportAsksForTheFileThenTheOptions() {
  QFETCH(int, format);
  QFETCH(QString, title);
  QFETCH(QString, filter);
  QFETCH(QString, suffix);
  QFETCH(QStringList, written);
  const MeshFormat mesh = MeshFormat(format);
  loadSmallTextures(*doc_);
  const QString target = folder().filePath("m." + suffix);
  const QStringList none;

  // The options dialog cancelled: nothing built, nothing written.
  chooser_.answers = {target};
  chooser_.meshOptions.reset();
  runExportMesh(*doc_, chooser_, feedback_, mesh);
  QCOMPARE(chooser_.asked.size(), 1);
  QCOMPARE(chooser_.asked[0].title, title);
  QCOMPARE(chooser_.asked[0].filters, (QStringList{filter, "すべてのファイル (*)"}));
  QCOMPARE(chooser_.asked[0].defaultSuffix, suffix);
  QCOMPARE(chooser_.optionsAsked, std::vector<MeshFormat>{mesh});
  QVERIFY(feedback_.windows.empty());
  QCOMPARE(QDir(folder().path()).entryList(QDir::Files), none);

  // Chosen: the files are written and the engine is idle again.
  chooser_.answers = {target};
  chooser_.meshOptions = MeshExportOptions{mesh == MeshFormat::Stl, 0.5};
  runExportMesh(*doc_, chooser_, feedback_, mesh);
  QVERIFY(feedback_.messages.empty());
  QCOMPARE(QDir(folder().path()).entryList(QDir::Files), written);
  QVERIFY(!doc_->renderer.isDrawing());
  QVERIFY(feedback_.allWindowsClosed());

  // Refused while rendering, before any dialog.
  QCOMPARE(doc_->startRendering(), StartResult::Started);
  feedback_.messages.clear();
  chooser_ = ScriptedChooser();
  runExportMesh(*doc_, chooser_, feedback_, mesh);
  QCOMPARE(feedback_.messageTexts(), texts({kBusyRefusal}));
  QVERIFY(chooser_.asked.isEmpty());
  QVERIFY(doc_->renderer.isDrawing());
}

void ExportCommandsTest::meshOptionsDialogHandsBackWhatItShows() {
  CMeshExportDlg dialog(QStringLiteral("STL 形式で保存"), true, MeshExportOptions{}, feedback_);
  QVERIFY(!dialog.simplifyBox()->isChecked());
  QVERIFY(!dialog.errorBox()->isEnabled());
  dialog.simplifyBox()->setChecked(true);
  dialog.solidBox()->setChecked(true);
  dialog.errorBox()->setText(QStringLiteral("0"));
  dialog.accept();  // refused: the error must be above 0
  QCOMPARE(feedback_.messageTexts(), texts({"許容誤差には 0 より大きい数を入力してください。"}));
  QCOMPARE(dialog.result(), int(QDialog::Rejected));
  dialog.errorBox()->setText(QStringLiteral("2.5"));
  dialog.accept();
  QCOMPARE(dialog.result(), int(QDialog::Accepted));
  QCOMPARE(dialog.options().simplifyError, std::optional<double>(2.5));
  QVERIFY(dialog.options().solid);
  CMeshExportDlg ply(QStringLiteral("PLY 形式で保存"), false, MeshExportOptions{}, feedback_);
  QCOMPARE(ply.solidBox(), nullptr);
}

void ExportCommandsTest::bitmapSaveWritesTheRenderedPicture() {
  loadSmallTextures(*doc_);
  RenderSettings& settings = doc_->renderer.settings;
  settings.screenWidth = 40;
  settings.screenHeight = 30;
  settings.viewpoint = {1.0, 6.0, 40.0};
  settings.lookAt = {1.0, 1.0, 0.0};
  QCOMPARE(doc_->startRendering(), StartResult::Started);
  doc_->renderer.drawToEnd();

  const QString target = folder().filePath("picture.bmp");
  writeFileBytes(target, "an older picture");
  chooser_.answers = {target};
  feedback_.messages.clear();
  runSaveBitmap(*doc_, chooser_, feedback_);

  QCOMPARE(chooser_.asked.size(), 1);
  QCOMPARE(chooser_.asked[0].title, QStringLiteral("ビットマップを保存"));
  QCOMPARE(chooser_.asked[0].filters,
           (QStringList{"ビットマップ (*.bmp)", "PNG 画像 (*.png)", "すべてのファイル (*)"}));
  QCOMPARE(chooser_.asked[0].defaultSuffix, QStringLiteral("bmp"));
  QVERIFY(feedback_.messages.empty());
  std::vector<std::uint8_t> expected = doc_->renderer.screen().encodeBmp();
  QCOMPARE(readFileBytes(target),
           QByteArray(reinterpret_cast<const char*>(expected.data()), qsizetype(expected.size())));
  QCOMPARE(expected.size(), std::size_t(54 + 40 * 3 * 30));
}

void ExportCommandsTest::bitmapCancelledDialogLeavesTheTargetUnchanged() {
  QVERIFY(doc_->renderer.createDefaultScreen());
  const QString target = folder().filePath("keep.bmp");
  writeFileBytes(target, "keep me");
  chooser_.answers = {std::nullopt};
  runSaveBitmap(*doc_, chooser_, feedback_);
  QCOMPARE(chooser_.asked.size(), 1);
  QCOMPARE(readFileBytes(target), QByteArray("keep me"));
  QVERIFY(feedback_.messages.empty());
}

void ExportCommandsTest::bitmapUnwritableTargetIsReported() {
  QVERIFY(doc_->renderer.createDefaultScreen());
  const QString target = folder().filePath("missing-folder/picture.bmp");
  chooser_.answers = {target};
  runSaveBitmap(*doc_, chooser_, feedback_);
  QCOMPARE(feedback_.messageTexts(), texts({"保存に失敗しました。"}));
  QVERIFY(!QFile::exists(target));
}

void ExportCommandsTest::bitmapIsRefusedWhileRendering() {
  loadSmallTextures(*doc_);
  QCOMPARE(doc_->startRendering(), StartResult::Started);
  feedback_.messages.clear();
  const QString target = folder().filePath("picture.bmp");
  chooser_.answers = {target};
  runSaveBitmap(*doc_, chooser_, feedback_);
  QCOMPARE(feedback_.messageTexts(), texts({kBusyRefusal}));
  QVERIFY(chooser_.asked.isEmpty());
  QVERIFY(doc_->renderer.isDrawing());
  QVERIFY(!QFile::exists(target));
}

QTEST_MAIN(ExportCommandsTest)
#include "tst_export_commands.moc"
