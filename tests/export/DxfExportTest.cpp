// The DXF export through its public function: the file's exact bytes, the common region
// of two textures, the progress protocol, cancel at every point, write failures, and the
// engine left idle after every outcome.

#include "export/DxfExport.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <sstream>
#include <string>
#include <vector>

#include "export/DxfFormat.h"
#include "support/FileContents.h"
#include "support/RecordingFeedback.h"
#include "support/TempFolder.h"
#include "support/TestTextures.h"

namespace {

constexpr const char* kWriteFailed = "書き込みに失敗しました。";
constexpr const char* kDxfCancelled = "DXF 出力を中止します。";
constexpr const char* kWritingMessage = "DXF ファイルを作成しています。";

const std::string kEmptyFile =
    "0\r\nSECTION\r\n2\r\nENTITIES\r\n999\r\nExported DXF from QN\r\n"
    "0\r\nENDSEC\r\n0\r\nEOF\r\n";

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> result;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    result.push_back(text.substr(start, end - start));
  EXPECT_EQ(start, text.size()) << "the file must end with CR LF";
  return result;
}

// One 3DFACE entity's four corners as text: corners[k] = {x, y, z}.
struct Face {
  std::string corners[4][3];
};

std::vector<Face> faces(const std::string& text) {
  const std::vector<std::string> all = lines(text);
  std::vector<Face> result;
  for (std::size_t i = 6; i + 30 <= all.size() - 4; i += 30) {
    EXPECT_EQ(all[i + 1], "3DFACE");
    Face face;
    for (int k = 0; k < 4; ++k)
      for (int axis = 0; axis < 3; ++axis) {
        EXPECT_EQ(all[i + 6 + k * 6 + axis * 2], std::to_string((axis + 1) * 10 + k));
        face.corners[k][axis] = all[i + 7 + k * 6 + axis * 2];
      }
    result.push_back(face);
  }
  return result;
}

class DxfExport : public ::testing::Test {
 protected:
  DxfExport() { renderer.setFeedback(&feedback); }

  // The export window is the one whose message line is the writer's.
  const RecordingFeedback::Window* writerWindow() const {
    for (const auto& w : feedback.windows)
      if (!w->messages.empty() && w->messages.front() == kWritingMessage) return w.get();
    return nullptr;
  }

  void expectIdle() {
    EXPECT_FALSE(renderer.isDrawing());
    EXPECT_FALSE(renderer.hasModel());
    EXPECT_TRUE(feedback.allWindowsClosed());
  }

  // A 31 x 21 terrain: 600 cells, 1200 triangles.
  DxfExportResult exportMidSized(const std::string& path) {
    const DibImage bump = makeBump(31, 21, [](int x, int y) { return (x * 7 + y * 3) % 256; });
    const DibImage surface = makeTexture(31, 21, [](int, int) { return 0x336699u; });
    return exportDxf(renderer, surface, bump, path, feedback);
  }

  TempFolder folder;
  RecordingFeedback feedback;
  TerrainRenderer renderer;
};

TEST_F(DxfExport, WritesTheFortyLineSingleTriangleFileByteForByte) {
  // Heights P1 (0,0) = 0, P2 (1,0) = 4, P0 (0,1) = 8 give with emphasis 0.25 the corners
  // (0, 1, 2.0), (0, 0, 0.0), (1, 0, 1.0); P3 = 255 lies outside the slice, so only the
  // first triangle of split A remains.
  const DibImage bump = makeBump(2, 2, [](int x, int y) {
    const int heights[2][2] = {{0, 4}, {8, 255}};
    return heights[y][x];
  });
  const DibImage surface = makeTexture(2, 2, [](int, int) { return 0x123456u; });
  renderer.settings.sliceEnabled = 1;
  renderer.settings.sliceMin = 0;
  renderer.settings.sliceMax = 8;
  const std::string path = folder.file("one.dxf");

  ASSERT_EQ(exportDxf(renderer, surface, bump, path, feedback), DxfExportResult::Written);

  const char* expected[] = {"0",  "SECTION", "2",  "ENTITIES",  "999", "Exported DXF from QN",
                            "0",  "3DFACE",  "8",  "QN Object", "62",  "8",
                            "10", "0",       "20", "100",       "30",  "200.00",
                            "11", "0",       "21", "0",         "31",  "0.00",
                            "12", "100",     "22", "0",         "32",  "100.00",
                            "13", "100",     "23", "0",         "33",  "100.00",
                            "0",  "ENDSEC",  "0",  "EOF"};
  std::string bytes;
  for (const char* line : expected) bytes += std::string(line) + "\r\n";
  EXPECT_EQ(readText(path), bytes);
  EXPECT_TRUE(feedback.messages.empty());
  expectIdle();
}

TEST_F(DxfExport, FullHeightGives6375AndEveryFourthCornerRepeatsTheThird) {
  const DibImage bump = makeBump(3, 3, [](int, int) { return 255; });
  const DibImage surface = makeTexture(3, 3, [](int, int) { return 0u; });
  const std::string path = folder.file("high.dxf");

  ASSERT_EQ(exportDxf(renderer, surface, bump, path, feedback), DxfExportResult::Written);

  const std::vector<Face> all = faces(readText(path));
  ASSERT_EQ(all.size(), 8u);
  for (const Face& face : all) {
    for (const auto& corner : face.corners) EXPECT_EQ(corner[2], "6375.00");
    for (int axis = 0; axis < 3; ++axis) EXPECT_EQ(face.corners[3][axis], face.corners[2][axis]);
  }
}

TEST_F(DxfExport, EmptyMeshGivesTheTenLineFile) {
  const DibImage bump = makeBump(4, 4, [](int, int) { return 10; });
  const DibImage surface = makeTexture(4, 4, [](int, int) { return 0u; });
  renderer.settings.sliceEnabled = 1;
  renderer.settings.sliceMin = 100;
  renderer.settings.sliceMax = 200;
  const std::string path = folder.file("empty.dxf");

  ASSERT_EQ(exportDxf(renderer, surface, bump, path, feedback), DxfExportResult::Written);

  EXPECT_EQ(readText(path), kEmptyFile);
  EXPECT_EQ(lines(readText(path)).size(), 10u);
  expectIdle();
}

TEST_F(DxfExport, ExportsTheCommonTopLeftRegionWithRowsGrowingDownwards) {
  // Surface 3 wide and 4 high, bump 5 wide and 2 high: a 3 x 2 grid. Height 10 x row + column.
  const DibImage surface = makeTexture(3, 4, [](int, int) { return 0xFFFFFFu; });
  const DibImage bump = makeBump(5, 2, [](int x, int y) { return 10 * y + x; });
  renderer.settings.emphasisRate = 1.0;
  const std::string path = folder.file("region.dxf");

  ASSERT_EQ(exportDxf(renderer, surface, bump, path, feedback), DxfExportResult::Written);

  const std::vector<Face> all = faces(readText(path));
  ASSERT_EQ(all.size(), 4u);  // 2 cells, 2 triangles each
  for (const Face& face : all)
    for (const auto& corner : face.corners) {
      const int x = std::stoi(corner[0]) / 100;
      const int y = std::stoi(corner[1]) / 100;
      EXPECT_GE(x, 0);
      EXPECT_LE(x, 2);
      EXPECT_GE(y, 0);
      EXPECT_LE(y, 1);
      // Row 0 is the image's top row: the height there is the column alone.
      std::ostringstream height;
      height << (10 * y + x) * 100 << ".00";
      EXPECT_EQ(corner[2], height.str()) << "corner (" << x << ", " << y << ")";
    }
}

TEST_F(DxfExport, ReportsProgressEveryFiveHundredTrianglesAndPollsBeforeEach) {
  ASSERT_EQ(exportMidSized(folder.file("mid.dxf")), DxfExportResult::Written);

  const RecordingFeedback::Window* window = writerWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->captions, std::vector<std::string>{"DXF 形式で保存"});
  EXPECT_EQ(window->calls.front(), "create");
  EXPECT_EQ(window->calls.back(), "destroy");
  EXPECT_EQ(window->polls, 1200);
  // The opening 0, then before triangles 0, 500 and 1000: i x 100 / 1200.
  EXPECT_EQ(window->positionValues(), (std::vector<int>{0, 0, 41, 83}));
  EXPECT_EQ(window->positions[2].pollsBefore, 500);
  EXPECT_EQ(window->positions[3].pollsBefore, 1000);
  // buildMesh's own window comes first and carries the export caption too.
  ASSERT_EQ(feedback.windows.size(), 2u);
  EXPECT_EQ(feedback.windows[0]->captions, std::vector<std::string>{"DXF 形式で保存"});
  expectIdle();
}

TEST_F(DxfExport, WindowThatCannotBeShownDoesNotStopTheExport) {
  feedback.failCreate(true);
  ASSERT_EQ(exportMidSized(folder.file("quiet.dxf")), DxfExportResult::Written);
  EXPECT_EQ(faces(readText(folder.file("quiet.dxf"))).size(), 1200u);
  expectIdle();
}

TEST_F(DxfExport, ReplacesAnExistingTargetCompletely) {
  const std::string path = folder.file("old.dxf");
  writeText(path, std::string(1 << 20, 'x'));
  const DibImage bump = makeBump(2, 2, [](int, int) { return 0; });
  renderer.settings.sliceEnabled = 1;
  renderer.settings.sliceMin = 1;
  ASSERT_EQ(exportDxf(renderer, bump, bump, path, feedback), DxfExportResult::Written);
  EXPECT_EQ(readText(path), kEmptyFile);
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"old.dxf"});
}

TEST_F(DxfExport, CancelAtStartMiddleOrEndLeavesTheTargetUntouched) {
  // A first run counts the polls of buildMesh's window (one per cell).
  ASSERT_EQ(exportMidSized(folder.file("count.dxf")), DxfExportResult::Written);
  const long long meshPolls = feedback.windows[0]->polls;
  std::filesystem::remove(folder.file("count.dxf"));

  struct Case {
    const char* name;
    long long writerPoll;  // 1 = before the first triangle
  };
  for (const Case& c : {Case{"start", 1}, Case{"middle", 600}, Case{"last triangle", 1200}}) {
    SCOPED_TRACE(c.name);
    feedback = RecordingFeedback();
    const std::string path = folder.file("target.dxf");
    writeText(path, "previous contents\r\n");
    feedback.cancelAtPoll(meshPolls + c.writerPoll);

    EXPECT_EQ(exportMidSized(path), DxfExportResult::Cancelled);

    EXPECT_EQ(readText(path), "previous contents\r\n");
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"target.dxf"});
    EXPECT_EQ(feedback.messageTexts(), std::vector<std::string>{kDxfCancelled});
    ASSERT_NE(writerWindow(), nullptr);
    EXPECT_EQ(writerWindow()->polls, c.writerPoll);
    expectIdle();
  }
}

TEST_F(DxfExport, CancelWhileBuildingTheMeshWritesNothing) {
  const std::string path = folder.file("target.dxf");
  writeText(path, "keep");
  feedback.cancelAtPoll(10);

  EXPECT_EQ(exportMidSized(path), DxfExportResult::MeshFailed);

  EXPECT_EQ(readText(path), "keep");
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"target.dxf"});
  EXPECT_EQ(feedback.messageTexts(), std::vector<std::string>{kDxfCancelled});
  EXPECT_EQ(writerWindow(), nullptr);
  expectIdle();
}

TEST_F(DxfExport, UnwritableTargetsFailWithTheWriteMessage) {
  writeText(folder.file("plain"), "a file");
  struct Case {
    const char* name;
    std::string path;
  };
  const Case cases[] = {
      {"missing folder", folder.file("missing/out.dxf")},
      {"parent is a file", folder.file("plain/out.dxf")},
      {"target is a folder", folder.file("")},
      {"full device", "/dev/full"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    feedback = RecordingFeedback();
    EXPECT_EQ(exportMidSized(c.path), DxfExportResult::WriteFailed);
    EXPECT_EQ(feedback.messageTexts(), std::vector<std::string>{kWriteFailed});
    expectIdle();
  }
  EXPECT_EQ(readText(folder.file("plain")), "a file");
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"plain"});
  EXPECT_TRUE(std::filesystem::is_character_file("/dev/full"));
}

TEST_F(DxfExport, FolderWithoutWritePermissionFails) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  const std::string locked = folder.file("locked");
  std::filesystem::create_directory(locked);
  std::filesystem::permissions(
      locked, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  EXPECT_EQ(exportMidSized(locked + "/out.dxf"), DxfExportResult::WriteFailed);
  EXPECT_EQ(feedback.messageTexts(), std::vector<std::string>{kWriteFailed});
  std::filesystem::permissions(locked, std::filesystem::perms::owner_all);
  EXPECT_TRUE(std::filesystem::is_empty(locked));
  expectIdle();
}

// The file size limit makes write(2) fail with EFBIG part-way through, as a full disk
// makes it fail with ENOSPC.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    ::getrlimit(RLIMIT_FSIZE, &previous_);
    rlimit limited = previous_;
    limited.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limited);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &previous_);
    std::signal(SIGXFSZ, previousHandler_);
  }

 private:
  rlimit previous_{};
  void (*previousHandler_)(int);
};

TEST_F(DxfExport, DiskFullDuringWritingLeavesTheTargetAndNoTemporaryFile) {
  const std::string path = folder.file("target.dxf");
  writeText(path, "previous");
  // 80 x 80: 12482 triangles, about 2.7 MB, so the first 1 MiB write already fails.
  const DibImage bump = makeBump(80, 80, [](int x, int y) { return (x * y) % 256; });
  DxfExportResult result;
  {
    FileSizeLimit limit(100000);
    result = exportDxf(renderer, bump, bump, path, feedback);
  }
  EXPECT_EQ(result, DxfExportResult::WriteFailed);
  EXPECT_EQ(feedback.messageTexts(), std::vector<std::string>{kWriteFailed});
  EXPECT_EQ(readText(path), "previous");
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"target.dxf"});
  ASSERT_NE(writerWindow(), nullptr);
  EXPECT_LT(writerWindow()->polls, 12482) << "the writer stops at the first failed write";
  expectIdle();
}

TEST_F(DxfExport, RefusesWhileARenderingIsDrawingAndLeavesItRunning) {
  const DibImage bump = makeBump(8, 8, [](int x, int y) { return x + y; });
  renderer.settings.viewpoint = {4, 40, 40};
  renderer.settings.lookAt = {4, 4, 0};
  ASSERT_TRUE(renderer.buildMesh(MeshPurpose::Rendering, bump, bump, 8, 8));
  ASSERT_TRUE(renderer.averageColors() && renderer.transformVertices() && renderer.sortPolygons() &&
              renderer.applyLighting() && renderer.createScreen());
  ASSERT_TRUE(renderer.isDrawing());
  feedback = RecordingFeedback();

  EXPECT_EQ(exportDxf(renderer, bump, bump, folder.file("no.dxf"), feedback),
            DxfExportResult::Refused);

  ASSERT_EQ(feedback.messages.size(), 1u);
  EXPECT_EQ(
      feedback.messages[0].text.rfind("このコマンドは通常レンダリング中は選択できません。\n", 0),
      0u);
  EXPECT_NE(feedback.messages[0].text.find("レンダラーの処理"), std::string::npos);
  EXPECT_TRUE(renderer.isDrawing());
  EXPECT_TRUE(folder.entries().empty());
  renderer.finishRendering();
}

TEST_F(DxfExport, NeverTouchesTheScreenImage) {
  ASSERT_TRUE(renderer.createDefaultScreen());
  renderer.screen().pixels()[5] = 0x00ABCDEFu;
  const std::vector<Color> before(renderer.screen().pixels(),
                                  renderer.screen().pixels() + 320 * 240);

  ASSERT_EQ(exportMidSized(folder.file("s.dxf")), DxfExportResult::Written);

  ASSERT_EQ(renderer.screen().width(), 320);
  const std::vector<Color> after(renderer.screen().pixels(),
                                 renderer.screen().pixels() + 320 * 240);
  EXPECT_EQ(before, after);
}

}  // namespace
