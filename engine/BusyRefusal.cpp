#include "engine/BusyRefusal.h"

#include "engine/TerrainRenderer.h"

bool refuseWhileDrawing(const TerrainRenderer& renderer, UserFeedback& feedback,
                        RefusedCommand command) {
  if (!renderer.isDrawing()) return false;
  feedback.showMessage(command == RefusedCommand::StartRendering ? kStartRenderingBusyRefusal
                                                                 : kBusyRefusal);
  return true;
}
