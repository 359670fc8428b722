#pragma once
// CQnRView: the right-hand pane. Shows the engine's screen image at (4, 4) on the button
// face colour, scrolls it, and paces a rendering: a timer calls drawStep in bursts and
// pauses (the render sequence) and shows every step at once. It owns four of the five
// sequence values (the engine holds drawCount) and keeps them in the settings store:
// read when the view is made, written when it is destroyed. It never builds a model.

#include <QAbstractScrollArea>
#include <QImage>
#include <QTimer>
#include <cstdint>
#include <memory>

#include "settings/RenderSequence.h"

class CQnDoc;
class QMenu;
class QScrollBar;
class TerrainRenderer;

class CQnRView : public QAbstractScrollArea {
  Q_OBJECT

 public:
  // Reads "Settings"/"Render Sequence" into the four fields and the engine's drawCount.
  // doc must outlive the view.
  explicit CQnRView(CQnDoc& doc, QWidget* parent = nullptr);
  // Writes the five values back to "Settings"/"Render Sequence" (reserved places 0).
  ~CQnRView() override;

  // Set at construction (the defaults of RenderSequence), then from the settings store.
  std::uint32_t stopTime = RenderSequence{}.stopTime;          // ms of pause between bursts
  std::uint32_t processCount = RenderSequence{}.processCount;  // drawing ticks per burst
  std::uint32_t drawInterval = RenderSequence{}.drawInterval;  // ms between ticks in a burst
  std::uint32_t startDelay = RenderSequence{}.startDelay;      // ms before the first tick
  std::uint32_t burstStep = 0;  // 0 waiting to open a burst, 1..processCount+1 inside

  // The five values: the four above and the engine's drawCount.
  RenderSequence sequence() const;
  void setSequence(const RenderSequence& values);

  // Arms the timer with startDelay (drawInterval when startDelay is 0) for a model that
  // the engine has just built and whose screen it has just created.
  void BeginSequence();
  // Ends the current sequence at once: timer killed, whole view repainted. Harmless when
  // no sequence runs. The document calls it on stop and before any stage builds a model.
  void EndSequence();
  // One tick of the sequence, in this order: ended drawing stops the sequence; a burst
  // opens; a full burst pauses; otherwise one drawStep, shown before returning.
  void OnTimer();
  // The update notification: the scroll extent follows the screen image, then repaint.
  void OnUpdate();

  bool isSequenceTimerActive() const { return timer_.isActive(); }
  // The period the timer was last armed with, in ms.
  std::uint32_t sequenceTimerPeriod() const { return period_; }

  // Scroll sizes as set by the update notification: total = screen + 8, page a tenth of
  // the total, line a tenth of the page. The page is the distance a page click or Page
  // Up/Down scrolls; the scroll bar's handle shows the visible share of the picture.
  QSize scrollTotalSize() const { return total_; }
  QSize scrollPageSize() const { return page_; }
  QSize scrollLineSize() const { return line_; }
  QPoint scrollPosition() const;

  // The context menu with "レンダリング開始(&R)" and "レンダリング中止(&E)", enabled by
  // the state of the document; its actions run the document's commands.
  std::unique_ptr<QMenu> makeContextMenu();

 signals:
  // A tick ran: the enabling of commands may have changed.
  void sequenceTicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  TerrainRenderer& renderer() const;
  void movePageBy(QScrollBar* bar, int action, int distance);
  void armTimer(std::uint32_t period);
  void updateScrollRanges();
  void readSequenceSetting();
  void writeSequenceSetting() const;

  CQnDoc& doc_;
  QTimer timer_;
  std::uint32_t period_ = 0;
  QSize total_{328, 248};
  QSize page_{32, 24};
  QSize line_{3, 2};
  QImage frame_;  // the screen image as last converted for painting
};
