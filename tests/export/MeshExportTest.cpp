// The mesh exports (STL, OBJ, PLY, glTF) through their public function, read back by plain
// readers: every format holds exactly the model's triangles in its documented axes, facing
// up; the STL solid is watertight; simplification keeps the border; and the DXF export's
// protocol (progress, cancel, write failures, refusal, the engine left idle).

#include "export/MeshExport.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/FileContents.h"
#include "support/RecordingFeedback.h"
#include "support/TempFolder.h"
#include "support/TestTextures.h"

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
  for (int k = 3; k >= 0; --k) v = (v << 8) | std::uint8_t(b[at + k]);
  return v;
}
float f32(const std::string& b, std::size_t at) {
  const std::uint32_t v = le32(b, at);
  float f;
  std::memcpy(&f, &v, 4);
  return f;
}
Point point(const std::string& b, std::size_t at) {
  return {f32(b, at), f32(b, at + 4), f32(b, at + 8)};
}

ReadMesh readStl(const std::string& b) {
  ReadMesh mesh;
  const std::uint32_t count = le32(b, 80);
  EXPECT_EQ(b.size(), 84 + 50 * std::size_t(count));
  for (std::uint32_t t = 0; t < count; ++t) {
    const std::size_t at = 84 + 50 * std::size_t(t) + 12;
    mesh.triangles.push_back({point(b, at), point(b, at + 12), point(b, at + 24)});
  }
  return mesh;
}

// Indexed triangles from vertex positions and corner indices.
void addIndexed(ReadMesh& mesh, const std::vector<Point>& vertices,
                const std::vector<std::uint32_t>& corners) {
  mesh.vertices = vertices.size();
  for (std::size_t i = 0; i + 2 < corners.size(); i += 3)
    mesh.triangles.push_back(
        {vertices.at(corners[i]), vertices.at(corners[i + 1]), vertices.at(corners[i + 2])});
}

ReadMesh readPly(const std::string& b) {
  ReadMesh mesh;
  const std::size_t body = b.find("end_header\n") + 11;
  std::istringstream header(b.substr(0, body));
  std::string word;
  std::size_t vertexCount = 0, faceCount = 0;
  while (header >> word)
    if (word == "element") {
      header >> word;
      header >> (word == "vertex" ? vertexCount : faceCount);
    }
  std::vector<Point> vertices;
  for (std::size_t v = 0; v < vertexCount; ++v) {
    const std::size_t at = body + 15 * v;
    vertices.push_back(point(b, at));
    mesh.colors[vertices.back()] =
        makeColor(std::uint8_t(b[at + 12]), std::uint8_t(b[at + 13]), std::uint8_t(b[at + 14]));
  }
  std::vector<std::uint32_t> corners;
  for (std::size_t f = 0; f < faceCount; ++f) {
    const std::size_t at = body + 15 * vertexCount + 13 * f;
    EXPECT_EQ(b[at], 3);
    for (int k = 0; k < 3; ++k) corners.push_back(le32(b, at + 1 + 4 * k));
  }
  EXPECT_EQ(b.size(), body + 15 * vertexCount + 13 * faceCount);
  addIndexed(mesh, vertices, corners);
  return mesh;
}

// The BIN chunk holds the positions, the colours (RGBA) and the indices, in that order.
ReadMesh readGlb(const std::string& b, std::size_t vertexCount) {
  ReadMesh mesh;
  EXPECT_EQ(le32(b, 0), 0x46546C67u);  // "glTF"
  EXPECT_EQ(le32(b, 8), b.size());
  const std::size_t bin = 20 + le32(b, 12) + 8;
  const std::size_t binBytes = le32(b, bin - 8);
  EXPECT_EQ(bin + binBytes, b.size());
  std::vector<Point> vertices;
  for (std::size_t v = 0; v < vertexCount; ++v) vertices.push_back(point(b, bin + 12 * v));
  for (std::size_t v = 0; v < vertexCount; ++v)
    mesh.colors[vertices[v]] = le32(b, bin + 12 * vertexCount + 4 * v) & 0xFFFFFFu;
  std::vector<std::uint32_t> corners;
  for (std::size_t at = bin + 16 * vertexCount; at < bin + binBytes; at += 4)
    corners.push_back(le32(b, at));
  addIndexed(mesh, vertices, corners);
  return mesh;
}

ReadMesh readObj(const std::string& text) {
  ReadMesh mesh;
  std::istringstream lines(text);
  std::string line;
  std::vector<Point> vertices;
  std::vector<std::uint32_t> corners;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string kind;
    words >> kind;
    if (kind == "v") {
      Point p;
      words >> p[0] >> p[1] >> p[2];
      vertices.push_back(p);
    } else if (kind == "f") {
      std::string corner;
      while (words >> corner) corners.push_back(std::uint32_t(std::stoul(corner)) - 1);
    }
  }
  addIndexed(mesh, vertices, corners);
  return mesh;
}

// A terrain corner in a format's axes: Z-up (STL, PLY) or Y-up (OBJ, glTF).
Point mapped(MeshFormat format, const TerrainVertex& v, int rows) {
  const float x = float(v.x), y = float(v.y), z = float(v.z);
  if (format == MeshFormat::Stl || format == MeshFormat::Ply) return {x, float(rows) - 1.0f - y, z};
  return {x, z, y};
}

// The up component of (b - a) x (c - a) in the format's axes.
double upOf(MeshFormat format, const Triangle& t) {
  const int up = (format == MeshFormat::Stl || format == MeshFormat::Ply) ? 2 : 1;
  const int i = (up + 1) % 3, j = (up + 2) % 3;
  return double(t[1][i] - t[0][i]) * (t[2][j] - t[0][j]) -
         double(t[1][j] - t[0][j]) * (t[2][i] - t[0][i]);
}

struct FormatCase {
  const char* name;
  MeshFormat format;
  const char* file;
};
const FormatCase kFormats[] = {{"STL", MeshFormat::Stl, "t.stl"},
                               {"OBJ", MeshFormat::Obj, "t.obj"},
                               {"PLY", MeshFormat::Ply, "t.ply"},
                               {"glTF", MeshFormat::Glb, "t.glb"}};

class MeshExport : public ::testing::Test {
 protected:
  MeshExport() { renderer.setFeedback(&feedback); }

  ReadMesh readBack(const FormatCase& c, std::size_t vertexCount) {
    const std::string bytes = readText(folder.file(c.file));
    switch (c.format) {
      case MeshFormat::Stl:
        return readStl(bytes);
      case MeshFormat::Ply:
        return readPly(bytes);
      case MeshFormat::Glb:
        return readGlb(bytes, vertexCount);
      case MeshFormat::Obj:
        return readObj(bytes);
    }
    return {};
  }

  void expectIdle() {
    EXPECT_FALSE(renderer.isDrawing());
    EXPECT_FALSE(renderer.hasModel());
    EXPECT_TRUE(feedback.allWindowsClosed());
  }

  // A 31 x 21 terrain: 600 cells, 1200 triangles.
  MeshExportResult exportMidSized(MeshFormat format, const std::string& path,
                                  MeshExportOptions options = {}) {
    const DibImage bump = makeBump(31, 21, [](int x, int y) { return (x * 7 + y * 3) % 256; });
    const DibImage surface = makeTexture(31, 21, [](int, int) { return 0x336699u; });
    return exportMesh(renderer, surface, bump, path, format, options, feedback);
  }

  TempFolder folder;
  RecordingFeedback feedback;
  TerrainRenderer renderer;
};

TEST_F(MeshExport, EveryFormatHoldsTheModelsTrianglesInItsAxesFacingUp) {
  // Fine heights with holes, a slice and emphasis: the mesh has gaps and fractional heights.
  const int w = 13, h = 9;
  DibImage bump = makeBump(w, h, [](int x, int y) { return (x * 29 + y * 13) % 200; });
  std::vector<float> fine;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) fine.push_back((x + 2 * y) % 11 == 0 ? NAN : x * 3.25f + y * 7.5f);
  bump.setFineHeights(fine);
  const DibImage surface =
      makeTexture(w, h, [](int x, int y) { return makeColor(x * 19, y * 23, 77); });
  renderer.settings.sliceEnabled = 1;
  renderer.settings.sliceMin = 2;
  renderer.settings.sliceMax = 90;
  renderer.settings.emphasisRate = 0.7;
  // The model's own triangles and the grid points they use.
  ASSERT_TRUE(renderer.buildMesh(MeshPurpose::DxfExport, surface, bump, w, h));
  std::vector<TerrainPolygon> model;
  std::set<std::pair<double, double>> used;
  for (std::uint32_t i = 0; i < renderer.polygonCount(); ++i) {
    model.push_back(renderer.model().polygon(i));
    for (const TerrainVertex& v : model.back().v) used.insert({v.x, v.y});
  }
  renderer.finishRendering();
  ASSERT_GT(model.size(), 20u);
  ASSERT_LT(model.size(), 2u * (w - 1) * (h - 1));

  for (const FormatCase& c : kFormats) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(exportMesh(renderer, surface, bump, folder.file(c.file), c.format, {}, feedback),
              MeshExportResult::Written);
    const ReadMesh read = readBack(c, used.size());
    ASSERT_EQ(read.triangles.size(), model.size());
    if (c.format != MeshFormat::Stl && c.format != MeshFormat::Obj) {
      EXPECT_EQ(read.vertices, used.size());  // one vertex per grid point used
    }
    for (std::size_t i = 0; i < model.size(); ++i) {
      // Corners a, c, b of the model's triangle: counter-clockwise seen from above.
      const TerrainPolygon& p = model[i];
      const Triangle expected = {mapped(c.format, p.v[0], h), mapped(c.format, p.v[2], h),
                                 mapped(c.format, p.v[1], h)};
      ASSERT_EQ(read.triangles[i], expected) << i;
      EXPECT_GT(upOf(c.format, read.triangles[i]), 0.0) << i;
      for (int k = 0; k < 3; ++k) {
        if (read.colors.empty()) break;
        const Color pixel = surface.pixels()[int(p.v[k].y) * w + int(p.v[k].x)];
        EXPECT_EQ(read.colors.at(expected[k == 0 ? 0 : 3 - k]), pixel);
      }
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
  struct Case {
    const char* name;
    MeshExportOptions options;
  } cases[] = {{"full", {true, {}}}, {"simplified", {true, 0.5}}};
  std::size_t fullCount = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(exportMesh(renderer, bump, bump, folder.file("s.stl"), MeshFormat::Stl, c.options,
                         feedback),
              MeshExportResult::Written);
    const ReadMesh read = readStl(readText(folder.file("s.stl")));
    // Every edge is used by exactly two triangles, once in each direction.
    std::map<std::pair<Point, Point>, int> directed;
    float lowest = INFINITY;
    for (const Triangle& t : read.triangles)
      for (int k = 0; k < 3; ++k) {
        ++directed[{t[k], t[(k + 1) % 3]}];
        lowest = std::min(lowest, t[k][2]);
      }
    for (const auto& [edge, uses] : directed) {
      ASSERT_EQ(uses, 1);
      ASSERT_EQ(directed.count({edge.second, edge.first}), 1u);
    }
    EXPECT_LT(lowest, 0.0f);  // the base lies below the lowest point (height 0)
    // Every grid point of the border is still a corner, where it was (Z-up: north is +Y).
    std::set<Point> corners;
    for (const Triangle& t : read.triangles) corners.insert(t.begin(), t.end());
    auto surfacePoint = [&](int x, int row) {
      const double height = redOf(bump.pixels()[row * size + x]) * renderer.settings.emphasisRate;
      return Point{float(x), float(size - 1 - row), float(height)};
    };
    for (int i = 0; i < size; ++i)
      for (const Point& p : {surfacePoint(i, 0), surfacePoint(i, size - 1), surfacePoint(0, i),
                             surfacePoint(size - 1, i)})
        ASSERT_EQ(corners.count(p), 1u) << p[0] << "," << p[1];
    if (c.options.simplifyError) {
      EXPECT_LT(read.triangles.size(), fullCount / 4);
    } else {
      fullCount = read.triangles.size();
    }
  }
  expectIdle();
}

TEST_F(MeshExport, FollowsTheDxfExportsProtocolInEveryFormat) {
  for (const FormatCase& c : kFormats) {
    SCOPED_TRACE(c.name);
    const MeshFormatTexts texts = meshFormatTexts(c.format);
    // Progress: the format's caption, a position every 500 triangles, a poll before each.
    feedback = RecordingFeedback();
    ASSERT_EQ(exportMidSized(c.format, folder.file(c.file)), MeshExportResult::Written);
    ASSERT_EQ(feedback.windows.size(), 2u);
    const RecordingFeedback::Window& writer = *feedback.windows[1];
    EXPECT_EQ(feedback.windows[0]->captions, std::vector<std::string>{std::string(texts.caption)});
    EXPECT_EQ(writer.messages, std::vector<std::string>{std::string(texts.writing)});
    EXPECT_EQ(writer.polls, 1200);
    EXPECT_EQ(writer.positionValues(), (std::vector<int>{0, 0, 41, 83, 100}));
    expectIdle();
    const auto written = folder.entries();

    // Cancel in the middle of writing: every file as it was, the format's message.
    writeText(folder.file(c.file), "previous");
    const long long meshPolls = feedback.windows[0]->polls;
    feedback = RecordingFeedback();
    feedback.cancelAtPoll(meshPolls + 600);
    EXPECT_EQ(exportMidSized(c.format, folder.file(c.file)), MeshExportResult::Cancelled);
    EXPECT_EQ(readText(folder.file(c.file)), "previous");
    EXPECT_EQ(folder.entries(), written);
    EXPECT_EQ(feedback.messageTexts(), std::vector<std::string>{std::string(texts.cancelled)});
    expectIdle();

    // A folder that does not exist: the write message, nothing made.
    feedback = RecordingFeedback();
    EXPECT_EQ(exportMidSized(c.format, folder.file("missing/") + c.file),
              MeshExportResult::WriteFailed);
    EXPECT_EQ(feedback.messageTexts(), std::vector<std::string>{"書き込みに失敗しました。"});
    EXPECT_EQ(folder.entries(), written);
    expectIdle();
    for (const std::string& name : written) std::filesystem::remove(folder.file(name));
  }
}

TEST_F(MeshExport, RefusesWhileARenderingIsDrawing) {
  const DibImage bump = makeBump(8, 8, [](int x, int y) { return x + y; });
  renderer.settings.viewpoint = {4, 40, 40};
  renderer.settings.lookAt = {4, 4, 0};
  ASSERT_TRUE(renderer.buildMesh(MeshPurpose::Rendering, bump, bump, 8, 8));
  ASSERT_TRUE(renderer.averageColors() && renderer.transformVertices() && renderer.sortPolygons() &&
              renderer.applyLighting() && renderer.createScreen());
  feedback = RecordingFeedback();
  EXPECT_EQ(exportMesh(renderer, bump, bump, folder.file("no.stl"), MeshFormat::Stl, {}, feedback),
            MeshExportResult::Refused);
  EXPECT_EQ(feedback.messages.size(), 1u);
  EXPECT_TRUE(renderer.isDrawing());
  EXPECT_TRUE(folder.entries().empty());
  renderer.finishRendering();
}

}  // namespace
