// Code page 932 (Windows-31J) <-> UTF-8 with iconv. Each call opens its own conversion
// descriptor, so there is no shared state; file names are short.

#include "base/Cp932.h"

#include <iconv.h>

#include <cerrno>

namespace {

std::optional<std::string> convert(const char* to, const char* from, std::string_view input) {
  const iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string output;
  // One code page 932 byte gives at most three UTF-8 bytes and vice versa fewer, so four
  // times the input plus a little always fits; grow anyway on E2BIG to stay safe.
  std::string buffer(input.size() * 4 + 16, '\0');
  char* in = const_cast<char*>(input.data());  // iconv's interface is not const-correct
  std::size_t inLeft = input.size();
  bool ok = true;
  while (inLeft > 0) {
    char* out = buffer.data();
    std::size_t outLeft = buffer.size();
    const std::size_t result = iconv(cd, &in, &inLeft, &out, &outLeft);
    output.append(buffer.data(), buffer.size() - outLeft);
    if (result == static_cast<std::size_t>(-1) && errno != E2BIG) {
      ok = false;  // EILSEQ (not representable, invalid) or EINVAL (incomplete at the end)
      break;
    }
  }
  iconv_close(cd);
  if (!ok) return std::nullopt;
  return output;
}

}  // namespace

std::optional<std::string> Cp932ToUtf8(std::string_view bytes) {
  return convert("UTF-8", "CP932", bytes);
}

std::optional<std::string> Utf8ToCp932(std::string_view text) {
  if (!IsValidUtf8(text)) return std::nullopt;
  return convert("CP932", "UTF-8", text);
}

bool IsValidUtf8(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    std::size_t length = 0;
    unsigned min = 0;
    unsigned value = 0;
    if (lead < 0x80) {
      ++i;
      continue;
    } else if ((lead & 0xE0) == 0xC0) {
      length = 2, min = 0x80, value = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3, min = 0x800, value = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4, min = 0x10000, value = lead & 0x07;
    } else {
      return false;
    }
    if (bytes.size() - i < length) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto trail = static_cast<unsigned char>(bytes[i + k]);
      if ((trail & 0xC0) != 0x80) return false;
      value = (value << 6) | (trail & 0x3F);
    }
    if (value < min || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
    i += length;
  }
  return true;
}
