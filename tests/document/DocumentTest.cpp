// The .qnf document: the codec on memory, and the model with its textures on disk.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
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
using Status = DocumentParseStatus;
using Result = DocumentReadResult;
using enum TextureKind;

Bytes encode(const std::string& surface, const std::string& bump, const RenderSettings& s) {
  return encodeDocument(surface, bump, s).value();
}

// The 68-byte header of version 300, then the name lines and the numeric block as given.
Bytes fileOf(const std::string& lines, const Bytes& block) {
  Bytes bytes = {0x51, 0x4E, 0x2C, 0x01};
  bytes.resize(68, 0);
  bytes.insert(bytes.end(), lines.begin(), lines.end());
  bytes.insert(bytes.end(), block.begin(), block.end());
  return bytes;
}

Bytes blockOf(const Bytes& file) { return Bytes(file.end() - 164, file.end()); }

const std::string kLoadFailed = "読み込みに失敗しました。";
const std::string kTooSmall = "幅または高さが1ピクセル以下のビットマップは使用できません。";
const Texts kNotFound = {"表面テクスチャを発見できませんでした。\n手動で読み直してください。",
                         "バンプテクスチャの発見できませんでした。\n手動で読み直してください。"};

class DocumentModelTest : public ::testing::Test {
 protected:
  std::string path(const std::string& name) const { return folder_.file(name); }
  std::string writeFile(const std::string& name, const Bytes& bytes) const {
    EXPECT_TRUE(writeBytes(path(name), bytes));
    return path(name);
  }
  std::string writeBitmap(const std::string& name, int width, int height) const {
    DibImage image;
    EXPECT_TRUE(image.create(width, height) && image.writeFile(path(name)));
    return path(name);
  }
  // Both textures and a setting, to see whether a command changes them.
  void fillModel(DocumentModel& model) const {
    ASSERT_TRUE(model.openTexture(Surface, writeBitmap("old-surface.bmp", 5, 4)));
    ASSERT_TRUE(model.openTexture(Bump, writeBitmap("old-bump.bmp", 3, 6)));
    model.renderer.settings.screenWidth = 64;
  }

  TempFolder folder_;
  RecordingFeedback feedback_;
};

}  // namespace

TEST(DocumentFile, NewDocumentIs236GoldenBytes) {
  Bytes block;
  const auto u32 = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) block.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  };
  const auto f64 = [&](std::uint8_t b6, std::uint8_t b7) {
    block.insert(block.end(), {0, 0, 0, 0, 0, 0, b6, b7});
  };
  u32(320), u32(240), f64(0x6E, 0x40), f64(0x00, 0x40);  // 320x240, distance 240, nearLimit 2
  f64(0, 0), f64(0, 0), f64(0x70, 0x40);                 // viewpoint 0, 0, 256
  f64(0, 0), f64(0, 0), f64(0, 0);                       // lookAt
  for (int i = 0; i < 6; ++i) f64(0xF0, 0x3F);           // lightDirection and lightColor 1.0
  f64(0xE0, 0x3F);                                       // ambient 0.5
  u32(0), u32(0), u32(0);                                // reserved, subdivisionMode, reserved
  u32(0), u32(0), u32(255);                              // slice off, 0, 255
  f64(0xD0, 0x3F), u32(0);                               // emphasisRate 0.25, wireframe off
  EXPECT_EQ(encode("", "", RenderSettings{}), fileOf("\r\n\r\n", block));
}

// Version 300 is the round trip of every field; older versions lack the later fields; newer
// versions, other files and every truncated prefix are refused.
TEST(DocumentFile, RoundTripsEveryFieldReadsOlderVersionsAndRefusesNewerOnesOrOtherFiles) {
  const RenderSettings s = everyFieldChanged();
  const Bytes file = encode("hill.bmp", "\x92\x6E.bmp", s);
  EXPECT_EQ(file, fileOf("hill.bmp\r\n\x92\x6E.bmp\r\n", blockOf(file)));
  RenderSettings before300 = s, before200 = s;  // slice, emphasis and wireframe arrived later
  before300.wireframe = before200.wireframe = 0;
  before200.sliceEnabled = 0, before200.sliceMin = 0, before200.sliceMax = 255;
  before200.emphasisRate = 0.25;
  using Row = std::tuple<std::uint16_t, std::size_t, RenderSettings>;
  for (const auto& [version, blockLength, expected] :
       {Row{0, 140, before200}, Row{199, 140, before200}, Row{200, 160, before300},
        Row{299, 160, before300}, Row{300, 164, s}}) {
    SCOPED_TRACE(version);
    Bytes bytes = file;
    bytes[2] = version & 0xFF, bytes[3] = version >> 8;
    bytes.resize(bytes.size() - 164 + blockLength);
    const DocumentParseResult exact = parseDocument(bytes);
    ASSERT_EQ(exact.status, Status::Parsed);
    EXPECT_EQ(std::tie(exact.data.version, exact.data.settings), std::tie(version, expected));
    bytes.resize(bytes.size() + 40, 0xAB);  // bytes after the version's last field are not read
    EXPECT_EQ(parseDocument(bytes).data.settings, expected);
    bytes.erase(bytes.end() - 40 - 1, bytes.end());  // one byte short of the version's block
    EXPECT_EQ(parseDocument(bytes).status, Status::Truncated);
  }
  for (std::size_t length = 0; length < file.size(); ++length)
    EXPECT_EQ(parseDocument(Bytes(file.begin(), file.begin() + length)).status, Status::Truncated)
        << length;
  // Versions 301 and 65535, then other files.
  const std::string heads[] = {"QN\x2D\x01", "QN\xFF\xFF", "QX", "qn", "BM", "Q\nN", "\nQN"};
  for (std::size_t i = 0; i < std::size(heads); ++i) {
    Bytes bytes = file;
    std::copy(heads[i].begin(), heads[i].end(), bytes.begin());
    EXPECT_EQ(parseDocument(bytes).status, i < 2 ? Status::NewerVersion : Status::NotDocument) << i;
  }
}

TEST(DocumentFile, ReadsNameLinesByTheArchiveRule) {
  const Bytes block = blockOf(encode("", "", everyFieldChanged()));
  for (const auto& [lines, surface, bump] :
       std::vector<std::tuple<std::string, std::string, std::string>>{
           {"a.bmp\r\nb.bmp\r\n", "a.bmp", "b.bmp"},
           {"a.bmp\nb.bmp\n", "a.bmp", "b.bmp"},
           {"a.bmp\rXb.bmp\rY", "a.bmp", "b.bmp"},  // CR drops any one byte
           {"\r\n\r\n", "", ""},
           {std::string(1030, 'n') + "\r\n", std::string(1023, 'n'), "nnnnnnn"},  // cut at 1023
           {std::string("a.bmp\0junk\r\nb.bmp\r\n", 19), "a.bmp", "b.bmp"}}) {
    SCOPED_TRACE(lines);
    const DocumentParseResult result = parseDocument(fileOf(lines, block));
    ASSERT_EQ(result.status, Status::Parsed);
    EXPECT_EQ(std::tie(result.data.surfaceName, result.data.bumpName), std::tie(surface, bump));
    EXPECT_EQ(result.data.settings, everyFieldChanged());
  }
  // Names that would not read back: a line break, a zero byte, 1023 bytes filling the line.
  for (const std::string& name :
       {std::string("a\nb.bmp"), std::string("a\rb.bmp"), std::string("a\0b", 3),
        std::string(1023, 'n'), std::string(1024, 'n')})
    EXPECT_FALSE(encodeDocument(name, "", {}) || encodeDocument("", name, {})) << name.size();
}

TEST_F(DocumentModelTest, TexturesEnableARenderingThatStartsAndStops) {
  DocumentModel model(&feedback_);
  EXPECT_FALSE(model.canReloadTextures() || model.canStartRendering() || model.canStopRendering());
  fs::create_directory(path("maps"));
  ASSERT_TRUE(model.openTexture(Surface, writeBitmap("maps/地形.bmp", 30, 20)));
  EXPECT_TRUE(model.canReloadTextures() && !model.canStartRendering());
  EXPECT_EQ(model.startRendering(), StartResult::StageFailed);  // without the bump no stage runs
  EXPECT_TRUE(feedback_.windows.empty() && !model.renderer.isDrawing());
  ASSERT_TRUE(model.openTexture(Bump, writeBitmap("maps/été😀.bmp", 16, 24)));
  EXPECT_TRUE(model.canStartRendering() && model.canSaveBitmap());
  ASSERT_EQ(model.startRendering(), StartResult::Started);
  EXPECT_TRUE(model.canStopRendering() && !model.canStartRendering() && !model.canSaveBitmap());
  EXPECT_TRUE(feedback_.messages.empty() && feedback_.allWindowsClosed());
  model.stopRendering();
  EXPECT_TRUE(!model.canStopRendering() && model.canStartRendering() && model.canSaveBitmap());

  // Texture names alone, in code page 932 when it can hold them, UTF-8 otherwise.
  model.renderer.settings = everyFieldChanged();
  ASSERT_TRUE(model.writeFile(path("a.qnf")));
  const Bytes written = readBytes(path("a.qnf"));
  EXPECT_EQ(written, encode("\x92\x6E\x8C\x60.bmp", "été😀.bmp", everyFieldChanged()));
  // A name with a line break cannot be stored: nothing is written.
  ASSERT_TRUE(model.openTexture(Surface, writeBitmap("maps/two\nlines.bmp", 4, 4)));
  EXPECT_FALSE(model.writeFile(path("a.qnf")));
  EXPECT_EQ(readBytes(path("a.qnf")), written);
  model.newDocument();
  EXPECT_EQ(std::tuple(model.renderer.settings, model.surfacePath(), model.bumpPath(),
                       model.surfaceImage.isValid(), model.bumpImage.isValid()),
            std::tuple(RenderSettings{}, "", "", false, false));
}

// Opening such a file, or reloading textures whose files have become it.
TEST_F(DocumentModelTest, UnreadableAndOnePixelImagesAreRefusedDroppingTheOld) {
  const std::pair<std::string, std::string> cases[] = {
      {writeFile("not-a-bitmap.bmp", {'B', 'X', 1, 2, 3}), kLoadFailed},
      {path("missing.bmp"), kLoadFailed},
      {writeBitmap("1x200.bmp", 1, 200), kTooSmall},
      {writeBitmap("200x1.bmp", 200, 1), kTooSmall},
      {writeBitmap("2x2.bmp", 2, 2), ""}};  // {file, message}; no message: opened
  for (const auto& [file, message] : cases)
    for (bool reload : {false, true}) {
      SCOPED_TRACE(file + (reload ? " reloaded" : " opened"));
      RecordingFeedback feedback;
      DocumentModel model(&feedback);
      fillModel(model);
      const bool opens = message.empty();
      if (reload) {
        for (const char* old : {"old-surface.bmp", "old-bump.bmp"}) {
          fs::remove(path(old));
          if (fs::exists(file)) fs::copy_file(file, path(old));
        }
        model.reloadTextures();
      } else {
        EXPECT_EQ(model.openTexture(Surface, file), opens);
        EXPECT_EQ(model.openTexture(Bump, file), opens);
      }
      EXPECT_EQ(feedback.messageTexts(), opens ? Texts{} : (Texts{message, message}));
      EXPECT_EQ(model.surfacePath(), !opens ? "" : reload ? path("old-surface.bmp") : file);
      EXPECT_EQ(model.bumpPath(), !opens ? "" : reload ? path("old-bump.bmp") : file);
      EXPECT_EQ(std::tuple(model.surfaceImage.width(), model.bumpImage.width()),
                opens ? std::tuple(2, 2) : std::tuple(0, 0));
    }
}

// Stored names are looked for only in the document's folder (found, dropped with a message
// each, or kept when empty); refused files change nothing.
TEST_F(DocumentModelTest, ReadsTexturesOnlyBesideTheDocumentAndRefusedFilesChangeNothing) {
  for (const char* folder : {"doc", "folder.qnf"}) fs::create_directory(path(folder));
  for (const char* name : {"doc/hill.bmp", "doc/地形.bmp", "doc/表.bmp", "doc/été😀.bmp",
                           "doc/inside.bmp", "secret.bmp", "inside.bmp"})
    writeBitmap(name, 4, 3);
  writeBitmap("doc/narrow.bmp", 1, 200);  // opening refuses it, reading does not
  const Bytes file = encode("x.bmp", "y.bmp", everyFieldChanged());
  Bytes newer = file, other = file;
  newer[2] = 0x2D, other[1] = 'X';  // version 301, not a document
  struct Case {
    std::string file;
    Result result;
    Texts messages = {};
    std::string expected = "old", storedName = "";  // both textures' path, "" dropped, "old" kept
  };
  std::vector<Case> cases = {
      {writeFile("newer.qnf", newer),
       Result::NewerVersion,
       {"上位バージョンのフォーマットはサポートしていません。"}},
      {writeFile("other.qnf", other), Result::NotDocument, {"QN ドキュメントではありません。"}},
      {path("missing.qnf"), Result::FileError},  // unreadable: no message
      {path("folder.qnf"), Result::FileError}};
  for (std::size_t length = 0; length < file.size(); ++length)
    cases.push_back(
        {writeFile("cut" + std::to_string(length), Bytes(file.begin(), file.begin() + length)),
         Result::Truncated,
         {"予期しないﾌｧｲﾙ形式です。"}});
  for (const auto& [expected, names] : std::vector<std::pair<std::string, Texts>>{
           {"old", {""}},
           {"", {"gone.bmp"}},  // reading goes on to the bump and the settings
           {"doc/hill.bmp", {"hill.bmp"}},
           {"doc/narrow.bmp", {"narrow.bmp"}},
           {"doc/地形.bmp", {"\x92\x6E\x8C\x60.bmp"}},  // code page 932
           {"doc/表.bmp", {"\x95\x5C.bmp"}},            // its second byte is a backslash
           {"doc/été😀.bmp", {"été😀.bmp"}},              // UTF-8
           // Nothing outside the folder; only the last component, in it.
           {"",
            {"../secret.bmp", "..\\secret.bmp", "/tmp/../secret.bmp",
             "D:\\maps\\..\\..\\secret.bmp", "..", ".", "maps\\", "..\\\x92\x6E.bmp"}},
           {"doc/inside.bmp", {"..\\inside.bmp", "../inside.bmp", "D:\\maps\\inside.bmp"}}})
    for (const std::string& name : names)
      cases.push_back({writeFile("doc/" + std::to_string(cases.size()) + ".qnf",
                                 encode(name, name, everyFieldChanged())),
                       Result::Read, expected.empty() ? kNotFound : Texts{}, expected, name});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file + " " + c.storedName);
    RecordingFeedback feedback;
    DocumentModel model(&feedback);
    fillModel(model);
    const RenderSettings settings = model.renderer.settings;
    const Color* const pixels = model.surfaceImage.pixels();
    EXPECT_EQ(model.readFile(c.file), c.result);
    EXPECT_EQ(feedback.messageTexts(), c.messages);
    const bool kept = c.expected == "old", found = !kept && !c.expected.empty();
    const std::string expected = found ? path(c.expected) : "";
    EXPECT_EQ(model.surfacePath(), kept ? path("old-surface.bmp") : expected);
    EXPECT_EQ(model.bumpPath(), kept ? path("old-bump.bmp") : expected);
    EXPECT_EQ(model.surfaceImage.pixels() == pixels, kept);
    EXPECT_EQ(model.bumpImage.isValid(), kept || found);
    EXPECT_EQ(model.renderer.settings, c.result == Result::Read ? everyFieldChanged() : settings);
  }
}
