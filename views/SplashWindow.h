#pragma once
// SplashWindow and SplashGate: the borderless start-up picture centred on the screen,
// closed after 1500 ms or by the first key or mouse-button press anywhere in the
// application, which it swallows. SplashGate holds what the program knows about it (the
// enabled flag, the one window shown) and watches every event of the application while
// a window is up. It only shows a picture; start-up goes on regardless.

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>

class SplashWindow final : public QWidget {
  Q_OBJECT

 public:
  // A frameless window of the picture's size; starts its 1500 ms timer when shown.
  SplashWindow(const QImage& picture, QWidget* owner);

  // The program's own splash picture, 256 x 192, painted here.
  static QImage makePicture();

 signals:
  void timedOut();

 protected:
  void showEvent(QShowEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage picture_;
  QTimer timer_;
};

class SplashGate final : public QObject {
  Q_OBJECT

 public:
  SplashGate() = default;
  ~SplashGate() override;

  // Whether ShowSplash may show anything (false until enabled).
  void EnableSplash(bool enable) { enabled_ = enable; }
  bool isEnabled() const { return enabled_; }
  // Shows the splash centred on the screen unless it is disabled or one is already up.
  void ShowSplash(QWidget* owner);
  // True (and the splash closed) when event is a key or mouse-button press while a
  // splash is up: such an event must go no further.
  bool PreTranslateSplashMessage(const QEvent* event);
  // Closes the splash and repaints the main window at once.
  void HideSplash();

  SplashWindow* current() const { return qobject_cast<SplashWindow*>(window_.data()); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool enabled_ = false;
  bool filtering_ = false;
  // A plain widget pointer: the filter still sees events while the splash is being destroyed
  // with its owner, when it is no SplashWindow any more.
  QPointer<QWidget> window_;
  QPointer<QWidget> owner_;
};
