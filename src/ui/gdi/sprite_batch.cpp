#include "ui/gdi/sprite_batch.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace grinzo::gdi::batch {
namespace {

constexpr Pixel kAllOnes = 0xFFFFFFFFu;
constexpr Pixel kColour = 0x00FFFFFFu;
constexpr Pixel kTopByte = 0xFF000000u;

// Window pixels per band of rows: the band's part of the frame stays in the
// cache while every sprite over it is drawn.
constexpr std::size_t kBandPixels = std::size_t{1} << 18;
constexpr int kTileShift = 3;
constexpr int kTile = 1 << kTileShift;
// Sprite area per window pixel from which tiles are kept.
constexpr std::int64_t kTileDepth = 8;

#if defined(__GNUC__) || defined(__clang__)
using Pixels4 = Pixel __attribute__((vector_size(16)));
inline Pixels4 load4(const Pixel* p) {
  Pixels4 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
inline void store4(Pixel* p, Pixels4 v) { std::memcpy(p, &v, sizeof v); }

#endif

// d = (d & m) | p over one row; a missing mask is all ones, a missing picture 0.
void applyRow(Pixel* d, const Pixel* m, const Pixel* p, int n) {
  int i = 0;
#if defined(__GNUC__) || defined(__clang__)
  if (m && p) {
    for (; i + 4 <= n; i += 4) store4(d + i, (load4(d + i) & load4(m + i)) | load4(p + i));
  } else if (m) {
    for (; i + 4 <= n; i += 4) store4(d + i, load4(d + i) & load4(m + i));
  } else {
    for (; i + 4 <= n; i += 4) store4(d + i, load4(d + i) | load4(p + i));
  }
#endif
  for (; i < n; ++i) d[i] = (d[i] & (m ? m[i] : kAllOnes)) | (p ? p[i] : 0);
}

// Rows of bits are bytes, bit i of a row in bit i % 8 of byte i / 8, with
// eight spare bytes at the end: any 57 bits from any bit on are one 8-byte
// load and a shift.
inline std::uint64_t load64(const std::uint8_t* p) {
  std::uint64_t v;
  std::memcpy(&v, p, sizeof v);
  if constexpr (std::endian::native == std::endian::big) {
    std::uint64_t swapped = 0;
    for (int i = 0; i < 8; ++i) swapped |= ((v >> (8 * i)) & 0xFF) << (56 - 8 * i);
    v = swapped;
  }
  return v;
}
inline void store64(std::uint8_t* p, std::uint64_t v) {
  if constexpr (std::endian::native == std::endian::big) {
    std::uint64_t swapped = 0;
    for (int i = 0; i < 8; ++i) swapped |= ((v >> (8 * i)) & 0xFF) << (56 - 8 * i);
    v = swapped;
  }
  std::memcpy(p, &v, sizeof v);
}
// Bits x and on (57 of them at least) of a row of bits.
inline std::uint64_t bitsAt(const std::uint8_t* row, int x) {
  return load64(row + (x >> 3)) >> (x & 7);
}
// Sets the bits of v (at most 57 bits wide) from bit x on.
inline void setBitsAt(std::uint8_t* row, int x, std::uint64_t v) {
  std::uint8_t* p = row + (x >> 3);
  store64(p, load64(p) | (v << (x & 7)));
}

// Copies n pixels; the rows must not overlap.
inline void copyRun(Pixel* d, const Pixel* s, int n) {
#if defined(__GNUC__) || defined(__clang__)
  if (n >= 4) {
    // Four at a time, the last four overlapping the ones before if need be.
    for (int i = 0; i + 4 < n; i += 4) store4(d + i, load4(s + i));
    store4(d + n - 4, load4(s + n - 4));
    return;
  }
#endif
  for (int i = 0; i < n; ++i) d[i] = s[i];
}

// Copies n pixels from s (nullptr: leaves them) and returns all their bits
// ORed together.
Pixel copyAndLook(Pixel* d, const Pixel* s, int n) {
  Pixel found = 0;
  int i = 0;
#if defined(__GNUC__) || defined(__clang__)
  Pixels4 found4 = {};
  if (s) {
    for (; i + 4 <= n; i += 4) {
      const Pixels4 v = load4(s + i);
      found4 |= v;
      store4(d + i, v);
    }
  } else {
    for (; i + 4 <= n; i += 4) found4 |= load4(d + i);
  }
  found = found4[0] | found4[1] | found4[2] | found4[3];
#endif
  for (; i < n; ++i) {
    if (s) d[i] = s[i];
    found |= d[i];
  }
  return found;
}

// A hint that a row is about to be written (and perhaps read).
inline void prefetchForWriting(const Pixel* p, int n) {
#if defined(__GNUC__) || defined(__clang__)
  for (int i = 0; i < n; i += 16) __builtin_prefetch(p + i, 1);
  __builtin_prefetch(p + n - 1, 1);
#else
  (void)p;
  (void)n;
#endif
}

inline int lowestBit(std::uint64_t v) {
#if defined(__GNUC__) || defined(__clang__)
  return __builtin_ctzll(v);
#else
  int i = 0;
  while (!(v & 1)) v >>= 1, ++i;
  return i;
#endif
}

}  // namespace

void classify(const Op& op, Shape& shape) {
  shape.pictureStride = op.pictureStride;
  shape.width = op.width;
  shape.height = op.height;
  shape.simple = true;
  for (int r = 0; r < op.height; ++r) {
    std::uint64_t opaque = 0, clear = 0;
    for (int i = 0; i < op.width; ++i) {
      const Pixel m = op.mask ? op.mask[r * op.maskStride + i] : kAllOnes;
      const Pixel p = op.picture ? op.picture[r * op.pictureStride + i] : 0;
      const std::uint64_t bit = std::uint64_t{1} << i;
      if (m == 0 && (p & kTopByte) == 0) {
        opaque |= bit;
      } else if (m == kColour && p == 0) {
        clear |= bit;
      } else if (m != kAllOnes || p != 0) {
        shape.simple = false;
      }
    }
    shape.opaque[r] = opaque;
    shape.clear[r] = clear;
    shape.runStart[r] = shape.runLength[r] = 0;
    if (opaque != 0) {
      const int start = lowestBit(opaque);
      const std::uint64_t run = opaque >> start;
      if ((run & (run + 1)) == 0) {  // one run of ones
        shape.runStart[r] = static_cast<std::uint8_t>(start);
        shape.runLength[r] = static_cast<std::uint8_t>(lowestBit(~run));
      }
    }
  }
}

void drawInOrder(Bitmap& dst, const std::vector<Op>& ops) {
  // A sprite's rows lie a window row apart, each a cache miss of its own;
  // asking for the rows of the sprite after next lets the misses overlap.
  constexpr std::size_t kAhead = 2;
  for (std::size_t k = 0; k < ops.size(); ++k) {
    if (k + kAhead < ops.size()) {
      const Op& next = ops[k + kAhead];
      const Pixel* row =
          dst.pixels.data() + static_cast<std::ptrdiff_t>(next.y) * dst.width + next.x;
      for (int r = 0; r < next.height; ++r, row += dst.width) prefetchForWriting(row, next.width);
    }
    const Op& op = ops[k];
    Pixel* d = dst.pixels.data() + static_cast<std::ptrdiff_t>(op.y) * dst.width + op.x;
    const Pixel* m = op.mask;
    const Pixel* p = op.picture;
    for (int r = 0; r < op.height; ++r, d += dst.width) {
      applyRow(d, m, p, op.width);
      if (m) m += op.maskStride;
      if (p) p += op.pictureStride;
    }
  }
}

void TopDown::draw(Bitmap& dst, const std::vector<Op>& ops, const Under* under) {
  rowBytes_ = (dst.width + 7) / 8 + 8;
  tileRowBytes_ = (dst.width / kTile + 7) / 8 + 8;
  // Whole tiles of rows per band.
  const int bandRows = static_cast<int>(std::max<std::size_t>(
      kTile, kBandPixels / static_cast<std::size_t>(dst.width) / kTile * kTile));
  const std::size_t bits = static_cast<std::size_t>(rowBytes_) * static_cast<std::size_t>(bandRows);
  if (hidden_.size() != bits) {
    hidden_.assign(bits, 0);
    clear_.assign(bits, 0);
  }
  tiles_.assign(static_cast<std::size_t>(tileRowBytes_) * (bandRows / kTile), 0);

  // The ops of each band in their order, by counting; an op lands in every
  // band it reaches.
  const int bands = (dst.height + bandRows - 1) / bandRows;
  bandStart_.assign(static_cast<std::size_t>(bands) + 1, 0);
  std::int64_t area = 0;
  for (const Op& op : ops) {
    for (int b = op.y / bandRows; b <= (op.y + op.height - 1) / bandRows; ++b) ++bandStart_[b + 1];
    area += static_cast<std::int64_t>(op.width) * op.height;
  }
  for (int b = 0; b < bands; ++b) bandStart_[b + 1] += bandStart_[b];
  pieces_.resize(bandStart_[bands]);
  next_.assign(bandStart_.begin(), bandStart_.end() - 1);
  for (const Op& op : ops) {
    for (int b = op.y / bandRows; b <= (op.y + op.height - 1) / bandRows; ++b) {
      pieces_[next_[b]++] = Piece{op.shape,
                                  op.picture,
                                  static_cast<std::int16_t>(op.x),
                                  static_cast<std::int16_t>(op.y),
                                  static_cast<std::uint8_t>(op.width),
                                  static_cast<std::uint8_t>(op.height),
                                  static_cast<std::uint8_t>(op.shapeX),
                                  static_cast<std::uint8_t>(op.shapeY)};
    }
  }
  // Tiles pay where most sprites lie under others.
  useTiles_ = area >= kTileDepth * static_cast<std::int64_t>(dst.width) * dst.height;

  for (int b = 0; b < bands; ++b) {
    const int top = b * bandRows, bottom = std::min(top + bandRows, dst.height);
    // The background first, which also brings the band into the cache for
    // the sprites. Where no pixel under the sprites has a top byte, clear
    // pixels change nothing and are not even tracked.
    // A deep crowd hides nearly all of the background: only what still shows
    // is copied, after the faces, into rows asked for beforehand. Otherwise
    // the background comes first, which also brings the band into the cache
    // for the faces; where none of its pixels has a top byte, clear pixels
    // change nothing and are not even tracked.
    const bool fillAfter = useTiles_ && under;
    if (fillAfter) {
      for (int y = top; y < bottom; ++y) {
        prefetchForWriting(dst.pixels.data() + static_cast<std::ptrdiff_t>(y) * dst.width,
                           dst.width);
      }
      trackClear_ = true;
    } else {
      trackClear_ = prepareBand(dst, under, top, bottom) != 0;
    }
    drawBand(dst, b, top, bottom);
    for (int y = top; y < bottom; ++y) {
      Pixel* d = dst.pixels.data() + static_cast<std::ptrdiff_t>(y) * dst.width;
      if (fillAfter && y >= under->y && y < under->y + under->height) {
        const Pixel* s = under->pixels + (y - under->y) * under->stride - under->x;
        finishRow(d, s, under->x, under->x + under->width, dst.width, y - top);
      } else {
        finishRow(d, nullptr, 0, 0, dst.width, y - top);
      }
    }
  }
}

// Copies the background's rows of the band; returns the top bytes found in
// the band's pixels, ORed together.
Pixel TopDown::prepareBand(Bitmap& dst, const Under* under, int top, int bottom) {
  Pixel found = 0;
  for (int y = top; y < bottom; ++y) {
    Pixel* row = dst.pixels.data() + static_cast<std::ptrdiff_t>(y) * dst.width;
    if (under && y >= under->y && y < under->y + under->height) {
      found |=
          copyAndLook(row + under->x, under->pixels + (y - under->y) * under->stride, under->width);
      found |= copyAndLook(row, nullptr, under->x);
      found |=
          copyAndLook(row + under->x + under->width, nullptr, dst.width - under->x - under->width);
    } else {
      found |= copyAndLook(row, nullptr, dst.width);
    }
  }
  return found & kTopByte;
}

// Draws the band's part of its ops, the topmost first: of each row, the
// opaque pixels where nothing above is opaque. Clear pixels are only
// gathered, for finishRow.
void TopDown::drawBand(Bitmap& dst, int band, int top, int bottom) {
  for (std::uint32_t k = bandStart_[band + 1]; k-- > bandStart_[band];) {
    const Piece& op = pieces_[k];
    const Shape& shape = *op.shape;
    const int y = op.y;
    const int r0 = std::max(y, top) - y, r1 = std::min(y + op.height, bottom) - y;
    // Coordinates inside a bitmap are not negative: shifts, not divisions.
    const int tileLeft = op.x >> kTileShift, tileRight = (op.x + op.width - 1) >> kTileShift;
    const int tileTop = (y + r0 - top) >> kTileShift, tileBottom = (y + r1 - 1 - top) >> kTileShift;
    if (useTiles_ && allTilesHidden(tileTop, tileBottom, tileLeft, tileRight)) continue;

    const std::ptrdiff_t at = static_cast<std::ptrdiff_t>(op.y + r0 - top) * rowBytes_;
    std::uint8_t* hiddenRow = hidden_.data() + at;
    std::uint8_t* clearRow = clear_.data() + at;
    Pixel* d = dst.pixels.data() + static_cast<std::ptrdiff_t>(op.y + r0) * dst.width + op.x;
    // An op without a picture draws black.
    static const Pixel kBlack[kMaxShapeWidth] = {};
    const Pixel* p = op.picture ? op.picture + r0 * shape.pictureStride : kBlack;
    const std::ptrdiff_t pStep = op.picture ? shape.pictureStride : 0;
    // Locals: the bits are written through byte pointers, which may alias
    // any member, so members would be read again after every write.
    const int x = op.x;
    const bool trackClear = trackClear_;
    const std::ptrdiff_t bytes = rowBytes_, stride = dst.width;
    // A clipped op reads its part of the shape.
    const int shiftX = op.shapeX;
    const std::uint64_t inside = (std::uint64_t{1} << op.width) - 1;
    const bool whole = shiftX == 0 && op.width == shape.width;
    const std::uint64_t* shapeOpaque = shape.opaque + op.shapeY;
    const std::uint64_t* shapeClear = shape.clear + op.shapeY;
    const std::uint8_t* runStart = shape.runStart + op.shapeY;
    const std::uint8_t* runLength = shape.runLength + op.shapeY;
    bool drewOpaque = false;
    for (int r = r0; r < r1; ++r, hiddenRow += bytes, clearRow += bytes, d += stride, p += pStep) {
      if (trackClear) setBitsAt(clearRow, x, (shapeClear[r] >> shiftX) & inside);
      const std::uint64_t mine = (shapeOpaque[r] >> shiftX) & inside;
      std::uint64_t opaque = mine & ~bitsAt(hiddenRow, x);
      if (opaque == 0) continue;
      setBitsAt(hiddenRow, x, opaque);
      drewOpaque = true;
      if (whole && opaque == mine && runLength[r] > 0) {
        copyRun(d + runStart[r], p + runStart[r], runLength[r]);
        continue;
      }
      // Run after run of new pixels.
      while (opaque != 0) {
        const int i = lowestBit(opaque);
        const int n = lowestBit(~(opaque >> i));  // opaque has bits below 57 only
        copyRun(d + i, p + i, n);
        opaque &= ~std::uint64_t{0} << (n + i);
      }
    }
    if (useTiles_ && drewOpaque) updateTiles(tileTop, tileBottom, tileLeft, tileRight);
  }
}

bool TopDown::allTilesHidden(int tileTop, int tileBottom, int tileLeft, int tileRight) const {
  const std::uint64_t wanted = (std::uint64_t{1} << (tileRight - tileLeft + 1)) - 1;
  const std::uint8_t* row = tiles_.data() + static_cast<std::ptrdiff_t>(tileTop) * tileRowBytes_;
  for (int t = tileTop; t <= tileBottom; ++t, row += tileRowBytes_) {
    if ((bitsAt(row, tileLeft) & wanted) != wanted) return false;
  }
  return true;
}

// Marks the tiles among these whose every pixel is now hidden.
void TopDown::updateTiles(int tileTop, int tileBottom, int tileLeft, int tileRight) {
  for (int t = tileTop; t <= tileBottom; ++t) {
    for (int first = tileLeft; first <= tileRight; first += 8) {
      const int x = first * kTile;  // a whole byte: all 64 bits come in one load
      std::uint64_t all = ~std::uint64_t{0};
      const std::uint8_t* row = hidden_.data() + static_cast<std::ptrdiff_t>(t) * kTile * rowBytes_;
      for (int r = 0; r < kTile; ++r, row += rowBytes_) all &= bitsAt(row, x);
      // A byte of all ones is a hidden tile: fold each byte into its low
      // bit, then gather the eight low bits into one byte.
      all &= all >> 4;
      all &= all >> 2;
      all &= all >> 1;
      all &= 0x0101010101010101u;
      std::uint64_t hidden = (all * 0x0102040810204080u) >> 56;
      const int count = std::min(8, tileRight - first + 1);
      hidden &= (std::uint64_t{1} << count) - 1;
      setBitsAt(tiles_.data() + static_cast<std::ptrdiff_t>(t) * tileRowBytes_, first, hidden);
    }
  }
}

// Finishes a row of the band and forgets its bits: where no sprite is
// opaque, the background (s[x] for columns from .. to, if any), its top
// byte cleared where a clear pixel lies over it. Opaque pixels have no top
// byte to clear.
void TopDown::finishRow(Pixel* d, const Pixel* s, int from, int to, int width, int bandRow) {
  std::uint8_t* hiddenRow = hidden_.data() + static_cast<std::ptrdiff_t>(bandRow) * rowBytes_;
  std::uint8_t* clearRow = clear_.data() + static_cast<std::ptrdiff_t>(bandRow) * rowBytes_;
  for (int base = 0; base < width; base += 64) {
    const int n = std::min(64, width - base);
    const std::uint64_t inRow = n == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << n) - 1;
    const std::uint64_t open = ~load64(hiddenRow + base / 8) & inRow;
    if (open == 0 || (!s && !trackClear_)) continue;
    Pixel* at = d + base;
    if (s && from < base + n && to > base) {
      const int lo = std::max(from, base) - base, hi = std::min(to, base + n) - base;
      std::uint64_t copy = open & (hi == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << hi) - 1) &
                           ~((std::uint64_t{1} << lo) - 1);
      const Pixel* under = s + base;
      while (copy != 0) {  // run after run of the background
        const int i = lowestBit(copy);
        const std::uint64_t rest = copy >> i;
        const int length = ~rest == 0 ? 64 - i : lowestBit(~rest);
        copyRun(at + i, under + i, length);
        copy = i + length >= 64 ? 0 : copy & (~std::uint64_t{0} << (i + length));
      }
    }
    if (!trackClear_) continue;
    for (std::uint64_t left = load64(clearRow + base / 8) & open; left != 0; left &= left - 1) {
      at[lowestBit(left)] &= kColour;
    }
  }
  std::fill_n(hiddenRow, rowBytes_, 0);
  if (trackClear_) std::fill_n(clearRow, rowBytes_, 0);
  if (useTiles_ && bandRow % kTile == 0) {
    std::fill_n(tiles_.data() + static_cast<std::ptrdiff_t>(bandRow / kTile) * tileRowBytes_,
                tileRowBytes_, 0);
  }
}

}  // namespace grinzo::gdi::batch
