#pragma once
// Render settings with every one of the fifteen fields away from its default, for round
// trips and "did anything change" checks. The values pass every OK rule of the settings.

#include "settings/RenderSettings.h"

inline RenderSettings everyFieldChanged() {
  RenderSettings s;
  s.screenWidth = 640;
  s.screenHeight = 480;
  s.distance = 500.5;
  s.nearLimit = 0.125;
  s.viewpoint = {100.0, 300.0, 200.0};
  s.lookAt = {-1.5, 2.25, 1e10};
  s.lightDirection = {0.0, -1.0, 0.5};
  s.lightColor = {0.25, 0.5, 0.75};
  s.ambient = 0.3;
  s.sliceEnabled = 1;
  s.sliceMin = 10;
  s.sliceMax = 200;
  s.subdivisionMode = 2;
  s.emphasisRate = -0.75;
  s.wireframe = 1;
  return s;
}
