// DXF numbers as printf gives them; the exports read back (the DXF file's bytes, the mesh formats
// by plain readers, a watertight STL solid, the picture); the protocol all exporters share.

#include "export/DxfExport.h"
#include "export/DxfFormat.h"
#include "export/ImageSave.h"
#include "export/MeshExport.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <csignal>
#include <cstring>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "engine/TerrainRenderer.h"
#include "raster/PngEncoder.h"
#include "support/FileContents.h"
#include "support/RecordingFeedback.h"
#include "support/TempFolder.h"
#include "support/TestTextures.h"

namespace {

using Limits = std::numeric_limits<double>;

// A temporary folder, a recording feedback and a renderer, and a rendering left drawing.
class ExportTest : public ::testing::Test {
 protected:
  ExportTest() { renderer.setFeedback(&feedback); }

  void expectIdle() {
    EXPECT_FALSE(renderer.isDrawing());
    EXPECT_FALSE(renderer.hasModel());
    EXPECT_TRUE(feedback.allWindowsClosed());
  }

  // Starts a rendering and leaves it drawing; the feedback starts afresh.
  void startRendering() {
    const DibImage bump = makeBump(8, 8, [](int x, int y) { return x * y; });
    renderer.settings.viewpoint = {4, 40, 40};
    renderer.settings.lookAt = {4, 4, 0};
    ASSERT_TRUE(renderer.buildMesh(MeshPurpose::Rendering, bump, bump, 8, 8) &&
                renderer.averageColors() && renderer.transformVertices() &&
                renderer.sortPolygons() && renderer.applyLighting() && renderer.createScreen());
    ASSERT_TRUE(renderer.isDrawing());
    feedback = RecordingFeedback();
  }

  TempFolder folder;
  RecordingFeedback feedback;
  TerrainRenderer renderer;
};

TEST(DxfFormat, NumbersMatchPrintf) {
  auto expectFixed2 = [](double value) {
    char text[kMaxFixed2Bytes], expected[400];
    std::snprintf(expected, sizeof expected, "%.2f", value);
    ASSERT_EQ(std::string(text, formatFixed2(text, value)), expected) << std::hexfloat << value;
  };
  // Ties to even and not (0.125, 0.375; 0.005, 1.005 and 2.675 below, 1.015 above), -0.00,
  // subnormals, 2^53, 2^63, 2^64 (the slow path), half below 2^52, the largest, inf and NaN.
  const double big = Limits::max(), inf = Limits::infinity(), tiny = Limits::denorm_min();
  const double small = Limits::min(), nan = Limits::quiet_NaN();
  for (double value :
       {0.0,    -0.0,  6375.0, 0.125, 0.375,  0.005,  1.005,  2.675, 1.015, -0.001,
        -0.125, 0.999, tiny,   small, 0x1p53, 0x1p63, 0x1p64, big,   -big,  4503599627370495.5,
        inf,    -inf,  nan})
    expectFixed2(value);
  std::mt19937_64 random(20240611);
  std::uniform_real_distribution<double> heights(-30000.0, 30000.0);
  std::uniform_int_distribution<std::int64_t> hundredths(-10000000, 10000000);
  std::uniform_int_distribution<int> exponents(-1074, 1023);
  for (int i = 0; i < 50000 && !HasFatalFailure(); ++i) {
    expectFixed2(heights(random));
    expectFixed2(double(hundredths(random)) / 100.0);            // near the ties
    expectFixed2(double(hundredths(random)) / 1000.0 + 0.0005);  // odd thousandths
    expectFixed2(std::ldexp(double(random() >> 11), exponents(random) - 52));
    expectFixed2(std::bit_cast<double>(random()));  // any bit pattern, NaNs included
    expectFixed2(double(hundredths(random) % 256) * 0.25 * 100.0);  // as buildMesh gives
  }
  std::vector<std::int32_t> integers = {0,   1,    -1,    9,         10,       99,
                                        100, -100, 12345, INT32_MAX, INT32_MIN};
  for (int i = 0; i < 100000; ++i) integers.push_back(std::int32_t(random()));
  char text[16];  // std::to_string gives "%d"
  for (std::int32_t value : integers)
    ASSERT_EQ(std::string(text, formatInteger(text, value)), std::to_string(value));
}

TEST(DxfFormat, CoordinatesTruncateHundredthsTowardZeroAndTheLongestFaceFitsItsBound) {
  const double values[] = {3.0,   1.239,        -1.239, 21474836.47,        21474836.48,
                           1e300, -21474836.48, -1e300, Limits::infinity(), -Limits::infinity(),
                           NAN};
  const std::int32_t expected[] = {300,       123,       -123,      INT32_MAX, INT32_MAX, INT32_MAX,
                                   INT32_MIN, INT32_MIN, INT32_MAX, INT32_MIN, 0};
  for (int i = 0; i < 11; ++i) EXPECT_EQ(dxfCoordinate(values[i]), expected[i]) << values[i];
  TerrainPolygon polygon{};  // the longest face; its layout: the golden file below
  for (TerrainVertex& v : polygon.v) v = {-1e300, -1e300, -Limits::max(), 0};
  std::string text(kMaxDxfFaceBytes + 64, '\0');
  EXPECT_LE(formatDxfFace(polygon, text.data()), kMaxDxfFaceBytes);
}

TEST_F(ExportTest, DxfWritesTheFortyLineSingleTriangleFileByteForByte) {
  // Heights P1 (0,0) = 0, P2 (1,0) = 4, P0 (0,1) = 8 give with emphasis 0.25 the corners
  // (0, 1, 2.0), (0, 0, 0.0), (1, 0, 1.0); P3 = 255 lies outside the slice, so only the
  // first triangle of split A remains. Only the region both textures cover is exported: the
  // bump's third column and the surface's third row add nothing.
  RenderSettings& s = renderer.settings;
  s.sliceEnabled = 1, s.sliceMin = 0, s.sliceMax = 8;
  const DibImage bump = makeBump(3, 2, [](int x, int y) {
    return x > 1 ? 0 : y ? 8 + 247 * x : 4 * x;
  });
  const DibImage surface = makeTexture(2, 3, [](int, int) { return 0xFFFFFFu; });
  std::string expected;
  for (const char* line : {"0",  "SECTION", "2",  "ENTITIES",  "999", "Exported DXF from QN",
                           "0",  "3DFACE",  "8",  "QN Object", "62",  "8",
                           "10", "0",       "20", "100",       "30",  "200.00",
                           "11", "0",       "21", "0",         "31",  "0.00",
                           "12", "100",     "22", "0",         "32",  "100.00",
                           "13", "100",     "23", "0",         "33",  "100.00",
                           "0",  "ENDSEC",  "0",  "EOF"})
    expected += std::string(line) + "\r\n";
  feedback.failCreate(true);  // windows that cannot be shown change nothing
  ASSERT_EQ(exportDxf(renderer, surface, bump, folder.file("one.dxf"), feedback),
            DxfExportResult::Written);
  EXPECT_EQ(readText(folder.file("one.dxf")), expected);
  for (const auto& window : feedback.windows)  // the texts, the mesh formats' from one table
    EXPECT_EQ(window->captions, std::vector<std::string>{"DXF 形式で保存"});
  EXPECT_EQ(feedback.windows.at(1)->messages.at(0), "DXF ファイルを作成しています。");
  // A mesh emptied by the slice gives the ten-line file, replacing a longer one completely.
  writeText(folder.file("old.dxf"), std::string(1 << 20, 'x'));
  s.sliceMin = 100, s.sliceMax = 200;
  ASSERT_EQ(exportDxf(renderer, surface, bump, folder.file("old.dxf"), feedback),
            DxfExportResult::Written);
  EXPECT_EQ(readText(folder.file("old.dxf")),
            "0\r\nSECTION\r\n2\r\nENTITIES\r\n999\r\n"
            "Exported DXF from QN\r\n0\r\nENDSEC\r\n0\r\nEOF\r\n");
  EXPECT_EQ(folder.entries(), (std::vector<std::string>{"old.dxf", "one.dxf"}));
  EXPECT_TRUE(feedback.messages.empty());
  expectIdle();
}

TEST_F(ExportTest, DxfWriteFailingPartWayStopsThereAndKeepsTheTarget) {
  // The file size limit makes write(2) fail with EFBIG part-way, as a full disk does with
  // ENOSPC. 80 x 80 gives 12482 triangles, about 2.7 MB: the first 1 MiB write fails.
  writeText(folder.file("target.dxf"), "previous");
  const DibImage bump = makeBump(80, 80, [](int x, int y) { return (x * y) % 256; });
  rlimit previous{};
  ::getrlimit(RLIMIT_FSIZE, &previous);
  const rlimit limited{100000, previous.rlim_max};
  const auto handler = std::signal(SIGXFSZ, SIG_IGN);
  ::setrlimit(RLIMIT_FSIZE, &limited);
  const auto result = exportDxf(renderer, bump, bump, folder.file("target.dxf"), feedback);
  ::setrlimit(RLIMIT_FSIZE, &previous);
  std::signal(SIGXFSZ, handler);
  EXPECT_EQ(result, DxfExportResult::WriteFailed);
  EXPECT_EQ(feedback.messageTexts(), std::vector<std::string>{"書き込みに失敗しました。"});
  EXPECT_EQ(readText(folder.file("target.dxf")), "previous");
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"target.dxf"});
  EXPECT_LT(feedback.windows.at(1)->polls, 12482);  // the writer's window, after buildMesh's
  expectIdle();
}

// Read back by qn-render's tests, bad targets by tests/hardening/WriteFaultTest.cpp.
TEST_F(ExportTest, ImageSaveWritesTheScreenAsTheFormatItsNameSays) {
  EXPECT_FALSE(saveRenderedImage(renderer, folder.file("a.png"), feedback));  // no screen yet
  EXPECT_EQ(feedback.messageTexts(), std::vector<std::string>{"保存に失敗しました。"});
  ASSERT_TRUE(renderer.createDefaultScreen());
  for (const std::string name : {"SHOT.PNG", "shot.png.bmp"}) {  // the last extension, any case
    ASSERT_TRUE(saveRenderedImage(renderer, folder.file(name), feedback)) << name;
    EXPECT_EQ(folder.entries(), std::vector<std::string>{name});  // no temporary left
    EXPECT_EQ(readText(folder.file(name)).substr(0, 2), name == "SHOT.PNG" ? "\x89P" : "BM");
    std::filesystem::remove(folder.file(name));
  }
  std::vector<Color> column = {1, 0x20000, 0x300}, back;  // a picture one pixel wide
  const std::vector<std::uint8_t> narrow = encodePng(column.data(), 1, 3);
  int width = 0, height = 0;
  EXPECT_TRUE(decodePng(narrow.data(), narrow.size(), back, width, height));
  EXPECT_TRUE(width == 1 && height == 3 && back == column);
}

using Point = std::array<float, 3>;
using Triangle = std::array<Point, 3>;
struct ReadMesh {
  std::vector<Triangle> triangles;
  std::map<Point, Color> colors;  // PLY and glTF: the colour of each vertex
};

// vertexCount: the grid points used, one vertex each in PLY and glTF; glTF's BIN chunk holds
// their positions, their RGBA colours, then the indices.
ReadMesh readBack(MeshFormat format, const std::string& b, std::size_t vertexCount) {
  auto get = [&b]<class T = std::uint32_t>(std::size_t at, T value = {}) {  // little-endian
    std::memcpy(&value, b.substr(at, sizeof value).data(), sizeof value);
    return value;
  };
  ReadMesh mesh;
  std::vector<Point> vertices;
  std::vector<std::uint32_t> corners;
  if (format == MeshFormat::Stl) {
    EXPECT_EQ(b.size(), 84 + 50 * std::size_t(get(80)));
    for (std::size_t at = 84 + 12; at < b.size(); at += 50)
      mesh.triangles.push_back({get(at, Point()), get(at + 12, Point()), get(at + 24, Point())});
    return mesh;
  }
  if (format == MeshFormat::Ply) {
    std::size_t faceCount = 0, body = b.find("end_header\n") + 11, faces = body + 15 * vertexCount;
    std::sscanf(b.c_str() + b.find("element face"), "element face %zu", &faceCount);
    EXPECT_NE(b.find("element vertex " + std::to_string(vertexCount) + "\n"), std::string::npos);
    EXPECT_EQ(b.size(), faces + 13 * faceCount);
    for (std::size_t at = body; at < faces; at += 15)
      mesh.colors[vertices.emplace_back(get(at, Point()))] =
          makeColor(std::uint8_t(b[at + 12]), std::uint8_t(b[at + 13]), std::uint8_t(b[at + 14]));
    for (std::size_t at = faces; at + 13 <= b.size(); at += 13) {
      EXPECT_EQ(b[at], 3);
      for (int k = 0; k < 3; ++k) corners.push_back(get(at + 1 + 4 * k));
    }
  } else if (format == MeshFormat::Glb) {
    EXPECT_TRUE(b.substr(0, 4) == "glTF" && get(8) == b.size());
    const std::size_t bin = 20 + get(12) + 8, colors = bin + 12 * vertexCount;
    EXPECT_EQ(bin + get(bin - 8), b.size());
    for (std::size_t at = bin; at < colors; at += 12)
      mesh.colors[vertices.emplace_back(get(at, Point()))] =
          get(colors + (at - bin) / 3) & 0xFFFFFFu;
    for (std::size_t at = colors + 4 * vertexCount; at < b.size(); at += 4)
      corners.push_back(get(at));
  } else {
    std::istringstream lines(b);
    for (std::string line, kind; std::getline(lines, line);) {
      std::istringstream words(line);
      Point p;
      if (words >> kind && kind == "v" && words >> p[0] >> p[1] >> p[2]) vertices.push_back(p);
      for (std::string corner; kind == "f" && words >> corner;)
        corners.push_back(std::uint32_t(std::stoul(corner)) - 1);
    }
  }
  for (std::size_t i = 0; i + 2 < corners.size(); i += 3)
    mesh.triangles.push_back(
        {vertices.at(corners[i]), vertices.at(corners[i + 1]), vertices.at(corners[i + 2])});
  return mesh;
}

TEST_F(ExportTest, SolidStlIsWatertightAndSimplificationKeepsTheBorder) {
  const int size = 65;
  const DibImage bump = makeBump(size, size, [](int x, int y) { return (x * x + 2 * y * y) / 70; });
  std::size_t fullCount = 0;
  for (const MeshExportOptions options : {MeshExportOptions{true, {}}, {true, 0.5}}) {
    SCOPED_TRACE(options.simplifyError ? "simplified" : "full");
    ASSERT_EQ(
        exportMesh(renderer, bump, bump, folder.file("s.stl"), MeshFormat::Stl, options, feedback),
        MeshExportResult::Written);
    const ReadMesh read = readBack(MeshFormat::Stl, readText(folder.file("s.stl")), 0);
    // Watertight: every edge is used twice, once each way; the base lies a tenth of the
    // relief (at least 1) below the lowest point, here 0.
    std::map<std::pair<Point, Point>, int> directed;
    std::set<Point> corners;
    for (const Triangle& t : read.triangles)
      for (int k = 0; k < 3; ++k) ++directed[{t[k], t[(k + 1) % 3]}], corners.insert(t[k]);
    for (const auto& [edge, uses] : directed)
      ASSERT_TRUE(uses == 1 && directed.count({edge.second, edge.first}) == 1);
    const auto height = [](Point p) { return p[2]; };
    const float top = std::ranges::max(corners, {}, height)[2];
    EXPECT_EQ(std::ranges::min(corners, {}, height)[2], -std::max(1.0f, 0.1f * top));
    for (int i = 0; i < size; ++i)  // every grid point of the border is still a corner
      for (auto [x, row] : {std::pair{i, 0}, {i, size - 1}, {0, i}, {size - 1, i}}) {
        const float z =
            float(redOf(bump.pixels()[row * size + x]) * renderer.settings.emphasisRate);
        ASSERT_EQ(corners.count(Point{float(x), float(size - 1 - row), z}), 1u) << x << "," << row;
      }
    EXPECT_LT(read.triangles.size(), options.simplifyError ? fullCount / 4 : SIZE_MAX);
    fullCount = read.triangles.size();
  }
  expectIdle();
}

TEST_F(ExportTest, EveryExporterWritesTheModelAndFollowsTheSameProtocol) {
  // Fine heights with holes, a slice and emphasis: the mesh has gaps and fractional heights.
  const int w = 31, h = 21;
  DibImage bump = makeBump(w, h, [](int x, int y) { return (x * 29 + y * 13) % 200; });
  std::vector<float> fine;
  for (int i = 0; i < w * h; ++i)
    fine.push_back((i % w + 2 * (i / w)) % 23 == 0 ? NAN : i % w * 3.25f + i / w * 7.5f);
  bump.setFineHeights(fine);
  const DibImage surface =
      makeTexture(w, h, [](int x, int y) { return makeColor(x * 7, y * 11, 77); });
  RenderSettings& s = renderer.settings;
  s.sliceEnabled = 1, s.sliceMin = 2, s.sliceMax = 250, s.emphasisRate = 0.7;
  ASSERT_TRUE(renderer.buildMesh(MeshPurpose::DxfExport, surface, bump, w, h));
  std::vector<TerrainPolygon> model;  // the model's own triangles and the grid points used
  std::set<std::pair<double, double>> used;
  for (std::uint32_t i = 0; i < renderer.polygonCount(); ++i) {
    model.push_back(renderer.model().polygon(i));
    for (const TerrainVertex& v : model.back().v) used.insert({v.x, v.y});
  }
  renderer.finishRendering();
  const long long n = model.size();
  ASSERT_TRUE(n > 1000 && n < 2 * (w - 1) * (h - 1)) << n;
  auto run = [&](std::optional<MeshFormat> format, const std::string& path) {
    if (format) return exportMesh(renderer, surface, bump, path, *format, {}, feedback);
    return MeshExportResult(int(exportDxf(renderer, surface, bump, path, feedback)));
  };  // the two result types list the same outcomes in the same order
  const std::string exporters[] = {"t.dxf", "t.stl", "t.obj", "t.ply", "t.glb"};
  for (const std::string& file : exporters) {
    SCOPED_TRACE(file);
    const std::optional<MeshFormat> format = meshFormatOfName(file);  // none: DXF
    const std::string path = folder.file(file);
    feedback = RecordingFeedback();
    ASSERT_EQ(run(format, path), MeshExportResult::Written);
    const std::string whole = readText(path);
    if (format) {  // read back: exactly the model's triangles in the format's axes, facing up
      const ReadMesh read = readBack(*format, whole, used.size());
      ASSERT_EQ(read.triangles.size(), model.size());
      const bool zUp = format == MeshFormat::Stl || format == MeshFormat::Ply;  // north is +Y
      for (std::size_t i = 0; i < model.size(); ++i) {
        Triangle expected;  // corners a, c, b of the model's: counter-clockwise seen from above
        for (int k = 0; k < 3; ++k) {
          const TerrainVertex& v = model[i].v[k == 0 ? 0 : 3 - k];
          expected[k] = zUp ? Point{float(v.x), float(h - 1) - float(v.y), float(v.z)}
                            : Point{float(v.x), float(v.z), float(v.y)};
          EXPECT_TRUE(read.colors.empty() ||
                      read.colors.at(expected[k]) == surface.pixels()[int(v.y) * w + int(v.x)]);
        }
        ASSERT_EQ(read.triangles[i], expected) << i;
      }
    }
    if (format == MeshFormat::Obj) {  // the material names the texture: the surface as a PNG
      EXPECT_NE(whole.find("mtllib t.mtl\n"), std::string::npos);
      EXPECT_NE(readText(folder.file("t.mtl")).find("map_Kd t.png\n"), std::string::npos);
      EXPECT_EQ(readText(folder.file("t.png")).substr(1, 3), "PNG");
    }
    // Progress every 500 triangles with a poll before each, and cancel anywhere.
    const RecordingFeedback::Window& writer = *feedback.windows.at(1);  // after buildMesh's
    EXPECT_EQ(writer.polls, n);
    // The opening 0, then before triangles 0, 500 and 1000: i x 100 / n (then 100).
    std::vector<int> positions = {0, 0, int(50000 / n), int(100000 / n), 100};
    if (!format) positions.pop_back();
    for (std::size_t i = 0; i < positions.size(); ++i)
      EXPECT_EQ(writer.positions.at(i).position, positions[i]);
    EXPECT_EQ(writer.positions.size(), positions.size());
    EXPECT_EQ(std::pair(writer.positions[2].pollsBefore, writer.positions[3].pollsBefore),
              std::pair(500LL, 1000LL));
    expectIdle();
    const long long meshPolls = feedback.windows[0]->polls;  // one per cell
    const std::string cancelled(format ? meshFormatTexts(*format).cancelled
                                       : "DXF 出力を中止します。");
    for (const auto& [poll, result, writerPolls] :
         {std::tuple{10LL, MeshExportResult::MeshFailed, -1LL},  // no writer window yet
          {meshPolls + 1, MeshExportResult::Cancelled, 1LL},
          {meshPolls + 600, MeshExportResult::Cancelled, 600LL},
          {meshPolls + n, MeshExportResult::Cancelled, n}}) {
      writeText(path, "previous");
      feedback = RecordingFeedback();
      feedback.cancelAtPoll(poll);
      EXPECT_EQ(run(format, path), result) << poll;
      EXPECT_EQ(readText(path), "previous");
      EXPECT_EQ(feedback.messageTexts(), std::vector<std::string>{cancelled});
      EXPECT_EQ(feedback.windows.size() == 2 ? feedback.windows[1]->polls : -1, writerPolls);
      expectIdle();
    }
  }
  const auto written = folder.entries();
  startRendering();  // refused while drawing, the picture too
  EXPECT_FALSE(saveRenderedImage(renderer, folder.file("shot.bmp"), feedback));
  for (const std::string& file : exporters)
    EXPECT_EQ(run(meshFormatOfName(file), folder.file(file)), MeshExportResult::Refused) << file;
  ASSERT_EQ(feedback.messages.size(), 1 + std::size(exporters));
  for (const auto& message : feedback.messages)
    EXPECT_EQ(message.text.find("このコマンドは通常レンダリング中は選択できません。\n"), 0u);
  EXPECT_TRUE(renderer.isDrawing() && folder.entries() == written);
  renderer.finishRendering();
}

}  // namespace
