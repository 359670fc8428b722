#pragma once
// RenderSettings: the fifteen parameters under which a terrain image is rendered, with
// their defaults. Plain data: values read from a document file are held as they are;
// the dialog's rules live in SettingsValidation.h, the field names in SettingsFields.h.

#include <cstdint>

struct Vec3 {
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;
  friend bool operator==(const Vec3&, const Vec3&) = default;
};

struct RenderSettings {
  std::uint32_t screenWidth = 320;     // pixels
  std::uint32_t screenHeight = 240;    // pixels
  double distance = 240.0;             // projection distance
  double nearLimit = 2.0;              // smallest depth still drawn
  Vec3 viewpoint{0.0, 0.0, 256.0};     // camera position, terrain coordinates
  Vec3 lookAt{0.0, 0.0, 0.0};          // point the camera looks at
  Vec3 lightDirection{1.0, 1.0, 1.0};  // towards the light, any length
  Vec3 lightColor{1.0, 1.0, 1.0};      // red, green, blue factors
  double ambient = 0.5;                // share of ambient light
  std::int32_t sliceEnabled = 0;       // 0 or 1
  std::uint32_t sliceMin = 0;          // lowest bump value kept
  std::uint32_t sliceMax = 255;        // highest bump value kept
  std::int32_t subdivisionMode = 0;    // 0 automatic, 1 split A, 2 (or other) split B
  double emphasisRate = 0.25;          // z = bump value x emphasisRate
  std::int32_t wireframe = 0;          // 0 or 1

  friend bool operator==(const RenderSettings&, const RenderSettings&) = default;
};
