// The document model: textures, enabling rules, rendering start and stop, and reading and
// writing .qnf files on disk with their textures beside them.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "document/DocumentFile.h"
#include "document/DocumentModel.h"
#include "support/EveryFieldChanged.h"
#include "support/FileContents.h"
#include "support/RecordingFeedback.h"
#include "support/TempFolder.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

const std::string kLoadFailed = "読み込みに失敗しました。";
const std::string kTooSmall = "幅または高さが1ピクセル以下のビットマップは使用できません。";
const std::string kSurfaceNotFound =
    "表面テクスチャを発見できませんでした。\n手動で読み直してください。";
const std::string kBumpNotFound =
    "バンプテクスチャの発見できませんでした。\n手動で読み直してください。";

// A fresh folder per test, removed afterwards.
class DocumentModelTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(folder_.path().empty()); }

  std::string path(const std::string& name) const { return folder_.file(name); }

  // A bitmap of width x height written as a BMP file; returns its path.
  std::string writeBitmap(const std::string& name, int width, int height) const {
    DibImage image;
    EXPECT_TRUE(image.create(width, height));
    const std::string file = path(name);
    EXPECT_TRUE(image.writeFile(file));
    return file;
  }

  // The bytes written as a file in the folder; returns its path.
  std::string writeBytes(const std::string& name, const Bytes& bytes) const {
    const std::string file = path(name);
    EXPECT_TRUE(::writeBytes(file, bytes));
    return file;
  }

  // A document file storing these names and settings.
  std::string writeDocument(const std::string& name, const std::string& surface,
                            const std::string& bump, const RenderSettings& s = {}) const {
    return writeBytes(name, encodeDocument(surface, bump, s).value());
  }

  // A model holding both textures and non-default settings, to see whether it changes.
  void fillModel(DocumentModel& model) const {
    ASSERT_TRUE(model.openTexture(TextureKind::Surface, writeBitmap("old-surface.bmp", 5, 4)));
    ASSERT_TRUE(model.openTexture(TextureKind::Bump, writeBitmap("old-bump.bmp", 3, 6)));
    model.renderer.settings.screenWidth = 64;
    model.renderer.settings.viewpoint = {1.0, 2.0, 3.0};
    model.renderer.settings.wireframe = 1;
  }

  TempFolder folder_;
};

struct Snapshot {
  RenderSettings settings;
  std::string surfacePath;
  std::string bumpPath;
  const Color* surfacePixels;
  const Color* bumpPixels;
  int surfaceWidth;
  int bumpWidth;
  friend bool operator==(const Snapshot&, const Snapshot&) = default;
};

Snapshot snapshot(const DocumentModel& model) {
  return {model.renderer.settings,     model.surfacePath(),      model.bumpPath(),
          model.surfaceImage.pixels(), model.bumpImage.pixels(), model.surfaceImage.width(),
          model.bumpImage.width()};
}

}  // namespace

TEST_F(DocumentModelTest, StartsAsANewDocument) {
  DocumentModel model;
  EXPECT_EQ(model.renderer.settings, RenderSettings{});
  EXPECT_EQ(model.surfacePath(), "");
  EXPECT_EQ(model.bumpPath(), "");
  EXPECT_FALSE(model.surfaceImage.isValid());
  EXPECT_FALSE(model.bumpImage.isValid());
  EXPECT_FALSE(model.canReloadTextures());
  EXPECT_FALSE(model.canStartRendering());
  EXPECT_FALSE(model.canStopRendering());
  EXPECT_TRUE(model.canSaveBitmap());
}

TEST_F(DocumentModelTest, NewDocumentRestoresDefaultsAndDropsTextures) {
  DocumentModel model;
  fillModel(model);
  model.renderer.settings = everyFieldChanged();
  model.newDocument();
  EXPECT_EQ(model.renderer.settings, RenderSettings{});
  EXPECT_EQ(model.surfacePath(), "");
  EXPECT_EQ(model.bumpPath(), "");
  EXPECT_FALSE(model.surfaceImage.isValid());
  EXPECT_FALSE(model.bumpImage.isValid());
}

TEST_F(DocumentModelTest, OpenTextureKeepsPathAndImageButNotSettings) {
  RecordingFeedback feedback;
  DocumentModel model(&feedback);
  model.renderer.settings = everyFieldChanged();
  const std::string file = writeBitmap("hill.bmp", 300, 200);
  EXPECT_TRUE(model.openTexture(TextureKind::Surface, file));
  EXPECT_EQ(model.surfacePath(), file);
  EXPECT_EQ(model.surfaceImage.width(), 300);
  EXPECT_EQ(model.bumpPath(), "");
  EXPECT_EQ(model.renderer.settings, everyFieldChanged());
  EXPECT_TRUE(feedback.messages.empty());
}

TEST_F(DocumentModelTest, OpenTextureThatFailsToLoadDropsTheOldTexture) {
  RecordingFeedback feedback;
  DocumentModel model(&feedback);
  fillModel(model);
  writeBytes("not-a-bitmap.bmp", {'B', 'X', 1, 2, 3});
  EXPECT_FALSE(model.openTexture(TextureKind::Bump, path("not-a-bitmap.bmp")));
  EXPECT_FALSE(model.openTexture(TextureKind::Surface, path("missing.bmp")));
  EXPECT_EQ(feedback.messageTexts(), (std::vector<std::string>{kLoadFailed, kLoadFailed}));
  EXPECT_EQ(feedback.messages[0].icon, MessageIcon::Warning);
  EXPECT_EQ(model.bumpPath(), "");
  EXPECT_FALSE(model.bumpImage.isValid());
  EXPECT_EQ(model.surfacePath(), "");
  EXPECT_FALSE(model.surfaceImage.isValid());
}

TEST_F(DocumentModelTest, OpenTextureRefusesImagesOnePixelWideOrHigh) {
  struct Case {
    const char* name;
    int width;
    int height;
    bool accepted;
  };
  const Case cases[] = {
      {"1 x 200", 1, 200, false},
      {"200 x 1", 200, 1, false},
      {"1 x 1", 1, 1, false},
      {"2 x 2", 2, 2, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingFeedback feedback;
    DocumentModel model(&feedback);
    const std::string file = writeBitmap("narrow.bmp", c.width, c.height);
    for (TextureKind kind : {TextureKind::Surface, TextureKind::Bump}) {
      EXPECT_EQ(model.openTexture(kind, file), c.accepted);
    }
    EXPECT_EQ(model.surfaceImage.isValid(), c.accepted);
    EXPECT_EQ(model.bumpImage.isValid(), c.accepted);
    EXPECT_EQ(model.surfacePath(), c.accepted ? file : std::string());
    EXPECT_EQ(model.bumpPath(), c.accepted ? file : std::string());
    const std::vector<std::string> expected =
        c.accepted ? std::vector<std::string>() : std::vector<std::string>{kTooSmall, kTooSmall};
    EXPECT_EQ(feedback.messageTexts(), expected);
  }
}

TEST_F(DocumentModelTest, ReloadShowsOneMessagePerLostTexture) {
  RecordingFeedback feedback;
  DocumentModel model(&feedback);
  const std::string surface = writeBitmap("surface.bmp", 4, 4);
  const std::string bump = writeBitmap("bump.bmp", 4, 4);
  ASSERT_TRUE(model.openTexture(TextureKind::Surface, surface));
  ASSERT_TRUE(model.openTexture(TextureKind::Bump, bump));

  writeBitmap("bump.bmp", 6, 5);  // changed on disk: reload picks it up
  fs::remove(surface);
  model.reloadTextures();
  EXPECT_EQ(feedback.messageTexts(), std::vector<std::string>{kLoadFailed});
  EXPECT_EQ(model.surfacePath(), "");
  EXPECT_FALSE(model.surfaceImage.isValid());
  EXPECT_EQ(model.bumpPath(), bump);
  EXPECT_EQ(model.bumpImage.width(), 6);
  EXPECT_TRUE(model.canReloadTextures());

  writeBitmap("bump.bmp", 1, 200);  // now too narrow
  model.reloadTextures();
  EXPECT_EQ(feedback.messageTexts(), (std::vector<std::string>{kLoadFailed, kTooSmall}));
  EXPECT_EQ(model.bumpPath(), "");
  EXPECT_FALSE(model.bumpImage.isValid());
  EXPECT_FALSE(model.canReloadTextures());
}

TEST_F(DocumentModelTest, EnablesCommandsByTextureState) {
  DocumentModel model;
  EXPECT_FALSE(model.canReloadTextures());
  EXPECT_FALSE(model.canStartRendering());
  ASSERT_TRUE(model.openTexture(TextureKind::Bump, writeBitmap("bump.bmp", 4, 4)));
  EXPECT_TRUE(model.canReloadTextures());
  EXPECT_FALSE(model.canStartRendering());
  ASSERT_TRUE(model.openTexture(TextureKind::Surface, writeBitmap("surface.bmp", 4, 4)));
  EXPECT_TRUE(model.canStartRendering());
  EXPECT_FALSE(model.canStopRendering());
  EXPECT_TRUE(model.canSaveBitmap());
}

TEST_F(DocumentModelTest, GridIsTheCommonTopLeftRegion) {
  DocumentModel model;
  int width = -1;
  int height = -1;
  model.gridSize(&width, &height);
  EXPECT_EQ(width, 0);
  EXPECT_EQ(height, 0);
  ASSERT_TRUE(model.openTexture(TextureKind::Surface, writeBitmap("surface.bmp", 300, 200)));
  ASSERT_TRUE(model.openTexture(TextureKind::Bump, writeBitmap("bump.bmp", 256, 256)));
  model.gridSize(&width, &height);
  EXPECT_EQ(width, 256);
  EXPECT_EQ(height, 200);
}

TEST_F(DocumentModelTest, WritesAndReadsBackEveryField) {
  DocumentModel writer;
  ASSERT_TRUE(writer.openTexture(TextureKind::Surface, writeBitmap("hill.bmp", 7, 5)));
  ASSERT_TRUE(writer.openTexture(TextureKind::Bump, writeBitmap("hillh.bmp", 6, 4)));
  writer.renderer.settings = everyFieldChanged();
  ASSERT_TRUE(writer.writeFile(path("a.qnf")));

  const Bytes bytes = readBytes(path("a.qnf"));
  ASSERT_EQ(bytes.size(), 236u + 8 + 9);
  EXPECT_EQ(std::string(bytes.begin() + 68, bytes.begin() + 89), "hill.bmp\r\nhillh.bmp\r\n");

  RecordingFeedback feedback;
  DocumentModel reader(&feedback);
  EXPECT_EQ(reader.readFile(path("a.qnf")), DocumentReadResult::Read);
  EXPECT_TRUE(feedback.messages.empty());
  EXPECT_EQ(reader.renderer.settings, everyFieldChanged());
  EXPECT_EQ(reader.surfacePath(), path("hill.bmp"));
  EXPECT_EQ(reader.bumpPath(), path("hillh.bmp"));
  EXPECT_EQ(reader.surfaceImage.width(), 7);
  EXPECT_EQ(reader.bumpImage.width(), 6);
}

TEST_F(DocumentModelTest, NewDocumentSavedAtOnceIs236Bytes) {
  DocumentModel model;
  ASSERT_TRUE(model.writeFile(path("new.qnf")));
  EXPECT_EQ(readBytes(path("new.qnf")), encodeDocument("", "", RenderSettings{}).value());
}

TEST_F(DocumentModelTest, LooksForTexturesOnlyInTheDocumentsFolder) {
  // Textures in a sub-folder are stored by name alone and not found beside the document.
  fs::create_directory(path("maps"));
  DocumentModel writer;
  ASSERT_TRUE(writer.openTexture(TextureKind::Surface, writeBitmap("maps/hill.bmp", 4, 4)));
  ASSERT_TRUE(writer.openTexture(TextureKind::Bump, writeBitmap("maps/hillh.bmp", 4, 4)));
  writer.renderer.settings = everyFieldChanged();
  ASSERT_TRUE(writer.writeFile(path("a.qnf")));

  RecordingFeedback feedback;
  DocumentModel reader(&feedback);
  fillModel(reader);
  EXPECT_EQ(reader.readFile(path("a.qnf")), DocumentReadResult::Read);
  // Both messages, surface first; reading went on to the settings.
  EXPECT_EQ(feedback.messageTexts(), (std::vector<std::string>{kSurfaceNotFound, kBumpNotFound}));
  EXPECT_EQ(reader.surfacePath(), "");
  EXPECT_EQ(reader.bumpPath(), "");
  EXPECT_FALSE(reader.surfaceImage.isValid());
  EXPECT_FALSE(reader.bumpImage.isValid());
  EXPECT_EQ(reader.renderer.settings, everyFieldChanged());
}

TEST_F(DocumentModelTest, MissingTextureLeavesItEmptyAndReadingGoesOn) {
  writeBitmap("hillh.bmp", 4, 4);
  writeDocument("a.qnf", "gone.bmp", "hillh.bmp", everyFieldChanged());
  RecordingFeedback feedback;
  DocumentModel model(&feedback);
  fillModel(model);
  EXPECT_EQ(model.readFile(path("a.qnf")), DocumentReadResult::Read);
  EXPECT_EQ(feedback.messageTexts(), std::vector<std::string>{kSurfaceNotFound});
  EXPECT_EQ(model.surfacePath(), "");
  EXPECT_FALSE(model.surfaceImage.isValid());
  EXPECT_EQ(model.bumpPath(), path("hillh.bmp"));
  EXPECT_TRUE(model.bumpImage.isValid());
  EXPECT_EQ(model.renderer.settings, everyFieldChanged());
}

TEST_F(DocumentModelTest, EmptyNamesKeepTheTexturesAlreadyOpen) {
  writeDocument("a.qnf", "", "", everyFieldChanged());
  RecordingFeedback feedback;
  DocumentModel model(&feedback);
  fillModel(model);
  const Snapshot before = snapshot(model);
  EXPECT_EQ(model.readFile(path("a.qnf")), DocumentReadResult::Read);
  EXPECT_TRUE(feedback.messages.empty());
  EXPECT_EQ(model.surfacePath(), before.surfacePath);
  EXPECT_EQ(model.bumpPath(), before.bumpPath);
  EXPECT_EQ(model.surfaceImage.pixels(), before.surfacePixels);
  EXPECT_EQ(model.bumpImage.pixels(), before.bumpPixels);
  EXPECT_EQ(model.renderer.settings, everyFieldChanged());
}

TEST_F(DocumentModelTest, ReadingAcceptsImagesOnePixelWide) {
  writeBitmap("narrow.bmp", 1, 200);
  writeDocument("a.qnf", "narrow.bmp", "");
  RecordingFeedback feedback;
  DocumentModel model(&feedback);
  EXPECT_EQ(model.readFile(path("a.qnf")), DocumentReadResult::Read);
  EXPECT_TRUE(feedback.messages.empty());
  EXPECT_EQ(model.surfacePath(), path("narrow.bmp"));
  EXPECT_EQ(model.surfaceImage.width(), 1);
}

TEST_F(DocumentModelTest, ReadsCodePage932Names) {
  writeBitmap("地形.bmp", 4, 3);
  writeDocument("a.qnf", "\x92\x6E\x8C\x60.bmp", "");  // 地形.bmp in code page 932
  RecordingFeedback feedback;
  DocumentModel model(&feedback);
  EXPECT_EQ(model.readFile(path("a.qnf")), DocumentReadResult::Read);
  EXPECT_TRUE(feedback.messages.empty());
  EXPECT_EQ(model.surfacePath(), path("地形.bmp"));
  EXPECT_EQ(model.surfaceImage.height(), 3);
}

TEST_F(DocumentModelTest, ReadsACodePage932NameWhoseSecondByteIsABackslash) {
  writeBitmap("表.bmp", 4, 3);
  writeDocument("a.qnf", "", "\x95\x5C.bmp");  // 表.bmp: 95 5C
  RecordingFeedback feedback;
  DocumentModel model(&feedback);
  EXPECT_EQ(model.readFile(path("a.qnf")), DocumentReadResult::Read);
  EXPECT_TRUE(feedback.messages.empty());
  EXPECT_EQ(model.bumpPath(), path("表.bmp"));
}

TEST_F(DocumentModelTest, WritesNamesInCodePage932WhenItCanAndUtf8Otherwise) {
  DocumentModel writer;
  ASSERT_TRUE(writer.openTexture(TextureKind::Surface, writeBitmap("地形.bmp", 4, 4)));
  ASSERT_TRUE(writer.openTexture(TextureKind::Bump, writeBitmap("été😀.bmp", 4, 4)));
  ASSERT_TRUE(writer.writeFile(path("a.qnf")));
  const Bytes bytes = readBytes(path("a.qnf"));
  const std::string lines(bytes.begin() + 68, bytes.end() - 164);
  EXPECT_EQ(lines, "\x92\x6E\x8C\x60.bmp\r\nété😀.bmp\r\n");

  DocumentModel reader;
  EXPECT_EQ(reader.readFile(path("a.qnf")), DocumentReadResult::Read);
  EXPECT_EQ(reader.surfacePath(), path("地形.bmp"));
  EXPECT_EQ(reader.bumpPath(), path("été😀.bmp"));
}

TEST_F(DocumentModelTest, StoredNamesNeverLeadOutOfTheDocumentsFolder) {
  fs::create_directory(path("doc"));
  writeBitmap("secret.bmp", 4, 4);  // beside the folder, never to be read
  struct Case {
    const char* name;
    const char* stored;
  };
  const Case cases[] = {
      {"parent with slash", "../secret.bmp"},
      {"parent with backslash", "..\\secret.bmp"},
      {"absolute", "/tmp/../secret.bmp"},
      {"windows path", "D:\\maps\\..\\..\\secret.bmp"},
      {"dot dot alone", ".."},
      {"dot alone", "."},
      {"nothing after the separator", "maps\\"},
      {"cp932 with parent", "..\\\x92\x6E.bmp"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    writeDocument("doc/a.qnf", c.stored, "");
    RecordingFeedback feedback;
    DocumentModel model(&feedback);
    EXPECT_EQ(model.readFile(path("doc/a.qnf")), DocumentReadResult::Read);
    EXPECT_EQ(feedback.messageTexts(), std::vector<std::string>{kSurfaceNotFound});
    EXPECT_FALSE(model.surfaceImage.isValid());
    EXPECT_EQ(model.surfacePath(), "");
  }
  // The last component is looked for in the document's own folder.
  writeBitmap("doc/secret.bmp", 4, 4);
  for (const char* stored : {"..\\secret.bmp", "../secret.bmp", "D:\\maps\\secret.bmp"}) {
    SCOPED_TRACE(stored);
    writeDocument("doc/a.qnf", stored, "");
    DocumentModel model;
    EXPECT_EQ(model.readFile(path("doc/a.qnf")), DocumentReadResult::Read);
    EXPECT_EQ(model.surfacePath(), path("doc/secret.bmp"));
  }
}

TEST_F(DocumentModelTest, RefusedFilesLeaveTheDocumentAsItWas) {
  Bytes newer = encodeDocument("x.bmp", "y.bmp", everyFieldChanged()).value();
  newer[2] = 0x2D;  // version 301
  Bytes wrongMagic = encodeDocument("x.bmp", "y.bmp", everyFieldChanged()).value();
  wrongMagic[1] = 'X';
  writeBitmap("x.bmp", 4, 4);
  writeBitmap("y.bmp", 4, 4);
  struct Case {
    const char* name;
    Bytes bytes;
    DocumentReadResult result;
    const char* message;
  };
  const Case cases[] = {
      {"version 301", newer, DocumentReadResult::NewerVersion,
       "上位バージョンのフォーマットはサポートしていません。"},
      {"wrong magic", wrongMagic, DocumentReadResult::NotDocument,
       "QN ドキュメントではありません。"},
      {"empty file", {}, DocumentReadResult::Truncated, "予期しないﾌｧｲﾙ形式です。"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingFeedback feedback;
    DocumentModel model(&feedback);
    fillModel(model);
    const Snapshot before = snapshot(model);
    EXPECT_EQ(model.readFile(writeBytes("refused.qnf", c.bytes)), c.result);
    EXPECT_EQ(feedback.messageTexts(), std::vector<std::string>{c.message});
    EXPECT_EQ(snapshot(model), before);
  }
}

TEST_F(DocumentModelTest, EveryTruncatedFileLeavesTheDocumentAsItWas) {
  writeBitmap("x.bmp", 4, 4);
  writeBitmap("y.bmp", 4, 4);
  const Bytes file = encodeDocument("x.bmp", "y.bmp", everyFieldChanged()).value();
  RecordingFeedback feedback;
  DocumentModel model(&feedback);
  fillModel(model);
  const Snapshot before = snapshot(model);
  for (std::size_t length = 0; length < file.size(); ++length) {
    SCOPED_TRACE(length);
    feedback.messages.clear();
    const std::string cut = writeBytes("cut.qnf", Bytes(file.begin(), file.begin() + length));
    EXPECT_EQ(model.readFile(cut), DocumentReadResult::Truncated);
    EXPECT_EQ(feedback.messageTexts(), std::vector<std::string>{"予期しないﾌｧｲﾙ形式です。"});
    ASSERT_EQ(snapshot(model), before);
  }
  EXPECT_EQ(model.readFile(writeBytes("whole.qnf", file)), DocumentReadResult::Read);
  EXPECT_EQ(model.surfacePath(), path("x.bmp"));
}

TEST_F(DocumentModelTest, UnreadableFilesChangeNothingAndShowNothing) {
  RecordingFeedback feedback;
  DocumentModel model(&feedback);
  fillModel(model);
  const Snapshot before = snapshot(model);
  EXPECT_EQ(model.readFile(path("missing.qnf")), DocumentReadResult::FileError);
  fs::create_directory(path("folder.qnf"));
  EXPECT_EQ(model.readFile(path("folder.qnf")), DocumentReadResult::FileError);
  EXPECT_TRUE(feedback.messages.empty());
  EXPECT_EQ(snapshot(model), before);
}

TEST_F(DocumentModelTest, FailedWriteKeepsTheOldFile) {
  DocumentModel model;
  ASSERT_TRUE(model.writeFile(path("a.qnf")));
  const Bytes old = readBytes(path("a.qnf"));

  // A texture whose name holds a line break cannot be stored: nothing is written.
  ASSERT_TRUE(model.openTexture(TextureKind::Surface, writeBitmap("two\nlines.bmp", 4, 4)));
  model.renderer.settings.screenWidth = 999;
  EXPECT_FALSE(model.writeFile(path("a.qnf")));
  EXPECT_EQ(readBytes(path("a.qnf")), old);

  DocumentModel plain;
  EXPECT_FALSE(plain.writeFile(path("no-such-folder/a.qnf")));
  fs::create_directory(path("folder.qnf"));
  EXPECT_FALSE(plain.writeFile(path("folder.qnf")));
  EXPECT_TRUE(fs::is_directory(path("folder.qnf")));
  // No temporary file is left beside the target.
  EXPECT_EQ(folder_.entries().size(), 3u);  // a.qnf, the texture, folder.qnf
}

namespace {

const std::string kBusy =
    "このコマンドは通常レンダリング中は選択できません。\n"
    "システムがレンダラの処理に追いつかずアプリケーションが不安定な状態になっています。\n"
    "レンダリングシーケンスを調節してみてください。";

// Both textures of 8 x 8 pixels and a camera that sees the whole terrain.
void prepareRendering(DocumentModel& model, const std::string& surface, const std::string& bump) {
  ASSERT_TRUE(model.openTexture(TextureKind::Surface, surface));
  ASSERT_TRUE(model.openTexture(TextureKind::Bump, bump));
  model.renderer.settings.viewpoint = {4.0, 40.0, 60.0};
  model.renderer.settings.lookAt = {4.0, 4.0, 0.0};
  model.renderer.settings.screenWidth = 32;
  model.renderer.settings.screenHeight = 24;
}

}  // namespace

TEST_F(DocumentModelTest, StartsAndStopsARendering) {
  RecordingFeedback feedback;
  DocumentModel model(&feedback);
  prepareRendering(model, writeBitmap("s.bmp", 8, 8), writeBitmap("b.bmp", 8, 8));
  ASSERT_EQ(model.startRendering(), StartResult::Started);
  EXPECT_EQ(model.renderer.screen().width(), 32);
  ASSERT_GT(model.renderer.polygonCount(), 0u);
  EXPECT_TRUE(model.canStopRendering());
  EXPECT_FALSE(model.canStartRendering());
  EXPECT_FALSE(model.canSaveBitmap());
  EXPECT_TRUE(feedback.messages.empty());
  EXPECT_TRUE(feedback.allWindowsClosed());

  // A second start while drawing is refused with the message and changes nothing.
  const std::uint32_t position = model.renderer.drawPosition();
  EXPECT_EQ(model.startRendering(), StartResult::Refused);
  EXPECT_EQ(feedback.messageTexts(), std::vector<std::string>{kBusy});
  EXPECT_EQ(model.renderer.drawPosition(), position);

  ASSERT_TRUE(model.renderer.drawStep());
  model.stopRendering();
  EXPECT_FALSE(model.canStopRendering());
  EXPECT_TRUE(model.canStartRendering());
  EXPECT_TRUE(model.canSaveBitmap());
  EXPECT_TRUE(model.renderer.screen().isValid());  // the part drawn so far stays
}

TEST_F(DocumentModelTest, CancelledStageEndsTheRendering) {
  const std::string surface = writeBitmap("s.bmp", 8, 8);
  const std::string bump = writeBitmap("b.bmp", 8, 8);
  // Poll 1 is in buildMesh (one poll per cell, 49 cells); poll 50 in the stage after it.
  for (long long poll : {1LL, 50LL}) {
    SCOPED_TRACE(poll);
    RecordingFeedback feedback;
    DocumentModel model(&feedback);
    prepareRendering(model, surface, bump);
    feedback.cancelAtPoll(poll);
    EXPECT_EQ(model.startRendering(), StartResult::StageFailed);
    EXPECT_EQ(feedback.messages.size(), 1u);  // the stage's own cancel message
    EXPECT_FALSE(model.renderer.isDrawing());
    EXPECT_TRUE(model.canStartRendering());
    EXPECT_TRUE(feedback.allWindowsClosed());
  }
}

TEST_F(DocumentModelTest, StartWithoutBothTexturesRunsNoStage) {
  RecordingFeedback feedback;
  DocumentModel model(&feedback);
  ASSERT_TRUE(model.openTexture(TextureKind::Surface, writeBitmap("s.bmp", 8, 8)));
  EXPECT_EQ(model.startRendering(), StartResult::StageFailed);
  EXPECT_TRUE(feedback.windows.empty());
  EXPECT_TRUE(feedback.messages.empty());
  EXPECT_FALSE(model.renderer.isDrawing());
}
