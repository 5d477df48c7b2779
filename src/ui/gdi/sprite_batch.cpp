#include "ui/gdi/sprite_batch.h"

#include "ui/gdi/row_kernels.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace grinzo::gdi::batch {
using band::bitsAt;
using band::load64;
using band::setBitsAt;
namespace {

using detail::lowestBit;
using detail::prefetchForWriting;
#ifdef GRINZO_PIXELS4
using detail::load4;
using detail::store4;
#endif
using paths::Path;
using paths::Vectors;

constexpr Pixel kAllOnes = 0xFFFFFFFFu;
constexpr Pixel kColour = 0x00FFFFFFu;
constexpr Pixel kTopByte = 0xFF000000u;
constexpr int kTileShift = 3;
constexpr int kTile = 1 << kTileShift;

// d = (d & m) | p over one row; a missing mask is all ones, a missing picture 0.
void applyRow(Pixel* d, const Pixel* m, const Pixel* p, int n) {
  int i = 0;
#ifdef GRINZO_PIXELS4
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

// Copies n pixels; the rows must not overlap.
inline void copyRun(Pixel* d, const Pixel* s, int n) {
#ifdef GRINZO_PIXELS4
  if (n >= 4) {
    // Four at a time, the last four overlapping the ones before if need be.
    for (int i = 0; i + 4 < n; i += 4) store4(d + i, load4(s + i));
    store4(d + n - 4, load4(s + n - 4));
    return;
  }
#endif
  for (int i = 0; i < n; ++i) d[i] = s[i];
}

// Rows per band, a power of two so that a row's band is a shift: as many as
// fit `pixels` of a row `width` wide, and 2^least at the least.
int bandShift(int width, std::size_t pixels, int least) {
  int shift = least;
  while ((std::size_t{2} << shift) * static_cast<std::size_t>(width) <= pixels) ++shift;
  return shift;
}

}  // namespace

void classify(const Op& op, Shape& shape, std::ptrdiff_t pictureLeft) {
  shape.pictureStride = op.pictureStride;
  shape.wideRows = 0;
  while (shape.wideRows < op.height &&
         static_cast<std::ptrdiff_t>(shape.wideRows) * op.pictureStride + kMaxShapeWidth + 64 <=
             pictureLeft) {
    ++shape.wideRows;
  }
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

void InOrderOver::draw(Bitmap& dst, const std::vector<Op>& ops, const Under& under) {
  [[maybe_unused]] const Vectors vectors = paths::vectorsInUse();
  [[maybe_unused]] std::uint64_t wide = 0;
  const int shift = bandShift(dst.width, paths::tuning().bandPixels >> paths::kInOrderBandShift, 0);
  const int bands = ((dst.height - 1) >> shift) + 1;
  if (bandOps_.size() < static_cast<std::size_t>(bands)) bandOps_.resize(bands);
  for (int k = 0; k < bands; ++k) bandOps_[k].clear();
  for (std::size_t i = 0; i < ops.size(); ++i) {
    const Op& op = ops[i];
    for (int k = op.y >> shift; k <= (op.y + op.height - 1) >> shift; ++k) {
      bandOps_[k].push_back(static_cast<std::uint32_t>(i));
    }
  }
  for (int k = 0; k < bands; ++k) {
    const int top = k << shift, bottom = std::min(top + (1 << shift), dst.height);
    for (int y = std::max(top, under.y); y < std::min(bottom, under.y + under.height); ++y) {
      std::memcpy(dst.pixels.data() + static_cast<std::ptrdiff_t>(y) * dst.width + under.x,
                  under.pixels + (y - under.y) * under.stride,
                  static_cast<std::size_t>(under.width) * sizeof(Pixel));
    }
    for (const std::uint32_t i : bandOps_[k]) {
      const Op& op = ops[i];
      const int r0 = std::max(op.y, top) - op.y, r1 = std::min(op.y + op.height, bottom) - op.y;
      Pixel* d = dst.pixels.data() + static_cast<std::ptrdiff_t>(op.y + r0) * dst.width + op.x;
      const Pixel* m =
          op.mask ? op.mask + static_cast<std::ptrdiff_t>(r0) * op.maskStride : nullptr;
      const Pixel* p =
          op.picture ? op.picture + static_cast<std::ptrdiff_t>(r0) * op.pictureStride : nullptr;
#ifdef GRINZO_VECTOR_PATHS
      if (vectors != Vectors::None && op.width >= paths::kWideApplyMinWidth) {
        if (vectors == Vectors::Avx512) {
          band::avx512::apply(d, dst.width, m, op.maskStride, p, op.pictureStride, op.width,
                              r1 - r0);
        } else {
          band::avx2::apply(d, dst.width, m, op.maskStride, p, op.pictureStride, op.width, r1 - r0);
        }
        ++wide;
        continue;
      }
#endif
      for (int r = r0; r < r1; ++r, d += dst.width) {
        applyRow(d, m, p, op.width);
        if (m) m += op.maskStride;
        if (p) p += op.pictureStride;
      }
    }
  }
  paths::pathCounts().wideInOrder += wide;
}

namespace band {

bool drawPiece(const Piece& piece, const Band& b) {
  const Shape& shape = *piece.shape;
  const int y = piece.y;
  const int r0 = std::max(y, b.top) - y, r1 = std::min(y + piece.height, b.bottom) - y;
  GRINZO_ASSERT(r0 < r1 && piece.x + piece.width <= b.stride);
  const std::ptrdiff_t at = static_cast<std::ptrdiff_t>(y + r0 - b.top);
  std::uint8_t* hiddenRow = b.hidden + at * b.rowBytes;
  Pixel* d = b.scratch + at * b.stride + piece.x;
  // A piece without a picture draws black.
  static const Pixel kBlack[kMaxShapeWidth] = {};
  const Pixel* p = piece.picture ? piece.picture + r0 * shape.pictureStride : kBlack;
  const std::ptrdiff_t pStep = piece.picture ? shape.pictureStride : 0;
  // Locals: the bits are written through byte pointers, which may alias
  // anything, so fields would be read again after every write.
  const int x = piece.x;
  const std::ptrdiff_t bytes = b.rowBytes, stride = b.stride;
  // A clipped piece reads its part of the shape.
  const int shiftX = piece.shapeX;
  const std::uint64_t inside = (std::uint64_t{1} << piece.width) - 1;
  const bool whole = shiftX == 0 && piece.width == shape.width;
  const std::uint64_t* shapeOpaque = shape.opaque + piece.shapeY;
  const std::uint8_t* runStart = shape.runStart + piece.shapeY;
  const std::uint8_t* runLength = shape.runLength + piece.shapeY;
  bool drew = false;
  for (int r = r0; r < r1; ++r, hiddenRow += bytes, d += stride, p += pStep) {
    const std::uint64_t mine = (shapeOpaque[r] >> shiftX) & inside;
    std::uint64_t opaque = mine & ~bitsAt(hiddenRow, x);
    if (opaque == 0) continue;
    setBitsAt(hiddenRow, x, opaque);
    drew = true;
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
  return drew;
}

Pixel finishRow(Pixel* d, const Band& b, int row, int width, const Source& source) {
  const std::uint8_t* hiddenRow = b.hidden + static_cast<std::ptrdiff_t>(row) * b.rowBytes;
  const Pixel* sc = b.scratch + static_cast<std::ptrdiff_t>(row) * b.stride;
  Pixel found = 0;
  if (source.from == 0 && source.to == width) {
    // The source under all of the row: the buffer's row is copied whole,
    // then the pixels no sprite hides are taken from the source - fewer and
    // longer copies than run by run.
    std::memcpy(d, sc, static_cast<std::size_t>(width) * sizeof(Pixel));
    for (int base = 0; base < width; base += 64) {
      const int n = std::min(64, width - base);
      const std::uint64_t inRow = n == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << n) - 1;
      std::uint64_t open = ~load64(hiddenRow + base / 8) & inRow;
      while (open != 0) {  // run after run
        const int i = lowestBit(open);
        const std::uint64_t rest = open >> i;
        const int length = ~rest == 0 ? 64 - i : lowestBit(~rest);
        const int c = base + i;
        copyRun(d + c, source.pixels + c, length);
        for (int k = c; k < c + length; ++k) found |= d[k];
        open = i + length >= 64 ? 0 : open & (~std::uint64_t{0} << (i + length));
      }
    }
    return found & kTopByte;
  }
  for (int base = 0; base < width; base += 64) {
    const int n = std::min(64, width - base);
    const std::uint64_t inRow = n == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << n) - 1;
    const std::uint64_t hidden = load64(hiddenRow + base / 8) & inRow;
    // Runs of the same kind: hidden (from the buffer) or open.
    for (int i = 0; i < n;) {
      const std::uint64_t rest = (i == 0 ? hidden : hidden >> i);
      const bool fromBuffer = rest & 1;
      const std::uint64_t same = fromBuffer ? ~rest : rest;
      const int length = std::min(n - i, same == 0 ? 64 - i : lowestBit(same));
      const int c = base + i;
      if (fromBuffer) {
        copyRun(d + c, sc + c, length);
      } else {
        const int lo = std::clamp(source.from, c, c + length);
        const int hi = std::clamp(source.to, lo, c + length);
        if (hi > lo) copyRun(d + lo, source.pixels + (lo - source.from), hi - lo);
        for (int k = c; k < c + length; ++k) found |= d[k];
      }
      i += length;
    }
  }
  return found & kTopByte;
}

}  // namespace band

void TopDown::begin(int width, int height) {
  // Whole tiles of rows per band.
  bandShift_ = bandShift(width, paths::tuning().bandPixels, kTileShift);
  // The lists keep their room from frame to frame.
  const int bandRows = 1 << bandShift_;
  bands_ = (height + bandRows - 1) / bandRows;
  if (bandPieces_.size() < static_cast<std::size_t>(bands_)) bandPieces_.resize(bands_);
  for (int k = 0; k < bands_; ++k) bandPieces_[k].clear();
  area_ = 0;
  splitPieces_ = 0;
}

void TopDown::draw(Bitmap& dst, const Under* under, Path path) {
  GRINZO_ASSERT(paths::isTopDown(path));
  GRINZO_ASSERT(bands_ == ((dst.height - 1) >> bandShift_) + 1);
  const int bandRows = 1 << bandShift_;
  rowBytes_ = (dst.width + 7) / 8 + 8;
  tileRowBytes_ = (dst.width / kTile + 7) / 8 + 8;
  // Eight spare rows of bits: rows are read eight at a time.
  const std::size_t bits =
      static_cast<std::size_t>(rowBytes_) * static_cast<std::size_t>(bandRows + 8);
  if (hidden_.size() != bits) hidden_.assign(bits, 0);
  // Room for a whole vector written from the last pixel on, and for lining
  // the buffer's rows up with the destination's in the cache's lines.
  scratch_.resize(static_cast<std::size_t>(dst.width) * bandRows + 80);
  tiles_.assign(static_cast<std::size_t>(tileRowBytes_) * (bandRows / kTile), 0);
  const int bands = bands_;
  vectors_ = path == Path::TopDownAvx512 ? Vectors::Avx512
             : path == Path::TopDownAvx2 ? Vectors::Avx2
                                         : Vectors::None;
  useTiles_ = path == Path::TopDownTiled;
  // The plain code reads the background in order into the buffer before a
  // shallow crowd, where much of it shows: reading only what shows afterwards
  // waits on every line.
  underFirst_ = path == Path::TopDownPlain;
  dst_ = &dst;
  under_ = under;
  // The vector kernels write past the cache, and the plain code where its
  // buffer holds every pixel (a shallow crowd).
  stream_ =
      (vectors_ != Vectors::None || underFirst_) && dst.pixels.size() >= paths::streamPixels();
  paths::PathCounts& counts = paths::pathCounts();
  counts.splitPieces += splitPieces_;

  band::Band b;
  b.hidden = hidden_.data();
  b.rowBytes = rowBytes_;
  b.stride = dst.width;
  b.shallow = area_ < paths::kReadAllDepth * static_cast<std::int64_t>(dst.width) * dst.height;
  const auto lineOffset = [](const void* p) { return reinterpret_cast<std::uintptr_t>(p) % 64; };
  for (int k = 0; k < bands; ++k) {
    b.top = k * bandRows;
    b.bottom = std::min(b.top + bandRows, dst.height);
    // The buffer's rows lie in the cache's lines as the destination's do.
    const Pixel* top = dst.pixels.data() + static_cast<std::ptrdiff_t>(b.top) * dst.width;
    b.scratch =
        scratch_.data() + (64 + lineOffset(top) - lineOffset(scratch_.data())) % 64 / sizeof(Pixel);
    const Pixel shown = underFirst_ ? fillBand(b) : 0;
    drawBand(b, bandPieces_[k]);
    // Clear pixels matter only where a top byte shows, which is rare: only
    // then are they gathered.
    if ((writeBand(b) | shown) != 0) {
      clearTopBytes(dst, b, bandPieces_[k]);
      ++counts.clearedBands;
    }
    if (stream_) ++counts.streamedBands;
    std::fill_n(hidden_.data(), static_cast<std::size_t>(b.bottom - b.top) * rowBytes_, 0);
    if (useTiles_) std::fill(tiles_.begin(), tiles_.end(), 0);
  }
  if (stream_) detail::endStreaming();
}

// Draws the band's part of its pieces, the topmost first.
void TopDown::drawBand(const band::Band& b, const std::vector<band::Piece>& pieces) {
#ifdef GRINZO_VECTOR_PATHS
  if (vectors_ == Vectors::Avx512) {
    band::avx512::drawPieces(pieces.data(), pieces.data() + pieces.size(), b);
    return;
  }
  if (vectors_ == Vectors::Avx2) {
    band::avx2::drawPieces(pieces.data(), pieces.data() + pieces.size(), b);
    return;
  }
#endif
  for (std::size_t k = pieces.size(); k-- > 0;) {
    const band::Piece& piece = pieces[k];
    if (!useTiles_) {
      band::drawPiece(piece, b);
      continue;
    }
    // Coordinates inside a bitmap are not negative: shifts, not divisions.
    const int r0 = std::max<int>(piece.y, b.top), r1 = std::min(piece.y + piece.height, b.bottom);
    const int tileLeft = piece.x >> kTileShift;
    const int tileRight = (piece.x + piece.width - 1) >> kTileShift;
    const int tileTop = (r0 - b.top) >> kTileShift, tileBottom = (r1 - 1 - b.top) >> kTileShift;
    if (allTilesHidden(tileTop, tileBottom, tileLeft, tileRight)) continue;
    if (band::drawPiece(piece, b)) updateTiles(tileTop, tileBottom, tileLeft, tileRight);
  }
}

// Writes the band's rows to the destination; returns the top bytes of the
// pixels no sprite hides, ORed together.
// Fills the band's buffer with what lies under the sprites, each row read in
// order; returns the top bytes found there, ORed together.
Pixel TopDown::fillBand(const band::Band& b) {
  Pixel found = 0;
  for (int y = b.top; y < b.bottom; ++y) {
    const Pixel* d = dst_->pixels.data() + static_cast<std::ptrdiff_t>(y) * dst_->width;
    Pixel* buffer = b.scratch + static_cast<std::ptrdiff_t>(y - b.top) * b.stride;
    const band::Source source = sourceOf(y);
    const int from = source.pixels ? source.from : dst_->width;
    const int to = source.pixels ? source.to : dst_->width;
    for (int c = 0; c < from; ++c) found |= buffer[c] = d[c];
    for (int c = from; c < to; ++c) found |= buffer[c] = source.pixels[c - from];
    for (int c = to; c < dst_->width; ++c) found |= buffer[c] = d[c];
  }
  return found & kTopByte;
}

Pixel TopDown::writeBand(const band::Band& b) {
  Pixel found = 0;
  for (int y = b.top; y < b.bottom; ++y) {
    Pixel* d = dst_->pixels.data() + static_cast<std::ptrdiff_t>(y) * dst_->width;
    if (underFirst_) {  // the buffer holds every pixel
      const Pixel* row = b.scratch + static_cast<std::ptrdiff_t>(y - b.top) * b.stride;
      const std::size_t n = static_cast<std::size_t>(dst_->width);
      if (stream_) {
        detail::copyStreaming(d, row, n);
      } else {
        std::memcpy(d, row, n * sizeof(Pixel));
      }
      continue;
    }
#ifdef GRINZO_VECTOR_PATHS
    if (vectors_ == Vectors::Avx512) {
      found |= band::avx512::finishRow(d, b, y - b.top, dst_->width, sourceOf(y), stream_);
      continue;
    }
    if (vectors_ == Vectors::Avx2) {
      found |= band::avx2::finishRow(d, b, y - b.top, dst_->width, sourceOf(y), stream_);
      continue;
    }
#endif
    // The plain code writes through the cache.
    found |= band::finishRow(d, b, y - b.top, dst_->width, sourceOf(y));
  }
  return found;
}

band::Source TopDown::sourceOf(int y) const {
  band::Source source;
  if (under_ && y >= under_->y && y < under_->y + under_->height) {
    source = {under_->x, under_->x + under_->width,
              under_->pixels + (y - under_->y) * under_->stride};
  }
  return source;
}

// Where no sprite is opaque, clears the top byte under every clear pixel.
void TopDown::clearTopBytes(Bitmap& dst, const band::Band& b,
                            const std::vector<band::Piece>& pieces) {
  const std::size_t rows = static_cast<std::size_t>(b.bottom - b.top);
  clear_.assign(rows * static_cast<std::size_t>(rowBytes_), 0);
  for (const band::Piece& piece : pieces) {
    const int r0 = std::max<int>(piece.y, b.top) - piece.y;
    const int r1 = std::min(piece.y + piece.height, b.bottom) - piece.y;
    const std::uint64_t inside = (std::uint64_t{1} << piece.width) - 1;
    for (int r = r0; r < r1; ++r) {
      std::uint8_t* row =
          clear_.data() + static_cast<std::ptrdiff_t>(piece.y + r - b.top) * rowBytes_;
      setBitsAt(row, piece.x, (piece.shape->clear[piece.shapeY + r] >> piece.shapeX) & inside);
    }
  }
  for (int y = b.top; y < b.bottom; ++y) {
    const std::ptrdiff_t at = static_cast<std::ptrdiff_t>(y - b.top) * rowBytes_;
    Pixel* d = dst.pixels.data() + static_cast<std::ptrdiff_t>(y) * dst.width;
    for (int base = 0; base < dst.width; base += 64) {
      const int n = std::min(64, dst.width - base);
      const std::uint64_t inRow = n == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << n) - 1;
      std::uint64_t left =
          load64(clear_.data() + at + base / 8) & ~load64(hidden_.data() + at + base / 8) & inRow;
      for (; left != 0; left &= left - 1) d[base + lowestBit(left)] &= kColour;
    }
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

}  // namespace grinzo::gdi::batch
