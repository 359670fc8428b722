#include "dialogs/CAutoSelectEdit.h"

#include <QMouseEvent>

CAutoSelectEdit::CAutoSelectEdit(QWidget* parent) : QLineEdit(parent) {
  // Plain pointer movement (no button held) must reach mouseMoveEvent: the box also takes
  // the focus back when the pointer moves over it after the keyboard moved the focus away.
  setMouseTracking(true);
}

void CAutoSelectEdit::enterEvent(QEnterEvent* event) {
  takeFocusFromPointer();
  QLineEdit::enterEvent(event);
}

void CAutoSelectEdit::mouseMoveEvent(QMouseEvent* event) {
  // A move with a button held is a drag selection inside a box that already has the focus.
  if (event->buttons() == Qt::NoButton) takeFocusFromPointer();
  QLineEdit::mouseMoveEvent(event);
}

void CAutoSelectEdit::takeFocusFromPointer() {
  // The window's focus widget, not hasFocus(): in a window that is not active hasFocus() is
  // always false, and every move would select the text again.
  if (window()->focusWidget() == this || !isEnabled()) return;
  setFocus(Qt::OtherFocusReason);
  selectAll();  // also puts the end of the text in view
}
