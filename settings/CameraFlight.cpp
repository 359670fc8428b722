// CameraFlight: orbits, camera paths and frame names.

#include "settings/CameraFlight.h"

#include <cmath>

#include "settings/NumberText.h"
#include "settings/SettingsValidation.h"

std::vector<CameraFrame> orbitFrames(const RenderSettings& settings, std::size_t count,
                                     double degrees) {
  constexpr double kPi = 3.141592653589793;
  const Vec3 centre = settings.lookAt;
  const double dx = settings.viewpoint.x - centre.x;
  const double dy = settings.viewpoint.y - centre.y;
  std::vector<CameraFrame> frames;
  for (std::size_t k = 0; k < count; ++k) {
    CameraFrame frame{settings.viewpoint, centre, std::nullopt};
    if (k > 0) {  // frame 0 keeps the settings' doubles exactly
      const double angle =
          degrees / static_cast<double>(count) * static_cast<double>(k) * kPi / 180.0;
      const double c = std::cos(angle), s = std::sin(angle);
      frame.viewpoint.x = centre.x + (dx * c - dy * s);
      frame.viewpoint.y = centre.y + (dx * s + dy * c);
    }
    frames.push_back(frame);
  }
  return frames;
}

RenderSettings withCamera(RenderSettings settings, const CameraFrame& frame) {
  settings.viewpoint = frame.viewpoint;
  settings.lookAt = frame.lookAt;
  if (frame.distance) settings.distance = *frame.distance;
  return settings;
}

namespace {

// The numbers of one line, or nothing when a part is not a number.
std::optional<std::vector<double>> numbersOf(std::string_view line) {
  std::vector<double> numbers;
  std::size_t at = 0;
  auto separator = [](char c) { return c == ',' || c == ' ' || c == '\t' || c == '\r'; };
  while (at < line.size()) {
    while (at < line.size() && separator(line[at])) ++at;
    if (at == line.size()) break;
    std::size_t end = at;
    while (end < line.size() && !separator(line[end])) ++end;
    const std::optional<double> value = parseDouble(line.substr(at, end - at));
    if (!value) return std::nullopt;
    numbers.push_back(*value);
    at = end;
  }
  return numbers;
}

}  // namespace

CameraPath parseCameraPath(std::string_view text, const RenderSettings& settings) {
  CameraPath path;
  std::size_t lineNumber = 0;
  while (!text.empty()) {
    const std::size_t newline = text.find('\n');
    const std::string_view written = text.substr(0, newline);
    text = newline == std::string_view::npos ? std::string_view{} : text.substr(newline + 1);
    ++lineNumber;
    const std::string_view line = written.substr(0, written.find('#'));
    const std::optional<std::vector<double>> n = numbersOf(line);
    if (n && n->empty()) continue;  // blank or comment only
    std::optional<CameraFrame> frame;
    if (n && (n->size() == 6 || n->size() == 7)) {
      const std::vector<double>& v = *n;
      frame = CameraFrame{{v[0], v[1], v[2]}, {v[3], v[4], v[5]}, std::nullopt};
      if (v.size() == 7) frame->distance = v[6];
      if (validateSettings(withCamera(settings, *frame))) frame.reset();
    }
    if (!frame) {
      path.frames.clear();
      path.problem = CameraPathProblem{lineNumber, std::string(written)};
      return path;
    }
    path.frames.push_back(*frame);
  }
  return path;
}

bool isFrameNamePattern(std::string_view pattern) {
  int conversions = 0;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != '%') continue;
    if (i + 1 < pattern.size() && pattern[i + 1] == '%') {
      ++i;
      continue;
    }
    std::size_t j = i + 1;
    while (j < pattern.size() && pattern[j] >= '0' && pattern[j] <= '9' && j - i <= 3) ++j;
    if (j >= pattern.size() || pattern[j] != 'd') return false;
    ++conversions;
    i = j;
  }
  return conversions == 1;
}

std::string frameFileName(const std::string& pattern, int frame) {
  // Filled in here rather than by printf, so that no text from the user is ever a format.
  std::string name;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != '%') {
      name += pattern[i];
      continue;
    }
    if (i + 1 < pattern.size() && pattern[i + 1] == '%') {
      name += '%';
      ++i;
      continue;
    }
    std::size_t j = i + 1;
    const bool zeros = j < pattern.size() && pattern[j] == '0';
    std::size_t width = 0;
    for (; j < pattern.size() && pattern[j] >= '0' && pattern[j] <= '9'; ++j)
      width = width * 10 + static_cast<std::size_t>(pattern[j] - '0');
    std::string number = std::to_string(frame < 0 ? -static_cast<long long>(frame) : frame);
    const std::string sign = frame < 0 ? "-" : "";
    const std::size_t used = number.size() + sign.size();
    const std::string pad = used < width ? std::string(width - used, zeros ? '0' : ' ') : "";
    name += zeros ? sign + pad + number : pad + sign + number;
    i = j;  // the 'd'
  }
  return name;
}
