#pragma once
// DocumentModel: one QN document apart from any window: the two texture paths and
// images, the render engine with its settings, and the operations on them (new document,
// open and reload textures, start and stop rendering, read and write the .qnf file).
// Messages go to the UserFeedback given; it never decides about file names or the modified
// flag of a window (the window's document class does, from the results returned here).

#include <string>
#include <string_view>

#include "engine/StageProgress.h"
#include "engine/TerrainRenderer.h"
#include "raster/DibImage.h"
#include "raster/TextureFile.h"

enum class TextureKind { Surface, Bump };

// How reading a document file ended.
enum class DocumentReadResult {
  // The document now holds the file's settings and textures.
  Read,
  // The file could not be opened or read; nothing changed, no message shown.
  FileError,
  // Wrong magic: "QN ドキュメントではありません。" shown; nothing changed.
  NotDocument,
  // Version above 300: "上位バージョンのフォーマットはサポートしていません。" shown; nothing
  // changed.
  NewerVersion,
  // Ends before its last field: "予期しないﾌｧｲﾙ形式です。" shown; nothing changed.
  Truncated,
};

// How the start-rendering sequence ended.
enum class StartResult {
  Refused,       // a rendering is in progress: the refusal message was shown
  StageFailed,   // a stage was cancelled or ran out of memory (or a texture is missing,
                 // which the enabling rule excludes; no message then); finishRendering was called
  ScreenFailed,  // the screen could not be made (default screen made); finishRendering was called
  Started,       // the model is built and the screen created: drawing may begin
};

class DocumentModel {
 public:
  // Starts as a new document: default settings, no textures.
  explicit DocumentModel(UserFeedback* feedback = nullptr);

  // Where messages and progress go (also the engine's); null means silent.
  void setFeedback(UserFeedback* feedback);

  TerrainRenderer renderer;
  DibImage surfaceImage;
  DibImage bumpImage;
  const std::string& surfacePath() const { return surfacePath_; }
  const std::string& bumpPath() const { return bumpPath_; }
  // How the bump texture's samples become heights when it is read (TextureFile.h): a
  // range for elevation rasters instead of their own minimum..maximum.
  TextureReadOptions bumpReadOptions;

  // Settings to their defaults, model discarded, both textures released, paths empty.
  void newDocument();

  // Loads a texture from path. Returns true when it was loaded and kept (the window marks
  // the document modified then). On failure the texture is left empty and the message
  // "読み込みに失敗しました。" or
  // "幅または高さが1ピクセル以下のビットマップは使用できません。" is shown.
  bool openTexture(TextureKind kind, const std::string& path);
  // Loads both textures again from their paths, each on its own, with the same messages.
  void reloadTextures();

  // Enabling rules of the document commands.
  bool canReloadTextures() const;  // a texture path is set
  bool canStartRendering() const;  // both textures loaded and no rendering in progress
  bool canStopRendering() const;   // a rendering is in progress
  bool canSaveBitmap() const;      // no rendering in progress

  // The common top-left region of the two textures: the smaller width and height.
  void gridSize(int* width, int* height) const;

  // Runs buildMesh (rendering), averageColors, transformVertices, sortPolygons,
  // applyLighting and createScreen, ending the rendering on the first failure.
  StartResult startRendering();
  // Ends a rendering; the part drawn so far stays on the screen image.
  void stopRendering();

  // Reads a .qnf file. The whole file is parsed before the document is touched, so a
  // refused or truncated file leaves the document exactly as it was. Texture names are
  // resolved in the document's folder; a missing texture shows its message and leaves
  // that texture empty while reading goes on. A stored name is cut to its last component
  // on '/' and '\' ("." and ".." are refused like a missing file), so a document never
  // reads outside its folder. A name that is not a file as it stands is tried again as
  // code page 932 converted to UTF-8. An empty name keeps the texture already loaded.
  DocumentReadResult readFile(const std::string& path);
  // Writes the document (current format) atomically; false on any write error, with the
  // previous file left as it was. Shows no message. Texture names are stored without
  // their folders, in code page 932 when it can represent them, else as UTF-8; false too
  // when a name cannot be stored (it holds a line break).
  bool writeFile(const std::string& path) const;

 private:
  void showMessage(std::string_view text) const;
  DibImage& image(TextureKind kind);
  bool loadImage(TextureKind kind, const std::string& path);
  std::string& path(TextureKind kind);
  void reloadTexture(TextureKind kind);
  void loadStoredTexture(TextureKind kind, const std::string& documentPath,
                         const std::string& storedName);

  UserFeedback* feedback_ = nullptr;
  std::string surfacePath_;
  std::string bumpPath_;
};
