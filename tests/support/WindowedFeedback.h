#pragma once
// WindowedFeedback: a UserFeedback for the window tests with the program's real progress
// windows over owner; cancel is pressed with the window's real button at the first poll of
// window number cancelWindow. Records the messages and the polls made while owner was enabled.
// Header-only, GUI test code only.

#include <QPushButton>
#include <QStringList>
#include <QtTest>
#include <memory>

#include "dialogs/CStageProgressDlg.h"

struct WindowedFeedback final : UserFeedback {
  QWidget* owner = nullptr;
  int cancelWindow = -1, opened = 0, pollsWithOwnerEnabled = 0;
  QStringList messages;
  void showMessage(std::string_view text, MessageIcon) override {
    messages << QString::fromUtf8(text.data(), qsizetype(text.size()));
  }
  std::unique_ptr<StageProgress> openProgress() override {
    struct Probe final : StageProgress {
      WindowedFeedback& f;
      int index;
      CStageProgressDlg dialog;
      Probe(WindowedFeedback& owner, int i) : f(owner), index(i), dialog(owner.owner) {}
      bool create() override { return dialog.create(); }
      void setCaption(std::string_view text) override { dialog.setCaption(text); }
      void setMessage(std::string_view text) override { dialog.setMessage(text); }
      int setProgress(int position) override { return dialog.setProgress(position); }
      void showBusyOnly() override { dialog.showBusyOnly(); }
      void destroy() override { dialog.destroy(); }
      bool pollCancel() override {
        f.pollsWithOwnerEnabled += f.owner->isEnabled();
        if (index == f.cancelWindow) QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
        if (index == f.cancelWindow) f.cancelWindow = -2;  // pressed once
        return dialog.pollCancel();
      }
    };
    return std::make_unique<Probe>(*this, opened++);
  }
};
