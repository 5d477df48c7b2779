// The registry value reader (src/start/registry_reader.h) over a registry that
// answers with a type and bytes of the fuzzer's choosing, or fails, or throws:
// whatever the value, the reader returns text as documented and never raises.
// The game then reads the password flag as the text's leading number.
//
// Input: byte 0 picks what the registry does (missing, throws, or a value);
// byte 1 picks the type (mostly 1, 3 and 4; otherwise bytes 2..5 as a raw
// type); the rest is the value's data.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

#include "fuzz_check.h"
#include "start/registry_reader.h"
#include "ui/runtime/convert.h"

using namespace grinzo;

namespace {

constexpr std::int32_t kRoot = ui::kHkeyCurrentUser;
const std::string kPath = "Control Panel\\Desktop";
const std::string kName = "ScreenSaveUsePassword";

class FakeRegistry : public ui::Registry {
 public:
  enum class Mode { Missing, Throws, Value };
  Mode mode = Mode::Value;
  ui::RegistryValue value;
  mutable int queries = 0;

  std::optional<ui::RegistryValue> query(std::int32_t root, const std::string& path,
                                         const std::string& name) const override {
    ++queries;
    FUZZ_CHECK(root == kRoot && path == kPath && name == kName);
    if (mode == Mode::Throws) throw std::runtime_error("the registry cannot be read");
    if (mode == Mode::Missing) return std::nullopt;
    return value;
  }
};

// The contract: a 32-bit number as its unsigned value in at least three
// digits, anything else as its bytes; either cut to (size - 1) characters.
// The read buffer starts as blanks, so a number shorter than 4 bytes reads
// blanks (0x20) for its missing bytes.
std::string expected(const FakeRegistry& registry) {
  if (registry.mode != FakeRegistry::Mode::Value) return start::kNotFound;
  const std::vector<std::uint8_t>& bytes = registry.value.data;
  if (bytes.empty() || bytes.size() > 2048) return start::kNotFound;
  std::string text;
  if (registry.value.type == 4) {
    std::uint64_t number = 0;
    for (std::size_t i = 4; i-- > 0;) number = number * 256 + (i < bytes.size() ? bytes[i] : 0x20);
    text = std::to_string(number);
    if (text.size() < 3) text.insert(0, 3 - text.size(), '0');
  } else {
    text.assign(bytes.begin(), bytes.end());
  }
  return text.substr(0, std::min(bytes.size() - 1, text.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  FakeRegistry registry;
  registry.mode = data[0] < 16   ? FakeRegistry::Mode::Missing
                  : data[0] < 32 ? FakeRegistry::Mode::Throws
                                 : FakeRegistry::Mode::Value;
  std::size_t at = 2;
  switch (data[1] % 8) {
    case 0:
    case 1:
      registry.value.type = 1;  // text
      break;
    case 2:
      registry.value.type = 3;  // binary
      break;
    case 3:
    case 4:
    case 5:
      registry.value.type = 4;  // 32-bit number
      break;
    default:
      if (size < 6) return 0;
      registry.value.type = static_cast<std::uint32_t>(data[2]) | data[3] << 8 | data[4] << 16 |
                            static_cast<std::uint32_t>(data[5]) << 24;
      at = 6;
  }
  registry.value.data.assign(data + at, data + size);

  std::string text;
  try {
    text = start::GetRegValue(registry, kRoot, kPath, kName);
  } catch (...) {
    FUZZ_CHECK(!"GetRegValue raised");
  }
  FUZZ_CHECK(registry.queries == 1);
  FUZZ_CHECK(text == expected(registry));
  // What the game makes of it (frmGrinzo's password flag): never raises.
  (void)rt::leadingNumber(text);
  return 0;
}
