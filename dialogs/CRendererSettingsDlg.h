#pragma once
// CRendererSettingsDlg: the modal dialog "レンダラ 設定" that edits all fifteen render
// settings. It shows, converts, checks and resets values; it never touches the document:
// the caller sets the settings, runs exec() and reads settings() back after Accepted.
// Refusals go to the UserFeedback given, so the tests see them.

#include <QDialog>

#include "engine/StageProgress.h"
#include "settings/RenderSettings.h"

class QCheckBox;
class QLabel;
class QRadioButton;
class CAutoSelectEdit;

class CRendererSettingsDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CRendererSettingsDlg(UserFeedback& messages, QWidget* parent = nullptr);

  // Stores the settings and fills the boxes from them.
  void setSettings(const RenderSettings& settings);
  // The settings given, or those read by the OK that closed the dialog. A cancel, or an OK
  // that was refused, leaves them as they were.
  RenderSettings settings() const { return settings_; }

 public slots:
  // Reads every box in the fixed order (the first unreadable or out-of-range box is the
  // only one reported, and gets the focus with its text selected), then checks the six
  // rules; closes with Accepted only when everything passes.
  void accept() override;
  // "標準": fills the boxes with the default settings. Copies nothing into the distance box
  // beyond the default itself.
  void OnDefaults();
  // The slice range (label and both boxes) is enabled exactly while "スライス使用" is checked.
  void UpdateSliceRange();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  enum class Direction { Fill, Read };
  class Exchange;

  void buildWindow();
  // Visits every control in the fixed order. Fill never fails; Read stops at the first
  // failure after reporting it and returns false (values read so far are in `settings`).
  bool exchange(Direction direction, RenderSettings& settings);
  void fillControls(const RenderSettings& settings);
  // The user changed the screen height: the distance follows it, as text.
  void onHeightEdited(const QString& text);
  CAutoSelectEdit* edit(int controlId) const;

  UserFeedback& messages_;
  RenderSettings settings_;
  bool exchanging_ = false;  // the dialog itself is filling or reading its boxes

  QCheckBox* wireframeCheck_ = nullptr;      // 1018
  QCheckBox* sliceCheck_ = nullptr;          // 1016
  QLabel* sliceRangeLabel_ = nullptr;        // 10100
  QRadioButton* subdivisionRadios_[3] = {};  // 1012, 1013, 1014
};
