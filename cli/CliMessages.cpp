#include "cli/CliMessages.h"

#include <cstdio>

namespace cli_text {

namespace {

std::string_view expectation(SettingsFieldType type) {
  switch (type) {
    case SettingsFieldType::Unsigned:
      return "0 以上の整数";
    case SettingsFieldType::Integer:
      return "整数";
    case SettingsFieldType::Double:
      return "数";
    case SettingsFieldType::Vector:
      return "カンマで区切った 3 つの数";
  }
  return "値";
}

std::string knownNames() {
  std::string names;
  for (const SettingsFieldInfo& field : settingsFields()) {
    if (!names.empty()) names += ", ";
    names += field.name;
  }
  return names;
}

// What follows the first ": " of a parser message (the arguments it names), or all of it.
std::string_view afterColon(std::string_view detail) {
  const std::size_t colon = detail.find(": ");
  return colon == std::string_view::npos ? detail : detail.substr(colon + 2);
}

}  // namespace

std::string fieldProblem(const FieldProblem& problem) {
  switch (problem.kind) {
    case FieldProblem::Kind::UnknownField:
      return "設定 '" + problem.field + "' はありません (設定の名前: " + knownNames() + ")。";
    case FieldProblem::Kind::NotAnAssignment:
      return "'" + problem.text + "' は 名前=値 の形ではありません。";
    case FieldProblem::Kind::BadValue:
      return problem.field + ": '" + problem.text + "' は" +
             std::string(expectation(problem.type)) + "ではありません。";
  }
  return {};
}

std::string refusedSetting(std::string_view field) {
  return "設定できない値です: " + std::string(field);
}

std::string commandLineError(CommandLineErrorKind kind, std::string_view detail) {
  if (kind == CommandLineErrorKind::UnexpectedArgument)
    return "予期しない引数です: " + std::string(afterColon(detail));
  if (kind == CommandLineErrorKind::BadOptionValue) {
    const std::size_t colon = detail.find(':');
    return "オプションの値が正しくありません: " + std::string(detail.substr(0, colon));
  }
  return "コマンドラインが正しくありません (" + std::string(detail) + ")。";
}

std::string distantTexture(std::string_view texturePath, std::string_view documentPath) {
  return "警告: " + std::string(texturePath) + " は " + std::string(documentPath) +
         " と同じフォルダにないため、このドキュメントからは見つかりません。";
}

std::string cameraPathLine(std::string_view path, std::size_t line, std::string_view text) {
  return std::string(path) + ": " + std::to_string(line) +
         " 行目はカメラ (視点 x,y,z 注視点 x,y,z [焦点距離]) として読めません: " +
         std::string(text);
}

std::string frameDone(std::size_t frame, std::size_t frames, double seconds) {
  std::string line = "frame " + std::to_string(frame) + "/" + std::to_string(frames);
  if (seconds >= 0) {
    char time[32];
    std::snprintf(time, sizeof time, "  %.2f s", seconds);
    line += time;
  }
  return line;
}

std::string aboutFile(std::string_view path, std::string_view message) {
  return std::string(path) + ": " + std::string(message);
}

}  // namespace cli_text
