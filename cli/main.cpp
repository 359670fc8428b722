// qn-render: the QN renderer without a window. It runs the stages of the start-rendering
// command (mesh, colours, transform, sort, light, screen), then paints every triangle at
// once instead of on a timer, so its picture is the one the window shows after a complete
// rendering. main reads as the list of its stages; each stage reports through the same
// feedback interface the window uses (stderr here) and returns the exit status.

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <system_error>
#include <thread>
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
#include "export/MeshExport.h"
#include "settings/CameraFlight.h"
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
  std::vector<std::string> meshes;  // .stl, .obj, .ply, .glb
  bool solid = false;
  std::optional<double> simplify;
  std::string saveDocument;
  std::vector<std::string> assignments;
  bool printSettings = false;
  bool quiet = false;
  // Frames: an orbit of this many frames, or a camera path file.
  std::optional<std::size_t> orbit;
  std::optional<double> orbitDegrees;
  std::string cameraPath;
  std::string heightRange;  // "LO,HI" for elevation rasters
  bool frames() const { return orbit || !cameraPath.empty(); }
};

void printError(std::string_view text) {
  std::fprintf(stderr, "qn-render: %.*s\n", static_cast<int>(text.size()), text.data());
}

// Every --mesh name has a format's extension; --solid needs an STL, --simplify a mesh and
// an error above 0.
std::optional<int> checkMeshOptions(const Options& options) {
  bool stl = false;
  for (const std::string& mesh : options.meshes) {
    const std::optional<MeshFormat> format = meshFormatOfName(mesh);
    if (!format) {
      printError(cli_text::aboutFile(mesh, cli_text::kBadMeshName));
      return kUsage;
    }
    stl = stl || *format == MeshFormat::Stl;
  }
  if (options.solid && !stl) {
    printError(cli_text::kSolidNeedsStl);
    return kUsage;
  }
  if (options.simplify &&
      (options.meshes.empty() || !std::isfinite(*options.simplify) || !(*options.simplify > 0))) {
    printError(cli_text::kBadSimplify);
    return kUsage;
  }
  return std::nullopt;
}

// "LO,HI": two finite numbers, LO below HI.
std::optional<HeightRange> parseHeightRange(const std::string& text) {
  const std::size_t comma = text.find(',');
  if (comma == std::string::npos) return std::nullopt;
  double values[2];
  const std::string parts[2] = {text.substr(0, comma), text.substr(comma + 1)};
  for (int i = 0; i < 2; ++i) {
    const char* begin = parts[i].data();
    const char* end = begin + parts[i].size();
    const auto [stop, error] = std::from_chars(begin, end, values[i]);
    if (parts[i].empty() || error != std::errc{} || stop != end || !std::isfinite(values[i]))
      return std::nullopt;
  }
  if (!(values[0] < values[1])) return std::nullopt;
  return HeightRange{values[0], values[1]};
}

// The frame options go together: one kind of flight, and an output name with one frame
// number whose folder exists.
std::optional<int> checkFrameOptions(const Options& options) {
  if (options.orbit && !options.cameraPath.empty()) {
    printError(cli_text::kOrbitOrPath);
    return kUsage;
  }
  if (options.orbit && *options.orbit == 0) {
    printError(cli_text::kOrbitNeedsFrames);
    return kUsage;
  }
  if (options.orbitDegrees && !options.orbit) {
    printError(cli_text::kOrbitDegreesNeedsOrbit);
    return kUsage;
  }
  if (!options.frames()) return std::nullopt;
  if (!isFrameNamePattern(options.output)) {
    printError(cli_text::kFramesNeedOutput);
    return kUsage;
  }
  namespace fs = std::filesystem;
  const fs::path folder = fs::path(frameFileName(options.output, 1)).parent_path();
  std::error_code error;
  if (!folder.empty() && !fs::is_directory(folder, error)) {
    printError(cli_text::aboutFile(folder.string(), cli_text::kFramesFolderMissing));
    return kUsage;
  }
  return std::nullopt;
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
  app.add_option("--surface", options.surface,
                 "表面テクスチャ (BMP、PNG、JPEG、TIFF など): 地形の色")
      ->type_name("FILE");
  app.add_option("--bump", options.bump,
                 "バンプテクスチャ: BMP と 8 ビットの画像は赤の値、16 ビットの画像と標高データ "
                 "(GeoTIFF、SRTM .hgt、ESRI ASCII グリッド) は値が高さ")
      ->type_name("FILE");
  app.add_option("--height-range", options.heightRange,
                 "標高データの値 LO を高さ 0、HI を高さ 255 にします (既定はデータの最小と最大)")
      ->type_name("LO,HI");
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
  app.add_option("--mesh", options.meshes,
                 "地形のモデルを書き出します。形式は名前で決まります: .stl (バイナリ STL)、"
                 ".obj (MTL とテクスチャの PNG を横に)、.ply (頂点色つき)、.glb (glTF) "
                 "(何度でも指定できます)")
      ->type_name("OUT.stl|.obj|.ply|.glb")
      ->allow_extra_args(false);
  app.add_flag("--solid", options.solid,
               "STL を 3D プリント用の閉じた立体にします (縁から平らな底まで壁を付けます)");
  app.add_option("--simplify", options.simplify,
                 "--mesh のモデルを、ずれがこの値 (グリッドの間隔と高さの単位) を超えない範囲で"
                 "簡略化します (縁はそのまま)")
      ->type_name("ERROR");
  app.add_option("--save-document", options.saveDocument,
                 "有効なドキュメントを保存します。テクスチャはファイル名だけが入るので、"
                 "OUT.qnf と同じフォルダに置いてください")
      ->type_name("OUT.qnf");
  app.add_option(
         "--orbit", options.orbit,
         "視点を注視点の鉛直線のまわりに回して N コマを書きます (高さと水平距離はそのまま)。"
         "-o の名前にはコマ番号 (%04d など) を入れます")
      ->type_name("N");
  app.add_option("--orbit-degrees", options.orbitDegrees, "--orbit で回す角度 (既定 360)")
      ->type_name("DEGREES");
  app.add_option("--camera-path", options.cameraPath,
                 "1 行 1 コマのカメラ: 視点 x,y,z 注視点 x,y,z [焦点距離] (コンマか空白で区切り、"
                 "# 以降は注釈)")
      ->type_name("FILE");
  app.add_flag("-q,--quiet", options.quiet, "進行状況の行を出しません (エラーは出します)");
  app.footer(
      "進行状況は段階ごとに (コマを書くときはコマごとに) 1 行ずつ標準エラー出力に出ます。Ctrl+C "
      "で中止します。\n"
      "1 枚の絵は書き込まず、コマは書き終えたものが残ります。\n"
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
  if (options.output.empty() && options.dxf.empty() && options.meshes.empty() &&
      options.saveDocument.empty() && !options.printSettings) {
    printError(cli_text::kNothingToDo);
    return kUsage;
  }
  if ((!options.output.empty() || !options.dxf.empty() || !options.meshes.empty()) &&
      options.document.empty() && !hasTextures) {
    printError(cli_text::kOutputNeedsInput);
    return kUsage;
  }
  if (std::optional<int> status = checkMeshOptions(options)) return status;
  if (!options.heightRange.empty() && !parseHeightRange(options.heightRange)) {
    printError(cli_text::kBadHeightRange);
    return kUsage;
  }
  return checkFrameOptions(options);
}

// Stage 1: the document and the textures. Textures given on the command line replace the
// document's and are checked as the texture-open command checks them.
int loadInput(DocumentModel& document, const Options& options) {
  if (!options.heightRange.empty())
    document.bumpReadOptions.heightRange = parseHeightRange(options.heightRange);
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
int exportDxfMesh(DocumentModel& document, const std::string& path, StderrFeedback& feedback) {
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

// The cameras of the frames; a camera path is read and checked whole before anything is
// rendered.
std::optional<std::vector<CameraFrame>> flightCameras(const Options& options,
                                                      const RenderSettings& settings, int& status) {
  if (options.orbit)
    return orbitFrames(settings, *options.orbit, options.orbitDegrees.value_or(360.0));
  std::ifstream file(options.cameraPath, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  if (!file) {
    printError(cli_text::aboutFile(options.cameraPath, cli_text::kDocumentUnreadable));
    status = kFailure;
    return std::nullopt;
  }
  CameraPath path = parseCameraPath(text.str(), settings);
  if (path.problem) {
    printError(
        cli_text::cameraPathLine(options.cameraPath, path.problem->line, path.problem->text));
    status = kUsage;
    return std::nullopt;
  }
  return std::move(path.frames);
}

// Stages 4 and 6 for a flight: the model is built and averaged once; every frame is then
// transformed, sorted, lit and painted, and written (atomically) as soon as it is done.
// Ctrl-C stops at the next poll and keeps the frames already written.
int renderFrames(DocumentModel& document, const Options& options, CancelSignal& cancel,
                 StderrFeedback& feedback) {
  if (int status = needTextures(document); status != kSuccess) return status;
  TerrainRenderer& renderer = document.renderer;
  const RenderSettings settings = renderer.settings;
  int status = kSuccess;
  const std::optional<std::vector<CameraFrame>> cameras = flightCameras(options, settings, status);
  if (!cameras) return status;

  int width = 0, height = 0;
  document.gridSize(&width, &height);
  if (!renderer.buildMesh(MeshPurpose::Rendering, document.surfaceImage, document.bumpImage, width,
                          height) ||
      !renderer.averageColors() || !renderer.keepModelForFrames(true)) {
    renderer.finishRendering();
    return feedback.cancelDelivered() ? kCancelled : kFailure;
  }
  // The stages of each frame poll Ctrl-C but print nothing; one line per frame instead.
  const bool terminal = isatty(STDERR_FILENO) == 1;
  StderrFeedback frameFeedback(cancel, false, terminal);
  renderer.setFeedback(&frameFeedback);
  // Frame k is painted and written on a second thread while the stages of frame k + 1 run
  // here; each frame is the same picture renderFrame gives, and they are written in order.
  FrameToPaint frames[2];
  std::thread painter;
  bool painted = true;  // the painter's frame was written
  auto start = std::chrono::steady_clock::now();
  auto finishFrame = [&](std::size_t k) {
    painter.join();
    if (!painted) {
      feedback.showMessage(cli_text::kFrameNotSaved);
      status = kFailure;
      return;
    }
    if (options.quiet) return;
    const auto now = std::chrono::steady_clock::now();
    const std::chrono::duration<double> took = now - start;
    start = now;
    const std::string line =
        cli_text::frameDone(k + 1, cameras->size(), terminal ? took.count() : -1);
    std::fprintf(stderr, "%s\n", line.c_str());
  };
  for (std::size_t k = 0; k < cameras->size() && status == kSuccess; ++k) {
    renderer.settings = withCamera(settings, (*cameras)[k]);
    FrameToPaint& frame = frames[k % 2];
    const bool prepared = renderer.prepareFrame(frame);
    if (painter.joinable()) finishFrame(k - 1);
    if (status != kSuccess) break;
    if (!prepared || feedback.takeCancel()) {
      const bool cancelled = !prepared ? frameFeedback.cancelDelivered() : true;
      status = cancelled ? kCancelled : kFailure;
      if (cancelled) feedback.showMessage(engine_text::kRenderingCancelled);
      break;
    }
    const std::string name = frameFileName(options.output, static_cast<int>(k + 1));
    painter = std::thread([&renderer, &frame, &painted, name] {
      painted = paintFrame(renderer.model(), frame) && savePicture(frame.screen, name);
    });
  }
  if (painter.joinable()) finishFrame(cameras->size() - 1);
  renderer.setFeedback(&feedback);
  renderer.settings = settings;
  renderer.finishRendering();
  return status;
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

// Stage 5b: the mesh in one of today's 3-D formats, chosen by the name's extension.
int exportOtherMesh(DocumentModel& document, const std::string& path, const Options& options,
                    StderrFeedback& feedback) {
  if (int status = needTextures(document); status != kSuccess) return status;
  const MeshExportOptions meshOptions{options.solid, options.simplify};
  switch (exportMesh(document.renderer, document.surfaceImage, document.bumpImage, path,
                     *meshFormatOfName(path), meshOptions, feedback)) {
    case MeshExportResult::Written:
      return kSuccess;
    case MeshExportResult::Cancelled:
      return kCancelled;
    case MeshExportResult::MeshFailed:
      return feedback.cancelDelivered() ? kCancelled : kFailure;
    case MeshExportResult::Refused:
    case MeshExportResult::WriteFailed:
      break;
  }
  return kFailure;
}

int run(const Options& options) {
  CancelSignal cancel;
  StderrFeedback feedback(cancel, !options.quiet, isatty(STDERR_FILENO) == 1);
  DocumentModel document(&feedback);

  int status = loadInput(document, options);
  if (status == kSuccess) status = applyOverrides(document, options);
  if (status == kSuccess && options.printSettings) status = printSettings(document);
  if (status == kSuccess && options.frames())
    status = renderFrames(document, options, cancel, feedback);
  const bool picture = !options.output.empty() && !options.frames();
  if (status == kSuccess && picture) status = renderPicture(document, feedback);
  if (status == kSuccess && !options.dxf.empty())
    status = exportDxfMesh(document, options.dxf, feedback);
  for (const std::string& mesh : options.meshes)
    if (status == kSuccess) status = exportOtherMesh(document, mesh, options, feedback);
  if (status == kSuccess && picture) status = writePicture(document, options.output, feedback);
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
