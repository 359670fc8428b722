#pragma once
// Mesh export in today's 3-D formats (STL, OBJ, PLY, glTF binary), beside the DXF export
// and with its protocol: buildMesh on the two textures with the format's caption and cancel
// message, a progress window that moves every 500 triangles and is polled before each,
// streamed writing through temporary files that replace the targets only when complete,
// finishRendering on every path, the busy refusal, the screen untouched.

#include <optional>
#include <string>
#include <string_view>

#include "engine/StageProgress.h"
#include "engine/TerrainRenderer.h"
#include "export/MeshFormats.h"
#include "raster/DibImage.h"

enum class MeshExportResult {
  Written,      // every file of the format replaced by its complete version
  Refused,      // a rendering is in progress: the refusal message was shown, nothing touched
  MeshFailed,   // buildMesh cancelled or out of memory (its message was shown)
  Cancelled,    // cancelled while writing: the format's cancel message; files untouched
  WriteFailed,  // a file could not be written, or the mesh is too large for the format
};

struct MeshExportOptions {
  bool solid = false;                   // STL: a closed solid with walls and a base
  std::optional<double> simplifyError;  // reduce the mesh to this error (terrain units)
};

// The texts of a format's export: window caption, cancel message, writing message.
struct MeshFormatTexts {
  std::string_view caption;
  std::string_view cancelled;
  std::string_view writing;
};
MeshFormatTexts meshFormatTexts(MeshFormat format);

// Writes the mesh of the common top-left region of the two textures to targetPath in the
// given format. OBJ also writes its material (same name, .mtl) and the surface texture as
// its map (same name, .png) beside it.
MeshExportResult exportMesh(TerrainRenderer& renderer, const DibImage& surface,
                            const DibImage& bump, const std::string& targetPath, MeshFormat format,
                            const MeshExportOptions& options, UserFeedback& feedback);
