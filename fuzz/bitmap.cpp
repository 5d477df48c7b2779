// The bitmap decoder on arbitrary bytes: it reads files from the user's folder
// ("snapshot.bmp", --desktop), so any input may only be refused with
// BitmapFileError(BadFileFormat); what it accepts must be a picture the
// drawing layer can hold, and must survive an encode and decode unchanged.
//
// Pixel data is most of a real file, and the decoder rightly refuses a file
// shorter than its header claims. So that a small input can stand for a large
// file (a few header bytes claiming gigabytes is what the size limits are
// for), the file-size field of the header (bytes 2 to 5, which the decoder
// does not read) pads the input with zeros up to that length, 1 MiB at most.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_check.h"
#include "ui/gdi/gdi.h"

using namespace grinzo;

namespace {

constexpr std::size_t kPadLimit = std::size_t{1} << 20;
// Encoding and decoding again costs more than the decoding checked here.
constexpr std::size_t kRoundTripPixels = std::size_t{1} << 20;

void check(const std::uint8_t* data, std::size_t size) {
  gdi::Bitmap picture;
  try {
    picture = gdi::DecodeBitmapFile(data, size);
  } catch (const gdi::BitmapFileError& e) {
    FUZZ_CHECK(e.number() == rt::ErrorNumber::BadFileFormat);
    return;
  }
  FUZZ_CHECK(picture.width >= 1 && picture.height >= 1);
  // A picture the drawing layer could not make a bitmap of is of no use to
  // the game, which would only fail later and further from the cause.
  FUZZ_CHECK(picture.width <= gdi::kMaxBitmapSide && picture.height <= gdi::kMaxBitmapSide);
  FUZZ_CHECK(picture.pixels.size() ==
             static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height));
  for (gdi::Pixel p : picture.pixels) FUZZ_CHECK((p & 0xFF000000u) == 0);
  if (picture.pixels.size() > kRoundTripPixels) return;

  const std::vector<std::uint8_t> file = gdi::EncodeBitmapFile(picture);
  FUZZ_CHECK(gdi::DecodeBitmapFile(file.data(), file.size()) == picture);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  check(data, size);
  if (size < 6) return 0;
  const std::size_t claimed = static_cast<std::size_t>(data[2]) | std::size_t{data[3]} << 8 |
                              std::size_t{data[4]} << 16 | std::size_t{data[5]} << 24;
  if (claimed > size && claimed <= kPadLimit) {
    std::vector<std::uint8_t> padded(data, data + size);
    padded.resize(claimed, 0);
    check(padded.data(), padded.size());
  }
  return 0;
}
