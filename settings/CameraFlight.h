#pragma once
// CameraFlight: the cameras of a series of frames, as plain values: an orbit about the
// look-at point, or a path read from text (one camera per line). It renders nothing and
// shows nothing; what a refused line means in words is the caller's business.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/RenderSettings.h"

struct CameraFrame {
  Vec3 viewpoint;
  Vec3 lookAt;
  std::optional<double> distance;  // the focal distance, when the frame gives one
};

// count frames whose viewpoint turns about the vertical line through the look-at point
// by degrees / count per frame, keeping its height and horizontal distance; frame 0 is
// the settings' own camera. Seen from above (x to the right, y downwards), positive
// degrees turn from x towards y.
std::vector<CameraFrame> orbitFrames(const RenderSettings& settings, std::size_t count,
                                     double degrees = 360.0);

// A camera path: per line "vx vy vz lx ly lz [distance]", the numbers separated by commas
// and/or blanks as the settings dialog reads numbers; '#' starts a comment; blank lines are
// skipped. Each frame's camera, put into settings, must pass the settings dialog's checks.
struct CameraPathProblem {
  std::size_t line;  // 1-based
  std::string text;  // the line as written
};
struct CameraPath {
  std::vector<CameraFrame> frames;
  std::optional<CameraPathProblem> problem;  // the first refused line; frames then empty
};
CameraPath parseCameraPath(std::string_view text, const RenderSettings& settings);

// settings with the frame's camera.
RenderSettings withCamera(RenderSettings settings, const CameraFrame& frame);

// A frame file name pattern holds exactly one printf conversion of an int ("%d", "%04d",
// "%5d", a width of at most three digits) and otherwise only "%%"; frameFileName fills it
// in as printf would (the pattern must be valid).
bool isFrameNamePattern(std::string_view pattern);
std::string frameFileName(const std::string& pattern, int frame);
