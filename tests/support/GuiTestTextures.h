#pragma once
// Texture files for the window tests: small BMP files with smooth, deterministic content
// written through DibImage, a settings store in a temporary folder, and the recorded
// messages as Qt strings. Header-only.

#include <QSettings>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <cmath>

#include "raster/Color.h"
#include "raster/DibImage.h"
#include "support/RecordingFeedback.h"

// A width x height BMP at path: hills in the red channel for bumps, a colour field for
// surfaces. False when it could not be written.
inline bool writeTestTexture(const QString& path, int width, int height, bool bump) {
  DibImage image;
  if (!image.create(width, height)) return false;
  Color* pixel = image.pixels();
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x, ++pixel) {
      if (bump) {
        const double h = 128.0 + 90.0 * std::sin(x * 0.21) * std::cos(y * 0.17);
        const auto v = static_cast<std::uint32_t>(h);
        *pixel = makeColor(v, v, v);
      } else {
        *pixel = makeColor(static_cast<std::uint32_t>(40 + (x * 7) % 200),
                           static_cast<std::uint32_t>(80 + (y * 5) % 170),
                           static_cast<std::uint32_t>(60 + ((x + y) * 3) % 190));
      }
    }
  }
  return image.writeFile(path.toStdString());
}

// Points the per-user INI settings at folder (call before any window is made).
inline void useSettingsFolder(const QString& folder) {
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
}

// The texts of the messages recorded so far, in order.
inline QStringList messageList(const RecordingFeedback& feedback) {
  QStringList list;
  for (const auto& m : feedback.messages) list << QString::fromStdString(m.text);
  return list;
}
