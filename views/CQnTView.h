#pragma once
// CQnTView: the left-hand pane. Shows the document's two textures one above the other,
// each under its caption, reduced to at most 128 pixels high, with its size below it,
// or a grey prompt when the texture is missing. Holds no state: reads the document at
// every paint. Its context menu runs the document's texture commands.

#include <QColor>
#include <QRect>
#include <QString>
#include <QWidget>
#include <memory>
#include <vector>

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

  // The face of the captions, size lines and prompts.
  static QFont textFont(int pixelHeight, bool bold);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  CQnDoc& doc_;
};
