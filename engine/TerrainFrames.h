#pragma once
// FrameToPaint: one frame of a camera flight after its stages, owning what painting it needs
// — the drawable triangles in painting order with their lit colours, the screen positions of
// the grid points and the screen — so that it is painted while the renderer prepares the
// next frame. Painting reads the model's grid (heights and split rule), which frames never
// change; it writes only the frame's own screen.

#include <cstdint>
#include <functional>
#include <vector>

#include "engine/TerrainModel.h"
#include "raster/DibImage.h"

struct FrameToPaint {
  std::vector<TerrainTriangle> triangles;  // the drawable ones (positive keys), far to near
  std::vector<ScreenPoint> points;         // per grid point, as the transform left them
  bool wireframe = false;
  DibImage screen;  // as createScreen made it
};

// Paints the frame's triangles into its screen exactly as the renderer's drawing does.
// grid must be the model the frame was prepared from, unchanged since. False (the picture
// then partly painted) when stopAsked, asked every 65,536 triangles, said yes.
bool paintFrame(const TerrainModel& grid, FrameToPaint& frame,
                const std::function<bool()>& stopAsked = {});
