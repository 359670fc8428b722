#include "views/CameraPreviewView.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include "raster/DibImage.h"
#include "views/ScreenImage.h"

CameraPreviewView::CameraPreviewView(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::StrongFocus);
  setMinimumSize(160, 120);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  setCursor(Qt::OpenHandCursor);
}

void CameraPreviewView::invalidate() {
  stale_ = true;
  update();
}

void CameraPreviewView::resizeEvent(QResizeEvent*) { invalidate(); }

void CameraPreviewView::paintEvent(QPaintEvent*) {
  if (stale_) {
    stale_ = false;
    const DibImage* picture = source_ ? source_(size()) : nullptr;
    if (picture != nullptr)
      copyToQImage(*picture, picture_);
    else
      picture_ = QImage();
  }
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::Dark));
  if (!picture_.isNull())
    painter.drawImage((width() - picture_.width()) / 2, (height() - picture_.height()) / 2,
                      picture_);
}

void CameraPreviewView::mousePressEvent(QMouseEvent* event) {
  const bool shifted = event->modifiers().testFlag(Qt::ShiftModifier);
  if (event->button() == Qt::LeftButton)
    drag_ = shifted ? Drag::Move : Drag::Turn;
  else if (event->button() == Qt::RightButton)
    drag_ = Drag::Move;
  else
    return QWidget::mousePressEvent(event);
  lastPosition_ = event->position().toPoint();
  setCursor(Qt::ClosedHandCursor);
}

void CameraPreviewView::mouseMoveEvent(QMouseEvent* event) {
  if (drag_ == Drag::None) return QWidget::mouseMoveEvent(event);
  const QPoint position = event->position().toPoint();
  const QPoint delta = position - lastPosition_;
  lastPosition_ = position;
  if (delta.isNull()) return;
  if (drag_ == Drag::Turn)
    emit turnDragged(delta);
  else
    emit moveDragged(delta);
}

void CameraPreviewView::mouseReleaseEvent(QMouseEvent* event) {
  if (drag_ == Drag::None) return QWidget::mouseReleaseEvent(event);
  mouseMoveEvent(event);
  drag_ = Drag::None;
  setCursor(Qt::OpenHandCursor);
}

void CameraPreviewView::wheelEvent(QWheelEvent* event) {
  const double notches = event->angleDelta().y() / 120.0;  // one notch is 120 units
  if (notches == 0.0) return event->ignore();
  if (event->modifiers().testFlag(Qt::ControlModifier))
    emit distanceWheeled(notches);
  else
    emit rangeWheeled(notches);
  event->accept();
}

void CameraPreviewView::keyPressEvent(QKeyEvent* event) {
  const bool moving = event->modifiers().testFlag(Qt::ShiftModifier);
  const int step = kKeyStepPixels;
  QPoint delta;
  switch (event->key()) {
    case Qt::Key_Left:
      delta = {-step, 0};
      break;
    case Qt::Key_Right:
      delta = {step, 0};
      break;
    case Qt::Key_Up:
      delta = {0, -step};
      break;
    case Qt::Key_Down:
      delta = {0, step};
      break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
      emit rangeWheeled(1.0);
      return;
    case Qt::Key_Minus:
      emit rangeWheeled(-1.0);
      return;
    default:
      return QWidget::keyPressEvent(event);
  }
  if (moving)
    emit moveDragged(delta);
  else
    emit turnDragged(delta);
}
