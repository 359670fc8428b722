#include "views/CQnTView.h"

#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenu>
#include <QPainter>

#include "app/CQnDoc.h"
#include "app/DroppedFiles.h"
#include "raster/DibImage.h"
#include "views/ScreenImage.h"

namespace {

constexpr int kLeft = 4;
constexpr int kBoxHeight = 128;  // textures taller than this are reduced to it
constexpr int kSurfaceTop = 4;   // the surface texture's block
constexpr int kBumpTop = 168;    // the bump texture's block, below it
const QColor kBlack(0, 0, 0);
const QColor kPromptGrey(180, 180, 180);

// One texture's block: caption at top, picture 18 below, size line 148 below.
void addTextureBlock(std::vector<TextureViewItem>& items, int top, const QString& caption,
                     const DibImage& image) {
  items.push_back(
      {TextureViewItem::Kind::Text, caption, {kLeft, top}, {}, 16, true, kBlack, nullptr});
  const int pictureTop = top + 18;
  if (!image.isValid()) {
    items.push_back({TextureViewItem::Kind::Text,
                     QStringLiteral("ファイルを開いてください"),
                     {kLeft, pictureTop},
                     {},
                     12,
                     false,
                     kPromptGrey,
                     nullptr});
    return;
  }
  const BoxSize drawn = stretchBoxSize(image.width(), image.height(), 0, kBoxHeight);
  items.push_back({TextureViewItem::Kind::Image,
                   {},
                   {kLeft, pictureTop},
                   {drawn.width, drawn.height},
                   0,
                   false,
                   {},
                   &image});
  // The size of the loaded image, not of the reduced picture.
  items.push_back({TextureViewItem::Kind::Text,
                   QStringLiteral("サイズ %1×%2").arg(image.width()).arg(image.height()),
                   {kLeft, top + 148},
                   {},
                   12,
                   false,
                   kBlack,
                   nullptr});
}

}  // namespace

CQnTView::CQnTView(CQnDoc& doc, QWidget* parent) : QWidget(parent), doc_(doc) {
  setAcceptDrops(true);
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Base);
  setFocusPolicy(Qt::NoFocus);
}

QFont CQnTView::textFont(int pixelHeight, bool bold) {
  QFont font(QStringLiteral("IPAGothic"));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(pixelHeight);
  font.setBold(bold);
  return font;
}

std::vector<TextureViewItem> CQnTView::layoutItems() const {
  std::vector<TextureViewItem> items;
  addTextureBlock(items, kSurfaceTop, QStringLiteral("表面テクスチャ"), doc_.model().surfaceImage);
  addTextureBlock(items, kBumpTop, QStringLiteral("バンプテクスチャ"), doc_.model().bumpImage);
  return items;
}

void CQnTView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QImage picture;
  for (const TextureViewItem& item : layoutItems()) {
    if (item.kind == TextureViewItem::Kind::Image) {
      copyToQImage(*item.image, picture);
      // One plain stretched copy, nearest pixel.
      painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
      painter.drawImage(QRect(item.position, item.size), picture);
      continue;
    }
    painter.setFont(textFont(item.pixelHeight, item.bold));
    painter.setPen(item.color);
    painter.drawText(QRect(item.position, QSize(4096, item.pixelHeight * 2)),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, item.text);
  }
}

std::unique_ptr<QMenu> CQnTView::makeContextMenu() {
  auto menu = std::make_unique<QMenu>(this);
  QAction* surface = menu->addAction(QStringLiteral("表面テクスチャを開く(&T)"));
  QAction* bump = menu->addAction(QStringLiteral("バンプテクスチャを開く(&B)"));
  QAction* reload = menu->addAction(QStringLiteral("テクスチャを再読み込み(&Q)"));
  reload->setEnabled(doc_.canReloadTextures());
  connect(surface, &QAction::triggered, &doc_, &CQnDoc::OnOpenSurfaceTexture);
  connect(bump, &QAction::triggered, &doc_, &CQnDoc::OnOpenBumpTexture);
  connect(reload, &QAction::triggered, &doc_, &CQnDoc::OnReloadTextures);
  return menu;
}

void CQnTView::contextMenuEvent(QContextMenuEvent* event) {
  const auto menu = makeContextMenu();
  menu->exec(event->globalPos());
}

TextureKind CQnTView::textureAt(QPoint position) {
  // The block the user sees under the pointer: the bump texture's from its caption down.
  return position.y() < kBumpTop ? TextureKind::Surface : TextureKind::Bump;
}

void CQnTView::dragEnterEvent(QDragEnterEvent* event) {
  if (droppedLocalFile(event->mimeData())) event->acceptProposedAction();
}

void CQnTView::dragMoveEvent(QDragMoveEvent* event) {
  if (droppedLocalFile(event->mimeData())) event->acceptProposedAction();
}

void CQnTView::dropEvent(QDropEvent* event) {
  const std::optional<QString> file = droppedLocalFile(event->mimeData());
  if (!file) return;
  event->acceptProposedAction();
  if (isDocumentFileName(*file)) {
    doc_.OpenDocumentFile(*file);
    return;
  }
  // The checks and messages of the open-texture commands.
  doc_.OpenTextureFile(textureAt(event->position().toPoint()), *file);
}
