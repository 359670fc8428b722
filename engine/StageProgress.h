#pragma once
// StageProgress and UserFeedback: the only ways the engine (and the DXF export) talk to
// the user. The window program implements them with a progress dialog and message
// boxes, qn-render with stderr lines and a Ctrl-C flag, tests with recorders.
// The engine never prints and never opens a window itself.

#include <memory>
#include <string_view>

// The percentage a progress window shows for a percent of its range: 100 when exactly
// 100, otherwise the remainder of its signed division by 100 (so 150 shows 50).
constexpr int shownPercent(int percent) { return percent == 100 ? 100 : percent % 100; }

// One long operation's progress window. The caller drives it: create, optionally
// setCaption, setMessage, setProgress(0), then per item setProgress every N items and
// pollCancel before every item, and destroy at the end (the destructor destroys too).
// Every call must be harmless when the window could not be made.
class StageProgress {
 public:
  virtual ~StageProgress() = default;
  // Shows the window and keeps the main window from taking commands until destroy.
  virtual bool create() = 0;
  virtual void setCaption(std::string_view text) = 0;
  virtual void setMessage(std::string_view text) = 0;
  // Position 0..100 (percent shown: 100 when exactly 100, otherwise position mod 100).
  // Lets pending user-interface work run. Returns the previous position.
  virtual int setProgress(int position) = 0;
  // True once for each press of cancel since the last poll (the press is latched until
  // polled). Lets pending user-interface work run; never waits.
  virtual bool pollCancel() = 0;
  // A busy notice: no cancel button, no bar, no percentage (the depth sort).
  virtual void showBusyOnly() = 0;
  virtual void destroy() = 0;
};

enum class MessageIcon { Warning, Information };

class UserFeedback {
 public:
  virtual ~UserFeedback() = default;
  // A modal message with an OK button (exclamation icon unless said otherwise).
  virtual void showMessage(std::string_view text, MessageIcon icon = MessageIcon::Warning) = 0;
  // A new, not yet created progress window for one operation.
  virtual std::unique_ptr<StageProgress> openProgress() = 0;
};

// Shows nothing and never cancels: the default when nobody listens.
class SilentFeedback final : public UserFeedback {
 public:
  void showMessage(std::string_view, MessageIcon) override {}
  std::unique_ptr<StageProgress> openProgress() override;
};
