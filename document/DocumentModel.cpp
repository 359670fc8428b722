// The document's state and commands apart from any window: textures, settings, the
// start-rendering sequence and reading and writing the .qnf file (format in DocumentFile.cpp).

#include "document/DocumentModel.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "base/AtomicFile.h"
#include "base/Cp932.h"
#include "base/PathParts.h"
#include "document/DocumentFile.h"
#include "engine/BusyRefusal.h"

namespace {

constexpr std::string_view kLoadFailedMessage = "読み込みに失敗しました。";
constexpr std::string_view kTooSmallMessage =
    "幅または高さが1ピクセル以下のビットマップは使用できません。";
constexpr std::string_view kNotDocumentMessage = "QN ドキュメントではありません。";
constexpr std::string_view kNewerVersionMessage =
    "上位バージョンのフォーマットはサポートしていません。";
constexpr std::string_view kUnexpectedFormatMessage = "予期しないﾌｧｲﾙ形式です。";
constexpr std::string_view kSurfaceNotFoundMessage =
    "表面テクスチャを発見できませんでした。\n手動で読み直してください。";
constexpr std::string_view kBumpNotFoundMessage =
    "バンプテクスチャの発見できませんでした。\n手動で読み直してください。";

bool usableSize(const DibImage& image) {
  int width = 0;
  int height = 0;
  image.getSize(&width, &height);
  return width > 1 && height > 1;
}

// The first kDocumentReadLimit bytes of a file (all a document can need); nullopt when the
// file cannot be opened or read.
std::optional<std::vector<std::uint8_t>> readDocumentBytes(const std::string& path) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                       &std::fclose);
  if (!file) return std::nullopt;
  std::vector<std::uint8_t> bytes(kDocumentReadLimit);
  const std::size_t count = std::fread(bytes.data(), 1, bytes.size(), file.get());
  if (std::ferror(file.get())) return std::nullopt;  // a folder, an I/O error
  bytes.resize(count);
  return bytes;
}

// The last component of a stored name, on both '/' and '\', since documents come from
// Windows and a name must never lead out of the document's folder. In code page 932 text a
// second byte may be 0x5C, so those bytes are skipped over. Empty when nothing usable is
// left ("", ".", "..").
std::string lastComponent(std::string_view name, bool cp932) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const auto byte = static_cast<unsigned char>(name[i]);
    if (cp932 && ((byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC))) {
      ++i;  // lead byte: the next byte belongs to the same character
    } else if (byte == '/' || byte == '\\') {
      start = i + 1;
    }
  }
  std::string component(name.substr(std::min(start, name.size())));
  if (component == "." || component == "..") component.clear();
  return component;
}

bool isFile(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

// Where a stored name points in the document's folder: the name as it stands if that is a
// file, else its code page 932 reading in UTF-8. Empty when the name is refused.
std::string resolveStoredName(const std::string& documentPath, const std::string& storedName) {
  const std::string asStored = lastComponent(storedName, !IsValidUtf8(storedName));
  if (!asStored.empty() && isFile(PathBeside(documentPath, asStored))) {
    return PathBeside(documentPath, asStored);
  }
  if (const std::optional<std::string> utf8 = Cp932ToUtf8(storedName)) {
    const std::string converted = lastComponent(*utf8, false);
    if (!converted.empty() && isFile(PathBeside(documentPath, converted))) {
      return PathBeside(documentPath, converted);
    }
  }
  return asStored.empty() ? std::string() : PathBeside(documentPath, asStored);
}

// The name a document stores for a texture path: code page 932 bytes when the name can be
// written so (documents stay readable where they came from), its UTF-8 bytes otherwise.
std::string storedNameOf(const std::string& path) {
  const std::string name = GetFileNamePart(path);
  return Utf8ToCp932(name).value_or(name);
}

}  // namespace

DocumentModel::DocumentModel(UserFeedback* feedback) { setFeedback(feedback); }

void DocumentModel::setFeedback(UserFeedback* feedback) {
  feedback_ = feedback;
  renderer.setFeedback(feedback);
}

void DocumentModel::showMessage(std::string_view text) const {
  if (feedback_) feedback_->showMessage(text, MessageIcon::Warning);
}

DibImage& DocumentModel::image(TextureKind kind) {
  return kind == TextureKind::Surface ? surfaceImage : bumpImage;
}

bool DocumentModel::loadImage(TextureKind kind, const std::string& imagePath) {
  return loadTextureFile(imagePath, image(kind),
                         kind == TextureKind::Bump ? bumpReadOptions : TextureReadOptions{});
}

std::string& DocumentModel::path(TextureKind kind) {
  return kind == TextureKind::Surface ? surfacePath_ : bumpPath_;
}

void DocumentModel::newDocument() {
  renderer.resetSettings();
  surfaceImage.release();
  bumpImage.release();
  surfacePath_.clear();
  bumpPath_.clear();
}

bool DocumentModel::openTexture(TextureKind kind, const std::string& texturePath) {
  path(kind).clear();
  DibImage& texture = image(kind);
  if (!loadImage(kind, texturePath)) {
    showMessage(kLoadFailedMessage);
    return false;
  }
  if (!usableSize(texture)) {
    showMessage(kTooSmallMessage);
    texture.release();
    return false;
  }
  path(kind) = texturePath;
  return true;
}

void DocumentModel::reloadTexture(TextureKind kind) {
  if (path(kind).empty()) return;
  DibImage& texture = image(kind);
  if (!loadImage(kind, path(kind))) {
    showMessage(kLoadFailedMessage);
    path(kind).clear();
  } else if (!usableSize(texture)) {
    showMessage(kTooSmallMessage);
    texture.release();
    path(kind).clear();
  }
}

void DocumentModel::reloadTextures() {
  // Each texture on its own: the surface's failure does not stop the bump's reload.
  reloadTexture(TextureKind::Surface);
  reloadTexture(TextureKind::Bump);
}

bool DocumentModel::canReloadTextures() const {
  return !surfacePath_.empty() || !bumpPath_.empty();
}

bool DocumentModel::canStartRendering() const {
  return surfaceImage.isValid() && bumpImage.isValid() && !renderer.isDrawing();
}

bool DocumentModel::canStopRendering() const { return renderer.isDrawing(); }

bool DocumentModel::canSaveBitmap() const { return !renderer.isDrawing(); }

void DocumentModel::gridSize(int* width, int* height) const {
  int surfaceWidth = 0;
  int surfaceHeight = 0;
  int bumpWidth = 0;
  int bumpHeight = 0;
  surfaceImage.getSize(&surfaceWidth, &surfaceHeight);
  bumpImage.getSize(&bumpWidth, &bumpHeight);
  if (width) *width = std::min(surfaceWidth, bumpWidth);
  if (height) *height = std::min(surfaceHeight, bumpHeight);
}

StartResult DocumentModel::startRendering() {
  if (refuseWhileDrawing(renderer, renderer.feedback(), RefusedCommand::StartRendering))
    return StartResult::Refused;
  if (!surfaceImage.isValid() || !bumpImage.isValid()) {
    // Callers enable the command only with both textures; without them there is no model.
    renderer.finishRendering();
    return StartResult::StageFailed;
  }
  int width = 0;
  int height = 0;
  gridSize(&width, &height);
  const bool modelReady =
      renderer.buildMesh(MeshPurpose::Rendering, surfaceImage, bumpImage, width, height) &&
      renderer.averageColors() && renderer.transformVertices() && renderer.sortPolygons() &&
      renderer.applyLighting();
  if (!modelReady) {
    renderer.finishRendering();
    return StartResult::StageFailed;
  }
  if (!renderer.createScreen()) {
    renderer.finishRendering();
    return StartResult::ScreenFailed;
  }
  return StartResult::Started;
}

void DocumentModel::stopRendering() { renderer.finishRendering(); }

DocumentReadResult DocumentModel::readFile(const std::string& documentPath) {
  const std::optional<std::vector<std::uint8_t>> bytes = readDocumentBytes(documentPath);
  if (!bytes) return DocumentReadResult::FileError;

  // Everything is parsed before the document changes, so a refused file changes nothing.
  const DocumentParseResult parsed = parseDocument(*bytes);
  switch (parsed.status) {
    case DocumentParseStatus::Parsed:
      break;
    case DocumentParseStatus::NotDocument:
      showMessage(kNotDocumentMessage);
      return DocumentReadResult::NotDocument;
    case DocumentParseStatus::NewerVersion:
      showMessage(kNewerVersionMessage);
      return DocumentReadResult::NewerVersion;
    case DocumentParseStatus::Truncated:
      showMessage(kUnexpectedFormatMessage);
      return DocumentReadResult::Truncated;
  }

  renderer.resetSettings();
  renderer.settings = parsed.data.settings;
  loadStoredTexture(TextureKind::Surface, documentPath, parsed.data.surfaceName);
  loadStoredTexture(TextureKind::Bump, documentPath, parsed.data.bumpName);
  return DocumentReadResult::Read;
}

void DocumentModel::loadStoredTexture(TextureKind kind, const std::string& documentPath,
                                      const std::string& storedName) {
  // An empty name leaves the texture the document already had, with its path.
  if (storedName.empty()) return;
  const std::string resolved = resolveStoredName(documentPath, storedName);
  // Unlike the texture commands, any image that loads is kept, even 1 pixel wide.
  if (!resolved.empty() && loadImage(kind, resolved)) {
    path(kind) = resolved;
    return;
  }
  image(kind).release();
  path(kind).clear();
  showMessage(kind == TextureKind::Surface ? kSurfaceNotFoundMessage : kBumpNotFoundMessage);
}

bool DocumentModel::writeFile(const std::string& documentPath) const {
  const std::optional<std::vector<std::uint8_t>> bytes =
      encodeDocument(storedNameOf(surfacePath_), storedNameOf(bumpPath_), renderer.settings);
  if (!bytes) return false;
  return writeFileAtomically(documentPath, bytes->data(), bytes->size());
}
