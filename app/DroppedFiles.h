#pragma once
// DroppedFiles: what a drop onto the main window carries, as the window's commands take
// it: the first local file of a drag, and whether it is a QN document (by its ".qnf"
// extension) rather than a texture. It opens nothing; the window and the texture pane do.

#include <QString>
#include <optional>

class QMimeData;

// The first local file the drag carries; nothing for text, remote addresses or folders.
std::optional<QString> droppedLocalFile(const QMimeData* data);
// True for a name ending in ".qnf" (any case).
bool isDocumentFileName(const QString& path);
