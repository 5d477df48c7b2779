#include "ui/runtime/format.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "ui/runtime/convert.h"
#include "ui/runtime/errors.h"

namespace grinzo::rt {
namespace {

constexpr int kSignificant = 15;

void requireFinite(double value) {
  if (!std::isfinite(value)) throw OverflowError("Overflow: the number has no written form");
}

// |value| (non-zero, finite) to 15 significant digits: value = d.ddd... x
// 10^exponent, with `digits` holding exactly 15 digits.
struct Decimal {
  std::string digits;
  int exponent = 0;
};

Decimal toDecimal(double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                    std::chars_format::scientific, kSignificant - 1);
  const std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
  const std::size_t e = text.find('e');
  Decimal decimal;
  for (std::size_t i = 0; i < e; ++i)
    if (text[i] != '.') decimal.digits += text[i];
  decimal.exponent = std::atoi(std::string(text.substr(e + 1)).c_str());
  return decimal;
}

// round(|value| * 10^decimals) as decimal digits, a half (on the 15-digit
// form) rounding away from zero. "0" when it rounds to nothing.
std::string roundedUnits(double value, int decimals) {
  if (value == 0) return "0";
  const Decimal d = toDecimal(value);
  const int keep = d.exponent + 1 + decimals;  // digits of d.digits that stay
  if (keep < 0) return "0";
  if (keep >= kSignificant) return d.digits + std::string(keep - kSignificant, '0');
  std::string units = d.digits.substr(0, keep);
  if (d.digits[keep] >= '5') {
    int i = keep - 1;
    while (i >= 0 && units[i] == '9') units[i--] = '0';
    if (i >= 0)
      ++units[i];
    else
      units.insert(units.begin(), '1');
  }
  const std::size_t nonZero = units.find_first_not_of('0');
  return nonZero == std::string::npos ? "0" : units.substr(nonZero);
}

}  // namespace

std::string formatZeroPadded3(double value) {
  requireFinite(value);
  const double rounded = roundHalfEven(value);
  char buffer[400];  // the largest double has 309 integer digits
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(rounded),
                                    std::chars_format::fixed, 0);
  std::string digits(buffer, result.ptr);
  if (digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
  return rounded < 0 ? "-" + digits : digits;
}

std::string formatOneDecimal(double value) {
  requireFinite(value);
  const std::string units = roundedUnits(value, 1);
  if (units == "0") return ".0";
  std::string text = value < 0 ? "-" : "";
  return text.append(units, 0, units.size() - 1).append(".").append(1, units.back());
}

std::string formatGeneral(double value) {
  requireFinite(value);
  if (value == 0) return " 0";
  const Decimal d = toDecimal(value);
  const std::string digits = d.digits.substr(0, d.digits.find_last_not_of('0') + 1);
  const int count = static_cast<int>(digits.size());
  std::string text = value < 0 ? "-" : " ";
  if (d.exponent < -4 || d.exponent >= kSignificant) {
    text += digits[0];
    if (count > 1) text.append(".").append(digits, 1);
    const int magnitude = std::abs(d.exponent);
    text += d.exponent < 0 ? "E-" : "E+";
    if (magnitude < 10) text += '0';
    text += std::to_string(magnitude);
  } else if (d.exponent >= 0) {
    const int integerDigits = d.exponent + 1;
    if (count <= integerDigits) {
      text.append(digits).append(integerDigits - count, '0');
    } else {
      text.append(digits, 0, integerDigits).append(".").append(digits, integerDigits);
    }
  } else {
    text.append(".").append(-d.exponent - 1, '0').append(digits);
  }
  return text;
}

std::string formatPlain(long long value) { return std::to_string(value); }

}  // namespace grinzo::rt
