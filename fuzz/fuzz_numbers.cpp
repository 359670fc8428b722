// Fuzz target of the settings dialog's number boxes (NumberText.h). Each reading is
// compared with a reference built from the C library (strtoull, strtod in the C locale)
// and the dialog's rules: only the first 31 characters count, blanks and tabs may surround
// the number, a zero must be written with the digit 0, no minus for unsigned boxes, no
// "nan"/"inf", nothing out of range. Accepted values are shown and read back stably.

#include <cctype>
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz/FuzzCheck.h"
#include "settings/NumberText.h"

namespace {

constexpr std::size_t kBoxLength = 31;

// The number as the box holds it: the first 31 characters without surrounding blanks.
std::string trimmed(std::string_view text) {
  text = text.substr(0, kBoxLength);
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return std::string(text);
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The unsigned box's rule, written out: optional '+', digits only, at most 4294967295,
// zero only when the text starts with the digit 0.
std::optional<std::uint32_t> referenceUnsigned(const std::string& number) {
  std::string_view digits = number;
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  if (digits.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : digits) {
    if (!isDigit(c)) return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
    if (value > UINT32_MAX) return std::nullopt;
  }
  if (value == 0 && number.front() != '0') return std::nullopt;
  return static_cast<std::uint32_t>(value);
}

void checkUnsigned(std::string_view text) {
  const std::optional<std::uint32_t> value = parseUnsigned(text);
  const std::string number = trimmed(text);
  FUZZ_CHECK(value == referenceUnsigned(number));
  if (!value) return;
  FUZZ_CHECK(!number.empty() && number.front() != '-');
  FUZZ_CHECK(parseUnsigned(formatUnsigned(*value)) == value);
}

// What strtod makes of the whole number text, when it reads all of it to a finite,
// normal (or zero) double without a range error; letters of "nan", "inf" and hex forms
// are left out, since the boxes take decimal numbers only.
std::optional<double> referenceDouble(const std::string& number) {
  // strtod would skip any white space; the boxes allow only blanks and tabs.
  if (number.empty() || std::isspace(static_cast<unsigned char>(number.front())))
    return std::nullopt;
  if (number.find_first_of("iInNxXpP") != std::string::npos) return std::nullopt;
  errno = 0;
  char* end = nullptr;
  const double value = std::strtod(number.c_str(), &end);
  if (end != number.c_str() + number.size() || errno == ERANGE || !std::isfinite(value))
    return std::nullopt;
  return value;
}

void checkDouble(std::string_view text) {
  const std::optional<double> value = parseDouble(text);
  const std::string number = trimmed(text);
  FUZZ_CHECK(parseDouble(text.substr(0, kBoxLength)).has_value() == value.has_value());
  const std::optional<double> reference = referenceDouble(number);
  if (value) {
    FUZZ_CHECK(std::isfinite(*value));
    FUZZ_CHECK(!number.empty());
    FUZZ_CHECK(*value != 0.0 || number.front() == '0');
    // Whatever from_chars accepts, strtod reads to the same double.
    char* end = nullptr;
    const double strtodValue = std::strtod(number.c_str(), &end);
    FUZZ_CHECK(end == number.c_str() + number.size() && sameBits(strtodValue, *value));
    // Shown with 15 digits, the value reads back to one shown the same way.
    const std::string shown = formatDouble(*value);
    const std::optional<double> again = parseDouble(shown);
    if (!again) std::fprintf(stderr, "shown as '%s', refused\n", shown.c_str());
    FUZZ_CHECK(again.has_value());
    FUZZ_CHECK(formatDouble(*again) == shown);
  } else if (reference &&
             (*reference == 0.0 ? number.front() == '0' : std::fabs(*reference) >= DBL_MIN)) {
    std::fprintf(stderr, "'%s' refused, strtod reads %.17g\n", number.c_str(), *reference);
    FUZZ_CHECK(!"a plain decimal number was refused");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  checkUnsigned(text);
  checkDouble(text);
  return 0;
}
