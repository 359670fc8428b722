#include "dialogs/CStageProgressDlg.h"

#include "dialogs/QtText.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdint>
#include <functional>

// The window: a title, the message line, the bar with its percentage and the cancel
// button. Every way of dismissing it only reports a cancel request.
class CStageProgressDlg::Window final : public QDialog {
 public:
  explicit Window(std::function<void()> onCancel)
      : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
        onCancel_(std::move(onCancel)) {
    setWindowTitle(QStringLiteral("レンダリング"));
    message = new QLabel(this);
    message->setAlignment(Qt::AlignHCenter);
    percent = new QLabel(QStringLiteral(" 0 %"), this);
    bar = new QProgressBar(this);
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
    cancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    cancel->setDefault(true);
    connect(cancel, &QPushButton::clicked, this, [this] { onCancel_(); });

    auto* barRow = new QHBoxLayout;
    barRow->addWidget(percent);
    barRow->addWidget(bar, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(message);
    layout->addLayout(barRow);
    layout->addWidget(cancel, 0, Qt::AlignHCenter);
    setMinimumWidth(300);
  }

  // Esc arrives here; the window stays open, only the caller closes it.
  void reject() override { onCancel_(); }
  // There is no OK button; Enter presses the default (cancel) button instead.
  void accept() override {}

  QLabel* message = nullptr;
  QLabel* percent = nullptr;
  QProgressBar* bar = nullptr;
  QPushButton* cancel = nullptr;
  int paints = 0;  // paint events this window has handled

 protected:
  void paintEvent(QPaintEvent* event) override {
    ++paints;
    QDialog::paintEvent(event);
  }
  void closeEvent(QCloseEvent* event) override {
    event->ignore();
    onCancel_();
  }

 private:
  std::function<void()> onCancel_;
};

namespace {

QWidget* applicationMainWindow() {
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (qobject_cast<QMainWindow*>(widget) != nullptr) return widget;
  return nullptr;
}

}  // namespace

CStageProgressDlg::CStageProgressDlg(QWidget* owner) : owner_(owner) {}

CStageProgressDlg::~CStageProgressDlg() { destroy(); }

bool CStageProgressDlg::create() {
  if (window_ != nullptr) return true;
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return false;
  QWidget* owner = owner_ != nullptr ? owner_->window() : applicationMainWindow();
  owner_ = owner;
  if (owner != nullptr && owner->isEnabled()) {
    owner->setEnabled(false);
    ownerDisabled_ = true;
  }
  // No parent: a child window would be disabled together with its owner.
  window_ = new Window([this] {
    cancelFlag_ = true;
    pollsSinceClock_ = kPollsPerClockLook;  // the next poll looks
  });
  if (owner != nullptr && owner->isVisible()) {
    window_->adjustSize();
    window_->move(owner->frameGeometry().center() - window_->rect().center());
  }
  window_->show();
  window_->raise();
  window_->activateWindow();
  window_->cancel->setFocus();
  return true;
}

void CStageProgressDlg::setCaption(std::string_view text) {
  if (window_ != nullptr) window_->setWindowTitle(fromUtf8(text));
}

void CStageProgressDlg::setMessage(std::string_view text) {
  if (window_ != nullptr) window_->message->setText(fromUtf8(text));
}

int CStageProgressDlg::setProgress(int position) {
  if (window_ == nullptr) return 0;
  // The window is repainted when the queue is dispatched: at the first position and then
  // whenever kDrainEvery has passed. The bar and the percentage follow the position at most
  // every kShowEvery (a screen refreshes no faster), and always at 0 and 100.
  const auto now = std::chrono::steady_clock::now();
  if (position == 0 || now - lastDrain_ >= kDrainEvery) DrainMessageQueue();
  if (window_ == nullptr) return 0;
  const int previous = position_;
  position_ = position;
  if (position != 0 && position != 100 && now - shownAt_ < kShowEvery) return previous;
  shownAt_ = now;
  window_->bar->setValue(std::clamp(position, rangeMin_, rangeMax_));
  // 64-bit so that any 32-bit position gives the truncated quotient without overflow.
  const std::int64_t percent = (static_cast<std::int64_t>(position) - rangeMin_) * 100 /
                               (static_cast<std::int64_t>(rangeMax_) - rangeMin_);
  const QString text = QString::number(shownPercent(static_cast<int>(percent))) + QLatin1Char('%');
  if (window_->percent->text() != text) window_->percent->setText(text);
  return previous;
}

bool CStageProgressDlg::pollCancel() {
  // Called before every item of a stage: most calls only count. The latch is set only by
  // the window (which makes the next poll look), and cleared when it goes.
  if (++pollsSinceClock_ < kPollsPerClockLook) return false;
  pollsSinceClock_ = 0;
  if (window_ != nullptr && drainDue()) DrainMessageQueue();
  const bool cancelled = cancelFlag_;
  cancelFlag_ = false;
  return cancelled;
}

void CStageProgressDlg::showBusyOnly() {
  if (window_ == nullptr) return;
  window_->cancel->setEnabled(false);
  window_->percent->hide();
  window_->bar->hide();
  paintBeforeBusyWork();
}

void CStageProgressDlg::paintBeforeBusyWork() {
  // The work after a busy notice lets no event run, so the notice must be on the screen
  // before it starts: paint, expose and timer events run here until the window has painted
  // itself in its busy form, but no key or mouse event does (they wait in the queue).
  constexpr qint64 kLongestWaitMs = 500;  // a window manager that never maps the window
  const int paintsBefore = window_->paints;
  window_->update();
  QElapsedTimer waited;
  waited.start();
  while (window_ != nullptr && window_->paints == paintsBefore &&
         waited.elapsed() < kLongestWaitMs) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (window_ != nullptr && window_->paints == paintsBefore) QThread::msleep(1);
  }
  // What the window painted reaches the display server before the work begins.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void CStageProgressDlg::destroy() {
  if (window_ == nullptr) return;
  const bool giveBack = ownerDisabled_ && owner_ != nullptr;
  if (ownerDisabled_) {
    if (owner_ != nullptr) owner_->setEnabled(true);
    ownerDisabled_ = false;
  }
  delete window_.data();
  window_ = nullptr;
  cancelFlag_ = false;
  pollsSinceClock_ = 0;
  // The progress window had the keyboard: the main window takes it back at once, so that
  // its shortcuts and Alt menus work without a click first.
  if (giveBack && owner_->isVisible()) owner_->activateWindow();
}

void CStageProgressDlg::DrainMessageQueue() {
  // Handles what is pending and returns; never waits for new events.
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  lastDrain_ = std::chrono::steady_clock::now();
  if (!cancelFlag_) pollsSinceClock_ = 0;
}

bool CStageProgressDlg::drainDue() {
  // A dispatch with nothing pending costs microseconds, far more than an item of a stage:
  // polls look at the clock only every few calls, and dispatch once kDrainEvery has passed.
  return std::chrono::steady_clock::now() - lastDrain_ >= kDrainEvery;
}

QDialog* CStageProgressDlg::window() const { return window_.data(); }

QPushButton* CStageProgressDlg::cancelButton() const {
  return window_ != nullptr ? window_->cancel : nullptr;
}

QString CStageProgressDlg::percentText() const {
  return window_ != nullptr ? window_->percent->text() : QString();
}

QString CStageProgressDlg::messageText() const {
  return window_ != nullptr ? window_->message->text() : QString();
}
