#pragma once
// StageRun: the progress and cancel protocol every long engine stage follows, kept in one
// place: open the window (caption, message, position 0), before each item a position every
// 5000 items and a cancel poll, the cancel message on cancel, position 100 at the end.
// It does no work of its own and never decides what an item is.

#include <cstdint>
#include <memory>
#include <string_view>

#include "engine/StageProgress.h"

class StageRun {
 public:
  // Items between two progress positions.
  static constexpr std::uint64_t kProgressInterval = 5000;

  // Opens the stage's window: create, caption (when not empty), message, position 0.
  // total is the counter value that means 100 percent.
  StageRun(UserFeedback& feedback, std::string_view message, std::string_view cancelMessage,
           std::uint64_t total, std::string_view caption = {})
      : feedback_(feedback),
        cancelMessage_(cancelMessage),
        total_(total),
        progress_(feedback.openProgress()) {
    progress_->create();
    if (!caption.empty()) progress_->setCaption(caption);
    progress_->setMessage(message);
    progress_->setProgress(0);
  }
  ~StageRun() { close(); }
  StageRun(const StageRun&) = delete;
  StageRun& operator=(const StageRun&) = delete;

  // Called before the item whose progress counter is counter. False when the user
  // cancelled: the cancel message has been shown and the window is gone.
  bool beforeItem(std::uint64_t counter) {
    if (counter % kProgressInterval == 0) progress_->setProgress(percentOf(counter));
    if (!progress_->pollCancel()) return true;
    feedback_.showMessage(cancelMessage_, MessageIcon::Warning);
    close();
    return false;
  }

  // Position 100, then the window closes.
  void finish() {
    progress_->setProgress(100);
    close();
  }

 private:
  // counter x 100 / total, truncated. Taken in 64 bits: a 32-bit product would wrap for
  // models above 42.9 million items and make the bar jump backwards.
  int percentOf(std::uint64_t counter) const {
    if (total_ == 0) return 0;
    return static_cast<int>(counter * 100 / total_);
  }

  void close() {
    if (open_) progress_->destroy();
    open_ = false;
  }

  UserFeedback& feedback_;
  std::string_view cancelMessage_;
  std::uint64_t total_;
  std::unique_ptr<StageProgress> progress_;
  bool open_ = true;
};
