// The small base helpers: code page 932 names and UTF-8, parts of '/' paths, large blocks.

#include <gtest/gtest.h>

#include "base/Cp932.h"
#include "base/LargeBlock.h"
#include "base/PathParts.h"

TEST(Cp932, ConvertsBothWaysRefusesWhatItCannotAndRecognisesUtf8) {
  // 地 = 92 6E, 形 = 8C 60; 表 = 95 5C, whose second byte is that of '\'.
  const std::pair<const char*, const char*> both[] = {
      {"\x92\x6E\x8C\x60.bmp", "地形.bmp"},
      {"\x95\x5C.bmp", "表.bmp"},
      {"\xCC\xA7\xB2\xD9", "ﾌｧｲﾙ"},  // half-width katakana are single bytes
      {"hill_01 (copy)~\\.bmp", "hill_01 (copy)~\\.bmp"}};
  for (auto [cp932, utf8] : both) {
    EXPECT_EQ(Cp932ToUtf8(cp932), utf8);
    EXPECT_EQ(Utf8ToCp932(utf8), cp932);
    EXPECT_TRUE(IsValidUtf8(utf8)) << utf8;
  }
  for (const char* utf8 : {"\xF0\x9F\x98\x80.bmp", "\xC3\xA9t\xC3\xA9"})  // no cp932 form
    EXPECT_TRUE(IsValidUtf8(utf8) && !Utf8ToCp932(utf8)) << utf8;
  // Not UTF-8: cp932, overlong '/', a surrogate, past U+10FFFF, cut short.
  for (const char* bad : {"\x92\x6E", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE5\x9C"})
    EXPECT_FALSE(IsValidUtf8(bad) || Utf8ToCp932(bad)) << bad;
  EXPECT_FALSE(Cp932ToUtf8("\x92") || Cp932ToUtf8("\x81\x20"));  // no trail byte, a bad one
}

TEST(PathParts, SplitsAtTheLastSlashAndPlacesNamesBesideTheDocument) {
  const std::string cases[][4] = {
      {"/home/user/maps/a.qnf", "a.qnf", "/home/user/maps", "/home/user/maps/x.bmp"},
      {"maps/a.qnf", "a.qnf", "maps", "maps/x.bmp"},
      {"a.qnf", "a.qnf", "", "x.bmp"},  // the current folder, not the root
      {"/a.qnf", "a.qnf", "", "/x.bmp"},
      {"maps/", "", "maps", "maps/x.bmp"},
      {"", "", "", "x.bmp"},
      {"a\\b.qnf", "a\\b.qnf", "", "x.bmp"}};  // a backslash is a name character here
  for (const auto& [path, fileName, directory, beside] : cases) {
    SCOPED_TRACE(path);
    EXPECT_EQ(GetFileNamePart(path), fileName);
    EXPECT_EQ(GetDirectoryPart(path), directory);
    EXPECT_EQ(PathBeside(path, "x.bmp"), beside);
  }
}

TEST(LargeBlock, KeepsWhatIsWrittenWhilePrefaultingAndRefusesImpossibleSizes) {
  for (auto [count, prefault] :
       {std::pair{std::size_t{1000}, false}, {1000, true}, {6u << 20, false}, {6u << 20, true}}) {
    LargeArray<std::uint64_t> a;
    ASSERT_TRUE(a.allocate(count, prefault));
    for (std::size_t i = 0; i < count; ++i) a[i] = i * 0x9E3779B97F4A7C15u;
    a.stopPrefault();
    std::size_t same = 0;
    while (same < count && a[same] == same * 0x9E3779B97F4A7C15u) ++same;
    EXPECT_EQ(same, count) << (prefault ? "prefaulted" : "");
  }
  LargeArray<std::uint64_t> a;
  EXPECT_FALSE(a.allocate(static_cast<std::size_t>(-1) / 4) || a);  // no throwing
  ASSERT_TRUE(a.allocate(16));
  EXPECT_FALSE(a.allocate(static_cast<std::size_t>(-1) / 8 - 1) || a);  // beyond any memory
}
