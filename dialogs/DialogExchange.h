#pragma once
// The data exchange shared by the settings dialogs: edit boxes named after their control
// ids ("edit1002"), showing a value without disturbing a box that already shows it, reading
// a box with the message of its refusal, and the "標準", OK and "キャンセル" buttons.
// It holds no values and never decides which boxes a dialog has or in what order they are read.

#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/StageProgress.h"

class CAutoSelectEdit;
class QDialog;
class QPushButton;
class QWidget;

// The object name of the edit box with this control id, as the tests find it.
QString editName(int controlId);
// The edit box named editName(controlId) inside dialog; the box must exist.
CAutoSelectEdit* findEdit(const QWidget& dialog, int controlId);

// Shows text in box; a box that already shows it is left alone, its selection too.
void showText(CAutoSelectEdit* box, const std::string& text);

// Gives box the focus with its whole text selected, as reaching it with Tab does, so that
// typing replaces the value. The dialogs do this to their first box when they open.
void selectForTyping(CAutoSelectEdit* box);

// Reports message, gives box the focus and selects its whole text, so that typing
// replaces the refused value.
void refuseBox(UserFeedback& messages, CAutoSelectEdit* box, std::string_view message);

// The box's text as an unsigned integer or a number; nothing when it is not one, after
// refusing the box with "正の整数を入力してください。" or "数字を入力してください。".
std::optional<std::uint32_t> readUnsignedBox(UserFeedback& messages, CAutoSelectEdit* box);
std::optional<double> readDoubleBox(UserFeedback& messages, CAutoSelectEdit* box);

// "標準" (button1021), "OK" (button1, the default) and "キャンセル" (button2), made with
// OK connected to dialog.accept() and cancel to dialog.reject(). The caller lays them out
// and connects "標準".
struct DialogButtons {
  QPushButton* defaults;
  QPushButton* ok;
  QPushButton* cancel;
};
DialogButtons makeDialogButtons(QDialog& dialog);
