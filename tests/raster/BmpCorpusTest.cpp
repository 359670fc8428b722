// The public BMP conformance corpus: good files match their reference pictures, bad files
// are refused, questionable files never crash the reader.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "raster/DibImage.h"

namespace {

const std::filesystem::path kSuite = std::filesystem::path(QN_SHARED_DIR) / "testdata/bmpsuite";

// Empty when the picture equals the binary PPM (P6, maxval 255), else the first difference.
std::string compareWithPpm(const DibImage& image, const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int width = 0, height = 0, maxValue = 0;
  in >> magic >> width >> height >> maxValue;
  in.get();
  if (!in || magic != "P6" || maxValue != 255) return "reference unreadable";
  if (width != image.width() || height != image.height()) return "size differs";
  unsigned char rgb[3];
  for (int i = 0; i < width * height; ++i)
    if (!in.read(reinterpret_cast<char*>(rgb), 3) ||
        image.pixels()[i] != makeColor(rgb[0], rgb[1], rgb[2]))
      return "pixel " + std::to_string(i % width) + ", " + std::to_string(i / width);
  return {};
}

}  // namespace

TEST(BmpCorpus, GoodFilesMatchBadFilesAreRefusedQuestionableFilesNeverCrash) {
  // Questionable files that must match; not the others, whose references show skipped RLE
  // pixels as transparent or keep an alpha channel we drop, nor rgb32-111110, whose 11-bit
  // shades do not round back.
  const std::set<std::string> matching = {
      "q/pal8offs.bmp",     "q/pal8oversizepal.bmp", "q/pal8os2sp.bmp",      "q/pal8os2v2.bmp",
      "q/pal8os2v2-16.bmp", "q/pal8os2v2-40sz.bmp",  "q/pal8os2v2-sz.bmp",   "q/pal8os2-sz.bmp",
      "q/pal8os2-hs.bmp",   "q/rgb16-231.bmp",       "q/rgb24largepal.bmp",  "q/rgb32h52.bmp",
      "q/rgb32-xbgr.bmp",   "q/rgb24prof.bmp",       "q/rgb24lprof.bmp",     "q/pal2.bmp",
      "q/pal2color.bmp",    "q/rgb16-3103.bmp",      "q/rgb32fakealpha.bmp", "q/rgb16faketrns.bmp"};
  std::map<std::string, std::string> references;  // BMP -> reference PPM, suite-relative
  std::ifstream manifest(kSuite / "MANIFEST");
  for (std::string bmp, png; manifest >> bmp >> png;)
    references[bmp] = std::filesystem::path(png).replace_extension(".ppm").string();
  std::map<char, int> counts;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(kSuite)) {
    if (entry.path().extension() != ".bmp") continue;
    const std::string file = entry.path().lexically_relative(kSuite).string();
    SCOPED_TRACE(file);
    ++counts[file[0]];
    DibImage image;
    ASSERT_TRUE(image.create(3, 3));
    const bool read = image.load(entry.path().string());
    EXPECT_EQ(read, image.isValid());
    EXPECT_FALSE(file[0] == 'b' && read) << "a bad file is refused";
    if (file[0] != 'g' && !matching.count(file)) continue;
    ASSERT_TRUE(read);
    ASSERT_EQ(references.count(file), 1u) << "no reference picture";
    EXPECT_EQ(compareWithPpm(image, kSuite / references.at(file)), "");
  }
  EXPECT_GE(counts['g'], 20) << "corpus not found under " << kSuite;
  EXPECT_GE(counts['b'], 10);
  EXPECT_GE(counts['q'], 20);
}
