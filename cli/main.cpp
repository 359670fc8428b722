// qn-render: the QN renderer without a window. It runs the stages of the start-rendering
// command (mesh, colours, transform, sort, light, screen), then paints every triangle at
// once instead of on a timer, so its picture is the one the window shows after a complete
// rendering. main reads as the list of its stages; each stage reports through the same
// feedback interface the window uses (stderr here) and returns the exit status.

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "base/Version.h"
#include "cli/CancelSignal.h"
#include "cli/CliMessages.h"
#include "cli/StderrFeedback.h"
#include "document/DocumentModel.h"
#include "document/SettingsMessages.h"
#include "engine/EngineMessages.h"
#include "export/DxfExport.h"
#include "export/ImageSave.h"
#include "settings/SettingsFields.h"

namespace {

enum ExitStatus : int {
  kSuccess = 0,
  kFailure = 1,      // unreadable input, too small texture, unwritable output, failed stage
  kUsage = 2,        // bad command line or a refused --set
  kCancelled = 130,  // Ctrl-C: the shell's status for a program ended by SIGINT
};

struct Options {
  std::string document;
  std::string surface;
  std::string bump;
  std::string output;
  std::string dxf;
  std::string saveDocument;
  std::vector<std::string> assignments;
  bool printSettings = false;
  bool quiet = false;
};

void printError(std::string_view text) {
  std::fprintf(stderr, "qn-render: %.*s\n", static_cast<int>(text.size()), text.data());
}

// Fills options; returns the exit status when the program ends here (help, version, a
// usage error) and nothing when it goes on.
std::optional<int> parseCommandLine(int argc, char** argv, Options& options) {
  CLI::App app{
      "QN の地形画像をウィンドウなしで描きます。設定とテクスチャは .qnf ドキュメントから、\n"
      "または表面テクスチャとバンプテクスチャを指定して標準の設定で:\n"
      "  qn-render [オプション] DOCUMENT.qnf -o OUT.bmp|OUT.png\n"
      "  qn-render [オプション] --surface SURFACE.bmp --bump BUMP.bmp -o OUT.bmp|OUT.png\n",
      "qn-render"};
  app.get_formatter()->label("Usage", "使い方");
  app.get_formatter()->label("OPTIONS", "オプション");
  app.get_formatter()->label("Positionals", "引数");
  app.option_defaults()->group("オプション");
  app.set_help_flag("-h,--help", "この使い方を表示して終わります");
  app.set_version_flag("--version", std::string(kQnVersionTitle), "バージョンを表示して終わります");
  app.add_option("DOCUMENT", options.document, "設定とテクスチャを読む QN ドキュメント (.qnf)")
      ->type_name("");
  app.add_option("--surface", options.surface, "表面テクスチャ (BMP): 地形の色")->type_name("FILE");
  app.add_option("--bump", options.bump, "バンプテクスチャ (BMP): 赤の値が高さ")->type_name("FILE");
  app.add_option("-o,--output", options.output,
                 "描いた絵を保存します（名前が .png で終われば PNG、ほかは 24 ビット BMP）")
      ->type_name("OUT.bmp");
  app.add_option("--set", options.assignments,
                 "設定をひとつ変更します。例: screenWidth=640、viewpoint=100,300,200、"
                 "wireframe=1 (何度でも指定できます。設定ダイアログと同じ確認をします)")
      ->type_name("FIELD=VALUE")
      ->allow_extra_args(false);
  app.add_flag("--print-settings", options.printSettings,
               "有効な設定を 名前=値 の行で標準出力に出します");
  app.add_option("--dxf", options.dxf, "地形のモデルを DXF の 3DFACE で書き出します")
      ->type_name("OUT.dxf");
  app.add_option("--save-document", options.saveDocument,
                 "有効なドキュメントを保存します。テクスチャはファイル名だけが入るので、"
                 "OUT.qnf と同じフォルダに置いてください")
      ->type_name("OUT.qnf");
  app.add_flag("-q,--quiet", options.quiet, "進行状況の行を出しません (エラーは出します)");
  app.footer(
      "進行状況は段階ごとに 1 行ずつ標準エラー出力に出ます。Ctrl+C で中止し、何も書き込みません。\n"
      "終了コード: 0 成功、1 失敗、2 コマンドラインの誤りまたは範囲外の設定、130 中止。");

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& help) {
    return app.exit(help);
  } catch (const CLI::CallForVersion& version) {
    return app.exit(version);
  } catch (const CLI::ParseError& error) {
    using Kind = cli_text::CommandLineErrorKind;
    const Kind kind =
        dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr        ? Kind::UnexpectedArgument
        : dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr ? Kind::BadOptionValue
                                                                        : Kind::Other;
    printError(cli_text::commandLineError(kind, error.what()));
    printError(cli_text::kSeeHelp);
    return kUsage;
  }

  const bool hasTextures = !options.surface.empty() && !options.bump.empty();
  if (options.document.empty() && (options.surface.empty() != options.bump.empty())) {
    printError(cli_text::kTexturesGoTogether);
    return kUsage;
  }
  if (options.output.empty() && options.dxf.empty() && options.saveDocument.empty() &&
      !options.printSettings) {
    printError(cli_text::kNothingToDo);
    return kUsage;
  }
  if ((!options.output.empty() || !options.dxf.empty()) && options.document.empty() &&
      !hasTextures) {
    printError(cli_text::kOutputNeedsInput);
    return kUsage;
  }
  return std::nullopt;
}

// Stage 1: the document and the textures. Textures given on the command line replace the
// document's and are checked as the texture-open command checks them.
int loadInput(DocumentModel& document, const Options& options) {
  if (!options.document.empty()) {
    switch (document.readFile(options.document)) {
      case DocumentReadResult::Read:
        break;
      case DocumentReadResult::FileError:
        printError(cli_text::aboutFile(options.document, cli_text::kDocumentUnreadable));
        return kFailure;
      default:
        return kFailure;  // the reader has shown its message
    }
  }
  if (!options.surface.empty() && !document.openTexture(TextureKind::Surface, options.surface))
    return kFailure;
  if (!options.bump.empty() && !document.openTexture(TextureKind::Bump, options.bump))
    return kFailure;
  return kSuccess;
}

// Stage 2: --set overrides, then the settings dialog's checks on the result, as if the
// user had typed the values into the dialog and pressed OK.
int applyOverrides(DocumentModel& document, const Options& options) {
  if (options.assignments.empty()) return kSuccess;
  RenderSettings settings = document.renderer.settings;
  for (const std::string& assignment : options.assignments) {
    if (auto problem = parseAssignment(settings, assignment)) {
      printError(cli_text::fieldProblem(*problem));
      return kUsage;
    }
  }
  if (auto problem = validateSettings(settings)) {
    const std::string_view message = settingsRuleMessage(problem->rule);
    std::fprintf(stderr, "%.*s\n", static_cast<int>(message.size()), message.data());
    printError(cli_text::refusedSetting(problem->field));
    return kUsage;
  }
  document.renderer.settings = settings;
  return kSuccess;
}

// Stage 3 (optional): the effective settings on stdout.
int printSettings(const DocumentModel& document) {
  const std::string text = formatAllFields(document.renderer.settings);
  std::fputs(text.c_str(), stdout);
  return std::fflush(stdout) == 0 ? kSuccess : kFailure;
}

int needTextures(const DocumentModel& document) {
  if (document.surfaceImage.isValid() && document.bumpImage.isValid()) return kSuccess;
  printError(cli_text::kBothTexturesNeeded);
  return kFailure;
}

// Stage 4: the model stages and the screen, then every triangle painted, far to near.
int renderPicture(DocumentModel& document, StderrFeedback& feedback) {
  if (int status = needTextures(document); status != kSuccess) return status;
  switch (document.startRendering()) {
    case StartResult::Started:
      break;
    case StartResult::StageFailed:
      return feedback.cancelDelivered() ? kCancelled : kFailure;
    case StartResult::Refused:
    case StartResult::ScreenFailed:
      return kFailure;
  }
  if (!document.renderer.drawToEnd([&feedback] { return feedback.takeCancel(); })) {
    feedback.showMessage(engine_text::kRenderingCancelled);
    return kCancelled;
  }
  return kSuccess;
}

// Stage 5 (optional): the mesh as DXF.
int exportMesh(DocumentModel& document, const std::string& path, StderrFeedback& feedback) {
  if (int status = needTextures(document); status != kSuccess) return status;
  switch (exportDxf(document.renderer, document.surfaceImage, document.bumpImage, path, feedback)) {
    case DxfExportResult::Written:
      return kSuccess;
    case DxfExportResult::Cancelled:
      return kCancelled;
    case DxfExportResult::MeshFailed:
      return feedback.cancelDelivered() ? kCancelled : kFailure;
    case DxfExportResult::Refused:
    case DxfExportResult::WriteFailed:
      break;
  }
  return kFailure;
}

// Stage 6: the picture as a BMP file.
int writePicture(const DocumentModel& document, const std::string& path, StderrFeedback& feedback) {
  if (feedback.takeCancel()) return kCancelled;  // Ctrl-C after the last poll: write nothing
  return saveRenderedImage(document.renderer, path, feedback) ? kSuccess : kFailure;
}

// A document stores only the textures' file names; warns when the saved document would
// not find a texture beside itself.
void warnAboutDistantTexture(const std::string& documentPath, const std::string& texturePath) {
  if (texturePath.empty()) return;
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path beside = fs::path(documentPath).parent_path() / fs::path(texturePath).filename();
  if (!fs::equivalent(beside, texturePath, error))
    printError(cli_text::distantTexture(texturePath, documentPath));
}

// Stage 7 (optional): the effective document.
int saveDocument(const DocumentModel& document, const std::string& path, StderrFeedback& feedback) {
  if (feedback.takeCancel()) return kCancelled;
  if (!document.writeFile(path)) {
    printError(cli_text::aboutFile(path, cli_text::kDocumentUnwritable));
    return kFailure;
  }
  warnAboutDistantTexture(path, document.surfacePath());
  warnAboutDistantTexture(path, document.bumpPath());
  return kSuccess;
}

int run(const Options& options) {
  CancelSignal cancel;
  StderrFeedback feedback(cancel, !options.quiet, isatty(STDERR_FILENO) == 1);
  DocumentModel document(&feedback);

  int status = loadInput(document, options);
  if (status == kSuccess) status = applyOverrides(document, options);
  if (status == kSuccess && options.printSettings) status = printSettings(document);
  if (status == kSuccess && !options.output.empty()) status = renderPicture(document, feedback);
  if (status == kSuccess && !options.dxf.empty())
    status = exportMesh(document, options.dxf, feedback);
  if (status == kSuccess && !options.output.empty())
    status = writePicture(document, options.output, feedback);
  if (status == kSuccess && !options.saveDocument.empty())
    status = saveDocument(document, options.saveDocument, feedback);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (std::optional<int> status = parseCommandLine(argc, argv, options)) return *status;
  return run(options);
}
