// Faults on every write path (a BMP, the rendered picture as PNG, the DXF export and the
// document, in the library and through qn-render): a full file system, /dev/full as the
// target, a missing folder, a parent that is a file, a target that is a non-empty folder and
// a rename over a busy mount point. Each is reported (the path's message; exit status 1)
// and leaves the previous target byte for byte, and no temporary file.

#include <gtest/gtest.h>

#include <functional>

#include "document/DocumentModel.h"
#include "export/DxfExport.h"
#include "export/ImageSave.h"
#include "hardening/HardeningFixtures.h"
#include "support/RecordingFeedback.h"

namespace {

const std::vector<std::uint8_t> kPreviousBytes = {'o', 'l', 'd', ' ', 'f', 'i', 'l', 'e', 0, 0xFF};
const std::string kSaveFailed = "保存に失敗しました。", kWriteFailed = "書き込みに失敗しました。";

// The target, the folder whose entries must not change, the file that must keep its bytes.
struct Scene {
  std::string target, watchedFolder, keptFile;
};
using MakeScene = bool (*)(const TempFolder&, Mounts&, Scene&);  // false: cannot be made here

// clang-format off
const std::pair<const char*, MakeScene> kFaults[] = {
    {"missing folder", [](const TempFolder& f, Mounts&, Scene& s) {
       return s = {f.file("missing/out.png"), f.path(), ""}, true; }},
    {"parent is a regular file", [](const TempFolder& f, Mounts&, Scene& s) {
       s = {f.file("plain/out.png"), f.path(), f.file("plain")};
       return writeBytes(s.keptFile, kPreviousBytes); }},
    {"target is a non-empty folder", [](const TempFolder& f, Mounts&, Scene& s) {
       std::filesystem::create_directory(f.file("out.png"));
       s = {f.file("out.png"), f.path(), f.file("out.png/inner")};
       return writeBytes(s.keptFile, kPreviousBytes); }},
    // Writing beside the target would put a temporary file into /dev: refused at once.
    {"device /dev/full as target", [](const TempFolder&, Mounts&, Scene& s) {
       return s = {"/dev/full", "/dev", ""}, true; }},
    {"full file system", [](const TempFolder& f, Mounts& mounts, Scene& s) {
       s = {f.file("disk/out.png"), f.file("disk"), f.file("disk/out.png")};
       if (!mounts.tmpfs(f.file("disk"), "size=64k") || !writeBytes(s.target, kPreviousBytes)) return false;
       fillFileSystem(f.file("disk"));
       return true; }},
    // rename(2) onto a mount point fails with EBUSY after the whole file was written.
    {"rename over a busy mount point", [](const TempFolder& f, Mounts& mounts, Scene& s) {
       s = {f.file("out.png"), f.path(), f.file("out.png")};
       return writeBytes(s.target, {'u', 'n', 'd', 'e', 'r'}) &&
              writeBytes(f.file("other"), kPreviousBytes) && mounts.bind(f.file("other"), s.target); }},
};
// clang-format on

struct WritePath {
  std::string name, message;  // the message shown on failure (empty: none)
  std::function<bool(const std::string& target, RecordingFeedback& feedback)> write;
};

std::vector<WritePath> writePaths(const TempFolder& work) {
  std::vector<WritePath> paths = {
      {"DibImage::writeFile", "",
       [](const std::string& target, RecordingFeedback&) {
         return gradientTexture(16, 16).writeFile(target);
       }},
      {"saveRenderedImage", kSaveFailed,
       [](const std::string& target, RecordingFeedback& feedback) {
         TerrainRenderer renderer;
         return renderer.createDefaultScreen() && saveRenderedImage(renderer, target, feedback);
       }},
      {"exportDxf", kWriteFailed,
       [](const std::string& target, RecordingFeedback& feedback) {
         TerrainRenderer renderer;
         const DibImage texture = gradientTexture(16, 16);
         return exportDxf(renderer, texture, texture, target, feedback) == DxfExportResult::Written;
       }},
      {"DocumentModel::writeFile", "",
       [](const std::string& target, RecordingFeedback&) {
         return DocumentModel().writeFile(target);
       }},
  };
#ifdef QN_RENDER_PATH
  // qn-render: exit status 0, or 1 with the message on stderr (as if shown).
  const std::string surface = work.file("surface.bmp");
  EXPECT_TRUE(gradientTexture(16, 16).writeFile(surface));
  for (const auto& [option, message] :
       {std::pair{"-o", kSaveFailed}, {"--dxf", kWriteFailed}, {"--save-document", kSaveFailed}})
    paths.push_back({std::string("qn-render ") + option, message,
                     [=, &work](const std::string& target, RecordingFeedback& feedback) {
                       const RunResult run = runRender(
                           {"-q", "--surface", surface, "--bump", surface, option, target},
                           work.file("stderr.txt"));
                       EXPECT_TRUE(run.exitStatus == 0 || run.exitStatus == 1) << run.errorOutput;
                       if (run.errorOutput.find(message) != std::string::npos)
                         feedback.showMessage(message);
                       return run.exitStatus == 0;
                     }});
#endif
  return paths;
}

// Every write path into every fault that can be made here: false and the path's message,
// with the scene as it was. Returns how many scenes of the mounted kind ran.
int runFaults(bool withMounts) {
  TempFolder work;
  int ran = 0;
  for (const WritePath& path : writePaths(work))
    for (const auto& [fault, make] : kFaults) {
      if ((std::string(fault).find("file system") != std::string::npos ||
           std::string(fault).find("mount") != std::string::npos) != withMounts)
        continue;
      SCOPED_TRACE(path.name + " / " + fault);
      TempFolder folder;
      Mounts mounts;
      Scene scene;
      if (!make(folder, mounts, scene)) continue;
      ++ran;
      const auto entries = folderEntries(scene.watchedFolder);
      const auto kept = readBytes(scene.keptFile);  // empty when there is none
      RecordingFeedback feedback;
      EXPECT_FALSE(path.write(scene.target, feedback));
      EXPECT_EQ(feedback.messageTexts(),
                path.message.empty() ? std::vector<std::string>{} : std::vector{path.message});
      EXPECT_EQ(folderEntries(scene.watchedFolder), entries);
      EXPECT_EQ(readBytes(scene.keptFile), kept);
    }
  return ran;
}

TEST(WriteFaults, EveryWritePathSucceedsOnAPlainTarget) {
  TempFolder work;
  for (const WritePath& path : writePaths(work)) {
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
  TempFolder work;
  EXPECT_EQ(runFaults(false), 4 * int(writePaths(work).size()));
}

TEST(WriteFaults, FullDiskAndFailedRenameKeepThePreviousFile) {
  if (runFaults(true) == 0) GTEST_SKIP() << "cannot mount file systems here (needs root)";
}

}  // namespace
