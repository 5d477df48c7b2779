// One-line text files and the skip-a-failing-step helper.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "ui/runtime/errors.h"
#include "ui/runtime/skip.h"
#include "ui/runtime/textfile.h"

namespace rt = grinzo::rt;
namespace fs = std::filesystem;

namespace {
class TextFile : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() / (std::string("grinzo-rt-") + test->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string path(const char* name) const { return (dir_ / name).string(); }
  long files() const { return std::distance(fs::directory_iterator(dir_), {}); }
  fs::path dir_;
};
}  // namespace

TEST_F(TextFile, WriteReplacesAndReadsBack) {
  const std::string p = path("lastspeedfactor.dat");
  rt::writeLine(p, "a much longer first line");
  rt::writeLine(p, " .8215");
  std::ifstream in(p, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), " .8215\r\n");
  EXPECT_EQ(rt::readFirstNumber(p), 0.8215);
  EXPECT_EQ(rt::readFirstLine(p), " .8215");
  EXPECT_EQ(files(), 1);  // no temporary file left behind
}

TEST_F(TextFile, ReadingOddFilesGivesNothing) {
  EXPECT_EQ(rt::readFirstNumber(path("missing")), std::nullopt);
  EXPECT_EQ(rt::readFirstLine(path("missing")), std::nullopt);
  std::ofstream(path("text")) << "abc\n";
  EXPECT_EQ(rt::readFirstNumber(path("text")), std::nullopt);
  std::ofstream(path("lines")) << "\r\n  12.5 rest\n3";
  EXPECT_EQ(rt::readFirstNumber(path("lines")), 12.5);
  EXPECT_EQ(rt::readFirstNumber(dir_.string()), std::nullopt);  // a folder
}

TEST_F(TextFile, UnwritablePathRaisesNamingIt) {
  const std::string p = path("no-such-folder/grinzofps.txt");
  try {
    rt::writeLine(p, "31.5");
    FAIL();
  } catch (const rt::RuntimeError& e) {
    EXPECT_EQ(e.number(), rt::ErrorNumber::PathNotFound);
    EXPECT_NE(std::string(e.what()).find(p), std::string::npos);
  }
  fs::create_directory(path("taken"));  // a folder where the file should go
  EXPECT_THROW(rt::writeLine(path("taken"), "1"), rt::RuntimeError);
  EXPECT_EQ(files(), 1);
}

TEST(SkipOnError, SwallowsAnyFailureAndReportsIt) {
  int done = 0;
  EXPECT_TRUE(rt::skipOnError([&] { ++done; }));
  EXPECT_FALSE(rt::skipOnError([&] {
    ++done;
    throw rt::OverflowError();
  }));
  EXPECT_FALSE(rt::skipOnError([] { throw 42; }));
  EXPECT_EQ(done, 2);
}
