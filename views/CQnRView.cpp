#include "views/CQnRView.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QStringList>
#include <algorithm>
#include <climits>

#include "app/CQnDoc.h"
#include "app/SettingsStore.h"
#include "settings/RenderSequence.h"
#include "views/ScreenImage.h"

namespace {

constexpr int kMargin = 4;
const QString kSequenceKey = QStringLiteral("Settings/Render Sequence");

}  // namespace

CQnRView::CQnRView(CQnDoc& doc, QWidget* parent) : QAbstractScrollArea(parent), doc_(doc) {
  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, &CQnRView::OnTimer);
  viewport()->setAutoFillBackground(false);
  setFocusPolicy(Qt::StrongFocus);
  readSequenceSetting();
  connect(horizontalScrollBar(), &QAbstractSlider::actionTriggered, this,
          [this](int action) { movePageBy(horizontalScrollBar(), action, page_.width()); });
  connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this,
          [this](int action) { movePageBy(verticalScrollBar(), action, page_.height()); });
  OnUpdate();
}

void CQnRView::movePageBy(QScrollBar* bar, int action, int distance) {
  // Called after the bar has moved by its page step (the visible size), before the value is
  // taken: a page click or Page Up/Down moves by the page distance instead.
  if (action == QAbstractSlider::SliderPageStepAdd)
    bar->setSliderPosition(bar->value() + distance);
  else if (action == QAbstractSlider::SliderPageStepSub)
    bar->setSliderPosition(bar->value() - distance);
}

CQnRView::~CQnRView() { writeSequenceSetting(); }

TerrainRenderer& CQnRView::renderer() const { return doc_.renderer(); }

void CQnRView::readSequenceSetting() {
  const auto settings = openUserSettings();
  const QVariant stored = settings->value(kSequenceKey);
  QString text = QString::fromLatin1(kDefaultRenderSequenceText.data(),
                                     static_cast<qsizetype>(kDefaultRenderSequenceText.size()));
  // An unquoted text with commas comes back from the INI file as a list of its parts.
  if (stored.isValid())
    text = stored.typeId() == QMetaType::QStringList ? stored.toStringList().join(u',')
                                                     : stored.toString();
  RenderSequence values = sequence();
  parseRenderSequence(text.toStdString(), values);
  setSequence(values);
}

void CQnRView::writeSequenceSetting() const {
  const auto settings = openUserSettings();
  settings->setValue(kSequenceKey, QString::fromStdString(formatRenderSequence(sequence())));
}

RenderSequence CQnRView::sequence() const {
  return {startDelay, drawInterval, renderer().drawCount, processCount, stopTime};
}

void CQnRView::setSequence(const RenderSequence& values) {
  startDelay = values.startDelay;
  drawInterval = values.drawInterval;
  renderer().drawCount = values.drawCount;
  processCount = values.processCount;
  stopTime = values.stopTime;
}

void CQnRView::armTimer(std::uint32_t period) {
  period_ = period;
  timer_.stop();
  // The window system's timers run from 1 ms to INT_MAX ms.
  timer_.start(static_cast<int>(std::clamp<std::uint32_t>(period, 1u, INT_MAX)));
}

void CQnRView::BeginSequence() {
  burstStep = 0;
  armTimer(startDelay != 0 ? startDelay : drawInterval);
}

void CQnRView::EndSequence() {
  if (!timer_.isActive()) return;
  timer_.stop();
  viewport()->repaint();
}

void CQnRView::OnTimer() {
  TerrainRenderer& engine = renderer();
  if (!engine.isDrawing()) {
    engine.finishRendering();
    timer_.stop();
    viewport()->repaint();
    emit sequenceTicked();
    return;
  }
  if (burstStep == 0) {
    burstStep = 1;
    armTimer(drawInterval);
    return;
  }
  if (burstStep > processCount && processCount != 0 && stopTime != 0) {
    burstStep = 0;
    armTimer(stopTime);
    return;
  }
  engine.drawStep();
  // The new triangles are on screen before the tick returns; the paint places the image
  // at (4 - scroll x, 4 - scroll y), as every paint does.
  viewport()->repaint();
  if (processCount != 0 && stopTime != 0) ++burstStep;
  if (!engine.isDrawing()) emit sequenceTicked();
}

QPoint CQnRView::scrollPosition() const {
  return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

void CQnRView::OnUpdate() {
  int width = 0;
  int height = 0;
  renderer().getScreenSize(&width, &height);
  if (width <= 0) width = 320;
  if (height <= 0) height = 240;
  total_ = QSize(width + 2 * kMargin, height + 2 * kMargin);
  page_ = QSize(total_.width() / 10, total_.height() / 10);
  line_ = QSize(page_.width() / 10, page_.height() / 10);
  updateScrollRanges();
  viewport()->update();
}

void CQnRView::updateScrollRanges() {
  const QSize visible = viewport()->size();
  horizontalScrollBar()->setRange(0, std::max(0, total_.width() - visible.width()));
  verticalScrollBar()->setRange(0, std::max(0, total_.height() - visible.height()));
  // The handle shows the visible share of the picture; a page click still moves a tenth
  // of the whole (pageMoveOf).
  horizontalScrollBar()->setPageStep(std::max(1, visible.width()));
  verticalScrollBar()->setPageStep(std::max(1, visible.height()));
  horizontalScrollBar()->setSingleStep(std::max(1, line_.width()));
  verticalScrollBar()->setSingleStep(std::max(1, line_.height()));
}

void CQnRView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  updateScrollRanges();
}

void CQnRView::paintEvent(QPaintEvent*) {
  TerrainRenderer& engine = renderer();
  int width = 0;
  int height = 0;
  if (!engine.getScreenSize(&width, &height) || width <= 0 || height <= 0)
    engine.createDefaultScreen();
  QPainter painter(viewport());
  // The border around the image and everything beyond it show the button face.
  painter.fillRect(viewport()->rect(), palette().color(QPalette::Button));
  copyToQImage(engine.screen(), frame_);
  if (frame_.isNull()) return;
  const QPoint scroll = scrollPosition();
  painter.drawImage(kMargin - scroll.x(), kMargin - scroll.y(), frame_);
}

std::unique_ptr<QMenu> CQnRView::makeContextMenu() {
  auto menu = std::make_unique<QMenu>(this);
  QAction* start = menu->addAction(QStringLiteral("レンダリング開始(&R)"));
  QAction* stop = menu->addAction(QStringLiteral("レンダリング中止(&E)"));
  const DocumentModel& model = doc_.model();
  const bool texturesValid = model.surfaceImage.isValid() && model.bumpImage.isValid();
  const bool drawing = model.renderer.isDrawing();
  start->setEnabled(texturesValid && !drawing);
  stop->setEnabled(texturesValid && drawing);
  connect(start, &QAction::triggered, &doc_, &CQnDoc::OnStartRendering);
  connect(stop, &QAction::triggered, &doc_, &CQnDoc::OnStopRendering);
  return menu;
}

void CQnRView::contextMenuEvent(QContextMenuEvent* event) {
  const auto menu = makeContextMenu();
  menu->exec(event->globalPos());
}
