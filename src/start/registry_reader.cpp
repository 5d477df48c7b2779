#include "start/registry_reader.h"

#include "ui/runtime/format.h"

namespace grinzo::start {

namespace {

constexpr std::size_t kBufferSize = 2048;
constexpr std::uint32_t kRegDword = 4;

}  // namespace

std::string GetRegValue(const ui::Registry& registry, std::int32_t root, const std::string& path,
                        const std::string& name) {
  try {
    const std::optional<ui::RegistryValue> value = registry.query(root, path, name);
    // A value that does not fit the buffer fails the query like a missing one.
    if (!value || value->data.size() > kBufferSize) return kNotFound;

    // The buffer starts out as blanks; the query fills its front.
    std::string buffer(kBufferSize, ' ');
    std::copy(value->data.begin(), value->data.end(), buffer.begin());

    std::string text;
    if (value->type == kRegDword) {
      const auto byte = [&](int i) { return static_cast<unsigned char>(buffer[i]); };
      const double number = byte(0) + 256.0 * byte(1) + 65536.0 * byte(2) + 16777216.0 * byte(3);
      text = rt::formatZeroPadded3(number);
    } else {
      text = std::move(buffer);
    }
    // Keep (size - 1) characters: the string's terminating zero goes, and a
    // number of size 4 keeps three digits. An empty value has nothing to cut.
    const std::size_t size = value->data.size();
    if (size == 0) return kNotFound;
    return text.substr(0, std::min(size - 1, text.size()));
  } catch (...) {
    return kNotFound;
  }
}

}  // namespace grinzo::start
