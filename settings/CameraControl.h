#pragma once
// CameraControl: the camera as the camera window moves it, apart from any window: the
// viewpoint held as turn, elevation and range about the look-at point, and the focal
// distance. Its values are those the renderer settings dialog would accept (a positive
// distance, finite coordinates), rounded to hundredths once the user has moved them, so
// that what is shown is exactly what is written. It renders nothing and shows nothing.

#include "settings/RenderSettings.h"

class CameraControl {
 public:
  // Elevation stays within this many degrees of the horizontal either way: the camera
  // never passes through the zenith (or the nadir), where its turn would flip.
  static constexpr double kMaxElevationDegrees = 89.5;
  // Range and focal distance stay within these bounds.
  static constexpr double kMinRange = 1.0;
  static constexpr double kMaxRange = 1e6;
  static constexpr double kMinDistance = 1.0;
  static constexpr double kMaxDistance = 1e5;

  // Starts at the camera of settings; values the dialog would refuse (a distance not above
  // 0, a coordinate that is not finite) start at their defaults instead.
  explicit CameraControl(const RenderSettings& settings);

  // Turns the viewpoint about the vertical line through the look-at point (positive turns
  // from x towards y seen from above, as an orbit does) and raises it by elevation
  // degrees, keeping its range.
  void turn(double degrees, double elevationDegrees);
  // Moves the look-at point and the viewpoint together over the terrain: right along the
  // picture's columns (seen on the screen), ahead away from the viewer.
  void move(double right, double ahead);
  // Multiplies the range (viewpoint to look-at point) by factor.
  void scaleRange(double factor);
  // Multiplies the focal distance by factor.
  void scaleDistance(double factor);
  // The default camera of the settings.
  void reset();

  const Vec3& viewpoint() const { return viewpoint_; }
  const Vec3& lookAt() const { return lookAt_; }
  double distance() const { return distance_; }
  double range() const { return range_; }
  double turnDegrees() const { return turn_; }
  double elevationDegrees() const { return elevation_; }
  // settings with this camera.
  RenderSettings applyTo(RenderSettings settings) const;

 private:
  // Turn, elevation and range from the viewpoint and the look-at point.
  void takeAngles();
  // The viewpoint from turn, elevation, range and the look-at point, rounded.
  void placeViewpoint();

  Vec3 viewpoint_;
  Vec3 lookAt_;
  double distance_ = 0.0;
  double turn_ = 0.0;  // degrees; the direction from the look-at point to the viewpoint
  double elevation_ = 0.0;
  double range_ = 0.0;
};
