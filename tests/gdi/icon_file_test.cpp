#include "ui/gdi/icon_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <random>

namespace grinzo::gdi {
namespace {

namespace fs = std::filesystem;

std::array<Pixel, 16> SixteenColours() {
  std::array<Pixel, 16> palette{};
  for (int i = 0; i < 16; ++i)
    palette[static_cast<std::size_t>(i)] = rgb(i * 16, 255 - i * 8, i * 5);
  palette[3] = 0;  // black sits in the middle, not at 0
  return palette;
}

// Every colour appears; the corners and a diagonal stripe are see-through.
IndexedIcon Pattern(int size) {
  IndexedIcon icon{size, size, SixteenColours(), {}, {}};
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      icon.indices.push_back(static_cast<std::uint8_t>((x + 3 * y) % 16));
      icon.transparent.push_back((x < 2 && y < 2) || x == size - 1 - y ||
                                 (x > size - 3 && y > size - 3));
    }
  }
  return icon;
}

void ExpectDecodesTo(const IconEntry& entry, const IndexedIcon& icon) {
  ASSERT_EQ(entry.width, icon.width);
  ASSERT_EQ(entry.height, icon.height);
  ASSERT_EQ(entry.transparent, icon.transparent);
  for (int y = 0; y < icon.height; ++y) {
    for (int x = 0; x < icon.width; ++x) {
      const std::size_t i = static_cast<std::size_t>(y * icon.width + x);
      const Pixel expected = icon.transparent[i] ? 0 : icon.palette[icon.indices[i]];
      ASSERT_EQ(entry.pixels.at(x, y), expected) << "at " << x << ", " << y;
    }
  }
}

std::vector<IconEntry> Decode(const std::vector<std::uint8_t>& bytes) {
  return DecodeIconFile(bytes.data(), bytes.size());
}

void ExpectRefused(const std::vector<std::uint8_t>& bytes, const std::string& fragment) {
  try {
    Decode(bytes);
    ADD_FAILURE() << "accepted; expected refusal mentioning '" << fragment << "'";
  } catch (const BitmapFileError& e) {
    EXPECT_EQ(e.number(), rt::ErrorNumber::BadFileFormat);
    EXPECT_NE(std::string(e.what()).find(fragment), std::string::npos) << e.what();
  }
}

void Poke32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i)
    bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A one-image file of any depth, written by hand: 2 x 2 pixels, rows given
// bottom-up as the file stores them.
std::vector<std::uint8_t> TinyFile(int bits, std::vector<std::uint8_t> palette,
                                   std::vector<std::uint8_t> rows, std::uint8_t maskTopRow) {
  std::vector<std::uint8_t> image(40, 0);
  Poke32(image, 0, 40);
  Poke32(image, 4, 2);
  Poke32(image, 8, 4);
  image[12] = 1;
  image[14] = static_cast<std::uint8_t>(bits);
  Poke32(image, 32, static_cast<std::uint32_t>(palette.size() / 4));
  image.insert(image.end(), palette.begin(), palette.end());
  image.insert(image.end(), rows.begin(), rows.end());
  for (std::uint8_t m : {std::uint8_t{0}, maskTopRow}) image.insert(image.end(), {m, 0, 0, 0});
  // The header, its one entry (22 bytes) and the image, made at its full
  // size: growing a vector that short draws a false -Warray-bounds from
  // GCC 12 for i686.
  std::vector<std::uint8_t> file(22 + image.size(), 0);
  file[2] = 1;            // type: icon
  file[4] = 1;            // one image
  file[6] = file[7] = 2;  // 2 x 2
  file[10] = 1;           // one plane
  Poke32(file, 14, static_cast<std::uint32_t>(image.size()));
  Poke32(file, 18, 22);
  std::copy(image.begin(), image.end(), file.begin() + 22);
  return file;
}

TEST(IconFile, SixteenColourRoundTripKeepsBothSizesColoursAndTransparency) {
  const IndexedIcon big = Pattern(32), small = Pattern(16);
  const auto entries = Decode(EncodeIconFile({big, small}));
  ASSERT_EQ(entries.size(), 2u);
  ExpectDecodesTo(entries[0], big);
  ExpectDecodesTo(entries[1], small);
}

TEST(IconFile, OddWidthAndPaletteWithoutBlackStillEncodeTransparencyAsBlack) {
  IndexedIcon icon = Pattern(5);
  for (Pixel& p : icon.palette) p |= 0x010101;  // no black entry left
  icon.indices.assign(25, 7);
  icon.indices[24] = 9;
  const auto entries = Decode(EncodeIconFile({icon}));
  ExpectDecodesTo(entries.at(0), icon);
}

TEST(IconFile, TrueColourRoundTripUsesAlpha) {
  IconEntry entry{3, 2, Bitmap(3, 2, rgb(10, 20, 30)), {false, true, false, false, false, true}};
  entry.pixels.at(0, 1) = rgb(200, 0, 7);
  entry.pixels.at(1, 0) = 0;  // what the file stores under a transparent pixel
  entry.pixels.at(2, 1) = 0;
  const auto decoded = Decode(EncodeTrueColourIconFile({entry}));
  ASSERT_EQ(decoded.size(), 1u);
  EXPECT_EQ(decoded[0].pixels, entry.pixels);
  EXPECT_EQ(decoded[0].transparent, entry.transparent);
}

TEST(IconFile, DecodesOneEightAndTwentyFourBitImages) {
  // 1 bit: palette black, white; top row "01" and see-through on the right.
  auto one =
      Decode(TinyFile(1, {0, 0, 0, 0, 255, 255, 255, 0}, {0x80, 0, 0, 0, 0x40, 0, 0, 0}, 0x40));
  EXPECT_EQ(one[0].pixels.pixels, (std::vector<Pixel>{0, 0xFFFFFF, 0xFFFFFF, 0}));
  EXPECT_EQ(one[0].transparent, (std::vector<bool>{false, true, false, false}));
  // 8 bit with a two-colour palette: index 5 lies past it and draws black.
  auto eight = Decode(TinyFile(8, {1, 2, 3, 0, 4, 5, 6, 0}, {1, 0, 0, 0, 5, 1, 0, 0}, 0));
  EXPECT_EQ(eight[0].pixels.pixels, (std::vector<Pixel>{0, 0x060504, 0x060504, 0x030201}));
  auto deep = Decode(TinyFile(24, {}, {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0}, 0x80));
  EXPECT_EQ(deep[0].pixels.pixels, (std::vector<Pixel>{0x090807, 0x0C0B0A, 0x030201, 0x060504}));
  EXPECT_EQ(deep[0].transparent, (std::vector<bool>{true, false, false, false}));
}

TEST(IconFile, RefusesMalformedDirectories) {
  const auto good = EncodeIconFile({Pattern(16)});
  ExpectRefused({0, 0, 1}, "directory is cut short");
  ExpectRefused({0, 0, 1, 0, 0, 0}, "no images");
  ExpectRefused({0, 0, 2, 0, 1, 0}, "does not announce an icon");
  auto lying = good;
  lying[4] = 0xFF, lying[5] = 0xFF;  // 65535 entries announced
  ExpectRefused(lying, "directory (65535 images announced) is cut short");
  auto past = good;
  Poke32(past, 18, static_cast<std::uint32_t>(good.size()));
  ExpectRefused(past, "beyond the end");
  auto wrapping = good;
  Poke32(wrapping, 18, 0xFFFFFFF0u);  // offset + size wraps around 32 bits
  ExpectRefused(wrapping, "beyond the end");
}

TEST(IconFile, RefusesHostileImageHeaders) {
  const auto good = EncodeIconFile({Pattern(16)});
  const std::size_t header = 22;
  auto patched = [&](std::size_t at, std::uint32_t value, int bytes = 4) {
    auto copy = good;
    for (int i = 0; i < bytes; ++i)
      copy[header + at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
    return copy;
  };
  ExpectRefused(patched(4, 100000), "100000 pixels wide");
  ExpectRefused(patched(4, 0xFFFFFFFFu), "-1 pixels wide");
  ExpectRefused(patched(8, 0x7FFFFFFEu), "stored height");
  ExpectRefused(patched(8, 33), "stored height");
  ExpectRefused(patched(14, 16, 2), "16 bits per pixel");
  ExpectRefused(patched(14, 7, 2), "7 bits per pixel");
  ExpectRefused(patched(12, 0, 2), "planes");
  ExpectRefused(patched(16, 2), "compression");
  ExpectRefused(patched(32, 17), "17 palette colours");
  ExpectRefused(patched(0, 0xFFFFFF00u), "header is cut short");
  auto png = patched(0, 0x474E5089u);
  Poke32(png, header + 4, 0x0A1A0A0Du);
  ExpectRefused(png, "PNG");
}

TEST(IconFile, EveryTruncationIsRefusedCleanly) {
  const auto good = EncodeIconFile({Pattern(16), Pattern(3)});
  for (std::size_t n = 0; n < good.size(); ++n) {
    const std::vector<std::uint8_t> cut(good.begin(), good.begin() + static_cast<long>(n));
    EXPECT_THROW(Decode(cut), BitmapFileError) << "length " << n;
  }
  EXPECT_THROW(DecodeIconFile(nullptr, 100), BitmapFileError);
}

TEST(IconFile, RandomCorruptionNeverEscapesAsAnythingButBitmapFileError) {
  const auto good = EncodeIconFile({Pattern(16), Pattern(7)});
  std::mt19937 random(1234);
  for (int round = 0; round < 3000; ++round) {
    auto bad = good;
    for (int k = 0; k < 3; ++k) bad[random() % bad.size()] = static_cast<std::uint8_t>(random());
    try {
      Decode(bad);
    } catch (const BitmapFileError&) {
    }
  }
}

TEST(IconFile, ManyEntriesSharingOneLargeImageHitThePixelLimit) {
  IndexedIcon big = Pattern(256);
  auto bytes = EncodeIconFile({big});
  const std::size_t entries = kMaxIconFilePixels / (256 * 256) + 1;
  std::vector<std::uint8_t> file = {0, 0, 1, 0, static_cast<std::uint8_t>(entries), 0};
  const std::size_t imageAt = 6 + 16 * entries;
  for (std::size_t i = 0; i < entries; ++i) {
    file.insert(file.end(), bytes.begin() + 6, bytes.begin() + 22);
    Poke32(file, file.size() - 4, static_cast<std::uint32_t>(imageAt));
  }
  file.insert(file.end(), bytes.begin() + 22, bytes.end());
  ExpectRefused(file, "too large");
}

TEST(IconFile, EncodeRefusesBadArguments) {
  IndexedIcon wide = Pattern(4);
  wide.width = 257;
  IndexedIcon shortIndices = Pattern(4);
  shortIndices.indices.pop_back();
  IndexedIcon badIndex = Pattern(4);
  badIndex.indices[0] = 16;
  for (const std::vector<IndexedIcon>& images :
       std::initializer_list<std::vector<IndexedIcon>>{{}, {wide}, {shortIndices}, {badIndex}}) {
    EXPECT_THROW(EncodeIconFile(images), BitmapFileError);
  }
}

class IconFileOnDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("grinzo-icon-test-" +
            std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST_F(IconFileOnDisk, WritesAndReadsBack) {
  const std::string path = (dir_ / "pointer.ico").string();
  WriteIconFile(path, EncodeIconFile({Pattern(32)}));
  ExpectDecodesTo(ReadIconFile(path).at(0), Pattern(32));
  EXPECT_FALSE(fs::exists(path + ".partial"));
}

TEST_F(IconFileOnDisk, MissingFileNamesThePath) {
  const std::string path = (dir_ / "mouseicon.ico").string();
  try {
    ReadIconFile(path);
    FAIL() << "read a missing file";
  } catch (const BitmapFileError& e) {
    EXPECT_EQ(e.number(), rt::ErrorNumber::FileNotFound);
    EXPECT_NE(std::string(e.what()).find(path), std::string::npos);
  }
  EXPECT_THROW(ReadIconFile(dir_.string()), BitmapFileError);
}

TEST_F(IconFileOnDisk, FailedWritesLeaveNoFileBehind) {
  const auto bytes = EncodeIconFile({Pattern(16)});
  const fs::path missing = dir_ / "no-such-folder" / "grinzo.ico";
  try {
    WriteIconFile(missing.string(), bytes);
    FAIL() << "wrote into a missing folder";
  } catch (const BitmapFileError& e) {
    EXPECT_EQ(e.number(), rt::ErrorNumber::PathNotFound);
  }
  const fs::path occupied = dir_ / "taken";  // a folder sits under the target name
  fs::create_directories(occupied / "child");
  EXPECT_THROW(WriteIconFile(occupied.string(), bytes), BitmapFileError);
  EXPECT_TRUE(fs::is_directory(occupied / "child"));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace grinzo::gdi
