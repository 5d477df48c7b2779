#include "start/command_line.h"

#include <limits>

#include "ui/runtime/errors.h"

namespace grinzo::start {

namespace {

std::string_view trimSpaces(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

}  // namespace

std::string argumentsAfterProgramName(std::string_view commandLine) {
  std::size_t i = 0;
  while (i < commandLine.size() && (commandLine[i] == ' ' || commandLine[i] == '\t')) ++i;
  if (i < commandLine.size() && commandLine[i] == '"') {
    const std::size_t close = commandLine.find('"', i + 1);
    i = close == std::string_view::npos ? commandLine.size() : close + 1;
  } else {
    while (i < commandLine.size() && commandLine[i] != ' ' && commandLine[i] != '\t') ++i;
  }
  return std::string(commandLine.substr(i));
}

std::string commandText(std::string_view arguments) {
  std::string text(trimSpaces(arguments));
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

char modeLetter(std::string_view arguments) {
  const std::string text = commandText(arguments);
  return text.size() < 2 ? 0 : text[1];
}

std::int32_t GetHwndFromCommand(std::string_view command) {
  const std::string_view text = trimSpaces(command);
  // The position is counted in a 16-bit integer.
  if (text.size() > static_cast<std::size_t>(std::numeric_limits<std::int16_t>::max())) {
    throw rt::OverflowError("The command line is too long to hold a window number");
  }
  std::size_t n = text.size();
  while (n >= 1 && text[n - 1] >= '0' && text[n - 1] <= '9') --n;
  const std::string_view digits = text.substr(n);
  if (digits.empty()) {
    throw rt::TypeMismatchError("The command line '" + std::string(text) +
                                "' does not end in a window number");
  }
  std::int64_t value = 0;
  for (char d : digits) {
    value = value * 10 + (d - '0');
    if (value > std::numeric_limits<std::int32_t>::max()) {
      throw rt::OverflowError("The window number at the end of the command line '" +
                              std::string(text) + "' is too large");
    }
  }
  return static_cast<std::int32_t>(value);
}

}  // namespace grinzo::start
