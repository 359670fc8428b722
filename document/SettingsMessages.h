#pragma once
// SettingsMessages: the texts of the renderer settings dialog's refusals, shown by the
// dialog and by qn-render, which checks --set values as the dialog does. Only texts; the
// checks that pick them are in settings/SettingsValidation.h and NumberText.h.

#include <string_view>

#include "settings/SettingsValidation.h"

// A box whose text does not convert (see NumberText.h).
inline constexpr std::string_view kNotANumberMessage = "数字を入力してください。";
inline constexpr std::string_view kNotAPositiveIntegerMessage = "正の整数を入力してください。";

// The message of a failed check.
std::string_view settingsRuleMessage(SettingsRule rule);
