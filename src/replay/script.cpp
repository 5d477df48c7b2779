#include "replay/script.h"

#include <cmath>
#include <sstream>

#include "ui/runtime/convert.h"

namespace grinzo::replay {

namespace {

using Kind = headless::InputEvent::Kind;

std::vector<std::string_view> words(std::string_view line) {
  std::vector<std::string_view> out;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    const std::size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    if (i > start) out.push_back(line.substr(start, i - start));
  }
  return out;
}

// A finite number, or nothing.
bool number(std::string_view text, double& value) {
  try {
    value = rt::parseNumber(text);
    return std::isfinite(value);
  } catch (const std::exception&) {
    return false;
  }
}

bool whole(std::string_view text, long low, long high, long& value) {
  double d = 0;
  if (!number(text, d) || d != std::floor(d) || d < low || d > high) return false;
  value = static_cast<long>(d);
  return true;
}

bool button(std::string_view text, std::int16_t& out) {
  long b = 0;
  if (!whole(text, 1, 4, b) || b == 3) return false;
  out = static_cast<std::int16_t>(b);
  return true;
}

// Coordinates as the window reports them: 32-bit floats in a range that
// the game's 16-bit positions can hold.
bool coordinate(std::string_view text, float& out) {
  double d = 0;
  if (!number(text, d) || std::fabs(d) > 32767) return false;
  out = static_cast<float>(d);
  return true;
}

// One event from the words of a line; an empty message when it is well formed.
std::string parseLine(const std::vector<std::string_view>& w, headless::InputEvent& e) {
  if (w.size() < 2) return "expected TIME EVENT ARGS";
  if (!number(w[0], e.time) || e.time < 0) return "bad time '" + std::string(w[0]) + "'";
  const std::string_view name = w[1];
  const auto expect = [&](std::size_t args) { return w.size() == args + 2; };
  if (name == "move") {
    long buttons = 0;
    if (!expect(3)) return "move takes X Y BUTTONS";
    if (!coordinate(w[2], e.x) || !coordinate(w[3], e.y)) return "bad coordinates";
    if (!whole(w[4], 0, 7, buttons)) return "bad buttons '" + std::string(w[4]) + "' (0 to 7)";
    e.kind = Kind::MouseMove;
    e.button = static_cast<std::int16_t>(buttons);
  } else if (name == "down" || name == "up") {
    if (!expect(3)) return std::string(name) + " takes BUTTON X Y";
    if (!button(w[2], e.button)) return "bad button '" + std::string(w[2]) + "' (1, 2 or 4)";
    if (!coordinate(w[3], e.x) || !coordinate(w[4], e.y)) return "bad coordinates";
    e.kind = name == "down" ? Kind::MouseDown : Kind::MouseUp;
  } else if (name == "key") {
    long code = 0;
    if (!expect(1)) return "key takes CHARACTER-CODE";
    if (!whole(w[2], 1, 255, code)) return "bad character code '" + std::string(w[2]) + "'";
    e.kind = Kind::Key;
    e.key = static_cast<std::int16_t>(code);
  } else if (name == "close") {
    if (!expect(0)) return "close takes no arguments";
    e.kind = Kind::Close;
  } else {
    return "unknown event '" + std::string(name) + "'";
  }
  return {};
}

}  // namespace

std::vector<headless::InputEvent> parseScript(std::string_view text) {
  std::vector<headless::InputEvent> events;
  std::size_t lineNumber = 0;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::vector<std::string_view> w = words(line);
    if (w.empty() || w[0].front() == '#') continue;
    headless::InputEvent event;
    const std::string problem = parseLine(w, event);
    if (!problem.empty()) {
      std::ostringstream message;
      message << "line " << lineNumber << ": " << problem << ": \"" << line << "\"";
      throw ScriptError(message.str());
    }
    events.push_back(std::move(event));
  }
  return events;
}

}  // namespace grinzo::replay
