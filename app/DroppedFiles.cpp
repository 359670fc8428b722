#include "app/DroppedFiles.h"

#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

std::optional<QString> droppedLocalFile(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls()) return std::nullopt;
  for (const QUrl& url : data->urls()) {
    if (!url.isLocalFile()) continue;
    const QString path = url.toLocalFile();
    if (QFileInfo(path).isDir()) continue;
    return path;
  }
  return std::nullopt;
}

bool isDocumentFileName(const QString& path) {
  return path.endsWith(QStringLiteral(".qnf"), Qt::CaseInsensitive);
}
