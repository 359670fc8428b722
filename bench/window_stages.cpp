// window-stages: the five stages of a rendering as the window runs them, with its progress
// windows (QtFeedback over a main window), timed; and the same stages with a feedback that
// only polls a flag, as qn-render runs them. Prints both times and their ratio. (Warm: the
// fresh-process costs are bench/fresh-process.sh's business.)
//   window-stages SURFACE.bmp BUMP.bmp [window|flag]    (QT_QPA_PLATFORM=offscreen works)
// With a third argument only that kind runs (twice, the second timed), for perf stat.

#include <chrono>
#include <cstdio>
#include <memory>
#include <string_view>

#include <QApplication>
#include <QWidget>

#include "dialogs/QtFeedback.h"
#include "engine/TerrainRenderer.h"
#include "raster/DibImage.h"

namespace {

// What qn-render's feedback costs per poll: a flag read.
class FlagFeedback final : public UserFeedback {
  class Progress final : public StageProgress {
   public:
    bool create() override { return true; }
    void setCaption(std::string_view) override {}
    void setMessage(std::string_view) override {}
    int setProgress(int) override { return 0; }
    bool pollCancel() override { return false; }
    void showBusyOnly() override {}
    void destroy() override {}
  };

 public:
  void showMessage(std::string_view, MessageIcon) override {}
  std::unique_ptr<StageProgress> openProgress() override { return std::make_unique<Progress>(); }
};

double stagesSeconds(UserFeedback& feedback, const DibImage& surface, const DibImage& bump) {
  TerrainRenderer r;
  r.setFeedback(&feedback);
  const int w = std::min(surface.width(), bump.width());
  const int h = std::min(surface.height(), bump.height());
  const auto start = std::chrono::steady_clock::now();
  const bool ok = r.buildMesh(MeshPurpose::Rendering, surface, bump, w, h) && r.averageColors() &&
                  r.transformVertices() && r.sortPolygons() && r.applyLighting();
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  if (!ok) std::fprintf(stderr, "window-stages: a stage failed\n");
  return took.count();
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: window-stages SURFACE.bmp BUMP.bmp [window|flag]\n");
    return 2;
  }
  DibImage surface, bump;
  if (!surface.load(argv[1]) || !bump.load(argv[2])) {
    std::fprintf(stderr, "window-stages: cannot read the textures\n");
    return 1;
  }
  QWidget mainWindow;
  mainWindow.show();
  QtFeedback windowFeedback(&mainWindow);
  FlagFeedback flagFeedback;
  if (argc == 4) {
    const bool window = std::string_view(argv[3]) == "window";
    UserFeedback& feedback = window ? static_cast<UserFeedback&>(windowFeedback) : flagFeedback;
    stagesSeconds(feedback, surface, bump);
    std::printf("stages (%s): %.3f s\n", argv[3], stagesSeconds(feedback, surface, bump));
    return 0;
  }
  // A first round of each faults the memory in; the second is timed.
  stagesSeconds(flagFeedback, surface, bump);
  stagesSeconds(windowFeedback, surface, bump);
  const double plain = stagesSeconds(flagFeedback, surface, bump);
  const double window = stagesSeconds(windowFeedback, surface, bump);
  std::printf("stages: window %.3f s, flag polls %.3f s, ratio %.2f\n", window, plain,
              window / plain);
  return 0;
}
