#include <gtest/gtest.h>

#include <tuple>

#include <filesystem>
#include <fstream>
#include <functional>
#include <random>

#include "ui/gdi/gdi.h"

namespace grinzo::gdi {
namespace {

using Bytes = std::vector<std::uint8_t>;

void put(Bytes& b, std::size_t at, std::uint32_t v, int n = 4) {
  for (int i = 0; i < n; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A file with an info header of `infoSize` bytes, `colours` palette entries
// (also written as the colour count) and |height| zeroed rows of `rowBytes`.
Bytes craft(int width, int height, int bits, int colours, std::size_t rowBytes,
            std::uint32_t infoSize = 40) {
  const std::size_t pixels = 14 + infoSize + 4 * colours;
  Bytes b(pixels + rowBytes * static_cast<std::size_t>(std::abs(height)), 0);
  b[0] = 'B';
  b[1] = 'M';
  put(b, 10, static_cast<std::uint32_t>(pixels));
  put(b, 14, infoSize);
  put(b, 18, static_cast<std::uint32_t>(width));
  put(b, 22, static_cast<std::uint32_t>(height));
  put(b, 26, 1, 2);
  put(b, 28, static_cast<std::uint32_t>(bits), 2);
  put(b, 46, static_cast<std::uint32_t>(colours));
  return b;
}

Bitmap decode(const Bytes& b) { return DecodeBitmapFile(b.data(), b.size()); }

TEST(BitmapFile, EightBitPalettizedBothRowOrders) {
  for (int sign : {1, -1}) {
    Bytes b = craft(3, 2 * sign, 8, 3, 4);  // rows of 3 bytes padded to 4
    put(b, 58, 0x00112233);                 // entry 1, stored B, G, R, 0
    put(b, 62, 0x00FF0000);                 // entry 2: red
    put(b, 66, 0x000201, 3);                // first row in the file
    put(b, 70, 0x070202, 3);                // 7 lies past the 3-entry palette: black
    const Bitmap out = decode(b);
    ASSERT_EQ(out.width, 3);
    ASSERT_EQ(out.height, 2);
    const int first = sign > 0 ? 1 : 0;  // bottom-up files store the last row first
    EXPECT_EQ(out.at(0, first), 0x00112233u);
    EXPECT_EQ(out.at(1, first), 0x00FF0000u);
    EXPECT_EQ(out.at(2, 1 - first), 0u);
  }
}

TEST(BitmapFile, OneAndFourBitRowsWithEveryHeaderSize) {
  for (std::uint32_t infoSize : {40u, 108u, 124u}) {
    Bytes b = craft(10, 1, 1, 2, 4, infoSize);
    put(b, 46, 0);  // no colour count: the full palette of two
    put(b, 14 + infoSize + 4, 0x00FFFFFF);
    put(b, 14 + infoSize + 8, 0x40A0, 2);
    EXPECT_EQ(decode(b).pixels,
              (std::vector<Pixel>{~0u >> 8, 0, ~0u >> 8, 0, 0, 0, 0, 0, 0, ~0u >> 8}));
  }
  Bytes b = craft(3, 1, 4, 16, 4);
  put(b, 54 + 4 * 15, 0x000000FF);
  put(b, 54 + 64, 0xF0F0, 2);
  EXPECT_EQ(decode(b).pixels, (std::vector<Pixel>{0xFF, 0, 0xFF}));
}

TEST(BitmapFile, ThirtyTwoBitPlainAndWithStandardMasks) {
  Bytes plain = craft(2, 1, 32, 0, 8);
  put(plain, 54, 0xAA010203);  // the fourth byte is not colour
  EXPECT_EQ(decode(plain).at(0, 0), 0x00010203u);

  Bytes masked = craft(1, 1, 32, 0, 16);  // 12 bytes of masks, then the pixel
  put(masked, 10, 66);
  put(masked, 30, 3);
  put(masked, 54, 0x00FF0000);
  put(masked, 58, 0x0000FF00);
  put(masked, 62, 0x000000FF);
  put(masked, 66, 0x00ABCDEF);
  EXPECT_EQ(decode(masked).at(0, 0), 0x00ABCDEFu);
  put(masked, 54, 0x0000F800);  // 5-6-5 is not supported
  EXPECT_THROW(decode(masked), BitmapFileError);
}

TEST(BitmapFile, EncodedFilesRoundTripWithRowPadding) {
  for (int w : {1, 3, 4, 5}) {
    Bitmap b(w, 3);
    for (std::size_t i = 0; i < b.pixels.size(); ++i) b.pixels[i] = 0x010305 * (i + 1);
    const Bytes file = EncodeBitmapFile(b);
    EXPECT_EQ(file.size(), 54 + (3 * w + 3) / 4 * 4 * 3);
    EXPECT_EQ(decode(file), b) << w;
  }
  EXPECT_THROW(EncodeBitmapFile(Bitmap()), BitmapFileError);
}

TEST(BitmapFile, HostileFilesAreRefused) {
  const Bytes good = craft(4, 4, 8, 2, 4);
  ASSERT_NO_THROW(decode(good));
  const std::vector<std::pair<const char*, std::function<void(Bytes&)>>> cases = {
      {"truncated header", [](Bytes& b) { b.resize(30); }},
      {"truncated pixels", [](Bytes& b) { b.pop_back(); }},
      {"not BM", [](Bytes& b) { b[1] = 'A'; }},
      {"pixel offset past end", [](Bytes& b) { put(b, 10, 0xFFFFFFF0); }},
      {"pixel offset inside header", [](Bytes& b) { put(b, 10, 20); }},
      {"zero width", [](Bytes& b) { put(b, 18, 0); }},
      {"negative width", [](Bytes& b) { put(b, 18, 0xFFFFFFFC); }},
      {"height INT_MIN", [](Bytes& b) { put(b, 22, 0x80000000u); }},
      {"huge width*height", [](Bytes& b) { put(b, 18, 0x10000), put(b, 22, 0x10000); }},
      {"bit count 7", [](Bytes& b) { put(b, 28, 7, 2); }},
      {"two planes", [](Bytes& b) { put(b, 26, 2, 2); }},
      {"palette beyond the bit count", [](Bytes& b) { put(b, 46, 257); }},
      {"palette past the end", [](Bytes& b) { put(b, 46, 200); }},
      {"run-length compression", [](Bytes& b) { put(b, 30, 1); }},
      {"unknown header size", [](Bytes& b) { put(b, 14, 41); }},
      {"header past the end", [](Bytes& b) { put(b, 14, 124), b.resize(100); }},
  };
  for (const auto& [what, spoil] : cases) {
    Bytes b = good;
    spoil(b);
    try {
      decode(b);
      ADD_FAILURE() << what << ": accepted";
    } catch (const BitmapFileError& e) {
      EXPECT_EQ(e.number(), rt::ErrorNumber::BadFileFormat) << what;
    }
  }
  EXPECT_THROW(DecodeBitmapFile(nullptr, 1000), BitmapFileError);

  // Sizes beyond a bitmap object, or beyond the largest screen, are refused
  // from the header alone, before any pixel is allocated.
  const std::vector<std::tuple<std::uint32_t, std::uint32_t, int>> huge = {
      {16384, 16384, 1}, {0x10000000, 1, 1}, {32769, 1, 8}};
  for (const auto& [width, height, bits] : huge) {
    Bytes b = craft(4, 4, bits, bits == 1 ? 2 : 4, 4);
    put(b, 18, width);
    put(b, 22, height);
    try {
      decode(b);
      ADD_FAILURE() << width << " x " << height << ": accepted";
    } catch (const BitmapFileError& e) {
      EXPECT_NE(std::string(e.what()).find("too large"), std::string::npos) << e.what();
    }
  }
}

// Run under the address sanitizer, this is what shows no read escapes.
TEST(BitmapFile, CorruptedHeadersOnlyEverRaiseBitmapFileError) {
  std::mt19937 rng(7);
  const Bytes seeds[] = {craft(5, -3, 4, 16, 4, 108), EncodeBitmapFile(Bitmap(3, 2, 0x123456)),
                         craft(9, 2, 1, 2, 4)};
  for (int n = 0; n < 3000; ++n) {
    Bytes b = seeds[n % 3];
    for (int k = 0; k < 3; ++k) b[rng() % std::min<std::size_t>(b.size(), 70)] = rng() & 0xFF;
    if (n % 4 == 0) b.resize(rng() % b.size());
    try {
      decode(b);
    } catch (const BitmapFileError&) {
    }
  }
}

rt::ErrorNumber errorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const BitmapFileError& e) {
    EXPECT_NE(std::string(e.what()).find("x.bmp"), std::string::npos) << e.what();
    return e.number();
  }
  ADD_FAILURE() << "no error";
  return {};
}

TEST(BitmapFile, FilesAreReplacedWholeAndErrorsNameThePath) {
  namespace fs = std::filesystem;
  const fs::path dir =
      fs::temp_directory_path() /
      ("grinzo-bmp-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  fs::remove_all(dir);
  fs::create_directories(dir / "sub" / "x.bmp");  // a folder in the way of a file
  const std::string path = (dir / "x.bmp").string();
  EXPECT_EQ(errorOf([&] { ReadBitmapFile(path); }), rt::ErrorNumber::FileNotFound);
  WriteBitmapFile(path, Bitmap(2, 2, rgb(1, 2, 3)));
  const Bitmap b(3, 1, rgb(4, 5, 6));
  WriteBitmapFile(path, b);
  EXPECT_EQ(ReadBitmapFile(path), b);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 2);  // no temporary left
  EXPECT_EQ(errorOf([&] { WriteBitmapFile((dir / "no" / "x.bmp").string(), b); }),
            rt::ErrorNumber::PathNotFound);
  EXPECT_EQ(errorOf([&] { WriteBitmapFile((dir / "sub" / "x.bmp").string(), b); }),
            rt::ErrorNumber::PermissionDenied);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir / "sub"), {}), 1);
  std::ofstream(path) << "not a bitmap at all";
  EXPECT_EQ(errorOf([&] { ReadBitmapFile(path); }), rt::ErrorNumber::BadFileFormat);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace grinzo::gdi
