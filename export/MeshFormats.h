#pragma once
// MeshFormats: the indexed terrain mesh (IndexedMesh.h) as binary STL, OBJ (with its MTL),
// binary little-endian PLY and binary glTF 2.0 (.glb), streamed into a ChunkedOutput. It
// owns the byte layouts and the mapping of the terrain's axes to each format's; it opens
// no file and shows nothing (MeshExport does).
//
// Axes: the terrain has x east (the column), y south (the row, downwards in the image) and
// z up (the height). Z-up formats (STL, PLY) get X = x, Y = (rows - 1) - y, Z = z; Y-up
// formats (OBJ, glTF) get X = x, Y = z, Z = y. Both are right-handed, so seen from the south
// the west of the image is on the left and heights point up.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "export/ChunkedOutput.h"
#include "export/IndexedMesh.h"

enum class MeshFormat { Stl, Obj, Ply, Glb };

// The format a file name asks for by its extension (any case): .stl, .obj, .ply, .glb.
std::optional<MeshFormat> meshFormatOfName(std::string_view path);

// Told before each triangle written (and once of their number): progress and cancel.
class TrianglePacer {
 public:
  virtual ~TrianglePacer() = default;
  virtual void start(std::uint64_t triangles) = 0;
  // False: stop writing (cancelled).
  virtual bool next(std::uint64_t triangle) = 0;
};

enum class MeshWriteStatus { Written, Stopped, Failed, TooLarge };

// The closed solid of STL --solid: walls from every border edge down to a flat base, and
// the base itself, below the lowest point by a tenth of the height range (at least 1).
struct StlOptions {
  bool solid = false;
};

MeshWriteStatus writeStl(const IndexedMesh& mesh, const StlOptions& options, ChunkedOutput& out,
                         TrianglePacer& pacer);
// The OBJ text naming materialFile (its MTL) and, per vertex, the texture coordinate of
// its grid point in a texture of textureWidth x textureHeight pixels.
MeshWriteStatus writeObj(const IndexedMesh& mesh, const std::string& materialFile, int textureWidth,
                         int textureHeight, ChunkedOutput& out, TrianglePacer& pacer);
// The MTL text of writeObj's material: the texture file as its diffuse map.
std::string objMaterial(const std::string& textureFile);
MeshWriteStatus writePly(const IndexedMesh& mesh, ChunkedOutput& out, TrianglePacer& pacer);
// Vertex colours (COLOR_0); TooLarge beyond the 4 GiB a .glb can hold.
MeshWriteStatus writeGlb(const IndexedMesh& mesh, ChunkedOutput& out, TrianglePacer& pacer);

// The name of OBJ's companions: target with its extension replaced by `extension`.
std::string companionPath(const std::string& target, std::string_view extension);
