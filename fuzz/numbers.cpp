// Text to number (src/ui/runtime/convert.h) and the first number of a file
// (textfile.h), checked against a reference written from the documented
// grammar, [+-] (D+ [. D*] | . D+) [(e|E) [+-] D+], with the C library's
// strtod for the values (the process keeps the "C" locale). The game reads
// its settings, the registry's password flag and "lastspeedfactor.dat" this
// way, and writes the speed factor back in the general format: that round
// trip is checked too.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include <unistd.h>  // getpid: a scratch name per process

#include "fuzz_check.h"
#include "ui/runtime/convert.h"
#include "ui/runtime/errors.h"
#include "ui/runtime/format.h"
#include "ui/runtime/textfile.h"

using namespace grinzo;

namespace {

bool digit(char c) { return c >= '0' && c <= '9'; }

// Length of the longest number at the start of `s` by the grammar; 0 if none.
std::size_t numberPrefix(std::string_view s) {
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  std::size_t digits = 0;
  for (; i < s.size() && digit(s[i]); ++i) ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    for (; i < s.size() && digit(s[i]); ++i) ++digits;
  }
  if (digits == 0) return 0;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
    const std::size_t start = j;
    while (j < s.size() && digit(s[j])) ++j;
    if (j > start) i = j;
  }
  return i;
}

struct Reference {
  double value = 0;
  bool overflow = false;
  bool tiny = false;  // below the normal range: the core may read it as 0
};

// `text` matches the grammar whole.
Reference reference(std::string_view text) {
  const std::string copy(text);
  Reference r;
  r.value = std::strtod(copy.c_str(), nullptr);
  r.overflow = std::isinf(r.value);
  r.tiny = std::fabs(r.value) < std::numeric_limits<double>::min();
  return r;
}

bool sameValue(double got, const Reference& want) {
  return got == want.value || (want.tiny && got == 0);
}

std::string_view trim(std::string_view s, std::string_view blanks) {
  const std::size_t b = s.find_first_not_of(blanks);
  if (b == std::string_view::npos) return {};
  return s.substr(b, s.find_last_not_of(blanks) - b + 1);
}

template <class Int, class Convert>
void checkInteger(std::string_view text, const std::optional<double>& parsed, bool overflow,
                  Convert convert) {
  std::optional<Int> got;
  bool gotOverflow = false, gotMismatch = false;
  try {
    got = convert(text);
  } catch (const rt::OverflowError&) {
    gotOverflow = true;
  } catch (const rt::TypeMismatchError&) {
    gotMismatch = true;
  }
  if (!parsed && !overflow) {
    FUZZ_CHECK(gotMismatch);
    return;
  }
  // The default rounding mode rounds a half to the even neighbour.
  const double rounded = overflow ? INFINITY : std::nearbyint(*parsed);
  if (rounded < std::numeric_limits<Int>::min() || rounded > std::numeric_limits<Int>::max()) {
    FUZZ_CHECK(gotOverflow);
  } else {
    FUZZ_CHECK(got && *got == static_cast<Int>(rounded));
  }
}

// One scratch file per process, removed at exit.
struct TempFile {
  std::string path = (std::filesystem::temp_directory_path() /
                      ("grinzo-fuzz-numbers-" + std::to_string(getpid()) + ".txt"))
                         .string();
  ~TempFile() {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  // scanNumber: no blanks skipped, the same prefix as the grammar's.
  const rt::ScannedNumber scanned = rt::scanNumber(text);
  const std::size_t prefix = numberPrefix(text);
  FUZZ_CHECK(scanned.length == prefix);
  if (prefix > 0) {
    const Reference r = reference(text.substr(0, prefix));
    FUZZ_CHECK(scanned.overflow == r.overflow);
    if (!r.overflow) FUZZ_CHECK(sameValue(scanned.value, r));
  }

  // parseNumber: the whole text between blanks, or an error of the right kind.
  const std::string_view body = trim(text, " \t");
  const bool wellFormed = !body.empty() && numberPrefix(body) == body.size();
  std::optional<double> parsed;
  bool overflow = false;
  try {
    parsed = rt::parseNumber(text);
    FUZZ_CHECK(wellFormed);
  } catch (const rt::OverflowError&) {
    FUZZ_CHECK(wellFormed);
    overflow = true;
  } catch (const rt::TypeMismatchError&) {
    FUZZ_CHECK(!wellFormed);
  }
  if (wellFormed) {
    const Reference r = reference(body);
    FUZZ_CHECK(overflow == r.overflow);
    if (!overflow) FUZZ_CHECK(sameValue(*parsed, r));
  }
  checkInteger<rt::Int16>(text, parsed, overflow, rt::textToInt16);
  checkInteger<rt::Int32>(text, parsed, overflow, rt::textToInt32);

  // leadingNumber: never raises; 0 for no number or one out of range.
  const std::string_view rest = text.substr(std::min(text.find_first_not_of(" \t\r\n"), size));
  const double leading = rt::leadingNumber(text);
  const std::size_t leadingLength = numberPrefix(rest);
  std::optional<Reference> leadingRef;
  if (leadingLength > 0) leadingRef = reference(rest.substr(0, leadingLength));
  if (!leadingRef || leadingRef->overflow) {
    FUZZ_CHECK(leading == 0);
  } else {
    FUZZ_CHECK(sameValue(leading, *leadingRef));
  }

  // The same read from a file (the speed factor), whose first 64 KiB count.
  // A write and two reads cost a hundred parses, so only every eighth length
  // takes this path (the fuzzer varies lengths freely).
  static const TempFile file;
  const std::string& path = file.path;
  if (size % 8 == 0 && size <= 64 * 1024) {
    rt::writeFile(path, text);
    const std::optional<double> first = rt::readFirstNumber(path);
    if (!leadingRef || leadingRef->overflow) {
      FUZZ_CHECK(!first);
    } else {
      FUZZ_CHECK(first && sameValue(*first, *leadingRef));
    }
    const std::optional<std::string> line = rt::readFirstLine(path);
    FUZZ_CHECK(line.has_value() == (size > 0));
    if (line) FUZZ_CHECK(*line == text.substr(0, std::min(text.find_first_of("\r\n"), size)));
  }

  // The general format written for the speed factor reads back to 15
  // significant digits.
  if (std::isfinite(leading)) {
    const std::string written = rt::formatGeneral(leading);
    const double back = rt::leadingNumber(written);
    FUZZ_CHECK(std::fabs(back - leading) <= 1e-14 * std::fabs(leading) + 1e-320);
    const std::string padded = rt::formatZeroPadded3(leading);
    FUZZ_CHECK(padded.size() >= 3);
  }
  return 0;
}
