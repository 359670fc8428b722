#pragma once
// CQnTView: the left-hand pane. Shows the document's two textures one above the other,
// each under its caption, reduced to at most 128 pixels high, with its size below it,
// or a grey prompt when the texture is missing. Holds no state: reads the document at
// every paint. Its context menu runs the document's texture commands; an image dropped on
// a texture's block opens it as that texture, a dropped ".qnf" file as the document.

#include <QColor>
#include <QRect>
#include <QString>
#include <QWidget>
#include <memory>
#include <vector>

#include "document/DocumentModel.h"

class CQnDoc;
class DibImage;
class QMenu;

// One thing the texture view paints: a text line or a reduced texture.
struct TextureViewItem {
  enum class Kind { Text, Image };
  Kind kind = Kind::Text;
  QString text;                     // Text: the line
  QPoint position;                  // top-left corner in the pane
  QSize size;                       // Image: the drawn size
  int pixelHeight = 0;              // Text: character cell height in pixels
  bool bold = false;                // Text
  QColor color;                     // Text
  const DibImage* image = nullptr;  // Image
};

class CQnTView : public QWidget {
  Q_OBJECT

 public:
  explicit CQnTView(CQnDoc& doc, QWidget* parent = nullptr);

  // What a paint draws, in painting order.
  std::vector<TextureViewItem> layoutItems() const;
  // The context menu: open surface, open bump, reload (grayed when no path is set).
  std::unique_ptr<QMenu> makeContextMenu();

  // The texture whose block lies under a point of the pane: the surface's above the bump
  // texture's caption, the bump's from there down.
  static TextureKind textureAt(QPoint position);

  // The face of the captions, size lines and prompts.
  static QFont textFont(int pixelHeight, bool bold);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  CQnDoc& doc_;
};
