#pragma once
// RecordingFeedback: a UserFeedback for tests that remembers every message box and every
// progress window call, and can press cancel at a chosen poll. It shows nothing and never
// waits. Header-only, test code only.

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
  struct Position {  // a position as set, with the polls made in its window before it
    int position;
    long long pollsBefore;
  };
  // Everything one progress window was told, in the order of openProgress calls.
  struct Window {
    std::vector<std::string> captions, messages;
    std::vector<Position> positions;
    long long polls = 0;
    // Calls in order except polls: "create", "caption:T", "message:T", "progress:N", "busy",
    // "destroy".
    std::vector<std::string> calls;
    bool open = false;  // created and not yet destroyed
  };

  std::vector<Message> messages;
  std::vector<std::shared_ptr<Window>> windows;

  // Cancel is reported at the n-th poll over all windows from now on (1 = the next); 0 never.
  void cancelAtPoll(long long n) { cancelAt_ = n == 0 ? 0 : polls_ + n; }
  // Makes create() of every later window return false (a window that cannot be shown).
  void failCreate(bool fail) { failCreate_ = fail; }

  void showMessage(std::string_view text, MessageIcon icon = MessageIcon::Warning) override {
    messages.push_back({std::string(text), icon});
  }
  std::unique_ptr<StageProgress> openProgress() override {
    windows.push_back(std::make_shared<Window>());
    return std::make_unique<Progress>(*this, windows.back());
  }

  std::vector<std::string> messageTexts() const {
    std::vector<std::string> texts;
    for (const Message& m : messages) texts.push_back(m.text);
    return texts;
  }
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
    ~Progress() override { w_.open = false; }

    bool create() override {
      w_.calls.push_back("create");
      w_.open = !owner_.failCreate_;
      return w_.open;
    }
    void setCaption(std::string_view text) override {
      w_.captions.emplace_back(text);
      w_.calls.push_back("caption:" + std::string(text));
    }
    void setMessage(std::string_view text) override {
      w_.messages.emplace_back(text);
      w_.calls.push_back("message:" + std::string(text));
    }
    int setProgress(int position) override {
      w_.positions.push_back({position, w_.polls});
      w_.calls.push_back("progress:" + std::to_string(position));
      return std::exchange(last_, position);
    }
    bool pollCancel() override {
      ++w_.polls;
      return ++owner_.polls_ == owner_.cancelAt_;
    }
    void showBusyOnly() override { w_.calls.push_back("busy"); }
    void destroy() override {
      w_.calls.push_back("destroy");
      w_.open = false;
    }

   private:
    RecordingFeedback& owner_;
    std::shared_ptr<Window> window_;  // kept alive when the test forgets its windows
    Window& w_ = *window_;
    int last_ = 0;
  };

  long long cancelAt_ = 0, polls_ = 0;
  bool failCreate_ = false;
};
