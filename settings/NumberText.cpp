// The settings dialog's number conversions: "%u" and "%.*g" (precision 15) on the way out,
// a strict reading of at most 31 characters on the way back. std::to_chars and
// std::from_chars keep both directions independent of the locale.

#include "settings/NumberText.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace {

// The dialog's edit buffer holds 31 characters and a terminator.
constexpr std::size_t kMaxTextLength = 31;

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// The number's own characters: the first 31, without the surrounding blanks and tabs.
std::string_view numberPart(std::string_view text) {
  text = text.substr(0, kMaxTextLength);
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

// from_chars takes no '+', strtod does: accept one before a digit or a point.
std::string_view withoutPlus(std::string_view number) {
  if (number.size() > 1 && number.front() == '+' && number[1] != '-' && number[1] != '+') {
    number.remove_prefix(1);
  }
  return number;
}

}  // namespace

std::string formatUnsigned(std::uint32_t value) { return std::to_string(value); }

std::string formatDouble(double value) {
  char buffer[64];
  auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
  // Within rounding of the largest double the 15-digit text lies beyond it and would be
  // refused when read back; those few values get the 17 digits that name them exactly.
  double readBack = 0.0;
  if (std::isfinite(value) && std::from_chars(buffer, result.ptr, readBack).ec != std::errc()) {
    result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 17);
  }
  return std::string(buffer, result.ptr);
}

std::optional<std::uint32_t> parseUnsigned(std::string_view text) {
  const std::string_view number = numberPart(text);
  if (number.empty() || number.front() == '-') return std::nullopt;
  const std::string_view digits = withoutPlus(number);
  std::uint32_t value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  // A zero counts only when it was written as one: "+0" is refused like the dialog does.
  if (value == 0 && number.front() != '0') return std::nullopt;
  return value;
}

std::optional<double> parseDouble(std::string_view text) {
  const std::string_view number = numberPart(text);
  if (number.empty()) return std::nullopt;
  const std::string_view digits = withoutPlus(number);
  // from_chars also reads "inf" and "nan"; a settings value is always a finite number.
  for (char c : digits) {
    if (c == 'i' || c == 'I' || c == 'n' || c == 'N') return std::nullopt;
  }
  double value = 0.0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value,
                                            std::chars_format::general);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  if (value == 0.0 && number.front() != '0') return std::nullopt;
  return value;
}
