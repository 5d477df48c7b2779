// The screen saver's command line (src/start/command_line.h) as Windows hands
// it over: any text at all. grinzo.scr takes the arguments after the program
// name, the mode letter and the host window's number from them; each step is
// checked against a reference written from the header's contract.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "start/command_line.h"
#include "ui/runtime/errors.h"

using namespace grinzo;

namespace {

std::string referenceArguments(std::string_view line) {
  std::size_t i = line.find_first_not_of(" \t");
  if (i == std::string_view::npos) return {};
  if (line[i] == '"') {
    const std::size_t close = line.find('"', i + 1);
    i = close == std::string_view::npos ? line.size() : close + 1;
  } else {
    i = std::min(line.find_first_of(" \t", i), line.size());
  }
  return std::string(line.substr(i));
}

std::string_view trimSpaces(std::string_view s) {
  const std::size_t b = s.find_first_not_of(' ');
  if (b == std::string_view::npos) return {};
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

enum class Outcome { Value, Overflow, Mismatch };
struct Hwnd {
  Outcome outcome;
  std::int32_t value = 0;
};

Hwnd referenceHwnd(std::string_view command) {
  const std::string_view text = trimSpaces(command);
  if (text.size() > 32767) return {Outcome::Overflow};
  std::size_t n = text.size();
  while (n > 0 && text[n - 1] >= '0' && text[n - 1] <= '9') --n;
  std::string_view digits = text.substr(n);
  if (digits.empty()) return {Outcome::Mismatch};
  while (digits.size() > 1 && digits.front() == '0') digits.remove_prefix(1);
  if (digits.size() > 10) return {Outcome::Overflow};
  const unsigned long long value = std::stoull(std::string(digits));
  if (value > static_cast<unsigned long long>(std::numeric_limits<std::int32_t>::max())) {
    return {Outcome::Overflow};
  }
  return {Outcome::Value, static_cast<std::int32_t>(value)};
}

void checkHwnd(std::string_view command) {
  const Hwnd want = referenceHwnd(command);
  try {
    const std::int32_t got = start::GetHwndFromCommand(command);
    FUZZ_CHECK(want.outcome == Outcome::Value && got == want.value);
  } catch (const rt::OverflowError&) {
    FUZZ_CHECK(want.outcome == Outcome::Overflow);
  } catch (const rt::TypeMismatchError&) {
    FUZZ_CHECK(want.outcome == Outcome::Mismatch);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);

  const std::string arguments = start::argumentsAfterProgramName(line);
  FUZZ_CHECK(arguments == referenceArguments(line));

  const std::string command = start::commandText(arguments);
  std::string upper(trimSpaces(arguments));
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  FUZZ_CHECK(command == upper);
  FUZZ_CHECK(start::modeLetter(arguments) == (command.size() < 2 ? 0 : command[1]));

  // grinzo.scr reads the number from the command text; the raw line and the
  // arguments must be just as safe.
  checkHwnd(command);
  checkHwnd(arguments);
  checkHwnd(line);
  return 0;
}
