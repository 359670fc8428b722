// Code page 932 file names: conversion both ways through iconv, and UTF-8 recognition.

#include "base/Cp932.h"

#include <gtest/gtest.h>

TEST(Cp932, ConvertsBothWaysAndRefusesWhatItCannot) {
  // 地 = 92 6E, 形 = 8C 60; 表 = 95 5C, whose second byte is that of '\'.
  const std::pair<const char*, const char*> both[] = {
      {"\x92\x6E\x8C\x60.bmp", "地形.bmp"},
      {"\x95\x5C.bmp", "表.bmp"},
      {"\xCC\xA7\xB2\xD9", "ﾌｧｲﾙ"},  // half-width katakana are single bytes
      {"hill_01 (copy)~\\.bmp", "hill_01 (copy)~\\.bmp"},
      {"", ""}};
  for (auto [cp932, utf8] : both) {
    EXPECT_EQ(Cp932ToUtf8(cp932), utf8);
    EXPECT_EQ(Utf8ToCp932(utf8), cp932);
  }
  EXPECT_EQ(Utf8ToCp932("\xF0\x9F\x98\x80.bmp"), std::nullopt);  // an emoji
  EXPECT_EQ(Utf8ToCp932("\xC3\xA9t\xC3\xA9"), std::nullopt);     // "été": no é in cp932
  EXPECT_EQ(Utf8ToCp932("\x92\x6E"), std::nullopt);              // not UTF-8 at all
  EXPECT_EQ(Cp932ToUtf8("\x92"), std::nullopt);                  // lead byte without trail
  EXPECT_EQ(Cp932ToUtf8("\x81\x20"), std::nullopt);              // invalid trail byte
}

TEST(Cp932, RecognisesWellFormedUtf8) {
  for (const char* good : {"", "hill.bmp", "地形.bmp", "\xF0\x9F\x98\x80"})
    EXPECT_TRUE(IsValidUtf8(good)) << good;
  // cp932, overlong '/', a surrogate, past U+10FFFF, cut short
  for (const char* bad :
       {"\x92\x6E\x8C\x60", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE5\x9C"})
    EXPECT_FALSE(IsValidUtf8(bad)) << bad;
}
