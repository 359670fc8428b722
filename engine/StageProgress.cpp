#include "engine/StageProgress.h"

namespace {

// A progress window that is never seen and never cancels.
class SilentProgress final : public StageProgress {
 public:
  bool create() override { return true; }
  void setCaption(std::string_view) override {}
  void setMessage(std::string_view) override {}
  int setProgress(int position) override {
    int previous = position_;
    position_ = position;
    return previous;
  }
  bool pollCancel() override { return false; }
  void showBusyOnly() override {}
  void destroy() override {}

 private:
  int position_ = 0;
};

}  // namespace

std::unique_ptr<StageProgress> SilentFeedback::openProgress() {
  return std::make_unique<SilentProgress>();
}
