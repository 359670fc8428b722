#pragma once
// StderrFeedback: qn-render's UserFeedback. Messages go to stderr as the system's own
// texts. Each progress window becomes one line per stage: on a terminal a line that
// updates in place with its percentage, otherwise one finished line per stage; both end
// with the stage's time. The cancel button is Ctrl-C (CancelSignal).

#include <cstdio>
#include <memory>
#include <string_view>

#include "cli/CancelSignal.h"
#include "engine/StageProgress.h"

class StderrFeedback final : public UserFeedback {
 public:
  // showProgress false (--quiet) silences the stage lines but never the messages.
  // terminal: stderr is a terminal, so lines can be rewritten in place.
  StderrFeedback(CancelSignal& cancel, bool showProgress, bool terminal);

  void showMessage(std::string_view text, MessageIcon icon = MessageIcon::Warning) override;
  std::unique_ptr<StageProgress> openProgress() override;

  // True once a poll has reported a press of Ctrl-C: the operation that ended was cancelled.
  bool cancelDelivered() const { return cancelDelivered_; }
  // Takes a waiting press outside any progress window (between stages, while drawing).
  bool takeCancel();

 private:
  class Line;
  friend class Line;

  // Ends a line left open on the terminal, so that a message starts on its own line.
  void endOpenLine();

  CancelSignal& cancel_;
  bool showProgress_;
  bool terminal_;
  bool lineOpen_ = false;
  bool cancelDelivered_ = false;
};
