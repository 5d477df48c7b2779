#include "ui/runtime/convert.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>

namespace grinzo::rt {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Shortest text that reads back as `value`, for error messages.
std::string numberText(double value) {
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

[[noreturn]] void overflow(double value, const char* width) {
  throw OverflowError("Overflow: " + numberText(value) + " does not fit a " + width + " integer");
}

template <class Int>
Int checkedFromIntegral(double integral, const char* width) {
  if (!(integral >= static_cast<double>(std::numeric_limits<Int>::min()) &&
        integral <= static_cast<double>(std::numeric_limits<Int>::max())))
    overflow(integral, width);  // also NaN: every comparison with it is false
  return static_cast<Int>(integral);
}

// Decimal exponent of the first significant digit of digits[.digits]e`exp`,
// for telling an overflowing number from an underflowing one.
long long magnitude(std::string_view intPart, std::string_view fracPart, long long exp) {
  for (std::size_t k = 0; k < intPart.size(); ++k)
    if (intPart[k] != '0') return static_cast<long long>(intPart.size() - k - 1) + exp;
  for (std::size_t k = 0; k < fracPart.size(); ++k)
    if (fracPart[k] != '0') return -static_cast<long long>(k + 1) + exp;
  return 0;
}

}  // namespace

double roundHalfEven(double value) {
  if (!std::isfinite(value)) return value;
  const double lower = std::floor(value);
  const double fraction = value - lower;  // exact for every double
  if (fraction < 0.5) return lower;
  if (fraction > 0.5) return lower + 1;
  return std::fmod(lower, 2.0) == 0 ? lower : lower + 1;
}

Int16 roundToInt16(double value) {
  return checkedFromIntegral<Int16>(roundHalfEven(value), "16-bit");
}
Int32 roundToInt32(double value) {
  return checkedFromIntegral<Int32>(roundHalfEven(value), "32-bit");
}
Int16 floorToInt16(double value) { return checkedFromIntegral<Int16>(std::floor(value), "16-bit"); }
Int32 floorToInt32(double value) { return checkedFromIntegral<Int32>(std::floor(value), "32-bit"); }

ScannedNumber scanNumber(std::string_view text) {
  const std::size_t n = text.size();
  std::size_t i = 0;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const std::size_t unsignedStart = i;

  const std::size_t intStart = i;
  while (i < n && isDigit(text[i])) ++i;
  const std::string_view intPart = text.substr(intStart, i - intStart);
  std::string_view fracPart;
  if (i < n && text[i] == '.') {
    const std::size_t fracStart = ++i;
    while (i < n && isDigit(text[i])) ++i;
    fracPart = text.substr(fracStart, i - fracStart);
  }
  if (intPart.empty() && fracPart.empty()) return {};

  // An exponent counts only when it has digits; "1e" is the number 1
  // followed by other text.
  long long exponent = 0;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    bool negativeExponent = false;
    if (j < n && (text[j] == '+' || text[j] == '-')) negativeExponent = text[j++] == '-';
    const std::size_t digitsStart = j;
    while (j < n && isDigit(text[j])) {
      exponent = std::min(exponent * 10 + (text[j] - '0'), 1'000'000'000LL);  // saturate
      ++j;
    }
    if (j > digitsStart) {
      i = j;
      if (negativeExponent) exponent = -exponent;
    } else {
      exponent = 0;
    }
  }

  ScannedNumber result;
  result.length = i;
  const char* first = text.data() + unsignedStart;
  const char* last = text.data() + i;
  double value = 0;
  const auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::general);
  if (ec == std::errc::result_out_of_range) {
    if (magnitude(intPart, fracPart, exponent) > 0) {
      result.overflow = true;
      return result;
    }
    value = 0;  // too small for a double
  } else if (ec != std::errc() || ptr != last) {
    return {};  // cannot happen for text that passed the scan above
  }
  result.value = negative ? -value : value;
  return result;
}

double parseNumber(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && isBlank(text[begin])) ++begin;
  while (end > begin && isBlank(text[end - 1])) --end;
  const std::string_view body = text.substr(begin, end - begin);
  const ScannedNumber scanned = scanNumber(body);
  if (scanned.length == 0 || scanned.length != body.size())
    throw TypeMismatchError("Type mismatch: \"" + std::string(text.substr(0, 40)) +
                            (text.size() > 40 ? "...\"" : "\"") + " is not a number");
  if (scanned.overflow)
    throw OverflowError("Overflow: \"" + std::string(body.substr(0, 40)) +
                        (body.size() > 40 ? "...\"" : "\"") + " is too large a number");
  return scanned.value;
}

Int16 textToInt16(std::string_view text) { return roundToInt16(parseNumber(text)); }
Int32 textToInt32(std::string_view text) { return roundToInt32(parseNumber(text)); }

double leadingNumber(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (isBlank(text[i]) || text[i] == '\r' || text[i] == '\n')) ++i;
  const ScannedNumber scanned = scanNumber(text.substr(i));
  return scanned.overflow ? 0 : scanned.value;
}

}  // namespace grinzo::rt
