#pragma once
// Render settings with every one of the fifteen fields away from its default, for round
// trips and "did anything change" checks. The values pass every OK rule of the settings.

#include "settings/RenderSettings.h"

inline RenderSettings everyFieldChanged() {
  return {.screenWidth = 640,
          .screenHeight = 480,
          .distance = 500.5,
          .nearLimit = 0.125,
          .viewpoint = {100.0, 300.0, 200.0},
          .lookAt = {-1.5, 2.25, 1e10},
          .lightDirection = {0.0, -1.0, 0.5},
          .lightColor = {0.25, 0.5, 0.75},
          .ambient = 0.3,
          .sliceEnabled = 1,
          .sliceMin = 10,
          .sliceMax = 200,
          .subdivisionMode = 2,
          .emphasisRate = -0.75,
          .wireframe = 1};
}
