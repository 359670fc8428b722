#pragma once
// CStageProgressDlg: the progress window of one long operation (an engine stage or the
// DXF export) on the window system. Modeless, but it keeps its owner disabled while it is
// up, latches a press of cancel (button, Esc or the window manager's close) until polled,
// and lets pending window events run every few milliseconds of progress updates and polls. It never
// does the work itself and never shows a message; every call is harmless when no window exists.

#include <chrono>

#include <QPointer>
#include <QString>

#include "engine/StageProgress.h"

class QDialog;
class QLabel;
class QProgressBar;
class QPushButton;
class QWidget;

class CStageProgressDlg final : public StageProgress {
 public:
  // owner: any widget of the window to disable (its top-level window is taken); null
  // means the application's main window.
  explicit CStageProgressDlg(QWidget* owner = nullptr);
  ~CStageProgressDlg() override;
  CStageProgressDlg(const CStageProgressDlg&) = delete;
  CStageProgressDlg& operator=(const CStageProgressDlg&) = delete;

  // Disables the owner (when it was enabled) and shows the window titled "レンダリング".
  // False, with the owner as it was, when no window can be made (no GUI application).
  bool create() override;
  void setCaption(std::string_view text) override;
  void setMessage(std::string_view text) override;
  // Moves the bar and shows the percentage of position in 0..100: 100 exactly at 100,
  // otherwise the percentage modulo 100 (150 shows "50%"). Returns the previous position.
  int setProgress(int position) override;
  // True when cancel was pressed since the last poll; clears the latch.
  bool pollCancel() override;
  // Disables cancel, hides the bar and the percentage, and returns only once the window
  // has painted itself so (or after half a second): the work that follows handles no events.
  void showBusyOnly() override;
  // Gives the owner back (when this dialog disabled it) and closes the window.
  void destroy() override;

  // Runs the pending window events of the thread without waiting for any.
  void DrainMessageQueue();

  // For tests and callers that reach the controls.
  QDialog* window() const;
  QPushButton* cancelButton() const;
  QString percentText() const;
  QString messageText() const;
  bool holdsOwnerDisabled() const { return ownerDisabled_; }

 private:
  class Window;
  void paintBeforeBusyWork();
  QPointer<QWidget> owner_;
  QPointer<Window> window_;
  int rangeMin_ = 0;
  int rangeMax_ = 100;
  int position_ = 0;
  bool cancelFlag_ = false;
  // Pending window messages are dispatched at position 0 and then, at positions and polls,
  // whenever kDrainEvery has passed: a press of cancel is seen within a few milliseconds,
  // and a stage of many small items does not spend its time dispatching nothing.
  static constexpr std::chrono::milliseconds kDrainEvery{4};
  static constexpr int kPollsPerClockLook = 64;
  static constexpr std::chrono::milliseconds kShowEvery{16};
  std::chrono::steady_clock::time_point shownAt_{};
  bool drainDue();
  std::chrono::steady_clock::time_point lastDrain_{};
  int pollsSinceClock_ = 0;
  bool ownerDisabled_ = false;
};
