#pragma once
// Cp932: conversion of file names between UTF-8 (this platform's file names) and code
// page 932 (the bytes documents from the original Windows program hold), through iconv.
// Whole strings only; it decides nothing about when to convert (DocumentModel does).

#include <optional>
#include <string>
#include <string_view>

// The UTF-8 form of code page 932 bytes; nullopt when they are not valid code page 932.
std::optional<std::string> Cp932ToUtf8(std::string_view bytes);

// The code page 932 bytes of UTF-8 text; nullopt when the text is not valid UTF-8 or holds
// a character code page 932 cannot represent.
std::optional<std::string> Utf8ToCp932(std::string_view text);

// True when bytes are well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool IsValidUtf8(std::string_view bytes);
