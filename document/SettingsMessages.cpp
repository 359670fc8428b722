#include "document/SettingsMessages.h"

std::string_view settingsRuleMessage(SettingsRule rule) {
  switch (rule) {
    case SettingsRule::UnitRange:
      return "0 から 1 までの数字を入力してください。";
    case SettingsRule::ByteRange:
      return "0 から 255 までの整数を入力してください。";
    case SettingsRule::ScreenSize:
      return "スクリーンの[サイズ]は0より大きい値を指定してください。";
    case SettingsRule::Distance:
      return "スクリーンの[距離]は0より大きい値を指定してください。";
    case SettingsRule::NearLimit:
      return "スクリーンの[最小]は0より大きい値を指定してください。";
    case SettingsRule::LightDirection:
      return "光源の[方向]は最低ひとつを0以外の値にしてください。";
    case SettingsRule::LightColor:
      return "光源の[RGB]をすべて0にすると何も表示されません。";
    case SettingsRule::SliceRange:
      return "スライスの[範囲]は左値を右値より小さい値にしてください。";
  }
  return {};
}
