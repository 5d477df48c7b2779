#include "ui/gdi/gdi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <random>
#include <string>

#include "ui/gdi/compose_paths.h"
#include "ui/gdi/sprite_batch.h"

namespace grinzo::gdi {
namespace {

// A surface holding a copy of `b`; the bitmap handle is given up at once, so
// the pixels live only through the surface.
HDC surfaceWith(const Bitmap& b) {
  HDC dc = CreateCompatibleDC(0);
  HBITMAP bmp = CreateBitmapFromPixels(b);
  SelectObject(dc, bmp);
  DeleteObject(bmp);
  return dc;
}

Bitmap noise(int w, int h, std::uint32_t seed) {
  Bitmap b(w, h);
  std::mt19937 rng(seed);
  for (Pixel& p : b.pixels) p = rng() & 0x00FFFFFF;
  return b;
}

// The obvious per-pixel transfer that the clipped row loops must agree with.
// It reads a copy of the source taken before the transfer, which is how an
// overlapping transfer within one bitmap must behave.
void model(Bitmap& dst, int x, int y, int w, int h, const Bitmap& src, int sx, int sy,
           std::uint32_t rop) {
  for (int j = 0; j < h; ++j) {
    for (int i = 0; i < w; ++i) {
      const int dx = x + i, dy = y + j, px = sx + i, py = sy + j;
      if (dx < 0 || dy < 0 || dx >= dst.width || dy >= dst.height || px < 0 || py < 0 ||
          px >= src.width || py >= src.height) {
        continue;
      }
      Pixel& d = dst.at(dx, dy);
      d = rop == SRCCOPY ? src.at(px, py) : rop == SRCAND ? d & src.at(px, py) : d | src.at(px, py);
    }
  }
}

class BitBltOp : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(BitBltOp, ClipsOnEverySideOfBothBitmaps) {
  HDC dcs[2] = {surfaceWith(Bitmap(23, 17)), surfaceWith(Bitmap(31, 19))};
  std::mt19937 rng(GetParam());
  std::uniform_int_distribution<int> pos(-12, 12), size(1, 40);
  for (int n = 0; n < 800; ++n) {
    for (HDC dc : dcs) *SurfaceBitmap(dc) = noise(SurfaceSize(dc).width, SurfaceSize(dc).height, n);
    // Narrow to wide, wide to narrow, and each surface onto itself.
    const HDC dst = dcs[n % 2], src = dcs[n / 2 % 2];
    const Bitmap srcBefore = *SurfacePixels(src);
    Bitmap expected = *SurfacePixels(dst);
    const int x = pos(rng), y = pos(rng), w = size(rng), h = size(rng), sx = pos(rng),
              sy = pos(rng);
    ASSERT_NE(BitBlt(dst, x, y, w, h, src, sx, sy, GetParam()), 0);
    model(expected, x, y, w, h, srcBefore, sx, sy, GetParam());
    ASSERT_EQ(*SurfacePixels(dst), expected)
        << n << ": " << x << "," << y << " " << w << "x" << h << " from " << sx << "," << sy;
  }
  for (HDC dc : dcs) DeleteDC(dc);
}

TEST_P(BitBltOp, OverlappingTransferWithinOneSurfaceReadsSourceFirst) {
  HDC dc = surfaceWith(noise(40, 30, 3));
  Bitmap expected = *SurfacePixels(dc);
  // {x, y, width, xSrc, ySrc}, 20 rows each: every direction, along one row
  // both ways, and whole rows (one contiguous block) down and up.
  const int moves[][5] = {{7, 4, 30, 4, 4}, {1, 4, 30, 4, 4},  {4, 6, 30, 4, 4}, {4, 2, 30, 4, 4},
                          {9, 8, 30, 4, 4}, {-1, 0, 30, 4, 4}, {0, 8, 40, 0, 5}, {0, 2, 40, 0, 5}};
  for (const auto& m : moves) {
    const Bitmap before = expected;
    ASSERT_NE(BitBlt(dc, m[0], m[1], m[2], 20, dc, m[3], m[4], GetParam()), 0);
    model(expected, m[0], m[1], m[2], 20, before, m[3], m[4], GetParam());
    ASSERT_EQ(*SurfacePixels(dc), expected) << m[0] << "," << m[1];
  }
  DeleteDC(dc);
}

INSTANTIATE_TEST_SUITE_P(All, BitBltOp, ::testing::Values(SRCCOPY, SRCAND, SRCPAINT));

TEST(BitBlt, WindowSizedCopiesMatchTheModel) {
  // Big enough for the streaming copy, whole rows and offset rows.
  HDC src = surfaceWith(noise(2048, 2100, 9));
  HDC dst = surfaceWith(Bitmap(2048, 2100));
  for (auto [x, sx] : {std::pair{0, 0}, {3, 1}, {-1, 0}}) {
    Bitmap expected = *SurfacePixels(dst);
    ASSERT_NE(BitBlt(dst, x, 0, 2048, 2100, src, sx, 0, SRCCOPY), 0);
    model(expected, x, 0, 2048, 2100, *SurfacePixels(src), sx, 0, SRCCOPY);
    EXPECT_TRUE(*SurfacePixels(dst) == expected) << x << " from " << sx;
  }
  DeleteDC(src);
  DeleteDC(dst);
}

TEST(BitBlt, FailsQuietlyOnBadHandlesOperationsAndSizes) {
  HDC a = surfaceWith(noise(8, 8, 4));
  HDC b = surfaceWith(noise(8, 8, 5));
  HDC dead = CreateCompatibleDC(0);
  DeleteDC(dead);
  HBITMAP bitmap = CreateBitmapFromPixels(Bitmap(8, 8));
  const Bitmap before = *SurfacePixels(a);
  for (HDC bad : {0, -5, dead, bitmap, 1 << 30}) {
    EXPECT_EQ(BitBlt(a, 0, 0, 8, 8, bad, 0, 0, SRCPAINT), 0);
    EXPECT_EQ(BitBlt(bad, 0, 0, 8, 8, b, 0, 0, SRCCOPY), 0);
  }
  EXPECT_EQ(BitBlt(a, 0, 0, 8, 8, b, 0, 0, 0x00660046 /* SRCINVERT */), 0);
  EXPECT_EQ(BitBlt(a, 0, 0, 0, 8, b, 0, 0, SRCCOPY), 0);
  EXPECT_EQ(BitBlt(a, 0, 0, 8, -1, b, 0, 0, SRCCOPY), 0);
  // Extreme coordinates clip to nothing without overflowing.
  EXPECT_NE(BitBlt(a, INT32_MAX, INT32_MIN, INT32_MAX, INT32_MAX, b, INT32_MIN, 0, SRCCOPY), 0);
  EXPECT_NE(BitBlt(a, -2, 0, INT32_MAX, 8, b, INT32_MAX, 0, SRCCOPY), 0);
  EXPECT_EQ(*SurfacePixels(a), before);
  // A bitmap resized through direct access without its pixels is not read.
  SurfaceBitmap(b)->width = 100;
  EXPECT_EQ(BitBlt(a, 0, 0, 100, 8, b, 0, 0, SRCCOPY), 0);
  EXPECT_EQ(GetPixel(b, 50, 0), CLR_INVALID);
  DeleteObject(bitmap);
  DeleteDC(a);
  DeleteDC(b);
}

TEST(Objects, CreationAndPixelReadsCheckTheirArguments) {
  HDC dc = CreateCompatibleDC(0);
  EXPECT_EQ(SurfaceSize(dc), (Size{1, 1}));
  EXPECT_EQ(CreateCompatibleDC(-1), 0);
  EXPECT_EQ(CreateCompatibleBitmap(dc, 0, 5), 0);
  EXPECT_EQ(CreateCompatibleBitmap(dc, 5, kMaxBitmapSide + 1), 0);
  EXPECT_EQ(CreateCompatibleBitmap(0, 5, 5), 0);
  Bitmap lying(4, 4);
  lying.pixels.pop_back();
  EXPECT_EQ(CreateBitmapFromPixels(lying), 0);
  SelectObject(dc, CreateBitmapFromPixels(Bitmap(3, 2, rgb(1, 2, 3))));
  EXPECT_EQ(GetPixel(dc, 2, 1), 0x00030201u);
  for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {3, 0}, {0, 2}, {INT32_MIN, INT32_MAX}}) {
    EXPECT_EQ(GetPixel(dc, x, y), CLR_INVALID) << x << "," << y;
  }
  DeleteDC(dc);
  EXPECT_EQ(DeleteDC(dc), 0);
  EXPECT_EQ(GetPixel(dc, 0, 0), CLR_INVALID);
  EXPECT_EQ(SurfacePixels(dc), nullptr);
  EXPECT_EQ(SurfaceBitmap(dc), nullptr);
  EXPECT_GT(CreateCompatibleDC(0), dc);  // handles are never reused
}

TEST(Objects, DeletedBitmapStaysAliveThroughItsSurface) {
  const int live = LiveObjectCount();
  HDC dc = surfaceWith(Bitmap(2, 2, rgb(0x12, 0x34, 0x56)));
  EXPECT_EQ(GetPixel(dc, 1, 1), 0x00563412u);
  EXPECT_EQ(LiveObjectCount(), live + 1);
  HBITMAP fresh = CreateCompatibleBitmap(dc, 3, 3);
  HBITMAP stale = SelectObject(dc, fresh);
  EXPECT_GT(stale, 0);
  EXPECT_FALSE(IsBitmap(stale));
  EXPECT_EQ(SelectObject(dc, stale), 0);
  DeleteDC(dc);
  EXPECT_TRUE(IsBitmap(fresh));
  DeleteObject(fresh);
  EXPECT_EQ(LiveObjectCount(), live);
}

TEST(Objects, BitmapIsSelectedIntoOneSurfaceAtATime) {
  HDC a = CreateCompatibleDC(0);
  HDC b = CreateCompatibleDC(0);
  HBITMAP bmp = CreateCompatibleBitmap(a, 4, 4);
  HBITMAP other = CreateCompatibleBitmap(a, 5, 5);
  EXPECT_EQ(SelectObject(a, bmp), 0);  // the initial bitmap has no handle
  EXPECT_EQ(SelectObject(b, bmp), 0);
  EXPECT_EQ(SurfaceSize(b), (Size{1, 1}));
  EXPECT_EQ(SelectObject(a, bmp), bmp);  // reselecting in place changes nothing
  EXPECT_EQ(SelectObject(a, other), bmp);
  EXPECT_EQ(SelectObject(b, bmp), 0);  // free again once a let go of it
  EXPECT_EQ(SurfaceSize(b), (Size{4, 4}));
  DeleteDC(b);
  EXPECT_EQ(SelectObject(a, bmp), other);  // deleting b released it
  EXPECT_EQ(SelectObject(a, a), 0);
  EXPECT_EQ(SelectObject(bmp, other), 0);
  DeleteDC(a);
  DeleteObject(bmp);
  DeleteObject(other);
}

// --- Repeated whole copies move only what changed ---------------------------

// Random drawing on four surfaces, checked after every step against the plain
// model. The whole-surface copies between fixed pairs repeat often enough to
// take the short way, and everything that must force a full copy happens in
// between: writes through SurfaceBitmap, selecting other bitmaps, freeing and
// reallocating, bursts that overflow the change log, copies the other way.
TEST(RepeatedCopy, AlwaysEqualsThePlainCopy) {
  struct Slot {
    HDC dc = 0;
    HBITMAP bitmap = 0;
    Bitmap model;
  };
  std::mt19937 rng(20240611);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  auto make = [&](Slot& s, Bitmap pixels) {
    s.dc = CreateCompatibleDC(0);
    s.bitmap = CreateBitmapFromPixels(pixels);
    SelectObject(s.dc, s.bitmap);
    s.model = std::move(pixels);
  };
  // Two large enough that a burst of 1 x 1 writes overflows the log while
  // still covering under a quarter of them.
  const Size sizes[] = {{160, 120}, {160, 120}, {48, 40}, {40, 56}};
  Slot slots[4];
  std::map<HBITMAP, Bitmap> spare;  // unselected bitmaps and their pixels
  for (int i = 0; i < 4; ++i) {
    make(slots[i], noise(sizes[i].width, sizes[i].height, i));
    const Bitmap b = noise(sizes[i].width, sizes[i].height, 100 + i);
    spare[CreateBitmapFromPixels(b)] = b;
  }
  // {dst, src, x, y, xSrc, ySrc}: both ways between the large pair, shifted
  // one way, and a clipped copy between surfaces of different sizes.
  const int pairs[][6] = {{1, 0, 3, -2, 1, 0}, {0, 1, 0, 0, 0, 0}, {3, 2, 5, -4, 0, 0}};
  auto blit = [&](int d, int x, int y, int w, int h, int s, int sx, int sy, std::uint32_t rop) {
    Bitmap copy;  // within one surface the model reads the pixels from before
    const Bitmap* from = &slots[s].model;
    if (s == d) from = &(copy = *from);
    ASSERT_NE(BitBlt(slots[d].dc, x, y, w, h, slots[s].dc, sx, sy, rop), 0);
    model(slots[d].model, x, y, w, h, *from, sx, sy, rop);
  };
  const CopyCounts before = CopyCountsSoFar();
  const std::uint32_t rops[] = {SRCCOPY, SRCAND, SRCPAINT};
  std::array<int, 3> corner{};  // surface, x, y of the last sprite
  for (int step = 0; step < 6000; ++step) {
    const int op = pick(0, 99), k = pick(0, 3);
    Slot& slot = slots[k];
    const Size size{slot.model.width, slot.model.height};
    if (op < 35) {  // now and then only part of the same pair's copy
      const auto& p = pairs[op < 25 ? 0 : pick(0, 2)];
      const bool part = op >= 28;
      blit(p[0], p[2], p[3], part ? pick(1, 200) : 200, part ? pick(1, 200) : 200, p[1],
           p[4] + (part ? pick(0, 3) : 0), p[5] + (part ? pick(0, 3) : 0), SRCCOPY);
    } else if (op < 75) {  // sprites, partly off the edges, often at the last one's corner
      const int w = pick(1, op < 70 ? 12 : 70), h = pick(1, op < 70 ? 12 : 70);
      if (pick(0, 1)) corner = {k, pick(-w, size.width), pick(-h, size.height)};
      blit(corner[0], corner[1], corner[2], w, h, pick(0, 3), pick(-4, 40), pick(-4, 40),
           rops[pick(0, 2)]);
    } else if (op < 83) {  // drawn behind BitBlt's back
      const int x = pick(0, size.width - 1), y = pick(0, size.height - 1);
      SurfaceBitmap(slot.dc)->at(x, y) = slot.model.at(x, y) = static_cast<Pixel>(step);
    } else if (op < 85) {
      const Bitmap b = noise(size.width, size.height, step);
      *SurfaceBitmap(slot.dc) = slot.model = b;
    } else if (op < 91) {  // swap in a spare bitmap, perhaps one used before
      auto it = std::next(spare.begin(), pick(0, static_cast<int>(spare.size()) - 1));
      const HBITMAP chosen = it->first;
      Bitmap pixels = std::move(it->second);
      spare.erase(it);
      ASSERT_EQ(SelectObject(slot.dc, chosen), slot.bitmap);
      spare[slot.bitmap] = std::move(slot.model);
      slot.bitmap = chosen;
      slot.model = std::move(pixels);
    } else if (op < 95) {  // free; the next bitmap may well reuse the memory
      DeleteDC(slot.dc);
      DeleteObject(slot.bitmap);
      make(slot, noise(size.width, size.height, 7 * step));
    } else if (op < 96) {  // more rectangles than the log holds
      for (int i = 0; i < 4200; ++i) {
        const int x = pick(0, size.width - 1), y = pick(0, size.height - 1);
        blit(k, x, y, 1, 1, (k + 1) % 4, x % 40, y % 40, SRCPAINT);
      }
    }
    for (const Slot& s : slots) ASSERT_TRUE(*SurfacePixels(s.dc) == s.model) << "step " << step;
  }
  // Both ways of copying were exercised.
  EXPECT_GT(CopyCountsSoFar().changes - before.changes, 300u);
  EXPECT_GT(CopyCountsSoFar().full - before.full, 300u);
  for (Slot& s : slots) DeleteDC(s.dc), DeleteObject(s.bitmap);
  for (auto& [handle, pixels] : spare) DeleteObject(handle);
}

TEST(RepeatedCopy, SeesWritesToTheSourceThroughDirectAccess) {
  HDC background = surfaceWith(noise(64, 48, 1));
  HDC window = surfaceWith(Bitmap(64, 48));
  ASSERT_NE(BitBlt(window, 0, 0, 64, 48, background, 0, 0, SRCCOPY), 0);
  const CopyCounts first = CopyCountsSoFar();
  ASSERT_NE(BitBlt(window, 0, 0, 64, 48, background, 0, 0, SRCCOPY), 0);
  EXPECT_EQ(CopyCountsSoFar().changes, first.changes + 1);  // nothing drawn: nothing moved
  SurfaceBitmap(background)->at(40, 30) = rgb(9, 8, 7);
  ASSERT_NE(BitBlt(window, 0, 0, 64, 48, background, 0, 0, SRCCOPY), 0);
  EXPECT_EQ(GetPixel(window, 40, 30), toColorRef(rgb(9, 8, 7)));
  DeleteDC(background);
  DeleteDC(window);
}

TEST(RepeatedCopy, IsNotFooledByANewBitmapInTheMemoryOfAFreedOne) {
  HDC window = surfaceWith(Bitmap(64, 48));
  for (std::uint32_t seed = 0; seed < 20; ++seed) {
    // Each background is freed before the next is made, the same size.
    HDC background = surfaceWith(noise(64, 48, seed));
    ASSERT_NE(BitBlt(window, 0, 0, 64, 48, background, 0, 0, SRCCOPY), 0);
    ASSERT_EQ(*SurfacePixels(window), *SurfacePixels(background)) << seed;
    DeleteDC(background);
  }
  DeleteDC(window);
}

// --- Many sprites at once ----------------------------------------------------

// Frames of sprites drawn with one call, each against the same frame drawn
// with two transfers per sprite. The frames follow one another on the same
// window, so the repeated background copy is checked across the changes of
// path too: few sprites (drawn in order) and crowds (drawn from the top
// down), face-like sprites and others, sprites off the edges, a missing
// picture, source corners inside and outside the pictures, sprites of every
// size up to 72 x 72 (past the largest shape), more kinds in one batch than
// are cached, a background with and without top bytes, a copy onto part of
// the window, and a sprite drawn from the window itself. After each frame
// the window's changed area must cover what changed.
void drawFramesAgainstThePlainTransfers() {
  std::mt19937 rng(7);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  constexpr int kW = 150, kH = 100, kSide = 20, kSource = 76;
  // Discs 24 pixels apart: mask black inside, white (0x00FFFFFF) outside;
  // pictures black outside. One odd picture whose outside is not black.
  Bitmap mask(kSource, kSource, rgb(255, 255, 255));
  for (int y = 0; y < mask.height; ++y) {
    for (int x = 0; x < mask.width; ++x) {
      if ((x % 24 - 10) * (x % 24 - 10) + (y % 24 - 10) * (y % 24 - 10) < 81) mask.at(x, y) = 0;
    }
  }
  std::vector<HDC> pictures;
  for (std::uint32_t i = 0; i < 4; ++i) {
    Bitmap p = noise(mask.width, mask.height, i);
    for (std::size_t k = 0; k < p.pixels.size(); ++k) {
      if (mask.pixels[k] != 0 && i != 3) p.pixels[k] = 0;
    }
    pictures.push_back(surfaceWith(p));
  }
  const HDC maskDc = surfaceWith(mask);
  Bitmap under = noise(kW + 10, kH + 10, 99);
  for (Pixel& p : under.pixels) p |= 0x5A000000;  // top bytes for the clear pixels to clear
  const HDC background = surfaceWith(under), plainBackground = surfaceWith(noise(kW, kH, 98));
  // The reference copies from backgrounds of its own: a copy from the
  // window's background would start its change log again.
  const HDC referenceBackground = surfaceWith(under),
            referencePlain = surfaceWith(noise(kW, kH, 98));
  const HDC window = surfaceWith(Bitmap(kW, kH)), reference = surfaceWith(Bitmap(kW, kH));
  // A few large kinds, which still fit a shape and the kind cache, and in
  // one crowd a sprite too wide for a shape among them.
  constexpr std::array<std::array<int, 2>, 6> kLarge{
      {{56, 64}, {33, 47}, {1, 1}, {7, 64}, {56, 9}, {64, 40}}};

  std::vector<MaskedSprite> sprites;
  ChangedArea changed;
  Bitmap shown;
  for (int frame = 0; frame < 40; ++frame) {
    // Now and then more sprites than a change log holds.
    const int count = frame % 6 < 2    ? pick(1, 6)
                      : frame % 6 == 2 ? pick(8, 40)
                      : frame % 6 == 5 ? pick(4100, 5000)
                                       : pick(60, 600);
    // Two frames in a row share a background and its offset, so that the
    // second repeats the first's copy.
    const bool odd = frame % 5 == 4, fromWindow = frame == 17, top = frame / 2 % 2 == 0;
    const bool large = frame % 8 == 2 || frame == 5 || frame == 23;
    const bool anySize = frame % 8 == 6 || frame == 29;
    sprites.clear();
    for (int i = 0; i < count; ++i) {
      int w = kSide, h = kSide;
      const int kinds = frame == 23 ? 6 : 5;
      if (large) w = kLarge[i % kinds][0], h = kLarge[i % kinds][1];
      if (anySize) w = pick(1, 72), h = pick(1, 72);
      MaskedSprite s{
          pick(-w, kW), pick(-h, kH), w, h, maskDc, pictures[odd ? pick(0, 3) : pick(0, 2)]};
      if (anySize) s.xSrc = pick(0, kSource - w), s.ySrc = pick(0, kSource - h);
      if (odd && i % 7 == 0) s.picture = 0, s.xSrc = pick(-3, 8), s.ySrc = pick(-3, 8);
      if (fromWindow && i == count / 2) s.picture = window;
      sprites.push_back(s);
    }
    const HDC bg = top ? background : plainBackground;
    const int ox = top ? frame / 2 % 10 : 0, oy = top ? frame / 4 % 10 : 0;
    // Now and then the copy covers only part of the window.
    const int cx = frame % 7 == 5 ? 7 : 0, cy = frame % 7 == 5 ? 3 : 0;
    const int cw = kW - 3 * cx, ch = kH - 4 * cy;
    if (frame % 4 == 3) {
      ASSERT_NE(BitBlt(window, cx, cy, cw, ch, bg, ox, oy, SRCCOPY), 0);
      DrawMaskedSprites(window, sprites.data(), sprites.size());
    } else {
      CopyAndDrawSprites(window, cx, cy, cw, ch, bg, ox, oy, sprites.data(), sprites.size());
    }
    SurfaceBitmap(reference);  // a full copy, then the transfers one by one
    ASSERT_NE(BitBlt(reference, cx, cy, cw, ch, top ? referenceBackground : referencePlain, ox, oy,
                     SRCCOPY),
              0);
    for (const MaskedSprite& s : sprites) {
      const HDC picture = s.picture == window ? reference : s.picture;
      BitBlt(reference, s.x, s.y, s.width, s.height, s.mask, s.xSrc, s.ySrc, SRCAND);
      BitBlt(reference, s.x, s.y, s.width, s.height, picture, s.xSrc, s.ySrc, SRCPAINT);
    }
    ASSERT_EQ(*SurfacePixels(window), *SurfacePixels(reference)) << "frame " << frame;

    // What the window lists as changed covers every pixel that differs
    // from the frame before: a screen sent only that shows this frame.
    TakeChangedArea(window, changed);
    if (frame > 0) {
      EXPECT_TRUE(frame < 2 || !changed.all || sprites.size() > 100) << "frame " << frame;
      for (int y = 0; y < kH && !changed.all; ++y) {
        for (int x = 0; x < kW; ++x) {
          if (shown.at(x, y) == SurfacePixels(window)->at(x, y)) continue;
          const bool listed = std::any_of(changed.rects.begin(), changed.rects.end(), [&](auto r) {
            return x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height;
          });
          ASSERT_TRUE(listed) << "frame " << frame << " pixel " << x << "," << y;
        }
      }
    }
    shown = *SurfacePixels(window);
  }
  for (HDC dc : pictures) DeleteDC(dc);
  for (HDC dc : {maskDc, background, plainBackground, referenceBackground, referencePlain, window,
                 reference}) {
    DeleteDC(dc);
  }
}

// A band's buffer keeps to half the second-level cache, within the sizes
// that keep bands from cutting most sprites in two.
TEST(MaskedSprites, BandsFitHalfTheSecondLevelCache) {
  constexpr std::size_t KiB = 1024;
  EXPECT_EQ(paths::bandPixelsFor(2048 * KiB), std::size_t{1} << 18);   // a 1 MiB buffer
  EXPECT_EQ(paths::bandPixelsFor(32768 * KiB), std::size_t{1} << 18);  // no larger
  EXPECT_EQ(paths::bandPixelsFor(1280 * KiB), std::size_t{1} << 17);
  EXPECT_EQ(paths::bandPixelsFor(512 * KiB), std::size_t{1} << 16);
  EXPECT_EQ(paths::bandPixelsFor(256 * KiB), std::size_t{1} << 16);  // no smaller
  EXPECT_EQ(paths::bandPixelsFor(0), std::size_t{1} << 18);          // unknown
}

// The frames above with every set of vector instructions the processor has,
// each with the sizes of the game and with sizes that give the small window
// many bands (8 rows; 2 for sprites drawn in order), so that pieces cross
// band edges and later bands are cleared, once written through the cache
// and once past it. Every path of compose_paths.h must have been taken.
TEST(MaskedSprites, EqualThePlainTransfersOnEveryPath) {
  using paths::Vectors;
  const paths::PathCounts before = paths::PathCountsSoFar();
  const paths::Tuning game = paths::tuning();
  paths::Tuning bands = game;
  bands.bandPixels = 150 * 8;
  paths::Tuning streamed = bands;
  streamed.streamPixels = 1;
  for (const Vectors v : {Vectors::None, Vectors::Avx2, Vectors::Avx512}) {
    if (paths::limitVectors(v) != v) {
      // Visible in the test's output: this processor cannot check that path.
      std::printf("SKIPPED: the %s path, which this processor lacks\n", paths::vectorsName(v));
      continue;
    }
    for (const paths::Tuning& t : {game, bands, streamed}) {
      paths::tune(t);
      SCOPED_TRACE(std::string(paths::vectorsName(v)) + ", band pixels " +
                   std::to_string(t.bandPixels) + ", streaming from " +
                   std::to_string(t.streamPixels));
      drawFramesAgainstThePlainTransfers();
      if (::testing::Test::HasFatalFailure()) break;
    }
  }
  paths::tune(game);
  paths::limitVectors(Vectors::Avx512);

  const paths::PathCounts after = paths::PathCountsSoFar();
  const Vectors most = paths::vectorsAvailable();
  for (int p = 0; p < paths::kPaths; ++p) {
    const auto path = static_cast<paths::Path>(p);
    if ((path == paths::Path::TopDownAvx2 && most < Vectors::Avx2) ||
        (path == paths::Path::TopDownAvx512 && most < Vectors::Avx512)) {
      continue;
    }
    EXPECT_GT(after.batches[p], before.batches[p]) << "path " << p;
  }
  EXPECT_GT(after.crowds, before.crowds);
  EXPECT_GT(after.oversize, before.oversize);
  EXPECT_GT(after.splitPieces, before.splitPieces);
  EXPECT_GT(after.clearedBands, before.clearedBands);
  if (most != Vectors::None) {
    EXPECT_GT(after.streamedBands, before.streamedBands);
    EXPECT_GT(after.wideInOrder, before.wideInOrder);
  }
}

}  // namespace
}  // namespace grinzo::gdi
