#pragma once
// Dropping a file onto a window in the window tests, as a drag and drop of the file manager
// would: the drag enters at the point, then drops there. Header-only, GUI test code only.

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

// True when the drop was taken.
inline bool dropFile(QWidget* target, QPoint at, const QString& path) {
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(path)});
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  return enter.isAccepted() && (QApplication::sendEvent(target, &drop), drop.isAccepted());
}
