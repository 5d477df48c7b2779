// The icon decoder on arbitrary bytes ("mouseicon.ico" lies beside the
// program, where anyone may replace it): refusals are BitmapFileError
// (BadFileFormat) only, accepted images keep the documented limits, and
// they come back alike through the true-colour encoder.

#include <cstddef>
#include <cstdint>

#include "fuzz_check.h"
#include "ui/gdi/icon_file.h"

using namespace grinzo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<gdi::IconEntry> icons;
  try {
    icons = gdi::DecodeIconFile(data, size);
  } catch (const gdi::BitmapFileError& e) {
    FUZZ_CHECK(e.number() == rt::ErrorNumber::BadFileFormat);
    return 0;
  }
  FUZZ_CHECK(!icons.empty() && icons.size() <= 0xFFFF);
  std::size_t total = 0;
  for (const gdi::IconEntry& icon : icons) {
    FUZZ_CHECK(icon.width >= 1 && icon.width <= gdi::kMaxIconSide);
    FUZZ_CHECK(icon.height >= 1 && icon.height <= gdi::kMaxIconSide);
    const std::size_t count =
        static_cast<std::size_t>(icon.width) * static_cast<std::size_t>(icon.height);
    FUZZ_CHECK(icon.pixels.width == icon.width && icon.pixels.height == icon.height);
    FUZZ_CHECK(icon.pixels.pixels.size() == count && icon.transparent.size() == count);
    for (gdi::Pixel p : icon.pixels.pixels) FUZZ_CHECK((p & 0xFF000000u) == 0);
    total += count;
  }
  FUZZ_CHECK(total <= gdi::kMaxIconFilePixels);

  const std::vector<std::uint8_t> file = gdi::EncodeTrueColourIconFile(icons);
  const std::vector<gdi::IconEntry> again = gdi::DecodeIconFile(file.data(), file.size());
  FUZZ_CHECK(again.size() == icons.size());
  for (std::size_t i = 0; i < icons.size(); ++i) {
    FUZZ_CHECK(again[i].width == icons[i].width && again[i].height == icons[i].height);
    FUZZ_CHECK(again[i].transparent == icons[i].transparent);
    // Under a transparent pixel the decoder keeps what the file stored and
    // the encoder stores black: only the visible pixels must match.
    for (std::size_t p = 0; p < icons[i].transparent.size(); ++p) {
      FUZZ_CHECK(again[i].pixels.pixels[p] ==
                 (icons[i].transparent[p] ? 0 : icons[i].pixels.pixels[p]));
    }
  }
  return 0;
}
