#include "start/registry_reader.h"

#include <gtest/gtest.h>

#include "ui/headless/headless_platform.h"

namespace grinzo::start {
namespace {

class RegistryReaderTest : public ::testing::Test {
 protected:
  std::string read(std::uint32_t type, std::vector<std::uint8_t> data) {
    platform.setRegistryValue(ui::kHkeyCurrentUser, "Control Panel\\Desktop", "Value",
                              {type, std::move(data)});
    return GetRegValue(platform, ui::kHkeyCurrentUser, "Control Panel\\Desktop", "Value");
  }
  headless::HeadlessPlatform platform;
};

TEST_F(RegistryReaderTest, StringsLoseTheirTerminatorAndNumbersGetThreeDigits) {
  EXPECT_EQ(read(1, {'1', 0}), "1");
  EXPECT_EQ(read(1, {'a', 'b', 'c', 0}), "abc") << "no blanks from the rest of the buffer";
  EXPECT_EQ(read(4, {1, 0, 0, 0}), "001");
  EXPECT_EQ(read(4, {0xD2, 0x04, 0, 0}), "123") << "1234 is cut to its first three digits";
  EXPECT_EQ(read(4, {0xFF, 0xFF, 0xFF, 0xFF}), "429") << "read as unsigned";
}

TEST_F(RegistryReaderTest, EveryFailureIsNotFound) {
  EXPECT_EQ(GetRegValue(platform, ui::kHkeyCurrentUser, "Control Panel\\Desktop", "Absent"),
            "Not Found");
  EXPECT_EQ(read(3, {}), "Not Found") << "an empty value cannot be cut";
  EXPECT_EQ(read(1, std::vector<std::uint8_t>(2049, 'x')), "Not Found")
      << "larger than the read buffer";
  EXPECT_EQ(read(1, std::vector<std::uint8_t>(2048, 'x')).size(), 2047u);
}

}  // namespace
}  // namespace grinzo::start
