#include "ui/runtime/textfile.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "ui/runtime/convert.h"
#include "ui/runtime/errors.h"

namespace grinzo::rt {
namespace {

namespace fs = std::filesystem;

// Enough for any first line the program writes; a larger file is read only
// this far, so a stray huge file cannot exhaust memory.
constexpr std::size_t kReadLimit = 64 * 1024;

[[noreturn]] void writeFailed(const std::string& path) {
  std::error_code ec;
  const fs::path folder = fs::path(path).parent_path();
  if (path.empty() || (!folder.empty() && !fs::is_directory(folder, ec)))
    throw RuntimeError(ErrorNumber::PathNotFound, "Path not found: \"" + path + "\"");
  throw RuntimeError(ErrorNumber::PermissionDenied, "Permission denied: \"" + path + "\"");
}

// A name in the same folder that no other writer (another game in this
// process, or another process) is likely to pick at the same moment.
std::string temporaryName(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
  return path + ".tmp" + std::to_string(ticks) + "-" + std::to_string(++counter);
}

// Only regular files are read: a pipe or a device in the file's place would
// block or never end.
std::optional<std::string> readStart(const std::string& path) {
  try {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string text(kReadLimit, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (in.bad()) return std::nullopt;
    text.resize(static_cast<std::size_t>(in.gcount()));
    return text;
  } catch (...) {
    return std::nullopt;
  }
}

}  // namespace

void writeLine(const std::string& path, std::string_view line) {
  std::string text(line);
  text += "\r\n";
  writeFile(path, text);
}

void writeFile(const std::string& path, std::string_view bytes) {
  writeFileWith(path, [&](std::ostream& out) {
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  });
}

void writeFileWith(const std::string& path, const std::function<void(std::ostream&)>& write) {
  if (path.empty()) writeFailed(path);
  const std::string temporary = temporaryName(path);
  std::error_code ec;
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) writeFailed(path);
    try {
      write(out);
    } catch (...) {
      out.close();
      fs::remove(temporary, ec);
      throw;
    }
    out.close();
    if (!out) {
      fs::remove(temporary, ec);
      writeFailed(path);
    }
  }
  fs::rename(temporary, path, ec);
  if (ec) {
    fs::remove(temporary, ec);
    writeFailed(path);
  }
}

std::optional<double> readFirstNumber(const std::string& path) {
  const std::optional<std::string> text = readStart(path);
  if (!text) return std::nullopt;
  std::size_t i = 0;
  while (i < text->size() &&
         ((*text)[i] == ' ' || (*text)[i] == '\t' || (*text)[i] == '\r' || (*text)[i] == '\n'))
    ++i;
  const ScannedNumber scanned = scanNumber(std::string_view(*text).substr(i));
  if (scanned.length == 0 || scanned.overflow) return std::nullopt;
  return scanned.value;
}

std::optional<std::string> readFirstLine(const std::string& path) {
  std::optional<std::string> text = readStart(path);
  if (!text || text->empty()) return std::nullopt;
  text->resize(std::min(text->find_first_of("\r\n"), text->size()));
  return text;
}

}  // namespace grinzo::rt
