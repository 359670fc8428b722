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

Bytes bytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

void append(Bytes& bytes, const Bytes& more) {
  bytes.insert(bytes.end(), more.begin(), more.end());
}

Bytes encode(const std::string& surface, const std::string& bump, const RenderSettings& s) {
  return encodeDocument(surface, bump, s).value();
}

// A file of an older version: the current file with the version changed and the numeric
// block cut to that version's length.
Bytes olderFile(std::uint16_t version, const RenderSettings& s, std::size_t blockLength) {
  Bytes bytes = encode("s.bmp", "b.bmp", s);
  bytes[2] = static_cast<std::uint8_t>(version & 0xFF);
  bytes[3] = static_cast<std::uint8_t>(version >> 8);
  bytes.resize(bytes.size() - 164 + blockLength);
  return bytes;
}

}  // namespace

TEST(DocumentFile, NewDocumentIs236GoldenBytes) {
  const Bytes bytes = encode("", "", RenderSettings{});
  ASSERT_EQ(bytes.size(), 236u);
  Bytes expected = {0x51, 0x4E, 0x2C, 0x01};
  expected.resize(68, 0);
  append(expected, {0x0D, 0x0A, 0x0D, 0x0A});
  const auto u32 = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) expected.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  };
  const auto f64 = [&](std::uint8_t b6, std::uint8_t b7) {
    append(expected, {0, 0, 0, 0, 0, 0, b6, b7});
  };
  u32(320), u32(240);
  f64(0x6E, 0x40);                              // 240.0
  f64(0x00, 0x40);                              // 2.0
  f64(0, 0), f64(0, 0), f64(0x70, 0x40);        // viewpoint 0, 0, 256
  f64(0, 0), f64(0, 0), f64(0, 0);              // lookAt
  for (int i = 0; i < 6; ++i) f64(0xF0, 0x3F);  // lightDirection and lightColor 1.0
  f64(0xE0, 0x3F);                              // ambient 0.5
  u32(0), u32(0), u32(0);                       // reserved, subdivisionMode, reserved
  u32(0), u32(0), u32(255);                     // slice off, 0, 255
  f64(0xD0, 0x3F);                              // emphasisRate 0.25
  u32(0);                                       // wireframe off
  EXPECT_EQ(bytes, expected);
}

TEST(DocumentFile, StoresNamesAsLines) {
  const Bytes bytes = encode("hill.bmp", "hillh.bmp", RenderSettings{});
  ASSERT_EQ(bytes.size(), 236u + 8 + 9);
  EXPECT_EQ(std::string(bytes.begin() + 68, bytes.begin() + 68 + 21), "hill.bmp\r\nhillh.bmp\r\n");
}

TEST(DocumentFile, RoundTripsEveryField) {
  const RenderSettings s = everyFieldChanged();
  const DocumentParseResult result = parseDocument(encode("hill.bmp", "\x92\x6E.bmp", s));
  ASSERT_EQ(result.status, DocumentParseStatus::Parsed);
  EXPECT_EQ(result.data.version, 300);
  EXPECT_EQ(result.data.surfaceName, "hill.bmp");
  EXPECT_EQ(result.data.bumpName, "\x92\x6E.bmp");
  EXPECT_EQ(result.data.settings, s);
}

TEST(DocumentFile, ReadsOlderVersionsWithLaterFieldsAtDefaults) {
  const RenderSettings s = everyFieldChanged();
  RenderSettings before200 = s;  // slice, emphasis and wireframe arrived later
  before200.sliceEnabled = 0;
  before200.sliceMin = 0;
  before200.sliceMax = 255;
  before200.emphasisRate = 0.25;
  before200.wireframe = 0;
  RenderSettings before300 = s;
  before300.wireframe = 0;
  struct Case {
    const char* name;
    std::uint16_t version;
    std::size_t blockLength;
    RenderSettings expected;
  };
  const Case cases[] = {
      {"version 0", 0, 140, before200},     {"version 199", 199, 140, before200},
      {"version 200", 200, 160, before300}, {"version 299", 299, 160, before300},
      {"version 300", 300, 164, s},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes bytes = olderFile(c.version, s, c.blockLength);
    const DocumentParseResult exact = parseDocument(bytes);
    ASSERT_EQ(exact.status, DocumentParseStatus::Parsed);
    EXPECT_EQ(exact.data.version, c.version);
    EXPECT_EQ(exact.data.settings, c.expected);
    EXPECT_EQ(exact.data.bumpName, "b.bmp");
    // Bytes after the version's last field are not read.
    append(bytes, Bytes(40, 0xAB));
    const DocumentParseResult trailing = parseDocument(bytes);
    ASSERT_EQ(trailing.status, DocumentParseStatus::Parsed);
    EXPECT_EQ(trailing.data.settings, c.expected);
    // One byte short of the version's block is a truncated file.
    bytes.resize(bytes.size() - 40 - 1);
    EXPECT_EQ(parseDocument(bytes).status, DocumentParseStatus::Truncated);
  }
}

TEST(DocumentFile, RefusesNewerVersionsAndOtherFiles) {
  Bytes bytes = encode("", "", RenderSettings{});
  bytes[2] = 0x2D;  // 301
  EXPECT_EQ(parseDocument(bytes).status, DocumentParseStatus::NewerVersion);
  bytes[2] = 0xFF, bytes[3] = 0xFF;
  EXPECT_EQ(parseDocument(bytes).status, DocumentParseStatus::NewerVersion);

  struct Case {
    const char* name;
    std::string head;
  };
  const Case cases[] = {
      {"QX", "QX"},          {"lower case", "qn"}, {"BMP file", "BM"},
      {"Q then LF", "Q\nN"}, {"LF first", "\nQN"}, {"one other byte", "X"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes other = bytesOf(c.head);
    append(other, Bytes(300, 0));
    if (c.head.size() == 1) other.resize(1);
    EXPECT_EQ(parseDocument(other).status, DocumentParseStatus::NotDocument);
  }
}

TEST(DocumentFile, RefusesEveryTruncatedPrefix) {
  const Bytes bytes = encode("hill.bmp", "hillh.bmp", everyFieldChanged());
  for (std::size_t length = 0; length < bytes.size(); ++length) {
    SCOPED_TRACE(length);
    const Bytes prefix(bytes.begin(), bytes.begin() + length);
    EXPECT_EQ(parseDocument(prefix).status, DocumentParseStatus::Truncated);
  }
  EXPECT_EQ(parseDocument(bytes).status, DocumentParseStatus::Parsed);
}

TEST(DocumentFile, ReadsNameLinesByTheArchiveRule) {
  const Bytes block = [] {
    const Bytes file = encode("", "", everyFieldChanged());
    return Bytes(file.end() - 164, file.end());
  }();
  const auto fileWithLines = [&](const std::string& lines) {
    Bytes bytes = {0x51, 0x4E, 0x2C, 0x01};
    bytes.resize(68, 0);
    append(bytes, bytesOf(lines));
    append(bytes, block);
    return bytes;
  };
  struct Case {
    const char* name;
    std::string lines;
    const char* surface;
    const char* bump;
  };
  const Case cases[] = {
      {"CR LF", "a.bmp\r\nb.bmp\r\n", "a.bmp", "b.bmp"},
      {"LF alone", "a.bmp\nb.bmp\n", "a.bmp", "b.bmp"},
      {"CR drops any one byte", "a.bmp\rXb.bmp\rY", "a.bmp", "b.bmp"},
      {"empty names", "\r\n\r\n", "", ""},
      {"zero byte ends a name", std::string("a.bmp\0junk\r\nb.bmp\r\n", 19), "a.bmp", "b.bmp"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const DocumentParseResult result = parseDocument(fileWithLines(c.lines));
    ASSERT_EQ(result.status, DocumentParseStatus::Parsed);
    EXPECT_EQ(result.data.surfaceName, c.surface);
    EXPECT_EQ(result.data.bumpName, c.bump);
    EXPECT_EQ(result.data.settings, everyFieldChanged());
  }
}

TEST(DocumentFile, CutsAnOverlongNameLineAndReadsTheRestAsTheNextField) {
  const std::string longName(1030, 'n');
  Bytes bytes = {0x51, 0x4E, 0x2C, 0x01};
  bytes.resize(68, 0);
  append(bytes, bytesOf(longName + "\r\nb.bmp\r\n"));
  append(bytes, Bytes(164, 0));
  const DocumentParseResult result = parseDocument(bytes);
  ASSERT_EQ(result.status, DocumentParseStatus::Parsed);
  EXPECT_EQ(result.data.surfaceName, std::string(1023, 'n'));
  EXPECT_EQ(result.data.bumpName, std::string(7, 'n'));
  // The numeric block then starts at "b.bmp\r\n": screenWidth reads "b.bm".
  EXPECT_EQ(result.data.settings.screenWidth, 0x6D622E62u);

  // A name of exactly 1023 bytes fills the line; its CR LF is then read as an empty name.
  Bytes exact = {0x51, 0x4E, 0x2C, 0x01};
  exact.resize(68, 0);
  append(exact, bytesOf(std::string(1023, 'n') + "\r\nb.bmp\r\n"));
  append(exact, Bytes(164, 0));
  const DocumentParseResult exactResult = parseDocument(exact);
  ASSERT_EQ(exactResult.status, DocumentParseStatus::Parsed);
  EXPECT_EQ(exactResult.data.bumpName, "");
}

TEST(DocumentFile, WillNotStoreANameThatCannotBeReadBack) {
  EXPECT_EQ(encodeDocument("a\nb.bmp", "", RenderSettings{}), std::nullopt);
  EXPECT_EQ(encodeDocument("", "a\rb.bmp", RenderSettings{}), std::nullopt);
  EXPECT_EQ(encodeDocument(std::string("a\0b", 3), "", RenderSettings{}), std::nullopt);
  EXPECT_EQ(encodeDocument(std::string(1024, 'n'), "", RenderSettings{}), std::nullopt);
  EXPECT_EQ(encodeDocument(std::string(1023, 'n'), "", RenderSettings{}), std::nullopt);
  EXPECT_TRUE(encodeDocument(std::string(1022, 'n'), "", RenderSettings{}).has_value());
}
