#pragma once
// DrawSurface: a non-owning handle on a DibImage with the few drawing operations the
// renderer needs: pixel read and write, filled rectangles and filled triangles with a
// one-pixel outline, all clipped to the image. With no image attached every operation
// draws nothing and returns false (getPixel returns 0). Text is not drawn here: the
// windows draw their text themselves.

#include "raster/Color.h"

class DibImage;

class DrawSurface {
 public:
  DrawSurface() = default;
  // Points the surface at image (null detaches). Always true.
  bool attach(DibImage* image);
  bool isAttached() const { return image_ != nullptr; }
  // The attached image (null when none).
  DibImage* image() const { return image_; }

  // The pixel's colour value; kInvalidColor outside the image; 0 with nothing attached.
  Color getPixel(int x, int y) const;
  // Sets one pixel; a pixel outside the image is clipped away (still true).
  bool setPixel(int x, int y, Color color);
  // Outline in penColor, interior in brushColor. The pixels of columns left .. right-1 and
  // rows top .. bottom-1 (corners swapped when given in reverse); the outer ring of
  // max(1, penWidth) pixels is the outline.
  bool drawRectangle(int left, int top, int right, int bottom, int penWidth, Color penColor,
                     Color brushColor);
  // Filled triangle with its three edges drawn over the fill in penColor (corners
  // included). Coverage: a pixel is filled when its centre lies inside the triangle, a
  // centre on an edge only on a top or left edge (top-left rule); each edge is the
  // one-pixel line of n + 1 pixels (n = max(|dx|, |dy|)) walked from the corner with the
  // smaller y (then x), the minor coordinate at step i being start + floor(i*d/n + 1/2).
  // Three equal corners set that one pixel to penColor. Wider pens paint a penWidth square
  // on each outline pixel (at most 64). Details in DrawSurface.cpp. No allocation; corners
  // may be any int and are clipped exactly.
  bool drawTriangle(int x0, int y0, int x1, int y1, int x2, int y2, int penWidth, Color penColor,
                    Color brushColor);

 private:
  DibImage* image_ = nullptr;
};
