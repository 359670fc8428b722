#pragma once
// CameraPreview: quick pictures of the terrain from cameras the user is trying out. Owns its
// own renderer and a model built once from the textures, lit once, on a coarser grid for
// large terrains (every step-th grid point, so that no side exceeds kPreviewSide points);
// each picture then runs only the camera's stages. It never touches a document's renderer,
// model or screen, and shows nothing: failures are returned.
//
// A coarse model stands for the full terrain scaled down by the step: its point (i, j) is
// the terrain point (i x step, j x step). Scaling the camera and the heights down alike
// leaves the perspective picture unchanged, so the preview's cameras are the document's.

#include "engine/TerrainRenderer.h"
#include "raster/DibImage.h"
#include "settings/RenderSettings.h"

class CameraPreview {
 public:
  // Grid points on the longer side of the preview's model, at most.
  static constexpr int kPreviewSide = 257;
  // The step for a terrain of width x height grid points: 1 up to kPreviewSide a side.
  static int coarseStep(int width, int height);

  // Builds the model from the common width x height area of the textures with settings
  // (lighting, emphasis, slice, subdivision and wireframe as given; the camera comes with
  // each picture). False when a texture is missing or too small, or memory ran out.
  bool prepare(const DibImage& surface, const DibImage& bump, int width, int height,
               const RenderSettings& settings);
  bool isPrepared() const { return prepared_; }
  int step() const { return step_; }

  // The picture of camera's viewpoint, look-at point and distance, fitted into a box of
  // boxWidth x boxHeight with the shape of the settings' screen: the rendering's screen
  // scaled, with the focal distance scaled alike. At the screen's own size (scale 1) and
  // step 1 it is the rendering's picture. Null when not prepared or the picture failed.
  const DibImage* render(const RenderSettings& camera, int boxWidth, int boxHeight);
  // The scale render gives the screen of settings (0 x 0 counts as the default screen) in
  // such a box.
  static double fitScale(const RenderSettings& settings, int boxWidth, int boxHeight);

 private:
  TerrainRenderer renderer_;
  RenderSettings settings_;
  int step_ = 1;
  bool prepared_ = false;
};
