#pragma once
// CCameraDlg: the modal camera window "カメラ設定". Shows a live picture of the terrain from
// the camera being set (CameraPreview: the document's textures and settings, a coarser grid
// for large terrains) and lets the mouse and the keys move the camera (CameraControl). It
// hands back the settings with the chosen viewpoint, look-at point and distance; it never
// touches the document, its model or its screen.

#include <QDialog>

#include "engine/CameraPreview.h"
#include "settings/CameraControl.h"
#include "settings/RenderSettings.h"

class CameraPreviewView;
class DibImage;
class QLabel;
class QPushButton;

class CCameraDlg : public QDialog {
  Q_OBJECT

 public:
  // A left drag turns by this many degrees per pixel, across and up or down.
  static constexpr double kDegreesPerPixel = 0.5;
  // A wheel notch towards the terrain multiplies the range by this; with Ctrl a notch away
  // multiplies the focal distance by kDistancePerNotch.
  static constexpr double kRangePerNotch = 0.9;
  static constexpr double kDistancePerNotch = 1.1;

  // The preview is built from the common width x height area of the textures; missing
  // textures (width or height below 2) show no picture and say so.
  CCameraDlg(const RenderSettings& settings, const DibImage& surface, const DibImage& bump,
             int width, int height, QWidget* parent = nullptr);

  // The settings given, with the camera as the window shows it.
  RenderSettings settings() const { return camera_.applyTo(settings_); }
  const CameraControl& camera() const { return camera_; }

  CameraPreviewView* previewView() const { return preview_; }
  QLabel* noteLabel() const { return note_; }
  // The shown values: "x, y, z" of the viewpoint and the look-at point, and the distance.
  QLabel* viewpointLabel() const { return viewpoint_; }
  QLabel* lookAtLabel() const { return lookAt_; }
  QLabel* distanceLabel() const { return distance_; }
  QPushButton* defaultsButton() const { return defaults_; }

 private:
  void turnBy(QPoint delta);
  void moveBy(QPoint delta);
  void changed();

  RenderSettings settings_;
  CameraControl camera_;
  CameraPreview engine_;
  CameraPreviewView* preview_;
  QLabel* note_;
  QLabel* viewpoint_;
  QLabel* lookAt_;
  QLabel* distance_;
  QPushButton* defaults_;
};
