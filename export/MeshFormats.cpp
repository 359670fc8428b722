// Mesh file formats: binary STL (80-byte header, count, 50-byte facets), OBJ text with an
// MTL, binary little-endian PLY and glTF 2.0 binary (a JSON chunk and a BIN chunk). Binary
// fields are written byte by byte, little-endian.

#include "export/MeshFormats.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

namespace {

struct Point3 {
  float x, y, z;
};

Point3 position(const IndexedMesh& mesh, std::uint32_t v) {
  const float* p = &mesh.positions[3 * std::size_t(v)];
  return {p[0], p[1], p[2]};
}
// Z-up formats: north is +Y, so the rows count down from the last one.
Point3 zUp(const IndexedMesh& mesh, std::uint32_t v) {
  const Point3 p = position(mesh, v);
  return {p.x, static_cast<float>(mesh.gridHeight) - 1.0f - p.y, p.z};
}
// Y-up formats: south is +Z, towards a viewer who looks north.
Point3 yUp(const IndexedMesh& mesh, std::uint32_t v) {
  const Point3 p = position(mesh, v);
  return {p.x, p.z, p.y};
}

char* putLe16(char* out, std::uint32_t v) {
  *out++ = static_cast<char>(v & 0xFF);
  *out++ = static_cast<char>((v >> 8) & 0xFF);
  return out;
}
char* putLe32(char* out, std::uint32_t v) {
  for (int shift = 0; shift < 32; shift += 8) *out++ = static_cast<char>((v >> shift) & 0xFF);
  return out;
}
char* putFloat(char* out, float f) { return putLe32(out, std::bit_cast<std::uint32_t>(f)); }
char* putPoint(char* out, const Point3& v) {
  return putFloat(putFloat(putFloat(out, v.x), v.y), v.z);
}

// Shortest text that reads back as the same float.
char* putNumber(char* out, float f) { return std::to_chars(out, out + 32, f).ptr; }
char* putNumber(char* out, std::uint32_t n) { return std::to_chars(out, out + 16, n).ptr; }

// Writes each triangle's record through `put`, which formats triangle i into the output.
template <class Put>
MeshWriteStatus eachTriangle(std::uint64_t count, std::size_t recordBytes, ChunkedOutput& out,
                             TrianglePacer& pacer, Put put) {
  pacer.start(count);
  for (std::uint64_t i = 0; i < count; ++i) {
    if (!pacer.next(i)) return MeshWriteStatus::Stopped;
    if (!out.reserve(recordBytes)) return MeshWriteStatus::Failed;
    out.advance(static_cast<std::size_t>(put(i, out.end()) - out.end()));
  }
  return MeshWriteStatus::Written;
}

// ---- STL -------------------------------------------------------------------------------

constexpr std::size_t kStlFacetBytes = 50;

char* putFacet(char* out, const Point3& a, const Point3& b, const Point3& c) {
  // The unit normal of the counter-clockwise corners, (b - a) x (c - a); 0 when degenerate.
  const double ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z;
  const double vx = c.x - a.x, vy = c.y - a.y, vz = c.z - a.z;
  double nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
  const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
  if (length > 0.0) nx /= length, ny /= length, nz /= length;
  out = putPoint(out, {float(nx), float(ny), float(nz)});
  out = putPoint(putPoint(putPoint(out, a), b), c);
  return putLe16(out, 0);  // no attributes
}

// The edges used by one triangle only, each as (from, to) in its triangle's order.
std::vector<std::pair<std::uint32_t, std::uint32_t>> borderEdges(const IndexedMesh& mesh) {
  struct Edge {
    std::uint64_t key;  // lower index << 32 | higher index
    std::uint32_t from, to;
  };
  std::vector<Edge> edges;
  edges.reserve(mesh.indices.size());
  for (std::size_t t = 0; t < mesh.indices.size(); t += 3)
    for (int k = 0; k < 3; ++k) {
      const std::uint32_t a = mesh.indices[t + k], b = mesh.indices[t + (k + 1) % 3];
      edges.push_back({(std::uint64_t(std::min(a, b)) << 32) | std::max(a, b), a, b});
    }
  std::sort(edges.begin(), edges.end(), [](const Edge& l, const Edge& r) { return l.key < r.key; });
  std::vector<std::pair<std::uint32_t, std::uint32_t>> border;
  for (std::size_t i = 0; i < edges.size();) {
    std::size_t j = i + 1;
    while (j < edges.size() && edges[j].key == edges[i].key) ++j;
    if (j - i == 1) border.emplace_back(edges[i].from, edges[i].to);
    i = j;
  }
  return border;
}

}  // namespace

std::optional<MeshFormat> meshFormatOfName(std::string_view path) {
  const std::size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || path.find('/', dot) != std::string_view::npos)
    return std::nullopt;
  std::string extension(path.substr(dot + 1));
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (extension == "stl") return MeshFormat::Stl;
  if (extension == "obj") return MeshFormat::Obj;
  if (extension == "ply") return MeshFormat::Ply;
  if (extension == "glb") return MeshFormat::Glb;
  return std::nullopt;
}

std::string companionPath(const std::string& target, std::string_view extension) {
  const std::size_t slash = target.rfind('/');
  const std::size_t dot = target.rfind('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  return (hasExtension ? target.substr(0, dot) : target) + std::string(extension);
}

MeshWriteStatus writeStl(const IndexedMesh& mesh, const StlOptions& options, ChunkedOutput& out,
                         TrianglePacer& pacer) {
  const std::uint64_t surface = mesh.triangleCount();
  std::vector<std::pair<std::uint32_t, std::uint32_t>> border;
  float base = 0.0f;
  if (options.solid) {
    try {
      border = borderEdges(mesh);
    } catch (const std::bad_alloc&) {
      return MeshWriteStatus::TooLarge;
    }
    float low = std::numeric_limits<float>::infinity(), high = -low;
    for (std::uint32_t v = 0; v < mesh.vertexCount(); ++v) {
      low = std::min(low, position(mesh, v).z);
      high = std::max(high, position(mesh, v).z);
    }
    if (mesh.vertexCount() == 0) low = high = 0.0f;
    base = low - std::max(1.0f, 0.1f * (high - low));
  }
  const std::uint64_t count =
      options.solid ? 2 * surface + 2 * std::uint64_t(border.size()) : surface;
  if (count > UINT32_MAX) return MeshWriteStatus::TooLarge;

  char header[84] = {};
  std::memset(header, ' ', 80);
  const char title[] = "QN terrain mesh";  // never "solid": that would look like ASCII STL
  std::memcpy(header, title, sizeof title - 1);
  putLe32(header + 80, static_cast<std::uint32_t>(count));
  if (!out.append(std::string_view(header, sizeof header))) return MeshWriteStatus::Failed;

  auto corner = [&](std::uint64_t t, int k) { return zUp(mesh, mesh.indices[3 * t + k]); };
  auto lowered = [&](Point3 v) { return Point3{v.x, v.y, base}; };
  return eachTriangle(count, kStlFacetBytes, out, pacer, [&](std::uint64_t i, char* at) {
    if (i < surface) return putFacet(at, corner(i, 0), corner(i, 1), corner(i, 2));
    if (i < 2 * surface) {
      // The base: each triangle again at the base's height, wound the other way (downwards).
      const std::uint64_t t = i - surface;
      return putFacet(at, lowered(corner(t, 0)), lowered(corner(t, 2)), lowered(corner(t, 1)));
    }
    // The walls: a border edge a -> b and its copy on the base, as (b, a, a') and (b, a', b').
    const std::uint64_t w = i - 2 * surface;
    const auto& [from, to] = border[w / 2];
    const Point3 a = zUp(mesh, from), b = zUp(mesh, to);
    return w % 2 == 0 ? putFacet(at, b, a, lowered(a)) : putFacet(at, b, lowered(a), lowered(b));
  });
}

MeshWriteStatus writeObj(const IndexedMesh& mesh, const std::string& materialFile, int textureWidth,
                         int textureHeight, ChunkedOutput& out, TrianglePacer& pacer) {
  const std::string head = "# QN terrain mesh\nmtllib " + materialFile + "\n";
  if (!out.append(head)) return MeshWriteStatus::Failed;
  for (std::uint32_t v = 0; v < mesh.vertexCount(); ++v) {
    if (!out.reserve(256)) return MeshWriteStatus::Failed;
    const Point3 p = yUp(mesh, v);
    const Point3 grid = position(mesh, v);
    char* at = out.end();
    at = putNumber(std::strcpy(at, "v ") + 2, p.x);
    at = putNumber(std::strcpy(at, " ") + 1, p.y);
    at = putNumber(std::strcpy(at, " ") + 1, p.z);
    // The texture coordinate of the pixel's centre; OBJ counts v upwards from the bottom.
    at = putNumber(std::strcpy(at, "\nvt ") + 4, (grid.x + 0.5f) / float(textureWidth));
    at = putNumber(std::strcpy(at, " ") + 1, 1.0f - (grid.y + 0.5f) / float(textureHeight));
    *at++ = '\n';
    out.advance(static_cast<std::size_t>(at - out.end()));
  }
  if (!out.append("usemtl terrain\n")) return MeshWriteStatus::Failed;
  return eachTriangle(mesh.triangleCount(), 64, out, pacer, [&](std::uint64_t t, char* at) {
    *at++ = 'f';
    for (int k = 0; k < 3; ++k) {
      const std::uint32_t index = mesh.indices[3 * t + k] + 1;  // OBJ counts from 1
      *at++ = ' ';
      at = putNumber(at, index);
      *at++ = '/';
      at = putNumber(at, index);
    }
    *at++ = '\n';
    return at;
  });
}

std::string objMaterial(const std::string& textureFile) {
  return "# QN terrain material\nnewmtl terrain\nKa 1 1 1\nKd 1 1 1\nKs 0 0 0\nillum 1\n"
         "map_Kd " +
         textureFile + "\n";
}

MeshWriteStatus writePly(const IndexedMesh& mesh, ChunkedOutput& out, TrianglePacer& pacer) {
  const std::string header =
      "ply\nformat binary_little_endian 1.0\ncomment QN terrain mesh\nelement vertex " +
      std::to_string(mesh.vertexCount()) +
      "\nproperty float x\nproperty float y\nproperty float z\nproperty uchar red\n"
      "property uchar green\nproperty uchar blue\nelement face " +
      std::to_string(mesh.triangleCount()) +
      "\nproperty list uchar uint vertex_indices\nend_header\n";
  if (!out.append(header)) return MeshWriteStatus::Failed;
  for (std::uint32_t v = 0; v < mesh.vertexCount(); ++v) {
    if (!out.reserve(15)) return MeshWriteStatus::Failed;
    char* at = putPoint(out.end(), zUp(mesh, v));
    const Color c = mesh.colors[v];
    *at++ = static_cast<char>(redOf(c));
    *at++ = static_cast<char>(greenOf(c));
    *at++ = static_cast<char>(blueOf(c));
    out.advance(15);
  }
  return eachTriangle(mesh.triangleCount(), 13, out, pacer, [&](std::uint64_t t, char* at) {
    *at++ = 3;
    for (int k = 0; k < 3; ++k) at = putLe32(at, mesh.indices[3 * t + k]);
    return at;
  });
}

MeshWriteStatus writeGlb(const IndexedMesh& mesh, ChunkedOutput& out, TrianglePacer& pacer) {
  const std::uint64_t vertices = mesh.vertexCount(), triangles = mesh.triangleCount();
  const std::uint64_t positionBytes = vertices * 12, colorBytes = vertices * 4;
  const std::uint64_t indexBytes = triangles * 12;
  const std::uint64_t binBytes = positionBytes + colorBytes + indexBytes;  // all multiples of 4

  // The bounds of POSITION, which glTF requires; exactly the floats written.
  Point3 low{0, 0, 0}, high{0, 0, 0};
  for (std::uint32_t v = 0; v < vertices; ++v) {
    const Point3 p = yUp(mesh, v);
    low = v == 0 ? p : Point3{std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
    high = v == 0 ? p : Point3{std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
  }
  auto number = [](float f) {
    char text[32];
    return std::string(text, putNumber(text, f));
  };
  auto triple = [&](const Point3& v) {
    return "[" + number(v.x) + "," + number(v.y) + "," + number(v.z) + "]";
  };
  const std::string n = std::to_string(vertices);
  std::string json =
      R"({"asset":{"version":"2.0","generator":"QN"},"scene":0,"scenes":[{"nodes":[0]}],)"
      R"("nodes":[{"mesh":0,"name":"terrain"}],"materials":[{"name":"terrain",)"
      R"("pbrMetallicRoughness":{"metallicFactor":0,"roughnessFactor":1},"doubleSided":true}],)"
      R"("meshes":[{"name":"terrain","primitives":[{"attributes":{"POSITION":0,"COLOR_0":1},)"
      R"("indices":2,"material":0,"mode":4}]}],"buffers":[{"byteLength":)" +
      std::to_string(binBytes) + R"(}],"bufferViews":[{"buffer":0,"byteOffset":0,"byteLength":)" +
      std::to_string(positionBytes) + R"(,"target":34962},{"buffer":0,"byteOffset":)" +
      std::to_string(positionBytes) + R"(,"byteLength":)" + std::to_string(colorBytes) +
      R"(,"target":34962},{"buffer":0,"byteOffset":)" + std::to_string(positionBytes + colorBytes) +
      R"(,"byteLength":)" + std::to_string(indexBytes) +
      R"(,"target":34963}],"accessors":[{"bufferView":0,"componentType":5126,"count":)" + n +
      R"(,"type":"VEC3","min":)" + triple(low) + R"(,"max":)" + triple(high) +
      R"(},{"bufferView":1,"componentType":5121,"normalized":true,"count":)" + n +
      R"(,"type":"VEC4"},{"bufferView":2,"componentType":5125,"count":)" +
      std::to_string(3 * triangles) + R"(,"type":"SCALAR"}]})";
  json.append((4 - json.size() % 4) % 4, ' ');  // chunks are padded to 4 bytes
  const std::uint64_t total = 12 + 8 + json.size() + 8 + binBytes;
  if (total > UINT32_MAX) return MeshWriteStatus::TooLarge;

  char header[20];
  char* at = putLe32(putLe32(putLe32(header, 0x46546C67u), 2), static_cast<std::uint32_t>(total));
  putLe32(putLe32(at, static_cast<std::uint32_t>(json.size())), 0x4E4F534Au);  // "JSON"
  char binHeader[8];
  putLe32(putLe32(binHeader, static_cast<std::uint32_t>(binBytes)), 0x004E4942u);  // "BIN"
  if (!out.append(std::string_view(header, sizeof header)) || !out.append(json) ||
      !out.append(std::string_view(binHeader, sizeof binHeader)))
    return MeshWriteStatus::Failed;
  for (std::uint32_t v = 0; v < vertices; ++v) {
    if (!out.reserve(12)) return MeshWriteStatus::Failed;
    out.advance(static_cast<std::size_t>(putPoint(out.end(), yUp(mesh, v)) - out.end()));
  }
  for (std::uint32_t v = 0; v < vertices; ++v) {
    if (!out.reserve(4)) return MeshWriteStatus::Failed;
    const Color c = mesh.colors[v];
    out.advance(static_cast<std::size_t>(putLe32(out.end(), c | 0xFF000000u) - out.end()));
  }
  return eachTriangle(triangles, 12, out, pacer, [&](std::uint64_t t, char* p) {
    for (int k = 0; k < 3; ++k) p = putLe32(p, mesh.indices[3 * t + k]);
    return p;
  });
}
