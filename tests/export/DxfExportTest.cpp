// The DXF export: the file's exact bytes, the common region of two textures, and a write
// failing part-way. Its protocol is checked with the mesh formats' (MeshExportTest.cpp), bad
// targets of every write path in tests/hardening/WriteFaultTest.cpp.

#include "export/DxfExport.h"

#include <sys/resource.h>

#include <csignal>
#include <sstream>

#include "support/ExportTestFixture.h"

namespace {

const std::string kWriteFailed = "書き込みに失敗しました。";
const std::string kEmptyFile =
    "0\r\nSECTION\r\n2\r\nENTITIES\r\n999\r\nExported DXF from QN\r\n0\r\nENDSEC\r\n0\r\nEOF\r\n";

class DxfExport : public ExportTest {
 protected:
  const RecordingFeedback::Window* writerWindow() const {
    for (const auto& w : feedback.windows)
      if (!w->messages.empty() && w->messages.front() == "DXF ファイルを作成しています。")
        return w.get();
    return nullptr;
  }
  // The file's text of an export of surface and bump that must succeed.
  std::string exported(const DibImage& surface, const DibImage& bump, const std::string& name) {
    EXPECT_EQ(exportDxf(renderer, surface, bump, folder.file(name), feedback),
              DxfExportResult::Written);
    return readText(folder.file(name));
  }
};

TEST_F(DxfExport, WritesTheFortyLineSingleTriangleFileByteForByte) {
  // Heights P1 (0,0) = 0, P2 (1,0) = 4, P0 (0,1) = 8 give with emphasis 0.25 the corners
  // (0, 1, 2.0), (0, 0, 0.0), (1, 0, 1.0); P3 = 255 lies outside the slice, so only the
  // first triangle of split A remains.
  renderer.settings.sliceEnabled = 1;
  renderer.settings.sliceMin = 0;
  renderer.settings.sliceMax = 8;
  const DibImage bump = makeBump(2, 2, [](int x, int y) { return y ? 8 + 247 * x : 4 * x; });
  std::string expected;
  for (const char* line : {"0",  "SECTION", "2",  "ENTITIES",  "999", "Exported DXF from QN",
                           "0",  "3DFACE",  "8",  "QN Object", "62",  "8",
                           "10", "0",       "20", "100",       "30",  "200.00",
                           "11", "0",       "21", "0",         "31",  "0.00",
                           "12", "100",     "22", "0",         "32",  "100.00",
                           "13", "100",     "23", "0",         "33",  "100.00",
                           "0",  "ENDSEC",  "0",  "EOF"})
    expected += std::string(line) + "\r\n";
  EXPECT_EQ(exported(bump, bump, "one.dxf"), expected);
  EXPECT_TRUE(feedback.messages.empty());
  expectIdle();
  // A mesh emptied by the slice gives the ten-line file, replacing a longer one completely.
  writeText(folder.file("old.dxf"), std::string(1 << 20, 'x'));
  renderer.settings.sliceMin = 100;
  renderer.settings.sliceMax = 200;
  const DibImage flat = makeBump(4, 4, [](int, int) { return 10; });
  EXPECT_EQ(exported(flat, flat, "old.dxf"), kEmptyFile);
  EXPECT_EQ(folder.entries(), (std::vector<std::string>{"old.dxf", "one.dxf"}));
}

TEST_F(DxfExport, WritesTheCommonTopLeftRegionWithRowsGrowingDownwards) {
  // Surface 3 wide and 4 high, bump 5 wide and 2 high: 2 cells of height 10 x row + column.
  renderer.settings.emphasisRate = 1.0;
  std::istringstream lines(exported(makeTexture(3, 4, [](int, int) { return 0xFFFFFFu; }),
                                    makeBump(5, 2, [](int x, int y) { return 10 * y + x; }),
                                    "r.dxf"));
  int corners = 0, x = -1, y = -1;
  for (std::string code, value; std::getline(lines, code) && std::getline(lines, value);) {
    if (code.size() != 3 || code[0] < '1' || code[0] > '3') continue;  // "10\r" .. "33\r"
    const int number = std::stoi(value);
    if (code[0] == '1') x = number / 100;
    if (code[0] == '2') y = number / 100;
    if (code[0] != '3') continue;
    ++corners;
    EXPECT_TRUE(x >= 0 && x <= 2 && y >= 0 && y <= 1) << x << ", " << y;
    EXPECT_EQ(value, std::to_string((10 * y + x) * 100) + ".00\r") << x << ", " << y;
  }
  EXPECT_EQ(corners, 4 * 4);  // 2 cells, 2 triangles each
}

TEST_F(DxfExport, WriteFailingPartWayStopsThereAndKeepsTheTarget) {
  // The file size limit makes write(2) fail with EFBIG part-way, as a full disk does with
  // ENOSPC. 80 x 80 gives 12482 triangles, about 2.7 MB: the first 1 MiB write fails.
  writeText(folder.file("target.dxf"), "previous");
  const DibImage bump = makeBump(80, 80, [](int x, int y) { return (x * y) % 256; });
  rlimit previous{};
  ::getrlimit(RLIMIT_FSIZE, &previous);
  rlimit limited = previous;
  limited.rlim_cur = 100000;
  const auto handler = std::signal(SIGXFSZ, SIG_IGN);
  ::setrlimit(RLIMIT_FSIZE, &limited);
  const DxfExportResult result =
      exportDxf(renderer, bump, bump, folder.file("target.dxf"), feedback);
  ::setrlimit(RLIMIT_FSIZE, &previous);
  std::signal(SIGXFSZ, handler);
  EXPECT_EQ(result, DxfExportResult::WriteFailed);
  EXPECT_EQ(feedback.messageTexts(), std::vector<std::string>{kWriteFailed});
  EXPECT_EQ(readText(folder.file("target.dxf")), "previous");
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"target.dxf"});
  ASSERT_NE(writerWindow(), nullptr);
  EXPECT_LT(writerWindow()->polls, 12482);
  expectIdle();
}

}  // namespace
