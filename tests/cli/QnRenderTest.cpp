// qn-render run as a subprocess, as users and scripts run it: exit statuses, messages,
// settings overrides, pictures, documents, frames, DXF output and Ctrl-C. Each process
// costs time, so one run checks all it can.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "document/DocumentModel.h"
#include "raster/DibImage.h"
#include "raster/PngEncoder.h"
#include "settings/CameraFlight.h"
#include "settings/SettingsFields.h"
#include "support/FileContents.h"
#include "support/GdalRasters.h"
#include "support/TempFolder.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

const std::string kSurface = QN_SOURCE_DIR "/examples/sample-surface.bmp";
const std::string kBump = QN_SOURCE_DIR "/examples/sample-bump.bmp";
const std::string kDocument = QN_SOURCE_DIR "/examples/sample.qnf";
const Args kTextures = {"--surface", kSurface, "--bump", kBump};

Args operator+(Args a, const Args& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

struct RunResult {
  int status = -1;  // exit status, or 128 + signal number
  std::string out, err;
};

// Starts qn-render with args, its stdout and stderr going to files in logs.
pid_t start(Args args, const TempFolder& logs) {
  args.insert(args.begin(), QN_RENDER_PATH);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  for (int fd : {1, 2})
    posix_spawn_file_actions_addopen(&actions, fd, logs.file(fd == 1 ? "out" : "err").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = -1;
  const int error = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return error == 0 ? pid : -1;
}

RunResult finish(pid_t pid, const TempFolder& logs) {
  RunResult run;
  int status = 0;
  if (pid > 0 && ::waitpid(pid, &status, 0) == pid)
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  run.out = readText(logs.file("out"));
  run.err = readText(logs.file("err"));
  return run;
}

RunResult qnRender(const Args& args) {
  TempFolder logs;
  return finish(start(args, logs), logs);
}

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

DibImage picture(const std::string& file) {
  DibImage image;
  EXPECT_TRUE(image.load(file)) << file;
  return image;
}

std::vector<Color> pixelsOf(const DibImage& image) {
  return {image.pixels(), image.pixels() + image.width() * image.height()};
}

// "x,y,z" that reads back to the same doubles.
std::string exactVector(const Vec3& v) {
  char text[128];
  std::snprintf(text, sizeof text, "%.17g,%.17g,%.17g", v.x, v.y, v.z);
  return text;
}

TEST(QnRender, RefusesBadCommandLinesAndInputsWithTheirExitStatusAndMessage) {
  TempFolder folder;
  const auto file = [&](const char* name) { return folder.file(name); };
  const std::string out = file("out.bmp");
  DibImage thin;
  ASSERT_TRUE(thin.create(1, 200) && thin.writeFile(file("thin.bmp")));
  writeText(file("not.qnf"), "hello");
  writeText(file("plain"), "a file");
  writeText(file("path.txt"), "1 2 3 4 5 6\n# fine\n1 2 3 4 5\n");
  const std::string kRange = "--height-range には LO,HI";
  const std::string kFrameName = "コマ番号 (%04d など) をひとつ含む -o の名前が必要です。";
  const struct {
    Args args;
    int status;
    std::string message;
  } cases[] = {
      {{}, 2, "何をするか指定されていません。"},
      {kTextures, 2, "何をするか指定されていません。"},
      {{"--frobnicate", "-o", out}, 2, "予期しない引数です: --frobnicate"},
      {{"-o"}, 2, "オプションの値が正しくありません: --output"},
      {{"--surface", kSurface, "-o", out}, 2, "--surface と --bump は一緒に指定してください"},
      {{"-o", out}, 2, "-o、--dxf と --mesh には、ドキュメントか"},
      {{"--set", "colour=1", "--print-settings"},
       2,
       "設定 'colour' はありません (設定の名前: screenWidth, screenHeight,"},
      {{"--set", "screenWidth=wide", "--print-settings"},
       2,
       "screenWidth: 'wide' は0 以上の整数ではありません。"},
      {{"--set", "viewpoint=1,2", "--print-settings"},
       2,
       "viewpoint: '1,2' はカンマで区切った 3 つの数ではありません。"},
      {{"--set", "screenWidth", "--print-settings"},
       2,
       "'screenWidth' は 名前=値 の形ではありません。"},
      // --set is checked by the dialog's rules.
      {kTextures + Args{"--set", "ambient=2", "-o", out}, 2,
       "0 から 1 までの数字を入力してください。"},
      {kTextures + Args{"--set", "distance=0", "-o", out}, 2,
       "スクリーンの[距離]は0より大きい値を指定してください。"},
      {kTextures + Args{"--set", "screenWidth=0", "-o", out}, 2,
       "スクリーンの[サイズ]は0より大きい値を指定してください。"},
      {kTextures + Args{"--set", "sliceMin=255", "-o", out}, 2,
       "スライスの[範囲]は左値を右値より小さい値にしてください。"},
      {kTextures + Args{"--set", "lightColor=0,0,0", "-o", out}, 2,
       "光源の[RGB]をすべて0にすると何も表示されません。"},
      {{kDocument, "--orbit", "3", "-o", file("f.png")}, 2, kFrameName},
      {{kDocument, "--orbit", "3", "-o", file("f%d-%d.png")}, 2, kFrameName},
      {{kDocument, "--orbit", "3", "-o", "/nonexistent/f%04d.png"},
       2,
       "/nonexistent: コマを書くフォルダがありません。"},
      {{kDocument, "--orbit", "3", "--camera-path", file("path.txt"), "-o", file("f%d.bmp")},
       2,
       "--orbit と --camera-path は一緒に使えません。"},
      {{kDocument, "--orbit-degrees", "90", "-o", out},
       2,
       "--orbit-degrees は --orbit と一緒に指定してください。"},
      {{kDocument, "--orbit", "0", "-o", file("f%d.bmp")},
       2,
       "--orbit には 1 以上のコマ数を指定してください。"},
      {{kDocument, "--camera-path", file("path.txt"), "-o", file("f%d.bmp")},
       2,
       "path.txt: 3 行目はカメラ"},
      {{kDocument, "--height-range", "5", "-o", out}, 2, kRange},
      {{kDocument, "--height-range", "5,1", "-o", out}, 2, kRange},
      {{kDocument, "--height-range", "a,nan", "-o", out}, 2, kRange},
      {{"--surface", file("none.bmp"), "--bump", kBump, "-o", out}, 1, "読み込みに失敗しました。"},
      {{"--surface", kSurface, "--bump", file("thin.bmp"), "-o", out},
       1,
       "幅または高さが1ピクセル以下のビットマップは使用できません。"},
      {{file("not.qnf"), "-o", out}, 1, "QN ドキュメントではありません。"},
      {{file("none.qnf"), "-o", out}, 1, "ファイルを開けませんでした。"},
      {kTextures + Args{"-o", file("plain/x.bmp")}, 1, "保存に失敗しました。"},
      {kTextures + Args{"--dxf", file("no/x.dxf")}, 1, "書き込みに失敗しました。"},
      {kTextures + Args{"--set", "screenWidth=100000", "-o", out}, 1,
       "スクリーンの作成に失敗しました。"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    const RunResult run = qnRender(c.args);
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_TRUE(contains(run.err, c.message)) << run.err;
    EXPECT_FALSE(c.status == 2 && contains(run.err, "曲面分割")) << "refused before rendering";
  }
  EXPECT_EQ(folder.entries(), (Args{"not.qnf", "path.txt", "plain", "thin.bmp"}));

  const RunResult version = qnRender({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "QN Version 3.3\n");
  const RunResult help = qnRender({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(contains(help.out, "--save-document"));
  EXPECT_TRUE(contains(help.out, "同じフォルダ")) << "the help says where the textures must lie";
  const RunResult print = qnRender({"--set", "screenWidth=640", "--set", "viewpoint=100,300,200",
                                    "--set", "wireframe=1", "--print-settings"});
  RenderSettings expected;
  expected.screenWidth = 640;
  expected.viewpoint = {100, 300, 200};
  expected.wireframe = 1;
  EXPECT_EQ(print.status, 0) << print.err;
  EXPECT_EQ(print.out, formatAllFields(expected));
}

TEST(QnRender, RendersExportsAndSavesTheSampleTexturesWithDefaultSettings) {
  TempFolder folder, elsewhere;
  const RunResult run =
      qnRender(kTextures + Args{"-o", folder.file("top.bmp"), "--dxf", folder.file("s.dxf"),
                                "--save-document", elsewhere.file("far.qnf")});
  ASSERT_EQ(run.status, 0) << run.err;
  // The default camera looks straight down at grid point (0, 0), the screen centre: the
  // terrain fills the lower right quarter, the rest is black sky.
  const DibImage top = picture(folder.file("top.bmp"));
  ASSERT_EQ(top.width() * 1000 + top.height(), 320240);
  EXPECT_EQ(top.pixels()[10 * 320 + 10], 0u);
  EXPECT_EQ(top.pixels()[200 * 320 + 100], 0u);
  int terrain = 0;
  for (int y = 125; y < 240; ++y)
    for (int x = 165; x < 320; ++x) terrain += top.pixels()[y * 320 + x] != 0;
  EXPECT_GT(terrain, 155 * 115 * 9 / 10);
  // One stage line per stage, in the order of the start-rendering command.
  std::size_t at = 0;
  for (const char* stage : {"曲面分割", "色補完", "頂点移動", "ソート", "光源処理"}) {
    at = run.err.find(std::string(stage) + "をおこなっています。", at);
    ASSERT_NE(at, std::string::npos) << stage << " in " << run.err;
  }
  const std::string dxf = readText(folder.file("s.dxf"));
  EXPECT_EQ(dxf.rfind("0\r\nSECTION\r\n2\r\nENTITIES\r\n999\r\nExported DXF from QN\r\n", 0), 0u);
  std::size_t faces = 0;
  for (at = 0; (at = dxf.find("\r\n3DFACE\r\n", at)) != std::string::npos; ++at) ++faces;
  EXPECT_EQ(faces, 2u * 256 * 256);  // one per triangle
  EXPECT_TRUE(dxf.ends_with("0\r\nENDSEC\r\n0\r\nEOF\r\n"));
  EXPECT_TRUE(contains(run.err, "と同じフォルダにないため")) << "textures far from the document";

  // Textures beside the saved document: no warning, and it renders again.
  fs::copy_file(kSurface, folder.file("s.bmp"));
  fs::copy_file(kBump, folder.file("b.bmp"));
  const RunResult save = qnRender({"--surface", folder.file("s.bmp"), "--bump",
                                   folder.file("b.bmp"), "--set", "screenWidth=100", "--set",
                                   "screenHeight=80", "--save-document", folder.file("mine.qnf")});
  ASSERT_EQ(save.status, 0) << save.err;
  EXPECT_EQ(save.err, "");
  EXPECT_TRUE(contains(readText(folder.file("mine.qnf")), "s.bmp\r\nb.bmp\r\n"));
  ASSERT_EQ(qnRender({folder.file("mine.qnf"), "-o", folder.file("again.bmp")}).status, 0);
  const DibImage again = picture(folder.file("again.bmp"));
  EXPECT_EQ(again.width() * 1000 + again.height(), 100080);
}

// The sample document; its printed settings given as --set to the textures render the same
// picture, here as a PNG; 8-bit heights widened to 16 bits render the picture and mesh byte
// for byte; the 16-bit sample's own heights give the mesh far more levels (no terraces).
TEST(QnRender, RendersTheSampleDocumentAsItsSettingsSayAtEightAndSixteenBits) {
  TempFolder folder;
  const auto file = [&](const std::string& name) { return folder.file(name); };
  const RunResult doc = qnRender(
      {kDocument, "--print-settings", "-o", file("8.bmp"), "--dxf", file("8.dxf"), "--quiet"});
  ASSERT_EQ(doc.status, 0) << doc.err;
  EXPECT_EQ(doc.err, "") << "--quiet leaves stderr empty on success";
  Args sets;
  std::istringstream lines(doc.out);
  for (std::string line; std::getline(lines, line);) sets.insert(sets.end(), {"--set", line});
  ASSERT_EQ(sets.size(), 30u);

  DibImage bump = picture(kBump);
  std::vector<double> widened;
  for (int i = 0; i < bump.width() * bump.height(); ++i)
    widened.push_back(redOf(bump.pixels()[i]) * 257.0);
  ASSERT_TRUE(writeBytes(
      file("widened.png"),
      makeRasterFile(rasterRecipe("PNG", GDT_UInt16, bump.width(), bump.height(), 1, widened))));
  for (const Args& args :
       {kTextures + sets + Args{"-o", file("tex.png")},
        Args{kDocument, "--bump", file("widened.png"), "-o", file("w.bmp"), "--dxf", file("w.dxf")},
        Args{QN_SOURCE_DIR "/examples/sample16.qnf", "--dxf", file("16.dxf")}}) {
    const RunResult run = qnRender(args);
    ASSERT_EQ(run.status, 0) << args.back() << run.err;
  }
  const DibImage eight = picture(file("8.bmp"));
  EXPECT_EQ(eight.width() * 1000 + eight.height(), 640480);
  EXPECT_EQ(eight.pixels()[0], 0u) << "sky above the far edge";
  EXPECT_NE(eight.pixels()[240 * 640 + 320], 0u) << "terrain where the camera looks";
  const std::string png = readText(file("tex.png"));
  ASSERT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  std::vector<Color> pngPixels;
  int width = 0, height = 0;
  ASSERT_TRUE(decodePng(reinterpret_cast<const std::uint8_t*>(png.data()), png.size(), pngPixels,
                        width, height));
  EXPECT_EQ(width * 1000 + height, 640480);
  EXPECT_EQ(pngPixels, pixelsOf(eight));
  EXPECT_EQ(readText(file("w.bmp")), readText(file("8.bmp")));
  EXPECT_EQ(readText(file("w.dxf")), readText(file("8.dxf")));
  // Distinct z values (group codes 30..33) of each mesh.
  const auto levels = [&](const std::string& name) {
    std::istringstream dxf(readText(file(name)));
    std::set<std::string> values;
    for (std::string code, value; std::getline(dxf, code) && std::getline(dxf, value);)
      if (code.size() == 3 && code[0] == '3' && code[1] <= '3' && code[2] == '\r')
        values.insert(value);
    return values.size();
  };
  EXPECT_GT(levels("16.dxf"), 50 * levels("8.dxf"));
}

TEST(QnRender, EveryFrameIsTheSinglePictureOfItsCamera) {
  TempFolder folder;
  const Args small = {"--set", "screenWidth=200", "--set", "screenHeight=150", "--quiet"};
  DocumentModel document;
  ASSERT_EQ(document.readFile(kDocument), DocumentReadResult::Read);
  // An orbit of three frames and a path of three cameras: beside, below the terrain, and
  // looking straight up (a frame without terrain), the last with its own focal distance.
  writeText(folder.file("path.txt"),
            "# viewpoint, look-at, focal distance\n-100 128 90   128 128 20\n\n"
            "128,128,-60, 128,128,0\n128 128 2000  128 128 5000  350  # straight up\n");
  const struct {
    const char* name;
    Args args;
    std::vector<CameraFrame> cameras;
  } flights[] = {{"orbit",
                  {"--orbit", "3", "--orbit-degrees", "270"},
                  orbitFrames(document.renderer.settings, 3, 270.0)},
                 {"path",
                  {"--camera-path", folder.file("path.txt")},
                  {{{-100, 128, 90}, {128, 128, 20}, {}},
                   {{128, 128, -60}, {128, 128, 0}, {}},
                   {{128, 128, 2000}, {128, 128, 5000}, 350.0}}}};
  for (const auto& flight : flights) {
    SCOPED_TRACE(flight.name);
    const std::string pattern = folder.file(std::string(flight.name) + "%02d.bmp");
    const RunResult run = qnRender(Args{kDocument, "-o", pattern} + flight.args + small);
    ASSERT_EQ(run.status, 0) << run.err;
    for (std::size_t k = 0; k < flight.cameras.size(); ++k) {
      const CameraFrame& camera = flight.cameras[k];
      Args single = {kDocument,
                     "-o",
                     folder.file("single.bmp"),
                     "--set",
                     "viewpoint=" + exactVector(camera.viewpoint),
                     "--set",
                     "lookAt=" + exactVector(camera.lookAt)};
      if (camera.distance) single = single + Args{"--set", "distance=350"};
      ASSERT_EQ(qnRender(single + small).status, 0);
      EXPECT_EQ(readText(frameFileName(pattern, static_cast<int>(k + 1))),
                readText(folder.file("single.bmp")))
          << k;
    }
  }
  const std::vector<Color> away = pixelsOf(picture(folder.file("path03.bmp")));
  EXPECT_EQ(std::count(away.begin(), away.end(), 0u), 200 * 150) << "no terrain";
}

TEST(QnRender, CtrlCCancelsWritesNothingAndExits130) {
  TempFolder folder, logs;
  // A large terrain keeps the stages busy long enough to be interrupted.
  DibImage big;
  ASSERT_TRUE(big.create(1025, 1025));
  for (int i = 0; i < 1025 * 1025; ++i) big.pixels()[i] = makeColor(i % 251, 90, 40);
  ASSERT_TRUE(big.writeFile(folder.file("big.bmp")));
  const pid_t pid = start({"--surface", folder.file("big.bmp"), "--bump", folder.file("big.bmp"),
                           "--set", "viewpoint=512,1400,300", "--set", "lookAt=512,512,0", "-o",
                           folder.file("out.bmp"), "--dxf", folder.file("out.dxf")},
                          logs);
  ASSERT_GT(pid, 0);
  // Interrupt once the first stage has finished (its line is written when it ends).
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!contains(readText(logs.file("err")), "曲面分割") &&
         std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ::kill(pid, SIGINT);
  const RunResult run = finish(pid, logs);
  EXPECT_EQ(run.status, 130) << run.err;
  EXPECT_TRUE(contains(run.err, "中止します。")) << run.err;
  EXPECT_EQ(folder.entries(), Args{"big.bmp"}) << "no picture, DXF or temporary file";
}

}  // namespace
