// The mesh exports (STL, OBJ, PLY, glTF) read back by plain readers: exactly the model's
// triangles in each format's axes, facing up; a watertight STL solid whose simplification
// keeps the border; and the DXF export's protocol (progress, cancel, write failure, refusal).

#include "export/MeshExport.h"

#include "export/DxfExport.h"
#include "export/ImageSave.h"

#include <cmath>
#include <cstring>
#include <map>
#include <set>
#include <sstream>

#include "support/ExportTestFixture.h"

namespace {

using Point = std::array<float, 3>;
using Triangle = std::array<Point, 3>;

struct ReadMesh {
  std::vector<Triangle> triangles;
  std::size_t vertices = 0;       // indexed formats only
  std::map<Point, Color> colors;  // PLY and glTF: the colour of each vertex
};

std::uint32_t le32(const std::string& b, std::size_t at) {
  std::uint32_t v = 0;
  for (int k = 3; k >= 0; --k) v = (v << 8) | std::uint8_t(b.at(at + k));
  return v;
}
Point point(const std::string& b, std::size_t at) {
  Point p;
  std::memcpy(p.data(), b.substr(at, 12).data(), 12);  // little-endian floats
  return p;
}

// glTF's BIN chunk holds vertexCount positions, their RGBA colours, then the indices.
ReadMesh readBack(MeshFormat format, const std::string& b, std::size_t vertexCount) {
  ReadMesh mesh;
  std::vector<Point> vertices;
  std::vector<std::uint32_t> corners;
  if (format == MeshFormat::Stl) {
    EXPECT_EQ(b.size(), 84 + 50 * std::size_t(le32(b, 80)));
    for (std::size_t at = 84 + 12; at < b.size(); at += 50)
      mesh.triangles.push_back({point(b, at), point(b, at + 12), point(b, at + 24)});
    return mesh;
  }
  if (format == MeshFormat::Ply) {
    const std::size_t body = b.find("end_header\n") + 11;
    std::istringstream header(b.substr(0, body));
    std::size_t counts[2] = {};  // vertices, faces
    for (std::string word; header >> word;)
      if (word == "element") header >> word >> counts[word == "face"];
    const std::size_t faces = body + 15 * counts[0];
    EXPECT_EQ(b.size(), faces + 13 * counts[1]);
    for (std::size_t at = body; at < faces; at += 15) {
      vertices.push_back(point(b, at));
      mesh.colors[vertices.back()] =
          makeColor(std::uint8_t(b[at + 12]), std::uint8_t(b[at + 13]), std::uint8_t(b[at + 14]));
    }
    for (std::size_t at = faces; at + 13 <= b.size(); at += 13) {
      EXPECT_EQ(b[at], 3);
      for (int k = 0; k < 3; ++k) corners.push_back(le32(b, at + 1 + 4 * k));
    }
  } else if (format == MeshFormat::Glb) {
    EXPECT_EQ(le32(b, 0), 0x46546C67u);  // "glTF"
    EXPECT_EQ(le32(b, 8), b.size());
    const std::size_t bin = 20 + le32(b, 12) + 8, colors = bin + 12 * vertexCount;
    EXPECT_EQ(bin + le32(b, bin - 8), b.size());
    for (std::size_t at = bin; at < colors; at += 12) vertices.push_back(point(b, at));
    for (std::size_t v = 0; v < vertexCount; ++v)
      mesh.colors[vertices[v]] = le32(b, colors + 4 * v) & 0xFFFFFFu;
    for (std::size_t at = colors + 4 * vertexCount; at < b.size(); at += 4)
      corners.push_back(le32(b, at));
  } else {
    std::istringstream lines(b);
    for (std::string line; std::getline(lines, line);) {
      std::istringstream words(line);
      std::string kind;
      Point p;
      if (words >> kind && kind == "v" && words >> p[0] >> p[1] >> p[2]) vertices.push_back(p);
      for (std::string corner; kind == "f" && words >> corner;)
        corners.push_back(std::uint32_t(std::stoul(corner)) - 1);
    }
  }
  mesh.vertices = vertices.size();
  for (std::size_t i = 0; i + 2 < corners.size(); i += 3)
    mesh.triangles.push_back(
        {vertices.at(corners[i]), vertices.at(corners[i + 1]), vertices.at(corners[i + 2])});
  return mesh;
}

bool zUp(MeshFormat format) { return format == MeshFormat::Stl || format == MeshFormat::Ply; }

// A terrain corner in a format's axes: Z-up (STL, PLY; north is +Y) or Y-up (OBJ, glTF).
Point mapped(MeshFormat format, const TerrainVertex& v, int rows) {
  if (zUp(format)) return {float(v.x), float(rows) - 1.0f - float(v.y), float(v.z)};
  return {float(v.x), float(v.z), float(v.y)};
}

// The up component of (b - a) x (c - a) in the format's axes.
double upOf(MeshFormat format, const Triangle& t) {
  const int i = zUp(format) ? 0 : 2, j = zUp(format) ? 1 : 0;
  return double(t[1][i] - t[0][i]) * (t[2][j] - t[0][j]) -
         double(t[1][j] - t[0][j]) * (t[2][i] - t[0][i]);
}

const std::pair<MeshFormat, const char*> kFormats[] = {{MeshFormat::Stl, "t.stl"},
                                                       {MeshFormat::Obj, "t.obj"},
                                                       {MeshFormat::Ply, "t.ply"},
                                                       {MeshFormat::Glb, "t.glb"}};

using MeshExport = ExportTest;

TEST_F(MeshExport, EveryFormatHoldsTheModelsTrianglesInItsAxesFacingUp) {
  // Fine heights with holes, a slice and emphasis: the mesh has gaps and fractional heights.
  const int w = 13, h = 9;
  DibImage bump = makeBump(w, h, [](int x, int y) { return (x * 29 + y * 13) % 200; });
  std::vector<float> fine;
  for (int i = 0; i < w * h; ++i)
    fine.push_back((i % w + 2 * (i / w)) % 11 == 0 ? NAN : i % w * 3.25f + i / w * 7.5f);
  bump.setFineHeights(fine);
  const DibImage surface =
      makeTexture(w, h, [](int x, int y) { return makeColor(x * 19, y * 23, 77); });
  renderer.settings.sliceEnabled = 1;
  renderer.settings.sliceMin = 2;
  renderer.settings.sliceMax = 90;
  renderer.settings.emphasisRate = 0.7;
  ASSERT_TRUE(renderer.buildMesh(MeshPurpose::DxfExport, surface, bump, w, h));
  std::vector<TerrainPolygon> model;  // the model's own triangles and the grid points used
  std::set<std::pair<double, double>> used;
  for (std::uint32_t i = 0; i < renderer.polygonCount(); ++i) {
    model.push_back(renderer.model().polygon(i));
    for (const TerrainVertex& v : model.back().v) used.insert({v.x, v.y});
  }
  renderer.finishRendering();
  ASSERT_GT(model.size(), 20u);
  ASSERT_LT(model.size(), 2u * (w - 1) * (h - 1));
  for (const auto& [format, file] : kFormats) {
    SCOPED_TRACE(file);
    ASSERT_EQ(exportMesh(renderer, surface, bump, folder.file(file), format, {}, feedback),
              MeshExportResult::Written);
    const ReadMesh read = readBack(format, readText(folder.file(file)), used.size());
    ASSERT_EQ(read.triangles.size(), model.size());
    if (format == MeshFormat::Ply || format == MeshFormat::Glb) {
      EXPECT_EQ(read.vertices, used.size());  // one vertex per grid point used
    }
    for (std::size_t i = 0; i < model.size(); ++i) {
      // Corners a, c, b of the model's triangle: counter-clockwise seen from above.
      const TerrainPolygon& p = model[i];
      const Triangle expected = {mapped(format, p.v[0], h), mapped(format, p.v[2], h),
                                 mapped(format, p.v[1], h)};
      ASSERT_EQ(read.triangles[i], expected) << i;
      EXPECT_GT(upOf(format, read.triangles[i]), 0.0) << i;
      for (int k = 0; k < 3 && !read.colors.empty(); ++k)
        EXPECT_EQ(read.colors.at(expected[k == 0 ? 0 : 3 - k]),
                  surface.pixels()[int(p.v[k].y) * w + int(p.v[k].x)]);
    }
  }
  // OBJ's companions: the material names the texture, which is the surface as a PNG.
  EXPECT_NE(readText(folder.file("t.obj")).find("mtllib t.mtl\n"), std::string::npos);
  EXPECT_NE(readText(folder.file("t.mtl")).find("map_Kd t.png\n"), std::string::npos);
  EXPECT_EQ(readText(folder.file("t.png")).substr(1, 3), "PNG");
  expectIdle();
}

TEST_F(MeshExport, SolidStlIsWatertightAndSimplificationKeepsTheBorder) {
  const int size = 65;
  const DibImage bump = makeBump(size, size, [](int x, int y) { return (x * x + 2 * y * y) / 70; });
  std::size_t fullCount = 0;
  for (const MeshExportOptions options : {MeshExportOptions{true, {}}, {true, 0.5}}) {
    SCOPED_TRACE(options.simplifyError ? "simplified" : "full");
    ASSERT_EQ(
        exportMesh(renderer, bump, bump, folder.file("s.stl"), MeshFormat::Stl, options, feedback),
        MeshExportResult::Written);
    const ReadMesh read = readBack(MeshFormat::Stl, readText(folder.file("s.stl")), 0);
    // Every edge is used by exactly two triangles, once in each direction.
    std::map<std::pair<Point, Point>, int> directed;
    std::set<Point> corners;
    for (const Triangle& t : read.triangles)
      for (int k = 0; k < 3; ++k) ++directed[{t[k], t[(k + 1) % 3]}], corners.insert(t[k]);
    for (const auto& [edge, uses] : directed) {
      ASSERT_EQ(uses, 1);
      ASSERT_EQ(directed.count({edge.second, edge.first}), 1u);
    }
    EXPECT_LT((*std::min_element(corners.begin(), corners.end(),
                                 [](const Point& a, const Point& b) { return a[2] < b[2]; }))[2],
              0.0f);  // the base lies below the lowest point (height 0)
    // Every grid point of the border is still a corner, where it was.
    auto at = [&](int x, int row) {
      return Point{float(x), float(size - 1 - row),
                   float(redOf(bump.pixels()[row * size + x]) * renderer.settings.emphasisRate)};
    };
    for (int i = 0; i < size; ++i)
      for (const Point& p : {at(i, 0), at(i, size - 1), at(0, i), at(size - 1, i)})
        ASSERT_EQ(corners.count(p), 1u) << p[0] << "," << p[1];
    EXPECT_LT(read.triangles.size(), options.simplifyError ? fullCount / 4 : SIZE_MAX);
    fullCount = read.triangles.size();
  }
  expectIdle();
}

TEST_F(MeshExport, EveryFormatFollowsTheDxfExportsProtocol) {
  // Progress every 500 triangles with a poll before each, cancel anywhere, a missing folder,
  // a window that cannot be shown, the refusal while drawing, the screen never touched.
  const MeshFormatTexts dxfTexts = {"DXF 形式で保存", "DXF 出力を中止します。",
                                    "DXF ファイルを作成しています。"};
  auto run = [&](std::optional<MeshFormat> format, const std::string& path) {
    if (format) return exportMesh(renderer, midSurface, midBump, path, *format, {}, feedback);
    return MeshExportResult(int(exportDxf(renderer, midSurface, midBump, path, feedback)));
  };  // the two result types list the same outcomes in the same order
  static_assert(int(DxfExportResult::WriteFailed) == int(MeshExportResult::WriteFailed));
  ASSERT_TRUE(renderer.createDefaultScreen());
  renderer.screen().pixels()[5] = 0x00ABCDEFu;
  const std::vector<Color> screen(renderer.screen().pixels(),
                                  renderer.screen().pixels() + 320 * 240);
  std::vector<std::pair<std::optional<MeshFormat>, std::string>> exporters = {{{}, "t.dxf"}};
  for (const auto& [format, file] : kFormats) exporters.push_back({format, file});
  for (const auto& [format, file] : exporters) {
    SCOPED_TRACE(file);
    const MeshFormatTexts texts = format ? meshFormatTexts(*format) : dxfTexts;
    const std::string path = folder.file(file);
    feedback = RecordingFeedback();
    ASSERT_EQ(run(format, path), MeshExportResult::Written);
    ASSERT_EQ(feedback.windows.size(), 2u);  // buildMesh's, then the writer's
    const RecordingFeedback::Window& writer = *feedback.windows[1];
    for (const auto& window : feedback.windows)
      EXPECT_EQ(window->captions, std::vector<std::string>{std::string(texts.caption)});
    EXPECT_EQ(writer.messages, std::vector<std::string>{std::string(texts.writing)});
    EXPECT_EQ(writer.calls.front(), "create");
    EXPECT_EQ(writer.calls.back(), "destroy");
    EXPECT_EQ(writer.polls, 1200);
    // The opening 0, then before triangles 0, 500 and 1000: i x 100 / 1200 (then 100).
    std::vector<int> positions = {0, 0, 41, 83, 100};
    if (!format) positions.pop_back();
    EXPECT_EQ(writer.positionValues(), positions);
    EXPECT_EQ(writer.positions[2].pollsBefore, 500);
    EXPECT_EQ(writer.positions[3].pollsBefore, 1000);
    expectIdle();
    const std::string whole = readText(path);
    const auto written = folder.entries();
    const long long meshPolls = feedback.windows[0]->polls;  // one per cell
    feedback = RecordingFeedback();
    feedback.failCreate(true);
    ASSERT_EQ(run(format, path), MeshExportResult::Written);
    EXPECT_EQ(readText(path), whole);
    const std::tuple<long long, MeshExportResult, long long> cancels[] = {
        {10, MeshExportResult::MeshFailed, -1},  // while building the mesh: no writer window
        {meshPolls + 1, MeshExportResult::Cancelled, 1},
        {meshPolls + 600, MeshExportResult::Cancelled, 600},
        {meshPolls + 1200, MeshExportResult::Cancelled, 1200}};
    for (const auto& [poll, result, writerPolls] : cancels) {
      writeText(path, "previous");
      feedback = RecordingFeedback();
      feedback.cancelAtPoll(poll);
      EXPECT_EQ(run(format, path), result) << poll;
      EXPECT_EQ(readText(path), "previous");
      EXPECT_EQ(feedback.messageTexts(), std::vector<std::string>{std::string(texts.cancelled)});
      EXPECT_EQ(feedback.windows.size() == 2 ? feedback.windows[1]->polls : -1, writerPolls);
      expectIdle();
    }
    feedback = RecordingFeedback();
    EXPECT_EQ(run(format, folder.file("missing/") + file), MeshExportResult::WriteFailed);
    EXPECT_EQ(feedback.messageTexts(), std::vector<std::string>{"書き込みに失敗しました。"});
    EXPECT_EQ(folder.entries(), written);
    expectIdle();
    for (const std::string& name : written) std::filesystem::remove(folder.file(name));
  }
  EXPECT_EQ(std::vector<Color>(renderer.screen().pixels(), renderer.screen().pixels() + 320 * 240),
            screen);
  startRendering();
  EXPECT_FALSE(saveRenderedImage(renderer, folder.file("shot.bmp"), feedback));  // refused too
  for (const auto& [format, file] : exporters)
    EXPECT_EQ(run(format, folder.file(file)), MeshExportResult::Refused) << file;
  ASSERT_EQ(feedback.messages.size(), 1 + exporters.size());
  for (const auto& message : feedback.messages) {
    EXPECT_EQ(message.text.find("このコマンドは通常レンダリング中は選択できません。\n"), 0u);
    EXPECT_NE(message.text.find("レンダラーの処理"), std::string::npos);
  }
  EXPECT_TRUE(renderer.isDrawing());
  EXPECT_TRUE(folder.entries().empty());
  renderer.finishRendering();
}

}  // namespace
