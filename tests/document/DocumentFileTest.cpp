// The .qnf codec on memory: golden bytes, round trip, older versions, refusals, every
// truncated prefix and the archive's line rule.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "document/DocumentFile.h"
#include "support/EveryFieldChanged.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes encode(const std::string& surface, const std::string& bump, const RenderSettings& s) {
  return encodeDocument(surface, bump, s).value();
}

// The 68-byte header of version 300, then the name lines and the numeric block as given.
Bytes fileOf(const std::string& lines, const Bytes& block) {
  Bytes bytes = {0x51, 0x4E, 0x2C, 0x01};
  bytes.resize(68, 0);
  bytes.insert(bytes.end(), lines.begin(), lines.end());
  bytes.insert(bytes.end(), block.begin(), block.end());
  return bytes;
}

}  // namespace

TEST(DocumentFile, NewDocumentIs236GoldenBytes) {
  Bytes block;
  const auto u32 = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) block.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  };
  const auto f64 = [&](std::uint8_t b6, std::uint8_t b7) {
    block.insert(block.end(), {0, 0, 0, 0, 0, 0, b6, b7});
  };
  u32(320), u32(240);
  f64(0x6E, 0x40), f64(0x00, 0x40);             // distance 240.0, nearLimit 2.0
  f64(0, 0), f64(0, 0), f64(0x70, 0x40);        // viewpoint 0, 0, 256
  f64(0, 0), f64(0, 0), f64(0, 0);              // lookAt
  for (int i = 0; i < 6; ++i) f64(0xF0, 0x3F);  // lightDirection and lightColor 1.0
  f64(0xE0, 0x3F);                              // ambient 0.5
  u32(0), u32(0), u32(0);                       // reserved, subdivisionMode, reserved
  u32(0), u32(0), u32(255);                     // slice off, 0, 255
  f64(0xD0, 0x3F);                              // emphasisRate 0.25
  u32(0);                                       // wireframe off
  EXPECT_EQ(encode("", "", RenderSettings{}), fileOf("\r\n\r\n", block));
  EXPECT_EQ(block.size(), 164u);
}

TEST(DocumentFile, StoresNamesAsLinesAndRoundTripsEveryField) {
  const RenderSettings s = everyFieldChanged();
  const Bytes bytes = encode("hill.bmp", "\x92\x6E.bmp", s);
  EXPECT_EQ(bytes, fileOf("hill.bmp\r\n\x92\x6E.bmp\r\n", Bytes(bytes.end() - 164, bytes.end())));
  const DocumentParseResult result = parseDocument(bytes);
  ASSERT_EQ(result.status, DocumentParseStatus::Parsed);
  EXPECT_EQ(result.data.version, 300);
  EXPECT_EQ(result.data.surfaceName, "hill.bmp");
  EXPECT_EQ(result.data.bumpName, "\x92\x6E.bmp");
  EXPECT_EQ(result.data.settings, s);
}

TEST(DocumentFile, ReadsOlderVersionsWithLaterFieldsAtDefaults) {
  const RenderSettings s = everyFieldChanged();
  RenderSettings before300 = s;  // slice, emphasis and wireframe arrived later
  before300.wireframe = 0;
  RenderSettings before200 = before300;
  before200.sliceEnabled = 0, before200.sliceMin = 0, before200.sliceMax = 255;
  before200.emphasisRate = 0.25;
  const struct {
    std::uint16_t version;
    std::size_t blockLength;
    RenderSettings expected;
  } cases[] = {{0, 140, before200},
               {199, 140, before200},
               {200, 160, before300},
               {299, 160, before300},
               {300, 164, s}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.version);
    Bytes bytes = encode("s.bmp", "b.bmp", s);
    bytes[2] = static_cast<std::uint8_t>(c.version & 0xFF);
    bytes[3] = static_cast<std::uint8_t>(c.version >> 8);
    bytes.resize(bytes.size() - 164 + c.blockLength);
    const DocumentParseResult exact = parseDocument(bytes);
    ASSERT_EQ(exact.status, DocumentParseStatus::Parsed);
    EXPECT_EQ(exact.data.version, c.version);
    EXPECT_EQ(exact.data.settings, c.expected);
    EXPECT_EQ(exact.data.bumpName, "b.bmp");
    bytes.resize(bytes.size() + 40, 0xAB);  // bytes after the version's last field are not read
    EXPECT_EQ(parseDocument(bytes).data.settings, c.expected);
    bytes.resize(bytes.size() - 40 - 1);  // one byte short of the version's block
    EXPECT_EQ(parseDocument(bytes).status, DocumentParseStatus::Truncated);
  }
}

TEST(DocumentFile, RefusesNewerVersionsOtherFilesAndEveryTruncatedPrefix) {
  Bytes bytes = encode("", "", RenderSettings{});
  bytes[2] = 0x2D;  // 301
  EXPECT_EQ(parseDocument(bytes).status, DocumentParseStatus::NewerVersion);
  bytes[2] = 0xFF, bytes[3] = 0xFF;
  EXPECT_EQ(parseDocument(bytes).status, DocumentParseStatus::NewerVersion);
  for (const std::string head : {"QX", "qn", "BM", "Q\nN", "\nQN"}) {
    Bytes other(head.begin(), head.end());
    other.resize(300, 0);
    EXPECT_EQ(parseDocument(other).status, DocumentParseStatus::NotDocument) << head;
  }
  EXPECT_EQ(parseDocument(Bytes{'X'}).status, DocumentParseStatus::NotDocument);

  const Bytes file = encode("hill.bmp", "hillh.bmp", everyFieldChanged());
  for (std::size_t length = 0; length < file.size(); ++length)
    EXPECT_EQ(parseDocument(Bytes(file.begin(), file.begin() + length)).status,
              DocumentParseStatus::Truncated)
        << length;
}

TEST(DocumentFile, ReadsNameLinesByTheArchiveRule) {
  const Bytes file = encode("", "", everyFieldChanged());
  const Bytes block(file.end() - 164, file.end());
  const struct {
    std::string lines;
    const char* surface;
    const char* bump;
  } cases[] = {{"a.bmp\r\nb.bmp\r\n", "a.bmp", "b.bmp"},
               {"a.bmp\nb.bmp\n", "a.bmp", "b.bmp"},
               {"a.bmp\rXb.bmp\rY", "a.bmp", "b.bmp"},  // CR drops any one byte
               {"\r\n\r\n", "", ""},
               {std::string("a.bmp\0junk\r\nb.bmp\r\n", 19), "a.bmp", "b.bmp"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lines);
    const DocumentParseResult result = parseDocument(fileOf(c.lines, block));
    ASSERT_EQ(result.status, DocumentParseStatus::Parsed);
    EXPECT_EQ(result.data.surfaceName, c.surface);
    EXPECT_EQ(result.data.bumpName, c.bump);
    EXPECT_EQ(result.data.settings, everyFieldChanged());
  }
  // An overlong line is cut at 1023 bytes and the rest read as the next field; the numeric
  // block then starts at "b.bmp\r\n" (screenWidth reads "b.bm").
  const DocumentParseResult cut =
      parseDocument(fileOf(std::string(1030, 'n') + "\r\nb.bmp\r\n", Bytes(164, 0)));
  ASSERT_EQ(cut.status, DocumentParseStatus::Parsed);
  EXPECT_EQ(cut.data.surfaceName, std::string(1023, 'n'));
  EXPECT_EQ(cut.data.bumpName, std::string(7, 'n'));
  EXPECT_EQ(cut.data.settings.screenWidth, 0x6D622E62u);
  // A name of exactly 1023 bytes fills the line; its CR LF is then read as an empty name.
  const DocumentParseResult exact =
      parseDocument(fileOf(std::string(1023, 'n') + "\r\nb.bmp\r\n", Bytes(164, 0)));
  ASSERT_EQ(exact.status, DocumentParseStatus::Parsed);
  EXPECT_EQ(exact.data.bumpName, "");

  // So a name that could not be read back is not stored.
  for (const std::string& name :
       {std::string("a\nb.bmp"), std::string("a\rb.bmp"), std::string("a\0b", 3),
        std::string(1023, 'n'), std::string(1024, 'n')}) {
    EXPECT_EQ(encodeDocument(name, "", RenderSettings{}), std::nullopt) << name.size();
    EXPECT_EQ(encodeDocument("", name, RenderSettings{}), std::nullopt) << name.size();
  }
  EXPECT_TRUE(encodeDocument(std::string(1022, 'n'), "", RenderSettings{}).has_value());
}
