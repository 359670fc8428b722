#pragma once
// The texts qn-render shows of its own (the engine's, the document's and the exports'
// messages come from them): usage errors, refused settings, warnings. All of them are the
// system's own Japanese texts. Only texts and their formatting; main decides when.

#include <cstddef>
#include <string>
#include <string_view>

#include "settings/SettingsFields.h"

namespace cli_text {

inline constexpr std::string_view kTexturesGoTogether =
    "--surface と --bump は一緒に指定してください (またはドキュメントを指定してください)。";
inline constexpr std::string_view kNothingToDo =
    "何をするか指定されていません。-o、--dxf、--mesh、--save-document または --print-settings "
    "を指定してください (--help を参照)。";
inline constexpr std::string_view kOutputNeedsInput =
    "-o、--dxf と --mesh には、ドキュメントか、--surface と --bump の両方が必要です。";
inline constexpr std::string_view kBothTexturesNeeded =
    "表面テクスチャとバンプテクスチャの両方が必要です。";
inline constexpr std::string_view kDocumentUnreadable = "ファイルを開けませんでした。";
inline constexpr std::string_view kDocumentUnwritable = "保存に失敗しました。";
inline constexpr std::string_view kSeeHelp = "使い方は qn-render --help で表示されます。";
inline constexpr std::string_view kOrbitOrPath = "--orbit と --camera-path は一緒に使えません。";
inline constexpr std::string_view kOrbitNeedsFrames =
    "--orbit には 1 以上のコマ数を指定してください。";
inline constexpr std::string_view kOrbitDegreesNeedsOrbit =
    "--orbit-degrees は --orbit と一緒に指定してください。";
inline constexpr std::string_view kFramesNeedOutput =
    "--orbit と --camera-path には、コマ番号 (%04d など) をひとつ含む -o の名前が必要です。";
inline constexpr std::string_view kFramesFolderMissing = "コマを書くフォルダがありません。";
inline constexpr std::string_view kFrameNotSaved = "保存に失敗しました。";
inline constexpr std::string_view kBadMeshName =
    "--mesh の名前は .stl、.obj、.ply、.glb のどれかで終えてください。";
inline constexpr std::string_view kSolidNeedsStl =
    "--solid は .stl の --mesh と一緒に指定してください。";
inline constexpr std::string_view kBadSimplify =
    "--simplify には --mesh と、0 より大きい許容誤差を指定してください。";
inline constexpr std::string_view kBadHeightRange =
    "--height-range には LO,HI (LO < HI の数) を指定してください。";

// "name: text" and the reason a --set assignment was not taken.
std::string fieldProblem(const FieldProblem& problem);
// The setting a refused value belongs to, after the dialog's own message.
std::string refusedSetting(std::string_view field);
// A command-line error of the option parser, from its own (English) text detail, of
// which only the names of arguments are taken where the kind is known.
enum class CommandLineErrorKind { UnexpectedArgument, BadOptionValue, Other };
std::string commandLineError(CommandLineErrorKind kind, std::string_view detail);
// A texture that a saved document will not find beside itself.
std::string distantTexture(std::string_view texturePath, std::string_view documentPath);
// A refused line of a camera path file.
std::string cameraPathLine(std::string_view path, std::size_t line, std::string_view text);
// One finished frame: "frame 12/120", with its time when seconds is not negative.
std::string frameDone(std::size_t frame, std::size_t frames, double seconds);
// A message about a file: "path: message".
std::string aboutFile(std::string_view path, std::string_view message);

}  // namespace cli_text
