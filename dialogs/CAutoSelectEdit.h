#pragma once
// CAutoSelectEdit: the edit box of the settings dialogs. When the pointer comes over it
// while another widget has the focus, it takes the focus and selects its whole text, so
// that typing replaces the value. It holds no data and knows nothing of what it edits.

#include <QLineEdit>

class CAutoSelectEdit : public QLineEdit {
  Q_OBJECT

 public:
  explicit CAutoSelectEdit(QWidget* parent = nullptr);

 protected:
  void enterEvent(QEnterEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  // Focus and select all unless the box already has the focus: while it keeps the focus,
  // the user's own selection and caret are left alone.
  void takeFocusFromPointer();
};
