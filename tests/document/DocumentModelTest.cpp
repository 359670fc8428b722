// The document model: textures, enabling rules, rendering start and stop, and reading and
// writing .qnf files on disk with their textures beside them.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
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
using Texts = std::vector<std::string>;

const std::string kLoadFailed = "読み込みに失敗しました。";
const std::string kTooSmall = "幅または高さが1ピクセル以下のビットマップは使用できません。";
const std::string kSurfaceNotFound =
    "表面テクスチャを発見できませんでした。\n手動で読み直してください。";
const std::string kBumpNotFound =
    "バンプテクスチャの発見できませんでした。\n手動で読み直してください。";
const std::string kUnexpected = "予期しないﾌｧｲﾙ形式です。";
const std::string kBusy =
    "このコマンドは通常レンダリング中は選択できません。\n"
    "システムがレンダラの処理に追いつかずアプリケーションが不安定な状態になっています。\n"
    "レンダリングシーケンスを調節してみてください。";

// Everything a read may change.
struct Snapshot {
  RenderSettings settings;
  std::string surfacePath, bumpPath;
  const Color *surfacePixels, *bumpPixels;
  friend bool operator==(const Snapshot&, const Snapshot&) = default;
};

Snapshot snapshot(const DocumentModel& m) {
  return {m.renderer.settings, m.surfacePath(), m.bumpPath(), m.surfaceImage.pixels(),
          m.bumpImage.pixels()};
}

// A fresh folder per test, removed afterwards.
class DocumentModelTest : public ::testing::Test {
 protected:
  std::string path(const std::string& name) const { return folder_.file(name); }

  // A width x height BMP file; returns its path.
  std::string writeBitmap(const std::string& name, int width, int height) const {
    DibImage image;
    EXPECT_TRUE(image.create(width, height));
    EXPECT_TRUE(image.writeFile(path(name)));
    return path(name);
  }
  std::string writeFile(const std::string& name, const Bytes& bytes) const {
    EXPECT_TRUE(writeBytes(path(name), bytes));
    return path(name);
  }
  std::string writeDocument(const std::string& name, const std::string& surface,
                            const std::string& bump) const {
    return writeFile(name, encodeDocument(surface, bump, everyFieldChanged()).value());
  }

  // Both textures and other settings, to see whether a read changes them.
  void fillModel(DocumentModel& model) const {
    ASSERT_TRUE(model.openTexture(TextureKind::Surface, writeBitmap("old-surface.bmp", 5, 4)));
    ASSERT_TRUE(model.openTexture(TextureKind::Bump, writeBitmap("old-bump.bmp", 3, 6)));
    model.renderer.settings.screenWidth = 64;
    model.renderer.settings.viewpoint = {1.0, 2.0, 3.0};
  }

  TempFolder folder_;
  RecordingFeedback feedback_;
};

}  // namespace

TEST_F(DocumentModelTest, TexturesEnableCommandsAndNewDocumentDropsThem) {
  DocumentModel model(&feedback_);
  int width = -1, height = -1;
  model.gridSize(&width, &height);
  EXPECT_EQ(std::tie(width, height), std::tuple(0, 0));
  EXPECT_EQ(snapshot(model), (Snapshot{RenderSettings{}, "", "", nullptr, nullptr}));
  EXPECT_FALSE(model.canReloadTextures() || model.canStartRendering() || model.canStopRendering());
  EXPECT_TRUE(model.canSaveBitmap());

  model.renderer.settings = everyFieldChanged();
  const std::string surface = writeBitmap("surface.bmp", 300, 200);
  ASSERT_TRUE(model.openTexture(TextureKind::Surface, surface));
  EXPECT_EQ(model.surfacePath(), surface);
  EXPECT_EQ(model.surfaceImage.width(), 300);
  EXPECT_EQ(model.bumpPath(), "");
  EXPECT_TRUE(model.canReloadTextures());
  EXPECT_FALSE(model.canStartRendering());
  ASSERT_TRUE(model.openTexture(TextureKind::Bump, writeBitmap("bump.bmp", 256, 256)));
  EXPECT_TRUE(model.canStartRendering() && model.canSaveBitmap());
  EXPECT_FALSE(model.canStopRendering());
  model.gridSize(&width, &height);  // the common top-left region
  EXPECT_EQ(std::tie(width, height), std::tuple(256, 200));
  EXPECT_EQ(model.renderer.settings, everyFieldChanged());
  EXPECT_TRUE(feedback_.messages.empty());

  model.newDocument();
  EXPECT_EQ(snapshot(model), (Snapshot{RenderSettings{}, "", "", nullptr, nullptr}));
  EXPECT_FALSE(model.surfaceImage.isValid() || model.bumpImage.isValid());
}

TEST_F(DocumentModelTest, OpenTextureRefusesUnreadableAndOnePixelImagesDroppingTheOld) {
  writeFile("not-a-bitmap.bmp", {'B', 'X', 1, 2, 3});
  const struct {
    std::string file;
    const std::string& message;
  } cases[] = {{path("not-a-bitmap.bmp"), kLoadFailed},
               {path("missing.bmp"), kLoadFailed},
               {writeBitmap("1x200.bmp", 1, 200), kTooSmall},
               {writeBitmap("200x1.bmp", 200, 1), kTooSmall},
               {writeBitmap("1x1.bmp", 1, 1), kTooSmall}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    RecordingFeedback feedback;
    DocumentModel model(&feedback);
    fillModel(model);
    EXPECT_FALSE(model.openTexture(TextureKind::Surface, c.file));
    EXPECT_FALSE(model.openTexture(TextureKind::Bump, c.file));
    EXPECT_EQ(feedback.messageTexts(), (Texts{c.message, c.message}));
    EXPECT_EQ(feedback.messages[0].icon, MessageIcon::Warning);
    EXPECT_EQ(std::tie(model.surfacePath(), model.bumpPath()), std::tuple("", ""));
    EXPECT_FALSE(model.surfaceImage.isValid() || model.bumpImage.isValid());
  }
  DocumentModel model(&feedback_);
  const std::string file = writeBitmap("2x2.bmp", 2, 2);
  EXPECT_TRUE(model.openTexture(TextureKind::Surface, file));
  EXPECT_TRUE(model.openTexture(TextureKind::Bump, file));
  EXPECT_EQ(std::tie(model.surfacePath(), model.bumpPath()), std::tie(file, file));
  EXPECT_TRUE(feedback_.messages.empty());
}

TEST_F(DocumentModelTest, ReloadShowsOneMessagePerLostTexture) {
  DocumentModel model(&feedback_);
  const std::string surface = writeBitmap("surface.bmp", 4, 4);
  const std::string bump = writeBitmap("bump.bmp", 4, 4);
  ASSERT_TRUE(model.openTexture(TextureKind::Surface, surface));
  ASSERT_TRUE(model.openTexture(TextureKind::Bump, bump));
  writeBitmap("bump.bmp", 6, 5);  // changed on disk: reload picks it up
  fs::remove(surface);
  model.reloadTextures();
  EXPECT_EQ(feedback_.messageTexts(), Texts{kLoadFailed});
  EXPECT_EQ(std::tie(model.surfacePath(), model.bumpPath()), std::tuple("", bump));
  EXPECT_FALSE(model.surfaceImage.isValid());
  EXPECT_EQ(model.bumpImage.width(), 6);
  EXPECT_TRUE(model.canReloadTextures());  // the bump alone
  EXPECT_FALSE(model.canStartRendering());
  writeBitmap("bump.bmp", 1, 200);  // now too narrow
  model.reloadTextures();
  EXPECT_EQ(feedback_.messageTexts(), (Texts{kLoadFailed, kTooSmall}));
  EXPECT_EQ(model.bumpPath(), "");
  EXPECT_FALSE(model.bumpImage.isValid() || model.canReloadTextures());
}

TEST_F(DocumentModelTest, WritesNamesAloneAndReadsTexturesBesideTheDocument) {
  // Textures in a sub-folder are stored by name alone and not found beside the document.
  DocumentModel writer;
  fs::create_directory(path("maps"));
  ASSERT_TRUE(writer.openTexture(TextureKind::Surface, writeBitmap("maps/hill.bmp", 7, 5)));
  ASSERT_TRUE(writer.openTexture(TextureKind::Bump, writeBitmap("maps/hillh.bmp", 6, 4)));
  writer.renderer.settings = everyFieldChanged();
  ASSERT_TRUE(writer.writeFile(path("a.qnf")));
  EXPECT_EQ(readBytes(path("a.qnf")),
            encodeDocument("hill.bmp", "hillh.bmp", everyFieldChanged()).value());
  DocumentModel reader(&feedback_);
  fillModel(reader);
  EXPECT_EQ(reader.readFile(path("a.qnf")), DocumentReadResult::Read);
  EXPECT_EQ(snapshot(reader), (Snapshot{everyFieldChanged(), "", "", nullptr, nullptr}));
  EXPECT_EQ(feedback_.messageTexts(), (Texts{kSurfaceNotFound, kBumpNotFound}));

  fs::rename(path("maps/hill.bmp"), path("hill.bmp"));
  fs::rename(path("maps/hillh.bmp"), path("hillh.bmp"));
  feedback_.messages.clear();
  EXPECT_EQ(reader.readFile(path("a.qnf")), DocumentReadResult::Read);
  EXPECT_TRUE(feedback_.messages.empty());
  EXPECT_EQ(std::tie(reader.surfacePath(), reader.bumpPath()),
            std::tuple(path("hill.bmp"), path("hillh.bmp")));
  EXPECT_EQ(std::tuple(reader.surfaceImage.width(), reader.bumpImage.width()), std::tuple(7, 6));

  // Code page 932 when it can hold the name, UTF-8 otherwise.
  ASSERT_TRUE(writer.openTexture(TextureKind::Surface, writeBitmap("地形.bmp", 4, 4)));
  ASSERT_TRUE(writer.openTexture(TextureKind::Bump, writeBitmap("été😀.bmp", 4, 4)));
  ASSERT_TRUE(writer.writeFile(path("b.qnf")));
  const Bytes bytes = readBytes(path("b.qnf"));
  EXPECT_EQ(std::string(bytes.begin() + 68, bytes.end() - 164),
            "\x92\x6E\x8C\x60.bmp\r\nété😀.bmp\r\n");
  EXPECT_EQ(reader.readFile(path("b.qnf")), DocumentReadResult::Read);
  EXPECT_EQ(std::tie(reader.surfacePath(), reader.bumpPath()),
            std::tuple(path("地形.bmp"), path("été😀.bmp")));
}

TEST_F(DocumentModelTest, StoredNamesAreLookedForOnlyInTheDocumentsFolder) {
  fs::create_directory(path("doc"));
  for (const char* name : {"doc/hillh.bmp", "doc/地形.bmp", "doc/表.bmp", "doc/inside.bmp",
                           "secret.bmp", "inside.bmp"})
    writeBitmap(name, 4, 3);
  writeBitmap("doc/narrow.bmp", 1, 200);  // opening refuses it, reading does not
  const char* kOld = "old";               // the texture already open stays
  const struct {
    const char* surface;
    const char* bump;
    const char* expectSurface;  // in the folder, "" empty, kOld kept
    const char* expectBump;
  } cases[] = {
      {"gone.bmp", "hillh.bmp", "", "doc/hillh.bmp"},  // a missing texture: reading goes on
      {"", "", kOld, kOld},                            // empty names keep both
      {"narrow.bmp", "", "doc/narrow.bmp", kOld},
      {"\x92\x6E\x8C\x60.bmp", "", "doc/地形.bmp", kOld},  // code page 932
      {"", "\x95\x5C.bmp", kOld, "doc/表.bmp"},            // its second byte is a backslash
      {"../secret.bmp", "", "", kOld},
      {"..\\secret.bmp", "", "", kOld},
      {"/tmp/../secret.bmp", "", "", kOld},
      {"D:\\maps\\..\\..\\secret.bmp", "", "", kOld},
      {"..", "", "", kOld},
      {".", "", "", kOld},
      {"maps\\", "", "", kOld},
      {"..\\\x92\x6E.bmp", "", "", kOld},
      {"..\\inside.bmp", "", "doc/inside.bmp", kOld},  // the last component, in the folder
      {"../inside.bmp", "", "doc/inside.bmp", kOld},
      {"D:\\maps\\inside.bmp", "", "doc/inside.bmp", kOld},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.surface + std::string(" / ") + c.bump);
    RecordingFeedback feedback;
    DocumentModel model(&feedback);
    fillModel(model);
    const Snapshot before = snapshot(model);
    writeDocument("doc/a.qnf", c.surface, c.bump);
    EXPECT_EQ(model.readFile(path("doc/a.qnf")), DocumentReadResult::Read);
    const auto expected = [&](const char* e, const std::string& old) {
      return e == kOld ? old : *e ? path(e) : std::string();
    };
    EXPECT_EQ(model.surfacePath(), expected(c.expectSurface, before.surfacePath));
    EXPECT_EQ(model.bumpPath(), expected(c.expectBump, before.bumpPath));
    EXPECT_EQ(model.surfaceImage.isValid(), *c.expectSurface != 0);
    EXPECT_EQ(model.surfaceImage.pixels() == before.surfacePixels, c.expectSurface == kOld);
    EXPECT_EQ(model.bumpImage.pixels() == before.bumpPixels, c.expectBump == kOld);
    EXPECT_EQ(feedback.messageTexts(), *c.expectSurface ? Texts{} : Texts{kSurfaceNotFound});
    EXPECT_EQ(model.renderer.settings, everyFieldChanged());
  }
}

TEST_F(DocumentModelTest, RefusedFilesLeaveTheDocumentAsItWas) {
  writeBitmap("x.bmp", 4, 4);
  writeBitmap("y.bmp", 4, 4);
  const Bytes file = encodeDocument("x.bmp", "y.bmp", everyFieldChanged()).value();
  Bytes newer = file, wrongMagic = file;
  newer[2] = 0x2D;  // version 301
  wrongMagic[1] = 'X';
  fs::create_directory(path("folder.qnf"));
  struct Case {
    std::string file;
    DocumentReadResult result;
    Texts messages;
  };
  std::vector<Case> cases = {
      {writeFile("newer.qnf", newer),
       DocumentReadResult::NewerVersion,
       {"上位バージョンのフォーマットはサポートしていません。"}},
      {writeFile("magic.qnf", wrongMagic),
       DocumentReadResult::NotDocument,
       {"QN ドキュメントではありません。"}},
      {path("missing.qnf"), DocumentReadResult::FileError, {}},  // unreadable: no message
      {path("folder.qnf"), DocumentReadResult::FileError, {}}};
  for (std::size_t length = 0; length < file.size(); ++length)
    cases.push_back({writeFile("cut" + std::to_string(length) + ".qnf",
                               Bytes(file.begin(), file.begin() + length)),
                     DocumentReadResult::Truncated,
                     {kUnexpected}});
  DocumentModel model(&feedback_);
  fillModel(model);
  const Snapshot before = snapshot(model);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    feedback_.messages.clear();
    EXPECT_EQ(model.readFile(c.file), c.result);
    EXPECT_EQ(feedback_.messageTexts(), c.messages);
    ASSERT_EQ(snapshot(model), before);
  }
  EXPECT_EQ(model.readFile(writeFile("whole.qnf", file)), DocumentReadResult::Read);
  EXPECT_EQ(model.surfacePath(), path("x.bmp"));
}

TEST_F(DocumentModelTest, FailedWriteKeepsTheOldFile) {
  DocumentModel model;
  ASSERT_TRUE(model.writeFile(path("a.qnf")));
  const Bytes old = readBytes(path("a.qnf"));
  EXPECT_EQ(old, encodeDocument("", "", RenderSettings{}).value());  // a new document
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
  EXPECT_EQ(folder_.entries().size(), 3u);  // a.qnf, the texture, folder.qnf: no temporary file
}

TEST_F(DocumentModelTest, StartsStopsAndCancelsARendering) {
  const std::string surface = writeBitmap("s.bmp", 8, 8), bump = writeBitmap("b.bmp", 8, 8);
  // Both textures and a camera that sees the whole terrain.
  const auto prepare = [&](DocumentModel& model) {
    ASSERT_TRUE(model.openTexture(TextureKind::Surface, surface));
    ASSERT_TRUE(model.openTexture(TextureKind::Bump, bump));
    model.renderer.settings.viewpoint = {4.0, 40.0, 60.0};
    model.renderer.settings.lookAt = {4.0, 4.0, 0.0};
    model.renderer.settings.screenWidth = 32;
    model.renderer.settings.screenHeight = 24;
  };
  DocumentModel model(&feedback_);
  prepare(model);
  ASSERT_EQ(model.startRendering(), StartResult::Started);
  EXPECT_EQ(model.renderer.screen().width(), 32);
  ASSERT_GT(model.renderer.polygonCount(), 0u);
  EXPECT_TRUE(model.canStopRendering());
  EXPECT_FALSE(model.canStartRendering() || model.canSaveBitmap());
  EXPECT_TRUE(feedback_.messages.empty() && feedback_.allWindowsClosed());
  // A second start while drawing is refused with the message and changes nothing.
  const std::uint32_t position = model.renderer.drawPosition();
  EXPECT_EQ(model.startRendering(), StartResult::Refused);
  EXPECT_EQ(feedback_.messageTexts(), Texts{kBusy});
  EXPECT_EQ(model.renderer.drawPosition(), position);
  ASSERT_TRUE(model.renderer.drawStep());
  model.stopRendering();
  EXPECT_FALSE(model.canStopRendering());
  EXPECT_TRUE(model.canStartRendering() && model.canSaveBitmap());
  EXPECT_TRUE(model.renderer.screen().isValid());  // the part drawn so far stays

  // Poll 1 is in buildMesh (one poll per cell, 49 cells); poll 50 in the stage after it.
  for (long long poll : {1LL, 50LL}) {
    SCOPED_TRACE(poll);
    RecordingFeedback feedback;
    DocumentModel cancelled(&feedback);
    prepare(cancelled);
    feedback.cancelAtPoll(poll);
    EXPECT_EQ(cancelled.startRendering(), StartResult::StageFailed);
    EXPECT_EQ(feedback.messages.size(), 1u);  // the stage's own cancel message
    EXPECT_FALSE(cancelled.renderer.isDrawing());
    EXPECT_TRUE(cancelled.canStartRendering() && feedback.allWindowsClosed());
  }
  // Without both textures no stage runs.
  RecordingFeedback feedback;
  DocumentModel half(&feedback);
  ASSERT_TRUE(half.openTexture(TextureKind::Surface, surface));
  EXPECT_EQ(half.startRendering(), StartResult::StageFailed);
  EXPECT_TRUE(feedback.windows.empty() && feedback.messages.empty());
  EXPECT_FALSE(half.renderer.isDrawing());
}
