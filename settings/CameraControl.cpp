// CameraControl: the camera window's camera on a sphere about the look-at point.

#include "settings/CameraControl.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kRadiansPerDegree = kPi / 180.0;

// Hundredths: the text shown ("%.15g") reads back as this very double.
double rounded(double value) { return std::round(value * 100.0) / 100.0; }

bool finite(const Vec3& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

}  // namespace

CameraControl::CameraControl(const RenderSettings& settings) {
  const RenderSettings defaults;
  viewpoint_ = finite(settings.viewpoint) ? settings.viewpoint : defaults.viewpoint;
  lookAt_ = finite(settings.lookAt) ? settings.lookAt : defaults.lookAt;
  distance_ = std::isfinite(settings.distance) && settings.distance > 0.0 ? settings.distance
                                                                          : defaults.distance;
  takeAngles();
}

void CameraControl::takeAngles() {
  const double dx = viewpoint_.x - lookAt_.x;
  const double dy = viewpoint_.y - lookAt_.y;
  const double dz = viewpoint_.z - lookAt_.z;
  const double across = std::hypot(dx, dy);
  range_ = std::clamp(std::hypot(across, dz), kMinRange, kMaxRange);
  // Straight above (or below) the look-at point the renderer looks along -y, as from a
  // viewpoint on the +y side: turning starts from there.
  turn_ = across > 0.0 ? std::atan2(dy, dx) / kRadiansPerDegree : 90.0;
  elevation_ = std::atan2(dz, across) / kRadiansPerDegree;
}

void CameraControl::placeViewpoint() {
  const double t = turn_ * kRadiansPerDegree, e = elevation_ * kRadiansPerDegree;
  const double across = range_ * std::cos(e);
  viewpoint_ = {rounded(lookAt_.x + across * std::cos(t)),
                rounded(lookAt_.y + across * std::sin(t)),
                rounded(lookAt_.z + range_ * std::sin(e))};
}

void CameraControl::turn(double degrees, double elevationDegrees) {
  turn_ = std::remainder(turn_ + degrees, 360.0);
  elevation_ =
      std::clamp(elevation_ + elevationDegrees, -kMaxElevationDegrees, kMaxElevationDegrees);
  placeViewpoint();
}

void CameraControl::move(double right, double ahead) {
  // Ahead is from the viewpoint towards the look-at point over the ground. The renderer
  // puts a larger u = ca*px - sa*py further left, (sa, ca) being ahead, so the screen's
  // right is (-ca, sa).
  const double t = turn_ * kRadiansPerDegree;
  const double aheadX = -std::cos(t), aheadY = -std::sin(t);
  const double rightX = -aheadY, rightY = aheadX;
  lookAt_.x = rounded(lookAt_.x + right * rightX + ahead * aheadX);
  lookAt_.y = rounded(lookAt_.y + right * rightY + ahead * aheadY);
  lookAt_.z = rounded(lookAt_.z);
  placeViewpoint();
}

void CameraControl::scaleRange(double factor) {
  range_ = std::clamp(range_ * factor, kMinRange, kMaxRange);
  placeViewpoint();
}

void CameraControl::scaleDistance(double factor) {
  distance_ = rounded(std::clamp(distance_ * factor, kMinDistance, kMaxDistance));
}

void CameraControl::reset() {
  const RenderSettings defaults;
  viewpoint_ = defaults.viewpoint;
  lookAt_ = defaults.lookAt;
  distance_ = defaults.distance;
  takeAngles();
}

RenderSettings CameraControl::applyTo(RenderSettings settings) const {
  settings.viewpoint = viewpoint_;
  settings.lookAt = lookAt_;
  settings.distance = distance_;
  return settings;
}
