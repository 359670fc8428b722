#pragma once
// QtFeedback: the window program's UserFeedback. Messages are modal message boxes titled
// "QN" with one OK button and the exclamation (or information) icon; progress windows are
// CStageProgressDlg instances that disable the owner window while they are up.
// It decides nothing about the messages' texts: callers pass them.

#include <QPointer>

#include "engine/StageProgress.h"

class QWidget;

class QtFeedback final : public UserFeedback {
 public:
  explicit QtFeedback(QWidget* owner = nullptr) : owner_(owner) {}
  // The window the boxes are centred over and that progress windows disable.
  void setOwner(QWidget* owner) { owner_ = owner; }

  void showMessage(std::string_view text, MessageIcon icon = MessageIcon::Warning) override;
  std::unique_ptr<StageProgress> openProgress() override;

 private:
  QPointer<QWidget> owner_;
};
