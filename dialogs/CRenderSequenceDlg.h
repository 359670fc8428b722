#pragma once
// CRenderSequenceDlg: the modal dialog "レンダリングシーケンス 設定" that edits the five
// pacing values of incremental painting. It shows, converts, resets and checks them; the
// caller gives the values before exec() and takes the edited copy back after Accepted.
// Refusals go to the UserFeedback given, so the tests see them.

#include <QDialog>
#include <cstdint>

#include "engine/StageProgress.h"
#include "settings/RenderSequence.h"

class CAutoSelectEdit;

class CRenderSequenceDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CRenderSequenceDlg(UserFeedback& messages, QWidget* parent = nullptr);

  // Stores the values and shows them in the boxes: start delay 1001, drawing interval 1002,
  // drawing count 1005, processing count 1004, stop time 1003. All zero until then.
  void setSequence(const RenderSequence& values);
  // The values given, or those read by the OK that closed the dialog; a cancel, or an OK
  // that was refused, leaves them as they were.
  RenderSequence sequence() const { return sequence_; }

 public slots:
  // Reads the boxes in the order 1003, 1001, 1004, 1002, 1005 (the first that does not hold
  // an unsigned integer is reported and gets the focus with its text selected), refuses a
  // drawing interval of 0, and closes with Accepted otherwise.
  void accept() override;
  // "標準": shows 2000, 20, 256, 50, 600 in the boxes (the members change only on OK).
  void OnDefaults();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void buildWindow();
  void fillControls(const RenderSequence& values);
  CAutoSelectEdit* edit(int controlId) const;

  UserFeedback& messages_;
  RenderSequence sequence_{0, 0, 0, 0, 0};
};
