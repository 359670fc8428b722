#pragma once
// CameraPreviewView: the camera window's picture pane. Paints the picture its source makes
// for the pane's size, centred, on the next paint after invalidate(), and turns the mouse
// and the keys into camera gestures (signals in pixels and wheel notches). It knows nothing
// of cameras or of the engine.

#include <QImage>
#include <QPoint>
#include <QWidget>
#include <functional>

class DibImage;

class CameraPreviewView : public QWidget {
  Q_OBJECT

 public:
  // A key step is this many pixels of dragging.
  static constexpr int kKeyStepPixels = 10;

  explicit CameraPreviewView(QWidget* parent = nullptr);

  // Makes the picture for a pane size (null: nothing to show). Called only while painting.
  using PictureSource = std::function<const DibImage*(QSize)>;
  void setPictureSource(PictureSource source) { source_ = std::move(source); }
  // The picture must be made again: the pane repaints soon, once for any number of calls.
  void invalidate();
  QSize sizeHint() const override { return {640, 480}; }

 signals:
  // Left button dragged (turn), right button or Shift and left dragged (move), by delta.
  void turnDragged(QPoint delta);
  void moveDragged(QPoint delta);
  // Wheel turned by notches (positive away from the user); with Ctrl the focal distance.
  void rangeWheeled(double notches);
  void distanceWheeled(double notches);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  enum class Drag { None, Turn, Move };

  PictureSource source_;
  QImage picture_;
  bool stale_ = true;
  Drag drag_ = Drag::None;
  QPoint lastPosition_;
};
