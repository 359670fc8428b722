#pragma once
// NumberText: the text form of the settings dialog's numbers, as pure functions, so that
// the dialog, qn-render and the tests convert alike. Locale-independent: the decimal
// point is always '.'. It knows nothing of ranges or of which setting a number belongs to.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Decimal, as "%u" shows it: 320 -> "320".
std::string formatUnsigned(std::uint32_t value);

// Up to 15 significant digits in the shortest form, as "%.*g" with precision 15 shows it
// in the C locale: 240 -> "240", 0.25 -> "0.25", 1e20 -> "1e+20". The few finite values
// whose 15-digit text would round beyond the largest double get 17 digits, so that every
// finite value shown reads back ("1.7976931348623157e+308").
std::string formatDouble(double value);

// Reading a box back. Both take at most the first 31 characters of text, allow blanks and
// tabs before and after the number and nothing else after it, and accept a value that reads
// as zero only when its first character after the blanks is the digit 0 (so "", "-0" and
// ".0" are refused). nullopt when the text is refused.
// parseUnsigned: decimal digits with an optional '+'; a '-' is refused, as is a value above
// 4294967295.
std::optional<std::uint32_t> parseUnsigned(std::string_view text);
// parseDouble: a decimal floating-point number ("1e3", ".5", "-2.5"); "nan", "inf" and
// values beyond the range of a double (overflow or underflow) are refused.
std::optional<double> parseDouble(std::string_view text);
