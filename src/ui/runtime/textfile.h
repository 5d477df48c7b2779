#pragma once
// Files beside the program: replacing a whole file safely, and the one-line
// text files (the speed factor and the frame rate). Lines end with CR LF on
// every platform, as the files are shared with the Windows build.

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace grinzo::rt {

// Replaces the file at `path` with `bytes`. They go to a temporary file in
// the same folder that is then renamed over the old one, so a failure leaves
// the old file as it was and no partial file behind. Raises RuntimeError
// (PathNotFound when the folder does not exist, PermissionDenied for any
// other failure to write) naming the path.
void writeFile(const std::string& path, std::string_view bytes);

// The same, with the bytes written by `write` to the stream of the temporary
// file, piece by piece: a large file never needs to be whole in memory.
void writeFileWith(const std::string& path, const std::function<void(std::ostream&)>& write);

// Replaces the file at `path` with `line` followed by CR LF, as writeFile does.
void writeLine(const std::string& path, std::string_view line);

// The number at the start of the file after leading blanks and line breaks;
// nullopt when the file is missing, unreadable, empty or does not start
// with a number (or holds one beyond the range of a double). Never raises.
std::optional<double> readFirstNumber(const std::string& path);

// The first line of the file without its line end (CR LF, LF or CR);
// nullopt when the file is missing, unreadable or empty. Never raises.
std::optional<std::string> readFirstLine(const std::string& path);

}  // namespace grinzo::rt
