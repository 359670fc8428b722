#pragma once
// ViewCamera: the perspective camera of the vertex transform, made once per rendering from
// the render settings: azimuth and elevation of the line of sight, the screen centre, and
// the test that keeps a corner (depth at least nearLimit, inside the screen widened by a
// 64-pixel margin). It owns no model and never touches the triangles itself.

#include <cmath>

#include "settings/RenderSettings.h"

struct ViewCamera {
  static constexpr double kPi = 3.141592653589793;
  static constexpr double kHalfPi = 1.5707963267948966;
  // Corners up to this many pixels off the screen are still kept; drawing clips them.
  static constexpr double kMargin = 64.0;
  // Screen coordinates must survive truncation to int when the triangle is drawn.
  static constexpr double kIntLimit = 2147483648.0;
  // The largest finite double: a depth beyond it is not a place on the screen.
  static constexpr double kMaxFinite = 1.7976931348623157e308;

  double azimuth = 0.0;    // a: angle of the line of sight in the ground plane
  double elevation = 0.0;  // e: angle of the line of sight below the horizon
  double sa = 0.0, ca = 0.0, se = 0.0, ce = 0.0;
  double hw = 0.0, hh = 0.0;  // screen centre
  double vx = 0.0, vy = 0.0, vz = 0.0;
  double focal = 0.0;                // distance f
  double nearLimit = 0.0;            // n
  double right = 0.0, bottom = 0.0;  // Ws + 64, Hs + 64

  static ViewCamera fromSettings(const RenderSettings& s) {
    ViewCamera c;
    const double dx = s.lookAt.x - s.viewpoint.x;
    const double dy = s.lookAt.y - s.viewpoint.y;
    const double dz = s.viewpoint.z - s.lookAt.z;  // positive when the eye is above
    if (dy > 0) {
      c.azimuth = std::atan(dx / dy);
    } else if (dy < 0) {
      c.azimuth = std::atan(dx / dy) + kPi;
    } else if (dx > 0) {
      c.azimuth = kHalfPi;
    } else if (dx == 0) {
      c.azimuth = kPi;
    } else {
      c.azimuth = -kHalfPi;
    }
    if (dx != 0 || dy != 0) {
      c.elevation = std::atan(dz / std::sqrt(dy * dy + dx * dx));
    } else if (dz > 0) {
      c.elevation = kHalfPi;
    } else if (dz == 0) {
      c.elevation = 0.0;
    } else {
      c.elevation = -kHalfPi;
    }
    c.sa = std::sin(c.azimuth);
    c.ca = std::cos(c.azimuth);
    c.se = std::sin(c.elevation);
    c.ce = std::cos(c.elevation);
    c.hw = s.screenWidth * 0.5;
    c.hh = s.screenHeight * 0.5;
    c.vx = s.viewpoint.x;
    c.vy = s.viewpoint.y;
    c.vz = s.viewpoint.z;
    c.focal = s.distance;
    c.nearLimit = s.nearLimit;
    // In double arithmetic: a 32-bit width near its maximum must not wrap around.
    c.right = static_cast<double>(s.screenWidth) + kMargin;
    c.bottom = static_cast<double>(s.screenHeight) + kMargin;
    return c;
  }

  // Projects terrain point (x, y, z) to screen (sx, sy) at depth; true when the corner is
  // kept. Every kept corner has finite coordinates that fit an int, so NaN and infinite
  // inputs (a zero distance, a zero nearLimit, a document's odd doubles) are never kept.
  bool project(double x, double y, double z, double& sx, double& sy, double& depth) const {
    const double px = x - vx, py = y - vy, pz = z - vz;
    const double w = sa * px + ca * py;  // ahead, measured horizontally
    const double u = ca * px - sa * py;  // across the view
    depth = ce * w - se * pz;
    sx = hw - u * focal / depth;
    sy = hh - (se * w + ce * pz) * focal / depth;
    return depth >= nearLimit && depth <= kMaxFinite && sx >= -kMargin && sx <= right &&
           sy >= -kMargin && sy <= bottom && sx < kIntLimit && sy < kIntLimit;
  }
};
