#pragma once
// TerrainRenderer: the render engine. Owns the render settings, the terrain model
// (TerrainModel: the grid and 16 bytes per triangle), the off-screen screen image and the
// draw position.
// Turns two textures into a painted image through fixed stages, in this order:
// buildMesh, averageColors, transformVertices, sortPolygons, applyLighting, createScreen,
// then drawStep until isDrawing() is false. It reads the textures only in buildMesh and
// talks to the user only through UserFeedback. On large models some stages share their
// work with a helper thread; every feedback call stays on the calling thread.

#include <cstdint>
#include <functional>
#include <memory>

#include <string_view>

#include "engine/StageProgress.h"
#include "engine/TerrainFrames.h"
#include "engine/TerrainModel.h"
#include "engine/TerrainPolygon.h"
#include "raster/DibImage.h"
#include "settings/RenderSettings.h"

enum class MeshPurpose { Rendering = 0, DxfExport = 1 };

class TerrainRenderer {
 public:
  TerrainRenderer();
  ~TerrainRenderer();
  TerrainRenderer(const TerrainRenderer&) = delete;
  TerrainRenderer& operator=(const TerrainRenderer&) = delete;

  // Where messages and progress go; null means SilentFeedback. Not owned.
  void setFeedback(UserFeedback* feedback);
  UserFeedback& feedback() const;

  // Triangles painted per drawStep; 256 from construction, never reset by resetSettings.
  std::uint32_t drawCount = 256;
  RenderSettings settings;

  // Settings to their defaults, model discarded, drawPosition = polygonCount = 0.
  bool resetSettings();

  // Each stage returns false when cancelled or out of memory, after telling the user.
  // buildMesh: capacity 2 x (width - 1) x (height - 1); a capacity beyond 32 bits or a model
  // beyond the memory the process can get is "メモリ不足です。", before anything big is
  // allocated. The grid is never read beyond either image's edge.
  bool buildMesh(MeshPurpose purpose, const DibImage& surface, const DibImage& bump, int width,
                 int height);
  // buildMesh for an export of another format, with its caption and cancel message.
  bool buildExportMesh(std::string_view caption, std::string_view cancelled,
                       const DibImage& surface, const DibImage& bump, int width, int height);
  bool averageColors();
  bool transformVertices();
  bool sortPolygons();
  bool applyLighting();
  // A screen above kMaxScreenSide pixels on a side or kMaxScreenPixels in all is refused
  // like one that cannot be allocated: message, default screen, false.
  static constexpr std::uint32_t kMaxScreenSide = 32768;
  static constexpr std::uint64_t kMaxScreenPixels = std::uint64_t{1} << 28;
  bool createScreen();
  bool createDefaultScreen();
  bool drawStep();
  // Paints the whole model to its end at once, drawStep after drawStep, asking stopAsked
  // (when given) before each step; then finishRendering, as the render view does once
  // drawing has ended. What qn-render and the tests do instead of the timer. False when
  // stopAsked said yes: the model is then discarded with the part painted so far kept.
  bool drawToEnd(const std::function<bool()>& stopAsked = {});
  void finishRendering();

  // A series of pictures of one model from several cameras. After buildMesh and
  // averageColors, keepModelForFrames remembers the triangles as they are then; each
  // renderFrame puts them back and runs transformVertices, sortPolygons, applyLighting,
  // createScreen and every drawStep with the settings of the moment, so its screen is the
  // picture of a whole rendering with those settings. The model stays for the next frame.
  // False when the triangles cannot be kept or a stage or the screen failed, or when
  // stopAsked (asked before each draw step) said yes. With lightOnce the kept triangles are
  // lit at once and frames skip lighting: for flights where only the camera changes.
  bool keepModelForFrames(bool lightOnce = false);
  bool renderFrame(const std::function<bool()>& stopAsked = {});
  // The same frame split in two, so that one frame is painted while the next is prepared:
  // prepareFrame runs the stages and the screen as renderFrame does and hands over what
  // painting needs (the renderer's screen moves into frame); paintFrame (TerrainFrames.h)
  // then paints it, on any thread, into the picture renderFrame would give.
  bool prepareFrame(FrameToPaint& frame);

  bool isDrawing() const { return drawPosition_ < polygonCount_; }
  bool getScreenSize(int* width, int* height) const;
  bool blitScreen(DibImage& target, int x, int y) const;

  DibImage& screen() { return screen_; }
  const DibImage& screen() const { return screen_; }
  // The model, and the full record of its triangle i (i < polygonCount, while hasModel).
  const TerrainModel& model() const { return model_; }
  bool hasModel() const { return static_cast<bool>(model_.triangles); }
  TerrainPolygon polygon(std::uint32_t i) const { return model_.polygon(i); }
  std::uint32_t polygonCount() const { return polygonCount_; }
  std::uint32_t drawPosition() const { return drawPosition_; }

 private:
  // A frame's triangles put back, then transform, sort, lighting and the screen.
  bool runFrameStages();
  // The mesh stage; an export's stage window has a caption, a rendering's none.
  bool buildModel(bool forExport, std::string_view caption, std::string_view cancelled,
                  const DibImage& surface, const DibImage& bump, int width, int height);
  // Triangles the model really holds: polygonCount, but never more (after a cancelled
  // buildMesh the count still describes the previous, discarded model).
  std::uint32_t usableCount() const;

  UserFeedback* feedback_ = nullptr;
  mutable SilentFeedback silentFeedback_;
  DibImage screen_;
  TerrainModel model_;
  LargeArray<TerrainTriangle> frameTriangles_;  // for renderFrame
  std::uint32_t frameTriangleCount_ = 0;
  bool framesLit_ = false;  // the kept triangles carry their lit colours
  std::uint32_t drawPosition_ = 0;
  std::uint32_t polygonCount_ = 0;
};
