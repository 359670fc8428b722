#pragma once
// ExportTest: the fixture of the export tests: a temporary folder, a recording feedback, a
// renderer, the mid-sized terrain and a rendering left drawing. Test code only.

#include <gtest/gtest.h>

#include "engine/TerrainRenderer.h"
#include "support/FileContents.h"
#include "support/RecordingFeedback.h"
#include "support/TempFolder.h"
#include "support/TestTextures.h"

class ExportTest : public ::testing::Test {
 protected:
  ExportTest() { renderer.setFeedback(&feedback); }

  void expectIdle() {
    EXPECT_FALSE(renderer.isDrawing());
    EXPECT_FALSE(renderer.hasModel());
    EXPECT_TRUE(feedback.allWindowsClosed());
  }

  // Starts a rendering and leaves it drawing; the feedback starts afresh.
  void startRendering() {
    const DibImage bump = makeBump(8, 8, [](int x, int y) { return x * y; });
    renderer.settings.viewpoint = {4, 40, 40};
    renderer.settings.lookAt = {4, 4, 0};
    ASSERT_TRUE(renderer.buildMesh(MeshPurpose::Rendering, bump, bump, 8, 8) &&
                renderer.averageColors() && renderer.transformVertices() &&
                renderer.sortPolygons() && renderer.applyLighting() && renderer.createScreen());
    ASSERT_TRUE(renderer.isDrawing());
    feedback = RecordingFeedback();
  }

  // A 31 x 21 terrain: 600 cells, 1200 triangles.
  const DibImage midBump = makeBump(31, 21, [](int x, int y) { return (x * 7 + y * 3) % 256; });
  const DibImage midSurface = makeTexture(31, 21, [](int, int) { return 0x336699u; });
  TempFolder folder;
  RecordingFeedback feedback;
  TerrainRenderer renderer;
};
