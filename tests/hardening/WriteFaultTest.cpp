// Every write path on a plain target and on each fault: the fault is reported (the path's
// message; exit status 1), the previous target kept byte for byte and no temporary file left.

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/wait.h>

#include "document/DocumentModel.h"
#include "export/DxfExport.h"
#include "export/ImageSave.h"
#include "support/FileContents.h"
#include "support/RecordingFeedback.h"
#include "support/TempFolder.h"
#include "support/TestTextures.h"

namespace {

const std::vector<std::uint8_t> kPreviousBytes = {'o', 'l', 'd', ' ', 'f', 'i', 'l', 'e', 0, 0xFF};

// What must not change: the folder's entries, the kept file's bytes; mounts need root.
struct Scene {
  std::string target, watchedFolder, keptFile, mountPoint;
};

// clang-format off
const std::pair<const char*, bool (*)(const TempFolder&, Scene&)> kFaults[] = {
    {"plain target", [](const TempFolder& f, Scene& s) {
       return s = {f.file("out"), f.path(), "", ""}, writeBytes(s.target, kPreviousBytes); }},
    {"missing folder", [](const TempFolder& f, Scene& s) {
       return s = {f.file("missing/out.png"), f.path(), "", ""}, true; }},
    {"parent is a regular file", [](const TempFolder& f, Scene& s) {
       s = {f.file("plain/out.png"), f.path(), f.file("plain"), ""};
       return writeBytes(s.keptFile, kPreviousBytes); }},
    {"target is a non-empty folder", [](const TempFolder& f, Scene& s) {
       std::filesystem::create_directory(f.file("out.png"));
       s = {f.file("out.png"), f.path(), f.file("out.png/inner"), ""};
       return writeBytes(s.keptFile, kPreviousBytes); }},
    // Writing beside the target would put a temporary file into /dev: refused at once.
    {"device /dev/full as target", [](const TempFolder&, Scene& s) {
       return s = {"/dev/full", "/dev", "", ""}, true; }},
    {"full file system", [](const TempFolder& f, Scene& s) {
       s = {f.file("disk/out.png"), f.file("disk"), f.file("disk/out.png"), f.file("disk")};
       std::filesystem::create_directory(s.mountPoint);  // then filled to the last byte
       return ::mount("tmpfs", s.mountPoint.c_str(), "tmpfs", 0, "size=64k") == 0 &&
              writeBytes(s.target, kPreviousBytes) &&
              (writeText(f.file("disk/filler"), std::string(1 << 20, 'x')), true); }},
    // rename(2) onto a mount point fails with EBUSY after the whole file was written.
    {"rename over a busy mount point", [](const TempFolder& f, Scene& s) {
       s = {f.file("out.png"), f.path(), f.file("out.png"), f.file("out.png")};
       return writeBytes(s.target, {'u', 'n', 'd', 'e', 'r'}) && writeBytes(f.file("other"), kPreviousBytes) &&
              ::mount(f.file("other").c_str(), s.target.c_str(), nullptr, MS_BIND, nullptr) == 0; }},
};

// Each write path with the message it shows on failure; "-" starts qn-render's options.
const std::pair<std::string, std::string> kPaths[] = {
    {"DibImage::writeFile", ""}, {"saveRenderedImage", "保存に失敗しました。"}, {"exportDxf", "書き込みに失敗しました。"},
    {"DocumentModel::writeFile", ""}, {"-o", "保存に失敗しました。"}, {"--dxf", "書き込みに失敗しました。"},
    {"--save-document", "保存に失敗しました。"}};
// clang-format on

bool write(const std::string& path, const std::string& message, const std::string& target,
           RecordingFeedback& feedback, const TempFolder& work) {
  const DibImage texture = gradientTexture(16, 16);
  TerrainRenderer renderer;
  if (path == "DibImage::writeFile") return texture.writeFile(target);
  if (path == "saveRenderedImage")
    return renderer.createDefaultScreen() && saveRenderedImage(renderer, target, feedback);
  if (path == "exportDxf")
    return exportDxf(renderer, texture, texture, target, feedback) == DxfExportResult::Written;
  if (path == "DocumentModel::writeFile") return DocumentModel().writeFile(target);
  const std::string surface = work.file("surface.bmp"), errors = work.file("stderr.txt");
  EXPECT_TRUE(texture.writeFile(surface));
  const int status =
      std::system(("'" QN_RENDER_PATH "' -q --surface '" + surface + "' --bump '" + surface + "' " +
                   path + " '" + target + "' >/dev/null 2>'" + errors + "'")
                      .c_str());
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) <= 1) << status << readText(errors);
  if (readText(errors).find(message) != std::string::npos) feedback.showMessage(message);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(WriteFaults, EveryWritePathReportsEachFaultAndKeepsEverythingAsItWas) {
  TempFolder work;
  for (const auto& [path, message] : kPaths)
    for (const auto& [fault, make] : kFaults) {
      SCOPED_TRACE(path + " / " + fault);
      TempFolder folder;
      Scene scene;
      const bool plain = std::string(fault) == "plain target";  // the write must succeed
      if (make(folder, scene)) {
        const auto entries = folderEntries(scene.watchedFolder);
        const auto kept = readBytes(scene.keptFile);  // empty when there is none
        RecordingFeedback feedback;
        EXPECT_EQ(write(path, message, scene.target, feedback, work), plain);
        EXPECT_EQ(feedback.messageTexts(),
                  plain || message.empty() ? std::vector<std::string>{} : std::vector{message});
        EXPECT_EQ(folderEntries(scene.watchedFolder), entries);
        EXPECT_EQ(readBytes(scene.keptFile), kept);
        EXPECT_TRUE(!plain || readBytes(scene.target) != kPreviousBytes) << "not written";
      } else {
        EXPECT_FALSE(scene.mountPoint.empty()) << "the scene could not be made";
      }
      if (!scene.mountPoint.empty()) ::umount2(scene.mountPoint.c_str(), MNT_DETACH);
    }
}

}  // namespace
