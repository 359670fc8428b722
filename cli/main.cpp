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

#include "cli/CancelSignal.h"
#include "cli/StderrFeedback.h"
#include "document/DocumentModel.h"
#include "document/SettingsFields.h"
#include "document/SettingsValidation.h"
#include "engine/EngineMessages.h"
#include "export/DxfExport.h"
#include "export/ImageSave.h"

namespace {

enum ExitStatus : int {
  kSuccess = 0,
  kFailure = 1,    // unreadable input, too small texture, unwritable output, failed stage
  kUsage = 2,      // bad command line or a refused --set
  kCancelled = 130,  // Ctrl-C: the shell's status for a program ended by SIGINT
};

constexpr const char* kVersionText = "QN Version 3.3";

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

void printError(const std::string& text) { std::fprintf(stderr, "qn-render: %s\n", text.c_str()); }

// Fills options; returns the exit status when the program ends here (help, version, a
// usage error) and nothing when it goes on.
std::optional<int> parseCommandLine(int argc, char** argv, Options& options) {
  CLI::App app{
      "Renders a QN terrain picture without a window, from a .qnf document or from a surface\n"
      "and a bump texture under the default settings:\n"
      "  qn-render [options] DOCUMENT.qnf -o OUT.bmp\n"
      "  qn-render [options] --surface SURFACE.bmp --bump BUMP.bmp -o OUT.bmp\n",
      "qn-render"};
  app.set_version_flag("--version", kVersionText);
  app.add_option("DOCUMENT", options.document, "QN document (.qnf) with the settings and textures");
  app.add_option("--surface", options.surface, "surface texture (BMP): the terrain's colours")
      ->type_name("FILE");
  app.add_option("--bump", options.bump, "bump texture (BMP): its red channel is the height")
      ->type_name("FILE");
  app.add_option("-o,--output", options.output, "write the rendered picture as a 24-bit BMP")
      ->type_name("OUT.bmp");
  app.add_option("--set", options.assignments,
                 "override a render setting, e.g. screenWidth=640, viewpoint=100,300,200, "
                 "wireframe=1 (repeatable; checked like the settings dialog)")
      ->type_name("FIELD=VALUE")
      ->allow_extra_args(false);
  app.add_flag("--print-settings", options.printSettings,
               "print the effective settings as field=value lines on stdout");
  app.add_option("--dxf", options.dxf, "write the terrain mesh as DXF 3DFACE entities")
      ->type_name("OUT.dxf");
  app.add_option("--save-document", options.saveDocument,
                 "write the effective document; it stores the texture file names only, so "
                 "the textures must lie in the same folder as OUT.qnf")
      ->type_name("OUT.qnf");
  app.add_flag("-q,--quiet", options.quiet, "no progress lines (errors are still shown)");
  app.footer(
      "Progress goes to stderr, one line per stage. Ctrl-C cancels: nothing is written.\n"
      "Exit status: 0 success, 1 failure, 2 usage error or refused setting, 130 cancelled.");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return app.exit(error) == 0 ? kSuccess : kUsage;  // --help and --version end the run
  }

  const bool hasTextures = !options.surface.empty() && !options.bump.empty();
  if (options.document.empty() && (options.surface.empty() != options.bump.empty())) {
    printError("--surface and --bump go together (or give a DOCUMENT)");
    return kUsage;
  }
  if (options.output.empty() && options.dxf.empty() && options.saveDocument.empty() &&
      !options.printSettings) {
    printError("nothing to do: give -o, --dxf, --save-document or --print-settings (see --help)");
    return kUsage;
  }
  if ((!options.output.empty() || !options.dxf.empty()) && options.document.empty() &&
      !hasTextures) {
    printError("-o and --dxf need a DOCUMENT or both --surface and --bump");
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
        printError("cannot read the document " + options.document);
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
    if (auto error = parseAssignment(settings, assignment)) {
      printError(*error);
      return kUsage;
    }
  }
  if (auto problem = validateSettings(settings)) {
    std::fprintf(stderr, "%.*s\n", static_cast<int>(problem->message.size()),
                 problem->message.data());
    printError("refused setting: " + std::string(problem->field));
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
  printError("both a surface and a bump texture are needed");
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
  TerrainRenderer& renderer = document.renderer;
  while (renderer.isDrawing()) {
    if (feedback.takeCancel()) {
      feedback.showMessage(engine_text::kRenderingCancelled);
      document.stopRendering();
      return kCancelled;
    }
    renderer.drawStep();
  }
  renderer.finishRendering();  // what the render view does when drawing has ended
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
int writePicture(const DocumentModel& document, const std::string& path,
                 StderrFeedback& feedback) {
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
    printError("warning: " + texturePath + " does not lie beside " + documentPath +
               "; the document will not find it there");
}

// Stage 7 (optional): the effective document.
int saveDocument(const DocumentModel& document, const std::string& path,
                 StderrFeedback& feedback) {
  if (feedback.takeCancel()) return kCancelled;
  if (!document.writeFile(path)) {
    printError("cannot write the document " + path);
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
