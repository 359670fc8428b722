#pragma once
// CRenderSequenceDlg: the modal dialog "レンダリングシーケンス 設定" that edits the five
// pacing values of incremental painting. It shows, converts, resets and checks them; the
// caller sets the public members before exec() and reads them back after Accepted.
// Refusals go to the UserFeedback given, so the tests see them.

#include <QDialog>
#include <cstdint>

#include "engine/StageProgress.h"

class CAutoSelectEdit;

class CRenderSequenceDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CRenderSequenceDlg(UserFeedback& messages, QWidget* parent = nullptr);

  // Zero until the caller fills them. exec() shows them; an OK that closes the dialog
  // stores what the boxes held; a cancel leaves them as they were.
  std::uint32_t stopTime = 0;      // ms of pause between bursts (box 1003)
  std::uint32_t startDelay = 0;    // ms before the first draw tick (box 1001)
  std::uint32_t processCount = 0;  // draw steps per burst (box 1004)
  std::uint32_t drawInterval = 0;  // ms between draw ticks within a burst (box 1002)
  std::uint32_t drawCount = 0;     // triangles painted per draw step (box 1005)

  // Shows the members in the boxes (exec() does it too, on opening).
  void fillControls();

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
  CAutoSelectEdit* edit(int controlId) const;

  UserFeedback& messages_;
};
