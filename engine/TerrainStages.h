#pragma once
// The stages of a rendering as functions over a TerrainModel, each callable and testable on
// its own: what a stage needs is in the model it is given. The caller (TerrainRenderer)
// opens each stage's progress window as a StageRun and hands it in; a stage polls it before
// every item and returns false when the user cancelled. They never show a message
// themselves, allocate only what the model keeps, and touch no texture after the build.

#include <cstdint>

#include "engine/StageRun.h"
#include "engine/TerrainModel.h"
#include "engine/ViewCamera.h"
#include "raster/DibImage.h"
#include "settings/RenderSettings.h"

class DrawSurface;

// The grid of the region both textures cover (only the bump when the surface is not read,
// as in wireframe), and room for capacity triangles; the model is cleared first. False,
// with the model empty, when the model cannot fit in the memory this process can get.
bool allocateTerrainModel(TerrainModel& model, const DibImage& surface, const DibImage& bump,
                          int width, int height, const RenderSettings& settings,
                          std::uint64_t capacity);

// Copies the grid from the textures and cuts every cell into its two triangles, keeping
// those inside the slice; one item per cell, counted two by two.
bool subdivideTerrain(TerrainModel& model, const DibImage& surface, const DibImage& bump,
                      const RenderSettings& settings, StageRun& run);

// Each triangle's colour becomes the mean of its corners' colours, channel by channel.
bool averageTriangleColors(TerrainModel& model, StageRun& run);

// Projects every grid point once and gives each triangle its depth key: the mean depth of
// its corners when all three are in front, 0 otherwise. False also when the model has no
// room for the screen positions (TerrainModel::allocateScreen).
bool transformTerrain(TerrainModel& model, const ViewCamera& camera, StageRun& run);

// The light of the lighting stage, made once from the settings.
struct LightSetup {
  Vec3 direction;
  double length;  // |direction|
  Vec3 factor;    // the light's colour, per channel
  double ambient;
  static LightSetup fromSettings(const RenderSettings& settings);
};

// The lit colour of a triangle of colour c and (not normalised) normal n.
Color litColor(Color c, double nx, double ny, double nz, const LightSetup& light);

// Lights the drawable head of the sorted model: the triangles before the first key that is
// not positive.
bool lightTerrain(TerrainModel& model, const LightSetup& light, StageRun& run);
// The same for the first count triangles, whatever their keys.
bool lightLeadingTriangles(TerrainModel& model, std::uint32_t count, const LightSetup& light,
                           StageRun& run);

// How many triangles lead with a positive key.
std::uint32_t drawableHead(const TerrainModel& model);

// One triangle as drawing paints it: filled with its colour and outlined (grey in
// wireframe), its corners at points (or at their grid positions when points is null).
void paintTriangle(DrawSurface& surface, const TerrainModel& grid, const ScreenPoint* points,
                   const TerrainTriangle& t, bool wireframe);
