// The .qnf layout, little-endian, no padding:
//   "QN", 16-bit version, 64 reserved zero bytes,
//   surface texture name + CR LF, bump texture name + CR LF,
//   numeric block: screenWidth, screenHeight (u32), distance, nearLimit, viewpoint xyz,
//   lookAt xyz, lightDirection xyz, lightColor rgb, ambient (doubles), reserved (i32),
//   subdivisionMode (i32), reserved (i32)                       -- 140 bytes, every version
//   sliceEnabled (i32), sliceMin, sliceMax (u32), emphasisRate  -- +20 bytes from version 200
//   wireframe (i32)                                             -- +4 bytes from version 300
// Lines are read the way the original archive read them: bytes up to a maximum count or up
// to LF or CR; after a CR exactly one more byte is dropped (the writer's LF).

#include "document/DocumentFile.h"

#include <bit>

namespace {

constexpr std::size_t kReservedHeadBytes = 64;
constexpr std::uint16_t kSliceVersion = 200;
constexpr std::uint16_t kWireframeVersion = 300;

class ByteWriter {
 public:
  void bytes(std::string_view text) { out_.insert(out_.end(), text.begin(), text.end()); }
  void zeros(std::size_t count) { out_.insert(out_.end(), count, 0); }
  void u16(std::uint16_t v) { unsignedLe(v, 2); }
  void u32(std::uint32_t v) { unsignedLe(v, 4); }
  void i32(std::int32_t v) { unsignedLe(static_cast<std::uint32_t>(v), 4); }
  void f64(double v) { unsignedLe(std::bit_cast<std::uint64_t>(v), 8); }
  void vec3(const Vec3& v) {
    f64(v.x);
    f64(v.y);
    f64(v.z);
  }
  std::vector<std::uint8_t> take() { return std::move(out_); }

 private:
  void unsignedLe(std::uint64_t v, int count) {
    for (int i = 0; i < count; ++i) out_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  std::vector<std::uint8_t> out_;
};

// Reads fields from untrusted bytes; every read reports whether the bytes were there.
class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  bool atEnd() const { return pos_ >= bytes_.size(); }

  bool skip(std::size_t count) {
    if (bytes_.size() - pos_ < count) return false;
    pos_ += count;
    return true;
  }
  bool u16(std::uint16_t& v) {
    std::uint64_t raw = 0;
    if (!unsignedLe(raw, 2)) return false;
    v = static_cast<std::uint16_t>(raw);
    return true;
  }
  bool u32(std::uint32_t& v) {
    std::uint64_t raw = 0;
    if (!unsignedLe(raw, 4)) return false;
    v = static_cast<std::uint32_t>(raw);
    return true;
  }
  bool i32(std::int32_t& v) {
    std::uint32_t raw = 0;
    if (!u32(raw)) return false;
    v = static_cast<std::int32_t>(raw);
    return true;
  }
  bool f64(double& v) {
    std::uint64_t raw = 0;
    if (!unsignedLe(raw, 8)) return false;
    v = std::bit_cast<double>(raw);
    return true;
  }
  bool vec3(Vec3& v) { return f64(v.x) && f64(v.y) && f64(v.z); }

  // One line of at most maxCount bytes. False when the bytes ran out before the line
  // ended (by count, LF or CR and its dropped byte); line then holds what was read.
  bool line(std::size_t maxCount, std::string& line) {
    line.clear();
    while (line.size() < maxCount) {
      if (atEnd()) return false;
      const char c = static_cast<char>(bytes_[pos_++]);
      if (c == '\n') return true;
      if (c == '\r') return skip(1);
      line.push_back(c);
    }
    return true;
  }

 private:
  bool unsignedLe(std::uint64_t& v, int count) {
    if (bytes_.size() - pos_ < static_cast<std::size_t>(count)) return false;
    v = 0;
    for (int i = 0; i < count; ++i) v |= std::uint64_t{bytes_[pos_ + i]} << (8 * i);
    pos_ += count;
    return true;
  }

  std::span<const std::uint8_t> bytes_;
  std::size_t pos_ = 0;
};

// A name of kMaxStoredNameLength bytes fills the reader's line by count, so its CR LF would
// be read as the next name: the longest name that reads back is one byte shorter.
bool storableName(std::string_view name) {
  return name.size() < kMaxStoredNameLength &&
         name.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

// A stored name is a zero-terminated string in the original program: a zero byte ends it.
std::string upToZero(const std::string& line) { return line.substr(0, line.find('\0')); }

bool readNumericBlock(ByteReader& in, std::uint16_t version, RenderSettings& s) {
  std::int32_t reserved = 0;
  if (!(in.u32(s.screenWidth) && in.u32(s.screenHeight) && in.f64(s.distance) &&
        in.f64(s.nearLimit) && in.vec3(s.viewpoint) && in.vec3(s.lookAt) &&
        in.vec3(s.lightDirection) && in.vec3(s.lightColor) && in.f64(s.ambient) &&
        in.i32(reserved) && in.i32(s.subdivisionMode) && in.i32(reserved))) {
    return false;
  }
  if (version < kSliceVersion) return true;
  if (!(in.i32(s.sliceEnabled) && in.u32(s.sliceMin) && in.u32(s.sliceMax) &&
        in.f64(s.emphasisRate))) {
    return false;
  }
  if (version < kWireframeVersion) return true;
  return in.i32(s.wireframe);
}

}  // namespace

std::optional<std::vector<std::uint8_t>> encodeDocument(std::string_view surfaceName,
                                                        std::string_view bumpName,
                                                        const RenderSettings& s) {
  if (!storableName(surfaceName) || !storableName(bumpName)) return std::nullopt;
  ByteWriter out;
  out.bytes("QN");
  out.u16(kDocumentVersion);
  out.zeros(kReservedHeadBytes);
  out.bytes(surfaceName);
  out.bytes("\r\n");
  out.bytes(bumpName);
  out.bytes("\r\n");
  out.u32(s.screenWidth);
  out.u32(s.screenHeight);
  out.f64(s.distance);
  out.f64(s.nearLimit);
  out.vec3(s.viewpoint);
  out.vec3(s.lookAt);
  out.vec3(s.lightDirection);
  out.vec3(s.lightColor);
  out.f64(s.ambient);
  out.i32(0);  // reserved
  out.i32(s.subdivisionMode);
  out.i32(0);  // reserved
  out.i32(s.sliceEnabled);
  out.u32(s.sliceMin);
  out.u32(s.sliceMax);
  out.f64(s.emphasisRate);
  out.i32(s.wireframe);
  return out.take();
}

DocumentParseResult parseDocument(std::span<const std::uint8_t> bytes) {
  DocumentParseResult result;
  DocumentFileData& data = result.data;
  ByteReader in(bytes);

  // The magic is read as a line of two characters, like the names.
  std::string magic;
  const bool magicComplete = in.line(2, magic);
  if (magic != "QN") {
    // A file cut inside "QN" is a short file rather than some other kind of file.
    const bool prefixOfMagic = std::string_view("QN").starts_with(magic);
    result.status = !magicComplete && prefixOfMagic ? DocumentParseStatus::Truncated
                                                    : DocumentParseStatus::NotDocument;
    return result;
  }
  if (!in.u16(data.version)) return result;  // Truncated
  if (data.version > kDocumentVersion) {
    result.status = DocumentParseStatus::NewerVersion;
    return result;
  }
  std::string surfaceLine;
  std::string bumpLine;
  if (!in.skip(kReservedHeadBytes) || !in.line(kMaxStoredNameLength, surfaceLine) ||
      !in.line(kMaxStoredNameLength, bumpLine) ||
      !readNumericBlock(in, data.version, data.settings)) {
    return result;  // Truncated
  }
  data.surfaceName = upToZero(surfaceLine);
  data.bumpName = upToZero(bumpLine);
  result.status = DocumentParseStatus::Parsed;
  return result;
}
