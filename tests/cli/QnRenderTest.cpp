// qn-render run as a subprocess, as users and scripts run it: exit statuses, messages,
// settings overrides, pictures of the bundled sample, documents, DXF output and Ctrl-C.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "document/DocumentModel.h"
#include "document/SettingsMessages.h"
#include "raster/DibImage.h"
#include "raster/PngEncoder.h"
#include "settings/CameraFlight.h"
#include "settings/SettingsFields.h"
#include "settings/SettingsValidation.h"
#include "support/FileContents.h"
#include "support/GdalRasters.h"
#include "support/TempFolder.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

const std::string kSampleSurface = std::string(QN_SOURCE_DIR) + "/examples/sample-surface.bmp";
const std::string kSampleBump = std::string(QN_SOURCE_DIR) + "/examples/sample-bump.bmp";
const std::string kSampleDocument = std::string(QN_SOURCE_DIR) + "/examples/sample.qnf";

struct RunResult {
  int status = -1;  // exit status, or 128 + signal number
  std::string out;
  std::string err;
};

// Starts qn-render with args, its stdout and stderr going to files in folder.
pid_t start(const std::vector<std::string>& args, const TempFolder& folder) {
  std::vector<std::string> all = {QN_RENDER_PATH};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, folder.file("stdout.txt").c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, folder.file("stderr.txt").c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = -1;
  const int error = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return error == 0 ? pid : -1;
}

RunResult finish(pid_t pid, const TempFolder& folder) {
  RunResult run;
  int status = 0;
  if (pid > 0 && ::waitpid(pid, &status, 0) == pid)
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  run.out = readText(folder.file("stdout.txt"));
  run.err = readText(folder.file("stderr.txt"));
  return run;
}

RunResult qnRender(const std::vector<std::string>& args) {
  TempFolder logs;
  return finish(start(args, logs), logs);
}

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::vector<std::string> sampleTextures() {
  return {"--surface", kSampleSurface, "--bump", kSampleBump};
}

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Color pixel(const DibImage& image, int x, int y) { return image.pixels()[y * image.width() + x]; }

TEST(QnRender, VersionAndHelpExitZero) {
  const RunResult version = qnRender({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "QN Version 3.3\n");

  const RunResult help = qnRender({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(contains(help.out, "--save-document"));
  EXPECT_TRUE(contains(help.out, "同じフォルダ")) << "the help says where the textures must lie";
}

TEST(QnRender, UsageErrorsExitTwo) {
  // Every message is the system's own Japanese text.
  struct Case {
    const char* name;
    std::vector<std::string> args;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"nothing at all", {}, "何をするか指定されていません。"},
      {"nothing to do", sampleTextures(), "何をするか指定されていません。"},
      {"unknown option", {"--frobnicate", "-o", "x.bmp"}, "予期しない引数です: --frobnicate"},
      {"option without its value", {"-o"}, "オプションの値が正しくありません: --output"},
      {"surface without bump",
       {"--surface", kSampleSurface, "-o", "x.bmp"},
       "--surface と --bump は一緒に指定してください"},
      {"output without input", {"-o", "x.bmp"}, "-o、--dxf と --mesh には、ドキュメントか"},
      {"unknown field",
       {"--set", "colour=1", "--print-settings"},
       "設定 'colour' はありません (設定の名前: screenWidth, screenHeight,"},
      {"not a number",
       {"--set", "screenWidth=wide", "--print-settings"},
       "screenWidth: 'wide' は0 以上の整数ではありません。"},
      {"not three numbers",
       {"--set", "viewpoint=1,2", "--print-settings"},
       "viewpoint: '1,2' はカンマで区切った 3 つの数ではありません。"},
      {"no equals sign",
       {"--set", "screenWidth", "--print-settings"},
       "'screenWidth' は 名前=値 の形ではありません。"},
      {"frames without a frame number",
       {kSampleDocument, "--orbit", "3", "-o", "f.png"},
       "コマ番号 (%04d など) をひとつ含む -o の名前が必要です。"},
      {"frames with two frame numbers",
       {kSampleDocument, "--orbit", "3", "-o", "f%d-%d.png"},
       "コマ番号 (%04d など) をひとつ含む -o の名前が必要です。"},
      {"frames into a missing folder",
       {kSampleDocument, "--orbit", "3", "-o", "/nonexistent/f%04d.png"},
       "/nonexistent: コマを書くフォルダがありません。"},
      {"orbit and camera path",
       {kSampleDocument, "--orbit", "3", "--camera-path", "p.txt", "-o", "f%d.bmp"},
       "--orbit と --camera-path は一緒に使えません。"},
      {"orbit degrees alone",
       {kSampleDocument, "--orbit-degrees", "90", "-o", "f.bmp"},
       "--orbit-degrees は --orbit と一緒に指定してください。"},
      {"no frames",
       {kSampleDocument, "--orbit", "0", "-o", "f%d.bmp"},
       "--orbit には 1 以上のコマ数を指定してください。"},
      {"height range of one number",
       {kSampleDocument, "--height-range", "5", "-o", "x.bmp"},
       "--height-range には LO,HI"},
      {"height range upside down",
       {kSampleDocument, "--height-range", "5,1", "-o", "x.bmp"},
       "--height-range には LO,HI"},
      {"height range not numbers",
       {kSampleDocument, "--height-range", "a,nan", "-o", "x.bmp"},
       "--height-range には LO,HI"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const RunResult run = qnRender(c.args);
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_TRUE(contains(run.err, c.message)) << run.err;
  }
}

TEST(QnRender, SetRefusedByTheDialogRulesPrintsTheRuleMessage) {
  struct Case {
    const char* name;
    std::string assignment;
    void (*change)(RenderSettings&);
  };
  const Case cases[] = {
      {"ambient above 1", "ambient=2", [](RenderSettings& s) { s.ambient = 2; }},
      {"distance 0", "distance=0", [](RenderSettings& s) { s.distance = 0; }},
      {"screen width 0", "screenWidth=0", [](RenderSettings& s) { s.screenWidth = 0; }},
      {"slice min not below max", "sliceMin=255", [](RenderSettings& s) { s.sliceMin = 255; }},
      {"dark light", "lightColor=0,0,0",
       [](RenderSettings& s) {
         s.lightColor = {0, 0, 0};
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RenderSettings settings;
    c.change(settings);
    const auto problem = validateSettings(settings);
    ASSERT_TRUE(problem.has_value());

    const RunResult run = qnRender(
        sampleTextures() + std::vector<std::string>{"--set", c.assignment, "-o", "never.bmp"});

    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(contains(run.err, std::string(settingsRuleMessage(problem->rule)))) << run.err;
    EXPECT_FALSE(fs::exists("never.bmp"));
  }
}

TEST(QnRender, PrintSettingsShowsTheEffectiveSettings) {
  const RunResult run = qnRender({"--set", "screenWidth=640", "--set", "viewpoint=100,300,200",
                                  "--set", "wireframe=1", "--print-settings"});
  RenderSettings expected;
  expected.screenWidth = 640;
  expected.viewpoint = {100, 300, 200};
  expected.wireframe = 1;
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, formatAllFields(expected));
}

TEST(QnRender, RendersTheSampleTexturesFromAbove) {
  TempFolder folder;
  const std::string out = folder.file("top.bmp");
  const RunResult run = qnRender(sampleTextures() + std::vector<std::string>{"-o", out});
  ASSERT_EQ(run.status, 0) << run.err;

  DibImage picture;
  ASSERT_TRUE(picture.load(out));
  ASSERT_EQ(picture.width(), 320);
  ASSERT_EQ(picture.height(), 240);
  // The default camera looks straight down at grid point (0, 0), the screen centre: the
  // terrain fills the lower right quarter, the rest is black sky.
  EXPECT_EQ(pixel(picture, 10, 10), 0u);
  EXPECT_EQ(pixel(picture, 100, 200), 0u);
  int terrain = 0;
  for (int y = 125; y < 240; ++y)
    for (int x = 165; x < 320; ++x) terrain += pixel(picture, x, y) != 0;
  EXPECT_GT(terrain, 155 * 115 * 9 / 10);
  // One stage line per stage, in the order of the start-rendering command.
  const std::vector<std::string> stages = {
      "曲面分割をおこなっています。", "色補完をおこなっています。", "頂点移動をおこなっています。",
      "ソートをおこなっています。", "光源処理をおこなっています。"};
  std::size_t at = 0;
  for (const std::string& stage : stages) {
    const std::size_t found = run.err.find(stage, at);
    ASSERT_NE(found, std::string::npos) << stage << " in " << run.err;
    at = found;
  }
}

// The bundled 16-bit sample: rounded to 8 bits it is the 8-bit sample; its own heights give
// the mesh far more levels (no terraces). The 8-bit heights widened to 16 bits render the
// 8-bit picture and mesh byte for byte.
TEST(QnRender, SixteenBitHeightsRenderSmoothlyAndWidenedEightBitsExactly) {
  TempFolder folder;
  std::vector<double> widened;
  DibImage bump;
  ASSERT_TRUE(bump.load(kSampleBump));
  for (int i = 0; i < bump.width() * bump.height(); ++i)
    widened.push_back(redOf(bump.pixels()[i]) * 257.0);
  const std::vector<std::uint8_t> png =
      makeRasterFile(rasterSpec("PNG", GDT_UInt16, bump.width(), bump.height(), 1, widened));
  std::ofstream(folder.file("widened.png"), std::ios::binary)
      .write(reinterpret_cast<const char*>(png.data()), long(png.size()));
  // The 16-bit sample's document names its PNG bump: a document opens any readable texture.
  const std::string sixteen = QN_SOURCE_DIR "/examples/sample16.qnf";
  struct Case {
    std::string name;
    std::vector<std::string> input;
  } cases[] = {{"8", {kSampleDocument}},
               {"widened", {kSampleDocument, "--bump", folder.file("widened.png")}},
               {"16", {sixteen}}};
  for (const Case& c : cases) {
    const RunResult run =
        qnRender(c.input + std::vector<std::string>{"-o", folder.file(c.name + ".bmp"), "--dxf",
                                                    folder.file(c.name + ".dxf")});
    ASSERT_EQ(run.status, 0) << c.name << run.err;
  }
  EXPECT_EQ(readText(folder.file("widened.bmp")), readText(folder.file("8.bmp")));
  EXPECT_EQ(readText(folder.file("widened.dxf")), readText(folder.file("8.dxf")));
  // Distinct z values (group codes 30..33) of each mesh.
  auto levels = [&](const std::string& name) {
    std::istringstream dxf(readText(folder.file(name + ".dxf")));
    std::set<std::string> values;
    std::string code, value;
    while (std::getline(dxf, code) && std::getline(dxf, value))
      if (code == "30\r" || code == "31\r" || code == "32\r" || code == "33\r")
        values.insert(value);
    return values.size();
  };
  EXPECT_GT(levels("16"), 50 * levels("8"));
}

TEST(QnRender, RendersTheSampleDocumentAsItsSettingsSay) {
  TempFolder folder;
  const RunResult fromDocument =
      qnRender({kSampleDocument, "-o", folder.file("doc.bmp"), "--quiet"});
  ASSERT_EQ(fromDocument.status, 0) << fromDocument.err;
  EXPECT_EQ(fromDocument.err, "") << "--quiet leaves stderr empty on success";

  const RunResult settings = qnRender({kSampleDocument, "--print-settings"});
  ASSERT_EQ(settings.status, 0);
  std::vector<std::string> sets;
  std::size_t start = 0;
  for (std::size_t end; (end = settings.out.find('\n', start)) != std::string::npos;
       start = end + 1)
    sets.insert(sets.end(), {"--set", settings.out.substr(start, end - start)});
  const RunResult fromTextures =
      qnRender(sampleTextures() + sets + std::vector<std::string>{"-o", folder.file("tex.bmp")});
  ASSERT_EQ(fromTextures.status, 0) << fromTextures.err;

  EXPECT_EQ(readText(folder.file("doc.bmp")), readText(folder.file("tex.bmp")));
  DibImage picture;
  ASSERT_TRUE(picture.load(folder.file("doc.bmp")));
  EXPECT_EQ(picture.width(), 640);
  EXPECT_EQ(picture.height(), 480);
  EXPECT_EQ(pixel(picture, 0, 0), 0u) << "sky above the far edge";
  EXPECT_NE(pixel(picture, 320, 240), 0u) << "terrain where the camera looks";

  // The same picture as a PNG, chosen by the name, pixel for pixel.
  const RunResult png = qnRender({kSampleDocument, "-o", folder.file("doc.png"), "--quiet"});
  ASSERT_EQ(png.status, 0) << png.err;
  const std::string bytes = readText(folder.file("doc.png"));
  ASSERT_EQ(bytes.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  std::vector<Color> pngPixels;
  int width = 0, height = 0;
  ASSERT_TRUE(decodePng(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(),
                        pngPixels, width, height));
  EXPECT_EQ(width, 640);
  EXPECT_EQ(height, 480);
  EXPECT_EQ(pngPixels, std::vector<Color>(picture.pixels(), picture.pixels() + 640 * 480));
}

// "x,y,z" that reads back to the same doubles.
std::string exactVector(const Vec3& v) {
  char text[128];
  std::snprintf(text, sizeof text, "%.17g,%.17g,%.17g", v.x, v.y, v.z);
  return text;
}

TEST(QnRender, EveryFrameIsTheSinglePictureOfItsCamera) {
  TempFolder folder;
  const std::vector<std::string> small = {"--set", "screenWidth=200", "--set", "screenHeight=150",
                                          "--quiet"};
  DocumentModel document;
  ASSERT_EQ(document.readFile(kSampleDocument), DocumentReadResult::Read);
  const RenderSettings settings = document.renderer.settings;

  // An orbit of three frames and a path of three cameras: beside, below the terrain, and
  // looking straight up (a frame without terrain), the last with its own focal distance.
  writeText(folder.file("path.txt"),
            "# viewpoint, look-at, focal distance\n"
            "-100 128 90   128 128 20\n"
            "\n"
            "128,128,-60, 128,128,0\n"
            "128 128 2000  128 128 5000  350  # straight up\n");
  struct Flight {
    const char* name;
    std::vector<std::string> args;
    std::vector<CameraFrame> cameras;
  };
  const Flight flights[] = {
      {"orbit", {"--orbit", "3", "--orbit-degrees", "270"}, orbitFrames(settings, 3, 270.0)},
      {"camera path",
       {"--camera-path", folder.file("path.txt")},
       {{{-100, 128, 90}, {128, 128, 20}, {}},
        {{128, 128, -60}, {128, 128, 0}, {}},
        {{128, 128, 2000}, {128, 128, 5000}, 350.0}}}};
  for (const Flight& flight : flights) {
    SCOPED_TRACE(flight.name);
    const std::string pattern = folder.file(std::string(flight.name) + "%02d.bmp");
    const RunResult run =
        qnRender(std::vector<std::string>{kSampleDocument, "-o", pattern} + flight.args + small);
    ASSERT_EQ(run.status, 0) << run.err;
    for (std::size_t k = 0; k < flight.cameras.size(); ++k) {
      SCOPED_TRACE(k);
      const CameraFrame& camera = flight.cameras[k];
      std::vector<std::string> single = {kSampleDocument,
                                         "-o",
                                         folder.file("single.bmp"),
                                         "--set",
                                         "viewpoint=" + exactVector(camera.viewpoint),
                                         "--set",
                                         "lookAt=" + exactVector(camera.lookAt)};
      if (camera.distance) single.insert(single.end(), {"--set", "distance=350"});
      ASSERT_EQ(qnRender(single + small).status, 0);
      EXPECT_EQ(readText(frameFileName(pattern, static_cast<int>(k + 1))),
                readText(folder.file("single.bmp")));
    }
  }
  DibImage away;
  ASSERT_TRUE(away.load(folder.file("camera path03.bmp")));
  EXPECT_EQ(std::count(away.pixels(), away.pixels() + 200 * 150, 0u), 200 * 150) << "no terrain";
}

TEST(QnRender, ABadCameraPathLineIsRefusedBeforeAnythingIsRendered) {
  TempFolder folder;
  writeText(folder.file("path.txt"), "1 2 3 4 5 6\n# fine\n1 2 3 4 5\n");
  const RunResult run = qnRender(
      {kSampleDocument, "--camera-path", folder.file("path.txt"), "-o", folder.file("f%d.bmp")});
  EXPECT_EQ(run.status, 2);
  EXPECT_TRUE(contains(run.err, "path.txt: 3 行目はカメラ")) << run.err;
  EXPECT_FALSE(contains(run.err, "曲面分割")) << run.err;
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"path.txt"});
}

TEST(QnRender, SaveDocumentWritesADocumentThatRendersAgain) {
  TempFolder folder;
  fs::copy_file(kSampleSurface, folder.file("s.bmp"));
  fs::copy_file(kSampleBump, folder.file("b.bmp"));
  const std::string document = folder.file("mine.qnf");
  const RunResult save =
      qnRender({"--surface", folder.file("s.bmp"), "--bump", folder.file("b.bmp"), "--set",
                "screenWidth=100", "--set", "screenHeight=80", "--save-document", document});
  ASSERT_EQ(save.status, 0) << save.err;
  EXPECT_EQ(save.err, "") << "textures beside the document: no warning";
  EXPECT_TRUE(contains(readText(document), "s.bmp\r\nb.bmp\r\n"));

  const RunResult render = qnRender({document, "-o", folder.file("again.bmp")});
  ASSERT_EQ(render.status, 0) << render.err;
  DibImage picture;
  ASSERT_TRUE(picture.load(folder.file("again.bmp")));
  EXPECT_EQ(picture.width(), 100);
  EXPECT_EQ(picture.height(), 80);

  TempFolder elsewhere;
  const RunResult distant = qnRender(
      sampleTextures() + std::vector<std::string>{"--save-document", elsewhere.file("far.qnf")});
  EXPECT_EQ(distant.status, 0);
  EXPECT_TRUE(contains(distant.err, "と同じフォルダにないため")) << distant.err;
}

TEST(QnRender, BadInputsExitOneWithTheirMessages) {
  TempFolder folder;
  DibImage thin;
  ASSERT_TRUE(thin.create(1, 200));
  ASSERT_TRUE(thin.writeFile(folder.file("thin.bmp")));
  writeText(folder.file("not.qnf"), "hello");
  writeText(folder.file("plain"), "a file");
  const std::string out = folder.file("out.bmp");

  struct Case {
    const char* name;
    std::vector<std::string> args;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"missing texture",
       {"--surface", folder.file("none.bmp"), "--bump", kSampleBump, "-o", out},
       "読み込みに失敗しました。"},
      {"one pixel wide",
       {"--surface", kSampleSurface, "--bump", folder.file("thin.bmp"), "-o", out},
       "幅または高さが1ピクセル以下のビットマップは使用できません。"},
      {"not a document", {folder.file("not.qnf"), "-o", out}, "QN ドキュメントではありません。"},
      {"missing document", {folder.file("none.qnf"), "-o", out}, "ファイルを開けませんでした。"},
      {"unwritable picture",
       sampleTextures() + std::vector<std::string>{"-o", folder.file("plain/x.bmp")},
       "保存に失敗しました。"},
      {"unwritable DXF",
       sampleTextures() + std::vector<std::string>{"--dxf", folder.file("no/x.dxf")},
       "書き込みに失敗しました。"},
      {"screen too large",
       sampleTextures() + std::vector<std::string>{"--set", "screenWidth=100000", "-o", out},
       "スクリーンの作成に失敗しました。"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const RunResult run = qnRender(c.args);
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(contains(run.err, c.message)) << run.err;
    EXPECT_FALSE(fs::exists(out));
  }
}

TEST(QnRender, DxfHoldsOneFacePerTriangleOfTheSample) {
  TempFolder folder;
  const std::string dxf = folder.file("sample.dxf");
  const RunResult run = qnRender(sampleTextures() + std::vector<std::string>{"--dxf", dxf, "-q"});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string text = readText(dxf);
  EXPECT_EQ(text.rfind("0\r\nSECTION\r\n2\r\nENTITIES\r\n999\r\nExported DXF from QN\r\n", 0), 0u);
  std::size_t faces = 0;
  for (std::size_t at = 0; (at = text.find("\r\n3DFACE\r\n", at)) != std::string::npos; ++at)
    ++faces;
  EXPECT_EQ(faces, 2u * 256 * 256);
  EXPECT_TRUE(text.ends_with("0\r\nENDSEC\r\n0\r\nEOF\r\n"));
}

TEST(QnRender, CtrlCCancelsWritesNothingAndExits130) {
  TempFolder folder;
  // A large terrain keeps the stages busy long enough to be interrupted.
  DibImage big;
  ASSERT_TRUE(big.create(1025, 1025));
  for (int i = 0; i < 1025 * 1025; ++i) big.pixels()[i] = makeColor(i % 251, 90, 40);
  ASSERT_TRUE(big.writeFile(folder.file("big.bmp")));
  const std::string out = folder.file("out.bmp");
  const std::string dxf = folder.file("out.dxf");

  TempFolder logs;
  const pid_t pid =
      start({"--surface", folder.file("big.bmp"), "--bump", folder.file("big.bmp"), "--set",
             "viewpoint=512,1400,300", "--set", "lookAt=512,512,0", "-o", out, "--dxf", dxf},
            logs);
  ASSERT_GT(pid, 0);
  // Interrupt once the first stage has finished (its line is written when it ends).
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!contains(readText(logs.file("stderr.txt")), "曲面分割") &&
         std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ::kill(pid, SIGINT);
  const RunResult run = finish(pid, logs);

  EXPECT_EQ(run.status, 130) << run.err;
  EXPECT_TRUE(contains(run.err, "中止します。")) << run.err;
  EXPECT_FALSE(fs::exists(out));
  EXPECT_FALSE(fs::exists(dxf));
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.file("")), fs::directory_iterator()), 1)
      << "only the texture: no temporary file left";
}

}  // namespace
