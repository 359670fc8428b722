// Fault injection on every write path: saving a BMP (DibImage::writeFile), the rendered
// picture (the targets end in ".png", so it is written as a PNG), the DXF export and the
// document save, in the library and through qn-render.
// Each fault must be reported (the path's message, exit status 1) and must leave the
// previous target byte for byte and no temporary file in the folder. The faults: a full
// file system, the device /dev/full as target, a missing folder, a parent that is a regular
// file, a target that is a non-empty folder, and a rename over a busy mount point.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "document/DocumentModel.h"
#include "export/DxfExport.h"
#include "export/ImageSave.h"
#include "hardening/HardeningFixtures.h"
#include "support/RecordingFeedback.h"

namespace {

const std::vector<std::uint8_t> kPreviousBytes = {'o', 'l', 'd', ' ', 'f', 'i', 'l', 'e', 0, 0xFF};
constexpr const char* kSaveFailed = "保存に失敗しました。";

// Where a faulty write goes and what must stay as it was.
struct Scene {
  std::string target;
  std::string watchedFolder;  // its entries must not change (no temporary file left)
  std::string keptFile;       // must keep its bytes (empty: nothing to compare)
};

// A scene as it was before the failed write, to show that the write changed nothing.
class SceneBefore {
 public:
  explicit SceneBefore(const Scene& scene)
      : scene_(scene),
        entries_(folderEntries(scene.watchedFolder)),
        kept_(scene.keptFile.empty() ? std::vector<std::uint8_t>() : readBytes(scene.keptFile)) {}

  void expectUnchanged() const {
    EXPECT_EQ(folderEntries(scene_.watchedFolder), entries_);
    if (!scene_.keptFile.empty()) {
      EXPECT_EQ(readBytes(scene_.keptFile), kept_);
    }
  }

 private:
  const Scene& scene_;
  std::vector<std::string> entries_;
  std::vector<std::uint8_t> kept_;
};

struct Fault {
  const char* name;
  bool needsMount;
  // Builds the scene in folder; false when it cannot be built here (the case is skipped).
  std::function<bool(const TempFolder&, Mounts&, Scene&)> make;
};

const std::vector<Fault>& faults() {
  static const std::vector<Fault> kFaults = {
      {"full file system", true,
       [](const TempFolder& folder, Mounts& mounts, Scene& scene) {
         const std::string disk = folder.file("disk");
         if (!mounts.tmpfs(disk, "size=64k")) return false;
         scene = {disk + "/out.png", disk, disk + "/out.png"};
         if (!writeBytes(scene.target, kPreviousBytes)) return false;
         fillFileSystem(disk);
         return true;
       }},
      {"device /dev/full as target", false,
       [](const TempFolder&, Mounts&, Scene& scene) {
         // Writing beside the target would put a temporary file into /dev: refused at once.
         scene = {"/dev/full", "/dev", ""};
         return true;
       }},
      {"missing folder", false,
       [](const TempFolder& folder, Mounts&, Scene& scene) {
         scene = {folder.file("missing/out.png"), folder.path(), ""};
         return true;
       }},
      {"parent is a regular file", false,
       [](const TempFolder& folder, Mounts&, Scene& scene) {
         scene = {folder.file("plain/out.png"), folder.path(), folder.file("plain")};
         return writeBytes(scene.keptFile, kPreviousBytes);
       }},
      {"target is a non-empty folder", false,
       [](const TempFolder& folder, Mounts&, Scene& scene) {
         std::filesystem::create_directory(folder.file("out.png"));
         scene = {folder.file("out.png"), folder.path(), folder.file("out.png/inner")};
         return writeBytes(scene.keptFile, kPreviousBytes);
       }},
      {"rename over a busy mount point", true,
       [](const TempFolder& folder, Mounts& mounts, Scene& scene) {
         // rename(2) onto a mount point fails with EBUSY after the whole file was written.
         scene = {folder.file("out.png"), folder.path(), folder.file("out.png")};
         const std::string other = folder.file("other");
         return writeBytes(scene.target, {'u', 'n', 'd', 'e', 'r'}) &&
                writeBytes(other, kPreviousBytes) && mounts.bind(other, scene.target);
       }},
  };
  return kFaults;
}

struct WritePath {
  const char* name;
  std::string message;  // shown on failure (empty: the path shows none)
  std::function<bool(const std::string& target, RecordingFeedback& feedback)> write;
};

const std::vector<WritePath>& writePaths() {
  static const std::vector<WritePath> kPaths = {
      {"DibImage::writeFile", "",
       [](const std::string& target, RecordingFeedback&) {
         return gradientTexture(16, 16).writeFile(target);
       }},
      {"saveRenderedImage", kSaveFailed,
       [](const std::string& target, RecordingFeedback& feedback) {
         TerrainRenderer renderer;
         return renderer.createDefaultScreen() && saveRenderedImage(renderer, target, feedback);
       }},
      {"exportDxf", "書き込みに失敗しました。",
       [](const std::string& target, RecordingFeedback& feedback) {
         TerrainRenderer renderer;
         const DibImage surface = gradientTexture(16, 16);
         const DibImage bump = gradientTexture(16, 16);
         return exportDxf(renderer, surface, bump, target, feedback) == DxfExportResult::Written;
       }},
      {"DocumentModel::writeFile", "",
       [](const std::string& target, RecordingFeedback&) {
         DocumentModel document;
         return document.writeFile(target);
       }},
  };
  return kPaths;
}

// Lays out each fault of one kind (mounted or not) once per item and runs check on the
// scene, then verifies that the failed write left the scene as it was. Returns how many
// scenes could be made.
template <typename Item, typename Check>
int forEachFaultScene(bool withMounts, const std::vector<Item>& items, Check check) {
  int ran = 0;
  for (const Fault& fault : faults()) {
    if (fault.needsMount != withMounts) continue;
    for (const Item& item : items) {
      SCOPED_TRACE(std::string(item.name) + " / " + fault.name);
      TempFolder folder;
      Mounts mounts;
      Scene scene;
      if (!fault.make(folder, mounts, scene)) continue;
      ++ran;
      const SceneBefore before(scene);
      check(item, scene);
      before.expectUnchanged();
    }
  }
  return ran;
}

// Runs every write path against every fault of one kind; returns how many scenes ran.
int runFaults(bool withMounts) {
  return forEachFaultScene(withMounts, writePaths(), [](const WritePath& path, const Scene& scene) {
    RecordingFeedback feedback;
    EXPECT_FALSE(path.write(scene.target, feedback));
    if (path.message.empty()) {
      EXPECT_TRUE(feedback.messageTexts().empty());
    } else {
      EXPECT_EQ(feedback.messageTexts(), std::vector<std::string>{path.message});
    }
  });
}

TEST(WriteFaults, EveryWritePathSucceedsOnAPlainTarget) {
  for (const WritePath& path : writePaths()) {
    SCOPED_TRACE(path.name);
    TempFolder folder;
    ASSERT_TRUE(writeBytes(folder.file("out"), kPreviousBytes));
    RecordingFeedback feedback;
    EXPECT_TRUE(path.write(folder.file("out"), feedback));
    EXPECT_NE(readBytes(folder.file("out")), kPreviousBytes);
    EXPECT_EQ(folderEntries(folder.path()), std::vector<std::string>{"out"});
  }
}

TEST(WriteFaults, BadTargetsAreReportedAndKeepEverythingAsItWas) {
  EXPECT_EQ(runFaults(false), 4 * 4);
}

TEST(WriteFaults, FullDiskAndFailedRenameKeepThePreviousFile) {
  if (runFaults(true) == 0) GTEST_SKIP() << "cannot mount file systems here (needs root)";
}

#ifdef QN_RENDER_PATH
struct RenderOutput {
  const char* name;     // the option
  std::string message;  // on stderr when the write fails
};

// qn-render with textures from a work folder, writing one output into each fault.
int runRenderFaults(bool withMounts) {
  TempFolder work;
  const std::string surface = work.file("surface.bmp");
  const std::string bump = work.file("bump.bmp");
  if (!gradientTexture(16, 16).writeFile(surface) || !gradientTexture(16, 16).writeFile(bump))
    return -1;
  const std::vector<RenderOutput> outputs = {
      {"-o", kSaveFailed},
      {"--dxf", "書き込みに失敗しました。"},
      {"--save-document", "保存に失敗しました。"},
  };
  return forEachFaultScene(
      withMounts, outputs, [&](const RenderOutput& output, const Scene& scene) {
        const RunResult run =
            runRender({"-q", "--surface", surface, "--bump", bump, output.name, scene.target},
                      work.file("stderr.txt"));
        EXPECT_EQ(run.exitStatus, 1) << run.errorOutput;
        EXPECT_NE(run.errorOutput.find(output.message), std::string::npos) << run.errorOutput;
      });
}

TEST(QnRenderWriteFaults, BadTargetsExitWithOneAndKeepEverythingAsItWas) {
  EXPECT_EQ(runRenderFaults(false), 4 * 3);
}

TEST(QnRenderWriteFaults, FullDiskAndFailedRenameExitWithOneAndKeepThePreviousFile) {
  const int ran = runRenderFaults(true);
  ASSERT_GE(ran, 0);
  if (ran == 0) GTEST_SKIP() << "cannot mount file systems here (needs root)";
}
#endif

}  // namespace
