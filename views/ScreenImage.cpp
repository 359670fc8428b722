#include "views/ScreenImage.h"

#include "raster/Color.h"
#include "raster/DibImage.h"

void copyToQImage(const DibImage& image, QImage& target) {
  if (!image.isValid()) {
    target = QImage();
    return;
  }
  const int width = image.width();
  const int height = image.height();
  if (target.width() != width || target.height() != height ||
      target.format() != QImage::Format_RGB32)
    target = QImage(width, height, QImage::Format_RGB32);
  const Color* source = image.pixels();
  for (int y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<QRgb*>(target.scanLine(y));
    for (int x = 0; x < width; ++x, ++source)
      row[x] = qRgb(static_cast<int>(redOf(*source)), static_cast<int>(greenOf(*source)),
                    static_cast<int>(blueOf(*source)));
  }
}
