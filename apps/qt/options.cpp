#include "options.h"

#include <charconv>
#include <stdexcept>

namespace grinzo::linux_app {

const char* const kUsage =
    "Usage: grinzo [MODE] [SETTINGS]\n"
    "Modes:\n"
    "  --fullscreen          the game over every monitor (the default)\n"
    "  --window [WxH]        the game in an ordinary window (800x600)\n"
    "  --config              the configuration dialog\n"
    "  --root                as a saver module: draws into $XSCREENSAVER_WINDOW,\n"
    "                        or the root window\n"
    "  --window-id ID        as a saver module: draws into the X window ID\n"
    "                        (decimal or 0x hex)\n"
    "Settings for this run (the stored ones otherwise):\n"
    "  --level N             the starting level, 1 to 10\n"
    "  --faces N             faces per level, 1 to 32767\n"
    "  --sound, --no-sound   weapon sounds on or off\n"
    "  --demo, --no-demo     the computer plays (the default with --root and\n"
    "                        --window-id); a real key, click or pointer move then\n"
    "                        ends a full-screen or windowed game\n"
    "  --help                this text\n"
    "In the game the left button shoots, S switches weapons, and any other key\n"
    "or the right button ends it.\n";

namespace {

[[noreturn]] void fail(const std::string& message) { throw std::invalid_argument(message); }

std::uint64_t parseUnsigned(const std::string& text, int base, const std::string& what) {
  std::uint64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value, base);
  if (text.empty() || error != std::errc() || stop != end) fail(what + ": '" + text + "'");
  return value;
}

int parseInRange(const std::string& option, const std::string& text, int low, int high) {
  const std::string what =
      "--" + option + " takes a number from " + std::to_string(low) + " to " + std::to_string(high);
  const std::uint64_t value = parseUnsigned(text, 10, what);
  if (value < static_cast<std::uint64_t>(low) || value > static_cast<std::uint64_t>(high)) {
    fail(what + ": '" + text + "'");
  }
  return static_cast<int>(value);
}

std::uint64_t parseWindowId(const std::string& text) {
  const std::string what = "--window-id takes a window id (decimal or 0x hex)";
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const std::uint64_t id = parseUnsigned(hex ? text.substr(2) : text, hex ? 16 : 10, what);
  if (id == 0 || id > 0xFFFFFFFFu) fail(what + ": '" + text + "'");
  return id;
}

// "WxH", each side from 1 to 16384.
bool parseSize(const std::string& text, int& width, int& height) {
  const std::size_t x = text.find('x');
  if (x == std::string::npos) return false;
  try {
    width = parseInRange("window", text.substr(0, x), 1, 16384);
    height = parseInRange("window", text.substr(x + 1), 1, 16384);
  } catch (const std::invalid_argument&) {
    return false;
  }
  return true;
}

}  // namespace

Options parseOptions(const std::vector<std::string>& arguments) {
  Options o;
  bool modeGiven = false;
  const auto setMode = [&](Mode mode, const std::string& option) {
    if (modeGiven && o.mode != mode) fail(option + " cannot be combined with another mode");
    o.mode = mode;
    modeGiven = true;
  };
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    std::string arg = arguments[i];
    // "--level=3" is "--level 3".
    std::optional<std::string> attached;
    if (const std::size_t eq = arg.find('='); arg.rfind("-", 0) == 0 && eq != std::string::npos) {
      attached = arg.substr(eq + 1);
      arg = arg.substr(0, eq);
    }
    if (arg.rfind("--", 0) == 0) {
      arg = arg.substr(2);
    } else if (arg.rfind("-", 0) == 0 && arg.size() > 1) {
      arg = arg.substr(1);
    } else {
      fail("unexpected argument '" + arguments[i] + "' (see --help)");
    }
    const auto value = [&]() -> std::string {
      if (attached) return *attached;
      if (i + 1 >= arguments.size()) fail("--" + arg + " needs a value");
      return arguments[++i];
    };
    if (arg == "help" || arg == "h") {
      setMode(Mode::Help, "--help");
    } else if (arg == "fullscreen") {
      setMode(Mode::FullScreen, "--fullscreen");
    } else if (arg == "window") {
      setMode(Mode::Window, "--window");
      if (attached) {
        if (!parseSize(*attached, o.windowWidth, o.windowHeight)) {
          fail("--window takes a size WxH (1 to 16384 each): '" + *attached + "'");
        }
      } else if (i + 1 < arguments.size() && arguments[i + 1].rfind("-", 0) != 0) {
        if (!parseSize(arguments[i + 1], o.windowWidth, o.windowHeight)) {
          fail("--window takes a size WxH (1 to 16384 each): '" + arguments[i + 1] + "'");
        }
        ++i;
      }
    } else if (arg == "config") {
      setMode(Mode::Config, "--config");
    } else if (arg == "root") {
      setMode(Mode::Root, "--root");
    } else if (arg == "window-id") {
      setMode(Mode::WindowId, "--window-id");
      o.windowId = parseWindowId(value());
    } else if (arg == "level") {
      o.level = parseInRange("level", value(), 1, 10);
    } else if (arg == "faces") {
      o.faces = parseInRange("faces", value(), 1, 32767);
    } else if (arg == "sound") {
      o.sound = true;
    } else if (arg == "no-sound") {
      o.sound = false;
    } else if (arg == "demo") {
      o.demo = true;
    } else if (arg == "no-demo") {
      o.demo = false;
    } else {
      fail("unknown option '" + arguments[i] + "' (see --help)");
    }
    if (attached && arg != "window" && arg != "level" && arg != "faces" && arg != "window-id") {
      fail("--" + arg + " takes no value");
    }
  }
  return o;
}

bool demoPlays(const Options& options) {
  if (options.demo) return *options.demo;
  return options.mode == Mode::Root || options.mode == Mode::WindowId;
}

}  // namespace grinzo::linux_app
