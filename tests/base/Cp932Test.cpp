// Code page 932 file names: conversion both ways through iconv.

#include <gtest/gtest.h>

#include <string>

#include "base/Cp932.h"

namespace {
// "地形.bmp" in code page 932: 地 = 92 6E, 形 = 8C 60.
const std::string kTerrainCp932 = "\x92\x6E\x8C\x60.bmp";
// "表" = 95 5C: its second byte is the byte of '\'.
const std::string kTableCp932 = "\x95\x5C.bmp";
}  // namespace

TEST(Cp932, ConvertsJapaneseNamesBothWays) {
  EXPECT_EQ(Cp932ToUtf8(kTerrainCp932), "地形.bmp");
  EXPECT_EQ(Utf8ToCp932("地形.bmp"), kTerrainCp932);
  EXPECT_EQ(Cp932ToUtf8(kTableCp932), "表.bmp");
  EXPECT_EQ(Utf8ToCp932("表.bmp"), kTableCp932);
  // Half-width katakana are single bytes.
  EXPECT_EQ(Utf8ToCp932("ﾌｧｲﾙ"), "\xCC\xA7\xB2\xD9");
}

TEST(Cp932, KeepsAsciiAsItIs) {
  EXPECT_EQ(Utf8ToCp932("hill_01 (copy)~\\.bmp"), "hill_01 (copy)~\\.bmp");
  EXPECT_EQ(Cp932ToUtf8("hill.bmp"), "hill.bmp");
  EXPECT_EQ(Cp932ToUtf8(""), "");
}

TEST(Cp932, RefusesWhatItCannotConvert) {
  EXPECT_EQ(Utf8ToCp932("\xF0\x9F\x98\x80.bmp"), std::nullopt);  // an emoji
  EXPECT_EQ(Utf8ToCp932("\xC3\xA9t\xC3\xA9"), std::nullopt);     // "été": no é in cp932
  EXPECT_EQ(Utf8ToCp932("\x92\x6E"), std::nullopt);              // not UTF-8 at all
  EXPECT_EQ(Cp932ToUtf8("\x92"), std::nullopt);                  // lead byte without trail
  EXPECT_EQ(Cp932ToUtf8("\x81\x20"), std::nullopt);              // invalid trail byte
}

TEST(Cp932, RecognisesWellFormedUtf8) {
  EXPECT_TRUE(IsValidUtf8(""));
  EXPECT_TRUE(IsValidUtf8("hill.bmp"));
  EXPECT_TRUE(IsValidUtf8("地形.bmp"));
  EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x98\x80"));
  EXPECT_FALSE(IsValidUtf8(kTerrainCp932));
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong '/'
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // surrogate
  EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // past U+10FFFF
  EXPECT_FALSE(IsValidUtf8("\xE5\x9C"));          // cut short
}
