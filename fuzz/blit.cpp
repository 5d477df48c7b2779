// BitBlt, PatBlt, SelectObject and GetPixel (src/ui/gdi/gdi.h) with extreme
// rectangles, against a naive model: every pixel of the destination is
// tested on its own for lying inside the rectangle and having its source
// inside the source bitmap, in 64-bit arithmetic, with the source read before
// anything is written. The real BitBlt clips once per call, takes whole-row
// and vector paths, and repeats copies by moving only what changed since the
// last one (its mirror and logs): sequences of calls on a few small bitmaps,
// with pixels written directly in between, check every pixel after each call.
// Batches of masked sprites (DrawMaskedSprites, CopyAndDrawSprites) must
// equal their transfers in turn on the model, whichever path they take: the
// run's first bytes choose the vector instructions and bands of a few rows
// or written past the cache, and an operation paints a mask and a picture
// with only opaque, clear and inert pixels, which crowds drawn from the top
// down need.
//
// The surfaces and bitmaps are made once (handles are never reused, so making
// them per run would grow the process's handle table without end) and reset
// at the start of each run: every run is independent of the ones before.
//
// Input: a byte for the pixel pattern, a byte for the first selection, then
// operations of a byte each followed by their operands; coordinates are a
// byte choosing an extreme value, a small one or four raw bytes.

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "fuzz_check.h"
#include "ui/gdi/compose_paths.h"
#include "ui/gdi/gdi.h"

using namespace grinzo;
using gdi::Pixel;

namespace {

constexpr int kMax = gdi::kMaxBitmapSide;
constexpr int kIntMin = std::numeric_limits<int>::min();
constexpr int kIntMax = std::numeric_limits<int>::max();

// Bitmap sizes chosen for the row paths: single pixels and rows, widths
// below, at and above the four and eight-pixel vector steps.
constexpr std::array<gdi::Size, 8> kSizes{
    {{1, 1}, {2, 3}, {5, 4}, {8, 8}, {9, 7}, {16, 5}, {3, 17}, {13, 13}}};
constexpr int kBitmaps = static_cast<int>(kSizes.size());
constexpr int kSurfaces = 4;

struct Model {
  std::vector<Pixel> pixels;
  int width = 0, height = 0;
};

struct Pool {
  std::array<gdi::HDC, kSurfaces> surfaces{};
  // kBitmaps shared bitmaps, then one 1 x 1 parking bitmap per surface,
  // which lets a surface let go of any shared bitmap.
  std::vector<gdi::HBITMAP> bitmaps;
  gdi::HBITMAP deadBitmap = 0;
  gdi::HDC deadSurface = 0;
  int liveObjects = 0;

  Pool() {
    for (gdi::HDC& s : surfaces) s = gdi::CreateCompatibleDC(0);
    for (const gdi::Size& size : kSizes) {
      bitmaps.push_back(gdi::CreateCompatibleBitmap(surfaces[0], size.width, size.height));
    }
    for (int i = 0; i < kSurfaces; ++i) {
      bitmaps.push_back(gdi::CreateCompatibleBitmap(surfaces[0], 1, 1));
      FUZZ_CHECK(gdi::SelectObject(surfaces[i], parking(i)) == 0);
    }
    deadBitmap = gdi::CreateCompatibleBitmap(surfaces[0], 1, 1);
    gdi::DeleteObject(deadBitmap);
    deadSurface = gdi::CreateCompatibleDC(0);
    gdi::DeleteDC(deadSurface);
    liveObjects = gdi::LiveObjectCount();
  }
  gdi::HBITMAP parking(int surface) const { return bitmaps[kBitmaps + surface]; }
};

Pixel pattern(std::uint8_t seed, int bitmap, int index) {
  std::uint32_t v = (seed + 1u) * 2654435761u ^ (bitmap * 40503u + index) * 2246822519u;
  v ^= v >> 15;
  v *= 2654435761u;
  v ^= v >> 13;
  return v & 0x00FFFFFFu;
}

class Run {
 public:
  Run(const Pool& pool, FuzzedDataProvider& in) : pool_(pool), in_(in) {}

  void reset() {
    const std::uint8_t paths = in_.ConsumeIntegral<std::uint8_t>();
    gdi::paths::limitVectors(static_cast<gdi::paths::Vectors>(paths % 3));
    gdi::paths::Tuning tuning;
    if (paths & 4) tuning.bandPixels = 8;  // bands of 8 rows, the least
    if (paths & 8) tuning.streamPixels = 1;
    if (paths & 16) tuning.tileDepth = 2;
    gdi::paths::tune(tuning);
    const std::uint8_t seed = in_.ConsumeIntegral<std::uint8_t>();
    for (int i = 0; i < kSurfaces; ++i) gdi::SelectObject(pool_.surfaces[i], pool_.parking(i));
    models_.assign(pool_.bitmaps.size(), {});
    for (int b = 0; b < static_cast<int>(pool_.bitmaps.size()); ++b) {
      const gdi::Size size = b < kBitmaps ? kSizes[b] : gdi::Size{1, 1};
      const int host = b < kBitmaps ? 0 : b - kBitmaps;
      gdi::SelectObject(pool_.surfaces[host], pool_.bitmaps[b]);
      gdi::Bitmap* pixels = gdi::SurfaceBitmap(pool_.surfaces[host]);
      FUZZ_CHECK(pixels && pixels->width == size.width && pixels->height == size.height);
      Model& m = models_[b];
      m.width = size.width;
      m.height = size.height;
      for (int i = 0; i < size.width * size.height; ++i) m.pixels.push_back(pattern(seed, b, i));
      pixels->pixels = m.pixels;
      gdi::SelectObject(pool_.surfaces[host], pool_.parking(host));
    }
    const int first = in_.ConsumeIntegral<std::uint8_t>();
    for (int i = 0; i < kSurfaces; ++i) {
      selected_[i] = (first + i) % kBitmaps;
      FUZZ_CHECK(gdi::SelectObject(pool_.surfaces[i], pool_.bitmaps[selected_[i]]) ==
                 pool_.parking(i));
    }
  }

  void step() {
    switch (in_.ConsumeIntegralInRange(0, 8)) {
      case 7:
        sprites();
        break;
      case 8:
        paintSimpleSprite();
        break;
      case 0:
      case 1:
        lastBlt_ = {surface(), coordinate(), coordinate(), coordinate(), coordinate(),
                    surface(), coordinate(), coordinate(), rop()};
        bitBlt(lastBlt_);
        break;
      case 2:  // the same again: the path that copies only what changed
        bitBlt(lastBlt_);
        break;
      case 3: {  // a braced list reads its operands in order, unlike a call
        const Blt fill{surface(),
                       coordinate(),
                       coordinate(),
                       coordinate(),
                       coordinate(),
                       -1,
                       0,
                       0,
                       in_.ConsumeBool() ? gdi::BLACKNESS : rop()};
        patBlt(fill);
        break;
      }
      case 4:
        select();
        break;
      case 5:
        writeDirectly();
        break;
      default:
        getPixel();
        break;
    }
    compareAll();
  }

  void finish() const { FUZZ_CHECK(gdi::LiveObjectCount() == pool_.liveObjects); }

 private:
  struct Blt {
    int dst = -1, x = 0, y = 0, width = 0, height = 0, src = -1, xSrc = 0, ySrc = 0;
    std::uint32_t rop = gdi::SRCCOPY;
  };

  // An index into the pool's surfaces, or a negative number for a handle
  // that names no live surface.
  int surface() {
    const std::uint8_t pick = in_.ConsumeIntegral<std::uint8_t>();
    return pick < 240 ? pick % kSurfaces : -1 - (pick - 240) % 5;
  }
  gdi::HDC handle(int s) const {
    if (s >= 0) return pool_.surfaces[s];
    const gdi::HDC bogus[] = {0, -1, pool_.deadSurface, pool_.bitmaps[0], kIntMax};
    return bogus[(-1 - s) % 5];
  }

  int coordinate() {
    static constexpr int kExtremes[] = {kIntMin, kIntMin + 1, -kMax - 1,   -kMax,  -65536, -33,
                                        -17,     -2,          -1,          0,      1,      2,
                                        31,      kMax,        kIntMax - 1, kIntMax};
    const std::uint8_t pick = in_.ConsumeIntegral<std::uint8_t>();
    if (pick < 16) return kExtremes[pick];
    if (pick < 224) return pick % 41 - 20;
    return in_.ConsumeIntegral<int>();
  }

  std::uint32_t rop() {
    static constexpr std::uint32_t kRops[] = {gdi::SRCCOPY,   gdi::SRCAND, gdi::SRCPAINT,
                                              gdi::SRCCOPY,   gdi::SRCAND, gdi::SRCPAINT,
                                              gdi::BLACKNESS, 0,           0xFFFFFFFFu};
    return kRops[in_.ConsumeIntegralInRange<std::size_t>(0, std::size(kRops) - 1)];
  }

  static bool inside(const Model& m, std::int64_t x, std::int64_t y) {
    return x >= 0 && y >= 0 && x < m.width && y < m.height;
  }

  static bool valid(const Blt& b) {
    return b.dst >= 0 && b.src >= 0 && b.width > 0 && b.height > 0 &&
           (b.rop == gdi::SRCCOPY || b.rop == gdi::SRCAND || b.rop == gdi::SRCPAINT);
  }

  void bitBlt(const Blt& b) {
    const int result = gdi::BitBlt(handle(b.dst), b.x, b.y, b.width, b.height, handle(b.src),
                                   b.xSrc, b.ySrc, b.rop);
    FUZZ_CHECK(result == (valid(b) ? 1 : 0));
    modelBlt(b);
  }

  // The model's transfer.
  void modelBlt(const Blt& b) {
    if (!valid(b)) return;
    Model& d = models_[selected_[b.dst]];
    const Model source = models_[selected_[b.src]];  // read before any write
    for (std::int64_t py = 0; py < d.height; ++py) {
      for (std::int64_t px = 0; px < d.width; ++px) {
        const std::int64_t ox = px - b.x, oy = py - b.y;
        if (ox < 0 || oy < 0 || ox >= b.width || oy >= b.height) continue;
        const std::int64_t sx = b.xSrc + ox, sy = b.ySrc + oy;
        if (!inside(source, sx, sy)) continue;
        const Pixel s = source.pixels[sy * source.width + sx];
        Pixel& p = d.pixels[py * d.width + px];
        p = b.rop == gdi::SRCCOPY ? s : b.rop == gdi::SRCAND ? (p & s) : (p | s);
      }
    }
  }

  void patBlt(const Blt& b) {
    const bool valid = b.dst >= 0 && b.width > 0 && b.height > 0 && b.rop == gdi::BLACKNESS;
    FUZZ_CHECK(gdi::PatBlt(handle(b.dst), b.x, b.y, b.width, b.height, b.rop) == (valid ? 1 : 0));
    if (!valid) return;
    Model& d = models_[selected_[b.dst]];
    for (std::int64_t py = 0; py < d.height; ++py) {
      for (std::int64_t px = 0; px < d.width; ++px) {
        const std::int64_t ox = px - b.x, oy = py - b.y;
        if (ox >= 0 && oy >= 0 && ox < b.width && oy < b.height) d.pixels[py * d.width + px] = 0;
      }
    }
  }

  // A batch of masked sprites, after a background copy or not: on the
  // model, each sprite's AND of its mask, then OR of its picture.
  void sprites() {
    const bool withCopy = in_.ConsumeBool();
    const Blt copy{surface(), coordinate(), coordinate(), coordinate(), coordinate(),
                   surface(), coordinate(), coordinate(), gdi::SRCCOPY};
    const int count = in_.ConsumeIntegralInRange(0, 48);
    std::vector<gdi::MaskedSprite> batch;
    std::vector<std::array<int, 2>> sources;  // mask and picture surfaces
    for (int i = 0; i < count; ++i) {
      gdi::MaskedSprite s;
      s.x = coordinate(), s.y = coordinate();
      s.width = coordinate(), s.height = coordinate();
      const int mask = surface(), picture = surface();
      s.mask = handle(mask), s.picture = handle(picture);
      s.xSrc = coordinate(), s.ySrc = coordinate();
      batch.push_back(s);
      sources.push_back({mask, picture});
    }
    if (withCopy) {
      gdi::CopyAndDrawSprites(handle(copy.dst), copy.x, copy.y, copy.width, copy.height,
                              handle(copy.src), copy.xSrc, copy.ySrc, batch.data(), batch.size());
      modelBlt(copy);
    } else {
      gdi::DrawMaskedSprites(handle(copy.dst), batch.data(), batch.size());
    }
    for (int i = 0; i < count; ++i) {
      const gdi::MaskedSprite& s = batch[static_cast<std::size_t>(i)];
      Blt t{copy.dst, s.x, s.y, s.width, s.height, sources[i][0], s.xSrc, s.ySrc, gdi::SRCAND};
      modelBlt(t);
      t.src = sources[i][1];
      t.rop = gdi::SRCPAINT;
      modelBlt(t);
    }
  }

  // Two surfaces' bitmaps become a mask and a picture of the simple kind:
  // every pixel opaque (mask 0, a colour), clear (mask 0x00FFFFFF over 0)
  // or inert (mask all ones over 0).
  void paintSimpleSprite() {
    const int maskSurface = in_.ConsumeIntegralInRange(0, kSurfaces - 1);
    const int pictureSurface = in_.ConsumeIntegralInRange(0, kSurfaces - 1);
    if (selected_[maskSurface] == selected_[pictureSurface]) return;
    const std::uint32_t seed = in_.ConsumeIntegral<std::uint32_t>();
    Model& m = models_[selected_[maskSurface]];
    Model& p = models_[selected_[pictureSurface]];
    gdi::Bitmap* maskPixels = gdi::SurfaceBitmap(pool_.surfaces[maskSurface]);
    gdi::Bitmap* picturePixels = gdi::SurfaceBitmap(pool_.surfaces[pictureSurface]);
    FUZZ_CHECK(maskPixels && picturePixels);
    for (int y = 0; y < m.height; ++y) {
      for (int x = 0; x < m.width; ++x) {
        const std::uint32_t kind = pattern(static_cast<std::uint8_t>(seed), x, y) % 8;
        const Pixel mask = kind < 5 ? 0 : kind < 7 ? 0x00FFFFFFu : 0xFFFFFFFFu;
        m.pixels[y * m.width + x] = mask;
        if (x < p.width && y < p.height) {
          const Pixel colour = mask == 0 ? pattern(static_cast<std::uint8_t>(seed >> 8), x, y) : 0;
          p.pixels[y * p.width + x] = colour;
        }
      }
    }
    maskPixels->pixels = m.pixels;
    picturePixels->pixels = p.pixels;
  }

  // A shared bitmap, or a handle that is none: a dead bitmap or a surface.
  void select() {
    const int s = surface();
    const std::uint8_t pick = in_.ConsumeIntegral<std::uint8_t>();
    const int b = pick < 240 ? pick % kBitmaps : -1;
    const gdi::HBITMAP bitmap =
        b >= 0 ? pool_.bitmaps[b] : (pick % 2 ? pool_.deadBitmap : pool_.surfaces[0]);
    gdi::HBITMAP expected = 0;
    if (s >= 0 && b >= 0) {
      int owner = -1;
      for (int i = 0; i < kSurfaces; ++i) {
        if (selected_[i] == b) owner = i;
      }
      if (owner == s) {
        expected = bitmap;
      } else if (owner < 0) {
        expected = pool_.bitmaps[selected_[s]];
        selected_[s] = b;
      }
    }
    FUZZ_CHECK(gdi::SelectObject(handle(s), bitmap) == expected);
  }

  void writeDirectly() {
    const int s = in_.ConsumeIntegralInRange(0, kSurfaces - 1);
    Model& m = models_[selected_[s]];
    const int x = in_.ConsumeIntegralInRange(0, m.width - 1);
    const int y = in_.ConsumeIntegralInRange(0, m.height - 1);
    const Pixel value = in_.ConsumeIntegral<std::uint32_t>() & 0x00FFFFFFu;
    gdi::Bitmap* pixels = gdi::SurfaceBitmap(pool_.surfaces[s]);
    FUZZ_CHECK(pixels != nullptr);
    pixels->at(x, y) = value;
    m.pixels[y * m.width + x] = value;
  }

  void getPixel() {
    const int s = surface();
    const int x = coordinate(), y = coordinate();
    gdi::COLORREF expected = gdi::CLR_INVALID;
    if (s >= 0 && inside(models_[selected_[s]], x, y)) {
      const Model& m = models_[selected_[s]];
      expected = gdi::toColorRef(m.pixels[y * m.width + x]);
    }
    FUZZ_CHECK(gdi::GetPixel(handle(s), x, y) == expected);
  }

  void compareAll() const {
    for (int s = 0; s < kSurfaces; ++s) {
      const gdi::Bitmap* pixels = gdi::SurfacePixels(pool_.surfaces[s]);
      const Model& m = models_[selected_[s]];
      FUZZ_CHECK(pixels && pixels->width == m.width && pixels->height == m.height);
      FUZZ_CHECK(pixels->pixels == m.pixels);
    }
  }

  const Pool& pool_;
  FuzzedDataProvider& in_;
  std::vector<Model> models_;
  std::array<int, kSurfaces> selected_{};
  Blt lastBlt_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const Pool pool;
  FuzzedDataProvider in(data, size);
  Run run(pool, in);
  run.reset();
  for (int ops = 0; ops < 256 && in.remaining_bytes() > 0; ++ops) run.step();
  run.finish();
  return 0;
}
