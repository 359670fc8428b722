#pragma once
// RecordingFeedback: a UserFeedback for tests that remembers every message box and every
// progress window call (captions, message lines, positions, polls), and can press cancel
// at a chosen poll. It shows nothing and never waits. Header-only, test code only.

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/StageProgress.h"

class RecordingFeedback final : public UserFeedback {
 public:
  struct Message {
    std::string text;
    MessageIcon icon;
  };

  // One progress position as set, with the number of polls made in that window before it.
  struct Position {
    int position;
    long long pollsBefore;
  };

  // Everything one progress window was told, in the order of openProgress calls.
  struct Window {
    int createCalls = 0;
    int destroyCalls = 0;  // explicit destroy() calls while the window was up
    bool busyOnly = false;
    std::vector<std::string> captions;
    std::vector<std::string> messages;
    std::vector<Position> positions;
    long long polls = 0;
    // Calls in order, except polls (which would flood it): "create", "caption:TEXT",
    // "message:TEXT", "progress:N", "busy", "destroy".
    std::vector<std::string> calls;
    bool open = false;  // created and not yet destroyed

    std::vector<int> positionValues() const {
      std::vector<int> values;
      for (const Position& p : positions) values.push_back(p.position);
      return values;
    }
  };

  std::vector<Message> messages;
  std::vector<std::shared_ptr<Window>> windows;
  long long totalPolls = 0;  // over every window

  // Cancel is reported at the n-th poll counted over all windows from now on (1 = the next
  // poll); 0 never cancels.
  void cancelAtPoll(long long n) { cancelAt_ = n == 0 ? 0 : totalPolls + n; }
  // A press of cancel, latched until the next poll of any window.
  void pressCancel() { cancelLatched_ = true; }
  // Makes create() of every later window return false (a window that cannot be shown).
  void failCreate(bool fail) { failCreate_ = fail; }

  void showMessage(std::string_view text, MessageIcon icon = MessageIcon::Warning) override {
    messages.push_back({std::string(text), icon});
  }

  std::unique_ptr<StageProgress> openProgress() override {
    windows.push_back(std::make_shared<Window>());
    return std::make_unique<Progress>(*this, windows.back());
  }

  // Message texts only, in order.
  std::vector<std::string> messageTexts() const {
    std::vector<std::string> texts;
    for (const Message& m : messages) texts.push_back(m.text);
    return texts;
  }
  // True when every window that was created has been destroyed.
  bool allWindowsClosed() const {
    for (const auto& w : windows)
      if (w->open) return false;
    return true;
  }

 private:
  class Progress final : public StageProgress {
   public:
    Progress(RecordingFeedback& owner, std::shared_ptr<Window> window)
        : owner_(owner), window_(std::move(window)) {}
    ~Progress() override { close(); }

    bool create() override {
      ++window_->createCalls;
      window_->calls.push_back("create");
      if (owner_.failCreate_) return false;
      window_->open = true;
      return true;
    }
    void setCaption(std::string_view text) override {
      window_->captions.emplace_back(text);
      window_->calls.push_back("caption:" + std::string(text));
    }
    void setMessage(std::string_view text) override {
      window_->messages.emplace_back(text);
      window_->calls.push_back("message:" + std::string(text));
    }
    int setProgress(int position) override {
      window_->positions.push_back({position, window_->polls});
      window_->calls.push_back("progress:" + std::to_string(position));
      int previous = last_;
      last_ = position;
      return previous;
    }
    bool pollCancel() override {
      ++window_->polls;
      ++owner_.totalPolls;
      bool cancel = owner_.cancelLatched_ || owner_.totalPolls == owner_.cancelAt_;
      owner_.cancelLatched_ = false;
      return cancel;
    }
    void showBusyOnly() override {
      window_->busyOnly = true;
      window_->calls.push_back("busy");
    }
    void destroy() override {
      ++window_->destroyCalls;
      window_->calls.push_back("destroy");
      close();
    }

   private:
    void close() { window_->open = false; }

    RecordingFeedback& owner_;
    std::shared_ptr<Window> window_;
    int last_ = 0;
  };

  long long cancelAt_ = 0;
  bool cancelLatched_ = false;
  bool failCreate_ = false;
};
