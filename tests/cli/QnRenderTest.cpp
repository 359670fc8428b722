// qn-render run as users and scripts run it: exit statuses, messages, settings overrides,
// pictures, documents, frames, DXF output and Ctrl-C. One run checks all it can.

#include <gmock/gmock.h>
#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "raster/DibImage.h"
#include "raster/PngEncoder.h"
#include "support/FileContents.h"
#include "support/GdalRasters.h"
#include "support/TempFolder.h"

namespace {

using Texts = std::vector<std::string>;

struct RunResult {
  int status = -1;  // exit status, or 128 + signal number
  std::string out, err;
};

// Runs qn-render with the words of line ("@name" a file in folder, T the sample textures, D
// the sample document) from a shell that writes its process id to logs/pid first.
RunResult qnRender(const std::string& line, const TempFolder& folder,
                   const TempFolder& logs = TempFolder()) {
  const std::string examples = QN_SOURCE_DIR "/examples/";
  std::string command = "echo $$ >" + logs.file("pid") + "; exec '" QN_RENDER_PATH "'";
  std::istringstream words(line);
  for (std::string w; words >> w;)
    command += w == "T" ? " --surface " + examples + "sample-surface.bmp --bump " + examples +
                              "sample-bump.bmp"
               : w == "D"    ? " " + examples + "sample.qnf"
               : w[0] == '@' ? " '" + folder.file(w.substr(1)) + "'"
                             : " '" + w + "'";
  const int status =
      std::system((command + " >" + logs.file("out") + " 2>" + logs.file("err")).c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status),
          readText(logs.file("out")), readText(logs.file("err"))};
}

std::vector<Color> pixelsOf(const std::string& file, int width, int height) {
  DibImage image;
  EXPECT_TRUE(image.load(file) && image.width() == width && image.height() == height) << file;
  return {image.pixels(), image.pixels() + image.width() * image.height()};
}

TEST(QnRender, RefusesBadCommandLinesAndInputsWithTheirExitStatusAndMessage) {
  TempFolder folder;
  DibImage thin;
  ASSERT_TRUE(thin.create(1, 200) && thin.writeFile(folder.file("thin.bmp")));
  writeText(folder.file("not.qnf"), "hello");
  writeText(folder.file("path.txt"), "1 2 3 4 5 6\n# fine\n1 2 3 4 5\n");
  const std::string kRange = "--height-range には LO,HI";
  // The text is looked for in stdout when the status is 0, in stderr otherwise.
  for (const auto& [line, status, text] : std::vector<std::tuple<std::string, int, std::string>>{
           {"", 2, "何をするか指定されていません。"},
           {"T", 2, "何をするか指定されていません。"},
           {"--frobnicate -o @out.bmp", 2, "予期しない引数です: --frobnicate"},
           {"-o", 2, "オプションの値が正しくありません: --output"},
           {"--surface @thin.bmp -o @out.bmp", 2, "--surface と --bump は一緒に指定してください"},
           {"-o @out.bmp", 2, "-o、--dxf と --mesh には、ドキュメントか"},
           {"--set colour=1 --print-settings", 2, "'colour' はありません (設定の名前:"},
           {"--set screenWidth=wide --print-settings", 2, "'wide' は0 以上の整数ではありません。"},
           {"--set viewpoint=1,2 --print-settings", 2, "'1,2' はカンマで区切った 3 つの数では"},
           {"--set screenWidth --print-settings", 2, "'screenWidth' は 名前=値 の形では"},
           // --set is checked by the dialog's rules.
           {"T --set ambient=2 -o @out.bmp", 2, "0 から 1 までの数字を入力してください。"},
           {"T --set lightColor=0,0,0 -o @out.bmp", 2, "光源の[RGB]をすべて0にすると"},
           {"D --orbit 3 -o @f.png", 2, "(%04d など) をひとつ含む -o の名前が必要です。"},
           {"D --orbit 3 -o /nonexistent/f%04d.png", 2, "/nonexistent: コマを書くフォルダが"},
           {"D --orbit 3 --camera-path @path.txt -o @f%d.bmp", 2, "と --camera-path は一緒に"},
           {"D --orbit-degrees 90 -o @out.bmp", 2, "--orbit-degrees は --orbit と一緒に指定して"},
           {"D --orbit 0 -o @f%d.bmp", 2, "--orbit には 1 以上のコマ数を指定してください。"},
           {"D --camera-path @path.txt -o @f%d.bmp", 2, "path.txt: 3 行目はカメラ"},
           {"D --height-range 5 -o @out.bmp", 2, kRange},
           {"D --height-range 5,1 -o @out.bmp", 2, kRange},
           {"D --height-range a,nan -o @out.bmp", 2, kRange},
           {"--surface @none.bmp --bump @thin.bmp -o @out.bmp", 1, "読み込みに失敗しました。"},
           {"--surface @thin.bmp --bump @thin.bmp -o @out.bmp", 1, "1ピクセル以下のビットマップは"},
           {"@not.qnf -o @out.bmp", 1, "QN ドキュメントではありません。"},
           {"@none.qnf -o @out.bmp", 1, "ファイルを開けませんでした。"},
           {"T --set screenWidth=100000 -o @out.bmp", 1, "スクリーンの作成に失敗しました。"},
           {"--version", 0, "QN Version 3.3\n"},
           {"--help", 0, "同じフォルダ"},  // where the textures must lie
           {"--set viewpoint=1,2,3 --print-settings", 0, "\nviewpoint=1,2,3\n"}}) {
    SCOPED_TRACE(line);
    const RunResult run = qnRender(line, folder);
    EXPECT_EQ(run.status, status) << run.err;
    EXPECT_THAT(status ? run.err : run.out, testing::HasSubstr(text));
    EXPECT_FALSE(status == 2 && run.err.find("曲面分割") != std::string::npos);  // refused first
  }
  EXPECT_EQ(folder.entries(), (Texts{"not.qnf", "path.txt", "thin.bmp"}));
}

TEST(QnRender, RendersExportsAndSavesTheSampleTexturesWithDefaultSettings) {
  TempFolder folder, elsewhere;
  const RunResult run =
      qnRender("T -o @top.bmp --dxf @s.dxf --save-document " + elsewhere.file("far.qnf"), folder);
  ASSERT_EQ(run.status, 0) << run.err;
  // The default camera looks straight down at grid point (0, 0), the screen centre: the
  // terrain fills the lower right quarter, the rest is black sky.
  const std::vector<Color> top = pixelsOf(folder.file("top.bmp"), 320, 240);
  EXPECT_EQ(std::pair(top[10 * 320 + 10], top[200 * 320 + 100]), std::pair(0u, 0u));
  int terrain = 0;
  for (int y = 125; y < 240; ++y)
    for (int x = 165; x < 320; ++x) terrain += top[y * 320 + x] != 0;
  EXPECT_GT(terrain, 155 * 115 * 9 / 10);
  // One stage line per stage, in the order of the start-rendering command.
  std::size_t at = 0;
  for (const char* stage : {"曲面分割", "色補完", "頂点移動", "ソート", "光源処理"}) {
    at = run.err.find(std::string(stage) + "をおこなっています。", at);
    ASSERT_NE(at, std::string::npos) << stage << " in " << run.err;
  }
  const std::string dxf = readText(folder.file("s.dxf"));
  std::size_t faces = 0;
  for (at = 0; (at = dxf.find("\r\n3DFACE\r\n", at)) != std::string::npos; ++at) ++faces;
  EXPECT_EQ(faces, 2u * 256 * 256);  // one per triangle
  EXPECT_THAT(readText(elsewhere.file("far.qnf")),
              testing::HasSubstr("sample-surface.bmp\r\nsample-bump.bmp\r\n"));
  EXPECT_THAT(run.err, testing::HasSubstr("と同じフォルダにないため"));  // textures far away
}

// The sample document; its printed settings given as --set to the textures render the same
// picture, here as a PNG; 8-bit heights widened to 16 bits render the picture and mesh byte
// for byte; the 16-bit sample's own heights give the mesh far more levels (no terraces).
TEST(QnRender, RendersTheSampleDocumentAsItsSettingsSayAtEightAndSixteenBitsAndInFrames) {
  TempFolder folder;
  const RunResult doc = qnRender("D --print-settings -o @8.bmp --dxf @8.dxf --quiet", folder);
  ASSERT_EQ(doc.status, 0) << doc.err;
  EXPECT_EQ(doc.err, "") << "--quiet leaves stderr empty on success";
  std::string sets;
  std::istringstream lines(doc.out);
  for (std::string line; std::getline(lines, line);) sets += " --set " + line;
  std::vector<double> widened;
  for (Color c : pixelsOf(QN_SOURCE_DIR "/examples/sample-bump.bmp", 257, 257))
    widened.push_back(redOf(c) * 257.0);
  ASSERT_TRUE(writeBytes(folder.file("widened.png"),
                         makeRasterFile({"PNG", GDT_UInt16, 257, 257, 1, widened, {}})));
  // Each frame of a path of three cameras (beside, below the terrain, looking straight up with
  // its own focal distance: no terrain) is the single picture of its camera.
  writeText(folder.file("path.txt"),
            "# viewpoint, look-at, focal distance\n-100 128 90   128 128 20\n\n"
            "128,128,-60, 128,128,0\n128 128 2000  128 128 5000  350  # straight up\n");
  const std::string small = " --set screenWidth=200 --set screenHeight=150 --quiet -o @";
  for (const std::string& line :
       {"T -o @tex.png" + sets, std::string("D --bump @widened.png -o @w.bmp --dxf @w.dxf"),
        std::string(QN_SOURCE_DIR "/examples/sample16.qnf --dxf @16.dxf"),
        "D --camera-path @path.txt" + small + "f%d.bmp",
        "D --set viewpoint=-100,128,90 --set lookAt=128,128,20" + small + "1.bmp",
        "D --set viewpoint=128,128,-60 --set lookAt=128,128,0" + small + "2.bmp",
        "D --set viewpoint=128,128,2000 --set lookAt=128,128,5000 --set distance=350" + small +
            "3.bmp"})
    ASSERT_EQ(qnRender(line, folder).status, 0) << line;
  const std::vector<Color> eight = pixelsOf(folder.file("8.bmp"), 640, 480);
  EXPECT_TRUE(eight[0] == 0u && eight[240 * 640 + 320] != 0u) << "sky, then terrain";
  const std::string png = readText(folder.file("tex.png"));
  std::vector<Color> pngPixels;
  int width = 0, height = 0;
  ASSERT_TRUE(decodePng(reinterpret_cast<const std::uint8_t*>(png.data()), png.size(), pngPixels,
                        width, height));
  EXPECT_EQ(pngPixels, eight);
  EXPECT_EQ(readText(folder.file("w.bmp")), readText(folder.file("8.bmp")));
  EXPECT_EQ(readText(folder.file("w.dxf")), readText(folder.file("8.dxf")));
  // Distinct z values (of each face's first corner) of each mesh.
  const auto levels = [&](const std::string& name) {
    std::istringstream dxf(readText(folder.file(name)));
    std::set<std::string> values;
    for (std::string code, value; std::getline(dxf, code) && std::getline(dxf, value);)
      if (code == "30\r") values.insert(value);
    return values.size();
  };
  EXPECT_GT(levels("16.dxf"), 50 * levels("8.dxf"));
  for (const std::string k : {"1", "2", "3"})
    EXPECT_EQ(readText(folder.file("f" + k + ".bmp")), readText(folder.file(k + ".bmp"))) << k;
  const std::vector<Color> away = pixelsOf(folder.file("f3.bmp"), 200, 150);
  EXPECT_EQ(std::count(away.begin(), away.end(), 0u), 200 * 150) << "no terrain";
}

TEST(QnRender, CtrlCCancelsWritesNothingAndExits130) {
  TempFolder folder, logs;
  // A large terrain keeps the stages busy long enough to be interrupted.
  DibImage big;
  ASSERT_TRUE(big.create(1025, 1025));
  for (int i = 0; i < 1025 * 1025; ++i) big.pixels()[i] = makeColor(i % 251, 90, 40);
  ASSERT_TRUE(big.writeFile(folder.file("big.bmp")));
  RunResult run;
  std::thread runner([&] {
    run = qnRender(
        "--surface @big.bmp --bump @big.bmp --set viewpoint=512,1400,300 "
        "--set lookAt=512,512,0 -o @out.bmp --dxf @out.dxf",
        folder, logs);
  });
  // Interrupt once the first stage has finished (its line is written when it ends).
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (readText(logs.file("err")).find("曲面分割") == std::string::npos &&
         std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ::kill(std::stoi(readText(logs.file("pid"))), SIGINT);
  runner.join();
  EXPECT_EQ(run.status, 130) << run.err;
  EXPECT_THAT(run.err, testing::HasSubstr("中止します。"));
  EXPECT_EQ(folder.entries(), Texts{"big.bmp"}) << "no picture, DXF or temporary file";
}

}  // namespace
