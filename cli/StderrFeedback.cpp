// Progress lines on stderr. On a terminal, "\r" and the erase-line sequence rewrite the
// stage's line whenever its shown text changes; elsewhere (a log, a pipe) only the
// finished line is written, so logs hold one labelled, timed line per stage.

#include "cli/StderrFeedback.h"

#include <chrono>
#include <string>

class StderrFeedback::Line final : public StageProgress {
 public:
  explicit Line(StderrFeedback& owner) : owner_(owner) {}
  ~Line() override { destroy(); }

  bool create() override {
    created_ = true;
    start_ = std::chrono::steady_clock::now();
    return true;
  }
  void setCaption(std::string_view text) override {
    caption_ = text;
    redraw();
  }
  void setMessage(std::string_view text) override {
    message_ = text;
    redraw();
  }
  int setProgress(int position) override {
    const int previous = position_;
    position_ = position;
    redraw();
    return previous;
  }
  bool pollCancel() override {
    if (!created_ || !owner_.cancel_.take()) return false;
    owner_.cancelDelivered_ = true;
    return true;
  }
  void showBusyOnly() override {
    busyOnly_ = true;
    redraw();
  }
  void destroy() override {
    if (!created_) return;
    created_ = false;
    if (!owner_.showProgress_ || message_.empty()) return;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    char timing[32];
    std::snprintf(timing, sizeof timing, "  %.2f s", seconds);
    if (owner_.terminal_) std::fputs("\r\033[K", stderr);
    std::fputs((text() + timing + "\n").c_str(), stderr);
    std::fflush(stderr);
    owner_.lineOpen_ = false;
  }

 private:
  std::string text() const {
    std::string line = caption_.empty() ? message_ : caption_ + ": " + message_;
    if (!busyOnly_) line += "  " + std::to_string(shownPercent(position_)) + "%";
    return line;
  }

  // On a terminal only, and only when the shown text changes.
  void redraw() {
    if (!created_ || !owner_.showProgress_ || !owner_.terminal_ || message_.empty()) return;
    std::string line = text();
    if (line == shown_ && owner_.lineOpen_) return;
    shown_ = line;
    std::fputs(("\r\033[K" + line).c_str(), stderr);
    std::fflush(stderr);
    owner_.lineOpen_ = true;
  }

  StderrFeedback& owner_;
  bool created_ = false;
  bool busyOnly_ = false;
  std::string caption_;
  std::string message_;
  std::string shown_;
  int position_ = 0;
  std::chrono::steady_clock::time_point start_;
};

StderrFeedback::StderrFeedback(CancelSignal& cancel, bool showProgress, bool terminal)
    : cancel_(cancel), showProgress_(showProgress), terminal_(terminal) {}

void StderrFeedback::endOpenLine() {
  if (!lineOpen_) return;
  std::fputc('\n', stderr);
  lineOpen_ = false;
}

void StderrFeedback::showMessage(std::string_view text, MessageIcon) {
  endOpenLine();
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

std::unique_ptr<StageProgress> StderrFeedback::openProgress() {
  return std::make_unique<Line>(*this);
}

bool StderrFeedback::takeCancel() {
  if (!cancel_.take()) return false;
  cancelDelivered_ = true;
  return true;
}
