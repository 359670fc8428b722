#include "views/SplashWindow.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <cmath>

#include "dialogs/QtText.h"
#include "views/CQnTView.h"

namespace {

constexpr int kSplashMilliseconds = 1500;

// A ridge line across the picture: a few sines, the same on every run.
double ridgeHeight(double x, double phase, double scale) {
  return scale * (0.5 * std::sin(x * 0.021 + phase) + 0.3 * std::sin(x * 0.057 + 2 * phase) +
                  0.2 * std::sin(x * 0.131 + 3 * phase));
}

}  // namespace

SplashWindow::SplashWindow(const QImage& picture, QWidget* owner)
    : QWidget(owner, Qt::SplashScreen | Qt::FramelessWindowHint), picture_(picture) {
  setAttribute(Qt::WA_DeleteOnClose);
  setFixedSize(picture_.size());
  setCursor(Qt::ArrowCursor);
  timer_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, &SplashWindow::timedOut);
}

void SplashWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // Centred in the screen's work area: the owner is not visible yet at start-up.
  if (QScreen* screen = this->screen())
    move(screen->availableGeometry().center() - rect().center());
  timer_.start(kSplashMilliseconds);
}

void SplashWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(0, 0, picture_);
}

QImage SplashWindow::makePicture() {
  QImage picture(256, 192, QImage::Format_RGB32);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 0, 192);
  sky.setColorAt(0.0, QColor(24, 40, 96));
  sky.setColorAt(0.6, QColor(120, 150, 200));
  sky.setColorAt(1.0, QColor(230, 200, 160));
  painter.fillRect(picture.rect(), sky);
  // Three ranges, far to near, each darker and lower: the painter's order of the renderer.
  const QColor ranges[] = {QColor(110, 120, 150), QColor(70, 100, 80), QColor(40, 70, 45)};
  for (int layer = 0; layer < 3; ++layer) {
    QPainterPath path;
    const double base = 110.0 + layer * 28.0;
    path.moveTo(0, 192);
    for (int x = 0; x <= 256; x += 4)
      path.lineTo(x, base - ridgeHeight(x, layer * 1.7, 30.0 - layer * 6.0));
    path.lineTo(256, 192);
    path.closeSubpath();
    painter.fillPath(path, ranges[layer]);
  }
  painter.setPen(QColor(255, 255, 255));
  painter.setFont(CQnTView::textFont(40, true));
  painter.drawText(QRect(0, 18, 256, 48), Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("QN"));
  painter.setFont(CQnTView::textFont(12, false));
  painter.drawText(QRect(0, 66, 256, 16), Qt::AlignHCenter | Qt::AlignTop,
                   QStringLiteral("３次元地形画像レンダラ Version ") + qnVersion());
  return picture;
}

SplashGate::~SplashGate() {
  if (filtering_ && qApp != nullptr) qApp->removeEventFilter(this);
  delete window_.data();
}

void SplashGate::ShowSplash(QWidget* owner) {
  if (!enabled_ || window_ != nullptr) return;
  owner_ = owner;
  auto* splash = new SplashWindow(SplashWindow::makePicture(), owner);
  window_ = splash;
  connect(splash, &SplashWindow::timedOut, this, &SplashGate::HideSplash);
  if (!filtering_) {
    qApp->installEventFilter(this);
    filtering_ = true;
  }
  window_->show();
  window_->repaint();
}

bool SplashGate::PreTranslateSplashMessage(const QEvent* event) {
  if (window_ == nullptr) return false;
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::NonClientAreaMouseButtonPress:
      HideSplash();
      return true;
    default:
      return false;
  }
}

void SplashGate::HideSplash() {
  if (window_ != nullptr) {
    window_->hide();
    // Later: the event that closes it may be addressed to the splash itself.
    window_->deleteLater();
    window_ = nullptr;
  }
  if (filtering_) {
    qApp->removeEventFilter(this);
    filtering_ = false;
  }
  if (owner_ != nullptr && owner_->isVisible()) {
    owner_->activateWindow();
    owner_->repaint();
  }
}

bool SplashGate::eventFilter(QObject* watched, QEvent* event) {
  // A shortcut is looked up before its key press is delivered: while the splash is up
  // the key belongs to the splash, so no shortcut may take it.
  if (window_ != nullptr && event->type() == QEvent::ShortcutOverride) {
    event->accept();
    return true;
  }
  if (PreTranslateSplashMessage(event)) return true;
  return QObject::eventFilter(watched, event);
}
