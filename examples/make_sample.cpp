// make-sample: writes the bundled sample terrain, a 257 x 257 bump texture (fractal
// heights by the diamond-square algorithm, grey so that the red channel holds the height)
// and a surface texture coloured by height band (water, sand, grass, forest, rock, snow)
// with a little hill shading. Deterministic: a fixed seed, its own random generator and
// only correctly rounded arithmetic (+ - * / sqrt), so every build writes the same bytes.
//
//   make-sample OUTDIR [--size N] [--seed S]
// writes OUTDIR/sample-bump.bmp, OUTDIR/sample-surface.bmp and the same heights in 16 bits,
// OUTDIR/sample-bump16.png; N is 2^k + 1 (default 257,
// the bundled sample), S any unsigned number. Larger sizes make the terrains the
// benchmarks render.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/AtomicFile.h"
#include "raster/Color.h"
#include "raster/DibImage.h"
#include "raster/PngEncoder.h"

namespace {

constexpr int kDefaultSize = 257;  // diamond-square needs 2^n + 1
constexpr std::uint64_t kSeed = 0x514E2C01u;
int kSize = kDefaultSize;             // points a side, set once from the command line
constexpr double kRoughness = 0.52;   // amplitude factor per halving of the step
constexpr double kWaterLevel = 0.30;  // height of the water surface, 0..1
constexpr double kWaterShare = 0.30;  // share of the area under water

// splitmix64: small, fast and the same everywhere (std:: distributions are not).
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  // Uniform in [-1, 1).
  double next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15u);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    z ^= z >> 31;
    return static_cast<double>(z >> 11) * (2.0 / 9007199254740992.0) - 1.0;
  }

 private:
  std::uint64_t state_;
};

using Field = std::vector<double>;  // kSize x kSize, row-major, row 0 at the top

double& at(Field& f, int x, int y) { return f[static_cast<std::size_t>(y) * kSize + x]; }
double at(const Field& f, int x, int y) { return f[static_cast<std::size_t>(y) * kSize + x]; }

// Diamond-square: each pass sets the centres of the squares (diamond step) and then the
// edge midpoints (square step) to the mean of their neighbours plus a random offset whose
// amplitude shrinks by kRoughness per pass.
Field diamondSquare(Random& random) {
  Field f(static_cast<std::size_t>(kSize) * kSize, 0.0);
  at(f, 0, 0) = 0.8;  // a high corner and a low one give the terrain a range and a sea
  at(f, kSize - 1, 0) = 0.4;
  at(f, 0, kSize - 1) = 0.2;
  at(f, kSize - 1, kSize - 1) = -0.5;
  double amplitude = 1.0;
  for (int step = kSize - 1; step > 1; step /= 2) {
    const int half = step / 2;
    for (int y = half; y < kSize; y += step)
      for (int x = half; x < kSize; x += step) {
        const double mean = (at(f, x - half, y - half) + at(f, x + half, y - half) +
                             at(f, x - half, y + half) + at(f, x + half, y + half)) /
                            4.0;
        at(f, x, y) = mean + amplitude * random.next();
      }
    for (int y = 0; y < kSize; y += half)
      for (int x = (y / half) % 2 == 0 ? half : 0; x < kSize; x += step) {
        double sum = 0.0;
        int count = 0;
        if (x >= half) sum += at(f, x - half, y), ++count;
        if (x + half < kSize) sum += at(f, x + half, y), ++count;
        if (y >= half) sum += at(f, x, y - half), ++count;
        if (y + half < kSize) sum += at(f, x, y + half), ++count;
        at(f, x, y) = sum / count + amplitude * random.next();
      }
    amplitude *= kRoughness;
  }
  return f;
}

// Puts the water line at a fixed share of the area (kWaterShare of the points lie below
// it), maps the sea floor to 0..kWaterLevel and the land to kWaterLevel..1, the land
// with the curve t^1.5 so that lowlands stay gentle and the peaks rise steeply.
void shapeHeights(Field& f) {
  Field sorted = f;
  const auto waterIndex =
      static_cast<std::ptrdiff_t>(static_cast<double>(sorted.size()) * kWaterShare);
  std::nth_element(sorted.begin(), sorted.begin() + waterIndex, sorted.end());
  const double shore = sorted[static_cast<std::size_t>(waterIndex)];
  const auto [low, high] = std::minmax_element(f.begin(), f.end());
  const double lowest = *low;
  const double highest = *high;
  for (double& h : f) {
    if (h < shore) {
      h = kWaterLevel * (h - lowest) / (shore - lowest);
    } else {
      const double t = (h - shore) / (highest - shore);
      h = kWaterLevel + (1.0 - kWaterLevel) * t * std::sqrt(t);
    }
  }
}

std::uint32_t toByte(double v) {
  return static_cast<std::uint32_t>(std::clamp(v, 0.0, 255.0) + 0.5);
}

// The same heights in 16 bits (0..65535 for 0..1): value / 257 is the 8-bit height
// without its rounding, so the terrain rises smoothly instead of in one-level steps.
std::vector<std::uint16_t> fineBump(const Field& heights) {
  std::vector<std::uint16_t> samples(heights.size());
  for (std::size_t i = 0; i < heights.size(); ++i)
    samples[i] = static_cast<std::uint16_t>(
        std::clamp(std::max(heights[i], kWaterLevel), 0.0, 1.0) * 65535.0 + 0.5);
  return samples;
}

// The bump texture: the water surface is flat, the land rises above it.
void paintBump(const Field& heights, DibImage& bump) {
  Color* out = bump.pixels();
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      const std::uint32_t v = toByte(std::max(at(heights, x, y), kWaterLevel) * 255.0);
      out[y * kSize + x] = makeColor(v, v, v);
    }
}

struct Rgb {
  double r, g, b;
};

Rgb mix(Rgb a, Rgb b, double t) {
  t = std::clamp(t, 0.0, 1.0);
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// Colour by height above the water, with the band edges blurred and steep slopes bare.
Rgb bandColor(double h, double slope, double jitter) {
  const Rgb deep{18, 44, 102}, shallow{46, 112, 168}, sand{214, 198, 146}, grass{86, 140, 58},
      forest{44, 92, 40}, rock{124, 112, 100}, snow{242, 244, 248};
  if (h < kWaterLevel) return mix(deep, shallow, (h - kWaterLevel + 0.12) / 0.12);
  const double t = (h - kWaterLevel) / (1.0 - kWaterLevel) + jitter * 0.008;
  Rgb land = t < 0.008  ? sand
             : t < 0.03 ? mix(sand, grass, (t - 0.008) / 0.022)
             : t < 0.35 ? mix(grass, forest, (t - 0.03) / 0.32)
             : t < 0.55 ? mix(forest, rock, (t - 0.35) / 0.20)
             : t < 0.68 ? rock
                        : mix(rock, snow, (t - 0.68) / 0.06);
  if (t >= 0.03 && t < 0.68) land = mix(land, rock, (slope - 1.2) / 1.5);  // cliffs stay bare
  return land;
}

// The surface texture: band colours, a little per-pixel variation and hill shading from
// the north-west, so the texture looks like an aerial photograph.
void paintSurface(const Field& heights, Random& random, DibImage& surface) {
  Color* out = surface.pixels();
  const double relief = 255.0 * 0.25;  // the slope as the renderer's default emphasis shows it
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      const double h = at(heights, x, y);
      const double land = std::max(h, kWaterLevel);
      const double east = std::max(at(heights, std::min(x + 1, kSize - 1), y), kWaterLevel);
      const double south = std::max(at(heights, x, std::min(y + 1, kSize - 1)), kWaterLevel);
      const double dx = (east - land) * relief;
      const double dy = (south - land) * relief;
      const double slope = std::sqrt(dx * dx + dy * dy);
      // Lambert shading of the normal (-dx, -dy, 1) under a light from (-1, -1, 1.5).
      const double shade = (dx + dy + 1.5) / (std::sqrt(dx * dx + dy * dy + 1.0) * std::sqrt(4.25));
      const double jitter = random.next();
      const Rgb c = bandColor(h, slope, jitter);
      const double light = (h < kWaterLevel ? 1.0 : 0.55 + 0.5 * shade) * (1.0 + 0.04 * jitter);
      out[y * kSize + x] = makeColor(toByte(c.r * light), toByte(c.g * light), toByte(c.b * light));
    }
}

}  // namespace

int main(int argc, char** argv) {
  std::uint64_t seed = kSeed;
  bool usable = argc % 2 == 0;
  for (int i = 2; usable && i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    char* end = nullptr;
    const unsigned long long value = std::strtoull(argv[i + 1], &end, 0);
    usable = *end == '\0';
    if (option == "--size") {
      // 2^k + 1 between 3 and 16385.
      usable = usable && value >= 3 && value <= 16385 && ((value - 1) & (value - 2)) == 0;
      kSize = static_cast<int>(value);
    } else if (option == "--seed") {
      seed = value;
    } else {
      usable = false;
    }
  }
  if (!usable) {
    std::fprintf(stderr, "usage: make-sample OUTDIR [--size 2^k+1] [--seed N]\n");
    return 2;
  }
  const std::string folder = argv[1];

  Random random(seed);
  Field heights = diamondSquare(random);
  shapeHeights(heights);

  DibImage bump;
  DibImage surface;
  if (!bump.create(kSize, kSize) || !surface.create(kSize, kSize)) {
    std::fprintf(stderr, "make-sample: out of memory\n");
    return 1;
  }
  paintBump(heights, bump);
  paintSurface(heights, random, surface);

  for (const auto& [image, name] :
       {std::pair<const DibImage*, const char*>{&bump, "sample-bump.bmp"},
        {&surface, "sample-surface.bmp"}}) {
    const std::string path = folder + "/" + name;
    if (!image->writeFile(path)) {
      std::fprintf(stderr, "make-sample: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  const std::vector<std::uint8_t> png = encodeGreyPng16(fineBump(heights).data(), kSize, kSize);
  const std::string path = folder + "/sample-bump16.png";
  if (png.empty() || !writeFileAtomically(path, png.data(), png.size())) {
    std::fprintf(stderr, "make-sample: cannot write %s\n", path.c_str());
    return 1;
  }
  return 0;
}
